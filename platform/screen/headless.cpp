// The headless screen: a virtual desktop in memory. Windows are composed only
// when a test asks for pixels; input is injected as a real screen delivers it.
#include "platform/screen/headless.h"

#include <png.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/gdi/surface.h"

namespace {

constexpr uint32_t kDesktopColour = 0x003A6EA5;  // the classic desktop background

struct TWindowEntry {
    TGdiSurface* Surface = nullptr;
    RECT Rect{};
    bool Visible = false;
    bool Shaped = false;
    std::vector<RECT> Shape;
    std::string Title;
};

class THeadless : public THeadlessScreen {
public:
    THeadless(int w, int h) : Width(w), Height(h) {}
    ~THeadless() override {
        if (Desktop) GdiDestroySurface(Desktop);
    }
    const char* Name() const override { return "headless"; }
    SIZE DesktopSize() const override { return SIZE{Width, Height}; }
    void SetInputSink(TScreenInputSink* s) override { Sink = s; }

    void WindowCreated(HWND w, TGdiSurface* s, const RECT& r, bool) override {
        std::lock_guard<std::mutex> g(M);
        auto& e = Windows[w];
        e.Surface = s;
        e.Rect = r;
        if (std::find(Order.begin(), Order.end(), w) == Order.end()) Order.insert(Order.begin(), w);
    }
    void WindowDestroyed(HWND w) override {
        std::lock_guard<std::mutex> g(M);
        Windows.erase(w);
        Order.erase(std::remove(Order.begin(), Order.end(), w), Order.end());
    }
    void WindowMoved(HWND w, const RECT& r) override {
        std::lock_guard<std::mutex> g(M);
        if (auto it = Windows.find(w); it != Windows.end()) it->second.Rect = r;
    }
    void WindowShown(HWND w, bool v) override {
        std::lock_guard<std::mutex> g(M);
        if (auto it = Windows.find(w); it != Windows.end()) it->second.Visible = v;
    }
    void WindowZOrder(const std::vector<HWND>& top) override {
        std::lock_guard<std::mutex> g(M);
        Order = top;
    }
    void WindowDamaged(HWND, const RECT&) override {}
    void WindowShape(HWND w, bool shaped, const std::vector<RECT>& rects) override {
        std::lock_guard<std::mutex> g(M);
        if (auto it = Windows.find(w); it != Windows.end()) {
            it->second.Shaped = shaped;
            it->second.Shape = rects;
        }
    }
    void WindowTitle(HWND w, const std::string& t) override {
        std::lock_guard<std::mutex> g(M);
        if (auto it = Windows.find(w); it != Windows.end()) it->second.Title = t;
    }
    void WindowActivated(HWND) override {}
    void SetPointerShape(int id) override { PointerShape = id; }
    POINT PointerPos() const override { return Pointer; }
    void SetPointerPos(POINT p) override { Pointer = p; }
    void Flush() override {}

    TGdiSurface* ComposeDesktop() override {
        std::lock_guard<std::mutex> g(M);
        if (!Desktop) Desktop = GdiCreateSurface(Width, Height);
        uint32_t* d = GdiSurfacePixels(Desktop);
        int ds = GdiSurfaceStride(Desktop);
        for (int y = 0; y < Height; ++y) std::fill(d + static_cast<std::ptrdiff_t>(y) * ds, d + static_cast<std::ptrdiff_t>(y) * ds + Width, kDesktopColour);
        for (auto it = Order.rbegin(); it != Order.rend(); ++it) {
            auto f = Windows.find(*it);
            if (f == Windows.end() || !f->second.Visible || !f->second.Surface) continue;
            const TWindowEntry& e = f->second;
            std::vector<RECT> parts;
            if (e.Shaped)
                parts = e.Shape;
            else
                parts.push_back(RECT{0, 0, e.Rect.right - e.Rect.left, e.Rect.bottom - e.Rect.top});
            int sw = GdiSurfaceWidth(e.Surface), sh = GdiSurfaceHeight(e.Surface), ss = GdiSurfaceStride(e.Surface);
            const uint32_t* s = GdiSurfacePixels(e.Surface);
            for (const RECT& p : parts) {
                int x0 = std::max<int>({p.left, 0, -e.Rect.left}), y0 = std::max<int>({p.top, 0, -e.Rect.top});
                int x1 = std::min<int>({p.right, sw, Width - e.Rect.left}),
                    y1 = std::min<int>({p.bottom, sh, Height - e.Rect.top});
                for (int y = y0; y < y1; ++y)
                    for (int x = x0; x < x1; ++x)
                        d[static_cast<std::ptrdiff_t>(y + e.Rect.top) * ds + x + e.Rect.left] =
                            s[static_cast<std::ptrdiff_t>(y) * ss + x] & 0x00FFFFFF;
            }
        }
        return Desktop;
    }
    bool SaveDesktopPng(const std::string& path) override {
        return SaveRectPng(RECT{0, 0, Width, Height}, path);
    }
    bool SaveRectPng(const RECT& r0, const std::string& path) override {
        TGdiSurface* s = ComposeDesktop();
        RECT r{std::max<LONG>(r0.left, 0), std::max<LONG>(r0.top, 0), std::min<LONG>(r0.right, Width),
               std::min<LONG>(r0.bottom, Height)};
        if (r.right <= r.left || r.bottom <= r.top) return false;
        int stride = GdiSurfaceStride(s);
        return SavePixelsPng(path, GdiSurfacePixels(s) + static_cast<std::ptrdiff_t>(r.top) * stride + r.left,
                             r.right - r.left, r.bottom - r.top, stride);
    }
    uint32_t DesktopPixel(POINT p) override {
        TGdiSurface* s = ComposeDesktop();
        if (p.x < 0 || p.y < 0 || p.x >= Width || p.y >= Height) return 0;
        return GdiSurfacePixels(s)[static_cast<std::ptrdiff_t>(p.y) * GdiSurfaceStride(s) + p.x] & 0x00FFFFFF;
    }

    void Mouse(TScreenMouseKind k, POINT p, TScreenButton b, int wheel = 0) {
        Pointer = p;
        if (!Sink) return;
        TScreenMouseEvent e;
        e.Kind = k;
        e.Button = b;
        e.Pos = p;
        e.WheelDelta = wheel;
        e.Time = ClickTime;
        Sink->MouseInput(e);
    }
    void MouseMove(POINT p) override { Mouse(TScreenMouseKind::Move, p, TScreenButton::NoButton); }
    void MouseDown(POINT p, TScreenButton b) override {
        if (p.x != Pointer.x || p.y != Pointer.y) MouseMove(p);
        Mouse(TScreenMouseKind::Down, p, b);
    }
    void MouseUp(POINT p, TScreenButton b) override {
        if (p.x != Pointer.x || p.y != Pointer.y) MouseMove(p);
        Mouse(TScreenMouseKind::Up, p, b);
    }
    void Click(POINT p, TScreenButton b) override {
        MouseDown(p, b);
        MouseUp(p, b);
    }
    void DoubleClick(POINT p, TScreenButton b) override {
        // Both presses carry one time, so a test descheduled between them on a
        // busy machine still gives a double click (same clock as GetTickCount).
        timespec ts{};
        ::clock_gettime(CLOCK_MONOTONIC, &ts);
        ClickTime = static_cast<DWORD>(static_cast<uint64_t>(ts.tv_sec) * 1000 + static_cast<uint64_t>(ts.tv_nsec) / 1000000);
        Click(p, b);
        Click(p, b);
        ClickTime = 0;
    }
    void Drag(POINT from, POINT to, int steps, TScreenButton b) override {
        if (steps < 1) steps = 1;
        MouseDown(from, b);
        for (int i = 1; i <= steps; ++i)
            MouseMove(POINT{from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps});
        MouseUp(to, b);
    }
    void Wheel(POINT p, int delta) override { Mouse(TScreenMouseKind::Wheel, p, TScreenButton::NoButton, delta); }
    void Key(bool down, int vk, char16_t ch) {
        if (!Sink) return;
        TScreenKeyEvent e;
        e.Down = down;
        e.VirtualKey = vk;
        e.Char = ch;
        Sink->KeyInput(e);
    }
    void KeyDown(int vk) override { Key(/*down=*/true, vk, 0); }
    void KeyUp(int vk) override { Key(/*down=*/false, vk, 0); }
    void KeyPress(int vk) override {
        KeyDown(vk);
        KeyUp(vk);
    }
    void TypeText(const std::string& text) override {
        // UTF-8 to UTF-16 units, each typed as a character packet.
        std::size_t i = 0;
        while (i < text.size()) {
            unsigned char c = static_cast<unsigned char>(text[i]);
            char32_t cp;
            int n = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : 4;
            cp = n == 1 ? c : n == 2 ? (c & 0x1F) : n == 3 ? (c & 0x0F) : (c & 0x07);
            for (int k = 1; k < n && i + k < text.size(); ++k) cp = (cp << 6) | (text[i + k] & 0x3F);
            i += n;
            if (cp >= 0x10000) {
                cp -= 0x10000;
                char16_t hi = static_cast<char16_t>(0xD800 + (cp >> 10)), lo = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
                Key(/*down=*/true, 0xE7, hi);
                Key(/*down=*/false, 0xE7, hi);
                Key(/*down=*/true, 0xE7, lo);
                Key(/*down=*/false, 0xE7, lo);
            } else {
                Key(/*down=*/true, 0xE7, static_cast<char16_t>(cp));
                Key(/*down=*/false, 0xE7, static_cast<char16_t>(cp));
            }
        }
    }
    void DropFiles(HWND w, POINT p, const std::vector<std::string>& files) override {
        if (Sink) Sink->FilesDropped(w, p, files);
    }
    void RequestClose(HWND w) override {
        if (Sink) Sink->CloseRequest(w);
    }

    int PointerShape = 32512;

private:
    int Width, Height;
    std::mutex M;
    std::map<HWND, TWindowEntry> Windows;
    std::vector<HWND> Order;  // topmost first
    TGdiSurface* Desktop = nullptr;
    TScreenInputSink* Sink = nullptr;
    POINT Pointer{640, 512};
    DWORD ClickTime = 0;  // non-zero while a double click stamps its presses
};

}  // namespace

std::unique_ptr<TScreen> OpenHeadlessScreen(int w, int h) { return std::make_unique<THeadless>(w, h); }

bool SavePixelsPng(const std::string& path, const uint32_t* px, int w, int h, int stride) {
    if (!px || w <= 0 || h <= 0) return false;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        if (png) png_destroy_write_struct(&png, nullptr);
        std::fclose(f);
        return false;
    }
    std::vector<unsigned char> row(static_cast<std::size_t>(w) * 3);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < h; ++y) {
        const uint32_t* s = px + static_cast<std::ptrdiff_t>(y) * stride;
        for (int x = 0; x < w; ++x) {
            row[x * 3] = static_cast<unsigned char>(s[x] >> 16);
            row[x * 3 + 1] = static_cast<unsigned char>(s[x] >> 8);
            row[x * 3 + 2] = static_cast<unsigned char>(s[x]);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0;
}

bool LoadPixelsPng(const std::string& path, std::vector<uint32_t>& out, int& w, int& h) {
    png_image img;
    std::memset(&img, 0, sizeof img);
    img.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&img, path.c_str())) return false;
    img.format = PNG_FORMAT_BGRA;
    std::vector<uint32_t> buf(static_cast<std::size_t>(img.width) * img.height);
    if (!png_image_finish_read(&img, nullptr, buf.data(), 0, nullptr)) {
        png_image_free(&img);
        return false;
    }
    for (auto& p : buf) p &= 0x00FFFFFF;
    w = static_cast<int>(img.width);
    h = static_cast<int>(img.height);
    out = std::move(buf);
    return true;
}
