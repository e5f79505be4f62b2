#include "imaging/io/ieccitt.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "imaging/bitmaps/ieutils.h"

namespace {

// Codes as bit strings, runs 0..63 then make-up codes 64..1728.
const char* const WhiteCodes[] = {
    "00110101", "000111", "0111", "1000", "1011", "1100", "1110", "1111", "10011", "10100", "00111", "01000",
    "001000", "000011", "110100", "110101", "101010", "101011", "0100111", "0001100", "0001000", "0010111",
    "0000011", "0000100", "0101000", "0101011", "0010011", "0100100", "0011000", "00000010", "00000011",
    "00011010", "00011011", "00010010", "00010011", "00010100", "00010101", "00010110", "00010111", "00101000",
    "00101001", "00101010", "00101011", "00101100", "00101101", "00000100", "00000101", "00001010", "00001011",
    "01010010", "01010011", "01010100", "01010101", "00100100", "00100101", "01011000", "01011001", "01011010",
    "01011011", "01001010", "01001011", "00110010", "00110011", "00110100",
    // 64 .. 1728
    "11011", "10010", "010111", "0110111", "00110110", "00110111", "01100100", "01100101", "01101000", "01100111",
    "011001100", "011001101", "011010010", "011010011", "011010100", "011010101", "011010110", "011010111",
    "011011000", "011011001", "011011010", "011011011", "010011000", "010011001", "010011010", "011000",
    "010011011"};
const char* const BlackCodes[] = {
    "0000110111", "010", "11", "10", "011", "0011", "0010", "00011", "000101", "000100", "0000100", "0000101",
    "0000111", "00000100", "00000111", "000011000", "0000010111", "0000011000", "0000001000", "00001100111",
    "00001101000", "00001101100", "00000110111", "00000101000", "00000010111", "00000011000", "000011001010",
    "000011001011", "000011001100", "000011001101", "000001101000", "000001101001", "000001101010",
    "000001101011", "000011010010", "000011010011", "000011010100", "000011010101", "000011010110",
    "000011010111", "000001101100", "000001101101", "000011011010", "000011011011", "000001010100",
    "000001010101", "000001010110", "000001010111", "000001100100", "000001100101", "000001010010",
    "000001010011", "000000100100", "000000110111", "000000111000", "000000100111", "000000101000",
    "000001011000", "000001011001", "000000101011", "000000101100", "000001011010", "000001100110",
    "000001100111",
    // 64 .. 1728
    "0000001111", "000011001000", "000011001001", "000001011011", "000000110011", "000000110100",
    "000000110101", "0000001101100", "0000001101101", "0000001001010", "0000001001011", "0000001001100",
    "0000001001101", "0000001110010", "0000001110011", "0000001110100", "0000001110101", "0000001110110",
    "0000001110111", "0000001010010", "0000001010011", "0000001010100", "0000001010101", "0000001011010",
    "0000001011011", "0000001100100", "0000001100101"};
// 1792 .. 2560, both colours.
const char* const ExtendedCodes[] = {"00000001000", "00000001100", "00000001101", "000000010010", "000000010011",
                                     "000000010100", "000000010101", "000000010110", "000000010111",
                                     "000000011100", "000000011101", "000000011110", "000000011111"};

struct Code {
    uint32_t bits = 0;
    int len = 0;
};

struct Table {
    Code code[105];                // by index: 0..63 terminating, 64..103 make-up, 104 EOL
    std::vector<int16_t> lookup[14];  // [len][bits] -> index, -1 none
};

Code Parse(const char* s) {
    Code c;
    for (; *s; ++s) c.bits = (c.bits << 1) | static_cast<uint32_t>(*s - '0'), ++c.len;
    return c;
}

int RunOf(int index) { return index < 64 ? index : (index - 63) * 64; }

const Table& Tables(bool black) {
    static Table t[2];
    static bool built = false;
    if (!built) {
        for (int c = 0; c < 2; ++c) {
            const char* const* codes = c ? BlackCodes : WhiteCodes;
            for (int i = 0; i < 91; ++i) t[c].code[i] = Parse(codes[i]);
            for (int i = 0; i < 13; ++i) t[c].code[91 + i] = Parse(ExtendedCodes[i]);
            t[c].code[104] = Parse("000000000001");
            for (int l = 1; l < 14; ++l) t[c].lookup[l].assign(static_cast<size_t>(1) << l, -1);
            for (int i = 0; i < 105; ++i) t[c].lookup[t[c].code[i].len][t[c].code[i].bits] = static_cast<int16_t>(i);
        }
        built = true;
    }
    return t[black ? 1 : 0];
}

struct BitReader {
    const uint8_t* data;
    int64_t length;
    int fillOrder;
    int Bit(int64_t p) const {
        if (p < 0 || p >= length * 8) return 0;
        uint8_t b = data[p >> 3];
        if (fillOrder == 2) ReverseByteBits(b);
        return (b >> (7 - (p & 7))) & 1;
    }
    uint32_t Peek(int64_t p, int n) const {
        uint32_t v = 0;
        for (int i = 0; i < n; ++i) v = (v << 1) | static_cast<uint32_t>(Bit(p + i));
        return v;
    }
    bool AtEnd(int64_t p) const { return p >= length * 8; }
};

// The entry at p: its index, -1 for no code; EOL (104) at the end of the data.
int Lookup(const BitReader& r, int64_t p, bool black, int& len) {
    if (r.AtEnd(p)) {
        len = 0;
        return 104;
    }
    const Table& t = Tables(black);
    for (int l = 2; l <= 13; ++l) {
        int16_t idx = t.lookup[l][r.Peek(p, l)];
        if (idx >= 0) {
            len = l;
            return idx;
        }
    }
    // Zero fill bits before an EOL count as EOL.
    int64_t q = p;
    while (!r.AtEnd(q) && r.Bit(q) == 0 && q - p < 64) ++q;
    if (q - p >= 11 && !r.AtEnd(q)) {
        len = static_cast<int>(q - p + 1);
        return 104;
    }
    len = 1;
    return -1;
}

void Paint(std::vector<uint8_t>& px, int32_t from, int32_t to, uint8_t v) {
    from = std::max(from, 0);
    to = std::min<int32_t>(to, static_cast<int32_t>(px.size()));
    for (int32_t x = from; x < to; ++x) px[static_cast<size_t>(x)] = v;
}

// Pixels (black = 1) to an ie1g row (white = set bit).
void ToRow(const std::vector<uint8_t>& px, uint8_t* row, int32_t width) {
    std::memset(row, 0, static_cast<size_t>((width + 7) / 8));
    for (int32_t x = 0; x < width; ++x)
        if (!px[static_cast<size_t>(x)]) row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
}

// Reads one run (make-up codes, then a terminating code); -1 when the data has no run here.
int32_t ReadRun(const BitReader& r, int64_t& p, bool black) {
    int32_t run = 0;
    for (int guard = 0; guard < 64; ++guard) {
        int len = 0;
        int idx = Lookup(r, p, black, len);
        if (idx < 0 || idx == 104) return -1;
        p += len;
        run += RunOf(idx);
        if (idx < 64) return run;
    }
    return -1;
}

int64_t Decode1D(std::vector<uint8_t>& px, const BitReader& r, int64_t p, int32_t width) {
    bool black = false;
    int32_t x = 0;
    bool first = true, makeup = false;
    int guard = 0;
    while ((x < width || makeup) && guard++ < 4 * width + 64) {
        int len = 0;
        int idx = Lookup(r, p, black, len);
        if (idx < 0) {
            p += 1;
            continue;
        }
        if (idx == 104) {
            if (first && len > 0) {
                p += len;
                first = false;
                continue;
            }
            if (black) Paint(px, x, width, 1);
            break;
        }
        first = false;
        const int32_t run = RunOf(idx);
        if (black) Paint(px, x, x + run, 1);
        x += run;
        p += len;
        makeup = idx >= 64;
        if (!makeup) black = !black;
    }
    return p;
}

// The first changing element of Ref right of A0 whose colour is Colour (Ref[-1] is white).
int32_t NextChange(const std::vector<uint8_t>& ref, int32_t a0, uint8_t colour, int32_t width) {
    for (int32_t x = std::max(a0 + 1, 0); x < width; ++x) {
        uint8_t prev = x == 0 ? 0 : ref[static_cast<size_t>(x - 1)];
        if (ref[static_cast<size_t>(x)] != prev && ref[static_cast<size_t>(x)] == colour) return x;
    }
    return width;
}
int32_t NextAnyChange(const std::vector<uint8_t>& ref, int32_t from, int32_t width) {
    for (int32_t x = std::max(from + 1, 0); x < width; ++x) {
        uint8_t prev = x == 0 ? 0 : ref[static_cast<size_t>(x - 1)];
        if (ref[static_cast<size_t>(x)] != prev) return x;
    }
    return width;
}

struct ModeCode {
    const char* bits;
};
// Two-dimensional modes in the order they are tried.
const char* const Modes[] = {"0001", "001", "0000010", "000010", "010", "1", "011", "000011", "0000011",
                             "0000001111", "000000001111", "000000000001"};
enum { MPass, MHoriz, MVL3, MVL2, MVL1, MV0, MVR1, MVR2, MVR3, MUncomp2D, MUncomp1D, MEOL };

int LookupMode(const BitReader& r, int64_t p, int& len) {
    static Code codes[12];
    static bool built = false;
    if (!built) {
        for (int i = 0; i < 12; ++i) codes[i] = Parse(Modes[i]);
        built = true;
    }
    for (int i = 0; i < 12; ++i)
        if (r.Peek(p, codes[i].len) == codes[i].bits) {
            len = codes[i].len;
            return i;
        }
    len = 0;
    return -1;
}

// Bit writer with a carried partial byte.
struct BitWriter {
    std::vector<uint8_t> out;
    uint8_t cur = 0;
    int bits = 0;
    int fillOrder = 1;
    void Put(uint32_t v, int n) {
        for (int i = n - 1; i >= 0; --i) {
            cur = static_cast<uint8_t>((cur << 1) | ((v >> i) & 1));
            if (++bits == 8) Flush8();
        }
    }
    void Put(const Code& c) { Put(c.bits, c.len); }
    void Flush8() {
        uint8_t b = cur;
        if (fillOrder == 2) ReverseByteBits(b);
        out.push_back(b);
        cur = 0;
        bits = 0;
    }
    void Pad() {
        if (bits > 0) {
            cur = static_cast<uint8_t>(cur << (8 - bits));
            bits = 7;
            Flush8();
        }
    }
};

void PutRun(BitWriter& w, int32_t run, bool black) {
    const Table& t = Tables(black);
    while (run >= 64) {
        int32_t m = run > 2560 ? 2560 : (run / 64) * 64;
        w.Put(t.code[63 + m / 64]);
        run -= m;
    }
    w.Put(t.code[run]);
}

std::vector<uint8_t> Pixels(const uint8_t* blackRow, int32_t width) {
    std::vector<uint8_t> px(static_cast<size_t>(width));
    for (int32_t x = 0; x < width; ++x) px[static_cast<size_t>(x)] = (blackRow[x >> 3] >> (7 - (x & 7))) & 1;
    return px;
}

void Encode1D(BitWriter& w, const std::vector<uint8_t>& px, int32_t width) {
    int32_t x = 0;
    bool black = false;
    while (x < width) {
        int32_t e = x;
        while (e < width && px[static_cast<size_t>(e)] == (black ? 1 : 0)) ++e;
        PutRun(w, e - x, black);
        x = e;
        black = !black;
    }
    if (width == 0) PutRun(w, 0, /*black=*/false);
}

void Encode2D(BitWriter& w, const std::vector<uint8_t>& cur, const std::vector<uint8_t>& ref, int32_t width) {
    int32_t a0 = -1;
    uint8_t colour = 0;
    static Code codes[12];
    static bool built = false;
    if (!built) {
        for (int i = 0; i < 12; ++i) codes[i] = Parse(Modes[i]);
        built = true;
    }
    while (a0 < width) {
        int32_t a1 = NextChange(cur, a0, static_cast<uint8_t>(1 - colour), width);
        int32_t b1 = NextChange(ref, a0, static_cast<uint8_t>(1 - colour), width);
        int32_t b2 = NextAnyChange(ref, b1, width);
        if (b2 < a1) {
            w.Put(codes[MPass]);
            a0 = b2;
        } else if (std::abs(a1 - b1) <= 3) {
            w.Put(codes[MV0 + (a1 - b1)]);
            a0 = a1;
            colour = static_cast<uint8_t>(1 - colour);
        } else {
            int32_t a2 = NextChange(cur, a1, colour, width);
            w.Put(codes[MHoriz]);
            PutRun(w, a1 - std::max(a0, 0), colour == 1);
            PutRun(w, a2 - a1, colour == 0);
            a0 = a2;
        }
    }
}

void WriteOut(BitWriter& w, TStream& s, std::atomic<bool>& aborting, TIECCITTEncoder* st) {
    if (!w.out.empty()) WriteStreamChecked(s, aborting, w.out.data(), static_cast<int64_t>(w.out.size()));
    w.out.clear();
    if (st) {
        st->CarryByte = w.cur;
        st->CarryBits = w.bits;
    }
}

BitWriter Resume(const TIECCITTEncoder& st, int fillOrder) {
    BitWriter w;
    w.cur = st.CarryByte;
    w.bits = st.CarryBits;
    w.fillOrder = fillOrder;
    return w;
}

const Code EOLCode{1, 12};

}  // namespace

int64_t DecodeCCITT1DRow(uint8_t* Row, const uint8_t* Data, int64_t DataLength, int FillOrder, int64_t BitPos,
                         int32_t Width) {
    std::vector<uint8_t> px(static_cast<size_t>(std::max(Width, 0)), 0);
    BitReader r{Data, DataLength, FillOrder};
    int64_t p = Decode1D(px, r, BitPos, Width);
    ToRow(px, Row, Width);
    return p;
}

int64_t DecodeCCITTMHRow(uint8_t* Row, const uint8_t* Data, int64_t DataLength, int FillOrder, int32_t Width) {
    int64_t p = DecodeCCITT1DRow(Row, Data, DataLength, FillOrder, 0, Width);
    return std::min((p + 7) / 8, DataLength);
}

int64_t DecodeCCITT2DRow(uint8_t* Row, const uint8_t* Data, int64_t DataLength, bool AllowFillBits, int FillOrder,
                         int64_t BitPos, const uint8_t* ReferenceRow, int32_t Width) {
    std::vector<uint8_t> px(static_cast<size_t>(std::max(Width, 0)), 0), ref(px.size(), 0);
    for (int32_t x = 0; x < Width; ++x) ref[static_cast<size_t>(x)] = (ReferenceRow[x >> 3] >> (7 - (x & 7))) & 1 ? 0 : 1;
    BitReader r{Data, DataLength, FillOrder};
    int64_t p = BitPos;
    int32_t a0 = -1;
    uint8_t colour = 0;
    bool first = true;
    int guard = 0;
    while (a0 < Width && !r.AtEnd(p) && guard++ < 4 * Width + 64) {
        int len = 0;
        int mode = LookupMode(r, p, len);
        if (mode < 0 || mode == MEOL) {
            // EOL, possibly after zero fill bits; anything else is stepped over bit by bit.
            int64_t q = p;
            while (!r.AtEnd(q) && r.Bit(q) == 0 && q - p < 64) ++q;
            if (q - p < 11 || r.AtEnd(q)) {
                if (r.AtEnd(q)) break;
                ++p;
                continue;
            }
            if (first) {
                p = q + 1;
                int tag = r.Bit(p);
                ++p;
                if (tag == 1) {
                    p = Decode1D(px, r, p, Width);
                    ToRow(px, Row, Width);
                    return p;
                }
                first = false;
                continue;
            }
            if (colour == 1) Paint(px, a0, Width, 1);
            break;  // the EOL starts the next row
        }
        first = false;
        p += len;
        if (mode == MPass) {
            int32_t b1 = NextChange(ref, a0, static_cast<uint8_t>(1 - colour), Width);
            int32_t b2 = NextAnyChange(ref, b1, Width);
            if (colour == 1) Paint(px, a0, b2, 1);
            a0 = b2;
        } else if (mode == MHoriz) {
            int32_t r1 = ReadRun(r, p, colour == 1);
            int32_t r2 = r1 < 0 ? -1 : ReadRun(r, p, colour == 0);
            if (r1 < 0 || r2 < 0) break;
            int32_t start = std::max(a0, 0);
            Paint(px, start, start + r1, colour);
            Paint(px, start + r1, start + r1 + r2, static_cast<uint8_t>(1 - colour));
            a0 = start + r1 + r2;
        } else if (mode >= MVL3 && mode <= MVR3) {
            int32_t b1 = NextChange(ref, a0, static_cast<uint8_t>(1 - colour), Width);
            int32_t a1 = b1 + (mode - MV0);
            if (colour == 1) Paint(px, a0, a1, 1);
            a0 = a1 < 0 ? 0 : a1;
            colour = static_cast<uint8_t>(1 - colour);
        } else {
            // Uncompressed mode: k zero bits before a one bit.
            for (;;) {
                int k = 0;
                while (k < 11 && !r.AtEnd(p) && r.Bit(p) == 0) ++k, ++p;
                if (k >= 11 || r.AtEnd(p)) break;
                ++p;
                int32_t start = std::max(a0, 0);
                if (k <= 4) {
                    // k white pixels, then one black.
                    Paint(px, start + k, start + k + 1, 1);
                    a0 = start + k + 1;
                } else if (k == 5) {
                    a0 = start + 5;
                } else {
                    a0 = start + (k - 6);
                    colour = static_cast<uint8_t>(r.Bit(p));
                    ++p;
                    break;
                }
                if (a0 >= Width) break;
            }
        }
    }
    ToRow(px, Row, Width);
    return p;
}

void EncodeCCITTMHRow(const uint8_t* Row, int32_t Width, TStream& Stream, int FillOrder, std::atomic<bool>& Aborting) {
    BitWriter w;
    w.fillOrder = FillOrder;
    Encode1D(w, Pixels(Row, Width), Width);
    w.Pad();
    WriteOut(w, Stream, Aborting, /*st=*/nullptr);
}

void EncodeCCITT1DRow(const uint8_t* Row, int32_t Width, TStream& Stream, int FillOrder, std::atomic<bool>& Aborting,
                      TIECCITTEncoder& State) {
    BitWriter w = Resume(State, FillOrder);
    if (Row == nullptr) {
        w.Pad();
        WriteOut(w, Stream, Aborting, &State);
        return;
    }
    w.Put(EOLCode);
    Encode1D(w, Pixels(Row, Width), Width);
    WriteOut(w, Stream, Aborting, &State);
}

void EncodeCCITTG3Row(const uint8_t* Row, int32_t Width, TStream& Stream, int FillOrder, std::atomic<bool>& Aborting,
                      TIECCITTEncoder& State) {
    BitWriter w = Resume(State, FillOrder);
    if (Row == nullptr) {
        w.Put(EOLCode);
        w.Pad();
        WriteOut(w, Stream, Aborting, &State);
        State.Reference.clear();
        return;
    }
    auto px = Pixels(Row, Width);
    w.Put(EOLCode);
    if (State.Reference.empty()) {
        w.Put(1, 1);
        Encode1D(w, px, Width);
    } else {
        w.Put(0, 1);
        Encode2D(w, px, State.Reference, Width);
    }
    State.Reference = px;
    WriteOut(w, Stream, Aborting, &State);
}

void EncodeCCITTG4Row(const uint8_t* Row, int32_t Width, TStream& Stream, int FillOrder, std::atomic<bool>& Aborting,
                      TIECCITTEncoder& State) {
    BitWriter w = Resume(State, FillOrder);
    if (Row == nullptr) {
        w.Put(EOLCode);
        w.Put(EOLCode);
        w.Pad();
        WriteOut(w, Stream, Aborting, &State);
        State.Reference.clear();
        return;
    }
    if (State.Reference.empty()) State.Reference.assign(static_cast<size_t>(Width), 0);
    auto px = Pixels(Row, Width);
    Encode2D(w, px, State.Reference, Width);
    State.Reference = px;
    WriteOut(w, Stream, Aborting, &State);
}
