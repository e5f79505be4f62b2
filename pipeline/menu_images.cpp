#include "pipeline/menu_images.h"

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
    // Masks stay plain RGB: the subpicture multiplexer keys black out itself.
    TPngImage out;
    out.Assign(page);
    out.SaveToFile(Output);
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
        for (int p = 0; p < pages; ++p) {
            std::string n = IntToStr(p);
            std::string page = T + "menu_" + n + ".jpg";
            std::string blue = T + "menu_" + n + "_mask_blue.png";
            std::string red = T + "menu_" + n + "_mask_red.png";
            for (int t = 2 * p; t <= 2 * p + 1 && t < Options.TitleCount; ++t) {
                bool first = t == 2 * p;
                int bx = first ? L.Button1X : L.Button2X, by = first ? L.Button1Y : L.Button2Y;
                int fx = bx - L.DiffX, fy = by - L.DiffY;
                OverlayJpegOnJpeg(first ? MenuBackgroundFile() : page, T + IntToStr(t) + ".jpg", page, bx, by);
                OverlayPngOnJpeg(page, D + "frame.png", page, fx, fy);
                OverlayPngOnPng(first ? MenuBackgroundMaskFile() : blue, D + "frame_mask_blue.png", blue, fx, fy);
                OverlayPngOnPng(first ? MenuBackgroundMaskFile() : red, D + "frame_mask_red.png", red, fx, fy);
            }
            const struct {
                const char* name;
                int x, y;
            } nav[] = {{"first", L.FirstX, L.FirstY}, {"pre", L.PreX, L.PreY}, {"next", L.NextX, L.NextY}};
            for (const auto& b : nav) OverlayPngOnJpeg(page, D + b.name + ".png", page, b.x, b.y);
            for (const auto& b : nav) OverlayPngOnPng(blue, D + b.name + "_mask_blue.png", blue, b.x, b.y);
            for (const auto& b : nav) OverlayPngOnPng(red, D + b.name + "_mask_red.png", red, b.x, b.y);
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
