// Image lists: images of one size kept as 32-bit pixels with a mask, drawn
// transparently, blended for selected or focused looks.
#include <algorithm>
#include <map>
#include <memory>
#include <mutex>

#include "platform/commctl/cc_internal.h"

namespace cc {
namespace {

struct TImage {
    std::vector<uint32_t> Px;  // 0x00RRGGBB
    std::vector<uint8_t> Transparent;
};

struct TImageList {
    int Cx = 16, Cy = 16;
    UINT Flags = 0;
    COLORREF Bk = CLR_NONE;
    std::vector<TImage> Images;
};

std::mutex& Mx() {
    static std::mutex m;
    return m;
}
std::map<uintptr_t, std::unique_ptr<TImageList>>& Table() {
    static std::map<uintptr_t, std::unique_ptr<TImageList>> t;
    return t;
}
uintptr_t gNext = 0x1A000;

TImageList* L(HIMAGELIST h) {
    std::lock_guard<std::mutex> lk(Mx());
    auto it = Table().find(reinterpret_cast<uintptr_t>(h));
    return it == Table().end() ? nullptr : it->second.get();
}

// The pixels of a bitmap, top-down, 0x00RRGGBB.
bool ReadBitmap(HBITMAP b, std::vector<uint32_t>& px, int& w, int& h) {
    BITMAP bm{};
    if (!b || !GetObjectW(b, sizeof bm, &bm)) return false;
    w = bm.bmWidth;
    h = bm.bmHeight;
    if (w <= 0 || h <= 0) return false;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    px.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0);
    HDC dc = CreateCompatibleDC(nullptr);
    int got = GetDIBits(dc, b, 0, static_cast<UINT>(h), px.data(), &bi, DIB_RGB_COLORS);
    DeleteDC(dc);
    for (auto& p : px) p &= 0xFFFFFF;
    return got > 0;
}

uint32_t ToPixel(COLORREF c) { return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }

int AddPixels(TImageList* il, const std::vector<uint32_t>& px, int w, int h, const std::vector<uint32_t>* mask,
              bool useKey, uint32_t key) {
    if (w < il->Cx || h < il->Cy) return -1;
    int first = static_cast<int>(il->Images.size());
    for (int n = 0; n < w / il->Cx; ++n) {
        TImage img;
        img.Px.resize(static_cast<std::size_t>(il->Cx * il->Cy));
        img.Transparent.assign(static_cast<std::size_t>(il->Cx * il->Cy), 0);
        for (int y = 0; y < il->Cy; ++y)
            for (int x = 0; x < il->Cx; ++x) {
                std::size_t src = static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(n * il->Cx + x);
                std::size_t dst = static_cast<std::size_t>(y * il->Cx + x);
                img.Px[dst] = px[src];
                bool t = false;
                if ((il->Flags & ILC_MASK) && mask) t = ((*mask)[src] & 0xFFFFFF) != 0;  // white in the mask: transparent
                if ((il->Flags & ILC_MASK) && useKey) t = px[src] == key;
                img.Transparent[dst] = t ? 1 : 0;
            }
        il->Images.push_back(std::move(img));
    }
    return first;
}

}  // namespace
}  // namespace cc

using namespace cc;

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int, int) {
    if (cx <= 0 || cy <= 0) return nullptr;
    std::lock_guard<std::mutex> lk(Mx());
    auto il = std::make_unique<TImageList>();
    il->Cx = cx;
    il->Cy = cy;
    il->Flags = flags;
    uintptr_t id = gNext++;
    Table()[id] = std::move(il);
    return reinterpret_cast<HIMAGELIST>(id);
}

BOOL ImageList_Destroy(HIMAGELIST h) {
    std::lock_guard<std::mutex> lk(Mx());
    return Table().erase(reinterpret_cast<uintptr_t>(h)) ? TRUE : FALSE;
}

int ImageList_GetImageCount(HIMAGELIST h) {
    TImageList* il = L(h);
    return il ? static_cast<int>(il->Images.size()) : 0;
}

BOOL ImageList_SetImageCount(HIMAGELIST h, UINT n) {
    TImageList* il = L(h);
    if (!il) return FALSE;
    TImage blank;
    blank.Px.assign(static_cast<std::size_t>(il->Cx * il->Cy), 0);
    blank.Transparent.assign(static_cast<std::size_t>(il->Cx * il->Cy), 0);
    il->Images.resize(n, blank);
    return TRUE;
}

int ImageList_Add(HIMAGELIST h, HBITMAP image, HBITMAP mask) {
    TImageList* il = L(h);
    std::vector<uint32_t> px, mpx;
    int w, hgt, mw, mh;
    if (!il || !ReadBitmap(image, px, w, hgt)) return -1;
    bool hasMask = mask && ReadBitmap(mask, mpx, mw, mh) && mw >= w && mh >= hgt;
    if (hasMask && mw != w) {
        std::vector<uint32_t> fit(static_cast<std::size_t>(w) * static_cast<std::size_t>(hgt));
        for (int y = 0; y < hgt; ++y)
            for (int x = 0; x < w; ++x) fit[static_cast<std::size_t>(y * w + x)] = mpx[static_cast<std::size_t>(y * mw + x)];
        mpx.swap(fit);
    }
    return AddPixels(il, px, w, hgt, hasMask ? &mpx : nullptr, /*useKey=*/false, 0);
}

int ImageList_AddMasked(HIMAGELIST h, HBITMAP image, COLORREF key) {
    TImageList* il = L(h);
    std::vector<uint32_t> px;
    int w, hgt;
    if (!il || !ReadBitmap(image, px, w, hgt)) return -1;
    return AddPixels(il, px, w, hgt, /*mask=*/nullptr, key != CLR_DEFAULT && key != CLR_NONE, ToPixel(key));
}

int ImageList_ReplaceIcon(HIMAGELIST h, int i, HICON icon) {
    TImageList* il = L(h);
    if (!il || !icon || i < -1 || i >= static_cast<int>(il->Images.size())) return -1;
    // The icon drawn at the list's size over magenta, which then becomes the mask.
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = il->Cx;
    bi.bmiHeader.biHeight = -il->Cy;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, /*Section=*/nullptr, 0);
    if (!bmp) {
        DeleteDC(dc);
        return -1;
    }
    HGDIOBJ old = SelectObject(dc, bmp);
    RECT r{0, 0, il->Cx, il->Cy};
    FillSolid(dc, r, RGB(255, 0, 255));
    bool ok = DrawIconEx(dc, 0, 0, icon, il->Cx, il->Cy, 0, /*hbrFlickerFreeDraw=*/nullptr, DI_NORMAL) != 0;
    if (!ok && il->Cx == 32 && il->Cy == 32) ok = DrawStandardIcon(dc, 0, 0, icon);
    SelectObject(dc, old);
    DeleteDC(dc);
    int result = -1;
    std::vector<uint32_t> px;
    int w, hgt;
    if (ok && ReadBitmap(bmp, px, w, hgt)) {
        UINT keep = il->Flags;
        il->Flags |= ILC_MASK;
        int at = AddPixels(il, px, w, hgt, /*mask=*/nullptr, /*useKey=*/true, 0xFF00FF);
        il->Flags = keep;
        if (at >= 0 && i >= 0) {
            il->Images[static_cast<std::size_t>(i)] = il->Images.back();
            il->Images.pop_back();
            result = i;
        } else {
            result = at;
        }
    }
    DeleteObject(bmp);
    return result;
}

BOOL ImageList_Replace(HIMAGELIST h, int i, HBITMAP image, HBITMAP mask) {
    TImageList* il = L(h);
    if (!il || i < 0 || i >= static_cast<int>(il->Images.size())) return FALSE;
    int at = ImageList_Add(h, image, mask);
    if (at < 0) return FALSE;
    il->Images[static_cast<std::size_t>(i)] = il->Images[static_cast<std::size_t>(at)];
    il->Images.resize(static_cast<std::size_t>(at));
    return TRUE;
}

BOOL ImageList_Remove(HIMAGELIST h, int i) {
    TImageList* il = L(h);
    if (!il) return FALSE;
    if (i == -1) {
        il->Images.clear();
        return TRUE;
    }
    if (i < 0 || i >= static_cast<int>(il->Images.size())) return FALSE;
    il->Images.erase(il->Images.begin() + i);
    return TRUE;
}

BOOL ImageList_DrawEx(HIMAGELIST h, int i, HDC dst, int x, int y, int dx, int dy, COLORREF bk, COLORREF fg, UINT style) {
    TImageList* il = L(h);
    if (!il || i < 0 || i >= static_cast<int>(il->Images.size()) || !dst) return FALSE;
    const TImage& img = il->Images[static_cast<std::size_t>(i)];
    int w = dx > 0 ? std::min(dx, il->Cx) : il->Cx, hgt = dy > 0 ? std::min(dy, il->Cy) : il->Cy;
    if (bk == CLR_DEFAULT) bk = il->Bk;
    bool transparent = (il->Flags & ILC_MASK) && (bk == CLR_NONE || (style & ILD_TRANSPARENT));
    uint32_t blend = ToPixel(fg == CLR_DEFAULT || fg == CLR_NONE ? GetSysColor(COLOR_HIGHLIGHT) : fg);
    int amount = (style & ILD_BLEND50) ? 2 : (style & ILD_BLEND25) ? 4 : 0;
    HDC mem = CreateCompatibleDC(dst);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = il->Cx;
    bi.bmiHeader.biHeight = -il->Cy;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, /*Section=*/nullptr, 0);
    if (!dib) {
        DeleteDC(mem);
        return FALSE;
    }
    HGDIOBJ old = SelectObject(mem, dib);
    // Read what is under the image so masked pixels keep it.
    BitBlt(mem, 0, 0, w, hgt, dst, x, y, SRCCOPY);
    GdiFlush();
    auto* p = static_cast<uint32_t*>(bits);
    for (int yy = 0; yy < hgt; ++yy)
        for (int xx = 0; xx < w; ++xx) {
            std::size_t k = static_cast<std::size_t>(yy * il->Cx + xx);
            if (style & ILD_MASK) {
                p[k] = img.Transparent[k] ? 0xFFFFFF : 0;
                continue;
            }
            if (img.Transparent[k] && transparent) continue;
            uint32_t c = img.Transparent[k] ? ToPixel(bk == CLR_NONE ? 0 : bk) : img.Px[k];
            if (amount && !img.Transparent[k]) {
                // Every other pixel (50%) or every fourth (25%) takes the blend colour.
                if ((xx + yy) % amount == 0) c = blend;
            }
            p[k] = c;
        }
    BitBlt(dst, x, y, w, hgt, mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    return TRUE;
}

BOOL ImageList_Draw(HIMAGELIST h, int i, HDC dst, int x, int y, UINT style) {
    return ImageList_DrawEx(h, i, dst, x, y, 0, 0, CLR_DEFAULT, CLR_DEFAULT, style);
}

BOOL ImageList_GetIconSize(HIMAGELIST h, int* cx, int* cy) {
    TImageList* il = L(h);
    if (!il) return FALSE;
    if (cx) *cx = il->Cx;
    if (cy) *cy = il->Cy;
    return TRUE;
}

BOOL ImageList_SetIconSize(HIMAGELIST h, int cx, int cy) {
    TImageList* il = L(h);
    if (!il || cx <= 0 || cy <= 0) return FALSE;
    il->Cx = cx;
    il->Cy = cy;
    il->Images.clear();
    return TRUE;
}

COLORREF ImageList_SetBkColor(HIMAGELIST h, COLORREF c) {
    TImageList* il = L(h);
    if (!il) return CLR_NONE;
    COLORREF old = il->Bk;
    il->Bk = c;
    return old;
}
COLORREF ImageList_GetBkColor(HIMAGELIST h) {
    TImageList* il = L(h);
    return il ? il->Bk : CLR_NONE;
}

HIMAGELIST ImageList_Duplicate(HIMAGELIST h) {
    TImageList* il = L(h);
    if (!il) return nullptr;
    HIMAGELIST c = ImageList_Create(il->Cx, il->Cy, il->Flags, 0, 0);
    TImageList* cl = L(c);
    cl->Bk = il->Bk;
    cl->Images = il->Images;
    return c;
}

// ---- Dragging -----------------------------------------------------------------
// One drag image at a time, on the thread that started it: a copy of the image
// shown in a top-most window that the mouse passes through, shaped by the
// image's mask, following DragMove.
namespace cc {
namespace {

struct TDrag {
    HIMAGELIST List = nullptr;  // the copy being dragged (one image)
    POINT HotSpot{};
    HWND Lock = nullptr;  // positions are relative to its window rectangle
    POINT Pos{};
    bool Entered = false;
    bool Shown = true;  // ImageList_DragShowNolock
    HWND Wnd = nullptr;
};
TDrag gDrag;

constexpr char16_t kDragClass[] = u"TessaroDragImage";

void PaintDragImage(HWND, HDC dc) {
    if (gDrag.List) ImageList_Draw(gDrag.List, 0, dc, 0, 0, ILD_NORMAL);
}

LRESULT CALLBACK DragWndProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    switch (m) {
    case WM_NCHITTEST: return HTTRANSPARENT;
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: PaintWith(h, PaintDragImage); return 0;
    default: return DefWindowProcW(h, m, wp, lp);
    }
}

POINT LockOrigin() {
    RECT r{};
    if (gDrag.Lock && IsWindow(gDrag.Lock)) GetWindowRect(gDrag.Lock, &r);
    return POINT{r.left, r.top};
}

// Shows, moves or hides the window as the drag state asks.
void UpdateDragWindow() {
    TImageList* il = L(gDrag.List);
    bool visible = il && gDrag.Entered && gDrag.Shown;
    if (!visible) {
        if (gDrag.Wnd) ShowWindow(gDrag.Wnd, SW_HIDE);
        return;
    }
    POINT o = LockOrigin();
    int x = o.x + gDrag.Pos.x - gDrag.HotSpot.x, y = o.y + gDrag.Pos.y - gDrag.HotSpot.y;
    if (!gDrag.Wnd) {
        static bool registered = false;
        if (!registered) {
            WNDCLASSW wc{};
            wc.lpfnWndProc = DragWndProc;
            wc.lpszClassName = kDragClass;
            wc.style = CS_SAVEBITS;
            RegisterClassW(&wc);
            registered = true;
        }
        gDrag.Wnd =
            CreateWindowExW(WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW,
                            kDragClass, u"", WS_POPUP, x, y, il->Cx, il->Cy, /*hWndParent=*/nullptr, /*hMenu=*/nullptr,
                            /*hInstance=*/nullptr, /*lpParam=*/nullptr);
        if (!gDrag.Wnd) return;
        // Only the image's own pixels show: its mask becomes the window's shape.
        if (il->Flags & ILC_MASK && !il->Images.empty()) {
            HRGN shape = CreateRectRgn(0, 0, 0, 0);
            const TImage& img = il->Images[0];
            for (int yy = 0; yy < il->Cy; ++yy)
                for (int xx = 0; xx < il->Cx;) {
                    if (img.Transparent[static_cast<std::size_t>(yy * il->Cx + xx)]) {
                        ++xx;
                        continue;
                    }
                    int start = xx;
                    while (xx < il->Cx && !img.Transparent[static_cast<std::size_t>(yy * il->Cx + xx)]) ++xx;
                    HRGN run = CreateRectRgn(start, yy, xx, yy + 1);
                    CombineRgn(shape, shape, run, RGN_OR);
                    DeleteObject(run);
                }
            SetWindowRgn(gDrag.Wnd, shape, FALSE);  // the window owns the region now
        }
    }
    SetWindowPos(gDrag.Wnd, HWND_TOPMOST, x, y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    UpdateWindow(gDrag.Wnd);
}

}  // namespace
}  // namespace cc

BOOL ImageList_BeginDrag(HIMAGELIST h, int i, int dxHotspot, int dyHotspot) {
    TImageList* il = L(h);
    if (!il || i < 0 || i >= static_cast<int>(il->Images.size())) return FALSE;
    ImageList_EndDrag();
    gDrag.List = ImageList_Create(il->Cx, il->Cy, il->Flags, 1, 0);
    TImageList* copy = L(gDrag.List);
    copy->Bk = il->Bk;
    copy->Images.push_back(il->Images[static_cast<std::size_t>(i)]);
    gDrag.HotSpot = POINT{dxHotspot, dyHotspot};
    gDrag.Entered = false;
    gDrag.Shown = true;
    return TRUE;
}

BOOL ImageList_DragEnter(HWND hwndLock, int x, int y) {
    if (!gDrag.List) return FALSE;
    gDrag.Lock = hwndLock;
    gDrag.Pos = POINT{x, y};
    gDrag.Entered = true;
    UpdateDragWindow();
    return TRUE;
}

BOOL ImageList_DragMove(int x, int y) {
    if (!gDrag.List) return FALSE;
    gDrag.Pos = POINT{x, y};
    UpdateDragWindow();
    return TRUE;
}

BOOL ImageList_DragLeave(HWND) {
    if (!gDrag.List) return FALSE;
    gDrag.Entered = false;
    UpdateDragWindow();
    return TRUE;
}

BOOL ImageList_DragShowNolock(BOOL fShow) {
    if (!gDrag.List) return FALSE;
    gDrag.Shown = fShow != FALSE;
    UpdateDragWindow();
    return TRUE;
}

void ImageList_EndDrag() {
    if (gDrag.Wnd && IsWindow(gDrag.Wnd)) DestroyWindow(gDrag.Wnd);
    if (gDrag.List) ImageList_Destroy(gDrag.List);
    gDrag = TDrag{};
}

HIMAGELIST ImageList_GetDragImage(POINT* ppt, POINT* pptHotspot) {
    if (!gDrag.List) return nullptr;
    if (ppt) *ppt = gDrag.Pos;
    if (pptHotspot) *pptHotspot = gDrag.HotSpot;
    return gDrag.List;
}

HWND WinDragImageWindow() { return gDrag.Wnd; }
