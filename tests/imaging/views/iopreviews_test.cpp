// The save-parameters dialog, headless: pages chosen for the record, and what
// scripted edits, OK, Apply and Cancel leave in the record.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/bitmaps/iepalettedlg.h"
#include "imaging/io/ieformats.h"
#include "imaging/io/ieimageio.h"
#include "imaging/views/ieimageview.h"
#include "imaging/views/iopreviews.h"
#include "platform/classlib/testhooks.h"
#include "platform/commctl/colordlg.h"
#include "tests/controls/golden_png.h"

namespace {

class Env : public ::testing::Environment {
public:
    void SetUp() override {
        TestHooks::Start();
        IEIOStartup();
        IEViewsStartup();
        RegisterImageViews();
        TestHooks::SetModalWatchdog(20000);
    }
    void TearDown() override {
        IEViewsShutdown();
        IEIOShutdown();
        TestHooks::Stop();
    }
};
const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new Env);

// A component with a small picture of smooth colours.
struct TSource {
    TIEImageIO IO;
    TSource() {
        TIEBitmap* B = IO.IEBitmap();
        B->Allocate(48, 32, ieRGB24);
        for (int Y = 0; Y < 32; ++Y)
            for (int X = 0; X < 48; ++X) {
                TRGB* P = reinterpret_cast<TRGB*>(B->Scanline(Y)) + X;
                *P = TRGB{uint8_t(X * 5), uint8_t(Y * 7), uint8_t((X + Y) * 3)};
            }
    }
};

TfIOPreviews* Dialog(TCustomForm* F) { return dynamic_cast<TfIOPreviews*>(F); }

void SetEdit(TEdit* E, const std::string& Text) { E->SetText(Text); }

// A click as the user makes it, handled before the next step.
void Press(TControl* C) {
    TestHooks::Click(C);
    TestHooks::PumpPending();
}

// Runs DoPreviews; Act edits the shown dialog (active) and chooses how it closes.
bool RunDialog(TIEImageIO& IO, uint16_t Pages, const std::function<void(TfIOPreviews&)>& Act) {
    TestHooks::OnNextModal([&](TCustomForm* F) {
        TfIOPreviews* D = Dialog(F);
        ASSERT_NE(D, nullptr);
        EXPECT_TRUE(TestHooks::PumpUntil([&] { return D->Activated; }, 5000, "the dialog's activation"));
        Act(*D);
        TestHooks::PumpPending();
        if (F->ModalResult == mrNone) F->ModalResult = mrCancel;
    });
    return IO.DoPreviews(Pages);
}

void ClickOK(TfIOPreviews& D) {
    TestHooks::Click(D.Button1);  // closes: awaited below
    TestHooks::PumpUntil([&] { return D.ModalResult != mrNone; }, 3000, "OK closing the dialog");
}

}  // namespace

TEST(IOPreviews, PagesAskedForAndActivePage) {
    struct Case {
        uint16_t Pages;
        int32_t FileType;
        bool Simplified;
        bool Shown;
        const char* Active;  // page shown first
        std::vector<const char*> Tabs;
    };
    const Case Cases[] = {
        {ppAuto, ioPNG, false, true, "TabSheetPNG1", {"TabSheetPNG1"}},
        {ppAll, ioTIFF, false, true, "TabSheetTIFF1",
         {"TabSheetJPEG1", "TabSheetTIFF1", "TabSheetGIF1", "TabSheetBMP1", "TabSheetPCX1", "TabSheetPNG1",
          "TabSheetTGA1", "TabSheetJ20001"}},
        {ppAll, ioTIFF, true, true, "TabSheetTIFF2",
         {"TabSheetJPEG2", "TabSheetTIFF2", "TabSheetGIF2", "TabSheetBMP1", "TabSheetPCX1", "TabSheetPNG1",
          "TabSheetTGA1", "TabSheetJ20001"}},
        {ppAuto, ioJP2, true, true, "TabSheetJ20001", {"TabSheetJ20001"}},
        {ppGIF | ppBMP, ioBMP, false, true, "TabSheetBMP1", {"TabSheetGIF1", "TabSheetBMP1"}},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE("pages " + std::to_string(C.Pages) + " type " + std::to_string(C.FileType));
        TSource S;
        S.IO.Params->FileType = C.FileType;
        S.IO.SimplifiedParamsDialogs = C.Simplified;
        std::string Active;
        std::vector<std::string> Tabs;
        const bool R = RunDialog(S.IO, C.Pages, [&](TfIOPreviews& D) {
            Active = D.PageControl1->ActivePage()->Name();
            for (int I = 0; I < D.PageControl1->PageCount(); ++I)
                if (D.PageControl1->Pages(I)->TabVisible) Tabs.push_back(D.PageControl1->Pages(I)->Name());
        });
        EXPECT_FALSE(R);
        EXPECT_EQ(Active, C.Active);
        EXPECT_EQ(Tabs, std::vector<std::string>(C.Tabs.begin(), C.Tabs.end()));
    }
}

TEST(IOPreviews, NoPageForTheFileTypeShowsNoDialog) {
    TSource S;
    S.IO.Params->FileType = ioPXM;
    const size_t FailuresBefore = TestHooks::Failures().size();
    EXPECT_FALSE(S.IO.DoPreviews(ppAuto));
    // No modal form was left for the watchdog to close.
    EXPECT_EQ(TestHooks::Failures().size(), FailuresBefore);
}

TEST(IOPreviews, TIFFCompressionListsWithAndWithoutLZW) {
    const TTIFFLZWCompFunc Saved = DefaultTIFFLZWCompressor;
    ASSERT_NE(Saved, nullptr);
    struct Row { int Code, WithLzw, WithoutLzw; };
    const Row Rows[] = {{0, 0, 0}, {1, 1, 1}, {4, 4, 4}, {5, 5, 6}, {7, 6, 5}, {8, 7, 6}, {6, 0, 0}, {99, 0, 0}};
    for (const Row& R : Rows) {
        DefaultTIFFLZWCompressor = Saved;
        EXPECT_EQ(TfIOPreviews::CompressionToIndex(R.Code), R.WithLzw) << R.Code;
        DefaultTIFFLZWCompressor = nullptr;
        EXPECT_EQ(TfIOPreviews::CompressionToIndex(R.Code), R.WithoutLzw) << R.Code;
    }
    struct Back { int Index, WithLzw, WithoutLzw; };
    const Back Backs[] = {{0, 0, 0}, {3, 3, 3}, {5, 5, 7}, {6, 7, 8}, {7, 8, 0}, {-1, 0, 0}, {9, 0, 0}};
    for (const Back& B : Backs) {
        DefaultTIFFLZWCompressor = Saved;
        EXPECT_EQ(TfIOPreviews::IndexToCompression(B.Index), B.WithLzw) << B.Index;
        DefaultTIFFLZWCompressor = nullptr;
        EXPECT_EQ(TfIOPreviews::IndexToCompression(B.Index), B.WithoutLzw) << B.Index;
    }
    DefaultTIFFLZWCompressor = Saved;
}

// Edits on one page and OK: the record holds the page's options and file type.
TEST(IOPreviews, EditsReachTheRecordOnOK) {
    struct Case {
        const char* What;
        int32_t FileType;
        bool Simplified;
        std::function<void(TIOParamsVals&)> Before;
        std::function<void(TfIOPreviews&)> Edit;
        std::function<void(const TIOParamsVals&, TfIOPreviews&)> Check;
    };
    const std::vector<Case> Cases = {
        {"quality above the range stops at 100", ioJPEG, false, [](TIOParamsVals& P) { P.JPEGQuality = 80; },
         [](TfIOPreviews& D) { SetEdit(D.Edit22, "150"); },
         [](const TIOParamsVals& P, TfIOPreviews& D) {
             EXPECT_EQ(P.JPEGQuality, 100);
             EXPECT_EQ(D.TrackBar13->Position(), 100);
             EXPECT_EQ(D.Edit22->Text(), "100");
             EXPECT_EQ(P.FileType, ioJPEG);
         }},
        {"a quality that is no number counts as 50", ioJPEG, false, [](TIOParamsVals& P) { P.JPEGQuality = 80; },
         [](TfIOPreviews& D) { SetEdit(D.Edit22, "abc"); },
         [](const TIOParamsVals& P, TfIOPreviews& D) {
             EXPECT_EQ(P.JPEGQuality, 50);
             EXPECT_EQ(D.TrackBar13->Position(), 50);
             EXPECT_EQ(D.Edit22->Text(), "50");
         }},
        {"JPEG advanced options", ioJPEG, false, [](TIOParamsVals&) {},
         [](TfIOPreviews& D) {
             TestHooks::Choose(D.ComboBox1, 2);
             TestHooks::Choose(D.ComboBox13, 1);
             Press(D.CheckBox3);
         },
         [](const TIOParamsVals& P, TfIOPreviews&) {
             EXPECT_EQ(P.JPEGDCTMethod, 2);
             EXPECT_EQ(P.JPEGColorSpace, 1);
             EXPECT_TRUE(P.JPEGProgressive);
         }},
        {"rate typed as 9 is 0.009; a JP2 stays JP2", ioJP2, false, [](TIOParamsVals&) {},
         [](TfIOPreviews& D) { SetEdit(D.Edit15, "9"); },
         [](const TIOParamsVals& P, TfIOPreviews& D) {
             EXPECT_EQ(D.TrackBar1->Position(), 9);
             EXPECT_DOUBLE_EQ(P.J2000Rate, 0.009);
             EXPECT_EQ(P.FileType, ioJP2);
         }},
        {"a rate that is no number counts as 1.0", ioJ2K, false, [](TIOParamsVals& P) { P.J2000Rate = 0.5; },
         [](TfIOPreviews& D) { SetEdit(D.Edit15, "x"); },
         [](const TIOParamsVals& P, TfIOPreviews& D) {
             EXPECT_EQ(D.TrackBar1->Position(), 1000);
             EXPECT_DOUBLE_EQ(P.J2000Rate, 1.0);
             EXPECT_EQ(P.FileType, ioJ2K);
         }},
        {"TIFF image index goes to every multi-image format", ioTIFF, false, [](TIOParamsVals&) {},
         [](TfIOPreviews& D) { SetEdit(D.Edit1, "3"); },
         [](const TIOParamsVals& P, TfIOPreviews&) {
             EXPECT_EQ(P.TIFFImageIndex, 3);
             EXPECT_EQ(P.GIFImageIndex, 3);
         }},
        {"code stream with grey", ioJ2K, false, [](TIOParamsVals&) {},
         [](TfIOPreviews& D) { TestHooks::Choose(D.ComboBox15, 0); },
         [](const TIOParamsVals& P, TfIOPreviews&) {
             EXPECT_EQ(P.J2000ColorSpace, 0);
             EXPECT_EQ(P.SamplesPerPixel, 1);
             EXPECT_EQ(P.BitsPerSample, 8);
             EXPECT_EQ(P.FileType, ioJ2K);
         }},
        {"TIFF B/W with RGB gives BLACKISZERO", ioTIFF, false,
         [](TIOParamsVals& P) { P.TIFFPhotometric = 2; P.SamplesPerPixel = 3; P.BitsPerSample = 8; },
         [](TfIOPreviews& D) { TestHooks::Choose(D.ComboBox4, 0); },
         [](const TIOParamsVals& P, TfIOPreviews&) {
             EXPECT_EQ(P.TIFFPhotometric, 1);
             EXPECT_EQ(P.SamplesPerPixel, 1);
             EXPECT_EQ(P.BitsPerSample, 1);
         }},
        {"TIFF CMYK writes 4 samples of 8 bits", ioTIFF, false, [](TIOParamsVals&) {},
         [](TfIOPreviews& D) { TestHooks::Choose(D.ComboBox3, 5); },
         [](const TIOParamsVals& P, TfIOPreviews&) {
             EXPECT_EQ(P.TIFFPhotometric, 5);
             EXPECT_EQ(P.SamplesPerPixel, 4);
             EXPECT_EQ(P.BitsPerSample, 8);
         }},
        {"TIFF document texts", ioTIFF, false, [](TIOParamsVals&) {},
         [](TfIOPreviews& D) {
             SetEdit(D.Edit4, "scan");
             SetEdit(D.Edit7, "2");
             SetEdit(D.Edit8, "x");
         },
         [](const TIOParamsVals& P, TfIOPreviews&) {
             EXPECT_EQ(P.TIFFDocumentName, "scan");
             EXPECT_EQ(P.TIFFPageNumber, 2);
             EXPECT_EQ(P.TIFFPageCount, 0);
             EXPECT_EQ(P.FileType, ioTIFF);
         }},
        {"simplified TIFF: G4FAX then 256 colours", ioTIFF, true, [](TIOParamsVals&) {},
         [](TfIOPreviews& D) {
             TestHooks::Choose(D.ComboBox16, 4);
             EXPECT_EQ(D.ComboBox17->ItemIndex(), 0);
             EXPECT_EQ(D.Values.TIFFPhotometric, 1);
             TestHooks::Choose(D.ComboBox17, 2);
         },
         [](const TIOParamsVals& P, TfIOPreviews& D) {
             EXPECT_EQ(D.ComboBox16->ItemIndex(), 0);
             EXPECT_EQ(P.TIFFCompression, 0);
             EXPECT_EQ(P.BitsPerSample, 8);
             EXPECT_EQ(P.SamplesPerPixel, 1);
         }},
        {"BMP 16M (32bit) is written as 16M", ioBMP, false, [](TIOParamsVals&) {},
         [](TfIOPreviews& D) {
             TestHooks::Choose(D.ComboBox7, 4);
             TestHooks::Choose(D.ComboBox6, 1);
         },
         [](const TIOParamsVals& P, TfIOPreviews&) {
             EXPECT_EQ(P.BitsPerSample, 8);
             EXPECT_EQ(P.SamplesPerPixel, 3);
             EXPECT_EQ(P.BMPCompression, 1);
             EXPECT_EQ(P.FileType, ioBMP);
         }},
        {"PCX 16 colours", ioPCX, false, [](TIOParamsVals&) {},
         [](TfIOPreviews& D) { TestHooks::Choose(D.ComboBox9, 1); },
         [](const TIOParamsVals& P, TfIOPreviews&) {
             EXPECT_EQ(P.BitsPerSample, 4);
             EXPECT_EQ(P.SamplesPerPixel, 1);
             EXPECT_EQ(P.FileType, ioPCX);
         }},
        {"GIF colours, transparency off disables its swatch", ioGIF, false,
         [](TIOParamsVals& P) { P.GIFTransparent = true; P.BitsPerSample = 8; },
         [](TfIOPreviews& D) {
             EXPECT_TRUE(D.Panel3->Enabled());
             Press(D.CheckBox4);
             EXPECT_FALSE(D.Panel3->Enabled());
             EXPECT_FALSE(D.Control("Label34")->Enabled());
             TestHooks::Choose(D.ComboBox5, 3);
             SetEdit(D.Edit12, "25");
         },
         [](const TIOParamsVals& P, TfIOPreviews&) {
             EXPECT_FALSE(P.GIFTransparent);
             EXPECT_EQ(P.BitsPerSample, 4);
             EXPECT_EQ(P.GIFDelayTime, 25);
             EXPECT_EQ(P.FileType, ioGIF);
         }},
        {"PNG options", ioPNG, false, [](TIOParamsVals&) {},
         [](TfIOPreviews& D) {
             TestHooks::Choose(D.ComboBox10, 0);
             TestHooks::Choose(D.ComboBox11, 2);
             TestHooks::Choose(D.ComboBox12, 9);
             Press(D.CheckBox6);
         },
         [](const TIOParamsVals& P, TfIOPreviews&) {
             EXPECT_EQ(P.BitsPerSample, 1);
             EXPECT_EQ(P.SamplesPerPixel, 1);
             EXPECT_EQ(P.PNGFilter, 2);
             EXPECT_EQ(P.PNGCompression, 9);
             EXPECT_TRUE(P.PNGInterlaced);
         }},
        {"TGA texts and compression", ioTGA, false, [](TIOParamsVals& P) { P.TGACompressed = true; },
         [](TfIOPreviews& D) {
             SetEdit(D.Edit13, "name");
             Press(D.CheckBox1);
         },
         [](const TIOParamsVals& P, TfIOPreviews&) {
             EXPECT_EQ(P.TGAImageName, "name");
             EXPECT_FALSE(P.TGACompressed);
             EXPECT_EQ(P.FileType, ioTGA);
         }},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.What);
        TSource S;
        S.IO.Params->FileType = C.FileType;
        C.Before(*S.IO.Params);
        S.IO.SimplifiedParamsDialogs = C.Simplified;
        bool R = RunDialog(S.IO, ppAuto, [&](TfIOPreviews& D) {
            C.Edit(D);
            TestHooks::PumpPending();
            ClickOK(D);
            C.Check(*S.IO.Params, D);
        });
        EXPECT_TRUE(R);
    }
}

TEST(IOPreviews, BMPThirtyTwoBitReopensAsSixteenMillion) {
    TSource S;
    S.IO.Params->FileType = ioBMP;
    RunDialog(S.IO, ppAuto, [](TfIOPreviews& D) {
        TestHooks::Choose(D.ComboBox7, 4);
        ClickOK(D);
    });
    int Shown = -1;
    RunDialog(S.IO, ppAuto, [&](TfIOPreviews& D) { Shown = D.ComboBox7->ItemIndex(); });
    EXPECT_EQ(Shown, 3);
}

TEST(IOPreviews, PageChangeDropsEditsAndApplySurvivesCancel) {
    TSource S;
    S.IO.Params->FileType = ioJPEG;
    S.IO.Params->JPEGQuality = 70;
    S.IO.PreviewsParams = ioppApplyButton;
    S.IO.SimplifiedParamsDialogs = false;
    bool Result = RunDialog(S.IO, ppAll, [](TfIOPreviews& D) {
        EXPECT_FALSE(D.Button4->Enabled());
        SetEdit(D.Edit22, "30");
        EXPECT_TRUE(D.Button4->Enabled());
        D.PageControl1->SetActivePage(D.TabSheetTIFF1);
        D.PageControl1Change(D.PageControl1);
        D.PageControl1->SetActivePage(D.TabSheetJPEG1);
        D.PageControl1Change(D.PageControl1);
        EXPECT_EQ(D.Edit22->Text(), "70");
        EXPECT_FALSE(D.Button4->Enabled());
        SetEdit(D.Edit22, "40");
        Press(D.Button4);
        EXPECT_FALSE(D.Button4->Enabled());
        SetEdit(D.Edit22, "20");
        Press(D.Button2);
    });
    EXPECT_FALSE(Result);
    EXPECT_EQ(S.IO.Params->JPEGQuality, 40);
}

TEST(IOPreviews, LockedPreviewShowsTheSavedSizeAtOnce) {
    TSource S;
    S.IO.Params->FileType = ioJPEG;
    S.IO.PreviewsParams = ioppDefaultLockPreview;
    S.IO.SimplifiedParamsDialogs = false;
    RunDialog(S.IO, ppAuto, [&](TfIOPreviews& D) {
        EXPECT_FALSE(D.Button3->Enabled());
        SetEdit(D.Edit22, "10");
        // The size shown is that of the component's own JPEG save with the same quality.
        TIEImageIO Other;
        Other.IEBitmap()->AssignImage(S.IO.IEBitmap());
        Other.Params->JPEGQuality = 10;
        TMemoryStream M;
        Other.SaveToStreamJPEG(M);
        EXPECT_EQ(D.Control("Label25")->Caption(), std::to_string(M.Size()) + " bytes");
        EXPECT_EQ(D.ImageView2->IEBitmap()->Width(), 48);
    });
    S.IO.PreviewsParams = 0;
    RunDialog(S.IO, ppAuto, [&](TfIOPreviews& D) {
        const std::string Before = D.Control("Label25")->Caption();
        EXPECT_TRUE(D.Button3->Enabled());
        SetEdit(D.Edit22, "95");
        EXPECT_EQ(D.Control("Label25")->Caption(), Before);
        Press(D.Button3);
        EXPECT_NE(D.Control("Label25")->Caption(), Before);
    });
}

TEST(IOPreviews, GifSwatchNeverOffersMoreColoursThanThePalette) {
    TSource S;
    S.IO.Params->FileType = ioGIF;
    S.IO.Params->BitsPerSample = 2;
    S.IO.Params->GIFTransparent = true;
    S.IO.SimplifiedParamsDialogs = false;
    int Offered = -1;
    size_t PaletteSize = 0;
    RunDialog(S.IO, ppAuto, [&](TfIOPreviews& D) {
        // Unlocked: the preview still has 4 colours when 256 are chosen.
        TestHooks::Choose(D.ComboBox5, 7);
        TestHooks::OnNextModal([&](TCustomForm* F) {
            auto* P = dynamic_cast<TIEPaletteDialog*>(F);
            if (P) Offered = P->NColors;
            F->ModalResult = mrCancel;
        });
        Press(D.Panel3);
        PaletteSize = D.ImageView2->IO()->Params->Palette.size();
    });
    EXPECT_EQ(Offered, 256);
    EXPECT_EQ(PaletteSize, 256u);
}

TEST(IOPreviews, CaptionsFromTheWordTable) {
    TSource S;
    S.IO.Params->FileType = ioJPEG;
    S.IO.MsgLanguage = msEnglish;
    RunDialog(S.IO, ppAuto, [](TfIOPreviews& D) {
        EXPECT_EQ(D.Caption(), GetDialogWord(37, msEnglish));
        EXPECT_EQ(D.Control("Label1")->Caption(), GetDialogWord(1, msEnglish) + ":");
        EXPECT_EQ(D.GroupBox5->Caption(), " " + GetDialogWord(45, msEnglish) + " ");
        EXPECT_EQ(D.chkLockPreview->Caption(), GetDialogWord(5, msEnglish));
        EXPECT_EQ(D.PaletteCancelCaption, "&" + GetDialogWord(4, msEnglish));
    });
}

// The PNG background: with a true-colour result the colour dialog chooses it,
// with a palette result the palette chooser offers the palette's colours.
TEST(IOPreviews, BackgroundSwatchesThroughTheColourDialogOrThePalette) {
    struct Case {
        const char* What;
        int ColoursIndex;  // of ComboBox10
        int SwatchButton;  // what the colour dialog is answered with
        TRGB Expected;
    };
    const COLORREF Basic = ColorDialogBasicColor(5);
    const TRGB BasicRGB{uint8_t(GetBValue(Basic)), uint8_t(GetGValue(Basic)), uint8_t(GetRValue(Basic))};
    const Case Cases[] = {
        {"16M, confirmed", 2, IDOK, BasicRGB},
        {"16M, cancelled", 2, IDCANCEL, TRGB{0, 0, 0}},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.What);
        TSource S;
        S.IO.Params->FileType = ioPNG;
        S.IO.Params->SamplesPerPixel = 3;
        S.IO.SimplifiedParamsDialogs = false;
        S.IO.PreviewsParams = ioppDefaultLockPreview;
        RunDialog(S.IO, ppAuto, [&](TfIOPreviews& D) {
            TestHooks::OnNextModalWindow([&](HWND Dlg) {
                SendMessageW(GetDlgItem(Dlg, IDC_CC_BASIC + 5), BM_CLICK, 0, 0);
                SendMessageW(GetDlgItem(Dlg, C.SwatchButton), BM_CLICK, 0, 0);
            });
            Press(D.Panel1);
            ClickOK(D);
        });
        EXPECT_EQ(S.IO.Params->PNGBackground, C.Expected);
    }
    // Two colours: the chooser offers the two of the result's palette.
    TSource S;
    S.IO.Params->FileType = ioPNG;
    S.IO.Params->SamplesPerPixel = 1;
    S.IO.Params->BitsPerSample = 1;
    S.IO.SimplifiedParamsDialogs = false;
    S.IO.PreviewsParams = ioppDefaultLockPreview;
    int Offered = -1;
    RunDialog(S.IO, ppAuto, [&](TfIOPreviews& D) {
        TestHooks::OnNextModal([&](TCustomForm* F) {
            if (auto* P = dynamic_cast<TIEPaletteDialog*>(F)) Offered = P->NColors;
            F->ModalResult = mrCancel;
        });
        Press(D.Panel1);
    });
    EXPECT_EQ(Offered, 2);
}

TEST(IOPreviews, ResultViewFollowsTheSourceView) {
    TSource S;
    S.IO.Params->FileType = ioBMP;
    RunDialog(S.IO, ppAuto, [](TfIOPreviews& D) {
        EXPECT_TRUE(D.ImageView1->MouseInteract().Contains(miZoom));
        EXPECT_TRUE(D.ImageView1->MouseInteract().Contains(miScroll));
        D.ImageView1->SetZoom(1000);
        D.ImageView1->ScrollTo(20, 10);
        TestHooks::PumpPending();
        EXPECT_DOUBLE_EQ(D.ImageView2->Zoom(), 1000);
        EXPECT_EQ(D.ImageView2->IEBitmap()->Width(), 48);
        EXPECT_EQ(D.ImageView2->ViewX(), D.ImageView1->ViewX());
        EXPECT_EQ(D.ImageView2->ViewY(), D.ImageView1->ViewY());
        EXPECT_GT(D.ImageView2->ViewX(), 0);
    });
}

// One picture of each page, in both modes.
TEST(IOPreviews, GoldenPages) {
    for (bool Simplified : {false, true}) {
        TSource S;
        S.IO.Params->FileType = ioJPEG;
        S.IO.SimplifiedParamsDialogs = Simplified;
        S.IO.MsgLanguage = msEnglish;
        S.IO.PreviewsParams = ioppDefaultLockPreview | ioppApplyButton;
        RunDialog(S.IO, ppAll, [&](TfIOPreviews& D) {
            for (int I = 0; I < D.PageControl1->PageCount(); ++I) {
                TTabSheet* Page = D.PageControl1->Pages(I);
                if (!Page->TabVisible) continue;
                D.PageControl1->SetActivePage(Page);
                D.PageControl1Change(D.PageControl1);
                TestHooks::PumpPending();
                ExpectWindowMatchesGolden(D.Handle(), std::string("imaging/iopreviews/") +
                                                          (Simplified ? "simplified_" : "full_") + Page->Name() + ".png");
            }
        });
    }
}

// A JPEG preview maps the save onto the first half of the bar and the decoding
// onto the second, and leaves the bar at 0.
TEST(IOPreviews, ProgressOfSaveAndLoadOnTheBar) {
    TSource S;
    S.IO.Params->FileType = ioJPEG;
    S.IO.SimplifiedParamsDialogs = false;
    std::vector<int> FromSave, FromLoad;
    RunDialog(S.IO, ppAuto, [&](TfIOPreviews& D) {
        D.ImageView1->OnProgress = [&](TObject* Sender, int Percent) {
            D.ImageView1Progress(Sender, Percent);
            FromSave.push_back(D.ProgressBar1->Position());
        };
        D.ImageView2->OnProgress = [&](TObject* Sender, int Percent) {
            D.ImageView1Progress(Sender, Percent);
            FromLoad.push_back(D.ProgressBar1->Position());
        };
        Press(D.Button3);
        EXPECT_EQ(D.ProgressBar1->Position(), 0);
    });
    ASSERT_FALSE(FromSave.empty());
    ASSERT_FALSE(FromLoad.empty());
    for (int P : FromSave) EXPECT_LE(P, 50);
    for (int P : FromLoad) EXPECT_GE(P, 50);
    EXPECT_EQ(FromLoad.back(), 100);
}

// The simplified mode: lower dialog and page control, reduced pages.
TEST(IOPreviews, SimplifiedLayout) {
    TSource S;
    S.IO.Params->FileType = ioPNG;
    S.IO.SimplifiedParamsDialogs = true;
    RunDialog(S.IO, ppAll, [](TfIOPreviews& D) {
        EXPECT_EQ(D.Height(), 360);
        EXPECT_EQ(D.PageControl1->Height(), 122);
        EXPECT_EQ(D.chkLockPreview->Top(), 302);
        struct Moved { const char* Name; int Top; };
        for (const Moved& M : {Moved{"Label39", 61}, Moved{"Label42", 77}, Moved{"Label48", 77}, Moved{"Label50", 61},
                               Moved{"Label53", 77}, Moved{"Label58", 61}, Moved{"Label61", 77}, Moved{"Label67", 61},
                               Moved{"Label70", 77}})
            EXPECT_EQ(D.Control(M.Name)->Top(), M.Top) << M.Name;
        for (const char* Hidden : {"Label54", "Panel1", "GroupBox3", "Label63", "Panel5", "Label64", "Edit13", "Label65",
                                   "Edit14", "Label71", "ComboBox15"})
            EXPECT_FALSE(D.Control(Hidden)->Visible()) << Hidden;
        EXPECT_TRUE(D.CheckBox1->Visible());
    });
}

// DoPreviews around the dialog: the handler that replaces it, the form given to
// OnIOPreview before showing, and the target made true colour unless two-colour.
TEST(IOPreviews, DoPreviewsAroundTheDialog) {
    {
        TSource S;
        bool Asked = false;
        S.IO.OnDoPreviews = [&](TObject*, bool& Handled) {
            Asked = true;
            Handled = true;
        };
        EXPECT_TRUE(S.IO.DoPreviews(ppAll));
        EXPECT_TRUE(Asked);
    }
    struct Case { TIEPixelFormat Format; TIEPixelFormat After; };
    for (const Case& C : {Case{ie8g, ieRGB24}, Case{ie1g, ie1g}, Case{ieRGB24, ieRGB24}}) {
        TSource S;
        S.IO.IEBitmap()->SetPixelFormat(C.Format);
        S.IO.Params->FileType = ioBMP;
        TForm* Given = nullptr;
        TCustomForm* Shown = nullptr;
        S.IO.OnIOPreview = [&](TObject*, TForm* F) { Given = F; };
        RunDialog(S.IO, ppAuto, [&](TfIOPreviews& D) {
            Shown = &D;
            EXPECT_EQ(D.ImageView1->IEBitmap(), S.IO.IEBitmap());
        });
        EXPECT_EQ(Given, Shown);
        EXPECT_EQ(S.IO.IEBitmap()->PixelFormat(), C.After);
        EXPECT_EQ(S.IO.IEBitmap()->Width(), 48);
    }
}

namespace {
// A click on the tab at Index among the shown tabs.
void ClickTab(TPageControl* P, int Index) {
    RECT R{};
    SendMessageW(P->Handle(), TCM_GETITEMRECT, Index, reinterpret_cast<LPARAM>(&R));
    POINT Pt{(R.left + R.right) / 2, (R.top + R.bottom) / 2};
    ClientToScreen(P->Handle(), &Pt);
    TestHooks::Click(Pt);
    TestHooks::PumpPending();
}
}  // namespace

// Turning pages with the mouse: unapplied edits are dropped; a changing
// handler that refuses keeps the page.
TEST(IOPreviews, TabClicksTurnPages) {
    TSource S;
    S.IO.Params->FileType = ioJPEG;
    S.IO.Params->JPEGQuality = 65;
    S.IO.SimplifiedParamsDialogs = false;
    RunDialog(S.IO, ppAll, [](TfIOPreviews& D) {
        SetEdit(D.Edit22, "30");
        ClickTab(D.PageControl1, 1);
        EXPECT_EQ(D.PageControl1->ActivePage(), D.TabSheetTIFF1);
        EXPECT_FALSE(D.Button4->Enabled());
        EXPECT_TRUE(D.Ready);
        ClickTab(D.PageControl1, 0);
        EXPECT_EQ(D.PageControl1->ActivePage(), D.TabSheetJPEG1);
        EXPECT_EQ(D.Edit22->Text(), "65");
        D.PageControl1->OnChanging = [](TObject*, bool& Allow) { Allow = false; };
        ClickTab(D.PageControl1, 2);
        EXPECT_EQ(D.PageControl1->ActivePage(), D.TabSheetJPEG1);
    });
}
