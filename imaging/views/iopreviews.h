// The save-parameters dialog: the options of one image for eight formats, with
// the source beside a preview of the saved result and the size the file takes.
// Built from the form file fIOPreviews; edits the record it is given only on
// OK and Apply.
#pragma once

#include <cstdint>
#include <string>

#include "imaging/io/ieformats.h"
#include "imaging/io/ieimageio.h"
#include "imaging/views/ieimageview.h"
#include "platform/classlib/comctrls.h"
#include "platform/classlib/dialogs.h"
#include "platform/classlib/extctrls.h"
#include "platform/classlib/forms.h"
#include "platform/classlib/stdctrls.h"

// The options being edited, one set for all pages.
struct TIOPreviewsValues {
    int32_t JPEGQuality = 0, JPEGColorSpace = 0, JPEGDCTMethod = 0, JPEGSmooth = 0;
    bool JPEGOptimalHuffman = false, JPEGProgressive = false;
    double J2000Rate = 0;
    int32_t J2000ColorSpace = 0;
    TTIFFLZWDecompFunc TIFFLZWDecompressor = nullptr;
    TTIFFLZWCompFunc TIFFLZWCompressor = nullptr;
    int32_t TIFFCompression = 0, TIFFImageIndex = 0, TIFFPhotometric = 0, TIFFXPos = 0, TIFFYPos = 0;
    std::string TIFFDocumentName, TIFFImageDescription, TIFFPageName;
    int32_t TIFFPageNumber = 0, TIFFPageCount = 0;
    int32_t TIFFSamples = 0, TIFFBits = 0;
    int32_t GIFImageIndex = 0, GIFXPos = 0, GIFYPos = 0, GIFDelayTime = 0, GIFBits = 8;
    bool GIFTransparent = false, GIFInterlaced = false;
    TRGB GIFTranspColor{0, 0, 0}, GIFBackground{0, 0, 0};
    bool BMPCompression = false, PCXCompression = false;
    int32_t BMPColors = 0, PCXColors = 0;
    int32_t PNGColors = 0, PNGFilter = 0, PNGCompression = 0;
    bool PNGInterlaced = false;
    TRGB PNGBackground{0, 0, 0};
    int32_t TGAColors = 0;
    bool TGACompressed = false;
    TRGB TGABackground{0, 0, 0};
    std::string TGAImageName, TGADescription;
};

class TfIOPreviews : public TForm {
public:
    explicit TfIOPreviews(TComponent* AOwner);

    TPanel *Panel2 = nullptr, *Panel1 = nullptr, *Panel3 = nullptr, *Panel4 = nullptr, *Panel5 = nullptr;
    TIEImageView *ImageView1 = nullptr, *ImageView2 = nullptr;
    TProgressBar* ProgressBar1 = nullptr;
    TPageControl* PageControl1 = nullptr;
    TTabSheet *TabSheetJPEG1 = nullptr, *TabSheetJPEG2 = nullptr, *TabSheetTIFF1 = nullptr, *TabSheetTIFF2 = nullptr,
              *TabSheetGIF1 = nullptr, *TabSheetGIF2 = nullptr, *TabSheetBMP1 = nullptr, *TabSheetPCX1 = nullptr,
              *TabSheetPNG1 = nullptr, *TabSheetTGA1 = nullptr, *TabSheetJ20001 = nullptr;
    TButton *Button1 = nullptr, *Button2 = nullptr, *Button3 = nullptr, *Button4 = nullptr;
    TCheckBox *chkLockPreview = nullptr, *CheckBox1 = nullptr, *CheckBox2 = nullptr, *CheckBox3 = nullptr,
              *CheckBox4 = nullptr, *CheckBox5 = nullptr, *CheckBox6 = nullptr;
    TColorDialog* ColorDialog1 = nullptr;
    TEdit *Edit1 = nullptr, *Edit2 = nullptr, *Edit3 = nullptr, *Edit4 = nullptr, *Edit5 = nullptr, *Edit6 = nullptr,
          *Edit7 = nullptr, *Edit8 = nullptr, *Edit9 = nullptr, *Edit10 = nullptr, *Edit11 = nullptr, *Edit12 = nullptr,
          *Edit13 = nullptr, *Edit14 = nullptr, *Edit15 = nullptr, *Edit16 = nullptr, *Edit22 = nullptr, *Edit23 = nullptr;
    TComboBox *ComboBox1 = nullptr, *ComboBox2 = nullptr, *ComboBox3 = nullptr, *ComboBox4 = nullptr,
              *ComboBox5 = nullptr, *ComboBox6 = nullptr, *ComboBox7 = nullptr, *ComboBox8 = nullptr,
              *ComboBox9 = nullptr, *ComboBox10 = nullptr, *ComboBox11 = nullptr, *ComboBox12 = nullptr,
              *ComboBox13 = nullptr, *ComboBox14 = nullptr, *ComboBox15 = nullptr, *ComboBox16 = nullptr,
              *ComboBox17 = nullptr, *ComboBox18 = nullptr;
    TTrackBar *TrackBar1 = nullptr, *TrackBar2 = nullptr, *TrackBar13 = nullptr;
    TGroupBox *GroupBox1 = nullptr, *GroupBox2 = nullptr, *GroupBox3 = nullptr, *GroupBox5 = nullptr;

    TIOParamsVals* Params = nullptr;  // the record being edited, not owned
    uint16_t Pages = 0;
    bool InitialLockPreview = false;
    bool Simplified = false;
    TIEBWConversion BWConversion = ieBWThreshold;
    std::string PaletteCancelCaption = "&Cancel";
    bool Ready = false;
    bool Activated = false;
    int32_t ProgressBase = 0, ProgressSteps = 1;
    TIOPreviewsValues Values;

    // Stores the pages; ppAuto adds the page of Params' file type. False only for ppAuto alone.
    bool SelectPages(uint16_t APages);
    void ApplyLanguageTexts(TMsgLanguage Language);
    void LoadWorkingValues();
    void ShowPageValues();
    void UpdatePreview();
    static bool LZWAvailable();
    static int CompressionToIndex(int Code);
    static int IndexToCompression(int Index);
    // Writes the options of the active page into Params (OK and Apply).
    void WriteParams();
    // A control of the form by name, for captions and tests.
    TControl* Control(const std::string& Name);

    void FormCreate(TObject* Sender);
    void FormActivate(TObject* Sender);
    void FormDestroy(TObject* Sender);
    void PageControl1Changing(TObject* Sender, bool& AllowChange);
    void PageControl1Change(TObject* Sender);
    void Edit22Change(TObject* Sender);
    void TrackBar13Change(TObject* Sender);
    void Edit16Change(TObject* Sender);
    void TrackBar2Change(TObject* Sender);
    void Edit15Change(TObject* Sender);
    void TrackBar1Change(TObject* Sender);
    void ComboBox2Click(TObject* Sender);
    void ComboBox16Change(TObject* Sender);
    void ComboBox5Click(TObject* Sender);
    void ComboBox18Change(TObject* Sender);
    void ComboBox6Change(TObject* Sender);
    void ComboBox8Change(TObject* Sender);
    void ComboBox10Change(TObject* Sender);
    void ComboBox14Click(TObject* Sender);
    void Panel3Click(TObject* Sender);
    void Panel4Click(TObject* Sender);
    void Panel1Click(TObject* Sender);
    void Panel5Click(TObject* Sender);
    void SpeedButton1Click(TObject* Sender);
    void Button1Click(TObject* Sender);
    void Button3Click(TObject* Sender);
    void Button4Click(TObject* Sender);
    void ImageView1ViewChange(TObject* Sender, int32_t Change);
    void ImageView1Progress(TObject* Sender, int Percent);

private:
    void RunPreviewWhenLocked();
    void FollowSourceView();
    void GifSwatch(TPanel* Swatch, TRGB& Working);
    void BackgroundSwatch(TPanel* Swatch, TRGB& Working);
    // Keeps a preview file type of JPEG 2000 (13 or 14) as it was.
    int32_t J2000FileType() const;
};

// Makes and shows the dialog for an I/O component (what TIEImageIO::DoPreviews runs).
bool IEShowPreviewsDialog(TIEImageIO* IO, uint16_t Pages);
