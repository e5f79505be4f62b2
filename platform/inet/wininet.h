// The HTTP client calls the image library makes (session, connection,
// request, header queries, body reads), over libcurl.
//
// A request's transfer starts in HttpSendRequestA, which returns once the
// answer's headers are in (or the transfer failed); reads then pull the body
// as it arrives. Redirects are followed. Only "http" is spoken.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/rtl/windef.h"

using HINTERNET = void*;
using INTERNET_PORT = WORD;

constexpr DWORD INTERNET_OPEN_TYPE_PRECONFIG = 0, INTERNET_OPEN_TYPE_DIRECT = 1, INTERNET_OPEN_TYPE_PROXY = 3;
constexpr DWORD INTERNET_SERVICE_HTTP = 3;
constexpr INTERNET_PORT INTERNET_DEFAULT_HTTP_PORT = 80;
constexpr DWORD INTERNET_FLAG_RELOAD = 0x80000000, INTERNET_FLAG_NO_CACHE_WRITE = 0x04000000,
                INTERNET_FLAG_KEEP_CONNECTION = 0x00400000;
// Header queries: the answer's text, or a DWORD with HTTP_QUERY_FLAG_NUMBER.
constexpr DWORD HTTP_QUERY_CONTENT_LENGTH = 5, HTTP_QUERY_STATUS_CODE = 19, HTTP_QUERY_FLAG_NUMBER = 0x20000000;
// InternetReadFileExA: with IRF_NO_WAIT only bytes already received are given,
// otherwise the call waits for at least one byte or the body's end.
constexpr DWORD IRF_ASYNC = 1, IRF_SYNC = 4, IRF_USE_CONTEXT = 8, IRF_NO_WAIT = 8;
// Options (milliseconds; strings for the proxy's credentials).
constexpr DWORD INTERNET_OPTION_CONNECT_TIMEOUT = 2, INTERNET_OPTION_RECEIVE_TIMEOUT = 6,
                INTERNET_OPTION_PROXY_USERNAME = 43, INTERNET_OPTION_PROXY_PASSWORD = 44;
// Last errors set by the calls.
constexpr DWORD ERROR_INTERNET_TIMEOUT = 12002, ERROR_INTERNET_INVALID_URL = 12005,
                ERROR_INTERNET_NAME_NOT_RESOLVED = 12007, ERROR_INTERNET_OPERATION_CANCELLED = 12017,
                ERROR_INTERNET_INCORRECT_HANDLE_TYPE = 12018, ERROR_INTERNET_CANNOT_CONNECT = 12029,
                ERROR_INTERNET_CONNECTION_ABORTED = 12030, ERROR_HTTP_HEADER_NOT_FOUND = 12150,
                ERROR_INTERNET_INVALID_OPTION = 12009;

// InternetOpenA when the HTTP library cannot be loaded (the reason goes to the
// standard error stream).
#ifndef ERROR_MOD_NOT_FOUND
#define ERROR_MOD_NOT_FOUND 126L
#endif

struct INTERNET_BUFFERSA {
    DWORD dwStructSize;
    INTERNET_BUFFERSA* Next;
    LPCSTR lpcszHeader;
    DWORD dwHeadersLength;
    DWORD dwHeadersTotal;
    LPVOID lpvBuffer;
    DWORD dwBufferLength;
    DWORD dwBufferTotal;
    DWORD dwOffsetLow;
    DWORD dwOffsetHigh;
};

HINTERNET InternetOpenA(LPCSTR lpszAgent, DWORD dwAccessType, LPCSTR lpszProxy, LPCSTR lpszProxyBypass,
                        DWORD dwFlags);
BOOL InternetCloseHandle(HINTERNET hInternet);
// User and password go to the server; a proxy's take InternetSetOptionA.
HINTERNET InternetConnectA(HINTERNET hInternet, LPCSTR lpszServerName, INTERNET_PORT nServerPort,
                           LPCSTR lpszUserName, LPCSTR lpszPassword, DWORD dwService, DWORD dwFlags,
                           DWORD_PTR dwContext);
HINTERNET HttpOpenRequestA(HINTERNET hConnect, LPCSTR lpszVerb, LPCSTR lpszObjectName, LPCSTR lpszVersion,
                           LPCSTR lpszReferrer, LPCSTR* lplpszAcceptTypes, DWORD dwFlags, DWORD_PTR dwContext);
BOOL HttpSendRequestA(HINTERNET hRequest, LPCSTR lpszHeaders, DWORD dwHeadersLength, LPVOID lpOptional,
                      DWORD dwOptionalLength);
BOOL HttpQueryInfoA(HINTERNET hRequest, DWORD dwInfoLevel, LPVOID lpBuffer, DWORD* lpdwBufferLength,
                    DWORD* lpdwIndex);
// Reads up to the given count; 0 bytes read with TRUE is the body's end. A
// transfer that fails (a connection closed before the announced length, a
// stall, cancellation) answers FALSE.
BOOL InternetReadFile(HINTERNET hFile, LPVOID lpBuffer, DWORD dwNumberOfBytesToRead, DWORD* lpdwNumberOfBytesRead);
BOOL InternetReadFileExA(HINTERNET hFile, INTERNET_BUFFERSA* lpBuffersOut, DWORD dwFlags, DWORD_PTR dwContext);
// Session options are inherited by the connections and requests made later;
// request options apply to it from its send on.
BOOL InternetSetOptionA(HINTERNET hInternet, DWORD dwOption, LPVOID lpBuffer, DWORD dwBufferLength);
// Ours: a flag that, once set, cancels the request's sending and reading.
BOOL InternetSetCancelFlag(HINTERNET hRequest, const std::atomic<bool>* Flag);
// The last error of this thread's calls.
DWORD InternetGetLastError();
