#include "imaging/io/ielzw.h"

#include <cstring>
#include <vector>

namespace {

// Rows of a GIF image in storage order: plain, or the four interlace passes.
struct RowWalker {
    int32_t height;
    bool interlaced;
    int pass = 0;
    int32_t row = 0;
    bool next() {
        if (!interlaced) return ++row < height;
        static const int starts[4] = {0, 4, 2, 1};
        static const int steps[4] = {8, 8, 4, 2};
        row += steps[pass];
        while (row >= height) {
            if (++pass >= 4) return false;
            row = starts[pass];
        }
        return true;
    }
};

}  // namespace

void GIFLZWDecompress(TStream& Stream, int32_t Height, int32_t Width, uint8_t* Pixels, bool Interlaced) {
    const int64_t startPos = Stream.Position();
    auto fail = [&] { Stream.Seek(startPos, soBeginning); };
    uint8_t minSize = 0;
    if (Stream.Read(&minSize, 1) != 1 || minSize < 2 || minSize > 9) return fail();
    std::vector<uint8_t> data;
    for (;;) {
        uint8_t len = 0;
        if (Stream.Read(&len, 1) != 1 || len == 0) break;
        size_t at = data.size();
        data.resize(at + len);
        int64_t got = Stream.Read(data.data() + at, len);
        if (got < len) {
            data.resize(at + static_cast<size_t>(got < 0 ? 0 : got));
            break;
        }
    }
    if (data.empty()) return fail();

    const int clear = 1 << minSize, end = clear + 1;
    int width = minSize + 1, next = clear + 2, limit = 1 << width;
    static thread_local uint16_t prefix[4096];
    static thread_local uint8_t suffix[4096];
    static thread_local uint8_t stack[4097];
    for (int i = 0; i < clear; ++i) {
        prefix[i] = 0;
        suffix[i] = static_cast<uint8_t>(i);
    }
    const int64_t totalBits = static_cast<int64_t>(data.size()) * 8;
    int64_t bitPos = 0;
    auto readCode = [&]() -> int {
        if (bitPos + width > totalBits) return -1;
        int code = 0;
        for (int b = 0; b < width; ++b, ++bitPos)
            if (data[bitPos >> 3] & (1 << (bitPos & 7))) code |= 1 << b;
        return code;
    };
    RowWalker rows{Height, Interlaced};
    int32_t col = 0;
    bool rowsLeft = Height > 0 && Width > 0;
    auto put = [&](uint8_t v) {
        if (!rowsLeft) return;
        Pixels[static_cast<size_t>(rows.row) * Width + col] = v;
        if (++col >= Width) {
            col = 0;
            rowsLeft = rows.next();
        }
    };
    int old = -1;
    uint8_t first = 0;
    bool full = false;
    for (;;) {
        int code = readCode();
        if (code < 0) break;
        if (code == clear) {
            width = minSize + 1;
            next = clear + 2;
            limit = 1 << width;
            old = -1;
            full = false;
            continue;
        }
        if (code == end) break;
        if (full) return fail();  // a full table must be followed by Clear
        if (old < 0) {
            if (code >= next) code = 0;
            if (code > clear) code = 0;
            first = static_cast<uint8_t>(code);
            put(first);
            old = code;
            continue;
        }
        if (code > next) return fail();
        int sp = 0;
        int c = code;
        if (code == next) {
            stack[sp++] = first;
            c = old;
        }
        while (c >= clear && sp < 4096) {
            stack[sp++] = suffix[c];
            c = prefix[c];
        }
        stack[sp++] = static_cast<uint8_t>(c);
        first = static_cast<uint8_t>(c);
        while (sp > 0) put(stack[--sp]);
        if (next < 4096) {
            prefix[next] = static_cast<uint16_t>(old);
            suffix[next] = first;
            ++next;
            if (next >= limit) {
                if (width < 12) {
                    ++width;
                    limit <<= 1;
                } else {
                    full = true;
                }
            }
        }
        old = code;
    }
}

void GIFLZWCompress(TStream& Stream, int32_t Height, int32_t Width, int32_t BitsPerPixel, const uint8_t* Pixels,
                    bool Interlaced) {
    const int m = BitsPerPixel < 2 ? 2 : (BitsPerPixel > 8 ? 8 : BitsPerPixel);
    uint8_t ms = static_cast<uint8_t>(m);
    Stream.WriteBuffer(&ms, 1);
    const int clear = 1 << m, eoi = clear + 1;
    const int hsize = 5003, hshift = 4;
    std::vector<int32_t> htab(hsize, -1);
    std::vector<uint16_t> codetab(hsize, 0);
    int nbits = m + 1, maxcode = (1 << nbits) - 1, freeEnt = clear + 2;
    bool clearFlag = false;
    uint32_t acc = 0;
    int accBits = 0;
    uint8_t block[256];
    int blockLen = 0;
    auto flushBlock = [&] {
        if (blockLen == 0) return;
        uint8_t n = static_cast<uint8_t>(blockLen);
        Stream.WriteBuffer(&n, 1);
        Stream.WriteBuffer(block, blockLen);
        blockLen = 0;
    };
    auto output = [&](int code) {
        acc |= static_cast<uint32_t>(code) << accBits;
        accBits += nbits;
        while (accBits >= 8) {
            block[blockLen++] = static_cast<uint8_t>(acc);
            acc >>= 8;
            accBits -= 8;
            if (blockLen >= 254) flushBlock();
        }
        if (freeEnt > maxcode || clearFlag) {
            if (clearFlag) {
                nbits = m + 1;
                maxcode = (1 << nbits) - 1;
                clearFlag = false;
            } else {
                ++nbits;
                maxcode = nbits == 12 ? 4096 : (1 << nbits) - 1;
            }
        }
    };
    output(clear);
    if (Width > 0 && Height > 0) {
        RowWalker rows{Height, Interlaced};
        int32_t col = 0;
        const uint8_t* rowp = Pixels;
        int ent = Pixels[0];
        col = 1;
        for (;;) {
            if (col >= Width) {
                if (!rows.next()) break;
                col = 0;
            }
            rowp = Pixels + static_cast<size_t>(rows.row) * Width;
            int c = rowp[col++];
            int32_t fcode = (c << 12) + ent;
            int i = (c << hshift) ^ ent;
            if (htab[i] == fcode) {
                ent = codetab[i];
                continue;
            }
            bool found = false;
            if (htab[i] >= 0) {
                int disp = i == 0 ? 1 : hsize - i;
                for (;;) {
                    i -= disp;
                    if (i < 0) i += hsize;
                    if (htab[i] == fcode) {
                        ent = codetab[i];
                        found = true;
                        break;
                    }
                    if (htab[i] < 0) break;
                }
            }
            if (found) continue;
            output(ent);
            ent = c;
            if (freeEnt < 4096) {
                codetab[i] = static_cast<uint16_t>(freeEnt++);
                htab[i] = fcode;
            } else {
                std::fill(htab.begin(), htab.end(), -1);
                freeEnt = clear + 2;
                clearFlag = true;
                output(clear);
            }
        }
        output(ent);
    }
    output(eoi);
    if (accBits > 0) {
        block[blockLen++] = static_cast<uint8_t>(acc);
        if (blockLen >= 254) flushBlock();
    }
    flushBlock();
    uint8_t zero = 0;
    Stream.WriteBuffer(&zero, 1);
}

// ---- TIFF ------------------------------------------------------------------------------

namespace {

struct TIFFDecoder {
    const uint8_t* data = nullptr;
    int64_t size = 0;
    int64_t bitPos = 0;
    int width = 9;
    int next = 258;
    int old = -1;
    bool ended = false;
    uint16_t prefix[4096];
    uint8_t suffix[4096];
    uint16_t length[4096];
    uint8_t first[4096];
    // Decoded bytes not yet handed out; grows as a string needs (no fixed room to overflow).
    std::vector<uint8_t> out;
    size_t outStart = 0;
    void reset() {
        width = 9;
        next = 258;
        old = -1;
    }
    int readCode() {
        if (bitPos + width > size * 8) return -1;
        int64_t byte = bitPos >> 3;
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v = (v << 8) | (byte + i < size ? data[byte + i] : 0);
        int code = static_cast<int>((v << (bitPos & 7)) >> (32 - width));
        bitPos += width;
        return code;
    }
    void emit(int code) {
        size_t at = out.size();
        out.resize(at + length[code]);
        for (int c = code, i = length[code] - 1; i >= 0; --i) {
            out[at + static_cast<size_t>(i)] = suffix[c];
            c = prefix[c];
        }
    }
    bool add(int prev, uint8_t byte) {
        if (next >= 4096) return false;
        prefix[next] = static_cast<uint16_t>(prev);
        suffix[next] = byte;
        length[next] = static_cast<uint16_t>(length[prev] + 1);
        first[next] = first[prev];
        ++next;
        if (next >= 2047) width = 12;
        else if (next >= 1023) width = 11;
        else if (next >= 511) width = 10;
        return true;
    }
};

struct TIFFEncoder {
    std::vector<int32_t> htab = std::vector<int32_t>(5003, -1);
    std::vector<uint16_t> codetab = std::vector<uint16_t>(5003, 0);
    int ent = -1;
    int freeEnt = 258;
    int nbits = 9;
    int maxcode = 511;
    uint32_t acc = 0;
    int accBits = 0;
    std::vector<uint8_t> block;
    void put(int code, TStream& s) {
        acc = (acc << nbits) | static_cast<uint32_t>(code);
        accBits += nbits;
        while (accBits >= 8) {
            block.push_back(static_cast<uint8_t>(acc >> (accBits - 8)));
            accBits -= 8;
            if (block.size() >= 254) flush(s);
        }
    }
    void flush(TStream& s) {
        if (!block.empty()) s.WriteBuffer(block.data(), static_cast<int64_t>(block.size()));
        block.clear();
    }
};

}  // namespace

uint8_t* TIFFLZWDecompress(const uint8_t* Data, int32_t DataSize, int32_t RowLength, void*& State) {
    if (Data == nullptr) {
        delete static_cast<TIFFDecoder*>(State);
        State = nullptr;
        return nullptr;
    }
    auto* d = static_cast<TIFFDecoder*>(State);
    if (d == nullptr) {
        d = new TIFFDecoder;
        State = d;
        d->data = Data;
        d->size = DataSize;
        for (int i = 0; i < 256; ++i) {
            d->prefix[i] = 0;
            d->suffix[i] = static_cast<uint8_t>(i);
            d->length[i] = 1;
            d->first[i] = static_cast<uint8_t>(i);
        }
    }
    if (RowLength <= 0) return nullptr;
    // Bytes beyond the previous row move to the front.
    if (d->outStart > 0) {
        d->out.erase(d->out.begin(), d->out.begin() + static_cast<std::ptrdiff_t>(d->outStart));
        d->outStart = 0;
    }
    while (d->out.size() < static_cast<size_t>(RowLength) && !d->ended) {
        int code = d->readCode();
        if (code < 0 || code == 257) {
            d->ended = true;
            break;
        }
        if (code == 256) {
            d->reset();
            code = d->readCode();
            if (code < 0 || code == 257) {
                d->ended = true;
                break;
            }
            if (code > 255) return nullptr;
            d->emit(code);
            d->old = code;
            continue;
        }
        if (d->old < 0) {
            if (code > 255) return nullptr;
            d->emit(code);
            d->old = code;
            continue;
        }
        if (code < d->next) {
            d->emit(code);
            if (!d->add(d->old, d->first[code])) return nullptr;
        } else if (code == d->next) {
            if (!d->add(d->old, d->first[d->old])) return nullptr;
            d->emit(code);
        } else {
            return nullptr;
        }
        d->old = code;
    }
    // A strip that ends early leaves the rest of its last row zero.
    if (d->out.size() < static_cast<size_t>(RowLength)) {
        if (d->out.empty()) return nullptr;
        d->out.resize(static_cast<size_t>(RowLength), 0);
    }
    d->outStart = static_cast<size_t>(RowLength);
    return d->out.data();
}

void TIFFLZWCompress(const uint8_t* Row, int32_t Count, TStream& Stream, void*& State) {
    auto* e = static_cast<TIFFEncoder*>(State);
    if (e == nullptr) {
        if (Row == nullptr) return;
        e = new TIFFEncoder;
        State = e;
        e->put(256, Stream);
    }
    if (Row == nullptr) {
        if (e->ent >= 0) e->put(e->ent, Stream);
        // The decoder's table grows once more after the last code: the end code follows suit.
        if (e->ent >= 0 && e->freeEnt + 1 > e->maxcode && e->nbits < 12) {
            ++e->nbits;
            e->maxcode = (1 << e->nbits) - 1;
        }
        e->put(257, Stream);
        if (e->accBits > 0) {
            e->block.push_back(static_cast<uint8_t>(e->acc << (8 - e->accBits)));
            e->accBits = 0;
        }
        e->flush(Stream);
        delete e;
        State = nullptr;
        return;
    }
    for (int32_t i = 0; i < Count; ++i) {
        const int c = Row[i];
        if (e->ent < 0) {
            e->ent = c;
            continue;
        }
        const int32_t fcode = (c << 12) + e->ent;
        int h = (c << 4) ^ e->ent;
        if (e->htab[h] == fcode) {
            e->ent = e->codetab[h];
            continue;
        }
        bool found = false;
        if (e->htab[h] >= 0) {
            int disp = h == 0 ? 1 : 5003 - h;
            for (;;) {
                h -= disp;
                if (h < 0) h += 5003;
                if (e->htab[h] == fcode) {
                    e->ent = e->codetab[h];
                    found = true;
                    break;
                }
                if (e->htab[h] < 0) break;
            }
        }
        if (found) continue;
        e->put(e->ent, Stream);
        e->ent = c;
        if (e->freeEnt > 4093) {
            e->put(256, Stream);
            std::fill(e->htab.begin(), e->htab.end(), -1);
            e->freeEnt = 258;
            e->nbits = 9;
            e->maxcode = 511;
        } else {
            e->codetab[h] = static_cast<uint16_t>(e->freeEnt++);
            e->htab[h] = fcode;
            if (e->freeEnt > e->maxcode) {
                ++e->nbits;
                e->maxcode = (1 << e->nbits) - 1;
            }
        }
    }
}
