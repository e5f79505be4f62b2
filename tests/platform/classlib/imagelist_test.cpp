// Image lists filled from the bitmap a form file carries: strips and grids of
// cells, transparency from alpha or from a mask, and bad data named by line.
#include <gtest/gtest.h>

#include "platform/classlib/comctrls.h"
#include "platform/classlib/formfile.h"
#include "platform/classlib/forms.h"
#include "platform/classlib/testhooks.h"

namespace {

class Env : public ::testing::Environment {
public:
    void SetUp() override { TestHooks::Start(); }
    void TearDown() override { TestHooks::Stop(); }
};
const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new Env);

std::string Fixture(const char* Name) { return std::string(TESSARO_TEST_DATA) + "/platform/classlib/" + Name; }

class TfrmImages : public TForm {
public:
    explicit TfrmImages(TComponent* Owner) : TForm(Owner) {
        DefineField("ImgStrip", ImgStrip);
        DefineField("ImgGrid", ImgGrid);
    }
    TImageList* ImgStrip = nullptr;
    TImageList* ImgGrid = nullptr;
};

// 0xRRGGBB of image Index drawn over grey, at (x, y) of the image.
uint32_t DrawnPixel(TCustomImageList& L, int Index, int x, int y) {
    TBitmap B(L.Width(), L.Height(), pf24bit);
    B.Canvas().Brush().SetColor(static_cast<TColor>(0x404040));
    B.Canvas().FillRect(TRect(0, 0, L.Width(), L.Height()));
    L.Draw(B.Canvas(), 0, 0, Index);
    auto* p = static_cast<unsigned char*>(B.ScanLine(y)) + x * 3;
    return (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
}

TEST(ImageListData, FormFileBitmapFillsTheLists) {
    TfrmImages F(nullptr);
    F.LoadFromFile(Fixture("imagelist.frm"));
    ASSERT_TRUE(F.ImgStrip && F.ImgGrid);

    // A strip of three 4x3 images in a 32-bit file; alpha 0 is transparent.
    EXPECT_EQ(F.ImgStrip->Count(), 3);
    struct Case {
        TCustomImageList* List;
        int Index, X, Y;
        uint32_t Colour;
    };
    const Case cases[] = {
        {F.ImgStrip, 0, 1, 1, 0xFF0000}, {F.ImgStrip, 0, 0, 0, 0x404040}, {F.ImgStrip, 1, 0, 0, 0x00FF00},
        {F.ImgStrip, 2, 2, 2, 0x0000FF}, {F.ImgStrip, 2, 3, 0, 0x404040},
        // A 2x2 grid of 2x2 images, row by row, with a 1-bit mask after the
        // bitmap; Bitmap came before Width and Height in the file.
        {F.ImgGrid, 0, 0, 0, 0xFFFF00}, {F.ImgGrid, 1, 0, 0, 0x00FFFF}, {F.ImgGrid, 2, 0, 1, 0xFF00FF},
        {F.ImgGrid, 3, 1, 0, 0xFFFFFF}, {F.ImgGrid, 0, 1, 1, 0x404040}, {F.ImgGrid, 3, 1, 1, 0x404040},
    };
    EXPECT_EQ(F.ImgGrid->Count(), 4);
    EXPECT_EQ(F.ImgGrid->Width(), 2);
    for (const Case& c : cases)
        EXPECT_EQ(DrawnPixel(*c.List, c.Index, c.X, c.Y), c.Colour)
            << c.List->Name() << " image " << c.Index << " at " << c.X << "," << c.Y;
}

TEST(ImageListData, BadBitmapsAreErrorsOfTheirLine) {
    struct Case {
        const char* Bitmap;
        const char* Size;
        const char* Why;
    };
    // A 2x1 24-bit file: too small for 4x4 images.
    const char* tiny = "424D3E000000000000003600000028000000020000000100000001001800000000000800000000000000000000000000000000000000FFFFFF0000000000";
    const Case cases[] = {
        {"00112233445566778899AABBCCDDEEFF", "", "not a BMP file"},
        {"424D0001000000000000", "", "length beyond the data"},
        {tiny, "    Width = 4\n    Height = 4\n", "smaller than one image"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Why);
        std::string text = std::string("object frmImages: TForm\n  object ImgStrip: TImageList\n") + c.Size +
                           "    Bitmap = {" + c.Bitmap + "}\n  end\nend\n";
        int line = std::string(c.Size).empty() ? 3 : 5;
        TfrmImages F(nullptr);
        try {
            F.LoadFromText(text, "bad.frm");
            ADD_FAILURE() << "no error";
        } catch (const EFormFileError& E) {
            EXPECT_EQ(E.File, "bad.frm");
            EXPECT_EQ(E.Line, line);
            EXPECT_NE(std::string(E.what()).find("ImgStrip"), std::string::npos) << E.what();
        }
    }
}

TEST(ImageListData, BitmapDataOutsideAFormReplacesTheImages) {
    TImageList L(nullptr);
    L.SetSize(2, 1);
    // A 2x1 24-bit file: one image of a red and a green pixel.
    std::vector<unsigned char> bmp = {0x42, 0x4D, 0x3E, 0, 0, 0, 0, 0, 0, 0, 0x36, 0, 0, 0, 40, 0, 0, 0, 2, 0, 0, 0, 1, 0,
                                      0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                      0, 0, 0, 0, 0, 0, 0xFF, 0, 0xFF, 0, 0, 0};
    L.ReadBitmapData(bmp);
    L.ReadBitmapData(bmp);
    EXPECT_EQ(L.Count(), 1);  // replaced, not appended
    EXPECT_EQ(DrawnPixel(L, 0, 0, 0), 0xFF0000u);
    EXPECT_EQ(DrawnPixel(L, 0, 1, 0), 0x00FF00u);
    L.ReadBitmapData({});
    EXPECT_EQ(L.Count(), 0);
}

}  // namespace
