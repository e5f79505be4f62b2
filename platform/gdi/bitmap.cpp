// Bitmaps: device-dependent bitmaps (monochrome or 32-bit), DIB sections in
// every packed format, DIB transfers, and PNG files of surfaces.
#include <png.h>

#include <algorithm>
#include <cstring>

#include "platform/gdi/gdi_private.h"

namespace gdi {

namespace {
const RGBQUAD Vga16[16] = {
    {0, 0, 0, 0},     {0, 0, 128, 0},   {0, 128, 0, 0},   {0, 128, 128, 0}, {128, 0, 0, 0},     {128, 0, 128, 0},
    {128, 128, 0, 0}, {192, 192, 192, 0}, {128, 128, 128, 0}, {0, 0, 255, 0}, {0, 255, 0, 0}, {0, 255, 255, 0},
    {255, 0, 0, 0},   {255, 0, 255, 0}, {255, 255, 0, 0}, {255, 255, 255, 0}};

// The colour table GetDIBits gives a bitmap that has none of its own.
std::vector<RGBQUAD> DefaultTable(int Bpp) {
    std::vector<RGBQUAD> T;
    if (Bpp == 1) {
        T = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    } else if (Bpp == 4) {
        T.assign(std::begin(Vga16), std::end(Vga16));
    } else if (Bpp == 8) {
        for (int R = 0; R < 6; ++R)
            for (int G = 0; G < 6; ++G)
                for (int B = 0; B < 6; ++B) T.push_back({BYTE(B * 51), BYTE(G * 51), BYTE(R * 51), 0});
        for (int I = 0; T.size() < 256; ++I) {
            BYTE V = BYTE(std::min(255, 8 + I * 6));
            T.push_back({V, V, V, 0});
        }
    }
    return T;
}

void DefaultMasks(int Bpp, DWORD* Masks) {
    if (Bpp == 16) {
        Masks[0] = 0x7C00;
        Masks[1] = 0x03E0;
        Masks[2] = 0x001F;
    } else {
        Masks[0] = 0xFF0000;
        Masks[1] = 0x00FF00;
        Masks[2] = 0x0000FF;
    }
}
}  // namespace

bool ParseDib(const BITMAPINFO* Info, UINT Usage, const TDC* Dc, TDibFormat& F) {
    if (!Info) return false;
    const BITMAPINFOHEADER& H = Info->bmiHeader;
    if (H.biSize < sizeof(BITMAPINFOHEADER) || H.biWidth <= 0 || H.biHeight == 0 || H.biWidth > 0x8000 ||
        H.biHeight > 0x8000 || H.biHeight < -0x8000)
        return false;
    int Bpp = H.biBitCount;
    if (Bpp != 1 && Bpp != 4 && Bpp != 8 && Bpp != 16 && Bpp != 24 && Bpp != 32) return false;
    if (H.biCompression != BI_RGB && !(H.biCompression == BI_BITFIELDS && (Bpp == 16 || Bpp == 32))) return false;
    F.Width = H.biWidth;
    F.Height = H.biHeight < 0 ? -H.biHeight : H.biHeight;
    F.TopDown = H.biHeight < 0;
    F.Bpp = Bpp;
    F.Compression = H.biCompression;
    F.Stride = ((F.Width * Bpp + 31) / 32) * 4;
    const auto* Base = reinterpret_cast<const uint8_t*>(Info);
    size_t TableOffset = H.biSize;
    if (H.biCompression == BI_BITFIELDS) {
        std::memcpy(F.Masks, Base + sizeof(BITMAPINFOHEADER), sizeof(F.Masks));
        if (H.biSize == sizeof(BITMAPINFOHEADER)) TableOffset += sizeof(F.Masks);
    } else {
        DefaultMasks(Bpp, F.Masks);
    }
    if (Bpp <= 8) {
        size_t Count = H.biClrUsed ? std::min<size_t>(H.biClrUsed, size_t(1) << Bpp) : size_t(1) << Bpp;
        F.Table.resize(Count);
        if (Usage == DIB_PAL_COLORS) {
            const auto* Index = reinterpret_cast<const WORD*>(Base + TableOffset);
            for (size_t I = 0; I < Count; ++I) {
                COLORREF C = Dc ? ResolveColor(*Dc, PALETTEINDEX(Index[I])) : 0;
                F.Table[I] = {GetBValue(C), GetGValue(C), GetRValue(C), 0};
            }
        } else {
            std::memcpy(F.Table.data(), Base + TableOffset, Count * sizeof(RGBQUAD));
        }
    }
    return true;
}

int DecodeDibLines(const TDibFormat& F, const void* Bits, UINT StartScan, UINT Lines, TGdiSurface& S) {
    if (!Bits) return 0;
    const auto* Src = static_cast<const uint8_t*>(Bits);
    int Done = 0;
    std::vector<uint32_t> Row(static_cast<size_t>(F.Width));
    for (UINT L = 0; L < Lines; ++L) {
        int Scan = static_cast<int>(StartScan + L);
        if (Scan >= F.Height) break;
        int Y = F.TopDown ? Scan : F.Height - 1 - Scan;
        if (Y < 0 || Y >= S.Height) continue;
        DecodeDibRow(Src + static_cast<size_t>(L) * F.Stride, F.Bpp, F.Width, F.Table.data(),
                     static_cast<int>(F.Table.size()), F.Masks, Row.data());
        int W = std::min(F.Width, S.Width);
        std::copy(Row.begin(), Row.begin() + W, S.Row(Y));
        ++Done;
    }
    return Done;
}

}  // namespace gdi

using namespace gdi;

namespace {
HBITMAP RegisterBitmap(std::shared_ptr<TBitmap> B) { return Register(B); }

HBITMAP StockMonoBitmap() {
    // Zero-sized requests get the 1x1 monochrome stock bitmap, as callers expect a handle.
    HDC Dc = CreateCompatibleDC(nullptr);
    HBITMAP B = GetCurrentObject(Dc, OBJ_BITMAP);
    DeleteDC(Dc);
    return B;
}

std::shared_ptr<TBitmap> MakeDibSection(const TDibFormat& F) {
    auto B = std::make_shared<TBitmap>();
    B->Type = OBJ_BITMAP;
    B->Dib = true;
    B->BitsPixel = F.Bpp;
    B->TopDown = F.TopDown;
    B->DibStride = F.Stride;
    B->ColorTable = F.Table;
    std::memcpy(B->Masks, F.Masks, sizeof(B->Masks));
    B->DibHeader.biSize = sizeof(BITMAPINFOHEADER);
    B->DibHeader.biWidth = F.Width;
    B->DibHeader.biHeight = F.TopDown ? -F.Height : F.Height;
    B->DibHeader.biPlanes = 1;
    B->DibHeader.biBitCount = static_cast<WORD>(F.Bpp);
    B->DibHeader.biCompression = F.Compression;
    B->DibHeader.biSizeImage = static_cast<DWORD>(F.Stride * F.Height);
    B->DibHeader.biClrUsed = static_cast<DWORD>(F.Table.size());
    size_t Size = static_cast<size_t>(F.Stride) * F.Height;
    B->DibBits = {static_cast<uint8_t*>(AllocPixelMemory(Size)), TPixelDeleter{Size}};
    bool Standard32 = F.Bpp == 32 && F.Masks[0] == 0xFF0000 && F.Masks[1] == 0xFF00 && F.Masks[2] == 0xFF;
    B->Surface = std::make_unique<TGdiSurface>();
    B->Surface->Width = F.Width;
    B->Surface->Height = F.Height;
    if (Standard32) {
        // The caller's bits are the surface; bottom-up rows run backwards.
        B->Direct = true;
        auto* Pixels = reinterpret_cast<uint32_t*>(B->DibBits.get());
        if (F.TopDown) {
            B->Surface->Pixels = Pixels;
            B->Surface->Stride = F.Width;
        } else {
            B->Surface->Pixels = Pixels + static_cast<size_t>(F.Height - 1) * F.Width;
            B->Surface->Stride = -F.Width;
        }
    } else {
        B->Surface->Own.assign(static_cast<size_t>(F.Width) * F.Height, 0);
        B->Surface->Pixels = B->Surface->Own.data();
        B->Surface->Stride = F.Width;
        // Zero bits read as black (zero pixels) in the formats without a
        // colour table: only a table's first entry needs decoding.
        if (F.Bpp <= 8) DibToSurface(*B);
    }
    return B;
}
}  // namespace

HBITMAP CreateBitmap(int Width, int Height, UINT Planes, UINT BitCount, const void* Bits) {
    if (Width < 0 || Height < 0 || Width > 0x8000 || Height > 0x8000 || Planes != 1) return nullptr;
    if (Width == 0 || Height == 0) return StockMonoBitmap();
    if (BitCount != 1 && BitCount != 8 && BitCount != 16 && BitCount != 24 && BitCount != 32) return nullptr;
    auto B = NewBitmap(Width, Height, BitCount == 1 ? 1 : 32);
    HBITMAP H = RegisterBitmap(B);
    if (!Bits) return H;
    const auto* Src = static_cast<const uint8_t*>(Bits);
    if (BitCount == 1) {
        int Stride = ((Width + 15) / 16) * 2;
        for (int Y = 0; Y < Height; ++Y)
            for (int X = 0; X < Width; ++X)
                B->Surface->Row(Y)[X] = (Src[Y * Stride + (X >> 3)] & (0x80 >> (X & 7))) ? 0xFFFFFFu : 0u;
    } else {
        int Bpp = static_cast<int>(BitCount);
        int Stride = ((Width * Bpp + 15) / 16) * 2;
        DWORD Masks[3];
        if (Bpp == 16) {
            Masks[0] = 0xF800;  // device bitmaps of 16 bits are 5-6-5
            Masks[1] = 0x07E0;
            Masks[2] = 0x001F;
        } else {
            Masks[0] = 0xFF0000;
            Masks[1] = 0xFF00;
            Masks[2] = 0xFF;
        }
        std::vector<RGBQUAD> Table = DefaultTable(8);
        for (int Y = 0; Y < Height; ++Y)
            DecodeDibRow(Src + static_cast<size_t>(Y) * Stride, Bpp, Width, Table.data(), static_cast<int>(Table.size()),
                         Masks, B->Surface->Row(Y));
    }
    return H;
}

HBITMAP CreateBitmapIndirect(const BITMAP* Bm) {
    if (!Bm) return nullptr;
    return CreateBitmap(Bm->bmWidth, Bm->bmHeight, Bm->bmPlanes, Bm->bmBitsPixel, Bm->bmBits);
}

HBITMAP CreateCompatibleBitmap(HDC Handle, int Width, int Height) {
    auto Dc = FindDC(Handle);
    if (!Dc || Width < 0 || Height < 0 || Width > 0x8000 || Height > 0x8000) return nullptr;
    if (Width == 0 || Height == 0) return StockMonoBitmap();
    bool Mono = Dc->Memory && Dc->S.Bitmap && Dc->S.Bitmap->Mono();
    return RegisterBitmap(NewBitmap(Width, Height, Mono ? 1 : 32));
}

HBITMAP CreateDIBSection(HDC Handle, const BITMAPINFO* Info, UINT Usage, void** Bits, HANDLE Section, DWORD) {
    if (Bits) *Bits = nullptr;
    if (Section) return nullptr;  // file mappings are not used by callers
    auto Dc = FindDC(Handle);
    TDibFormat F;
    if (!ParseDib(Info, Usage, Dc.get(), F)) return nullptr;
    auto B = MakeDibSection(F);
    if (Bits) *Bits = B->DibBits.get();
    return RegisterBitmap(B);
}

HBITMAP CreateDIBitmap(HDC Handle, const BITMAPINFOHEADER* Header, DWORD Init, const void* Bits,
                       const BITMAPINFO* Info, UINT Usage) {
    if (!Header) return nullptr;
    int W = Header->biWidth, H = Header->biHeight < 0 ? -Header->biHeight : Header->biHeight;
    if (W <= 0 || H <= 0 || W > 0x8000 || H > 0x8000) return nullptr;
    auto Dc = FindDC(Handle);
    bool Mono = Header->biBitCount == 1 && !Dc;
    auto B = NewBitmap(W, H, Mono ? 1 : 32);
    HBITMAP Out = RegisterBitmap(B);
    if ((Init & CBM_INIT) && Bits && Info) {
        TDibFormat F;
        if (ParseDib(Info, Usage, Dc.get(), F)) DecodeDibLines(F, Bits, 0, static_cast<UINT>(F.Height), *B->Surface);
        if (Mono)
            for (int Y = 0; Y < H; ++Y)
                for (int X = 0; X < W; ++X) B->Surface->Row(Y)[X] = MonoPixel(ToColor(B->Surface->Row(Y)[X]));
    }
    return Out;
}

int GetDIBits(HDC Handle, HBITMAP Bitmap, UINT StartScan, UINT Lines, void* Bits, BITMAPINFO* Info, UINT Usage) {
    auto B = FindBitmap(Bitmap);
    if (!B || !Info || !FindDC(Handle)) return 0;
    BITMAPINFOHEADER& H = Info->bmiHeader;
    if (H.biSize < sizeof(BITMAPINFOHEADER)) return 0;
    DibToSurface(*B);
    const TGdiSurface& S = *B->Surface;
    if (H.biBitCount == 0) {
        // Describe the bitmap.
        H.biWidth = S.Width;
        H.biHeight = S.Height;
        H.biPlanes = 1;
        H.biBitCount = static_cast<WORD>(B->Dib ? B->DibHeader.biBitCount : B->BitsPixel);
        H.biCompression = B->Dib ? B->DibHeader.biCompression : BI_RGB;
        H.biSizeImage = static_cast<DWORD>(((S.Width * H.biBitCount + 31) / 32) * 4 * S.Height);
        H.biClrUsed = 0;
        H.biClrImportant = 0;
        if (!Bits) return 1;
    }
    int Bpp = H.biBitCount;
    if (Bpp != 1 && Bpp != 4 && Bpp != 8 && Bpp != 16 && Bpp != 24 && Bpp != 32) return 0;
    if (H.biCompression != BI_RGB && H.biCompression != BI_BITFIELDS) return 0;
    if (H.biWidth <= 0 || H.biHeight == 0) return 0;
    int Stride = ((H.biWidth * Bpp + 31) / 32) * 4;
    int Rows = H.biHeight < 0 ? -H.biHeight : H.biHeight;
    H.biSizeImage = static_cast<DWORD>(Stride * Rows);
    std::vector<RGBQUAD> Table;
    if (Bpp <= 8) {
        if (B->Dib && B->DibHeader.biBitCount == Bpp && !B->ColorTable.empty())
            Table = B->ColorTable;
        else if (B->Mono() && Bpp == 1)
            Table = {{0, 0, 0, 0}, {255, 255, 255, 0}};
        else
            Table = DefaultTable(Bpp);
        Table.resize(size_t(1) << Bpp, RGBQUAD{0, 0, 0, 0});
        if (Usage == DIB_RGB_COLORS) std::memcpy(Info->bmiColors, Table.data(), Table.size() * sizeof(RGBQUAD));
        H.biClrUsed = 0;
    }
    DWORD Masks[3];
    if (H.biCompression == BI_BITFIELDS) {
        std::memcpy(Masks, reinterpret_cast<uint8_t*>(Info) + sizeof(BITMAPINFOHEADER), sizeof(Masks));
        if (!Masks[0] && !Masks[1] && !Masks[2]) {
            DefaultMasks(Bpp, Masks);
            if (Bpp == 16) {
                Masks[0] = 0xF800;
                Masks[1] = 0x07E0;
            }
            std::memcpy(reinterpret_cast<uint8_t*>(Info) + sizeof(BITMAPINFOHEADER), Masks, sizeof(Masks));
        }
    } else {
        DefaultMasks(Bpp, Masks);
    }
    if (!Bits) return static_cast<int>(std::min<UINT>(Lines, static_cast<UINT>(Rows)));
    bool TopDown = H.biHeight < 0;
    auto* Dst = static_cast<uint8_t*>(Bits);
    int Done = 0;
    std::vector<uint32_t> Row(static_cast<size_t>(H.biWidth), 0);
    for (UINT L = 0; L < Lines; ++L) {
        int Scan = static_cast<int>(StartScan + L);
        if (Scan >= Rows) break;
        int Y = TopDown ? Scan : Rows - 1 - Scan;
        std::fill(Row.begin(), Row.end(), 0u);
        if (Y < S.Height) std::copy(S.Row(Y), S.Row(Y) + std::min(S.Width, H.biWidth), Row.begin());
        uint8_t* Out = Dst + static_cast<size_t>(L) * Stride;
        std::memset(Out, 0, static_cast<size_t>(Stride));
        EncodeDibRow(Row.data(), Bpp, 0, H.biWidth, Table.data(), static_cast<int>(Table.size()), Masks, Out);
        ++Done;
    }
    return Done;
}

int SetDIBits(HDC Handle, HBITMAP Bitmap, UINT StartScan, UINT Lines, const void* Bits, const BITMAPINFO* Info,
              UINT Usage) {
    auto B = FindBitmap(Bitmap);
    if (!B || !Bits) return 0;
    auto Dc = FindDC(Handle);
    TDibFormat F;
    if (!ParseDib(Info, Usage, Dc.get(), F)) return 0;
    DibToSurface(*B);
    int Done = DecodeDibLines(F, Bits, StartScan, Lines, *B->Surface);
    if (B->Mono())
        for (int Y = 0; Y < B->Surface->Height; ++Y)
            for (int X = 0; X < B->Surface->Width; ++X)
                B->Surface->Row(Y)[X] = MonoPixel(ToColor(B->Surface->Row(Y)[X]));
    SurfaceToDib(*B, /*Changed=*/nullptr);
    return Done;
}

UINT GetDIBColorTable(HDC Handle, UINT Start, UINT Count, RGBQUAD* Colors) {
    auto Dc = FindDC(Handle);
    if (!Dc || !Dc->Memory || !Dc->S.Bitmap || !Dc->S.Bitmap->Dib || !Colors) return 0;
    const auto& T = Dc->S.Bitmap->ColorTable;
    UINT N = 0;
    for (; N < Count && Start + N < T.size(); ++N) Colors[N] = T[Start + N];
    return N;
}

UINT SetDIBColorTable(HDC Handle, UINT Start, UINT Count, const RGBQUAD* Colors) {
    auto Dc = FindDC(Handle);
    if (!Dc || !Dc->Memory || !Dc->S.Bitmap || !Dc->S.Bitmap->Dib || !Colors) return 0;
    auto& T = Dc->S.Bitmap->ColorTable;
    UINT N = 0;
    for (; N < Count && Start + N < T.size(); ++N) T[Start + N] = Colors[N];
    DibToSurface(*Dc->S.Bitmap);
    return N;
}

LONG GetBitmapBits(HBITMAP Bitmap, LONG Count, LPVOID Bits) {
    auto B = FindBitmap(Bitmap);
    if (!B) return 0;
    DibToSurface(*B);
    const TGdiSurface& S = *B->Surface;
    int Stride = B->Mono() ? ((S.Width + 15) / 16) * 2 : S.Width * 4;
    LONG Size = Stride * S.Height;
    if (!Bits) return Size;
    auto* Dst = static_cast<uint8_t*>(Bits);
    LONG N = std::min(Count, Size);
    std::vector<uint8_t> Row(static_cast<size_t>(Stride));
    for (int Y = 0; Y < S.Height && Y * Stride < N; ++Y) {
        std::fill(Row.begin(), Row.end(), 0);
        for (int X = 0; X < S.Width; ++X) {
            if (B->Mono()) {
                if (S.Row(Y)[X] & 0xFFFFFF) Row[X >> 3] |= uint8_t(0x80 >> (X & 7));
            } else {
                std::memcpy(&Row[4 * X], &S.Row(Y)[X], 4);
            }
        }
        std::memcpy(Dst + Y * Stride, Row.data(), static_cast<size_t>(std::min<LONG>(Stride, N - Y * Stride)));
    }
    return N;
}

LONG SetBitmapBits(HBITMAP Bitmap, DWORD Count, const void* Bits) {
    auto B = FindBitmap(Bitmap);
    if (!B || !Bits) return 0;
    TGdiSurface& S = *B->Surface;
    int Stride = B->Mono() ? ((S.Width + 15) / 16) * 2 : S.Width * 4;
    const auto* Src = static_cast<const uint8_t*>(Bits);
    LONG Done = 0;
    for (int Y = 0; Y < S.Height && static_cast<DWORD>((Y + 1) * Stride) <= Count; ++Y) {
        for (int X = 0; X < S.Width; ++X) {
            if (B->Mono())
                S.Row(Y)[X] = (Src[Y * Stride + (X >> 3)] & (0x80 >> (X & 7))) ? 0xFFFFFFu : 0u;
            else
                std::memcpy(&S.Row(Y)[X], Src + Y * Stride + 4 * X, 4);
        }
        Done += Stride;
    }
    SurfaceToDib(*B, /*Changed=*/nullptr);
    return Done;
}

BOOL GetBitmapDimensionEx(HBITMAP Bitmap, SIZE* Size) {
    auto B = FindBitmap(Bitmap);
    if (!B || !Size) return FALSE;
    *Size = B->Dimension;
    return TRUE;
}

// ---- PNG -------------------------------------------------------------------------

bool GdiSaveSurfacePng(const TGdiSurface* Surface, const char* FileName) {
    if (!Surface || !FileName || Surface->Width <= 0 || Surface->Height <= 0) return false;
    bool HasAlpha = false;
    for (int Y = 0; Y < Surface->Height && !HasAlpha; ++Y)
        for (int X = 0; X < Surface->Width; ++X)
            if (Surface->Row(Y)[X] & 0xFF000000u) {
                HasAlpha = true;
                break;
            }
    png_image Image;
    std::memset(&Image, 0, sizeof(Image));
    Image.version = PNG_IMAGE_VERSION;
    Image.width = static_cast<png_uint_32>(Surface->Width);
    Image.height = static_cast<png_uint_32>(Surface->Height);
    // GDI leaves alpha 0: such surfaces are saved opaque.
    Image.format = HasAlpha ? PNG_FORMAT_BGRA : PNG_FORMAT_BGR;
    int Channels = HasAlpha ? 4 : 3;
    std::vector<uint8_t> Buffer(static_cast<size_t>(Surface->Width) * Surface->Height * Channels);
    for (int Y = 0; Y < Surface->Height; ++Y)
        for (int X = 0; X < Surface->Width; ++X) {
            uint32_t P = Surface->Row(Y)[X];
            uint8_t* D = &Buffer[(static_cast<size_t>(Y) * Surface->Width + X) * Channels];
            D[0] = uint8_t(P);
            D[1] = uint8_t(P >> 8);
            D[2] = uint8_t(P >> 16);
            if (HasAlpha) D[3] = uint8_t(P >> 24);
        }
    int Ok = png_image_write_to_file(&Image, FileName, 0, Buffer.data(), 0, nullptr);
    png_image_free(&Image);
    return Ok != 0;
}

TGdiSurface* GdiLoadSurfacePng(const char* FileName) {
    if (!FileName) return nullptr;
    png_image Image;
    std::memset(&Image, 0, sizeof(Image));
    Image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&Image, FileName)) return nullptr;
    bool HasAlpha = (Image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    Image.format = PNG_FORMAT_BGRA;
    if (Image.width == 0 || Image.height == 0 || Image.width > 0x8000 || Image.height > 0x8000) {
        png_image_free(&Image);
        return nullptr;
    }
    auto S = NewSurface(static_cast<int>(Image.width), static_cast<int>(Image.height));
    if (!png_image_finish_read(&Image, nullptr, S->Pixels, static_cast<png_int_32>(S->Stride * 4), nullptr)) {
        png_image_free(&Image);
        return nullptr;
    }
    if (!HasAlpha)
        for (uint32_t& P : S->Own) P &= 0x00FFFFFFu;
    return S.release();
}
