// Text: fonts through fontconfig and FreeType (one table maps the faces callers
// ask for to free faces), metrics, extents and glyph drawing. Glyphs are
// rendered monochrome unless the font asks for anti-aliasing; either way the
// result is the same on every run.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>
#include <unordered_map>

#include "platform/gdi/gdi_private.h"

namespace gdi {

std::u16string Utf8ToUtf16(const char* Text, int Count) {
    std::u16string Out;
    if (!Text) return Out;
    size_t N = Count < 0 ? std::char_traits<char>::length(Text) : static_cast<size_t>(Count);
    const auto* S = reinterpret_cast<const unsigned char*>(Text);
    for (size_t I = 0; I < N;) {
        uint32_t C = S[I];
        int More = 0;
        if (C < 0x80) {
        } else if ((C & 0xE0) == 0xC0) {
            C &= 0x1F;
            More = 1;
        } else if ((C & 0xF0) == 0xE0) {
            C &= 0x0F;
            More = 2;
        } else if ((C & 0xF8) == 0xF0) {
            C &= 0x07;
            More = 3;
        } else {
            C = 0xFFFD;
        }
        ++I;
        for (int K = 0; K < More; ++K, ++I) {
            if (I >= N || (S[I] & 0xC0) != 0x80) {
                C = 0xFFFD;
                break;
            }
            C = (C << 6) | (S[I] & 0x3F);
        }
        if (C >= 0x10000 && C <= 0x10FFFF) {
            C -= 0x10000;
            Out.push_back(static_cast<char16_t>(0xD800 + (C >> 10)));
            Out.push_back(static_cast<char16_t>(0xDC00 + (C & 0x3FF)));
        } else {
            Out.push_back(static_cast<char16_t>(C > 0x10FFFF ? 0xFFFD : C));
        }
    }
    return Out;
}

std::string Utf16ToUtf8(const char16_t* Text, int Count) {
    std::string Out;
    if (!Text) return Out;
    size_t N = 0;
    if (Count < 0)
        while (Text[N]) ++N;
    else
        N = static_cast<size_t>(Count);
    for (size_t I = 0; I < N; ++I) {
        uint32_t C = Text[I];
        if (C >= 0xD800 && C < 0xDC00 && I + 1 < N && Text[I + 1] >= 0xDC00 && Text[I + 1] < 0xE000) {
            C = 0x10000 + ((C - 0xD800) << 10) + (Text[I + 1] - 0xDC00);
            ++I;
        }
        if (C < 0x80) {
            Out.push_back(static_cast<char>(C));
        } else if (C < 0x800) {
            Out.push_back(static_cast<char>(0xC0 | (C >> 6)));
            Out.push_back(static_cast<char>(0x80 | (C & 0x3F)));
        } else if (C < 0x10000) {
            Out.push_back(static_cast<char>(0xE0 | (C >> 12)));
            Out.push_back(static_cast<char>(0x80 | ((C >> 6) & 0x3F)));
            Out.push_back(static_cast<char>(0x80 | (C & 0x3F)));
        } else {
            Out.push_back(static_cast<char>(0xF0 | (C >> 18)));
            Out.push_back(static_cast<char>(0x80 | ((C >> 12) & 0x3F)));
            Out.push_back(static_cast<char>(0x80 | ((C >> 6) & 0x3F)));
            Out.push_back(static_cast<char>(0x80 | (C & 0x3F)));
        }
    }
    return Out;
}

// ---- Faces ---------------------------------------------------------------------

// The faces callers ask for, mapped to metric-compatible or close free faces.
struct TFaceMap {
    const char* Requested;
    const char* Family;
};
const TFaceMap FaceTable[] = {
    {"Arial", "Liberation Sans"},
    {"MS Sans Serif", "Liberation Sans"},
    {"MS Shell Dlg", "Liberation Sans"},
    {"System", "Liberation Sans"},
    {"Tahoma", "DejaVu Sans Condensed"},
    {"Verdana", "DejaVu Sans"},
    {"Courier New", "Liberation Mono"},
    {"Courier", "Liberation Mono"},
    {"Fixedsys", "Liberation Mono"},
    {"Terminal", "Liberation Mono"},
    {"Times New Roman", "Liberation Serif"},
    {"Times", "Liberation Serif"},
};
const char* DefaultFamily = "Liberation Sans";
// Characters a face lacks are drawn from the first face of this fixed chain
// that has them (a fixed chain rather than fontconfig's sort, so pictures are
// the same on every machine): wide European coverage, then CJK, then symbols
// and emoji outlines.
const char* const FallbackFamilies[] = {"DejaVu Sans", "Droid Sans Fallback", "Symbola"};

struct TGlyph {
    int Advance = 0;  // pixels along the baseline
    FT_Vector Step{0, 0};  // rotated faces: the advance as a 26.6 vector, y up
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    std::vector<uint8_t> Coverage;  // 0..255, Width x Height
};

struct TFontFace {
    FT_Face Face = nullptr;
    std::string File;
    bool Mono = true;
    bool SynthBold = false;
    bool SynthItalic = false;
    bool Rotated = false;  // a non-zero escapement
    double Angle = 0;      // radians, counter-clockwise
    TEXTMETRICW Tm{};
    int UnderlinePos = 1;  // below the baseline
    int UnderlineThick = 1;
    int StrikePos = 3;  // above the baseline
    // The fallback chain is made when a character the face lacks is first
    // drawn or measured: most text never needs it, and each face of it costs a
    // fontconfig match and a FreeType face. Made for the font the face was
    // opened for (its size and style).
    LOGFONTW Log{};
    bool Bold = false, Italic = false;
    bool ChainSet = false;
    std::vector<std::shared_ptr<TFontFace>> Fallbacks;  // in the order they are tried
    std::unordered_map<uint32_t, TGlyph> Glyphs;
    ~TFontFace() {
        if (Face) FT_Done_Face(Face);
    }
};

namespace {

std::mutex& FontLock() {
    static std::mutex* M = new std::mutex;
    return *M;
}

FT_Library Library() {
    static FT_Library Lib = [] {
        FT_Library L = nullptr;
        FT_Init_FreeType(&L);
        return L;
    }();
    return Lib;
}

std::map<std::string, std::shared_ptr<TFontFace>>& FaceCache() {
    static auto* Cache = new std::map<std::string, std::shared_ptr<TFontFace>>;
    return *Cache;
}

bool SameName(const std::string& A, const char* B) {
    size_t N = std::strlen(B);
    if (A.size() != N) return false;
    for (size_t I = 0; I < N; ++I)
        if (std::tolower(static_cast<unsigned char>(A[I])) != std::tolower(static_cast<unsigned char>(B[I]))) return false;
    return true;
}

const char* MapFamily(const std::string& Requested) {
    for (const TFaceMap& M : FaceTable)
        if (SameName(Requested, M.Requested)) return M.Family;
    return nullptr;
}

struct TMatch {
    std::string File;
    int Index = 0;
    bool Bold = false;
    bool Italic = false;
};

// Asks fontconfig for Family; false when it offers some other family instead.
bool AskFontconfig(const char* Family, bool Bold, bool Italic, bool Exact, TMatch& Out) {
    FcPattern* P = FcPatternCreate();
    FcPatternAddString(P, FC_FAMILY, reinterpret_cast<const FcChar8*>(Family));
    FcPatternAddInteger(P, FC_WEIGHT, Bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(P, FC_SLANT, Italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcConfigSubstitute(nullptr, P, FcMatchPattern);
    FcDefaultSubstitute(P);
    FcResult R;
    FcPattern* M = FcFontMatch(nullptr, P, &R);
    FcPatternDestroy(P);
    if (!M) return false;
    bool Ok = false;
    FcChar8* File = nullptr;
    FcChar8* Found = nullptr;
    if (FcPatternGetString(M, FC_FILE, 0, &File) == FcResultMatch &&
        FcPatternGetString(M, FC_FAMILY, 0, &Found) == FcResultMatch) {
        Ok = !Exact || SameName(reinterpret_cast<const char*>(Found), Family);
        // Families with several names (DejaVu Sans, DejaVu Sans Condensed) list them all.
        for (int I = 1; !Ok && FcPatternGetString(M, FC_FAMILY, I, &Found) == FcResultMatch; ++I)
            Ok = SameName(reinterpret_cast<const char*>(Found), Family);
        if (Ok) {
            Out.File = reinterpret_cast<const char*>(File);
            int Index = 0, Weight = 0, Slant = 0;
            FcPatternGetInteger(M, FC_INDEX, 0, &Index);
            FcPatternGetInteger(M, FC_WEIGHT, 0, &Weight);
            FcPatternGetInteger(M, FC_SLANT, 0, &Slant);
            Out.Index = Index;
            Out.Bold = Weight >= FC_WEIGHT_DEMIBOLD;
            Out.Italic = Slant != FC_SLANT_ROMAN;
        }
    }
    FcPatternDestroy(M);
    return Ok;
}

// AskFontconfig, once per family and style: every new font object of the same
// description would otherwise pay for fontconfig's substitution and match again
// (the configuration is read once, so the answer cannot change). Under FontLock.
bool MatchFamily(const char* Family, bool Bold, bool Italic, bool Exact, TMatch& Out) {
    struct TAnswer {
        bool Found = false;
        TMatch Match;
    };
    static auto* Answers = new std::unordered_map<std::string, TAnswer>;
    std::string Key = std::string(Family) + '\0' + char('0' + Bold) + char('0' + Italic) + char('0' + Exact);
    auto It = Answers->find(Key);
    if (It == Answers->end()) {
        TAnswer A;
        A.Found = AskFontconfig(Family, Bold, Italic, Exact, A.Match);
        It = Answers->emplace(std::move(Key), std::move(A)).first;
    }
    if (It->second.Found) Out = It->second.Match;
    return It->second.Found;
}

// Reading fontconfig's configuration and caches is the larger part of the
// first font's cost; GdiStartFontSetup has it done on a thread of its own while
// the program does other start-up work, and the first lookup waits for it.
struct TFontSetup {
    std::once_flag Once;
    std::thread Early;
    ~TFontSetup() {
        if (Early.joinable()) Early.join();
    }
};

TFontSetup& FontSetup() {
    static TFontSetup Setup;
    return Setup;
}

void SetUpFontconfig() {
    std::call_once(FontSetup().Once, [] {
        FcInit();
        // Hand fontconfig's caches back at exit, so leak checkers see a clean exit.
        std::atexit([] { FcFini(); });
    });
}

bool ResolveFile(const std::string& Requested, bool Bold, bool Italic, TMatch& Out) {
    SetUpFontconfig();
    const char* Mapped = MapFamily(Requested);
    if (Mapped && MatchFamily(Mapped, Bold, Italic, /*Exact=*/true, Out)) return true;
    if (!Mapped && !Requested.empty() && MatchFamily(Requested.c_str(), Bold, Italic, /*Exact=*/true, Out)) return true;
    if (MatchFamily(DefaultFamily, Bold, Italic, /*Exact=*/true, Out)) return true;
    return MatchFamily(DefaultFamily, Bold, Italic, /*Exact=*/false, Out);
}

int Scale(FT_Long Units, int Ppem, FT_UShort UnitsPerEm) {
    return static_cast<int>((int64_t(Units) * Ppem + UnitsPerEm / 2) / UnitsPerEm);
}

std::shared_ptr<TFontFace> OpenFace(const TMatch& M, const LOGFONTW& Log, bool Bold, bool Italic) {
    std::string Key = M.File + "|" + std::to_string(M.Index) + "|" + std::to_string(Log.lfHeight) + "|" +
                      std::to_string(Log.lfWidth) + "|" + std::to_string(Bold) + std::to_string(Italic) + "|" +
                      std::to_string(Log.lfQuality == ANTIALIASED_QUALITY || Log.lfQuality == CLEARTYPE_QUALITY) +
                      "|" + std::to_string(Log.lfEscapement % 3600);
    auto& Cache = FaceCache();
    auto It = Cache.find(Key);
    if (It != Cache.end()) return It->second;
    FT_Face Face = nullptr;
    if (!Library() || FT_New_Face(Library(), M.File.c_str(), M.Index, &Face) != 0) return nullptr;
    auto F = std::make_shared<TFontFace>();
    F->Face = Face;
    F->File = M.File;
    F->Log = Log;
    F->Bold = Bold;
    F->Italic = Italic;
    F->Mono = !(Log.lfQuality == ANTIALIASED_QUALITY || Log.lfQuality == CLEARTYPE_QUALITY);
    F->SynthBold = Bold && !M.Bold;
    F->SynthItalic = Italic && !M.Italic;
    FT_UShort Upem = Face->units_per_EM ? Face->units_per_EM : 2048;
    auto* Os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(Face, FT_SFNT_OS2));
    auto* Hhea = static_cast<TT_HoriHeader*>(FT_Get_Sfnt_Table(Face, FT_SFNT_HHEA));
    FT_Long WinAscent = Os2 ? Os2->usWinAscent : Face->ascender;
    FT_Long WinDescent = Os2 ? Os2->usWinDescent : -Face->descender;
    // Negative heights are the em size in pixels; positive ones the cell height.
    int Ppem;
    if (Log.lfHeight < 0)
        Ppem = -Log.lfHeight;
    else if (Log.lfHeight > 0)
        Ppem = std::max(1, static_cast<int>((int64_t(Log.lfHeight) * Upem + (WinAscent + WinDescent) / 2) /
                                            std::max<FT_Long>(WinAscent + WinDescent, 1)));
    else
        Ppem = 12;
    Ppem = std::min(Ppem, 2000);
    int AvgUnits = Os2 && Os2->xAvgCharWidth > 0 ? Os2->xAvgCharWidth : Upem / 2;
    int XPpem = Ppem;
    if (Log.lfWidth > 0) XPpem = std::clamp(static_cast<int>((int64_t(Log.lfWidth) * Upem + AvgUnits / 2) / AvgUnits), 1, 4000);
    FT_Set_Pixel_Sizes(Face, static_cast<FT_UInt>(XPpem), static_cast<FT_UInt>(Ppem));
    if (Log.lfEscapement % 3600 != 0) {
        // Escapement in tenths of a degree, counter-clockwise: glyphs are loaded turned.
        F->Rotated = true;
        F->Angle = (Log.lfEscapement % 3600) * 3.14159265358979323846 / 1800.0;
        double C = std::cos(F->Angle), S = std::sin(F->Angle);
        FT_Matrix Turn{static_cast<FT_Fixed>(std::lround(C * 65536)), static_cast<FT_Fixed>(std::lround(-S * 65536)),
                       static_cast<FT_Fixed>(std::lround(S * 65536)), static_cast<FT_Fixed>(std::lround(C * 65536))};
        FT_Set_Transform(Face, &Turn, nullptr);
    }
    TEXTMETRICW& Tm = F->Tm;
    Tm.tmAscent = Scale(WinAscent, Ppem, Upem);
    Tm.tmDescent = Scale(WinDescent, Ppem, Upem);
    Tm.tmHeight = Tm.tmAscent + Tm.tmDescent;
    Tm.tmInternalLeading = std::max(0L, static_cast<long>(Tm.tmHeight - Ppem));
    if (Hhea) {
        FT_Long Gap = Hhea->Line_Gap - ((WinAscent + WinDescent) - (Hhea->Ascender - Hhea->Descender));
        Tm.tmExternalLeading = std::max(0, Scale(Gap, Ppem, Upem));
    }
    Tm.tmAveCharWidth = std::max(1, Scale(AvgUnits, XPpem, Upem));
    Tm.tmMaxCharWidth = std::max(1, Scale(Face->bbox.xMax - Face->bbox.xMin, XPpem, Upem));
    Tm.tmWeight = Log.lfWeight ? Log.lfWeight : FW_NORMAL;
    Tm.tmOverhang = 0;
    Tm.tmDigitizedAspectX = 96;
    Tm.tmDigitizedAspectY = 96;
    Tm.tmFirstChar = 0x20;
    Tm.tmLastChar = 0xFFFC;
    Tm.tmDefaultChar = 0x1F;
    Tm.tmBreakChar = 0x20;
    Tm.tmItalic = Log.lfItalic ? 1 : 0;
    Tm.tmUnderlined = Log.lfUnderline ? 1 : 0;
    Tm.tmStruckOut = Log.lfStrikeOut ? 1 : 0;
    bool Fixed = FT_IS_FIXED_WIDTH(Face);
    int Family = Fixed ? FF_MODERN : (Log.lfPitchAndFamily & 0xF0) ? (Log.lfPitchAndFamily & 0xF0) : FF_SWISS;
    Tm.tmPitchAndFamily = static_cast<BYTE>((Fixed ? 0 : TMPF_FIXED_PITCH) | TMPF_VECTOR | TMPF_TRUETYPE | Family);
    Tm.tmCharSet = Log.lfCharSet == SYMBOL_CHARSET ? SYMBOL_CHARSET : ANSI_CHARSET;
    F->UnderlinePos = std::max(1, Scale(-Face->underline_position, Ppem, Upem));
    F->UnderlineThick = std::max(1, Scale(Face->underline_thickness, Ppem, Upem));
    F->StrikePos = std::max(1, Scale(Os2 ? Os2->yStrikeoutPosition : WinAscent / 3, Ppem, Upem));
    Cache[Key] = F;
    return F;
}

std::shared_ptr<TFontFace> FaceOf(TFont& Font) {
    if (Font.Face) return Font.Face;
    std::string Name = Utf16ToUtf8(Font.Log.lfFaceName, -1);
    bool Bold = Font.Log.lfWeight >= FW_SEMIBOLD, Italic = Font.Log.lfItalic != 0;
    TMatch M;
    if (!ResolveFile(Name, Bold, Italic, M)) return nullptr;
    Font.Face = OpenFace(M, Font.Log, Bold, Italic);
    return Font.Face;
}

void SetChain(TFontFace& F) {
    if (F.ChainSet) return;
    F.ChainSet = true;
    for (const char* Family : FallbackFamilies) {
        TMatch Fb;
        if (!MatchFamily(Family, F.Bold, F.Italic, /*Exact=*/true, Fb) || Fb.File == F.File) continue;
        if (auto Face = OpenFace(Fb, F.Log, F.Bold, F.Italic)) F.Fallbacks.push_back(Face);
    }
}

void LoadGlyph(TFontFace& F, FT_UInt Index, TGlyph& G);

// The face of the chain that draws Code: the font's own when it has the
// character or no face of the chain does.
TFontFace& DrawingFace(TFontFace& F, uint32_t Code) {
    if (FT_Get_Char_Index(F.Face, Code) == 0) {
        SetChain(F);
        for (const auto& Fb : F.Fallbacks)
            if (FT_Get_Char_Index(Fb->Face, Code) != 0) return *Fb;
    }
    return F;
}

const TGlyph& GlyphOf(TFontFace& F, uint32_t Code) {
    auto It = F.Glyphs.find(Code);
    if (It != F.Glyphs.end()) return It->second;
    TGlyph& G = F.Glyphs[Code];
    // Index 0 is the font's own missing-character box.
    TFontFace& From = DrawingFace(F, Code);
    LoadGlyph(From, FT_Get_Char_Index(From.Face, Code), G);
    return G;
}

void LoadGlyph(TFontFace& F, FT_UInt Index, TGlyph& G) {
    FT_Int32 Flags = FT_LOAD_DEFAULT | (F.Mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
    if (FT_Load_Glyph(F.Face, Index, Flags) != 0) return;
    FT_GlyphSlot Slot = F.Face->glyph;
    if (F.SynthItalic) FT_GlyphSlot_Oblique(Slot);
    if (F.SynthBold) FT_GlyphSlot_Embolden(Slot);
    G.Advance = static_cast<int>((Slot->advance.x + 32) >> 6);
    if (F.Rotated) {
        G.Advance = static_cast<int>((Slot->linearHoriAdvance + 0x8000) >> 16);
        G.Step = Slot->advance;
    }
    if (FT_Render_Glyph(Slot, F.Mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0) return;
    const FT_Bitmap& B = Slot->bitmap;
    G.Left = Slot->bitmap_left;
    G.Top = Slot->bitmap_top;
    G.Width = static_cast<int>(B.width);
    G.Height = static_cast<int>(B.rows);
    G.Coverage.assign(static_cast<size_t>(G.Width) * G.Height, 0);
    for (int Y = 0; Y < G.Height; ++Y) {
        const uint8_t* Row = B.buffer + static_cast<ptrdiff_t>(Y) * B.pitch;
        for (int X = 0; X < G.Width; ++X)
            G.Coverage[static_cast<size_t>(Y) * G.Width + X] =
                B.pixel_mode == FT_PIXEL_MODE_MONO ? ((Row[X >> 3] & (0x80 >> (X & 7))) ? 255 : 0) : Row[X];
    }
    return;
}

std::vector<uint32_t> CodePoints(const char16_t* Text, size_t Count) {
    std::vector<uint32_t> Out;
    for (size_t I = 0; I < Count; ++I) {
        uint32_t C = Text[I];
        if (C >= 0xD800 && C < 0xDC00 && I + 1 < Count && Text[I + 1] >= 0xDC00 && Text[I + 1] < 0xE000) {
            C = 0x10000 + ((C - 0xD800) << 10) + (Text[I + 1] - 0xDC00);
            ++I;
        }
        Out.push_back(C);
    }
    return Out;
}

std::shared_ptr<TFont> DCFont(const TDC& Dc) { return Dc.S.Font; }

// Advances of each character of Text in the DC's font (with the character extra).
bool Advances(TDC& Dc, const std::vector<uint32_t>& Codes, std::vector<int>& Out, TEXTMETRICW* Tm) {
    auto Font = DCFont(Dc);
    if (!Font) return false;
    std::lock_guard<std::mutex> G(FontLock());
    auto Face = FaceOf(*Font);
    if (!Face) return false;
    if (Tm) *Tm = Face->Tm;
    Out.clear();
    for (uint32_t C : Codes) Out.push_back(GlyphOf(*Face, C).Advance + Dc.S.CharExtra);
    return true;
}

int Sum(const std::vector<int>& V) {
    int S = 0;
    for (int A : V) S += A;
    return S;
}

std::u16string Wide(LPCSTR Text, int Count) { return Utf8ToUtf16(Text, Count); }
std::u16string Wide(LPCWSTR Text, int Count) {
    if (!Text) return {};
    if (Count < 0) return std::u16string(Text);
    return std::u16string(Text, static_cast<size_t>(Count));
}

BOOL DrawTextRun(HDC Handle, int X, int Y, UINT Options, const RECT* Rect, const std::u16string& Text, const INT* Dx) {
    TTarget T;
    if (!T.Begin(Handle)) return FALSE;
    TDC& Dc = *T.Dc;
    if (Text.empty()) {
        // The common way to fill a rectangle with the background colour.
        if (Rect && (Options & ETO_OPAQUE))
            FillRectSolid(T, {Rect->left + T.Dx, Rect->top + T.Dy, Rect->right + T.Dx, Rect->bottom + T.Dy},
                          T.MapColor(Dc.S.BkColor));
        return TRUE;
    }
    std::vector<uint32_t> Codes = CodePoints(Text.data(), Text.size());
    std::vector<int> Adv;
    TEXTMETRICW Tm;
    if (!Advances(Dc, Codes, Adv, &Tm)) return FALSE;
    if (Dx)
        for (size_t I = 0; I < Adv.size(); ++I) Adv[I] = Dx[I];
    int Width = Sum(Adv);
    UINT Align = Dc.S.TextAlign;
    if (Align & TA_UPDATECP) {
        X = Dc.S.CurPos.x;
        Y = Dc.S.CurPos.y;
    }
    int Left = X;
    if ((Align & TA_CENTER) == TA_CENTER)
        Left = X - Width / 2;
    else if (Align & TA_RIGHT)
        Left = X - Width;
    int Baseline = Y + Tm.tmAscent;
    if ((Align & TA_BASELINE) == TA_BASELINE)
        Baseline = Y;
    else if (Align & TA_BOTTOM)
        Baseline = Y - Tm.tmDescent;
    if (Align & TA_UPDATECP) {
        if ((Align & TA_CENTER) == TA_CENTER) {
        } else if (Align & TA_RIGHT)
            Dc.S.CurPos.x = X - Width;
        else
            Dc.S.CurPos.x = X + Width;
    }
    // Surface coordinates from here on.
    int Sx = Left + T.Dx, Sb = Baseline + T.Dy;
    RECT Box{-0x7FFFFFF, -0x7FFFFFF, 0x7FFFFFF, 0x7FFFFFF};
    if (Rect && (Options & ETO_CLIPPED)) Box = {Rect->left + T.Dx, Rect->top + T.Dy, Rect->right + T.Dx, Rect->bottom + T.Dy};
    uint32_t Bk = T.MapColor(Dc.S.BkColor);
    if (Rect && (Options & ETO_OPAQUE))
        FillRectSolid(T, {Rect->left + T.Dx, Rect->top + T.Dy, Rect->right + T.Dx, Rect->bottom + T.Dy}, Bk);
    bool Turned = Dc.S.Font && Dc.S.Font->Log.lfEscapement % 3600 != 0;
    if (Dc.S.BkMode == OPAQUE && !Turned) {
        RECT Cell{Sx, Sb - Tm.tmAscent, Sx + Width, Sb + Tm.tmDescent};
        Cell = {std::max(Cell.left, Box.left), std::max(Cell.top, Box.top), std::min(Cell.right, Box.right),
                std::min(Cell.bottom, Box.bottom)};
        FillRectSolid(T, Cell, Bk);
    }
    uint32_t Ink = T.MapColor(Dc.S.TextColor);
    auto Blend = [&](int Px, int Py, unsigned Cov) {
        if (Cov == 0 || Px < Box.left || Px >= Box.right || Py < Box.top || Py >= Box.bottom || !T.Visible(Px, Py))
            return;
        T.Touch({Px, Py, Px + 1, Py + 1});
        uint32_t& D = T.Surf->Row(Py)[Px];
        if (Cov >= 255 || T.Mono) {
            if (Cov >= 128) D = Ink;
        } else {
            uint32_t Out = 0;
            for (int Ch = 0; Ch < 24; Ch += 8) {
                uint32_t A = (Ink >> Ch) & 0xFF, B = (D >> Ch) & 0xFF;
                Out |= ((A * Cov + B * (255 - Cov) + 127) / 255) << Ch;
            }
            D = Out;
        }
    };
    {
        std::lock_guard<std::mutex> G(FontLock());
        auto Face = FaceOf(*Dc.S.Font);
        if (!Face) return FALSE;
        if (Face->Rotated) {
            // Lay the line out unturned from (X, Y), then turn the offsets about (X, Y).
            double C = std::cos(Face->Angle), Sn = std::sin(Face->Angle);
            double Dx0 = Left - X, Dy0 = Baseline - Y;
            double Px = X + T.Dx + Dx0 * C + Dy0 * Sn, Py = Y + T.Dy - Dx0 * Sn + Dy0 * C;
            for (size_t I = 0; I < Codes.size(); ++I) {
                const TGlyph& Gl = GlyphOf(*Face, Codes[I]);
                int Gx0 = static_cast<int>(std::lround(Px)) + Gl.Left, Gy0 = static_cast<int>(std::lround(Py)) - Gl.Top;
                for (int Gy = 0; Gy < Gl.Height; ++Gy)
                    for (int Gx = 0; Gx < Gl.Width; ++Gx)
                        Blend(Gx0 + Gx, Gy0 + Gy, Gl.Coverage[static_cast<size_t>(Gy) * Gl.Width + Gx]);
                if (Dx) {
                    Px += Adv[I] * C;
                    Py -= Adv[I] * Sn;
                } else {
                    Px += Gl.Step.x / 64.0 + Dc.S.CharExtra * C;
                    Py -= Gl.Step.y / 64.0 + Dc.S.CharExtra * Sn;
                }
            }
            return TRUE;
        }
        int Pen = Sx;
        for (size_t I = 0; I < Codes.size(); ++I) {
            const TGlyph& Gl = GlyphOf(*Face, Codes[I]);
            for (int Gy = 0; Gy < Gl.Height; ++Gy)
                for (int Gx = 0; Gx < Gl.Width; ++Gx)
                    Blend(Pen + Gl.Left + Gx, Sb - Gl.Top + Gy, Gl.Coverage[static_cast<size_t>(Gy) * Gl.Width + Gx]);
            Pen += Adv[I];
        }
        auto Line = [&](int Top, int Thick) {
            for (int Ly = Top; Ly < Top + Thick; ++Ly)
                for (int Lx = Sx; Lx < Sx + Width; ++Lx) Blend(Lx, Ly, 255);
        };
        if (Dc.S.Font->Log.lfUnderline) Line(Sb + Face->UnderlinePos, Face->UnderlineThick);
        if (Dc.S.Font->Log.lfStrikeOut) Line(Sb - Face->StrikePos, Face->UnderlineThick);
    }
    return TRUE;
}

BOOL Extent(HDC Handle, const std::u16string& Text, SIZE* Size) {
    auto Dc = FindDC(Handle);
    if (!Dc || !Size) return FALSE;
    std::vector<int> Adv;
    TEXTMETRICW Tm;
    if (!Advances(*Dc, CodePoints(Text.data(), Text.size()), Adv, &Tm)) return FALSE;
    Size->cx = Sum(Adv);
    Size->cy = Tm.tmHeight;
    return TRUE;
}

BOOL ExtentEx(HDC Handle, const std::u16string& Text, int MaxExtent, INT* Fit, INT* Dx, SIZE* Size) {
    auto Dc = FindDC(Handle);
    if (!Dc) return FALSE;
    std::vector<int> Adv;
    TEXTMETRICW Tm;
    if (!Advances(*Dc, CodePoints(Text.data(), Text.size()), Adv, &Tm)) return FALSE;
    int Total = 0, N = 0;
    bool Fitting = true;
    for (size_t I = 0; I < Adv.size(); ++I) {
        Total += Adv[I];
        if (Fitting && (MaxExtent < 0 || Total <= MaxExtent))
            ++N;
        else
            Fitting = false;
        if (Dx) Dx[I] = Total;
    }
    if (Fit) *Fit = N;
    if (Size) *Size = {Total, Tm.tmHeight};
    return TRUE;
}

HFONT NewFont(const LOGFONTW& Log) {
    auto F = std::make_shared<TFont>();
    F->Type = OBJ_FONT;
    F->Log = Log;
    return Register(F);
}

LOGFONTW ToWide(const LOGFONTA& A) {
    LOGFONTW W{};
    std::memcpy(&W, &A, offsetof(LOGFONTA, lfFaceName));
    std::u16string Name = Utf8ToUtf16(A.lfFaceName, static_cast<int>(strnlen(A.lfFaceName, LF_FACESIZE)));
    for (size_t I = 0; I < Name.size() && I < LF_FACESIZE - 1; ++I) W.lfFaceName[I] = Name[I];
    return W;
}

}  // namespace

void ReleaseFonts() {
    std::lock_guard<std::mutex> G(FontLock());
    FaceCache().clear();
}

}  // namespace gdi

using namespace gdi;

HFONT CreateFontIndirectW(const LOGFONTW* Font) {
    if (!Font) return nullptr;
    return NewFont(*Font);
}

HFONT CreateFontIndirectA(const LOGFONTA* Font) {
    if (!Font) return nullptr;
    return NewFont(ToWide(*Font));
}

HFONT CreateFontA(int Height, int Width, int Escapement, int Orientation, int Weight, DWORD Italic, DWORD Underline,
                  DWORD StrikeOut, DWORD CharSet, DWORD OutPrecision, DWORD ClipPrecision, DWORD Quality,
                  DWORD PitchAndFamily, LPCSTR FaceName) {
    LOGFONTA A{Height,
               Width,
               Escapement,
               Orientation,
               Weight,
               static_cast<BYTE>(Italic ? 1 : 0),
               static_cast<BYTE>(Underline ? 1 : 0),
               static_cast<BYTE>(StrikeOut ? 1 : 0),
               static_cast<BYTE>(CharSet),
               static_cast<BYTE>(OutPrecision),
               static_cast<BYTE>(ClipPrecision),
               static_cast<BYTE>(Quality),
               static_cast<BYTE>(PitchAndFamily),
               {}};
    if (FaceName) std::strncpy(A.lfFaceName, FaceName, LF_FACESIZE - 1);
    return CreateFontIndirectA(&A);
}

HFONT CreateFontW(int Height, int Width, int Escapement, int Orientation, int Weight, DWORD Italic, DWORD Underline,
                  DWORD StrikeOut, DWORD CharSet, DWORD OutPrecision, DWORD ClipPrecision, DWORD Quality,
                  DWORD PitchAndFamily, LPCWSTR FaceName) {
    LOGFONTW W{Height,
               Width,
               Escapement,
               Orientation,
               Weight,
               static_cast<BYTE>(Italic ? 1 : 0),
               static_cast<BYTE>(Underline ? 1 : 0),
               static_cast<BYTE>(StrikeOut ? 1 : 0),
               static_cast<BYTE>(CharSet),
               static_cast<BYTE>(OutPrecision),
               static_cast<BYTE>(ClipPrecision),
               static_cast<BYTE>(Quality),
               static_cast<BYTE>(PitchAndFamily),
               {}};
    for (int I = 0; FaceName && FaceName[I] && I < LF_FACESIZE - 1; ++I) W.lfFaceName[I] = FaceName[I];
    return CreateFontIndirectW(&W);
}

namespace {
// After the configuration, the font setup thread starts the font library and
// looks up the default face and the dialog face (regular and bold), which
// the program's forms measure their labels with first: the main thread,
// still reading its forms, finds the answers kept.
void WarmUpFonts() {
    Library();
    std::lock_guard<std::mutex> G(FontLock());
    TMatch M;
    for (const char* Family : {DefaultFamily, MapFamily("Tahoma")})
        for (bool Bold : {false, true})
            if (Family) MatchFamily(Family, Bold, /*Italic=*/false, /*Exact=*/true, M);
}
}  // namespace

void GdiStartFontSetup() {
    TFontSetup& Setup = FontSetup();
    static std::once_flag Started;
    std::call_once(Started, [&Setup] {
        Setup.Early = std::thread([] {
            SetUpFontconfig();
            WarmUpFonts();
        });
    });
}

bool GdiMappedFontFile(const char* FaceName, LONG Weight, bool Italic, char* Buffer, int BufferSize) {
    if (!Buffer || BufferSize <= 0) return false;
    std::lock_guard<std::mutex> G(FontLock());
    TMatch M;
    if (!ResolveFile(FaceName ? FaceName : "", Weight >= FW_SEMIBOLD, Italic, M)) return false;
    if (static_cast<int>(M.File.size()) >= BufferSize) return false;
    std::memcpy(Buffer, M.File.c_str(), M.File.size() + 1);
    return true;
}

bool GdiGlyphFontFile(HDC Dc, uint32_t CodePoint, char* Buffer, int BufferSize) {
    if (!Buffer || BufferSize <= 0) return false;
    auto D = FindDC(Dc);
    if (!D) return false;
    auto Font = DCFont(*D);
    if (!Font) return false;
    std::lock_guard<std::mutex> G(FontLock());
    auto Face = FaceOf(*Font);
    if (!Face) return false;
    const std::string& File = DrawingFace(*Face, CodePoint).File;
    if (static_cast<int>(File.size()) >= BufferSize) return false;
    std::memcpy(Buffer, File.c_str(), File.size() + 1);
    return true;
}

BOOL TextOutA(HDC Dc, int X, int Y, LPCSTR Text, int Count) {
    if (!Text || Count < 0) return FALSE;
    return DrawTextRun(Dc, X, Y, 0, /*Rect=*/nullptr, Wide(Text, Count), /*Dx=*/nullptr);
}

BOOL TextOutW(HDC Dc, int X, int Y, LPCWSTR Text, int Count) {
    if (!Text || Count < 0) return FALSE;
    return DrawTextRun(Dc, X, Y, 0, /*Rect=*/nullptr, Wide(Text, Count), /*Dx=*/nullptr);
}

BOOL ExtTextOutA(HDC Dc, int X, int Y, UINT Options, const RECT* Rect, LPCSTR Text, UINT Count, const INT* Dx) {
    std::u16string W = Text ? Wide(Text, static_cast<int>(Count)) : std::u16string();
    // Dx is given per character here: drop it if the counts disagree rather than read past it.
    if (Dx && W.size() != Count) Dx = nullptr;
    return DrawTextRun(Dc, X, Y, Options, Rect, W, Dx);
}

BOOL ExtTextOutW(HDC Dc, int X, int Y, UINT Options, const RECT* Rect, LPCWSTR Text, UINT Count, const INT* Dx) {
    std::u16string W = Text ? Wide(Text, static_cast<int>(Count)) : std::u16string();
    if (Dx && CodePoints(W.data(), W.size()).size() != W.size()) Dx = nullptr;
    return DrawTextRun(Dc, X, Y, Options, Rect, W, Dx);
}

BOOL GetTextExtentPoint32A(HDC Dc, LPCSTR Text, int Count, SIZE* Size) {
    if (!Text && Count > 0) return FALSE;
    return Extent(Dc, Wide(Text, std::max(Count, 0)), Size);
}

BOOL GetTextExtentPoint32W(HDC Dc, LPCWSTR Text, int Count, SIZE* Size) {
    if (!Text && Count > 0) return FALSE;
    return Extent(Dc, Wide(Text, std::max(Count, 0)), Size);
}

BOOL GetTextExtentExPointA(HDC Dc, LPCSTR Text, int Count, int MaxExtent, INT* Fit, INT* Dx, SIZE* Size) {
    if (!Text && Count > 0) return FALSE;
    return ExtentEx(Dc, Wide(Text, std::max(Count, 0)), Fit ? MaxExtent : -1, Fit, Dx, Size);
}

BOOL GetTextExtentExPointW(HDC Dc, LPCWSTR Text, int Count, int MaxExtent, INT* Fit, INT* Dx, SIZE* Size) {
    if (!Text && Count > 0) return FALSE;
    return ExtentEx(Dc, Wide(Text, std::max(Count, 0)), Fit ? MaxExtent : -1, Fit, Dx, Size);
}

BOOL GetTextMetricsW(HDC Handle, TEXTMETRICW* Metrics) {
    auto Dc = FindDC(Handle);
    if (!Dc || !Metrics || !Dc->S.Font) return FALSE;
    std::lock_guard<std::mutex> G(FontLock());
    auto Face = FaceOf(*Dc->S.Font);
    if (!Face) return FALSE;
    *Metrics = Face->Tm;
    return TRUE;
}

BOOL GetTextMetricsA(HDC Dc, TEXTMETRICA* Metrics) {
    TEXTMETRICW W;
    if (!Metrics || !GetTextMetricsW(Dc, &W)) return FALSE;
    std::memcpy(Metrics, &W, offsetof(TEXTMETRICA, tmFirstChar));
    Metrics->tmFirstChar = 0x20;
    Metrics->tmLastChar = 0xFF;
    Metrics->tmDefaultChar = 0x1F;
    Metrics->tmBreakChar = 0x20;
    Metrics->tmItalic = W.tmItalic;
    Metrics->tmUnderlined = W.tmUnderlined;
    Metrics->tmStruckOut = W.tmStruckOut;
    Metrics->tmPitchAndFamily = W.tmPitchAndFamily;
    Metrics->tmCharSet = W.tmCharSet;
    return TRUE;
}

int GetTextFaceW(HDC Handle, int Count, LPWSTR Name) {
    auto Dc = FindDC(Handle);
    if (!Dc || !Dc->S.Font) return 0;
    std::u16string Face(Dc->S.Font->Log.lfFaceName);
    if (Face.empty()) Face = u"MS Sans Serif";
    if (!Name) return static_cast<int>(Face.size()) + 1;
    if (Count <= 0) return 0;
    int N = std::min(static_cast<int>(Face.size()), Count - 1);
    std::copy(Face.begin(), Face.begin() + N, Name);
    Name[N] = 0;
    return N + 1;
}

int GetTextFaceA(HDC Handle, int Count, LPSTR Name) {
    WCHAR W[LF_FACESIZE];
    if (!GetTextFaceW(Handle, LF_FACESIZE, W)) return 0;
    std::string Face = Utf16ToUtf8(W, -1);
    if (!Name) return static_cast<int>(Face.size()) + 1;
    if (Count <= 0) return 0;
    int N = std::min(static_cast<int>(Face.size()), Count - 1);
    std::memcpy(Name, Face.data(), static_cast<size_t>(N));
    Name[N] = 0;
    return N + 1;
}

BOOL GetCharWidth32W(HDC Handle, UINT First, UINT Last, INT* Widths) {
    auto Dc = FindDC(Handle);
    if (!Dc || !Widths || Last < First || Last - First > 0x10FFFF) return FALSE;
    std::vector<uint32_t> Codes;
    for (UINT C = First; C <= Last; ++C) Codes.push_back(C);
    std::vector<int> Adv;
    if (!Advances(*Dc, Codes, Adv, /*Tm=*/nullptr)) return FALSE;
    for (size_t I = 0; I < Adv.size(); ++I) Widths[I] = Adv[I] - Dc->S.CharExtra;
    return TRUE;
}

BOOL GetCharWidth32A(HDC Dc, UINT First, UINT Last, INT* Widths) {
    // Single bytes of the ANSI code page: Latin-1 code points here.
    if (Last > 0xFF) return FALSE;
    return GetCharWidth32W(Dc, First, Last, Widths);
}
