// LZW decoding and encoding of a 2000 x 2000 8-bit picture by the extra
// components' GIF coder, beside giflib doing the same rows.
#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "controls/extra/ag_giflzw.h"

namespace {
constexpr int W = 2000, H = 2000;

// Top-down 8-bit rows: smooth bands with some noise, as a reduced photo has.
const std::vector<uint8_t>& Picture() {
    static std::vector<uint8_t> P = [] {
        std::vector<uint8_t> V(size_t(W) * H);
        uint32_t Seed = 12345;
        for (int Y = 0; Y < H; ++Y)
            for (int X = 0; X < W; ++X) {
                Seed = Seed * 1103515245u + 12345u;
                const double T = std::sin(X * 0.004) * std::cos(Y * 0.003);
                V[size_t(Y) * W + X] = static_cast<uint8_t>(int(128 + 90 * T) + ((Seed >> 16) % 7));
            }
        return V;
    }();
    return P;
}

// The same pixels as bottom-up DIB rows (a width of 2000 needs no padding).
const std::vector<uint8_t>& DibRows() {
    static std::vector<uint8_t> D = [] {
        std::vector<uint8_t> V(size_t(W) * H);
        for (int Y = 0; Y < H; ++Y) std::memcpy(&V[size_t(H - 1 - Y) * W], &Picture()[size_t(Y) * W], W);
        return V;
    }();
    return D;
}

const TGIFLZWTarget Target{W, H, 8};

TMemoryStream& OurStream() {
    static TMemoryStream S = [] {
        TMemoryStream M;
        EncodeLZW(M, Target, false, {}, DibRows().data());
        return M;
    }();
    return S;
}

// ---- giflib through memory ----------------------------------------------------------
struct TBuffer {
    std::vector<uint8_t> Bytes;
    size_t Pos = 0;
};

int WriteMem(GifFileType* G, const GifByteType* Data, int Len) {
    auto* B = static_cast<TBuffer*>(G->UserData);
    B->Bytes.insert(B->Bytes.end(), Data, Data + Len);
    return Len;
}

int ReadMem(GifFileType* G, GifByteType* Data, int Len) {
    auto* B = static_cast<TBuffer*>(G->UserData);
    const size_t N = std::min<size_t>(size_t(Len), B->Bytes.size() - B->Pos);
    std::memcpy(Data, B->Bytes.data() + B->Pos, N);
    B->Pos += N;
    return static_cast<int>(N);
}

ColorMapObject* GreyMap() {
    static std::vector<GifColorType> Colours = [] {
        std::vector<GifColorType> C(256);
        for (int I = 0; I < 256; ++I) C[I] = GifColorType{uint8_t(I), uint8_t(I), uint8_t(I)};
        return C;
    }();
    return GifMakeMapObject(256, Colours.data());
}

std::vector<uint8_t> GiflibEncode() {
    TBuffer B;
    int Error = 0;
    GifFileType* G = EGifOpen(&B, WriteMem, &Error);
    ColorMapObject* Map = GreyMap();
    EGifPutScreenDesc(G, W, H, 8, 0, Map);
    EGifPutImageDesc(G, 0, 0, W, H, false, nullptr);
    std::vector<uint8_t> Row(W);
    for (int Y = 0; Y < H; ++Y) {
        std::memcpy(Row.data(), &Picture()[size_t(Y) * W], W);
        EGifPutLine(G, Row.data(), W);
    }
    EGifCloseFile(G, &Error);
    GifFreeMapObject(Map);
    return B.Bytes;
}

void GiflibDecode(const std::vector<uint8_t>& Gif, std::vector<uint8_t>& Out) {
    TBuffer B{Gif, 0};
    int Error = 0;
    GifFileType* G = DGifOpen(&B, ReadMem, &Error);
    GifRecordType Record;
    do {
        DGifGetRecordType(G, &Record);
        if (Record == IMAGE_DESC_RECORD_TYPE) {
            DGifGetImageDesc(G);
            for (int Y = 0; Y < H; ++Y) DGifGetLine(G, &Out[size_t(Y) * W], W);
        } else if (Record == EXTENSION_RECORD_TYPE) {
            int Code;
            GifByteType* Ext;
            DGifGetExtension(G, &Code, &Ext);
            while (Ext) DGifGetExtensionNext(G, &Ext);
        }
    } while (Record != TERMINATE_RECORD_TYPE);
    DGifCloseFile(G, &Error);
}

void OurDecode(std::vector<uint8_t>& Out) {
    TMemoryStream& S = OurStream();
    S.SetPosition(0);
    std::memset(Out.data(), 0, Out.size());
    DecodeLZW(S, Target, false, {}, Out.data(), 8, true);
}

// Both coders must give back the picture, or the timings mean nothing.
void CheckRoundTrips() {
    std::vector<uint8_t> Out(size_t(W) * H);
    OurDecode(Out);
    if (Out != DibRows()) {
        std::fprintf(stderr, "our coder does not give the picture back\n");
        std::exit(1);
    }
    GiflibDecode(GiflibEncode(), Out);
    if (Out != Picture()) {
        std::fprintf(stderr, "giflib does not give the picture back\n");
        std::exit(1);
    }
}

void BM_DecodeOurs(benchmark::State& State) {
    CheckRoundTrips();
    std::vector<uint8_t> Out(size_t(W) * H);
    for (auto _ : State) {
        OurDecode(Out);
        benchmark::DoNotOptimize(Out.data());
    }
    State.SetBytesProcessed(int64_t(State.iterations()) * W * H);
    State.counters["lzw_bytes"] = double(OurStream().Size());
}
BENCHMARK(BM_DecodeOurs)->Unit(benchmark::kMillisecond);

void BM_DecodeGiflib(benchmark::State& State) {
    const std::vector<uint8_t> Gif = GiflibEncode();
    std::vector<uint8_t> Out(size_t(W) * H);
    for (auto _ : State) {
        GiflibDecode(Gif, Out);
        benchmark::DoNotOptimize(Out.data());
    }
    State.SetBytesProcessed(int64_t(State.iterations()) * W * H);
    State.counters["gif_bytes"] = double(Gif.size());
}
BENCHMARK(BM_DecodeGiflib)->Unit(benchmark::kMillisecond);

void BM_EncodeOurs(benchmark::State& State) {
    for (auto _ : State) {
        TMemoryStream M;
        EncodeLZW(M, Target, false, {}, DibRows().data());
        benchmark::DoNotOptimize(M.Memory());
    }
    State.SetBytesProcessed(int64_t(State.iterations()) * W * H);
}
BENCHMARK(BM_EncodeOurs)->Unit(benchmark::kMillisecond);

void BM_EncodeGiflib(benchmark::State& State) {
    for (auto _ : State) {
        std::vector<uint8_t> Gif = GiflibEncode();
        benchmark::DoNotOptimize(Gif.data());
    }
    State.SetBytesProcessed(int64_t(State.iterations()) * W * H);
}
BENCHMARK(BM_EncodeGiflib)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
