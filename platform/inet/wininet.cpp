#include "platform/inet/wininet.h"

// The calls go through a table: no macro may stand in for them.
#define CURL_DISABLE_TYPECHECK
#include <curl/curl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "platform/rtl/shared_library.h"

namespace {

// libcurl is opened on the first session: the program starts without it and
// the libraries it pulls in (TLS, name lookup, compression).
#define TESSARO_CURL_CALLS(X) \
    X(curl_global_init) \
    X(curl_easy_init) \
    X(curl_easy_setopt) \
    X(curl_easy_getinfo) \
    X(curl_easy_cleanup) \
    X(curl_multi_init) \
    X(curl_multi_add_handle) \
    X(curl_multi_remove_handle) \
    X(curl_multi_poll) \
    X(curl_multi_perform) \
    X(curl_multi_info_read) \
    X(curl_multi_cleanup)

struct TCurlCalls {
#define TESSARO_CURL_FIELD(Name) decltype(&::Name) Name = nullptr;
    TESSARO_CURL_CALLS(TESSARO_CURL_FIELD)
#undef TESSARO_CURL_FIELD
};

// Null when the library or an entry is missing; the reason went to the
// standard error stream once.
const TCurlCalls* LoadCurlCalls() {
    static TSharedLibrary Library("the HTTP client", TESSARO_SONAME_LIBCURL);
    static TCurlCalls Calls;
    bool ok = Library.Open();
#define TESSARO_CURL_BIND(Name) ok = ok && Library.Bind(Calls.Name, #Name);
    TESSARO_CURL_CALLS(TESSARO_CURL_BIND)
#undef TESSARO_CURL_BIND
    if (!ok) {
        Library.ReportError();
        return nullptr;
    }
    Calls.curl_global_init(CURL_GLOBAL_DEFAULT);
    return &Calls;
}

const TCurlCalls* CurlCalls() {
    static const TCurlCalls* Calls = LoadCurlCalls();
    return Calls;
}

// Only used once a session has been opened.
const TCurlCalls& Curl() { return *CurlCalls(); }

thread_local DWORD LastError = 0;

BOOL Fail(DWORD Error) {
    LastError = Error;
    return 0;
}

enum class Kind { Session, Connection, Request };

struct Options {
    long ConnectTimeoutMs = 0;  // 0: libcurl's own
    long ReceiveTimeoutMs = 0;  // a stall this long fails the transfer
    std::string ProxyUser, ProxyPassword;
};

struct Handle {
    explicit Handle(Kind K) : kind(K) {}
    virtual ~Handle() = default;
    Kind kind;
    Options opts;
};

struct Session : Handle {
    Session() : Handle(Kind::Session) {}
    std::string Agent, Proxy;
    bool Direct = true;
};

struct Connection : Handle {
    Connection() : Handle(Kind::Connection) {}
    Session* Owner = nullptr;
    std::string Host, User, Password;
    INTERNET_PORT Port = 80;
};

struct Request : Handle {
    Request() : Handle(Kind::Request) {}
    ~Request() override {
        if (Multi && Easy) Curl().curl_multi_remove_handle(Multi, Easy);
        if (Easy) Curl().curl_easy_cleanup(Easy);
        if (Multi) Curl().curl_multi_cleanup(Multi);
    }
    Connection* Owner = nullptr;
    std::string Verb, Path;
    CURL* Easy = nullptr;
    CURLM* Multi = nullptr;
    bool Sent = false, Done = false, HeadersDone = false;
    CURLcode Result = CURLE_OK;
    std::vector<std::string> Headers;  // of the last answer (redirects reset them)
    std::deque<char> Body;             // received, not yet read
    const std::atomic<bool>* Cancel = nullptr;
    char Error[CURL_ERROR_SIZE] = {};
};

template <class T>
T* As(HINTERNET H, Kind K) {
    auto* h = static_cast<Handle*>(H);
    if (h == nullptr || h->kind != K) return nullptr;
    return static_cast<T*>(h);
}

size_t OnHeader(char* Data, size_t Size, size_t N, void* User) {
    auto* r = static_cast<Request*>(User);
    std::string line(Data, Size * N);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    if (line.rfind("HTTP/", 0) == 0) {
        r->Headers.clear();
        r->HeadersDone = false;
    }
    if (line.empty()) {
        // The end of one answer's headers; a redirect's body and headers follow.
        long code = 0;
        Curl().curl_easy_getinfo(r->Easy, CURLINFO_RESPONSE_CODE, &code);
        if (code < 300 || code >= 400) r->HeadersDone = true;
    } else {
        r->Headers.push_back(line);
    }
    return Size * N;
}

size_t OnBody(char* Data, size_t Size, size_t N, void* User) {
    auto* r = static_cast<Request*>(User);
    r->HeadersDone = true;
    r->Body.insert(r->Body.end(), Data, Data + Size * N);
    return Size * N;
}

int OnProgress(void* User, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto* r = static_cast<Request*>(User);
    return r->Cancel && r->Cancel->load() ? 1 : 0;
}

DWORD ErrorOf(CURLcode C) {
    switch (C) {
        case CURLE_OPERATION_TIMEDOUT: return ERROR_INTERNET_TIMEOUT;
        case CURLE_URL_MALFORMAT: case CURLE_UNSUPPORTED_PROTOCOL: return ERROR_INTERNET_INVALID_URL;
        case CURLE_COULDNT_RESOLVE_HOST: case CURLE_COULDNT_RESOLVE_PROXY: return ERROR_INTERNET_NAME_NOT_RESOLVED;
        case CURLE_COULDNT_CONNECT: return ERROR_INTERNET_CANNOT_CONNECT;
        case CURLE_ABORTED_BY_CALLBACK: return ERROR_INTERNET_OPERATION_CANCELLED;
        default: return ERROR_INTERNET_CONNECTION_ABORTED;
    }
}

// Runs the transfer a little: waits up to 100 ms for the sockets, then lets
// libcurl work. Returns false once the transfer has ended.
bool Step(Request* r) {
    if (r->Done) return false;
    if (r->Cancel && r->Cancel->load()) {
        r->Done = true;
        r->Result = CURLE_ABORTED_BY_CALLBACK;
        return false;
    }
    int running = 0;
    Curl().curl_multi_poll(r->Multi, nullptr, 0, 100, nullptr);
    Curl().curl_multi_perform(r->Multi, &running);
    int left = 0;
    while (CURLMsg* m = Curl().curl_multi_info_read(r->Multi, &left)) {
        if (m->msg == CURLMSG_DONE) {
            r->Done = true;
            r->Result = m->data.result;
        }
    }
    if (running == 0 && !r->Done) {
        r->Done = true;
        r->Result = CURLE_OK;
    }
    return !r->Done;
}

bool HeaderValue(Request* r, const char* Name, std::string& Value) {
    const size_t n = std::strlen(Name);
    for (const std::string& h : r->Headers) {
        if (h.size() > n && h[n] == ':' && strncasecmp(h.c_str(), Name, n) == 0) {
            size_t b = n + 1;
            while (b < h.size() && (h[b] == ' ' || h[b] == '\t')) ++b;
            Value = h.substr(b);
            return true;
        }
    }
    return false;
}

BOOL ReadInto(Request* r, char* Out, DWORD Want, DWORD* Got, bool Wait) {
    *Got = 0;
    if (!r->Sent) return Fail(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
    while (Wait && r->Body.empty() && Step(r)) {
    }
    if (!Wait && r->Body.empty()) Step(r);
    const DWORD n = static_cast<DWORD>(std::min<size_t>(Want, r->Body.size()));
    std::copy_n(r->Body.begin(), n, Out);
    r->Body.erase(r->Body.begin(), r->Body.begin() + n);
    *Got = n;
    // A failed transfer answers FALSE once what did arrive has been read.
    if (n == 0 && r->Done && r->Result != CURLE_OK) return Fail(ErrorOf(r->Result));
    return 1;
}

}  // namespace

HINTERNET InternetOpenA(LPCSTR lpszAgent, DWORD dwAccessType, LPCSTR lpszProxy, LPCSTR, DWORD) {
    if (!CurlCalls()) {
        LastError = ERROR_MOD_NOT_FOUND;
        return nullptr;
    }
    auto* s = new Session;
    s->Agent = lpszAgent ? lpszAgent : "";
    s->Direct = dwAccessType != INTERNET_OPEN_TYPE_PROXY;
    if (!s->Direct) s->Proxy = lpszProxy ? lpszProxy : "";
    return s;
}

BOOL InternetCloseHandle(HINTERNET hInternet) {
    auto* h = static_cast<Handle*>(hInternet);
    if (h == nullptr) return Fail(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
    delete h;
    return 1;
}

HINTERNET InternetConnectA(HINTERNET hInternet, LPCSTR lpszServerName, INTERNET_PORT nServerPort,
                           LPCSTR lpszUserName, LPCSTR lpszPassword, DWORD dwService, DWORD, DWORD_PTR) {
    auto* s = As<Session>(hInternet, Kind::Session);
    if (s == nullptr || dwService != INTERNET_SERVICE_HTTP) {
        LastError = ERROR_INTERNET_INCORRECT_HANDLE_TYPE;
        return nullptr;
    }
    if (lpszServerName == nullptr || *lpszServerName == 0) {
        LastError = ERROR_INTERNET_INVALID_URL;
        return nullptr;
    }
    auto* c = new Connection;
    c->Owner = s;
    c->opts = s->opts;
    c->Host = lpszServerName;
    c->Port = nServerPort ? nServerPort : INTERNET_DEFAULT_HTTP_PORT;
    c->User = lpszUserName ? lpszUserName : "";
    c->Password = lpszPassword ? lpszPassword : "";
    return c;
}

HINTERNET HttpOpenRequestA(HINTERNET hConnect, LPCSTR lpszVerb, LPCSTR lpszObjectName, LPCSTR, LPCSTR, LPCSTR*,
                           DWORD, DWORD_PTR) {
    auto* c = As<Connection>(hConnect, Kind::Connection);
    if (c == nullptr) {
        LastError = ERROR_INTERNET_INCORRECT_HANDLE_TYPE;
        return nullptr;
    }
    auto* r = new Request;
    r->Owner = c;
    r->opts = c->opts;
    r->Verb = lpszVerb && *lpszVerb ? lpszVerb : "GET";
    r->Path = lpszObjectName && *lpszObjectName ? lpszObjectName : "/";
    if (r->Path[0] != '/') r->Path.insert(0, "/");
    return r;
}

BOOL HttpSendRequestA(HINTERNET hRequest, LPCSTR, DWORD, LPVOID, DWORD) {
    auto* r = As<Request>(hRequest, Kind::Request);
    if (r == nullptr || r->Sent) return Fail(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
    Connection* c = r->Owner;
    Session* s = c->Owner;
    r->Easy = Curl().curl_easy_init();
    r->Multi = Curl().curl_multi_init();
    if (!r->Easy || !r->Multi) return Fail(ERROR_INTERNET_CANNOT_CONNECT);
    CURL* e = r->Easy;
    const std::string url = "http://" + c->Host + ":" + std::to_string(c->Port) + r->Path;
    Curl().curl_easy_setopt(e, CURLOPT_URL, url.c_str());
    Curl().curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http");
    Curl().curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http");
    Curl().curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
    Curl().curl_easy_setopt(e, CURLOPT_MAXREDIRS, 8L);
    Curl().curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, r->Verb == "GET" ? nullptr : r->Verb.c_str());
    Curl().curl_easy_setopt(e, CURLOPT_USERAGENT, s->Agent.c_str());
    Curl().curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    Curl().curl_easy_setopt(e, CURLOPT_ERRORBUFFER, r->Error);
    // The environment's proxy variables never apply: the session says.
    Curl().curl_easy_setopt(e, CURLOPT_PROXY, s->Direct ? "" : s->Proxy.c_str());
    if (!s->Direct) {
        Curl().curl_easy_setopt(e, CURLOPT_NOPROXY, "");
        if (!r->opts.ProxyUser.empty() || !r->opts.ProxyPassword.empty()) {
            Curl().curl_easy_setopt(e, CURLOPT_PROXYUSERNAME, r->opts.ProxyUser.c_str());
            Curl().curl_easy_setopt(e, CURLOPT_PROXYPASSWORD, r->opts.ProxyPassword.c_str());
        }
    }
    if (!c->User.empty() || !c->Password.empty()) {
        Curl().curl_easy_setopt(e, CURLOPT_USERNAME, c->User.c_str());
        Curl().curl_easy_setopt(e, CURLOPT_PASSWORD, c->Password.c_str());
    }
    if (r->opts.ConnectTimeoutMs > 0) Curl().curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, r->opts.ConnectTimeoutMs);
    if (r->opts.ReceiveTimeoutMs > 0) {
        // Less than a byte a second for that long is a stall.
        Curl().curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, 1L);
        Curl().curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, std::max(1L, (r->opts.ReceiveTimeoutMs + 999) / 1000));
    }
    Curl().curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, OnHeader);
    Curl().curl_easy_setopt(e, CURLOPT_HEADERDATA, r);
    Curl().curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, OnBody);
    Curl().curl_easy_setopt(e, CURLOPT_WRITEDATA, r);
    Curl().curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, OnProgress);
    Curl().curl_easy_setopt(e, CURLOPT_XFERINFODATA, r);
    Curl().curl_easy_setopt(e, CURLOPT_NOPROGRESS, 0L);
    Curl().curl_multi_add_handle(r->Multi, e);
    r->Sent = true;
    while (!r->HeadersDone && Step(r)) {
    }
    if (!r->HeadersDone) {
        if (r->Result == CURLE_OK) {
            r->HeadersDone = true;  // an answer without body
        } else {
            return Fail(ErrorOf(r->Result));
        }
    }
    return 1;
}

BOOL HttpQueryInfoA(HINTERNET hRequest, DWORD dwInfoLevel, LPVOID lpBuffer, DWORD* lpdwBufferLength, DWORD*) {
    auto* r = As<Request>(hRequest, Kind::Request);
    if (r == nullptr || !r->HeadersDone || lpdwBufferLength == nullptr)
        return Fail(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
    const bool number = (dwInfoLevel & HTTP_QUERY_FLAG_NUMBER) != 0;
    std::string v;
    switch (dwInfoLevel & 0xFFFF) {
        case HTTP_QUERY_STATUS_CODE: {
            long code = 0;
            Curl().curl_easy_getinfo(r->Easy, CURLINFO_RESPONSE_CODE, &code);
            if (code == 0) return Fail(ERROR_HTTP_HEADER_NOT_FOUND);
            v = std::to_string(code);
            break;
        }
        case HTTP_QUERY_CONTENT_LENGTH:
            if (!HeaderValue(r, "Content-Length", v)) return Fail(ERROR_HTTP_HEADER_NOT_FOUND);
            break;
        default:
            return Fail(ERROR_HTTP_HEADER_NOT_FOUND);
    }
    if (number) {
        if (*lpdwBufferLength < sizeof(DWORD) || lpBuffer == nullptr) {
            *lpdwBufferLength = sizeof(DWORD);
            return Fail(122);  // ERROR_INSUFFICIENT_BUFFER
        }
        const DWORD d = static_cast<DWORD>(std::strtoul(v.c_str(), nullptr, 10));
        std::memcpy(lpBuffer, &d, sizeof d);
        *lpdwBufferLength = sizeof d;
        return 1;
    }
    if (lpBuffer == nullptr || *lpdwBufferLength < v.size() + 1) {
        *lpdwBufferLength = static_cast<DWORD>(v.size() + 1);
        return Fail(122);
    }
    std::memcpy(lpBuffer, v.c_str(), v.size() + 1);
    *lpdwBufferLength = static_cast<DWORD>(v.size());
    return 1;
}

BOOL InternetReadFile(HINTERNET hFile, LPVOID lpBuffer, DWORD dwNumberOfBytesToRead, DWORD* lpdwNumberOfBytesRead) {
    auto* r = As<Request>(hFile, Kind::Request);
    if (r == nullptr || lpdwNumberOfBytesRead == nullptr) return Fail(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
    return ReadInto(r, static_cast<char*>(lpBuffer), dwNumberOfBytesToRead, lpdwNumberOfBytesRead, /*Wait=*/true);
}

BOOL InternetReadFileExA(HINTERNET hFile, INTERNET_BUFFERSA* lpBuffersOut, DWORD dwFlags, DWORD_PTR) {
    auto* r = As<Request>(hFile, Kind::Request);
    if (r == nullptr || lpBuffersOut == nullptr || lpBuffersOut->dwStructSize != sizeof(INTERNET_BUFFERSA))
        return Fail(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
    DWORD got = 0;
    BOOL ok = ReadInto(r, static_cast<char*>(lpBuffersOut->lpvBuffer), lpBuffersOut->dwBufferLength, &got,
                       (dwFlags & IRF_NO_WAIT) == 0);
    lpBuffersOut->dwBufferLength = got;
    return ok;
}

BOOL InternetSetOptionA(HINTERNET hInternet, DWORD dwOption, LPVOID lpBuffer, DWORD dwBufferLength) {
    auto* h = static_cast<Handle*>(hInternet);
    if (h == nullptr || lpBuffer == nullptr) return Fail(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
    switch (dwOption) {
        case INTERNET_OPTION_CONNECT_TIMEOUT:
        case INTERNET_OPTION_RECEIVE_TIMEOUT: {
            if (dwBufferLength < sizeof(DWORD)) return Fail(ERROR_INTERNET_INVALID_OPTION);
            DWORD v;
            std::memcpy(&v, lpBuffer, sizeof v);
            (dwOption == INTERNET_OPTION_CONNECT_TIMEOUT ? h->opts.ConnectTimeoutMs : h->opts.ReceiveTimeoutMs) =
                static_cast<long>(v);
            return 1;
        }
        case INTERNET_OPTION_PROXY_USERNAME:
        case INTERNET_OPTION_PROXY_PASSWORD: {
            const char* p = static_cast<const char*>(lpBuffer);
            std::string v(p, strnlen(p, dwBufferLength ? dwBufferLength : 1024));
            (dwOption == INTERNET_OPTION_PROXY_USERNAME ? h->opts.ProxyUser : h->opts.ProxyPassword) = v;
            return 1;
        }
        default:
            return Fail(ERROR_INTERNET_INVALID_OPTION);
    }
}

BOOL InternetSetCancelFlag(HINTERNET hRequest, const std::atomic<bool>* Flag) {
    auto* r = As<Request>(hRequest, Kind::Request);
    if (r == nullptr) return Fail(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
    r->Cancel = Flag;
    return 1;
}

DWORD InternetGetLastError() { return LastError; }
