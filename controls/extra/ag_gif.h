// The GIF graphic of the extra components: GIF87a and GIF89a images with any
// number of frames, read from a stream or a form's "Data", written back, and
// drawn one frame at a time. A frame keeps its LZW data as read and decodes it
// only when its bitmap is asked for; frames made from bitmaps are encoded when
// the image is written.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "controls/extra/ag_giflzw.h"
#include "platform/classlib/graphics.h"

// No colour (no transparent or background colour).
constexpr TColor clGIFNone = static_cast<TColor>(0x1FFFFFFF);

// Frames larger than this many pixels are refused before anything is allocated.
constexpr int64_t kGIFMaxFramePixels = int64_t(1) << 26;

struct TGIFColourTable {
    int32_t Count = 0;                 // 0..256
    std::array<uint8_t, 768> RGB{};    // red, green, blue per entry
    TColor Colour(int Index) const;    // as a windowing colour
    int IndexOf(TColor Colour) const;  // the first equal entry, -1 when none
};

// The image's global data, shared by images assigned from each other.
class TGIFData {
public:
    TStringList CommentLines;
    uint8_t PixelAspect = 0;
    uint8_t ColourBits = 0;  // exponent of the global table's size
    uint8_t ColourResolution = 0;
    TGIFColourTable ColourTable;
};

// A frame's LZW data and colours, shared by frames assigned from each other.
class TGIFItem {
public:
    TMemoryStream LZWData;  // minimum code size, sub-blocks, terminator
    int Width = 0, Height = 0;
    uint8_t DescriptorFlags = 0;
    uint8_t ColourBits = 0;
    TGIFColourTable ColourTable;
};

enum : uint8_t { gifGraphicControl = 0, gifPlainText = 1, gifApplication = 2, gifComment = 3 };

class TExtension {
public:
    uint8_t Kind = gifGraphicControl;
    TStringList Lines;            // one string per data sub-block
    std::vector<uint8_t> Header;  // the fixed bytes after the label
    void Assign(const TExtension& Source);
};

class TGIFImage;

class TGIFFrame {
public:
    explicit TGIFFrame(TGIFImage* Owner);
    ~TGIFFrame();
    TGIFFrame(const TGIFFrame&) = delete;
    TGIFFrame& operator=(const TGIFFrame&) = delete;

    TGIFImage* OwnerImage;
    std::unique_ptr<TBitmap> FrameBitmap;
    std::shared_ptr<TGIFItem> Item;
    std::vector<std::unique_ptr<TExtension>> ExtensionList;  // empty: none
    POINT Origin{0, 0};
    bool IsInterlaced = false, IsCorrupt = false, IsGreyScale = false, HasLocalColours = false;
    TColor TransparentColour = clGIFNone;
    uint32_t DelayMs = 0;  // display time; GIF delays are hundredths
    uint8_t Disposal = 0;  // 0 none, 1 leave, 2 background, 3 previous

    void ResetItem();
    // The frame's picture, decoded on first use; owned by the frame.
    TBitmap* DecodedBitmap();
    int Width();
    int Height();
    void Draw(TCanvas& Canvas, const TRect& R, bool Transparent);

    void Assign(const TGIFFrame* Source);
    void Assign(TGIFImage* Source);
    void Assign(TGraphic* Source);
    void AssignTo(TGraphic* Dest);

    // The lines of the frame's last comment extension, made when missing.
    TStrings& CommentText();
    void SetCommentText(const TStrings& Lines);

    void ReadImage(TStream& S);
    std::unique_ptr<TMemoryStream> DecodeToBMP();
    void EncodeBitmap();
    void EncodeFromBMP(TStream& Bmp);
    void SyncGraphicControl();

private:
    TExtension* GraphicControl();
};

class TGIFImage : public TGraphic {
public:
    TGIFImage();
    ~TGIFImage() override;

    std::shared_ptr<TGIFData> GlobalData;
    int GIFVersion = 0;  // 0 none, 1 GIF87a, 2 GIF89a
    std::vector<std::unique_ptr<TGIFFrame>> Frames;
    int CurrentFrame = -1;
    uint16_t LogicalWidth = 0, LogicalHeight = 0;
    TColor BackgroundColour = clGIFNone;
    bool LoopEnabled = false;
    uint16_t LoopCount = 1;
    TGIFProgress OnProgress;

    void Clear();
    int GetCount() const { return static_cast<int>(Frames.size()); }
    TGIFFrame* GetFrame(int Index) const;
    TColor GetBackgroundColor() const { return BackgroundColour; }
    int GetScreenWidth() const { return Frames.empty() ? 0 : LogicalWidth; }
    int GetScreenHeight() const { return Frames.empty() ? 0 : LogicalHeight; }
    int AppendFrame(TGraphic* Graphic);
    TBitmap* CurrentBitmap();
    void UpdateScreenSize();

    int Width() const override;
    int Height() const override;
    void SetWidth(int Value) override;
    void SetHeight(int Value) override;
    bool Empty() const override;
    bool GetTransparent() const;
    bool Equals(const TGIFImage* Other) const { return Other && Other->GlobalData == GlobalData; }
    void Draw(TCanvas& Canvas, const TRect& R) override;

    void Assign(TGIFImage* Source);
    void Assign(TGIFFrame* Source);
    void Assign(TGraphic* Source);  // a TBitmap, another image or frame; nullptr clears
    void AssignTo(TGraphic* Dest);

    void LoadFromStream(TStream& Stream) override;
    void SaveToStream(TStream& Stream) override;
    // "GIF Image" data (a 32-bit count and the GIF; a CF_DIB bitmap on the
    // open clipboard becomes frame 0's picture), or a bitmap of another format.
    void LoadFromClipboardFormat(UINT Format, HANDLE Data, HPALETTE Palette) override;
    // Frame 0's bitmap as CF_DIB in Format and Data; when every frame has its
    // LZW data the GIF also goes on the open clipboard as "GIF Image".
    void SaveToClipboardFormat(UINT& Format, HANDLE& Data, HPALETTE& Palette) override;
    // The form's "Data": a signed 32-bit byte count, then the GIF.
    void ReadData(TStream& Stream);
    void WriteData(TStream& Stream);

    void ParseGIF(int64_t Count, TStream& Stream, bool DecodeFirst);
    void WriteGIF(TStream& Stream, bool WithCount);

    void Progress(TProgressStage Stage, uint8_t Percent, const std::string& Msg) const {
        if (OnProgress) OnProgress(Stage, Percent, Msg);
    }

private:
    void ReadExtensionRun(TStream& S, uint8_t& Separator, std::vector<std::unique_ptr<TExtension>>& Collected);
};

// The clipboard format "GIF Image" (0 until RegisterAgGIF).
extern UINT CF_GIF;
// Registers "gif" and the clipboard format with the picture class.
void RegisterAgGIF();
