// Windowing helpers of the image views: remote session, scroll bars, DIB drawing.
#include "imaging/bitmaps/iemisc.h"
#include "platform/gdi/gdi.h"
#include "platform/win/winuser.h"

bool IsRemoteSession() { return GetSystemMetrics(SM_REMOTESESSION) != 0; }

BOOL IESetScrollRange(HWND Handle, int Bar, int Min, int Max, BOOL Redraw, bool) {
    return SetScrollRange(Handle, Bar, Min, Max, Redraw);
}

int IESetScrollInfo(HWND Handle, int Bar, const SCROLLINFO* Info, BOOL Redraw, bool) {
    return SetScrollInfo(Handle, Bar, Info, Redraw);
}

void IESetScrollPage(HWND Handle, int Bar, int Page, BOOL Redraw, bool Flat) {
    SCROLLINFO si{};
    si.cbSize = sizeof(SCROLLINFO);
    si.fMask = SIF_PAGE;
    si.nPage = static_cast<UINT>(Page);
    IESetScrollInfo(Handle, Bar, &si, Redraw, Flat);
}

int IESetScrollPos(HWND Handle, int Bar, int Pos, BOOL Redraw, bool) { return SetScrollPos(Handle, Bar, Pos, Redraw); }

BOOL IEEnableScrollBar(HWND Handle, int Bar, UINT Arrows, bool) {
    return EnableScrollBar(Handle, static_cast<UINT>(Bar), Arrows);
}

BOOL IEShowScrollBar(HWND Handle, int Bar, BOOL Show, bool) { return ShowScrollBar(Handle, Bar, Show); }

namespace {
int g_drawDibToken;  // DrawDib keeps no state here: any non-nil handle will do
}

HANDLE IEDrawDibOpen() { return &g_drawDibToken; }
BOOL IEDrawDibClose(HANDLE Handle) { return Handle != nullptr; }
UINT IEDrawDibRealize(HANDLE, HDC, BOOL) { return 0; }

BOOL IEDrawDibDraw(HANDLE Handle, HDC DC, int XDst, int YDst, int DXDst, int DYDst, const BITMAPINFOHEADER* Header,
                   const void* Bits, int XSrc, int YSrc, int DXSrc, int DYSrc, UINT) {
    if (!Handle || !DC || !Header) return FALSE;
    // Bits nil: the rows follow the header and its colour table.
    if (!Bits) {
        DWORD colours = Header->biClrUsed ? Header->biClrUsed : (Header->biBitCount <= 8 ? 1u << Header->biBitCount : 0);
        Bits = reinterpret_cast<const uint8_t*>(Header) + Header->biSize + colours * sizeof(RGBQUAD);
    }
    // -1 sizes mean the whole picture, as DrawDib has them.
    if (DXSrc < 0) DXSrc = Header->biWidth;
    if (DYSrc < 0) DYSrc = Header->biHeight < 0 ? -Header->biHeight : Header->biHeight;
    if (DXDst < 0) DXDst = DXSrc;
    if (DYDst < 0) DYDst = DYSrc;
    return StretchDIBits(DC, XDst, YDst, DXDst, DYDst, XSrc, YSrc, DXSrc, DYSrc, Bits,
                         reinterpret_cast<const BITMAPINFO*>(Header), DIB_RGB_COLORS, SRCCOPY) != 0;
}
