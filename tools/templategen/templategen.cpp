// Draws the program's menu templates: for each template<N>/ the page backgrounds,
// the thumbnail frame, the navigation buttons, their select (blue) and highlight
// (red) masks and dat.dat with the positions; and preview/<N>.jpg.
// Masks are drawn without anti-aliasing in one solid colour on transparency (or
// opaque black for the mask backgrounds), as the subpicture multiplexer needs at
// most four colours with black transparent.
#include <cairo.h>

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <jpeglib.h>  // after <cstdio>: it needs FILE and size_t

namespace fs = std::filesystem;

namespace {

struct Rgb {
    double r, g, b;
};

struct Template {
    Rgb top, bottom;      // background gradient
    Rgb accent;           // shapes and button faces
    Rgb frameColour;      // thumbnail frame
    int shapes;           // 0 circles, 1 stripes, 2 waves
    int b1x, b1y, b2x, b2y;
    int navY, firstX, preX, nextX;
};

constexpr int kThumbW = 150, kThumbH = 114;  // the conversion step's thumbnails
constexpr int kFrameW = 160, kFrameH = 124;  // a title button
constexpr int kDiff = 5;
constexpr int kNavW = 96, kNavH = 44;

const Template kTemplates[] = {
    {{0.05, 0.12, 0.35}, {0.20, 0.45, 0.80}, {0.95, 0.80, 0.30}, {0.97, 0.97, 0.97}, 0, 110, 150, 450, 150, 372, 198, 312, 426},
    {{0.45, 0.10, 0.15}, {0.98, 0.60, 0.25}, {1.00, 0.95, 0.70}, {0.20, 0.08, 0.05}, 1, 80, 130, 480, 170, 372, 156, 312, 468},
    {{0.02, 0.20, 0.12}, {0.25, 0.60, 0.35}, {0.85, 0.98, 0.80}, {0.90, 0.95, 0.60}, 2, 120, 110, 440, 200, 380, 360, 466, 572},
};

bool WriteJpeg(cairo_surface_t* s, const fs::path& file, int quality) {
    cairo_surface_flush(s);
    int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
    int stride = cairo_image_surface_get_stride(s);
    const unsigned char* data = cairo_image_surface_get_data(s);
    FILE* f = std::fopen(file.c_str(), "wb");
    if (!f) return false;
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = w;
    c.image_height = h;
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<unsigned char> row(w * 3);
    for (int y = 0; y < h; ++y) {
        const uint32_t* px = reinterpret_cast<const uint32_t*>(data + y * stride);
        for (int x = 0; x < w; ++x) {
            row[x * 3] = (px[x] >> 16) & 0xFF;
            row[x * 3 + 1] = (px[x] >> 8) & 0xFF;
            row[x * 3 + 2] = px[x] & 0xFF;
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    return std::fclose(f) == 0;
}

bool WritePng(cairo_surface_t* s, const fs::path& file) {
    return cairo_surface_write_to_png(s, file.c_str()) == CAIRO_STATUS_SUCCESS;
}

void SetColour(cairo_t* cr, Rgb c, double a = 1.0) { cairo_set_source_rgba(cr, c.r, c.g, c.b, a); }

void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
    cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
    cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

void DrawBackground(cairo_t* cr, const Template& t, int w, int h) {
    cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, w * 0.3, h);
    cairo_pattern_add_color_stop_rgb(g, 0, t.top.r, t.top.g, t.top.b);
    cairo_pattern_add_color_stop_rgb(g, 1, t.bottom.r, t.bottom.g, t.bottom.b);
    cairo_set_source(cr, g);
    cairo_paint(cr);
    cairo_pattern_destroy(g);
    if (t.shapes == 0) {
        for (int i = 0; i < 9; ++i) {
            SetColour(cr, t.accent, 0.06 + 0.02 * (i % 3));
            cairo_arc(cr, w * (0.1 + 0.11 * i), h * (0.85 - 0.07 * (i % 4)), 30 + 18 * (i % 5), 0, 2 * M_PI);
            cairo_fill(cr);
        }
    } else if (t.shapes == 1) {
        for (int i = -4; i < 14; ++i) {
            SetColour(cr, t.accent, i % 2 ? 0.05 : 0.10);
            cairo_move_to(cr, i * 70, 0);
            cairo_line_to(cr, i * 70 + 40, 0);
            cairo_line_to(cr, i * 70 + 40 + h * 0.5, h);
            cairo_line_to(cr, i * 70 + h * 0.5, h);
            cairo_close_path(cr);
            cairo_fill(cr);
        }
    } else {
        cairo_set_line_width(cr, 3);
        for (int k = 0; k < 6; ++k) {
            SetColour(cr, t.accent, 0.10 + 0.03 * k);
            cairo_move_to(cr, 0, h * (0.2 + 0.13 * k));
            for (int x = 0; x <= w; x += 8) cairo_line_to(cr, x, h * (0.2 + 0.13 * k) + 14 * std::sin(x / 60.0 + k));
            cairo_stroke(cr);
        }
    }
    // a plain band behind the navigation buttons
    SetColour(cr, {0, 0, 0}, 0.25);
    cairo_rectangle(cr, 0, t.navY - 12, w, kNavH + 24);
    cairo_fill(cr);
}

// 0 first, 1 previous, 2 next
void DrawArrow(cairo_t* cr, int kind, double cx, double cy) {
    auto tri = [&](double x, double dir) {
        cairo_move_to(cr, x + dir * 9, cy);
        cairo_line_to(cr, x - dir * 9, cy - 11);
        cairo_line_to(cr, x - dir * 9, cy + 11);
        cairo_close_path(cr);
        cairo_fill(cr);
    };
    if (kind == 0) {
        cairo_rectangle(cr, cx - 16, cy - 11, 4, 22);
        cairo_fill(cr);
        tri(cx - 2, -1);
        tri(cx + 14, -1);
    } else if (kind == 1) {
        tri(cx, -1);
    } else {
        tri(cx, 1);
    }
}

cairo_surface_t* NewSurface(int w, int h) { return cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h); }

bool MakeTemplate(const fs::path& app, int n, const Template& t) {
    fs::path dir = app / ("template" + std::to_string(n));
    fs::create_directories(dir);
    bool ok = true;

    for (int ntsc = 0; ntsc < 2; ++ntsc) {
        int h = ntsc ? 480 : 576;
        cairo_surface_t* s = NewSurface(720, h);
        cairo_t* cr = cairo_create(s);
        DrawBackground(cr, t, 720, h);
        cairo_destroy(cr);
        ok &= WriteJpeg(s, dir / (ntsc ? "bg_ntsc.jpg" : "bg_pal.jpg"), 92);
        cairo_surface_destroy(s);

        s = NewSurface(720, h);
        cr = cairo_create(s);
        cairo_set_source_rgb(cr, 0, 0, 0);  // black: transparent for the subpicture
        cairo_paint(cr);
        cairo_destroy(cr);
        ok &= WritePng(s, dir / (ntsc ? "bg_ntsc_mask.png" : "bg_pal_mask.png"));
        cairo_surface_destroy(s);
    }

    // Frame around a thumbnail: a ring whose inside is the thumbnail itself.
    {
        cairo_surface_t* s = NewSurface(kFrameW, kFrameH);
        cairo_t* cr = cairo_create(s);
        SetColour(cr, t.frameColour);
        cairo_rectangle(cr, 0, 0, kFrameW, kFrameH);
        cairo_rectangle(cr, kDiff, kDiff, kThumbW, kThumbH);
        cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
        cairo_fill(cr);
        SetColour(cr, {0, 0, 0}, 0.35);
        cairo_set_line_width(cr, 1);
        cairo_rectangle(cr, kDiff - 0.5, kDiff - 0.5, kThumbW + 1, kThumbH + 1);
        cairo_stroke(cr);
        cairo_destroy(cr);
        ok &= WritePng(s, dir / "frame.png");
        cairo_surface_destroy(s);
    }
    for (int red = 0; red < 2; ++red) {
        cairo_surface_t* s = NewSurface(kFrameW, kFrameH);
        cairo_t* cr = cairo_create(s);
        cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
        cairo_set_source_rgb(cr, red ? 1 : 0, 0, red ? 0 : 1);
        cairo_rectangle(cr, 0, 0, kFrameW, kFrameH);
        cairo_rectangle(cr, kDiff, kDiff, kThumbW, kThumbH);
        cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
        cairo_fill(cr);
        cairo_destroy(cr);
        ok &= WritePng(s, dir / (red ? "frame_mask_red.png" : "frame_mask_blue.png"));
        cairo_surface_destroy(s);
    }

    const char* names[] = {"first", "pre", "next"};
    for (int k = 0; k < 3; ++k) {
        cairo_surface_t* s = NewSurface(kNavW, kNavH);
        cairo_t* cr = cairo_create(s);
        RoundedRect(cr, 1, 1, kNavW - 2, kNavH - 2, 10);
        cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, 0, kNavH);
        cairo_pattern_add_color_stop_rgb(g, 0, t.accent.r, t.accent.g, t.accent.b);
        cairo_pattern_add_color_stop_rgb(g, 1, t.accent.r * 0.7, t.accent.g * 0.7, t.accent.b * 0.7);
        cairo_set_source(cr, g);
        cairo_fill_preserve(cr);
        cairo_pattern_destroy(g);
        SetColour(cr, t.top);
        cairo_set_line_width(cr, 2);
        cairo_stroke(cr);
        SetColour(cr, t.top);
        DrawArrow(cr, k, kNavW / 2.0, kNavH / 2.0);
        cairo_destroy(cr);
        ok &= WritePng(s, dir / (std::string(names[k]) + ".png"));
        cairo_surface_destroy(s);
        for (int red = 0; red < 2; ++red) {
            cairo_surface_t* m = NewSurface(kNavW, kNavH);
            cairo_t* mc = cairo_create(m);
            cairo_set_antialias(mc, CAIRO_ANTIALIAS_NONE);
            cairo_set_source_rgb(mc, red ? 1 : 0, 0, red ? 0 : 1);
            // an underline bar below the button's face
            cairo_rectangle(mc, 8, kNavH - 6, kNavW - 16, 4);
            cairo_fill(mc);
            cairo_destroy(mc);
            ok &= WritePng(m, dir / (std::string(names[k]) + (red ? "_mask_red.png" : "_mask_blue.png")));
            cairo_surface_destroy(m);
        }
    }

    std::ofstream dat(dir / "dat.dat", std::ios::binary);
    dat << "[Button1]\r\nx=" << t.b1x << "\r\ny=" << t.b1y << "\r\n"
        << "[Button2]\r\nx=" << t.b2x << "\r\ny=" << t.b2y << "\r\n"
        << "[Diff]\r\nx=" << kDiff << "\r\ny=" << kDiff << "\r\n"
        << "[First]\r\nx=" << t.firstX << "\r\ny=" << t.navY << "\r\nwidth=" << kNavW << "\r\nheight=" << kNavH << "\r\n"
        << "[Pre]\r\nx=" << t.preX << "\r\ny=" << t.navY << "\r\n"
        << "[Next]\r\nx=" << t.nextX << "\r\ny=" << t.navY << "\r\n";
    ok &= static_cast<bool>(dat);
    dat.close();

    // Preview: a PAL page with two placeholder thumbnails, scaled to half size.
    {
        cairo_surface_t* page = NewSurface(720, 576);
        cairo_t* cr = cairo_create(page);
        DrawBackground(cr, t, 720, 576);
        int pos[2][2] = {{t.b1x, t.b1y}, {t.b2x, t.b2y}};
        for (auto& p : pos) {
            cairo_pattern_t* g = cairo_pattern_create_linear(p[0], p[1], p[0] + kThumbW, p[1] + kThumbH);
            cairo_pattern_add_color_stop_rgb(g, 0, 0.55, 0.6, 0.65);
            cairo_pattern_add_color_stop_rgb(g, 1, 0.25, 0.28, 0.3);
            cairo_set_source(cr, g);
            cairo_rectangle(cr, p[0], p[1], kThumbW, kThumbH);
            cairo_fill(cr);
            cairo_pattern_destroy(g);
            cairo_surface_t* frame = cairo_image_surface_create_from_png((dir / "frame.png").c_str());
            cairo_set_source_surface(cr, frame, p[0] - kDiff, p[1] - kDiff);
            cairo_paint(cr);
            cairo_surface_destroy(frame);
        }
        int nav[3] = {t.firstX, t.preX, t.nextX};
        for (int k = 0; k < 3; ++k) {
            cairo_surface_t* b = cairo_image_surface_create_from_png((dir / (std::string(names[k]) + ".png")).c_str());
            cairo_set_source_surface(cr, b, nav[k], t.navY);
            cairo_paint(cr);
            cairo_surface_destroy(b);
        }
        cairo_destroy(cr);
        cairo_surface_t* small = NewSurface(360, 288);
        cr = cairo_create(small);
        cairo_scale(cr, 0.5, 0.5);
        cairo_set_source_surface(cr, page, 0, 0);
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_BEST);
        cairo_paint(cr);
        cairo_destroy(cr);
        fs::create_directories(app / "preview");
        ok &= WriteJpeg(small, app / "preview" / (std::to_string(n) + ".jpg"), 90);
        cairo_surface_destroy(small);
        cairo_surface_destroy(page);
    }
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: templategen <program folder>\n");
        return 1;
    }
    fs::path app = argv[1];
    int n = 1;
    for (const auto& t : kTemplates) {
        if (!MakeTemplate(app, n, t)) {
            std::fprintf(stderr, "templategen: cannot write template %d\n", n);
            return 1;
        }
        ++n;
    }
    return 0;
}
