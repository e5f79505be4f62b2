// The GIF graphic: reading, writing and decoding frames, on hand-made files and
// on GIFs exchanged with ImageMagick.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "controls/extra/ag_gif.h"
#include "controls/extra/ag_gifanimator.h"
#include "platform/classlib/testhooks.h"
#include "platform/win/winuser.h"

namespace {

class Env : public ::testing::Environment {
public:
    void SetUp() override { TestHooks::Start(); }
    void TearDown() override { TestHooks::Stop(); }
};
const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new Env);

std::string U16(int V) { return std::string{static_cast<char>(V & 0xFF), static_cast<char>((V >> 8) & 0xFF)}; }

// A 2 x 2 image, two colours (red, blue), pixels 0 1 / 1 0.
std::string TinyImage() {
    return "," + U16(0) + U16(0) + U16(2) + U16(2) + std::string(1, '\0') +
           std::string("\x02\x03\x44\x02\x05\x00", 6);
}

std::string Header(const std::string& Sig = "GIF89a") {
    return Sig + U16(2) + U16(2) + std::string("\x80\x00\x00", 3) + std::string("\xFF\x00\x00\x00\x00\xFF", 6);
}

std::string GraphicControl(int Delay, int Flags = 0, int Transparent = 0) {
    return std::string("!\xF9\x04", 3) + static_cast<char>(Flags) + U16(Delay) + static_cast<char>(Transparent) + '\0';
}

void Load(TGIFImage& G, const std::string& Data) {
    TStringStream S(Data);
    G.LoadFromStream(S);
}

std::string Save(TGIFImage& G) {
    TStringStream S;
    G.SaveToStream(S);
    return S.DataString();
}

std::string ErrorOf(const std::string& Data) {
    try {
        TGIFImage G;
        Load(G, Data);
    } catch (const Exception& E) {
        return E.Message;
    }
    return "";
}

TEST(GifImage, ReadsATinyImageAndDecodesItsFirstFrame) {
    TGIFImage G;
    Load(G, Header() + TinyImage() + ";");
    ASSERT_EQ(G.GetCount(), 1);
    EXPECT_EQ(G.CurrentFrame, 0);
    EXPECT_EQ(G.GIFVersion, 2);
    EXPECT_EQ(G.GetScreenWidth(), 2);
    EXPECT_EQ(G.BackgroundColour, clRed);  // background index 0
    ASSERT_NE(G.Frames[0]->FrameBitmap, nullptr);  // decoded at once
    TBitmap* B = G.Frames[0]->DecodedBitmap();
    EXPECT_EQ(B->PixelFormat(), pf1bit);
    EXPECT_EQ(B->Canvas().Pixel(0, 0), clRed);
    EXPECT_EQ(B->Canvas().Pixel(1, 0), clBlue);
    EXPECT_EQ(B->Canvas().Pixel(0, 1), clBlue);
    EXPECT_FALSE(G.Frames[0]->IsCorrupt);
}

TEST(GifImage, SignaturesAndRefusedData) {
    struct Case {
        const char* Name;
        std::string Data;
        std::string Error;
    } Cases[] = {
        {"lower and mixed case", Header("gif89A") + TinyImage() + ";", ""},
        {"87a", Header("GIF87a") + TinyImage() + ";", ""},
        {"version 88a", Header("GIF88a") + TinyImage() + ";", "Unknown GIF version"},
        {"not a GIF", std::string("PNG89a") + std::string(20, '\0'), "Unknown GIF version"},
        {"unknown extension", Header() + "!\x12" + TinyImage() + ";", "Unrecognized extension block: 12"},
        {"bad separator", Header() + TinyImage() + "x" + TinyImage() + ";", ""},  // ends the data
        {"huge frame", Header() + "," + U16(0) + U16(0) + U16(65535) + U16(65535) + std::string("\0\x02\x00", 3) + ";",
         "GIF image is too large"},
        {"frame larger than its data can fill",
         Header() + "," + U16(0) + U16(0) + U16(1000) + U16(1000) + std::string("\0\x02\x01\x44\x00", 5) + ";",
         "GIF encoded data is corrupt"},
        {"cut in the screen descriptor", std::string("GIF89a\x02", 7), "Stream read error"},
    };
    for (const auto& C : Cases) EXPECT_EQ(ErrorOf(C.Data), C.Error) << C.Name;
}

TEST(GifImage, TruncatedDataLoadsMarkedCorrupt) {
    std::string Full = Header() + TinyImage() + ";";
    TGIFImage G;
    Load(G, Full.substr(0, Full.size() - 4));  // inside the LZW sub-block
    ASSERT_EQ(G.GetCount(), 1);
    EXPECT_TRUE(G.Frames[0]->IsCorrupt);
}

TEST(GifImage, DelaysDisposalTransparencyAndLoop) {
    std::string Loop = std::string("!\xFF\x0BNETSCAPE2.0\x03\x01", 16) + U16(5) + '\0';
    struct Case {
        int Delay;
        uint32_t Ms;
    } Cases[] = {{0, 0}, {7, 70}, {7000, 70000}, {65535, 655350}};
    for (const auto& C : Cases) {
        TGIFImage G;
        Load(G, Header() + Loop + GraphicControl(C.Delay, 1 | (2 << 2), 1) + TinyImage() + ";");
        TGIFFrame& F = *G.Frames[0];
        EXPECT_EQ(F.DelayMs, C.Ms);
        EXPECT_EQ(F.Disposal, 2);
        EXPECT_EQ(F.TransparentColour, clBlue);
        EXPECT_TRUE(G.LoopEnabled);
        EXPECT_EQ(G.LoopCount, 5);
        EXPECT_TRUE(G.GetTransparent());
        // Written back, the delay is the hundredths read.
        TGIFImage Again;
        Load(Again, Save(G));
        EXPECT_EQ(Again.Frames[0]->DelayMs, C.Ms) << C.Delay;
        EXPECT_EQ(Again.Frames[0]->TransparentColour, clBlue);
    }
}

TEST(GifImage, CommentAfterTheLastImageIsTheImageComment) {
    std::string Comment = std::string("!\xFE\x05hello\x00", 9);
    TGIFImage G;
    Load(G, Header("GIF87a") + TinyImage() + Comment + ";");
    ASSERT_EQ(G.GlobalData->CommentLines.Count(), 1);
    EXPECT_EQ(G.GlobalData->CommentLines[0], "hello");
    std::string Out = Save(G);
    EXPECT_EQ(Out.substr(0, 6), "GIF89a");  // a comment needs 89a
    EXPECT_EQ(Out.substr(Out.size() - 10), Comment + ";");
}

TEST(GifImage, EmptyImage) {
    TGIFImage G;
    EXPECT_TRUE(G.Empty());
    EXPECT_EQ(G.Width(), 0);
    TStringStream S;
    try {
        G.SaveToStream(S);
        FAIL() << "no exception";
    } catch (const EInvalidGraphicOperation& E) {
        EXPECT_EQ(E.Message, "No GIF Data to write");
    }
    EXPECT_THROW(G.SetWidth(3), EInvalidGraphicOperation);
}

TEST(GifImage, FormDataCountIsChecked) {
    std::string Gif = Header() + TinyImage() + ";";
    struct Case {
        int32_t Count;
        bool Loads;
    } Cases[] = {{static_cast<int32_t>(Gif.size()), true}, {static_cast<int32_t>(Gif.size()) + 1, false}, {-1, false}};
    for (const auto& C : Cases) {
        std::string Data(reinterpret_cast<const char*>(&C.Count), 4);
        TStringStream S(Data + Gif);
        TGIFImage G;
        bool Loaded = true;
        try {
            G.ReadData(S);
        } catch (const EReadError&) {
            Loaded = false;
        }
        EXPECT_EQ(Loaded, C.Loads) << C.Count;
    }
    TGIFImage G;
    Load(G, Gif);
    TStringStream Out;
    G.WriteData(Out);
    int32_t Count = 0;
    std::memcpy(&Count, Out.DataString().data(), 4);
    EXPECT_EQ(Count, static_cast<int32_t>(Out.DataString().size()) - 4);
}

TEST(GifImage, FramesFromBitmapsRoundTrip) {
    TGIFImage G;
    for (int Shift : {0, 1}) {
        TBitmap B(13, 7, pf24bit);
        for (int Y = 0; Y < 7; ++Y)
            for (int X = 0; X < 13; ++X) B.Canvas().SetPixel(X, Y, ((X + Y + Shift) % 3) ? clLime : clNavy);
        G.AppendFrame(&B);
    }
    EXPECT_EQ(G.GIFVersion, 2);
    G.Frames[1]->DelayMs = 120;
    G.LoopEnabled = true;
    G.LoopCount = 0;
    TGIFImage Back;
    Load(Back, Save(G));
    ASSERT_EQ(Back.GetCount(), 2);
    EXPECT_TRUE(Back.LoopEnabled);
    EXPECT_EQ(Back.LoopCount, 0);
    EXPECT_EQ(Back.Frames[1]->DelayMs, 120u);
    for (int F = 0; F < 2; ++F) {
        TBitmap* B = Back.Frames[F]->DecodedBitmap();
        for (int Y = 0; Y < 7; ++Y)
            for (int X = 0; X < 13; ++X)
                ASSERT_EQ(B->Canvas().Pixel(X, Y), ((X + Y + F) % 3) ? clLime : clNavy) << F << ": " << X << "," << Y;
    }
}

// ---- Exchanged with ImageMagick ---------------------------------------------------

bool HaveTool(const char* Cmd) { return std::system((std::string(Cmd) + " >/dev/null 2>&1").c_str()) == 0; }

std::string Temp(const std::string& Leaf) {
    return (std::filesystem::path(::testing::TempDir()) / (std::to_string(::getpid()) + "-gif-" + Leaf)).string();
}

std::string Capture(const std::string& Cmd) {
    std::string Out;
    if (FILE* P = ::popen((Cmd + " 2>/dev/null").c_str(), "r")) {
        char Buf[4096];
        size_t N;
        while ((N = fread(Buf, 1, sizeof Buf, P)) > 0) Out.append(Buf, N);
        ::pclose(P);
    }
    return Out;
}

// A PPM picture of W x H with Colours distinct colours in bands and noise.
void WritePPM(const std::string& Path, int W, int H, int Colours, int Seed) {
    std::mt19937 Rng(Seed);
    std::string Body;
    for (int I = 0; I < W * H; ++I) {
        int C = static_cast<int>(Rng() % Colours);
        Body += static_cast<char>(C * 97 % 256);
        Body += static_cast<char>(C * 31 % 256);
        Body += static_cast<char>(C * 57 % 256);
    }
    std::ofstream(Path, std::ios::binary) << "P6\n" << W << " " << H << "\n255\n" << Body;
}

// Compares every frame's decoded pixels with ImageMagick's reading of it.
void ExpectFramesMatch(const std::string& Gif, TGIFImage& G) {
    for (int F = 0; F < G.GetCount(); ++F) {
        TBitmap* B = G.Frames[F]->DecodedBitmap();
        std::string Rgba = Capture("convert '" + Gif + "[" + std::to_string(F) + "]' -depth 8 rgba:-");
        ASSERT_EQ(Rgba.size(), size_t(B->Width()) * B->Height() * 4) << Gif << " frame " << F;
        int Diffs = 0;
        for (int Y = 0; Y < B->Height(); ++Y)
            for (int X = 0; X < B->Width(); ++X) {
                const uint8_t* P = reinterpret_cast<const uint8_t*>(&Rgba[(size_t(Y) * B->Width() + X) * 4]);
                TColor C = B->Canvas().Pixel(X, Y);
                if (P[3] == 0) {
                    Diffs += C != G.Frames[F]->TransparentColour;
                } else {
                    Diffs += C != static_cast<TColor>(P[0] | (P[1] << 8) | (P[2] << 16));
                }
            }
        EXPECT_EQ(Diffs, 0) << Gif << " frame " << F;
    }
}

TEST(GifImage, ReadsWhatImageMagickWrites) {
    if (!HaveTool("convert -version")) GTEST_SKIP() << "ImageMagick is not installed";
    std::string A = Temp("a.ppm"), B = Temp("b.ppm");
    WritePPM(A, 41, 23, 200, 1);
    WritePPM(B, 41, 23, 200, 2);
    struct Case {
        const char* Name;
        std::string Settings, Operators;
        int Frames;
        uint32_t DelayMs;
        int Loop;
    } Cases[] = {
        {"2 colours", "", "-colors 2", 1, 0, -1},
        {"16 colours, interlaced", "-interlace GIF", "-colors 16", 1, 0, -1},
        {"256 colours", "", "-colors 256", 1, 0, -1},
        // "-loop 3" stores 2 in the file: the repeats after the first play.
        {"two frames, delays, loop 3", "-delay 7 -loop 3", "-colors 64", 2, 70, 2},
        {"transparency, background disposal", "-dispose Background", "-colors 32 -transparent black", 2, 0, -1},
    };
    for (const auto& C : Cases) {
        std::string Gif = Temp("im.gif");
        std::string Inputs = C.Frames == 1 ? "'" + A + "'" : "'" + A + "' '" + B + "'";
        ASSERT_EQ(std::system(("convert " + C.Settings + " " + Inputs + " " + C.Operators + " '" + Gif + "'").c_str()), 0)
            << C.Name;
        TGIFImage G;
        TFileStream S(Gif, fmOpenRead);
        G.LoadFromStream(S);
        ASSERT_EQ(G.GetCount(), C.Frames) << C.Name;
        if (C.Frames > 1) {
            EXPECT_EQ(G.Frames[1]->DelayMs, C.DelayMs) << C.Name;
        }
        if (C.Loop >= 0) {
            EXPECT_EQ(G.LoopCount, C.Loop) << C.Name;
        }
        ExpectFramesMatch(Gif, G);
        std::filesystem::remove(Gif);
    }
    std::filesystem::remove(A);
    std::filesystem::remove(B);
}

TEST(GifImage, ImageMagickReadsWhatWeWrite) {
    if (!HaveTool("convert -version")) GTEST_SKIP() << "ImageMagick is not installed";
    TGIFImage G;
    std::mt19937 Rng(9);
    for (int F = 0; F < 3; ++F) {
        TBitmap B(37, 19, pf24bit);
        for (int Y = 0; Y < 19; ++Y)
            for (int X = 0; X < 37; ++X)
                B.Canvas().SetPixel(X, Y, static_cast<TColor>((Rng() % 6) * 0x330000 + F * 0x20 + (X % 4) * 0x3300));
        G.AppendFrame(&B);
        G.Frames[F]->DelayMs = 50 * (F + 1);
    }
    G.LoopEnabled = true;
    G.LoopCount = 2;
    G.GlobalData->CommentLines.Add("made by a test");
    std::string Gif = Temp("ours.gif");
    {
        TFileStream S(Gif, fmCreate);
        G.SaveToStream(S);
    }
    EXPECT_EQ(std::system(("identify -regard-warnings '" + Gif + "' >/dev/null 2>&1").c_str()), 0);
    EXPECT_EQ(Capture("identify -format '%T,' '" + Gif + "'"), "5,10,15,");
    TGIFImage Back;
    TFileStream In(Gif, fmOpenRead);
    Back.LoadFromStream(In);
    ExpectFramesMatch(Gif, Back);
    std::filesystem::remove(Gif);
}


// ---- Conformance with giflib's tools and ImageMagick ------------------------------

// Four frames over a 6 x 4 screen: a full opaque first frame, then an interlaced
// frame with a local table and transparency, disposals 0-3, a delay past 6553
// hundredths and a loop block.
const char* const GifbuildSpec = R"(screen width 6
screen height 4
screen colors 4
screen background 0

screen map
	rgb 000 000 000 is a
	rgb 255 000 000 is b
	rgb 000 255 000 is c
	rgb 000 000 255 is d
end

netscape loop 5

graphics control
	disposal mode 1
	delay 7
	transparent index -1
end

image
image left 0
image top 0
image bits 6 by 4
abcdab
bcdabc
cdabcd
dabcda

graphics control
	disposal mode 2
	delay 250
	transparent index 0
end

image
image left 1
image top 1
image interlaced
image map
	rgb 010 020 030 is e
	rgb 255 255 000 is f
end
image bits 3 by 2
eff
ffe

graphics control
	disposal mode 3
	delay 0
	transparent index -1
end

image
image left 2
image top 0
image bits 2 by 4
dd
cc
bb
aa

graphics control
	disposal mode 0
	delay 7000
	transparent index 3
end

image
image left 0
image top 2
image bits 6 by 2
ddbbdd
ccdddd
)";

std::vector<std::string> Split(const std::string& Text, char Sep) {
    std::vector<std::string> Out;
    std::string Cur;
    for (char C : Text) {
        if (C == Sep) {
            Out.push_back(Cur);
            Cur.clear();
        } else {
            Cur += C;
        }
    }
    if (!Cur.empty()) Out.push_back(Cur);
    return Out;
}

TEST(GifConformance, GifbuildFramesTimingAndCompositionAgreeWithImageMagick) {
    if (!HaveTool("gifbuild -h") && !HaveTool("command -v gifbuild")) GTEST_SKIP() << "giflib's tools are not installed";
    if (!HaveTool("convert -version")) GTEST_SKIP() << "ImageMagick is not installed";
    const std::string Spec = Temp("spec.txt"), Gif = Temp("built.gif");
    {
        std::ofstream O(Spec);
        O << GifbuildSpec;
    }
    ASSERT_EQ(std::system(("gifbuild '" + Spec + "' > '" + Gif + "'").c_str()), 0);
    TGIFImage G;
    {
        TFileStream S(Gif, fmOpenRead);
        G.LoadFromStream(S);
    }
    ASSERT_EQ(G.GetCount(), 4);
    // Delays and disposals as identify reads them; the delay of 7000 hundredths
    // stays 70 seconds instead of wrapping in 16 bits.
    const std::vector<std::string> Frames = Split(Capture("identify -format '%T %D|' '" + Gif + "'"), '|');
    ASSERT_EQ(Frames.size(), 4u);
    const char* const Disposals[] = {"Undefined", "None", "Background", "Previous"};
    const uint32_t Delays[] = {70, 2500, 0, 70000};
    for (int F = 0; F < 4; ++F) {
        EXPECT_EQ(G.Frames[F]->DelayMs, Delays[F]) << F;
        EXPECT_EQ(Frames[F], std::to_string(G.Frames[F]->DelayMs / 10) + " " + Disposals[G.Frames[F]->Disposal]) << F;
    }
    EXPECT_EQ(G.Frames[1]->Disposal, 2);
    EXPECT_TRUE(G.Frames[1]->IsInterlaced);
    EXPECT_TRUE(G.Frames[1]->HasLocalColours);
    // ImageMagick counts the first play: 5 repeats are 6 iterations.
    EXPECT_TRUE(G.LoopEnabled);
    EXPECT_EQ(G.LoopCount, 5);
    EXPECT_NE(Capture("identify -verbose '" + Gif + "'").find("Iterations: 6"), std::string::npos);
    ExpectFramesMatch(Gif, G);

    // Composed frames against -coalesce: the first frame covers the screen opaquely.
    TAgGIFAnimator A(nullptr);
    {
        TFileStream S(Gif, fmOpenRead);
        A.Image().LoadFromStream(S);
    }
    const std::string All = Capture("convert '" + Gif + "' -coalesce -depth 8 rgba:-");
    ASSERT_EQ(All.size(), 4u * 6 * 4 * 4);
    for (int F = 0; F < 4; ++F) {
        TColor T;
        TBitmap* B = A.ComposeFrame(F, T);
        ASSERT_NE(B, nullptr);
        ASSERT_EQ(B->Width(), 6);
        ASSERT_EQ(B->Height(), 4);
        int Diffs = 0;
        for (int Y = 0; Y < 4; ++Y)
            for (int X = 0; X < 6; ++X) {
                const auto* P = reinterpret_cast<const uint8_t*>(&All[((size_t(F) * 4 + Y) * 6 + X) * 4]);
                const TColor C = B->Canvas().Pixel(X, Y);
                // A cleared pixel shows the background (ImageMagick: clear).
                const bool Differs =
                    P[3] == 0 ? C != T && C != A.Image().GetBackgroundColor() && C != clBlack
                              : C != static_cast<TColor>(P[0] | (P[1] << 8) | (P[2] << 16));
                if (Differs)
                    ADD_FAILURE() << "frame " << F << " (" << X << "," << Y << ") ours " << std::hex << C << " theirs "
                                  << int(P[0]) << "," << int(P[1]) << "," << int(P[2]) << "," << int(P[3]);
                Diffs += Differs;
            }
        EXPECT_EQ(Diffs, 0) << "composed frame " << F;
    }
    std::filesystem::remove(Spec);
    std::filesystem::remove(Gif);
}

TEST(GifConformance, OurGifsPassImageMagickAndShowTheirBlocksToGiftext) {
    if (!HaveTool("convert -version")) GTEST_SKIP() << "ImageMagick is not installed";
    if (!HaveTool("command -v giftext")) GTEST_SKIP() << "giflib's tools are not installed";
    std::mt19937 Rng(5);
    struct Case {
        const char* Name;
        TPixelFormat Format;
        bool Grey;
    } Cases[] = {{"1-bit", pf1bit, false},       {"4-bit", pf4bit, false},         {"8-bit", pf8bit, false},
                 {"24-bit by popularity", pf24bit, false}, {"24-bit as grey", pf24bit, true}};
    for (const auto& C : Cases) {
        TBitmap B(29, 17, pf24bit);
        for (int Y = 0; Y < 17; ++Y)
            for (int X = 0; X < 29; ++X)
                B.Canvas().SetPixel(X, Y, static_cast<TColor>((Rng() % 5) * 0x3F0000 + (X * 9) * 0x100 + Y * 15));
        if (C.Format != pf24bit) B.SetPixelFormat(C.Format);
        TGIFImage G;
        G.AppendFrame(&B);
        G.AppendFrame(&B);
        G.Frames[0]->IsGreyScale = G.Frames[1]->IsGreyScale = C.Grey;
        G.Frames[1]->DelayMs = 120;
        G.Frames[1]->Disposal = 2;
        G.LoopEnabled = true;
        G.LoopCount = 0;
        G.GlobalData->CommentLines.Add("conformance");
        const std::string Gif = Temp("ours-conf.gif");
        {
            TFileStream S(Gif, fmCreate);
            G.SaveToStream(S);
        }
        EXPECT_EQ(std::system(("identify -regard-warnings '" + Gif + "' >/dev/null 2>&1").c_str()), 0) << C.Name;
        TGIFImage Back;
        {
            TFileStream In(Gif, fmOpenRead);
            Back.LoadFromStream(In);
        }
        ASSERT_EQ(Back.GetCount(), 2) << C.Name;
        ExpectFramesMatch(Gif, Back);
        // What was written is what the source looked like, through its palette.
        TBitmap* F0 = Back.Frames[0]->DecodedBitmap();
        if (C.Format != pf24bit)
            for (int Y = 0; Y < 17; Y += 4)
                for (int X = 0; X < 29; X += 5) EXPECT_EQ(F0->Canvas().Pixel(X, Y), B.Canvas().Pixel(X, Y)) << C.Name;
        if (C.Grey) {
            const TColor P = F0->Canvas().Pixel(3, 3);
            EXPECT_EQ(P & 0xFF, (P >> 8) & 0xFF) << C.Name;
            EXPECT_EQ(P & 0xFF, (P >> 16) & 0xFF) << C.Name;
        }
        const std::string Text = Capture("giftext '" + Gif + "'");
        EXPECT_NE(Text.find("GIF89 application block"), std::string::npos) << C.Name;
        EXPECT_NE(Text.find("GIF89 comment (Ext Code = 254"), std::string::npos) << C.Name;
        EXPECT_NE(Text.find("DelayTime: 12"), std::string::npos) << C.Name;
        EXPECT_NE(Text.find("Disposal Mode: 2"), std::string::npos) << C.Name;
        // giftext names the blocks; their texts are in the file.
        std::ifstream Raw(Gif, std::ios::binary);
        const std::string Bytes((std::istreambuf_iterator<char>(Raw)), std::istreambuf_iterator<char>());
        EXPECT_NE(Bytes.find("NETSCAPE2.0"), std::string::npos) << C.Name;
        EXPECT_NE(Bytes.find("conformance"), std::string::npos) << C.Name;
        EXPECT_NE(Text.find("GIF file terminated normally"), std::string::npos) << C.Name;
        std::filesystem::remove(Gif);
    }
}

}  // namespace

namespace {

// Puts a global block of Bytes on the open clipboard.
void PutBlock(UINT Format, const std::string& Bytes) {
    HGLOBAL B = WinGlobalAlloc(Bytes.size());
    std::memcpy(WinGlobalLock(B), Bytes.data(), Bytes.size());
    ASSERT_TRUE(SetClipboardData(Format, B));
}

TEST(GifClipboard, RoundTripThroughTheClipboardAndThePictureClass) {
    RegisterAgGIF();
    ASSERT_NE(CF_GIF, 0u);
    EXPECT_TRUE(TPicture::SupportsClipboardFormat(CF_GIF));
    EXPECT_TRUE(TPicture::SupportsClipboardFormat(CF_DIB));
    TGIFImage G;
    Load(G, Header() + GraphicControl(7) + TinyImage() + TinyImage() + ";");
    ASSERT_EQ(G.GetCount(), 2);

    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    UINT Format = 0;
    HANDLE Data = nullptr;
    HPALETTE Palette = nullptr;
    G.SaveToClipboardFormat(Format, Data, Palette);
    EXPECT_EQ(Format, static_cast<UINT>(CF_DIB));
    ASSERT_TRUE(SetClipboardData(Format, Data));
    CloseClipboard();

    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_GIF));
    TPicture P;
    P.LoadFromClipboardFormat(CF_GIF, GetClipboardData(CF_GIF), nullptr);
    auto* Back = dynamic_cast<TGIFImage*>(P.Graphic());
    ASSERT_NE(Back, nullptr);
    EXPECT_EQ(Back->GetCount(), 2);
    EXPECT_EQ(Back->CurrentFrame, 0);
    EXPECT_EQ(Back->Frames[0]->DelayMs, 70u);
    EXPECT_EQ(Save(*Back), Save(G));
    TBitmap* First = Back->Frames[0]->DecodedBitmap();
    ASSERT_NE(First, nullptr);
    EXPECT_EQ(First->Canvas().Pixel(0, 0), clRed);
    EXPECT_EQ(First->Canvas().Pixel(1, 0), clBlue);
    // The bitmap alone, as any bitmap reader takes it.
    TPicture Dib;
    Dib.LoadFromClipboardFormat(CF_DIB, GetClipboardData(CF_DIB), nullptr);
    ASSERT_NE(dynamic_cast<TBitmap*>(Dib.Graphic()), nullptr);
    EXPECT_EQ(static_cast<TBitmap*>(Dib.Graphic())->Canvas().Pixel(0, 1), clBlue);
    CloseClipboard();

    // Frames made from bitmaps have no LZW data yet: only the bitmap goes out.
    TGIFImage Made;
    TBitmap B(3, 2, pf24bit);
    B.Canvas().Brush().SetColor(clLime);
    B.Canvas().FillRect(TRect(0, 0, 3, 2));
    Made.Assign(&B);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    Made.SaveToClipboardFormat(Format, Data, Palette);
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_GIF));
    WinGlobalFree(static_cast<HGLOBAL>(Data));
    CloseClipboard();
    TGIFImage Empty;
    EXPECT_THROW(Empty.SaveToClipboardFormat(Format, Data, Palette), EInvalidGraphicOperation);
}

TEST(GifClipboard, CountsBeyondTheDataAndForeignFormatsAreRefused) {
    RegisterAgGIF();
    const std::string Gif = Header() + TinyImage() + ";";
    struct Case {
        int32_t Count;
        bool Loads;
    } Cases[] = {{static_cast<int32_t>(Gif.size()), true}, {static_cast<int32_t>(Gif.size()) + 1, false},
                 {0x7FFFFFFF, false}, {-1, false}};
    for (const auto& C : Cases) {
        ASSERT_TRUE(OpenClipboard(nullptr));
        EmptyClipboard();
        PutBlock(CF_GIF, std::string(reinterpret_cast<const char*>(&C.Count), 4) + Gif);
        TGIFImage G;
        if (C.Loads) {
            G.LoadFromClipboardFormat(CF_GIF, GetClipboardData(CF_GIF), nullptr);
            EXPECT_EQ(G.GetCount(), 1);
        } else {
            EXPECT_ANY_THROW(G.LoadFromClipboardFormat(CF_GIF, GetClipboardData(CF_GIF), nullptr)) << C.Count;
        }
        CloseClipboard();
    }
    TPicture P;
    EXPECT_THROW(P.LoadFromClipboardFormat(0xC999, nullptr, nullptr), EInvalidGraphic);
}

}  // namespace
