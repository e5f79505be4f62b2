// Shared set-up of the single-image view tests: start-up of the image library, a
// form holding one view with an exact client size, and synthetic pictures.
#pragma once

#include <gtest/gtest.h>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/io/ieformats.h"
#include "imaging/views/ieimageview.h"
#include "platform/classlib/forms.h"
#include "platform/classlib/testhooks.h"
#include "platform/win/winscreen.h"
#include "platform/screen/headless.h"

namespace viewtest {

class Env : public ::testing::Environment {
public:
    void SetUp() override {
        TestHooks::Start();
        IEIOStartup();
        IEViewsStartup();
        RegisterImageViews();
    }
    void TearDown() override {
        IEViewsShutdown();
        IEIOShutdown();
        TestHooks::Stop();
    }
};

// A shown form with one borderless view of ClientW x ClientH and no scroll bars
// unless Bars says otherwise.
struct TShownView {
    TForm* Form = nullptr;
    TIEImageView* View = nullptr;
    TShownView(int ClientW, int ClientH, TScrollStyle Bars = ssNone) {
        Form = new TForm(Application);
        Form->SetBounds(40, 40, ClientW + 60, ClientH + 80);
        View = new TIEImageView(Form);
        View->SetBorderStyle(bsNoBorder);
        View->SetScrollBars(Bars);
        View->SetParent(Form);
        View->SetBounds(10, 10, ClientW, ClientH);
        Form->Show();
        EXPECT_TRUE(TestHooks::PumpUntil([&] { return Form->Showing(); }, 2000, "the form"));
    }
    ~TShownView() {
        Form->Free();
        TestHooks::PumpPending();
    }
    TShownView(const TShownView&) = delete;
    TShownView& operator=(const TShownView&) = delete;
};

// W x H 24-bit picture whose pixel (x, y) encodes its position: red x, green y, blue a
// checker of 8 x 8 cells, so that a shot shows which pixels landed where.
inline void FillCoded(TIEBitmap& B, int W, int H) {
    B.Allocate(W, H, ieRGB24);
    for (int Y = 0; Y < H; ++Y) {
        uint8_t* P = B.Scanline(Y);
        for (int X = 0; X < W; ++X) {
            P[3 * X + 0] = ((X / 8 + Y / 8) % 2) ? 220 : 40;             // blue
            P[3 * X + 1] = static_cast<uint8_t>(Y * 255 / std::max(H - 1, 1));  // green
            P[3 * X + 2] = static_cast<uint8_t>(X * 255 / std::max(W - 1, 1));  // red
        }
    }
}

inline uint32_t ScreenPixel(TControl* C, int X, int Y) {
    return WinHeadlessScreen()->DesktopPixel(C->ClientToScreen(POINT{X, Y})) & 0xFFFFFF;
}

inline POINT ScreenAt(TControl* C, int X, int Y) { return C->ClientToScreen(POINT{X, Y}); }

}  // namespace viewtest
