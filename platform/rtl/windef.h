// The scalar types, handles and small records that the whole platform layer
// and its callers share, with the sizes and values the callers expect.
#pragma once

#include <cstdint>

using BOOL = int;
using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using UINT = unsigned int;
using INT = int;
using LONG = int32_t;
using ULONG = uint32_t;
using SHORT = int16_t;
using USHORT = uint16_t;
using WCHAR = char16_t;
using CHAR = char;
using INT_PTR = intptr_t;
using UINT_PTR = uintptr_t;
using LONG_PTR = intptr_t;
using ULONG_PTR = uintptr_t;
using DWORD_PTR = uintptr_t;
using WPARAM = UINT_PTR;
using LPARAM = LONG_PTR;
using LRESULT = LONG_PTR;
using ATOM = WORD;
using COLORREF = DWORD;
using LPVOID = void*;
using LPCVOID = const void*;
using LPSTR = char*;
using LPCSTR = const char*;
using LPWSTR = char16_t*;
using LPCWSTR = const char16_t*;

// Macros, as other C headers (libjpeg) define them the same way.
#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// Handles are opaque: each kind its own pointer type, checked by the layer that
// issued it, never dereferenced by callers.
#define TESSARO_DECLARE_HANDLE(name) \
    struct name##__ {                \
        int unused;                  \
    };                               \
    using name = name##__*
using HANDLE = void*;
TESSARO_DECLARE_HANDLE(HWND);
TESSARO_DECLARE_HANDLE(HDC);
TESSARO_DECLARE_HANDLE(HMENU);
TESSARO_DECLARE_HANDLE(HINSTANCE);
TESSARO_DECLARE_HANDLE(HICON);
TESSARO_DECLARE_HANDLE(HHOOK);
TESSARO_DECLARE_HANDLE(HKEY);
TESSARO_DECLARE_HANDLE(HMONITOR);
TESSARO_DECLARE_HANDLE(HDROP);
TESSARO_DECLARE_HANDLE(HRSRC);
TESSARO_DECLARE_HANDLE(HIMAGELIST);
// GDI objects share one handle space (SelectObject, DeleteObject, GetObject take any).
using HGDIOBJ = void*;
using HBITMAP = HGDIOBJ;
using HBRUSH = HGDIOBJ;
using HPEN = HGDIOBJ;
using HFONT = HGDIOBJ;
using HRGN = HGDIOBJ;
using HPALETTE = HGDIOBJ;
using HCURSOR = HICON;
using HMODULE = HINSTANCE;
using HGLOBAL = HANDLE;
#undef TESSARO_DECLARE_HANDLE

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)))

struct POINT {
    LONG x;
    LONG y;
};
struct SIZE {
    LONG cx;
    LONG cy;
};
struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};
using LPRECT = RECT*;
using LPPOINT = POINT*;
struct POINTS {
    SHORT x;
    SHORT y;
};

constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
    return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) | (static_cast<COLORREF>(b) << 16);
}
constexpr BYTE GetRValue(COLORREF c) { return static_cast<BYTE>(c & 0xFF); }
constexpr BYTE GetGValue(COLORREF c) { return static_cast<BYTE>((c >> 8) & 0xFF); }
constexpr BYTE GetBValue(COLORREF c) { return static_cast<BYTE>((c >> 16) & 0xFF); }
constexpr WORD LOWORD(DWORD_PTR l) { return static_cast<WORD>(l & 0xFFFF); }
constexpr WORD HIWORD(DWORD_PTR l) { return static_cast<WORD>((l >> 16) & 0xFFFF); }
constexpr BYTE LOBYTE(DWORD_PTR w) { return static_cast<BYTE>(w & 0xFF); }
constexpr BYTE HIBYTE(DWORD_PTR w) { return static_cast<BYTE>((w >> 8) & 0xFF); }
constexpr LONG MAKELONG(WORD lo, WORD hi) { return static_cast<LONG>(static_cast<DWORD>(lo) | (static_cast<DWORD>(hi) << 16)); }
constexpr WPARAM MAKEWPARAM(WORD lo, WORD hi) { return static_cast<WPARAM>(static_cast<DWORD>(MAKELONG(lo, hi))); }
constexpr LPARAM MAKELPARAM(WORD lo, WORD hi) { return static_cast<LPARAM>(MAKELONG(lo, hi)); }
constexpr int GET_X_LPARAM(LPARAM lp) { return static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(lp))); }
constexpr int GET_Y_LPARAM(LPARAM lp) { return static_cast<SHORT>(HIWORD(static_cast<DWORD_PTR>(lp))); }
