// The program's own pictures: the source list's file picture (from the main
// form's image list) as the list draws it, and the program icon with an image
// for each size the desktop asks for.
#include <gtest/gtest.h>

#include <filesystem>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <sys/stat.h>

#include "platform/classlib/pngimage.h"
#include "platform/classlib/testhooks.h"
#include "platform/classlib/threads.h"
#include "platform/commctl/commctrl.h"
#include "platform/rtl/sysutils.h"
#include "platform/win/winscreen.h"
#include "ui/main_form.h"
#include "ui/program.h"
#include "temp_folder.h"

namespace {

// Colours of a picture and which of its pixels are see-through.
struct TCells {
    int Width = 0, Height = 0;
    std::vector<uint32_t> Colour;  // 0xRRGGBB
    std::vector<bool> Opaque;
    int OpaqueCount() const {
        int N = 0;
        for (bool B : Opaque) N += B;
        return N;
    }
};

// Image Index drawn once on white and once on black: the pixels that come out
// the same both times are the picture's own.
TCells ImageOf(TCustomImageList& List, int Index) {
    TCells C;
    C.Width = List.Width();
    C.Height = List.Height();
    std::vector<uint32_t> On[2];
    for (int Pass = 0; Pass < 2; ++Pass) {
        TBitmap B(C.Width, C.Height, pf24bit);
        for (int Y = 0; Y < C.Height; ++Y) std::memset(B.ScanLine(Y), Pass ? 0x00 : 0xFF, static_cast<size_t>(C.Width) * 3);
        List.Draw(B.Canvas(), 0, 0, Index);
        GdiFlush();
        for (int Y = 0; Y < C.Height; ++Y) {
            auto* P = static_cast<const unsigned char*>(B.ScanLine(Y));
            for (int X = 0; X < C.Width; ++X)
                On[Pass].push_back(uint32_t(P[X * 3 + 2]) << 16 | uint32_t(P[X * 3 + 1]) << 8 | P[X * 3]);
        }
    }
    C.Colour = On[0];
    for (size_t I = 0; I < On[0].size(); ++I) C.Opaque.push_back(On[0][I] == On[1][I]);
    return C;
}

// An icon's pixels as ARGB, rows from the top.
std::vector<uint32_t> IconPixels(HICON Icon, int& W, int& H) {
    W = H = 0;
    if (!WinGetIconSize(Icon, &W, &H) || W <= 0 || H <= 0) return {};
    ICONINFO II{};
    if (!GetIconInfo(Icon, &II)) return {};
    std::vector<uint32_t> Px(static_cast<size_t>(W) * H);
    BITMAPINFO BI{};
    BI.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    BI.bmiHeader.biWidth = W;
    BI.bmiHeader.biHeight = -H;
    BI.bmiHeader.biPlanes = 1;
    BI.bmiHeader.biBitCount = 32;
    HDC DC = CreateCompatibleDC(nullptr);
    int Rows = GetDIBits(DC, II.hbmColor, 0, static_cast<UINT>(H), Px.data(), &BI, DIB_RGB_COLORS);
    DeleteDC(DC);
    DeleteObject(II.hbmColor);
    DeleteObject(II.hbmMask);
    if (Rows != H) return {};
    return Px;
}

class ProgramPictures : public ::testing::Test {
protected:
    void SetUp() override {
        Root = Scratch.Slashed();
        AppFolder = Root + "app/";
        ForceDirectories(AppFolder + "langs");
        setenv("XDG_DATA_HOME", (Root + "data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (Root + "config").c_str(), 1);
        TestHooks::Start();
        Started = ProgramStartup(AppFolder);
        ASSERT_TRUE(Started);
        ASSERT_NE(frmMain, nullptr);
    }
    void TearDown() override {
        if (Started) ProgramShutdown();
        EXPECT_TRUE(TThread::WaitForAllEnded(5000));
        TestHooks::Stop();
    }
    TTempFolder Scratch{"tessaro_pictures"};
    std::string Root, AppFolder;
    bool Started = false;
};

TEST_F(ProgramPictures, SourceListDrawsTheFilePictureWithItsClearPixels) {
    TImageList* Images = frmMain->ImgListIcon;
    ASSERT_NE(Images, nullptr);
    EXPECT_EQ(frmMain->lsvFiles->SmallImages(), Images);
    ASSERT_EQ(Images->Count(), 1);
    ASSERT_EQ(Images->Width(), 20);
    ASSERT_EQ(Images->Height(), 18);
    TCells Pic = ImageOf(*Images, 0);
    const int Opaque = Pic.OpaqueCount();
    EXPECT_GT(Opaque, 20 * 18 / 2);
    EXPECT_LT(Opaque, 20 * 18);
    EXPECT_FALSE(Pic.Opaque[0]) << "the top left corner is clear";
    EXPECT_TRUE(Pic.Opaque[9 * 20 + 10]) << "the middle is drawn";

    frmMain->Show();
    ASSERT_TRUE(TestHooks::PumpUntil([] { return frmMain->Showing(); }, 3000, "the main window to show"));
    TListItem* Item = frmMain->lsvFiles->Items().Add();
    Item->SetCaption("holiday.avi");
    Item->SetImageIndex(0);
    TestHooks::PumpPending();

    HWND List = frmMain->lsvFiles->Handle();
    const std::string Shot = TestHooks::Screenshot("program_pictures_list");
    ASSERT_TRUE(WinSaveWindowPng(List, Shot));
    TPngImage Png;
    Png.LoadFromFile(Shot);
    auto At = [&](int X, int Y) {
        const unsigned char* P = Png.Pixel(X, Y);
        return uint32_t(P[2]) << 16 | uint32_t(P[1]) << 8 | P[0];
    };
    // Where the picture's own pixels show; its clear ones must all show one
    // colour there (the list's background), the sprocket holes included.
    int Found = 0, FoundX = -1, FoundY = -1;
    for (int Y = 0; Y + Pic.Height <= Png.Height(); ++Y)
        for (int X = 0; X + Pic.Width <= Png.Width(); ++X) {
            bool Same = true;
            for (int I = 0; I < Pic.Width * Pic.Height && Same; ++I)
                if (Pic.Opaque[I]) Same = At(X + I % Pic.Width, Y + I / Pic.Width) == Pic.Colour[I];
            if (!Same) continue;
            ++Found;
            FoundX = X;
            FoundY = Y;
        }
    ASSERT_EQ(Found, 1) << "the list's picture as saved at " << Shot;
    uint32_t Clear = At(FoundX, FoundY);
    for (int I = 0; I < Pic.Width * Pic.Height; ++I) {
        if (!Pic.Opaque[I]) {
            EXPECT_EQ(At(FoundX + I % Pic.Width, FoundY + I / Pic.Width), Clear) << "clear pixel " << I;
        }
    }
    EXPECT_NE(Clear, Pic.Colour[6 * 20 + 4]);  // the frame's blue

    // It is the item's picture: inside the item's icon rectangle (client
    // coordinates, so shift by where the client area sits in the window).
    RECT R{};
    R.left = LVIR_ICON;
    ASSERT_TRUE(SendMessageW(List, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&R)));
    RECT W{};
    GetWindowRect(List, &W);
    POINT Origin{0, 0};
    ClientToScreen(List, &Origin);
    const int Dx = Origin.x - W.left, Dy = Origin.y - W.top;
    EXPECT_GE(FoundX, R.left + Dx);
    EXPECT_LE(FoundX + Pic.Width, R.right + Dx);
    EXPECT_GE(FoundY, R.top + Dy);
    EXPECT_LE(FoundY + Pic.Height, R.bottom + Dy);
}

TEST_F(ProgramPictures, ProgramIconHasItsOwnSmallAndLargeImages) {
    ASSERT_FALSE(Application->Icon().Empty()) << "no MAINICON among the embedded icons";
    HICON Icon = Application->Icon().Handle();
    ASSERT_NE(Icon, nullptr);
    // The main window shows it.
    frmMain->Show();
    ASSERT_TRUE(TestHooks::PumpUntil([] { return frmMain->Showing(); }, 3000, "the main window to show"));
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(frmMain->Handle(), WM_GETICON, ICON_BIG, 0)), Icon);

    for (int Pixels : {16, 32}) {
        SCOPED_TRACE(Pixels);
        // The file's own image of that size: not what any other size of the
        // icon gives when scaled to it.
        HICON Own = static_cast<HICON>(CopyImage(Icon, IMAGE_ICON, Pixels, Pixels, LR_COPYFROMRESOURCE));
        ASSERT_NE(Own, nullptr);
        int W = 0, H = 0;
        std::vector<uint32_t> Px = IconPixels(Own, W, H);
        DestroyIcon(Own);
        ASSERT_EQ(W, Pixels);
        ASSERT_EQ(H, Pixels);
        for (int Other : {16, 32, 48}) {
            if (Other == Pixels) continue;
            HICON From = static_cast<HICON>(CopyImage(Icon, IMAGE_ICON, Other, Other, LR_COPYFROMRESOURCE));
            ASSERT_NE(From, nullptr);
            HICON Scaled = static_cast<HICON>(CopyImage(From, IMAGE_ICON, Pixels, Pixels, 0));
            ASSERT_NE(Scaled, nullptr);
            int SW = 0, SH = 0;
            EXPECT_NE(Px, IconPixels(Scaled, SW, SH)) << "only the " << Other << " pixel image, scaled";
            DestroyIcon(Scaled);
            DestroyIcon(From);
        }
        // A round picture: clear corners, a drawn ring, soft edges from the alpha.
        int Clear = 0, Solid = 0, Soft = 0;
        for (uint32_t P : Px) {
            uint32_t A = P >> 24;
            (A == 0 ? Clear : A == 255 ? Solid : Soft) += 1;
        }
        EXPECT_EQ(Px[0] >> 24, 0u);
        EXPECT_EQ(Px[static_cast<size_t>(Pixels) * Pixels - 1] >> 24, 0u);
        EXPECT_EQ(Px[static_cast<size_t>(Pixels / 2) * Pixels + Pixels / 4] >> 24, 255u);
        EXPECT_GT(Solid, Pixels * Pixels / 2);
        EXPECT_GT(Clear, 0);
        EXPECT_GT(Soft, 0);
    }
}

}  // namespace
