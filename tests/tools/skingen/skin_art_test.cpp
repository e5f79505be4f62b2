// Our own skin as the generator draws it: the description names exactly the
// drawn bitmaps, every strip divides into the frames its part is read with,
// the shipped skin has the sections and shapes the engine relies on, the
// variants differ where they should, and the whole goes through the container
// and back unchanged.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <set>

#include "platform/classlib/graphics.h"
#include "platform/rtl/classes.h"
#include "skin/skin_ini.h"
#include "skin/skin_reader.h"
#include "tools/skingen/skin_art.h"
#include "tools/skingen/skin_container_writer.h"

namespace {

struct TSkin {
    std::map<std::string, std::vector<uint8_t>> Files;
    std::unique_ptr<TQuickIni> Ini;
    std::vector<std::string> Sections;

    explicit TSkin(const TSkinVariant& V) {
        for (auto& E : DrawSkin(V)) Files[E.Name] = E.Data;
        Ini = std::make_unique<TQuickIni>();
        TMemoryStream M;
        const auto& Text = Files.at("skin.ini");
        M.WriteBuffer(Text.data(), static_cast<int64_t>(Text.size()));
        M.SetPosition(0);
        Ini->LoadFromStream(&M);
        TStringList L;
        Ini->ReadSections(&L);
        for (int I = 0; I < L.Count(); ++I) Sections.push_back(L[I]);
    }
    bool Has(const std::string& Section) const {
        for (const auto& S : Sections)
            if (S == Section) return true;
        return false;
    }
    std::string Value(const std::string& Section, const std::string& Key) { return Ini->ReadString(Section, Key, ""); }
    // The bitmap a key names, loaded as the engine loads it.
    std::unique_ptr<TBitmap> Image(const std::string& Section, const std::string& Key) {
        std::string Name = Value(Section, Key);
        auto It = Files.find(Name);
        if (It == Files.end()) return nullptr;
        TMemoryStream M;
        M.WriteBuffer(It->second.data(), static_cast<int64_t>(It->second.size()));
        M.SetPosition(0);
        auto B = std::make_unique<TBitmap>();
        B->LoadFromStream(M);
        return B;
    }
};

uint32_t Rgb(TBitmap& B, int X, int Y) {
    auto* P = static_cast<uint8_t*>(B.ScanLine(Y)) + 3 * X;
    return static_cast<uint32_t>(P[2]) << 16 | static_cast<uint32_t>(P[1]) << 8 | P[0];
}

TEST(SkinArt, DescriptionNamesExactlyTheDrawnBitmaps) {
    for (const auto& V : SkinVariants()) {
        SCOPED_TRACE(V.Name);
        TSkin S(V);
        const auto& Text = S.Files.at("skin.ini");
        std::string T(Text.begin(), Text.end());
        for (size_t I = 0; I < T.size(); ++I) {
            if (T[I] == '\n') {
                ASSERT_TRUE(I > 0 && T[I - 1] == '\r') << "line ending at " << I;
            }
        }
        std::set<std::string> Named;
        for (const auto& Line : S.Ini->Lines()) {
            auto Eq = Line.find('=');
            if (Eq == std::string::npos) continue;
            std::string Val = Line.substr(Eq + 1);
            if (Val.size() > 4 && Val.compare(Val.size() - 4, 4, ".bmp") == 0) {
                EXPECT_TRUE(S.Files.count(Val)) << Val;
                Named.insert(Val);
            }
        }
        for (const auto& [Name, Data] : S.Files) {
            if (Name == "skin.ini") continue;
            EXPECT_TRUE(Named.count(Name)) << Name << " is drawn but not named";
            for (char C : Name) EXPECT_FALSE(C >= 'A' && C <= 'Z') << Name;
            EXPECT_EQ(Name.substr(Name.size() - 4), ".bmp");
        }
        // The same bytes on every run.
        auto Again = DrawSkin(V);
        for (const auto& E : Again) EXPECT_EQ(E.Data, S.Files.at(E.Name)) << E.Name;
    }
}

TEST(SkinArt, EveryStripDividesIntoItsFrames) {
    struct TCase {
        const char* Section;
        const char* Key;
        int Frames;
        bool Stacked;
    };
    const TCase Cases[] = {
        {"Progress", "Bitmap", 2, false},          {"Progress.Chunk", "Image", 1, false},
        {"Personality", "menuBar", 2, true},       {"GroupBoxEdge", "Image", 2, false},
        {"GroupBox", "Image", 1, false},           {"Tabs", "Image", 5, false},
        {"StatusBarEdges", "Image", 3, false},     {"Tab.Pane", "Image", 1, false},
        {"ToolBars", "Image", 5, false},           {"ComboButton", "Image", 4, false},
        {"SunkEdge", "Image", 4, false},           {"ExtraImages", "Image", 5, false},
        {"Headerbar", "Image", 5, false},          {"MenuItem", "Image", 5, false},
        {"MenuBackground", "Image", 1, false},     {"Scrollbar", "Image", 23, false},
        {"HorzScroll", "Image", 4, false},         {"VertScroll", "Image", 4, false},
        {"HorzScrollThumb", "Image", 3, false},    {"VertScrollThumb", "Image", 3, false},
        {"Trackbar.ThumbHorz", "Image", 5, false}, {"Trackbar.ThumbVert", "Image", 5, false},
        {"Trackbar.ThumbLeft", "Image", 5, false}, {"Trackbar.ThumbRight", "Image", 5, false},
        {"Trackbar.ThumbUp", "Image", 5, false},   {"Trackbar.ThumbDown", "Image", 5, false},
        {"UpDown.Horz", "Image", 8, false},        {"UpDown.Vert", "Image", 8, false},
        {"UpDown.Horz", "GlyphImage", 8, false},   {"UpDown.Vert", "GlyphImage", 8, false},
        {"Buttons", "Bitmap", 5, false},           {"Buttons", "CheckButton", 4, false},
        {"Buttons", "RadioButton", 4, false},      {"MDICONTROLS", "Image", 12, false},
        {"Personality", "Left", 2, false},         {"Personality", "Right", 2, false},
        {"Personality", "Top", 2, true},           {"Personality", "Bottom", 2, true},
        {"Personality", "TextBack", 2, true},
    };
    TSkin S(SkinVariants()[0]);
    for (const auto& C : Cases) {
        SCOPED_TRACE(std::string(C.Section) + " " + C.Key);
        auto B = S.Image(C.Section, C.Key);
        ASSERT_NE(B, nullptr);
        EXPECT_EQ(B->PixelFormat(), pf24bit);
        int Along = C.Stacked ? B->Height() : B->Width();
        EXPECT_GT(Along, 0);
        EXPECT_EQ(Along % C.Frames, 0) << Along;
    }
    // The check and radio strips are below 16 high, so their frames are 13 wide: 4 of them.
    EXPECT_EQ(S.Image("Buttons", "CheckButton")->Height(), 13);
    EXPECT_EQ(S.Image("Buttons", "CheckButton")->Width() / 13, 4);
}

TEST(SkinArt, ShippedSkinHasTheSectionsAndShapesTheEngineUses) {
    TSkin S(SkinVariants()[0]);
    // Every section the engine reads except Track and TRACKVERT, whose
    // built-in pictures are then used.
    for (const char* Name :
         {"Progress", "Progress.Chunk", "Personality", "GroupBoxEdge", "GroupBox", "Tabs", "StatusBarEdges",
          "Tab.Pane", "ToolBars", "ComboButton", "SunkEdge", "ExtraImages", "Headerbar", "MenuItem",
          "MenuBackground", "Scrollbar", "HorzScroll", "VertScroll", "HorzScrollThumb", "VertScrollThumb",
          "Trackbar.ThumbHorz", "Trackbar.ThumbVert", "Trackbar.ThumbLeft", "Trackbar.ThumbRight",
          "Trackbar.ThumbUp", "Trackbar.ThumbDown", "UpDown.Horz", "UpDown.Vert", "Buttons", "Colours", "Fonts",
          "MDICONTROLS", "Button0", "Button1", "Button2", "Button3", "Button4"})
        EXPECT_TRUE(S.Has(Name)) << Name;
    EXPECT_FALSE(S.Has("Track"));
    EXPECT_FALSE(S.Has("TRACKVERT"));

    // Five title-bar buttons: their sizes give the frame-count rule's cases.
    struct TButton {
        const char* Section;
        int Action, W, H;
        const char* Frame;
    };
    for (const TButton B : {TButton{"Button0", 0, 48, 14, ""}, TButton{"Button1", 1, 64, 14, "4"},
                            TButton{"Button2", 2, 40, 14, ""}, TButton{"Button3", 5, 84, 14, ""}}) {
        SCOPED_TRACE(B.Section);
        EXPECT_EQ(S.Ini->ReadInteger(B.Section, "Action", -99), B.Action);
        auto Img = S.Image(B.Section, "ButtonImage");
        ASSERT_NE(Img, nullptr);
        EXPECT_EQ(Img->Width(), B.W);
        EXPECT_EQ(Img->Height(), B.H);
        EXPECT_EQ(S.Value(B.Section, "frame"), B.Frame);
    }
    EXPECT_EQ(S.Ini->ReadInteger("Button4", "Action", -99), 3);  // the window icon
    EXPECT_EQ(S.Value("Button4", "ButtonImage"), "");
    for (int I = 0; I < 5; ++I) EXPECT_NE(S.Ini->ReadInteger("Button" + std::to_string(I), "Action", 0), 4);

    // Borders keyed: the window's corners are cut in the side borders, whose
    // unstretched top and bottom ends hold the title's slice and the bottom
    // corner; the bands between them have no key at all.
    for (const char* Side : {"Left", "Right", "Top", "Bottom"})
        EXPECT_EQ(S.Value("Personality", std::string(Side) + "Trans"), "1") << Side;
    auto Top = S.Image("Personality", "Top");
    auto Bottom = S.Image("Personality", "Bottom");
    const int TH = Top->Height() / 2;
    for (TBitmap* B : {Top.get(), Bottom.get()})
        for (int Y = 0; Y < B->Height(); ++Y)
            for (int X = 0; X < B->Width(); ++X) ASSERT_NE(Rgb(*B, X, Y), 0xFF00FFu) << X << "," << Y;
    for (const char* Side : {"Left", "Right"}) {
        SCOPED_TRACE(Side);
        auto B = S.Image("Personality", Side);
        const int FW = B->Width() / 2, H = B->Height();
        const int TopEnd = S.Ini->ReadInteger("Personality", std::string(Side) + "TopHeight", 0);
        const int BottomEnd = S.Ini->ReadInteger("Personality", std::string(Side) + "BotHeight", 0);
        EXPECT_EQ(TopEnd, TH);
        EXPECT_EQ(BottomEnd, Bottom->Height() / 2);
        EXPECT_GT(H, TopEnd + BottomEnd);
        for (int F = 0; F < 2; ++F) {
            const int Outer = std::string(Side) == "Left" ? F * FW : F * FW + FW - 1;
            const int Inner = std::string(Side) == "Left" ? F * FW + FW - 1 : F * FW;
            EXPECT_EQ(Rgb(*B, Outer, 0), 0xFF00FFu);
            EXPECT_EQ(Rgb(*B, Outer, H - 1), 0xFF00FFu);
            EXPECT_NE(Rgb(*B, Inner, H - 1), 0xFF00FFu);
            // The title's slice continues the Top border's rows below the curve.
            for (int Y = 2; Y < TH; ++Y) EXPECT_EQ(Rgb(*B, Inner, Y), Rgb(*Top, 0, F * TH + Y)) << Y;
            for (int Y = TopEnd; Y < H - BottomEnd; ++Y) EXPECT_NE(Rgb(*B, Outer, Y), 0xFF00FFu) << Y;
        }
    }
    // Parts drawn at the title's or the bar's height have frames of that
    // height, so their keyed pixels are never stretched into their neighbours.
    EXPECT_EQ(S.Image("Personality", "TextBack")->Height(), 2 * TH);
    EXPECT_EQ(S.Image("Personality", "menuBar")->Height(), 2 * 19);  // the system's menu-bar height
    // Text background, fonts and colours.
    EXPECT_EQ(S.Value("Personality", "Textbackground"), "1");
    EXPECT_NE(S.Value("Personality", "TextBack"), "");
    EXPECT_EQ(S.Ini->ReadInteger("Fonts", "FontHeight", 0), 14);
    EXPECT_EQ(S.Value("Colours", "ButtonFace"), "216 220 228");
}

TEST(SkinArt, VariantsDifferWhereTheTestsNeedThem) {
    auto V = SkinVariants();
    ASSERT_EQ(V.size(), 6u);
    TSkin Main(V[0]), Colours(V[1]), NoSunk(V[2]), Flat(V[3]), Top0(V[4]), Opaque(V[5]);
    EXPECT_NE(Colours.Value("Colours", "ButtonFace"), Main.Value("Colours", "ButtonFace"));
    EXPECT_EQ(Colours.Image("Personality", "Left")->Width(), 2 * 6);
    EXPECT_EQ(Main.Image("Personality", "Left")->Width(), 2 * 4);
    EXPECT_NE(Colours.Image("Personality", "Top")->Height(), Main.Image("Personality", "Top")->Height());
    EXPECT_FALSE(NoSunk.Has("SunkEdge"));
    EXPECT_FALSE(NoSunk.Files.count("sunkedge.bmp"));
    EXPECT_TRUE(NoSunk.Has("ComboButton"));
    EXPECT_EQ(Flat.Value("ComboButton", "Style"), "1");
    EXPECT_EQ(Main.Value("ComboButton", "Style"), "0");
    EXPECT_EQ(Top0.Value("Personality", "TopFrame"), "0");
    EXPECT_EQ(Main.Value("Personality", "TopFrame"), "2");
    for (const char* Border : {"LeftTrans", "RightTrans", "TopTrans", "BottomTrans"}) {
        EXPECT_EQ(Opaque.Value("Personality", Border), "0") << Border;
        EXPECT_EQ(Main.Value("Personality", Border), "1") << Border;
    }
}

TEST(SkinArt, ContainerRoundTripKeepsEveryEntry) {
    for (const auto& V : SkinVariants()) {
        SCOPED_TRACE(V.Name);
        auto Entries = DrawSkin(V);
        auto File = WriteSkinFile(Entries);
        TMemoryStream M;
        M.WriteBuffer(File.data(), static_cast<int64_t>(File.size()));
        M.SetPosition(0);
        TSkinReader R;
        ASSERT_TRUE(R.LoadFromStream(M));
        EXPECT_EQ(R.Version(), 40000);
        ASSERT_EQ(R.Count(), static_cast<int>(Entries.size()));
        for (const auto& E : Entries) {
            TMemoryStream Out;
            R.ExtractFile(E.Name, Out);
            ASSERT_EQ(Out.Size(), static_cast<int64_t>(E.Data.size())) << E.Name;
            EXPECT_EQ(0, std::memcmp(Out.Memory(), E.Data.data(), E.Data.size())) << E.Name;
        }
        TMemoryStream IniOut;
        std::string Name;
        R.FindFileContaining(".ini", IniOut, Name);
        EXPECT_EQ(Name, "skin.ini");
    }
}

}  // namespace
