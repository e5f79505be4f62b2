#include "pipeline/menu_images.h"

#include <map>
#include <memory>

#include "core/globals.h"
#include "pipeline/authoring.h"
#include "platform/classlib/jpeg.h"
#include "platform/classlib/pngimage.h"

namespace {

void SaveJpeg(TBitmap& Page, const std::string& Output) {
    TJPEGImage out;
    out.CompressionQuality = 90;
    out.ProgressiveEncoding = false;
    out.Assign(Page);
    out.SaveToFile(Output);
}

// Masks stay plain RGB: the subpicture multiplexer keys black out itself.
void SavePng(TBitmap& Page, const std::string& Output) {
    TPngImage out;
    out.Assign(Page);
    out.SaveToFile(Output);
}

}  // namespace

void OverlayJpegOnJpeg(const std::string& Base, const std::string& Overlay, const std::string& Output, int X, int Y) {
    TJPEGImage base;
    base.LoadFromFile(Base);
    TBitmap page;
    base.AssignTo(page);
    TJPEGImage over;
    over.LoadFromFile(Overlay);
    page.Canvas().Draw(X, Y, over);
    SaveJpeg(page, Output);
}

void OverlayPngOnJpeg(const std::string& Base, const std::string& Overlay, const std::string& Output, int X, int Y) {
    TJPEGImage base;
    base.LoadFromFile(Base);
    TBitmap page;
    base.AssignTo(page);
    TPngImage over;
    over.LoadFromFile(Overlay);
    page.Canvas().Draw(X, Y, over);
    SaveJpeg(page, Output);
}

void OverlayPngOnPng(const std::string& Base, const std::string& Overlay, const std::string& Output, int X, int Y) {
    TPngImage base;
    base.LoadFromFile(Base);
    TBitmap page;
    base.AssignTo(page);
    TPngImage over;
    over.LoadFromFile(Overlay);
    page.Canvas().Draw(X, Y, over);
    SavePng(page, Output);
}

std::string MenuBackgroundFile() {
    switch (Options.VideoFormat) {
        case 0: return Options.TemplateDir + "bg_pal.jpg";
        case 1: return Options.TemplateDir + "bg_ntsc.jpg";
        default: return "";
    }
}

std::string MenuBackgroundMaskFile() {
    switch (Options.VideoFormat) {
        case 0: return Options.TemplateDir + "bg_pal_mask.png";
        case 1: return Options.TemplateDir + "bg_ntsc_mask.png";
        default: return "";
    }
}

namespace {

// The template's pictures, each read once for all pages.
class TPictureCache {
public:
    TPngImage& Png(const std::string& File) {
        std::unique_ptr<TPngImage>& P = Pngs[File];
        if (!P) {
            P = std::make_unique<TPngImage>();
            P->LoadFromFile(File);
        }
        return *P;
    }
    // A page's starting picture: a copy of the decoded file.
    void JpegInto(const std::string& File, TBitmap& Page) {
        std::unique_ptr<TBitmap>& B = Bitmaps[File];
        if (!B) {
            B = std::make_unique<TBitmap>();
            TJPEGImage J;
            J.LoadFromFile(File);
            J.AssignTo(*B);
        }
        Page.Assign(*B);
    }
    void PngInto(const std::string& File, TBitmap& Page) {
        std::unique_ptr<TBitmap>& B = Bitmaps[File];
        if (!B) {
            B = std::make_unique<TBitmap>();
            Png(File).AssignTo(*B);
        }
        Page.Assign(*B);
    }

private:
    std::map<std::string, std::unique_ptr<TPngImage>> Pngs;
    std::map<std::string, std::unique_ptr<TBitmap>> Bitmaps;
};

}  // namespace

bool BuildMenuImages(const std::function<void(int)>& Progress, const std::function<void(int)>& Wait) {
    auto progress = [&](int v) {
        if (Progress) Progress(v);
    };
    auto wait = [&] {
        if (Wait) Wait(500);
    };
    const std::string& T = Options.TempDir;
    const std::string& D = Options.TemplateDir;
    progress(0);
    TTemplateLayout L = ReadTemplateLayout(D + "dat.dat");
    for (int v = 10; v <= 50; v += 10) {
        if (v > 10) wait();
        progress(v);
    }
    bool ok = true;
    int pages = MenuPageCount(Options.TitleCount);
    try {
        // Each page and its two masks are composed in memory from the pictures
        // and written once: the page is compressed a single time.
        TPictureCache Cache;
        const struct {
            const char* name;
            int x, y;
        } nav[] = {{"first", L.FirstX, L.FirstY}, {"pre", L.PreX, L.PreY}, {"next", L.NextX, L.NextY}};
        for (int p = 0; p < pages; ++p) {
            std::string n = IntToStr(p);
            TBitmap page, blue, red;
            if (MenuBackgroundFile().empty() || MenuBackgroundMaskFile().empty())
                throw EInvalidGraphic("no menu background for this video format");
            Cache.JpegInto(MenuBackgroundFile(), page);
            Cache.PngInto(MenuBackgroundMaskFile(), blue);
            Cache.PngInto(MenuBackgroundMaskFile(), red);
            for (int t = 2 * p; t <= 2 * p + 1 && t < Options.TitleCount; ++t) {
                bool first = t == 2 * p;
                int bx = first ? L.Button1X : L.Button2X, by = first ? L.Button1Y : L.Button2Y;
                int fx = bx - L.DiffX, fy = by - L.DiffY;
                TJPEGImage thumb;
                thumb.LoadFromFile(T + IntToStr(t) + ".jpg");
                page.Canvas().Draw(bx, by, thumb);
                page.Canvas().Draw(fx, fy, Cache.Png(D + "frame.png"));
                blue.Canvas().Draw(fx, fy, Cache.Png(D + "frame_mask_blue.png"));
                red.Canvas().Draw(fx, fy, Cache.Png(D + "frame_mask_red.png"));
            }
            for (const auto& b : nav) page.Canvas().Draw(b.x, b.y, Cache.Png(D + b.name + ".png"));
            for (const auto& b : nav) blue.Canvas().Draw(b.x, b.y, Cache.Png(D + b.name + "_mask_blue.png"));
            for (const auto& b : nav) red.Canvas().Draw(b.x, b.y, Cache.Png(D + b.name + "_mask_red.png"));
            SaveJpeg(page, T + "menu_" + n + ".jpg");
            SavePng(blue, T + "menu_" + n + "_mask_blue.png");
            SavePng(red, T + "menu_" + n + "_mask_red.png");
            progress((80 / pages) * (p + 1));
        }
    } catch (const std::exception&) {
        ok = false;
    }
    for (int t = 0; t < Options.TitleCount; ++t) DeleteFile(T + IntToStr(t) + ".jpg");
    for (int v = 60; v <= 100; v += 10) {
        if (v > 60) wait();
        progress(v);
    }
    return ok;
}
