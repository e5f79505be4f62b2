// Data sets for the skin stream's encoder and decoder, each made to reach
// one path of the method; Reaches checks the encoder really took it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/skingen/lzh_encoder.h"

struct TLzhFixture {
    std::string Name;
    std::vector<uint8_t> Data;
    std::function<bool(const TLzhEncodeStats&)> Reaches;
};

inline std::vector<uint8_t> LzhRandomBytes(size_t Count, uint32_t Seed, int Alphabet = 256) {
    std::vector<uint8_t> Out(Count);
    uint32_t X = Seed;
    for (auto& B : Out) {
        X = X * 1103515245u + 12345u;
        B = static_cast<uint8_t>((X >> 16) % static_cast<uint32_t>(Alphabet));
    }
    return Out;
}

inline std::vector<TLzhFixture> LzhFixtures() {
    std::vector<TLzhFixture> F;
    {
        // No three bytes repeat, and none are the preset spaces.
        std::vector<uint8_t> D;
        for (int i = 0; i < 256; ++i) D.push_back(static_cast<uint8_t>(i));
        for (int i = 255; i >= 0; --i) D.push_back(static_cast<uint8_t>(i));
        F.push_back({"literals", D, [](const TLzhEncodeStats& S) { return S.Matches == 0 && S.Literals == 512; }});
    }
    {
        std::string T = std::string(1000, 'A');
        for (int i = 0; i < 300; ++i) T += "xyz";
        T += std::string(61, 'B') + "tail";
        F.push_back({"runs", std::vector<uint8_t>(T.begin(), T.end()),
                     [](const TLzhEncodeStats& S) { return S.LongestMatches >= 30; }});
    }
    {
        std::string T = "      starts with spaces" + std::string(100, ' ') + "and ends  ";
        F.push_back({"preset spaces", std::vector<uint8_t>(T.begin(), T.end()),
                     [](const TLzhEncodeStats& S) { return S.PresetMatches >= 2; }});
    }
    {
        // Mostly literals: far more than 32,768 symbols, so the tree is rebuilt.
        F.push_back({"tree rebuild", LzhRandomBytes(70000, 7),
                     [](const TLzhEncodeStats& S) { return S.TreeRebuilds >= 2; }});
    }
    {
        // Words drawn at random: many matches, some reading across the ring's end.
        static const char* Words[] = {"frame ", "border ", "caption ", "button ", "scroll ", "thumb ",
                                      "menu ",  "tab ",    "header ",  "combo ",  "edit ",   "track "};
        std::string T;
        auto Pick = LzhRandomBytes(4000, 11, 12);
        for (uint8_t W : Pick) T += Words[W];
        F.push_back({"ring wrap", std::vector<uint8_t>(T.begin(), T.end()),
                     [](const TLzhEncodeStats& S) { return S.WrapMatches >= 5 && S.Matches > 1000; }});
    }
    {
        // A small alphabet: many short matches at scattered distances.
        F.push_back({"small alphabet", LzhRandomBytes(20000, 3, 4),
                     [](const TLzhEncodeStats& S) { return S.Matches > 1000; }});
    }
    return F;
}
