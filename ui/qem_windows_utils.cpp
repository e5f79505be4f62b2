#include "ui/qem_windows_utils.h"

#include "platform/classlib/jpeg.h"
#include "platform/rtl/classes.h"

namespace {
ULONG_PTR GdiplusToken = 0;
}

void QemGdiplusStartup() {
    if (GdiplusToken) return;
    GdiplusStartupInput In;
    if (GdiplusStartup(&GdiplusToken, &In, /*Output=*/nullptr) != Ok) GdiplusToken = 0;
}

void QemGdiplusShutdown() {
    if (!GdiplusToken) return;
    GdiplusShutdown(GdiplusToken);
    GdiplusToken = 0;
}

void DrawParentBackground(HDC DC, TControl* Control) {
    if (!Control) return;
    TWinControl* Parent = Control->Parent();
    if (!Parent || !Parent->HandleAllocated()) return;
    int Saved = SaveDC(DC);
    OffsetViewportOrgEx(DC, -Control->Left(), -Control->Top(), /*Old=*/nullptr);
    TRect R = Parent->ClientRect();
    IntersectClipRect(DC, 0, 0, R.Width(), R.Height());
    Parent->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(DC), 0);
    // The class library paints a window into a given DC through WM_PRINTCLIENT
    // where it can (standard classes); its own graphic children are drawn here.
    Parent->Perform(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(DC), PRF_CLIENT);
    Parent->PaintControls(DC, /*First=*/nullptr);
    RestoreDC(DC, Saved);
}

ARGB ColorToARGB(TColor Color, uint8_t Alpha) {
    uint32_t C = static_cast<uint32_t>(Color);
    if (Color < 0) C = GetSysColor(static_cast<int>(C & 0xFF));
    uint32_t R = C & 0xFF, G = (C >> 8) & 0xFF, B = (C >> 16) & 0xFF;
    return (static_cast<uint32_t>(Alpha) << 24) | (R << 16) | (G << 8) | B;
}

TColor ARGBToColor(ARGB Color) {
    uint32_t R = (Color >> 16) & 0xFF, G = (Color >> 8) & 0xFF, B = Color & 0xFF;
    return static_cast<TColor>(R | (G << 8) | (B << 16));
}

GpFont* FontToGPFont(TFont* Font) {
    if (!Font) return nullptr;
    GpFontFamily* Family = nullptr;
    std::u16string Name = QemWide(Font->Name());
    if (GdipCreateFontFamilyFromName(Name.c_str(), /*Collection=*/nullptr, &Family) != Ok) return nullptr;
    INT Style = 0;
    TFontStyles S = Font->Style();
    if (S.Contains(fsBold)) Style |= FontStyleBold;
    if (S.Contains(fsItalic)) Style |= FontStyleItalic;
    if (S.Contains(fsUnderline)) Style |= FontStyleUnderline;
    if (S.Contains(fsStrikeOut)) Style |= FontStyleStrikeout;
    GpFont* Result = nullptr;
    if (GdipCreateFont(Family, static_cast<REAL>(Font->Size()), Style, UnitPoint, &Result) != Ok) Result = nullptr;
    GdipDeleteFontFamily(Family);
    return Result;
}

GpBitmap* PictureToGPBitmap(TPicture* Picture) {
    if (!Picture || !Picture->Graphic() || Picture->Width() == 0 || Picture->Height() == 0) return nullptr;
    TMemoryStream Mem;
    Picture->Graphic()->SaveToStream(Mem);
    IStream* Stream = SHCreateMemStream(static_cast<const BYTE*>(Mem.Memory()), static_cast<UINT>(Mem.Size()));
    if (!Stream) return nullptr;
    GpBitmap* Bitmap = nullptr;
    if (GdipCreateBitmapFromStream(Stream, &Bitmap) != Ok) Bitmap = nullptr;
    Stream->Release();
    return Bitmap;
}

void MoveWindowByMouse(HWND Window) {
    HWND Top = Window;
    for (HWND P = Window ? GetParent(Window) : nullptr; P; P = GetParent(P)) Top = P;
    if (Top) SendMessageA(Top, WM_SYSCOMMAND, SC_MOVE + HTCAPTION, 0);
}

std::u16string QemWide(const std::string& Text) {
    std::u16string Out;
    for (size_t I = 0; I < Text.size();) {
        unsigned char C = static_cast<unsigned char>(Text[I]);
        uint32_t Cp = 0xFFFD;
        size_t N = 1;
        if (C < 0x80) {
            Cp = C;
        } else if ((C >> 5) == 6 && I + 1 < Text.size()) {
            Cp = ((C & 0x1F) << 6) | (Text[I + 1] & 0x3F);
            N = 2;
        } else if ((C >> 4) == 14 && I + 2 < Text.size()) {
            Cp = ((C & 0x0F) << 12) | ((Text[I + 1] & 0x3F) << 6) | (Text[I + 2] & 0x3F);
            N = 3;
        } else if ((C >> 3) == 30 && I + 3 < Text.size()) {
            Cp = ((C & 0x07) << 18) | ((Text[I + 1] & 0x3F) << 12) | ((Text[I + 2] & 0x3F) << 6) |
                 (Text[I + 3] & 0x3F);
            N = 4;
        }
        I += N;
        if (Cp >= 0x10000) {
            Cp -= 0x10000;
            Out += static_cast<char16_t>(0xD800 + (Cp >> 10));
            Out += static_cast<char16_t>(0xDC00 + (Cp & 0x3FF));
        } else {
            Out += static_cast<char16_t>(Cp);
        }
    }
    return Out;
}
