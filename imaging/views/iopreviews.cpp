#include "imaging/views/iopreviews.h"

#include <cmath>
#include <span>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/bitmaps/iepalettedlg.h"
#include "imaging/bitmaps/ieutils.h"
#include "imaging/processing/imageproc.h"
#include "imaging/processing/pixelutils.h"
#include "platform/classlib/formload.h"
#include "platform/rtl/scope.h"
#include "platform/rtl/sysutils.h"

namespace {

// TIFF photometric codes.
constexpr int phWhiteIsZero = 0, phBlackIsZero = 1, phRGB = 2, phPalette = 3, phMask = 4, phCMYK = 5, phYCbCr = 6,
              phCIELab = 7;

TColor RGBToColor(TRGB c) { return static_cast<TColor>(c.r | (c.g << 8) | (c.b << 16)); }

std::string Bytes(int64_t N) { return std::to_string(N) + " bytes"; }

// Bits and samples of a colour-list index of the BMP, PCX, PNG and TGA pages.
void BMPColorsToBits(int Index, int32_t& Bits, int32_t& Samples) {
    static const int B[] = {1, 4, 8, 8, 8}, S[] = {1, 1, 1, 3, 3};
    if (Index < 0 || Index > 4) Index = 3;
    Bits = B[Index];
    Samples = S[Index];
}
void PNGColorsToBits(int Index, int32_t& Bits, int32_t& Samples) {
    static const int B[] = {1, 8, 8}, S[] = {1, 1, 3};
    if (Index < 0 || Index > 2) Index = 2;
    Bits = B[Index];
    Samples = S[Index];
}

}  // namespace

TfIOPreviews::TfIOPreviews(TComponent* AOwner) : TForm(AOwner) {
    RegisterImageViews();
#define M(N) DefineMethod(#N, &TfIOPreviews::N)
    M(FormCreate); M(FormActivate); M(FormDestroy); M(PageControl1Changing); M(PageControl1Change);
    M(Edit22Change); M(TrackBar13Change); M(Edit16Change); M(TrackBar2Change); M(Edit15Change);
    M(TrackBar1Change); M(ComboBox2Click); M(ComboBox16Change); M(ComboBox5Click); M(ComboBox18Change);
    M(ComboBox6Change); M(ComboBox8Change); M(ComboBox10Change); M(ComboBox14Click); M(Panel3Click);
    M(Panel4Click); M(Panel1Click); M(Panel5Click); M(SpeedButton1Click); M(Button1Click); M(Button3Click);
    M(Button4Click); M(ImageView1ViewChange); M(ImageView1Progress);
#undef M
#define F(N) DefineField(#N, N)
    F(Panel2); F(Panel1); F(Panel3); F(Panel4); F(Panel5); F(ImageView1); F(ImageView2); F(ProgressBar1);
    F(PageControl1); F(TabSheetJPEG1); F(TabSheetJPEG2); F(TabSheetTIFF1); F(TabSheetTIFF2); F(TabSheetGIF1);
    F(TabSheetGIF2); F(TabSheetBMP1); F(TabSheetPCX1); F(TabSheetPNG1); F(TabSheetTGA1); F(TabSheetJ20001);
    F(Button1); F(Button2); F(Button3); F(Button4); F(chkLockPreview); F(CheckBox1); F(CheckBox2); F(CheckBox3);
    F(CheckBox4); F(CheckBox5); F(CheckBox6); F(ColorDialog1); F(Edit1); F(Edit2); F(Edit3); F(Edit4); F(Edit5);
    F(Edit6); F(Edit7); F(Edit8); F(Edit9); F(Edit10); F(Edit11); F(Edit12); F(Edit13); F(Edit14); F(Edit15);
    F(Edit16); F(Edit22); F(Edit23); F(ComboBox1); F(ComboBox2); F(ComboBox3); F(ComboBox4); F(ComboBox5);
    F(ComboBox6); F(ComboBox7); F(ComboBox8); F(ComboBox9); F(ComboBox10); F(ComboBox11); F(ComboBox12);
    F(ComboBox13); F(ComboBox14); F(ComboBox15); F(ComboBox16); F(ComboBox17); F(ComboBox18); F(TrackBar1);
    F(TrackBar2); F(TrackBar13); F(GroupBox1); F(GroupBox2); F(GroupBox3); F(GroupBox5);
#undef F
    LoadFromResource("fIOPreviews");
}

TControl* TfIOPreviews::Control(const std::string& Name) {
    return dynamic_cast<TControl*>(FindComponent(Name));
}

void TfIOPreviews::FormCreate(TObject*) {
    Activated = false;
    BWConversion = ieBWThreshold;
    for (TIEImageView* V : {ImageView1, ImageView2}) {
        TFont& F = *V->IO()->PreviewFont();
        F.SetName("MS Sans Serif");
        F.SetHeight(-11);
        F.SetColor(clWindowText);
        F.SetStyle({});
    }
    PaletteCancelCaption = "&Cancel";
    ImageView1->SetMouseInteract(TIEMouseInteract{miZoom, miScroll});
    // The result view is filled by copies and conversions of the image itself; a
    // windowing bitmap wrapped under it would be re-wrapped at its old size.
    ImageView2->SetLegacyBitmap(false);
    Button4->SetEnabled(false);
}

void TfIOPreviews::FormDestroy(TObject*) {}

bool TfIOPreviews::SelectPages(uint16_t APages) {
    Pages = APages;
    if (Pages & ppAuto) {
        switch (Params ? Params->FileType : 0) {
            case ioJPEG: Pages |= ppJPEG; break;
            case ioTIFF: Pages |= ppTIFF; break;
            case ioGIF: Pages |= ppGIF; break;
            case ioBMP: Pages |= ppBMP; break;
            case ioPCX: Pages |= ppPCX; break;
            case ioPNG: Pages |= ppPNG; break;
            case ioTGA: Pages |= ppTGA; break;
            case ioJP2: case ioJ2K: Pages |= ppJ2000; break;
            default: break;
        }
    }
    return Pages != ppAuto;
}

bool TfIOPreviews::LZWAvailable() { return DefaultTIFFLZWCompressor != nullptr; }

int TfIOPreviews::CompressionToIndex(int Code) {
    const bool Lzw = LZWAvailable();
    switch (Code) {
        case 1: case 2: case 3: case 4: return Code;
        case 5: return Lzw ? 5 : 6;
        case 7: return Lzw ? 6 : 5;
        case 8: return Lzw ? 7 : 6;
        default: return 0;
    }
}

int TfIOPreviews::IndexToCompression(int Index) {
    if (Index >= 0 && Index <= 4) return Index;
    if (LZWAvailable()) {
        if (Index == 5) return 5;
        if (Index == 6) return 7;
        if (Index == 7) return 8;
    } else {
        if (Index == 5) return 7;
        if (Index == 6) return 8;
    }
    return 0;
}

void TfIOPreviews::ApplyLanguageTexts(TMsgLanguage Language) {
    auto W = [&](int N) { return GetDialogWord(N, Language); };
    auto Set = [&](std::initializer_list<const char*> Names, const std::string& Text) {
        for (const char* N : Names)
            if (TControl* C = Control(N)) C->SetCaption(Text);
    };
    auto Colon = [&](int N, std::initializer_list<const char*> Names) { Set(Names, W(N) + ":"); };
    auto AsIs = [&](int N, std::initializer_list<const char*> Names) { Set(Names, W(N)); };
    auto Group = [&](int N, std::initializer_list<const char*> Names) { Set(Names, " " + W(N) + " "); };
    SetCaption(W(37));
    AsIs(0, {"Button3"});
    Colon(1, {"Label1"});
    Colon(2, {"Label2"});
    AsIs(3, {"Button1"});
    AsIs(4, {"Button2"});
    PaletteCancelCaption = "&" + W(4);
    AsIs(5, {"chkLockPreview"});
    AsIs(120, {"Button4"});
    Colon(38, {"Label23", "Label72"});
    Colon(39, {"Label26"});
    Colon(40, {"Label27"});
    AsIs(42, {"CheckBox2"});
    Colon(43, {"Label3", "Label73", "Label67", "Label9", "Label77", "Label22", "Label83", "Label39", "Label45", "Label50",
               "Label58"});
    Colon(44, {"Label24", "Label75", "Label69", "Label17", "Label79", "Label29", "Label85", "Label41", "Label47",
               "Label52", "Label60"});
    Group(45, {"GroupBox5", "GroupBox2", "GroupBox3"});
    AsIs(46, {"CheckBox3"});
    Colon(47, {"Label5", "Label81", "Label37", "Label43", "Label56", "CheckBox1"});
    Colon(48, {"Label6", "Label20"});
    Colon(49, {"Label57", "Label71", "Label7"});
    Group(50, {"GroupBox1"});
    Colon(51, {"Label12", "Label64"});
    Colon(52, {"Label13", "Label65"});
    Colon(53, {"Label14"});
    Colon(54, {"Label15"});
    AsIs(55, {"Label16"});
    Colon(56, {"Label8"});
    Colon(57, {"Label10"});
    Colon(58, {"Label19", "Label82", "Label21", "Label87", "Label38", "Label44", "Label49", "Label62"});
    Colon(59, {"CheckBox4"});
    Colon(60, {"Label34"});
    Colon(61, {"CheckBox5"});
    AsIs(61, {"CheckBox6"});
    Colon(62, {"Label35", "Label54", "Label63"});
    Colon(63, {"Label31"});
    Colon(64, {"Label32"});
    Colon(65, {"Label33"});
    Colon(66, {"Label55"});
    Colon(123, {"Label66"});
}

void TfIOPreviews::FormActivate(TObject*) {
    // The form activates again when a colour chooser closes; the set-up, which
    // reloads the values from Params, runs once so that edits are kept.
    if (Activated) return;
    Ready = true;
    chkLockPreview->SetChecked(InitialLockPreview);
    Button3->SetEnabled(!chkLockPreview->Checked());
    PageControl1->SetVisible(false);
    for (int I = 0; I < PageControl1->PageCount(); ++I) PageControl1->Pages(I)->TabVisible = false;
    TIEFileFormatEntry* Entry = Params ? FindFormatByType(Params->FileType) : nullptr;
    TTabSheet* Active = nullptr;
    auto Consider = [&](TTabSheet* Page, uint16_t Flag) {
        Page->TabVisible = (Pages & ppAll) || (Pages & Flag);
        if (Entry && (Entry->DialogPage & Flag) && Page->TabVisible) Active = Page;
    };
    auto Move = [&](std::initializer_list<const char*> Names, int Top) {
        for (const char* N : Names) Control(N)->SetTop(Top);
    };
    auto Hide = [&](std::initializer_list<const char*> Names) {
        for (const char* N : Names) Control(N)->SetVisible(false);
    };
    if (Simplified) {
        Consider(TabSheetJPEG2, ppJPEG);
        Consider(TabSheetTIFF2, ppTIFF);
        Consider(TabSheetGIF2, ppGIF);
        Consider(TabSheetBMP1, ppBMP);
        Consider(TabSheetPCX1, ppPCX);
        Move({"Label39", "Label41", "Label45", "Label47"}, 61);
        Move({"Label40", "Label42", "Label46", "Label48"}, 77);
        chkLockPreview->SetTop(Screen->PixelsPerInch * 151 / 48);
        Consider(TabSheetPNG1, ppPNG);
        Hide({"Label54", "Panel1", "GroupBox3"});
        Move({"Label50", "Label52"}, 61);
        Move({"Label51", "Label53"}, 77);
        Consider(TabSheetTGA1, ppTGA);
        Hide({"Label63", "Panel5", "Label64", "Edit13", "Label65", "Edit14"});
        Move({"Label58", "Label60"}, 61);
        Move({"Label59", "Label61"}, 77);
        Consider(TabSheetJ20001, ppJ2000);
        Hide({"Label71", "ComboBox15"});
        Move({"Label67", "Label69"}, 61);
        Move({"Label68", "Label70"}, 77);
    } else {
        Consider(TabSheetJPEG1, ppJPEG);
        Consider(TabSheetTIFF1, ppTIFF);
        Consider(TabSheetGIF1, ppGIF);
        Consider(TabSheetBMP1, ppBMP);
        Consider(TabSheetPCX1, ppPCX);
        Consider(TabSheetPNG1, ppPNG);
        Consider(TabSheetTGA1, ppTGA);
        Consider(TabSheetJ20001, ppJ2000);
    }
    if (Active) PageControl1->SetActivePage(Active);
    for (TComboBox* C : {ComboBox2, ComboBox16}) {
        TStrings& L = C->Items();
        L.Clear();
        for (const char* S : {"UNCOMPRESSED", "CCITT1D", "G3FAX1D", "G3FAX2D", "G4FAX"}) L.Add(S);
        if (LZWAvailable()) L.Add("LZW");
        L.Add("JPEG");
        L.Add("PACKBITS");
    }
    ImageView1->SetChessboardStyle(12, bsSolid);
    ImageView2->SetChessboardStyle(12, bsSolid);
    PageControl1->SetVisible(true);
    LoadWorkingValues();
    ShowPageValues();
    ImageView1->Fit();
    Application->ProcessMessages();
    PageControl1Change(PageControl1);
    Activated = true;
    UpdatePreview();
}

void TfIOPreviews::LoadWorkingValues() {
    if (!Params) return;
    const TIOParamsVals& P = *Params;
    TIOPreviewsValues& V = Values;
    V.JPEGQuality = P.JPEGQuality;
    V.JPEGColorSpace = P.JPEGColorSpace;
    if (P.JPEGDCTMethod <= 2) V.JPEGDCTMethod = P.JPEGDCTMethod;
    V.JPEGOptimalHuffman = P.JPEGOptimalHuffman;
    V.JPEGSmooth = P.JPEGSmooth;
    V.JPEGProgressive = P.JPEGProgressive;
    V.J2000Rate = P.J2000Rate;
    V.J2000ColorSpace = P.J2000ColorSpace;
    V.TIFFLZWDecompressor = P.TIFFLZWDecompressor;
    V.TIFFLZWCompressor = P.TIFFLZWCompressor;
    V.TIFFCompression = P.TIFFCompression;
    V.TIFFImageIndex = P.TIFFImageIndex;
    V.TIFFPhotometric = P.TIFFPhotometric;
    V.TIFFXPos = P.TIFFXPos;
    V.TIFFYPos = P.TIFFYPos;
    V.TIFFDocumentName = P.TIFFDocumentName;
    V.TIFFImageDescription = P.TIFFImageDescription;
    V.TIFFPageName = P.TIFFPageName;
    V.TIFFPageNumber = P.TIFFPageNumber;
    V.TIFFPageCount = P.TIFFPageCount;
    V.TIFFSamples = P.SamplesPerPixel;
    V.TIFFBits = P.BitsPerSample;
    V.GIFImageIndex = P.GIFImageIndex;
    V.GIFXPos = P.GIFXPos;
    V.GIFYPos = P.GIFYPos;
    V.GIFDelayTime = P.GIFDelayTime;
    V.GIFTransparent = P.GIFTransparent;
    V.GIFTranspColor = P.GIFTranspColor;
    V.GIFInterlaced = P.GIFInterlaced;
    V.GIFBackground = P.GIFBackground;
    V.GIFBits = P.BitsPerSample;
    V.BMPCompression = P.BMPCompression != 0;
    V.PCXCompression = P.PCXCompression != 0;
    const int32_t S = P.SamplesPerPixel, B = P.BitsPerSample;
    if (S == 1 && (B == 1 || B == 4 || B == 8)) V.BMPColors = B == 1 ? 0 : B == 4 ? 1 : 2;
    else if (S == 3 && (B == 5 || B == 8)) V.BMPColors = 3;
    if (S == 1 && (B == 1 || B == 4 || B == 8)) V.PCXColors = B == 1 ? 0 : B == 4 ? 1 : 2;
    else if (S == 3) V.PCXColors = 3;
    V.PNGColors = S == 1 ? (B == 1 ? 0 : 1) : 2;
    V.TGAColors = V.PNGColors;
    V.PNGInterlaced = P.PNGInterlaced;
    V.PNGBackground = P.PNGBackground;
    V.PNGFilter = P.PNGFilter;
    V.PNGCompression = P.PNGCompression;
    V.TGABackground = P.TGABackground;
    V.TGACompressed = P.TGACompressed;
    V.TGAImageName = P.TGAImageName;
    V.TGADescription = P.TGADescription;
}

void TfIOPreviews::ShowPageValues() {
    Ready = false;
    TIOPreviewsValues& V = Values;
    TTabSheet* Page = PageControl1->ActivePage();
    std::string Original = "---";
    if (TIEBitmap* B = ImageView1->IEBitmap()) Original = Bytes(int64_t(B->RowLen()) * B->Height());
    auto Num = [](TEdit* E, int64_t N) { E->SetText(std::to_string(N)); };
    if (Page == TabSheetJPEG1) {
        Num(Edit22, V.JPEGQuality);
        TrackBar13->SetPosition(V.JPEGQuality);
        ComboBox13->SetItemIndex(V.JPEGColorSpace);
        ComboBox1->SetItemIndex(V.JPEGDCTMethod);
        CheckBox2->SetChecked(V.JPEGOptimalHuffman);
        CheckBox3->SetChecked(V.JPEGProgressive);
        Num(Edit23, V.JPEGSmooth);
        Control("Label4")->SetCaption(Original);
    } else if (Page == TabSheetJPEG2) {
        Num(Edit16, V.JPEGQuality);
        TrackBar2->SetPosition(V.JPEGQuality);
        Control("Label74")->SetCaption(Original);
    } else if (Page == TabSheetJ20001) {
        Num(Edit15, std::lround(V.J2000Rate * 1000));
        TrackBar1->SetPosition(static_cast<int>(std::lround(V.J2000Rate * 1000)));
        ComboBox15->SetItemIndex(V.J2000ColorSpace);
        Control("Label68")->SetCaption(Original);
    } else if (Page == TabSheetTIFF1) {
        const int32_t S = V.TIFFSamples, B = V.TIFFBits;
        if (S == 1 && B == 1) ComboBox4->SetItemIndex(0);
        else if (S == 1 && B >= 2 && B <= 4) ComboBox4->SetItemIndex(1);
        else if (S == 1 && B >= 5 && B <= 8) ComboBox4->SetItemIndex(2);
        else if (S == 1 && B == 16) ComboBox4->SetItemIndex(3);
        else if (S == 3 && B == 8) ComboBox4->SetItemIndex(4);
        ComboBox2->SetItemIndex(CompressionToIndex(V.TIFFCompression));
        Num(Edit1, V.TIFFImageIndex);
        ComboBox3->SetItemIndex(V.TIFFPhotometric);
        const int Ph = V.TIFFPhotometric;
        if (Ph == phCMYK || Ph == phYCbCr || Ph == phCIELab) ComboBox4->SetItemIndex(4);
        else if (Ph != phWhiteIsZero && Ph != phBlackIsZero) {
            if (ComboBox4->ItemIndex() == 0) ComboBox4->SetItemIndex(4);
        } else ComboBox4->SetItemIndex(B == 1 ? 0 : 2);
        Edit4->SetText(V.TIFFDocumentName);
        Edit5->SetText(V.TIFFImageDescription);
        Edit6->SetText(V.TIFFPageName);
        Num(Edit7, V.TIFFPageNumber);
        Num(Edit8, V.TIFFPageCount);
        Num(Edit2, V.TIFFXPos);
        Num(Edit3, V.TIFFYPos);
        Control("Label11")->SetCaption(Original);
    } else if (Page == TabSheetTIFF2) {
        ComboBox16->SetItemIndex(CompressionToIndex(V.TIFFCompression));
        if (V.TIFFCompression >= 1 && V.TIFFCompression <= 4) V.TIFFBits = V.TIFFSamples = 1;
        if (V.TIFFCompression == 7) { V.TIFFBits = 8; V.TIFFSamples = 3; }
        const int32_t S = V.TIFFSamples, B = V.TIFFBits;
        if (S == 1 && B == 1) ComboBox17->SetItemIndex(0);
        else if (S == 1 && B >= 2 && B <= 4) ComboBox17->SetItemIndex(1);
        else if (S == 1 && B >= 5 && B <= 8) ComboBox17->SetItemIndex(2);
        else if (S == 3 && B == 8) ComboBox17->SetItemIndex(3);
        Control("Label78")->SetCaption(Original);
    } else if (Page == TabSheetGIF1) {
        ComboBox5->SetItemIndex(V.GIFBits - 1);
        Num(Edit9, V.GIFImageIndex);
        CheckBox4->SetChecked(V.GIFTransparent);
        Control("Label34")->SetEnabled(V.GIFTransparent);
        Panel3->SetEnabled(V.GIFTransparent);
        Panel3->SetColor(RGBToColor(V.GIFTranspColor));
        CheckBox5->SetChecked(V.GIFInterlaced);
        Num(Edit10, V.GIFXPos);
        Num(Edit11, V.GIFYPos);
        Num(Edit12, V.GIFDelayTime);
        Panel4->SetColor(RGBToColor(V.GIFBackground));
        Control("Label28")->SetCaption(Original);
    } else if (Page == TabSheetGIF2) {
        ComboBox18->SetItemIndex(V.GIFBits - 1);
        Control("Label84")->SetCaption(Original);
    } else if (Page == TabSheetBMP1) {
        ComboBox6->SetItemIndex(V.BMPCompression ? 1 : 0);
        ComboBox7->SetItemIndex(V.BMPColors);
        Control("Label40")->SetCaption(Original);
    } else if (Page == TabSheetPCX1) {
        ComboBox8->SetItemIndex(V.PCXCompression ? 1 : 0);
        ComboBox9->SetItemIndex(V.PCXColors);
        Control("Label46")->SetCaption(Original);
    } else if (Page == TabSheetPNG1) {
        ComboBox10->SetItemIndex(V.PNGColors);
        CheckBox6->SetChecked(V.PNGInterlaced);
        Panel1->SetColor(RGBToColor(V.PNGBackground));
        ComboBox11->SetItemIndex(V.PNGFilter);
        ComboBox12->SetItemIndex(V.PNGCompression);
        Control("Label51")->SetCaption(Original);
    } else if (Page == TabSheetTGA1) {
        ComboBox14->SetItemIndex(V.TGAColors);
        Panel5->SetColor(RGBToColor(V.TGABackground));
        CheckBox1->SetChecked(V.TGACompressed);
        Edit13->SetText(V.TGAImageName);
        Edit14->SetText(V.TGADescription);
        Control("Label59")->SetCaption(Original);
    }
    Ready = true;
}

void TfIOPreviews::RunPreviewWhenLocked() {
    if (chkLockPreview->Checked()) {
        UpdatePreview();
        ImageView2->Repaint();
    }
}

void TfIOPreviews::Edit22Change(TObject*) {
    if (!Ready) return;
    const int Q = StrToIntDef(Edit22->Text(), 50);
    const int Smooth = StrToIntDef(Edit23->Text(), 0);
    if (Q != Values.JPEGQuality || Smooth != Values.JPEGSmooth) {
        TrackBar13->SetPosition(Q);
        // The track bar keeps the quality within its range; the edit shows where it stopped.
        TrackBar13Change(TrackBar13);
        if (Edit22->Text() != std::to_string(TrackBar13->Position())) {
            const bool Was = Ready;
            Ready = false;
            Edit22->SetText(std::to_string(TrackBar13->Position()));
            Ready = Was;
        }
    }
    Button4->SetEnabled(true);
}

void TfIOPreviews::TrackBar13Change(TObject*) {
    if (!Ready) return;
    TIOPreviewsValues& V = Values;
    const int Pos = TrackBar13->Position();
    const int Smooth = StrToIntDef(Edit23->Text(), 0);
    if (Pos == V.JPEGQuality && ComboBox13->ItemIndex() == V.JPEGColorSpace && ComboBox1->ItemIndex() == V.JPEGDCTMethod &&
        CheckBox2->Checked() == V.JPEGOptimalHuffman && Smooth == V.JPEGSmooth &&
        CheckBox3->Checked() == V.JPEGProgressive)
        return;
    V.JPEGQuality = Pos;
    V.JPEGColorSpace = ComboBox13->ItemIndex();
    V.JPEGDCTMethod = ComboBox1->ItemIndex();
    V.JPEGOptimalHuffman = CheckBox2->Checked();
    V.JPEGSmooth = Smooth;
    V.JPEGProgressive = CheckBox3->Checked();
    Ready = false;
    Edit22->SetText(std::to_string(Pos));
    Ready = true;
    RunPreviewWhenLocked();
    Button4->SetEnabled(true);
}

void TfIOPreviews::Edit16Change(TObject*) {
    if (!Ready) return;
    const int Q = StrToIntDef(Edit16->Text(), 50);
    if (Q != Values.JPEGQuality) {
        TrackBar2->SetPosition(Q);
        TrackBar2Change(TrackBar2);
    }
}

void TfIOPreviews::TrackBar2Change(TObject*) {
    if (!Ready) return;
    const int Pos = TrackBar2->Position();
    if (Pos == Values.JPEGQuality) return;
    Values.JPEGQuality = Pos;
    Ready = false;
    Edit16->SetText(std::to_string(Pos));
    Ready = true;
    RunPreviewWhenLocked();
    Button4->SetEnabled(true);
}

void TfIOPreviews::Edit15Change(TObject*) {
    if (!Ready) return;
    const int N = StrToIntDef(Edit15->Text(), 1000);
    if (N / 1000.0 != Values.J2000Rate) {
        TrackBar1->SetPosition(N);
        TrackBar1Change(TrackBar1);
    }
}

void TfIOPreviews::TrackBar1Change(TObject*) {
    if (!Ready) return;
    TIOPreviewsValues& V = Values;
    const int Pos = TrackBar1->Position();
    if (Pos == std::lround(V.J2000Rate * 1000) && ComboBox15->ItemIndex() == V.J2000ColorSpace) return;
    V.J2000Rate = Pos / 1000.0;
    V.J2000ColorSpace = ComboBox15->ItemIndex();
    Ready = false;
    Edit15->SetText(std::to_string(std::lround(V.J2000Rate * 1000)));
    Ready = true;
    RunPreviewWhenLocked();
    Button4->SetEnabled(true);
}

void TfIOPreviews::ComboBox2Click(TObject* Sender) {
    if (!Ready) return;
    TIOPreviewsValues& V = Values;
    Ready = false;
    if (Sender == ComboBox3) {
        const int Ph = ComboBox3->ItemIndex();
        if ((Ph == phWhiteIsZero || Ph == phBlackIsZero) && ComboBox4->ItemIndex() != 0) ComboBox4->SetItemIndex(2);
        else if (Ph == phRGB || Ph == phCMYK || Ph == phYCbCr || Ph == phCIELab) ComboBox4->SetItemIndex(4);
        else if (Ph == phPalette) ComboBox4->SetItemIndex(2);
    } else if (Sender == ComboBox4) {
        const int Ph = ComboBox3->ItemIndex();
        switch (ComboBox4->ItemIndex()) {
            case 0: if (Ph > phBlackIsZero) ComboBox3->SetItemIndex(phBlackIsZero); break;
            case 1: ComboBox3->SetItemIndex(phPalette); break;
            case 2: if (Ph == phRGB || Ph > phPalette) ComboBox3->SetItemIndex(phPalette); break;
            default: break;
        }
    }
    Ready = true;
    const int Compression = IndexToCompression(ComboBox2->ItemIndex());
    const int Photometric = ComboBox3->ItemIndex();
    int Samples = 3, Bits = 8;
    if (Photometric == phCMYK) {
        Samples = 4;
    } else {
        static const int S[] = {1, 1, 1, 1, 3}, B[] = {1, 4, 8, 16, 8};
        const int I = ComboBox4->ItemIndex();
        if (I >= 0 && I <= 4) { Samples = S[I]; Bits = B[I]; }
    }
    const bool Changed = Compression != V.TIFFCompression || Photometric != V.TIFFPhotometric ||
                         Samples != V.TIFFSamples || Bits != V.TIFFBits;
    V.TIFFImageIndex = StrToIntDef(Edit1->Text(), 0);
    V.TIFFXPos = StrToIntDef(Edit2->Text(), 0);
    V.TIFFYPos = StrToIntDef(Edit3->Text(), 0);
    V.TIFFPageNumber = StrToIntDef(Edit7->Text(), 0);
    V.TIFFPageCount = StrToIntDef(Edit8->Text(), 0);
    V.TIFFDocumentName = Edit4->Text();
    V.TIFFImageDescription = Edit5->Text();
    V.TIFFPageName = Edit6->Text();
    if (Changed) {
        V.TIFFCompression = Compression;
        V.TIFFPhotometric = Photometric;
        V.TIFFSamples = Samples;
        V.TIFFBits = Bits;
        RunPreviewWhenLocked();
    }
    Button4->SetEnabled(true);
}

void TfIOPreviews::ComboBox16Change(TObject* Sender) {
    if (!Ready) return;
    TIOPreviewsValues& V = Values;
    int Compression = V.TIFFCompression, Photometric = V.TIFFPhotometric, Samples = V.TIFFSamples, Bits = V.TIFFBits;
    Ready = false;
    if (Sender == ComboBox16) {
        Compression = IndexToCompression(ComboBox16->ItemIndex());
        if (Compression >= 1 && Compression <= 4) {
            ComboBox17->SetItemIndex(0);
            Samples = Bits = 1;
            Photometric = phBlackIsZero;
        } else if (Compression == 7) {
            ComboBox17->SetItemIndex(3);
            Samples = 3;
            Bits = 8;
            Photometric = phYCbCr;
        }
    } else if (Sender == ComboBox17) {
        static const int S[] = {1, 1, 1, 3}, B[] = {1, 4, 8, 8};
        const int I = ComboBox17->ItemIndex();
        if (I >= 0 && I <= 3) { Samples = S[I]; Bits = B[I]; }
        if ((Bits > 1 && Compression >= 0 && Compression <= 4) || (Bits != 8 && Samples != 3 && Compression == 7)) {
            ComboBox16->SetItemIndex(0);
            Compression = 0;
        }
    }
    Ready = true;
    if (Compression != V.TIFFCompression || Photometric != V.TIFFPhotometric || Samples != V.TIFFSamples ||
        Bits != V.TIFFBits) {
        V.TIFFCompression = Compression;
        V.TIFFPhotometric = Photometric;
        V.TIFFSamples = Samples;
        V.TIFFBits = Bits;
        RunPreviewWhenLocked();
    }
    Button4->SetEnabled(true);
}

void TfIOPreviews::ComboBox5Click(TObject*) {
    if (!Ready) return;
    TIOPreviewsValues& V = Values;
    const int Bits = ComboBox5->ItemIndex() + 1;
    const bool Interlaced = CheckBox5->Checked();
    V.GIFImageIndex = StrToIntDef(Edit9->Text(), 0);
    V.GIFXPos = StrToIntDef(Edit10->Text(), 0);
    V.GIFYPos = StrToIntDef(Edit11->Text(), 0);
    V.GIFDelayTime = StrToIntDef(Edit12->Text(), 0);
    V.GIFTransparent = CheckBox4->Checked();
    Control("Label34")->SetEnabled(V.GIFTransparent);
    Panel3->SetEnabled(V.GIFTransparent);
    if (Bits != V.GIFBits || Interlaced != V.GIFInterlaced) {
        V.GIFBits = Bits;
        V.GIFInterlaced = Interlaced;
        RunPreviewWhenLocked();
    }
    Button4->SetEnabled(true);
}

void TfIOPreviews::ComboBox18Change(TObject*) {
    if (!Ready) return;
    const int Bits = ComboBox18->ItemIndex() + 1;
    if (Bits != Values.GIFBits) {
        Values.GIFBits = Bits;
        RunPreviewWhenLocked();
    }
    Button4->SetEnabled(true);
}

void TfIOPreviews::ComboBox6Change(TObject*) {
    if (!Ready) return;
    const bool Rle = ComboBox6->ItemIndex() == 1;
    if (ComboBox7->ItemIndex() != Values.BMPColors || Rle != Values.BMPCompression) {
        Values.BMPColors = ComboBox7->ItemIndex();
        Values.BMPCompression = Rle;
        RunPreviewWhenLocked();
    }
    Button4->SetEnabled(true);
}

void TfIOPreviews::ComboBox8Change(TObject*) {
    if (!Ready) return;
    const bool Rle = ComboBox8->ItemIndex() == 1;
    if (ComboBox9->ItemIndex() != Values.PCXColors || Rle != Values.PCXCompression) {
        Values.PCXColors = ComboBox9->ItemIndex();
        Values.PCXCompression = Rle;
        RunPreviewWhenLocked();
    }
    Button4->SetEnabled(true);
}

void TfIOPreviews::ComboBox10Change(TObject*) {
    if (!Ready) return;
    TIOPreviewsValues& V = Values;
    if (ComboBox10->ItemIndex() != V.PNGColors || CheckBox6->Checked() != V.PNGInterlaced ||
        ComboBox11->ItemIndex() != V.PNGFilter || ComboBox12->ItemIndex() != V.PNGCompression) {
        V.PNGColors = ComboBox10->ItemIndex();
        V.PNGInterlaced = CheckBox6->Checked();
        V.PNGFilter = ComboBox11->ItemIndex();
        V.PNGCompression = ComboBox12->ItemIndex();
        RunPreviewWhenLocked();
    }
    Button4->SetEnabled(true);
}

void TfIOPreviews::ComboBox14Click(TObject*) {
    if (!Ready) return;
    TIOPreviewsValues& V = Values;
    V.TGAImageName = Edit13->Text();
    V.TGADescription = Edit14->Text();
    if (ComboBox14->ItemIndex() != V.TGAColors || CheckBox1->Checked() != V.TGACompressed) {
        V.TGAColors = ComboBox14->ItemIndex();
        V.TGACompressed = CheckBox1->Checked();
        RunPreviewWhenLocked();
    }
    Button4->SetEnabled(true);
}

void TfIOPreviews::GifSwatch(TPanel* Swatch, TRGB& Working) {
    const int32_t Wanted = 1 << std::clamp(Values.GIFBits, 1, 8);
    // A preview older than the colour count (or none) is made again first, so that
    // the chooser is offered the palette of the current count.
    TIOParamsVals* P2 = ImageView2->IO()->Params.get();
    if (P2->Palette.empty() || static_cast<int32_t>(P2->Palette.size()) != Wanted) UpdatePreview();
    const int32_t Offered = std::min<int32_t>(Wanted, static_cast<int32_t>(P2->Palette.size()));
    if (Offered > 0) {
        TIEPaletteDialog* D = new TIEPaletteDialog(this);
        D->SetPalette(P2->Palette.data(), Offered);
        if (D->CancelButton) D->CancelButton->SetCaption(PaletteCancelCaption);
        if (D->Execute()) Swatch->SetColor(D->SelectedColor);
        D->Free();
    }
    Working = ColorToRGBTriple(static_cast<uint32_t>(Swatch->Color()));
    Button4->SetEnabled(true);
}

void TfIOPreviews::Panel3Click(TObject*) { GifSwatch(Panel3, Values.GIFTranspColor); }
void TfIOPreviews::Panel4Click(TObject*) { GifSwatch(Panel4, Values.GIFBackground); }

void TfIOPreviews::BackgroundSwatch(TPanel* Swatch, TRGB& Working) {
    TIOParamsVals* P2 = ImageView2->IO()->Params.get();
    if (!P2->Palette.empty()) {
        const int32_t N = std::min<int32_t>(CalcColorCount(P2->BitsPerSample, P2->SamplesPerPixel),
                                            static_cast<int32_t>(P2->Palette.size()));
        TIEPaletteDialog* D = new TIEPaletteDialog(this);
        D->SetPalette(P2->Palette.data(), N);
        if (D->CancelButton) D->CancelButton->SetCaption(PaletteCancelCaption);
        if (D->Execute()) Swatch->SetColor(D->SelectedColor);
        D->Free();
    } else {
        ColorDialog1->Color = Swatch->Color();
        if (ColorDialog1->Execute()) Swatch->SetColor(ColorDialog1->Color);
    }
    Working = ColorToRGBTriple(static_cast<uint32_t>(Swatch->Color()));
    Button4->SetEnabled(true);
}

void TfIOPreviews::Panel1Click(TObject*) { BackgroundSwatch(Panel1, Values.PNGBackground); }
void TfIOPreviews::Panel5Click(TObject*) { BackgroundSwatch(Panel5, Values.TGABackground); }

void TfIOPreviews::SpeedButton1Click(TObject*) {
    if (chkLockPreview->Checked()) UpdatePreview();
    Button3->SetEnabled(!chkLockPreview->Checked());
}

void TfIOPreviews::Button3Click(TObject*) { UpdatePreview(); }

void TfIOPreviews::PageControl1Changing(TObject*, bool&) { Ready = false; }

void TfIOPreviews::PageControl1Change(TObject*) {
    Ready = true;
    LoadWorkingValues();
    ShowPageValues();
    if (chkLockPreview->Checked()) UpdatePreview();
    Button4->SetEnabled(false);
}

int32_t TfIOPreviews::J2000FileType() const {
    return Params && Params->FileType == ioJP2 ? ioJP2 : ioJ2K;
}

void TfIOPreviews::WriteParams() {
    if (!Params) return;
    TIOParamsVals& P = *Params;
    const TIOPreviewsValues& V = Values;
    TTabSheet* Page = PageControl1->ActivePage();
    if (Page == TabSheetJPEG1 || Page == TabSheetJPEG2) {
        P.JPEGQuality = V.JPEGQuality;
        P.JPEGColorSpace = static_cast<uint8_t>(V.JPEGColorSpace);
        if (V.JPEGDCTMethod >= 0 && V.JPEGDCTMethod <= 2) P.JPEGDCTMethod = static_cast<uint8_t>(V.JPEGDCTMethod);
        P.JPEGOptimalHuffman = V.JPEGOptimalHuffman;
        P.JPEGSmooth = V.JPEGSmooth;
        P.JPEGProgressive = V.JPEGProgressive;
        P.FileType = ioJPEG;
    } else if (Page == TabSheetTIFF1 || Page == TabSheetTIFF2) {
        P.TIFFCompression = static_cast<uint8_t>(V.TIFFCompression);
        P.SetImageIndex(V.TIFFImageIndex);
        P.TIFFPhotometric = static_cast<uint8_t>(V.TIFFPhotometric);
        P.TIFFXPos = V.TIFFXPos;
        P.TIFFYPos = V.TIFFYPos;
        P.TIFFDocumentName = V.TIFFDocumentName;
        P.TIFFImageDescription = V.TIFFImageDescription;
        P.TIFFPageName = V.TIFFPageName;
        P.TIFFPageNumber = V.TIFFPageNumber;
        P.TIFFPageCount = V.TIFFPageCount;
        P.SamplesPerPixel = V.TIFFSamples;
        P.BitsPerSample = V.TIFFBits;
        P.FileType = ioTIFF;
    } else if (Page == TabSheetGIF1 || Page == TabSheetGIF2) {
        P.SetImageIndex(V.GIFImageIndex);
        P.GIFXPos = V.GIFXPos;
        P.GIFYPos = V.GIFYPos;
        P.GIFDelayTime = V.GIFDelayTime;
        P.GIFTransparent = V.GIFTransparent;
        P.GIFTranspColor = V.GIFTranspColor;
        P.GIFInterlaced = V.GIFInterlaced;
        P.GIFBackground = V.GIFBackground;
        P.BitsPerSample = V.GIFBits;
        P.FileType = ioGIF;
    } else if (Page == TabSheetBMP1) {
        P.BMPCompression = V.BMPCompression ? 1 : 0;
        BMPColorsToBits(V.BMPColors, P.BitsPerSample, P.SamplesPerPixel);
        P.FileType = ioBMP;
    } else if (Page == TabSheetPCX1) {
        P.PCXCompression = V.PCXCompression ? 1 : 0;
        BMPColorsToBits(std::min(V.PCXColors, 3), P.BitsPerSample, P.SamplesPerPixel);
        P.FileType = ioPCX;
    } else if (Page == TabSheetPNG1) {
        PNGColorsToBits(V.PNGColors, P.BitsPerSample, P.SamplesPerPixel);
        P.PNGBackground = V.PNGBackground;
        P.PNGInterlaced = V.PNGInterlaced;
        P.PNGFilter = static_cast<uint8_t>(V.PNGFilter);
        P.PNGCompression = V.PNGCompression;
        P.FileType = ioPNG;
    } else if (Page == TabSheetTGA1) {
        PNGColorsToBits(V.TGAColors, P.BitsPerSample, P.SamplesPerPixel);
        P.TGABackground = V.TGABackground;
        P.TGACompressed = V.TGACompressed;
        P.TGAImageName = V.TGAImageName;
        P.TGADescription = V.TGADescription;
        P.FileType = ioTGA;
    } else if (Page == TabSheetJ20001) {
        static const int S[] = {1, 3, 3};
        const int CS = std::clamp(V.J2000ColorSpace, 0, 2);
        P.BitsPerSample = 8;
        P.SamplesPerPixel = S[CS];
        P.J2000ColorSpace = static_cast<uint8_t>(CS);
        P.J2000Rate = V.J2000Rate;
        P.FileType = J2000FileType();
    }
}

void TfIOPreviews::Button1Click(TObject*) { WriteParams(); }

void TfIOPreviews::Button4Click(TObject*) {
    WriteParams();
    Button4->SetEnabled(false);
}

void TfIOPreviews::FollowSourceView() {
    ImageView2->LockPaint();
    ImageView2->SetZoom(ImageView1->Zoom());
    ImageView2->ScrollTo(ImageView1->ViewX(), ImageView1->ViewY());
    ImageView2->UnlockPaint();
}

void TfIOPreviews::ImageView1ViewChange(TObject*, int32_t) { FollowSourceView(); }

void TfIOPreviews::ImageView1Progress(TObject*, int Percent) {
    ProgressBar1->SetPosition(Percent / std::max(1, ProgressSteps) + ProgressBase);
}

void TfIOPreviews::UpdatePreview() {
    if (!Activated) return;
    const TCursor OldCursor = Screen->Cursor();
    Screen->SetCursor(crHourGlass);
    rtl::TScopeExit RestoreCursor([&] { Screen->SetCursor(OldCursor); });
    TMemoryStream Mem;
    TNulStream Nul;
    TIEImageIO* IO1 = ImageView1->IO();
    TIEImageIO* IO2 = ImageView2->IO();
    TIOParamsVals& P1 = *IO1->Params;
    const TIOPreviewsValues& V = Values;
    IO1->BWConversion = BWConversion;
    ProgressBase = 0;
    TTabSheet* Page = PageControl1->ActivePage();
    auto CopySource = [&] {
        try {
            ImageView2->Assign(ImageView1);
            ImageView2->Update();
        } catch (const std::exception&) {
            SetCaption("Result can not be shown but parameters may be entered");
        }
        IO2->Params->Assign(&P1);
    };
    auto Reduce = [&] {
        TIOParamsVals& P2 = *IO2->Params;
        const int32_t N = CalcColorCount(P2.BitsPerSample, P2.SamplesPerPixel);
        if (N > 256) {
            P2.FreePalette();
        } else {
            P2.SetPaletteCount(N);
            ImageView2->Proc()->ConvertToPalette(N, std::span<TRGB>(P2.Palette), BWConversion);
        }
    };
    auto Sized = [&](std::initializer_list<const char*> Labels, int64_t N) {
        for (const char* L : Labels) Control(L)->SetCaption(Bytes(N));
    };
    if (Page == TabSheetJPEG1 || Page == TabSheetJPEG2) {
        ProgressSteps = 2;
        P1.JPEGQuality = V.JPEGQuality;
        P1.JPEGColorSpace = static_cast<uint8_t>(V.JPEGColorSpace);
        if (V.JPEGDCTMethod >= 0 && V.JPEGDCTMethod <= 2) P1.JPEGDCTMethod = static_cast<uint8_t>(V.JPEGDCTMethod);
        P1.JPEGOptimalHuffman = V.JPEGOptimalHuffman;
        P1.JPEGSmooth = V.JPEGSmooth;
        P1.JPEGProgressive = V.JPEGProgressive;
        IO1->SaveToStreamJPEG(Mem);
        Sized({"Label25", "Label76"}, Mem.Size());
        Mem.SetPosition(0);
        ProgressBase = 50;
        IO2->LoadFromStreamJPEG(Mem);
    } else if (Page == TabSheetJ20001) {
        ProgressSteps = 2;
        P1.J2000Rate = V.J2000Rate;
        P1.J2000ColorSpace = static_cast<uint8_t>(V.J2000ColorSpace);
        P1.BitsPerSample = 8;
        P1.SamplesPerPixel = 3;
        IO1->SaveToStreamJ2K(Mem);
        Sized({"Label70"}, Mem.Size());
        Mem.SetPosition(0);
        ProgressBase = 50;
        IO2->LoadFromStreamJ2K(Mem);
    } else if (Page == TabSheetTIFF1 || Page == TabSheetTIFF2) {
        ProgressSteps = 1;
        P1.TIFFLZWDecompressor = V.TIFFLZWDecompressor;
        P1.TIFFLZWCompressor = V.TIFFLZWCompressor;
        P1.TIFFCompression = static_cast<uint8_t>(V.TIFFCompression);
        P1.TIFFPhotometric = static_cast<uint8_t>(V.TIFFPhotometric);
        P1.SamplesPerPixel = V.TIFFSamples;
        P1.BitsPerSample = V.TIFFBits;
        IO1->SaveToStreamTIFF(Nul);
        Sized({"Label18", "Label80"}, Nul.Size());
        CopySource();
        const int Ph = V.TIFFPhotometric;
        if ((Ph == phWhiteIsZero || Ph == phBlackIsZero) && V.TIFFBits == 8 && V.TIFFSamples == 1) {
            ImageView2->Proc()->ConvertToGray();
            IO2->Params->FreePalette();
        } else if (Ph < phCMYK) {
            Reduce();
        }
    } else if (Page == TabSheetGIF1 || Page == TabSheetGIF2) {
        ProgressSteps = 1;
        P1.BitsPerSample = V.GIFBits;
        P1.SamplesPerPixel = 1;
        P1.GIFInterlaced = V.GIFInterlaced;
        IO1->SaveToStreamGIF(Nul);
        Sized({"Label30", "Label86"}, Nul.Size());
        CopySource();
        Reduce();
    } else if (Page == TabSheetPNG1) {
        ProgressSteps = 1;
        PNGColorsToBits(V.PNGColors, P1.BitsPerSample, P1.SamplesPerPixel);
        P1.PNGInterlaced = V.PNGInterlaced;
        P1.PNGFilter = static_cast<uint8_t>(V.PNGFilter);
        P1.PNGCompression = V.PNGCompression;
        IO1->SaveToStreamPNG(Nul);
        Sized({"Label53"}, Nul.Size());
        CopySource();
        Reduce();
    } else if (Page == TabSheetTGA1) {
        ProgressSteps = 1;
        PNGColorsToBits(V.TGAColors, P1.BitsPerSample, P1.SamplesPerPixel);
        P1.TGACompressed = V.TGACompressed;
        IO1->SaveToStreamTGA(Nul);
        Sized({"Label61"}, Nul.Size());
        CopySource();
        Reduce();
    } else if (Page == TabSheetBMP1 || Page == TabSheetPCX1) {
        ProgressSteps = 1;
        const bool Bmp = Page == TabSheetBMP1;
        if (Bmp) {
            P1.BMPCompression = V.BMPCompression ? 1 : 0;
            BMPColorsToBits(V.BMPColors, P1.BitsPerSample, P1.SamplesPerPixel);
            IO1->SaveToStreamBMP(Nul);
            Sized({"Label42"}, Nul.Size());
        } else {
            P1.PCXCompression = V.PCXCompression ? 1 : 0;
            BMPColorsToBits(std::min(V.PCXColors, 3), P1.BitsPerSample, P1.SamplesPerPixel);
            IO1->SaveToStreamPCX(Nul);
            Sized({"Label48"}, Nul.Size());
        }
        CopySource();
        const int32_t N = CalcColorCount(IO2->Params->BitsPerSample, IO2->Params->SamplesPerPixel);
        if (N <= 256) ImageView2->Proc()->ConvertTo(N, BWConversion);
    }
    ProgressBar1->SetPosition(0);
    FollowSourceView();
}

bool IEShowPreviewsDialog(TIEImageIO* IO, uint16_t Pages) {
    TfIOPreviews* D = new TfIOPreviews(IO);
    rtl::TScopeExit FreeDialog([&] {
        D->ImageView1->SetExternalBitmap(nullptr);
        D->Free();
    });
    bool Result = false;
    D->InitialLockPreview = (IO->PreviewsParams & ioppDefaultLockPreview) != 0;
    D->Button4->SetVisible((IO->PreviewsParams & ioppApplyButton) != 0);
    D->Params = IO->Params.get();
    D->Simplified = IO->SimplifiedParamsDialogs;
    if (D->Simplified) {
        D->PageControl1->SetHeight(Screen->PixelsPerInch * 61 / 48);
        D->SetHeight(Screen->PixelsPerInch * 15 / 4);
    }
    D->BWConversion = IO->BWConversion;
    D->ApplyLanguageTexts(IO->MsgLanguage);
    D->Font().Assign(*IO->PreviewFont());
    D->ImageView1->SetExternalBitmap(IO->IEBitmap());
    D->ImageView2->ClearImage();
    if (D->SelectPages(Pages)) {
        if (IO->OnIOPreview) IO->OnIOPreview(IO, D);
        Result = D->ShowModal() == mrOk;
    }
    return Result;
}
