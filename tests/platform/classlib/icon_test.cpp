// The icon graphic: .ico data with several sizes, handles taken over from the
// window layer, drawing, saving, pictures, and the application's and forms'
// icons.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>

#include <unistd.h>

#include "platform/classlib/extctrls.h"
#include "platform/classlib/formfile.h"
#include "platform/classlib/forms.h"
#include "platform/classlib/testhooks.h"
#include "platform/commctl/commctrl.h"

namespace {

class Env : public ::testing::Environment {
public:
    void SetUp() override { TestHooks::Start(); }
    void TearDown() override { TestHooks::Stop(); }
};
const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new Env);

void Put16(std::string& s, uint32_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& s, uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

// An .ico file of 32-bit images, one per size; Pixel(size, x, y) gives
// 0xAARRGGBB (alpha 0: transparent, also in the AND mask).
using TPixelFn = std::function<uint32_t(int, int, int)>;
std::string MakeIco(const std::vector<int>& sizes, const TPixelFn& Pixel) {
    std::string head, body;
    Put16(head, 0);
    Put16(head, 1);
    Put16(head, static_cast<uint32_t>(sizes.size()));
    uint32_t offset = 6 + 16 * static_cast<uint32_t>(sizes.size());
    for (int n : sizes) {
        uint32_t maskRow = ((n + 31) / 32) * 4;
        std::string img;
        Put32(img, 40);
        Put32(img, n);
        Put32(img, n * 2);
        Put16(img, 1);
        Put16(img, 32);
        Put32(img, 0);
        Put32(img, n * n * 4 + maskRow * n);
        for (int i = 0; i < 4; ++i) Put32(img, 0);
        for (int y = n - 1; y >= 0; --y)
            for (int x = 0; x < n; ++x) Put32(img, Pixel(n, x, y));
        for (int y = n - 1; y >= 0; --y) {
            std::string row(maskRow, '\0');
            for (int x = 0; x < n; ++x)
                if ((Pixel(n, x, y) >> 24) == 0) row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
            img += row;
        }
        head += static_cast<char>(n);
        head += static_cast<char>(n);
        head += '\0';
        head += '\0';
        Put16(head, 1);
        Put16(head, 32);
        Put32(head, static_cast<uint32_t>(img.size()));
        Put32(head, offset);
        offset += static_cast<uint32_t>(img.size());
        body += img;
    }
    return head + body;
}

// 16x16: all blue; 32x32: red with a transparent left half.
uint32_t TwoSizes(int n, int x, int) {
    if (n == 16) return 0xFF0000FF;
    return x < 16 ? 0x00000000 : 0xFFFF0000;
}

void LoadIco(TIcon& I, const std::string& data) {
    TMemoryStream S;
    S.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
    S.SetPosition(0);
    I.LoadFromStream(S);
}

// 0xRRGGBB of a 24-bit bitmap's pixel.
uint32_t Px(TBitmap& B, int x, int y) {
    auto* p = static_cast<unsigned char*>(B.ScanLine(y)) + x * 3;
    return (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
}

std::unique_ptr<TBitmap> Grey(int w, int h) {
    auto B = std::make_unique<TBitmap>(w, h, pf24bit);
    B->Canvas().Brush().SetColor(static_cast<TColor>(0x404040));
    B->Canvas().FillRect(TRect(0, 0, w, h));
    return B;
}

TEST(Icons, LoadsTheEntryOfTheRequestedSizeDrawsAndSavesItsData) {
    std::string ico = MakeIco({16, 32}, TwoSizes);
    struct Case {
        int Requested, Expect;
        uint32_t Right;  // colour of the right half when drawn
    };
    for (Case c : {Case{0, 32, 0xFF0000}, Case{16, 16, 0x0000FF}, Case{32, 32, 0xFF0000}}) {
        SCOPED_TRACE(c.Requested);
        TIcon I;
        I.RequestedWidth = I.RequestedHeight = c.Requested;
        LoadIco(I, ico);
        EXPECT_FALSE(I.Empty());
        EXPECT_EQ(I.Width(), c.Expect);
        EXPECT_EQ(I.Height(), c.Expect);
        auto B = Grey(40, 40);
        B->Canvas().Draw(2, 2, I);
        EXPECT_EQ(Px(*B, 2 + c.Expect - 1, 2 + c.Expect / 2), c.Right);
        // The transparent half of the large image keeps the background.
        EXPECT_EQ(Px(*B, 2, 2), c.Expect == 32 ? 0x404040u : 0x0000FFu);
        EXPECT_EQ(Px(*B, 2 + c.Expect, 2), 0x404040u);  // nothing beyond the icon
        TMemoryStream Out;
        I.SaveToStream(Out);
        ASSERT_EQ(Out.Size(), static_cast<int64_t>(ico.size()));
        EXPECT_EQ(std::memcmp(Out.Memory(), ico.data(), ico.size()), 0);
    }
}

TEST(Icons, PngCodedEntriesAreRead) {
    // A 4x4 BMP-coded red entry and an 8x8 PNG-coded one, blue on its right
    // half and transparent on its left.
    TFileStream F(std::string(TESSARO_TEST_DATA) + "/platform/classlib/png_entry.ico", fmOpenRead);
    std::string data(static_cast<size_t>(F.Size()), '\0');
    F.ReadBuffer(data.data(), F.Size());
    struct Case {
        int Requested, Expect;
        uint32_t Left, Right;
    };
    for (Case c : {Case{8, 8, 0x404040, 0x0000FF}, Case{0, 8, 0x404040, 0x0000FF}, Case{4, 4, 0xFF0000, 0xFF0000}}) {
        SCOPED_TRACE(c.Requested);
        TIcon I;
        I.RequestedWidth = I.RequestedHeight = c.Requested;
        LoadIco(I, data);
        EXPECT_EQ(I.Width(), c.Expect);
        auto B = Grey(10, 10);
        B->Canvas().Draw(0, 0, I);
        EXPECT_EQ(Px(*B, 0, 1), c.Left);
        EXPECT_EQ(Px(*B, c.Expect - 1, 1), c.Right);
    }
    // The window layer's own reader passes over the PNG entry to the BMP one.
    HICON Bmp = WinCreateIconFromIco(reinterpret_cast<const unsigned char*>(data.data()), data.size(), 8, 8);
    ASSERT_TRUE(Bmp);
    int W = 0;
    WinGetIconSize(Bmp, &W, nullptr);
    EXPECT_EQ(W, 4);
    DestroyIcon(Bmp);
    // A PNG entry that is no picture is refused.
    std::string broken = data;
    uint32_t at = static_cast<unsigned char>(broken[6 + 16 + 12]) | (static_cast<unsigned char>(broken[6 + 16 + 13]) << 8);
    broken[at + 20] = static_cast<char>(broken[at + 20] ^ 0x55);  // inside the header chunk: its check fails
    TIcon J;
    J.RequestedWidth = J.RequestedHeight = 8;
    EXPECT_THROW(LoadIco(J, broken), EInvalidGraphic);
}

TEST(Icons, BadDataAndSizeChangesAreRefused) {
    TIcon I;
    EXPECT_TRUE(I.Empty());
    EXPECT_EQ(I.Width(), 0);
    std::string ico = MakeIco({16}, TwoSizes);
    const std::string bad[] = {"", "BM", std::string("\0\0\1\0\0\0", 6), ico.substr(0, 30),
                               std::string("\0\0\1\0\1\0", 6) + std::string(16, '\xFF')};
    for (const std::string& b : bad) EXPECT_THROW(LoadIco(I, b), EInvalidGraphic) << b.size();
    EXPECT_TRUE(I.Empty());  // a failed load leaves the icon as it was
    LoadIco(I, ico);
    EXPECT_NO_THROW(I.SetWidth(16));
    EXPECT_THROW(I.SetWidth(20), EInvalidGraphicOperation);
    EXPECT_THROW(I.SetHeight(8), EInvalidGraphicOperation);
    EXPECT_THROW(LoadIco(I, "garbage"), EInvalidGraphic);
    EXPECT_EQ(I.Width(), 16);  // the earlier image stays
}

TEST(Icons, HandlesTakenOverAreOwnedAndStandardOnesShared) {
    HICON hand = LoadIconA(nullptr, IDI_HAND);
    ASSERT_TRUE(hand);
    {
        TIcon I;
        I.SetHandle(hand);
        EXPECT_EQ(I.Width(), 32);
        auto B = Grey(32, 32);
        B->Canvas().Draw(0, 0, I);
        EXPECT_EQ(Px(*B, 16, 4), 0xE00000u);  // the red stop sign of message boxes
        EXPECT_EQ(Px(*B, 0, 0), 0x404040u);
    }
    // Freeing the icon left the shared handle alive.
    int w = 0;
    EXPECT_TRUE(WinGetIconSize(hand, &w, nullptr));

    uint32_t px[4] = {0xFF00FF00, 0xFF00FF00, 0x00000000, 0xFF00FF00};
    HICON own = WinCreateIconFromPixels(px, 2, 2);
    {
        TIcon I;
        I.SetHandle(own);
        EXPECT_EQ(I.Handle(), own);
        // Saved without file data, it reads back as the same image.
        TMemoryStream S;
        I.SaveToStream(S);
        S.SetPosition(0);
        TIcon J;
        J.LoadFromStream(S);
        EXPECT_EQ(J.Width(), 2);
        auto B = Grey(2, 2);
        B->Canvas().Draw(0, 0, J);
        EXPECT_EQ(Px(*B, 0, 0), 0x00FF00u);
        EXPECT_EQ(Px(*B, 0, 1), 0x404040u);
        EXPECT_EQ(Px(*B, 1, 1), 0x00FF00u);
    }
    EXPECT_FALSE(WinGetIconSize(own, nullptr, nullptr));  // destroyed with its owner

    HICON kept = WinCreateIconFromPixels(px, 2, 2);
    {
        TIcon I;
        I.SetHandle(kept);
        EXPECT_EQ(I.ReleaseHandle(), kept);
        EXPECT_TRUE(I.Empty());
    }
    EXPECT_TRUE(WinGetIconSize(kept, nullptr, nullptr));
    DestroyIcon(kept);
}

TEST(Icons, PicturesTakeIconsByFileAssignmentAndHandle) {
    std::string ico = MakeIco({16, 32}, TwoSizes);
    auto dir = std::filesystem::temp_directory_path() / ("tessaro_icon_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::string path = (dir / "two.ico").string();
    {
        FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_TRUE(f);
        std::fwrite(ico.data(), 1, ico.size(), f);
        std::fclose(f);
    }
    TPicture P;
    int changes = 0;
    P.OnChange = [&](TObject*) { ++changes; };
    P.LoadFromFile(path);
    ASSERT_TRUE(dynamic_cast<TIcon*>(P.Graphic()));
    EXPECT_EQ(P.Width(), 32);

    TPicture Q;
    Q.Assign(P.Graphic());
    ASSERT_TRUE(dynamic_cast<TIcon*>(Q.Graphic()));
    EXPECT_NE(static_cast<TIcon*>(Q.Graphic())->Handle(), static_cast<TIcon*>(P.Graphic())->Handle());
    EXPECT_EQ(Q.Width(), 32);

    // The message dialog's way: the picture's icon takes a standard handle.
    TImage Img(nullptr);
    Img.AutoSize = true;
    Img.Picture().Icon().SetHandle(LoadIconA(nullptr, IDI_ASTERISK));
    EXPECT_EQ(Img.Width(), 32);
    changes = 0;
    P.Icon().SetHandle(LoadIconA(nullptr, IDI_QUESTION));
    EXPECT_GE(changes, 1);
    std::filesystem::remove_all(dir);
}

TEST(Icons, CopiesFromTheFileDataPickTheSizeRatherThanScale) {
    std::string ico = MakeIco({16, 32}, TwoSizes);
    TIcon I;
    LoadIco(I, ico);
    ASSERT_EQ(I.Width(), 32);
    // As the skin makes its small application icon.
    HICON small = static_cast<HICON>(CopyImage(I.Handle(), IMAGE_ICON, 16, 16, LR_COPYFROMRESOURCE));
    ASSERT_TRUE(small);
    auto B = Grey(16, 16);
    DrawIconEx(B->Canvas().Handle(), 0, 0, small, 0, 0, 0, nullptr, DI_NORMAL);
    EXPECT_EQ(Px(*B, 0, 0), 0x0000FFu);  // the blue 16x16 image, not the scaled red one
    DestroyIcon(small);
    HICON scaled = static_cast<HICON>(CopyImage(I.Handle(), IMAGE_ICON, 16, 16, 0));
    auto C = Grey(16, 16);
    DrawIconEx(C->Canvas().Handle(), 0, 0, scaled, 0, 0, 0, nullptr, DI_NORMAL);
    EXPECT_EQ(Px(*C, 0, 0), 0x404040u);
    EXPECT_EQ(Px(*C, 15, 0), 0xFF0000u);
    DestroyIcon(scaled);
}

const char* kIconForm = R"(object frmIcon: TForm
  Left = 10
  Top = 10
  Width = 200
  Height = 120
  Caption = 'Icons'
end
)";

TEST(Icons, FormsShowTheirOwnIconElseTheApplicationsOne) {
    std::string ico = MakeIco({16, 32}, TwoSizes);
    Application->Icon().SetHandle(nullptr);  // start without the embedded MAINICON
    auto* F = new TForm(Application);
    F->LoadFromText(kIconForm, "icon.frm");
    F->Show();
    HWND H = F->Handle();
    EXPECT_EQ(SendMessageW(H, WM_GETICON, ICON_BIG, 0), 0);
    // The application's icon reaches every form without one of its own.
    LoadIco(Application->Icon(), ico);
    HICON App = Application->Icon().Handle();
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(H, WM_GETICON, ICON_BIG, 0)), App);
    // The form's own icon (as a form file stores it) wins.
    std::string hex;
    for (unsigned char c : MakeIco({16}, TwoSizes)) {
        char b[3];
        std::snprintf(b, sizeof b, "%02X", c);
        hex += b;
    }
    auto* G = new TForm(Application);
    std::string text = kIconForm;
    text.insert(text.find("end\n"), "  Icon.Data = {" + hex + "}\n");
    G->LoadFromText(text, "icon2.frm");
    G->Show();
    HICON Own = reinterpret_cast<HICON>(SendMessageW(G->Handle(), WM_GETICON, ICON_BIG, 0));
    EXPECT_EQ(Own, G->Icon().Handle());
    EXPECT_EQ(G->Icon().Width(), 16);
    // A bad icon in a form file is an error naming the file and line.
    auto* Bad = new TForm(Application);
    std::string badText = kIconForm;
    badText.insert(badText.find("end\n"), "  Icon.Data = {00000100}\n");
    try {
        Bad->LoadFromText(badText, "bad.frm");
        ADD_FAILURE() << "no error";
    } catch (const EFormFileError& E) {
        EXPECT_EQ(E.File, "bad.frm");
        EXPECT_EQ(E.Line, 7);
    }
    delete Bad;
    Application->Icon().SetHandle(nullptr);
    EXPECT_EQ(SendMessageW(H, WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(G->Handle(), WM_GETICON, ICON_BIG, 0)), G->Icon().Handle());
    delete G;
    delete F;
}

}  // namespace
