// Colour quantizers: a palette of at most N colours for a bitmap, and the
// palette index of any colour of that bitmap. The image writers, the bitmap's
// palette conversions and the colour reduction create one per image, read the
// palette they passed in, call GetColorIndex for every pixel and free it.
//
// Choice of palette: an ieRGB24 image that is not grey gets its exact colours
// when it has at most N of them (in order of first appearance), else a
// variance-split palette (N < 128) or a NeuQuant palette (N >= 128); an ie8p
// image gets its own first N entries; any other grey image an even ramp
// Trunc(256 / N x i). GetColorIndex always answers 0..N-1 (a colour outside
// the exact list or an ie8p palette maps to the nearest entry).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/bitmaps/iedefs.h"
#include "platform/rtl/classes.h"

class TIEBitmap;

struct TIENeuQuant;
struct TIEVarianceQuantizer;

class TIEQuantizer : public TObject {
public:
    // palette: the caller's array of at least N entries; the first entries are
    // written, the rest left alone. quality -1 (automatic sample factor) or
    // 0..100; method is accepted for the callers' sake and not consulted. The
    // bitmap is not copied and must keep its pixels while the quantizer lives.
    TIEQuantizer(TIEBitmap* bitmap, TRGB* palette, int32_t N, int32_t quality = -1, int32_t method = 0);
    ~TIEQuantizer() override;
    TIEQuantizer(const TIEQuantizer&) = delete;
    TIEQuantizer& operator=(const TIEQuantizer&) = delete;

    // Remembers the answers of the palette engines, so the quantizer itself is
    // for one thread at a time.
    int32_t GetColorIndex(TRGB color);
    // The same answer without the memory: safe from several threads at once.
    int32_t IndexOf(TRGB color) const;
    // Packed form: blue in bits 0-7, green 8-15, red 16-23.
    int32_t GetColorIndex(int32_t packed) { return GetColorIndex(IntToTRGB(packed)); }
    // The bitmap counted as grey when the palette was built (writers read it).
    bool GrayScale() const { return FGrey; }
    int32_t ColorCount() const { return FCount; }
    // 0 NeuQuant, 1 variance split, -1 neither engine was built.
    int32_t Method() const { return FMethod; }
    // Colours in the exact list (0 when the exact list is not used).
    int32_t ExactCount() const { return static_cast<int32_t>(FExact.size()); }

private:
    int32_t FMethod = -1;
    std::unique_ptr<TIENeuQuant> FNeuQuant;
    std::unique_ptr<TIEVarianceQuantizer> FVariance;
    bool FGrey = false;
    bool FIsPalette = false;
    std::vector<TRGB> FExact;
    std::vector<int32_t> FExactHash;  // open addressing: index into FExact, -1 empty
    std::vector<TRGB> FPalette;       // copy of an ie8p bitmap's entries for nearest lookups
    std::vector<uint64_t> FCache;     // engine answers: colour + 1 in bits 0-24, index from bit 32
    int32_t FCount = 0;
    TIEBitmap* FBitmap = nullptr;

    bool BuildExactPalette(TRGB* palette);
};

// The exact colours of an ieRGB24 bitmap in order of first appearance, or an
// empty list when it has more than N.
std::vector<TRGB> ExactPalette(TIEBitmap* bitmap, int32_t N);
// First index of colour in the list, -1 when absent.
int32_t IndexOfRGB(const TRGB* list, int32_t length, TRGB colour);

// The engines behind TIEQuantizer.
TIEVarianceQuantizer* CreateVarianceQuantizer(TIEBitmap* bitmap, TRGB* palette, int32_t N, int32_t* boxesMade = nullptr);
int32_t VarianceQuantizerIndex(const TIEVarianceQuantizer* state, TRGB colour);
void FreeVarianceQuantizer(TIEVarianceQuantizer* state);

TIENeuQuant* NeuQuantCreate(TIEBitmap* bitmap, TRGB* palette, int32_t quality, int32_t N);
int32_t NeuQuantIndex(const TIENeuQuant* context, TRGB colour);
void NeuQuantFree(TIENeuQuant* context);
// The sample factor NeuQuant uses for an image of that many pixels.
int32_t NeuQuantSampleFactor(int64_t pixels, int32_t quality);
