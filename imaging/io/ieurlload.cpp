// TIEImageIO::LoadFromURL: an image over HTTP, read into memory, then loaded by content.
#include <cmath>
#include <cstdlib>
#include <vector>

#include "imaging/io/ieimageio.h"
#include "platform/inet/wininet.h"
#include "platform/rtl/sysutils.h"

namespace {

// Closes whatever of the three handles is open, request first.
struct TInetHandles {
    HINTERNET Session = nullptr, Connection = nullptr, Request = nullptr;
    ~TInetHandles() { Close(); }
    void Close() {
        if (Request) InternetCloseHandle(Request);
        if (Connection) InternetCloseHandle(Connection);
        if (Session) InternetCloseHandle(Session);
        Request = Connection = Session = nullptr;
    }
};

// Digits only, else the fallback (and values that do not fit a port).
int32_t ToIntDef(const std::string& S, int32_t Default) {
    if (S.empty() || S.size() > 9) return Default;
    for (char c : S)
        if (c < '0' || c > '9') return Default;
    return static_cast<int32_t>(std::strtol(S.c_str(), nullptr, 10));
}

}  // namespace

void TIEImageIO::LoadFromURL(const std::string& URL) {
    if (StartAsyncURL(URL)) return;
    Aborting = false;
    if (LowerCase(URL.substr(0, 7)) != "http://") {
        Aborting = true;
        DoFinishWork();
        return;
    }
    const std::string rest = URL.substr(7);
    const size_t slash = rest.find('/');
    if (slash == std::string::npos || slash == 0) {
        // No path, or no host: nothing can be asked for.
        Aborting = true;
        DoFinishWork();
        return;
    }
    std::string host = rest.substr(0, slash);
    const std::string path = rest.substr(slash);
    int32_t port = 80;
    if (size_t colon = host.find(':'); colon != std::string::npos) {
        port = ToIntDef(host.substr(colon + 1), 80);
        if (port <= 0 || port > 65535) port = 80;
        host.resize(colon);
    }

    TInetHandles h;
    const bool proxied = !ProxyAddress.empty();
    h.Session = InternetOpenA("Mozilla/4.*", proxied ? INTERNET_OPEN_TYPE_PROXY : INTERNET_OPEN_TYPE_DIRECT,
                              proxied ? ProxyAddress.c_str() : nullptr, /*lpszProxyBypass=*/nullptr, 0);
    if (h.Session) {
        DWORD connectMs = URLConnectTimeout, stallMs = URLStallTimeout;
        InternetSetOptionA(h.Session, INTERNET_OPTION_CONNECT_TIMEOUT, &connectMs, sizeof connectMs);
        InternetSetOptionA(h.Session, INTERNET_OPTION_RECEIVE_TIMEOUT, &stallMs, sizeof stallMs);
        if (proxied) {
            // The credentials are the proxy's: the server never sees them.
            InternetSetOptionA(h.Session, INTERNET_OPTION_PROXY_USERNAME, const_cast<char*>(ProxyUser.c_str()),
                               static_cast<DWORD>(ProxyUser.size() + 1));
            InternetSetOptionA(h.Session, INTERNET_OPTION_PROXY_PASSWORD, const_cast<char*>(ProxyPassword.c_str()),
                               static_cast<DWORD>(ProxyPassword.size() + 1));
        }
        h.Connection =
            InternetConnectA(h.Session, host.c_str(), static_cast<INTERNET_PORT>(port), /*lpszUserName=*/nullptr,
                             /*lpszPassword=*/nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    }
    if (h.Connection)
        h.Request = HttpOpenRequestA(
            h.Connection, "GET", path.c_str(), "HTTP/1.1", /*lpszReferrer=*/nullptr, /*lplpszAcceptTypes=*/nullptr,
            INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_KEEP_CONNECTION, 0);
    if (h.Request) InternetSetCancelFlag(h.Request, &Aborting);
    if (!h.Request || !HttpSendRequestA(h.Request, /*lpszHeaders=*/nullptr, 0, /*lpOptional=*/nullptr, 0)) {
        Aborting = true;
        DoFinishWork();
        return;
    }

    std::vector<char> buffer(65536);
    // Anything but a success answer is an error page, not the image.
    DWORD len = static_cast<DWORD>(buffer.size());
    const int32_t status = HttpQueryInfoA(h.Request, HTTP_QUERY_STATUS_CODE, buffer.data(), &len, /*lpdwIndex=*/nullptr)
                               ? ToIntDef(std::string(buffer.data(), len), 0)
                               : 0;
    if (status < 200 || status > 299) {
        Aborting = true;
        DoFinishWork();
        return;
    }
    len = static_cast<DWORD>(buffer.size());
    const int64_t total =
        HttpQueryInfoA(h.Request, HTTP_QUERY_CONTENT_LENGTH, buffer.data(), &len, /*lpdwIndex=*/nullptr)
            ? StrToInt64Def(std::string(buffer.data(), len), 0)
            : 0;

    TMemoryStream body;
    if (total > 0) {
        // Reads wait for the data, so a slow server is read to the end.
        while (body.Size() < total && !Aborting) {
            INTERNET_BUFFERSA ib{};
            ib.dwStructSize = sizeof ib;
            ib.lpvBuffer = buffer.data();
            ib.dwBufferLength = static_cast<DWORD>(std::min<int64_t>(buffer.size(), total - body.Size()));
            if (!InternetReadFileExA(h.Request, &ib, 0, 0) || ib.dwBufferLength == 0) break;
            body.Write(buffer.data(), ib.dwBufferLength);
            if (OnProgress) DoProgress(this, static_cast<int>(std::trunc(body.Size() * (100.0 / total))));
        }
        if (body.Size() < total) Aborting = true;  // cut short: no partial image
    } else {
        for (;;) {
            if (Aborting) break;
            DWORD got = 0;
            if (!InternetReadFile(h.Request, buffer.data(), 1024, &got)) {
                Aborting = true;
                break;
            }
            if (got == 0) break;
            body.Write(buffer.data(), got);
        }
    }
    buffer.clear();
    h.Close();
    if (Aborting) {
        DoFinishWork();
        return;
    }
    body.Seek(0, soBeginning);
    TSyncScope sync;  // the body lives only in this call
    LoadFromStream(body);
}
