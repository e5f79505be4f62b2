// The skin container and its compressed stream: what the generator writes
// comes back entry for entry, and damaged or malformed files are refused
// without reading outside the data.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/classlib/testhooks.h"
#include "platform/commctl/commctrl.h"
#include "skin/skin_lzh.h"
#include "skin/skin_reader.h"
#include "tests/skin/lzh_fixtures.h"
#include "tools/skingen/lzh_encoder.h"
#include "tools/skingen/skin_container_writer.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes ToBytes(const std::string& S) { return Bytes(S.begin(), S.end()); }

void PutInt32(Bytes& Out, int32_t V) {
    for (int i = 0; i < 4; ++i) Out.push_back(static_cast<uint8_t>(static_cast<uint32_t>(V) >> (8 * i)));
}

// A payload put together field by field, for containers the writer would
// never make.
Bytes RawPayload(int32_t Version, int32_t Reserved, const std::string& Names, int32_t NamesLength,
                 const std::vector<int32_t>& Sizes, const std::string& Body) {
    Bytes P;
    PutInt32(P, Version);
    PutInt32(P, NamesLength);
    PutInt32(P, 0);
    PutInt32(P, 0);
    P.insert(P.end(), static_cast<size_t>(Reserved), 0);
    P.insert(P.end(), Names.begin(), Names.end());
    for (int32_t S : Sizes) PutInt32(P, S);
    P.insert(P.end(), Body.begin(), Body.end());
    return P;
}
Bytes RawPayload(const std::string& Names, const std::vector<int32_t>& Sizes, const std::string& Body) {
    return RawPayload(40000, 80, Names, static_cast<int32_t>(Names.size()), Sizes, Body);
}

TMemoryStream StreamOf(const Bytes& B) {
    TMemoryStream S;
    if (!B.empty()) S.WriteBuffer(B.data(), static_cast<int64_t>(B.size()));
    S.SetPosition(static_cast<int64_t>(B.size()) / 2);  // the reader starts at 0 wherever this is
    return S;
}

Bytes BytesOf(TMemoryStream& S) {
    const auto* P = static_cast<const uint8_t*>(S.Memory());
    return S.Size() ? Bytes(P, P + S.Size()) : Bytes{};
}

std::string Extract(TSkinReader& R, const std::string& Name) {
    TMemoryStream T;
    R.ExtractFile(Name, T);
    EXPECT_EQ(T.Position(), 0);
    Bytes B = BytesOf(T);
    return std::string(B.begin(), B.end());
}

class SkinReaderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { TestHooks::Start(); }
    static void TearDownTestSuite() { TestHooks::Stop(); }
};

// ---- The compressed stream ---------------------------------------------------------

TEST_F(SkinReaderTest, EncodedFixturesDecodeToTheirBytes) {
    for (const auto& F : LzhFixtures()) {
        SCOPED_TRACE(F.Name);
        TLzhEncodeStats Stats;
        Bytes File = PackSkinFile(F.Data, &Stats);
        EXPECT_TRUE(F.Reaches(Stats)) << "the fixture misses its path: " << Stats.Literals << " literals, " << Stats.Matches << " matches, " << Stats.LongestMatches << " of 60, " << Stats.PresetMatches << " preset, " << Stats.WrapMatches << " wrap, " << Stats.TreeRebuilds << " rebuilds";
        TMemoryStream Source = StreamOf(File), Target;
        TSkinReader R;
        ASSERT_TRUE(R.Decompress(Source, Target));
        EXPECT_EQ(BytesOf(Target), F.Data);
    }
}

TEST_F(SkinReaderTest, DamagedStreamsAreRefused) {
    struct Case {
        std::string Name;
        std::function<Bytes(const Bytes& Data)> Make;
    };
    auto WithSize = [](Bytes File, uint32_t Size) {
        std::memcpy(File.data(), &Size, 4);  // little-endian host
        return File;
    };
    const std::vector<Case> Cases = {
        {"last byte cut", [](const Bytes& D) { Bytes F = PackSkinFile(D); F.pop_back(); return F; }},
        {"half cut", [](const Bytes& D) { Bytes F = PackSkinFile(D); F.resize(4 + (F.size() - 4) / 2); return F; }},
        {"stream missing", [](const Bytes& D) { Bytes F = PackSkinFile(D); F.resize(4); return F; }},
        {"size one more than encoded",
         [&](const Bytes& D) { return WithSize(PackSkinFile(D), static_cast<uint32_t>(D.size() + 1)); }},
        {"size past what the input can encode",
         [&](const Bytes& D) {
             Bytes F = PackSkinFile(D);
             return WithSize(F, static_cast<uint32_t>((F.size() - 4) * 48 + 1));
         }},
        {"size 4 GB", [&](const Bytes& D) { return WithSize(PackSkinFile(D), 0xFFFFFFFFu); }},
        {"no size", [](const Bytes&) { return Bytes{0x10, 0x00, 0x00}; }},
        {"empty", [](const Bytes&) { return Bytes{}; }},
    };
    for (const auto& F : LzhFixtures())
        for (const auto& C : Cases) {
            SCOPED_TRACE(F.Name + ": " + C.Name);
            TMemoryStream Source = StreamOf(C.Make(F.Data)), Target;
            TSkinReader R;
            EXPECT_FALSE(R.Decompress(Source, Target));
        }
}

TEST_F(SkinReaderTest, LastMatchIsCopiedWholePastTheDeclaredSize) {
    // "A", then a 60-byte match of it: a declared size of 5 ends inside the match.
    TLzhEncoder E;
    E.PutLiteral('A');
    E.PutMatch(60, 1);
    E.PutLiteral('B');
    Bytes Stream = E.Finish();
    for (uint32_t Declared : {1u, 5u, 61u, 62u}) {
        SCOPED_TRACE(Declared);
        Bytes File;
        PutInt32(File, static_cast<int32_t>(Declared));
        File.insert(File.end(), Stream.begin(), Stream.end());
        TMemoryStream Source = StreamOf(File), Target;
        TSkinReader R;
        ASSERT_TRUE(R.Decompress(Source, Target));
        std::string Want = Declared == 1 ? "A" : Declared <= 61 ? std::string(61, 'A') : std::string(61, 'A') + "B";
        Bytes Got = BytesOf(Target);
        EXPECT_EQ(std::string(Got.begin(), Got.end()), Want);
    }
}

TEST_F(SkinReaderTest, DecoderReadsAndWritesThroughItsCallbacks) {
    const Bytes Data = ToBytes("callbacks callbacks callbacks of the decoder");
    Bytes Stream = LzhCompress(Data);
    size_t At = 0;
    Bytes Out;
    TLZH Lzh;
    // One byte a call in, odd blocks out: the result does not depend on them.
    Lzh.Decode(
        static_cast<uint32_t>(Data.size()),
        [&](const uint8_t* B, uint16_t C, uint16_t& A) { Out.insert(Out.end(), B, B + C); A = C; },
        [&](uint8_t* B, uint16_t C, uint16_t& A) {
            A = At < Stream.size() && C > 0 ? 1 : 0;
            if (A) B[0] = Stream[At++];
        });
    EXPECT_EQ(Out, Data);
    // A write that takes less than it was given fails rather than losing bytes.
    At = 0;
    EXPECT_THROW(Lzh.Decode(
                     static_cast<uint32_t>(Data.size()), [&](const uint8_t*, uint16_t C, uint16_t& A) { A = C - 1; },
                     [&](uint8_t* B, uint16_t C, uint16_t& A) {
                         A = static_cast<uint16_t>(std::min<size_t>(C, Stream.size() - At));
                         std::memcpy(B, Stream.data() + At, A);
                         At += A;
                     }),
                 ElzhException);
}

// ---- The container -------------------------------------------------------------------

struct ContainerCase {
    std::string Name;
    Bytes File;
    bool Loads;
    bool Message;  // the version message shown
    std::function<void(TSkinReader&)> Check;
};

std::vector<ContainerCase> ContainerCases() {
    std::vector<ContainerCase> C;
    const std::vector<TSkinEntry> Two = {{"Tab.bmp", ToBytes("tab-bits")}, {"skin.ini", ToBytes("[Tabs]\r\n")}};
    auto CheckTwo = [](TSkinReader& R) {
        ASSERT_EQ(R.Count(), 2);
        EXPECT_EQ(R.Names()[0], "tab.bmp");
        EXPECT_EQ(Extract(R, "tab.bmp"), "tab-bits");
        EXPECT_EQ(Extract(R, "skin.ini"), "[Tabs]\r\n");
    };
    for (int32_t V : {20000, 30000, 40000, 50000})
        C.push_back({"version " + std::to_string(V), PackSkinFile(BuildSkinPayload(Two, V)), true, false, CheckTwo});

    C.push_back({"no final CR LF", PackSkinFile(RawPayload("a.bmp\r\nb.ini", {2, 3}, "AAbbb")), true, false,
                 [](TSkinReader& R) {
                     ASSERT_EQ(R.Count(), 2);
                     EXPECT_EQ(Extract(R, "b.ini"), "bbb");
                 }});
    C.push_back({"empty middle name", PackSkinFile(RawPayload("a\r\n\r\nc\r\n", {1, 2, 3}, "abbccc")), true, false,
                 [](TSkinReader& R) {
                     ASSERT_EQ(R.Count(), 3);
                     EXPECT_EQ(R.Names()[1], "");
                     EXPECT_EQ(Extract(R, ""), "bb");
                     EXPECT_EQ(Extract(R, "c"), "ccc");
                 }});
    C.push_back({"LF and CR line ends", PackSkinFile(RawPayload("a\nb\rc", {1, 1, 1}, "abc")), true, false,
                 [](TSkinReader& R) {
                     ASSERT_EQ(R.Count(), 3);
                     EXPECT_EQ(Extract(R, "c"), "c");
                 }});
    C.push_back({"duplicate names",
                 WriteSkinFile({{"x.bmp", ToBytes("first")}, {"X.BMP", ToBytes("second")}}), true, false,
                 [](TSkinReader& R) { EXPECT_EQ(Extract(R, "x.bmp"), "first"); }});
    C.push_back({"lookups by case", WriteSkinFile({{"Frame.BMP", ToBytes("f")}, {"Look.INI", ToBytes("ini")}}), true,
                 false, [](TSkinReader& R) {
                     EXPECT_EQ(Extract(R, "fRaMe.bmp"), "f");
                     EXPECT_EQ(Extract(R, "frame"), "");
                     TMemoryStream T;
                     std::string Name = "unchanged";
                     R.FindFileContaining(".INI", T, Name);
                     EXPECT_EQ(T.Size(), 0);
                     EXPECT_EQ(Name, "unchanged");
                     R.FindFileContaining(".ini", T, Name);
                     EXPECT_EQ(Name, "look.ini");
                     EXPECT_EQ(T.Position(), 0);
                     EXPECT_EQ(BytesOf(T), ToBytes("ini"));
                 }});
    C.push_back({"body longer than the entries", PackSkinFile(RawPayload("a\r\n", {1}, "a and more")), true, false,
                 [](TSkinReader& R) {
                     EXPECT_EQ(R.Body().Size(), 10);
                     EXPECT_EQ(Extract(R, "a"), "a");
                 }});
    {
        std::string Names;
        std::vector<int32_t> Sizes;
        for (int i = 0; i < 1001; ++i) {
            Names += "e" + std::to_string(i) + "\r\n";
            Sizes.push_back(i == 1000 ? 4 : 0);
        }
        C.push_back({"1001 entries", PackSkinFile(RawPayload(Names, Sizes, "last")), true, false,
                     [](TSkinReader& R) {
                         EXPECT_EQ(R.Count(), 1001);
                         EXPECT_EQ(Extract(R, "e1000"), "last");
                     }});
        Names += "e1001\r\n";
        Sizes.push_back(0);
        C.push_back({"1002 entries", PackSkinFile(RawPayload(Names, Sizes, "last")), false, false, nullptr});
    }
    auto Refused = [&](const std::string& Name, const Bytes& File) { C.push_back({Name, File, false, false, nullptr}); };
    Refused("negative size", PackSkinFile(RawPayload("a\r\nb\r\n", {-1, 3}, "abc")));
    Refused("sizes past the body", PackSkinFile(RawPayload("a\r\nb\r\n", {2, 2}, "abc")));
    Refused("sizes summing past 2 GB", PackSkinFile(RawPayload("a\r\nb\r\n", {0x7FFFFFFF, 0x7FFFFFFF}, "abc")));
    Refused("size table cut", PackSkinFile(RawPayload("a\r\nb\r\n", {1}, "")));
    Refused("names past the payload", PackSkinFile(RawPayload(40000, 80, "a\r\n", 400, {1}, "a")));
    Refused("negative names length", PackSkinFile(RawPayload(40000, 80, "a\r\n", -3, {1}, "a")));
    Refused("reserved block cut", PackSkinFile(RawPayload(30000, 10, "", 0, {}, "")));
    {
        Bytes Short;
        PutInt32(Short, 40000);
        Refused("header cut", PackSkinFile(Short));
    }
    Refused("file of 3 bytes", Bytes{1, 0, 0});
    Refused("file of 0 bytes", Bytes{});
    {
        Bytes Cut = WriteSkinFile({{"a.bmp", LzhRandomBytes(3000, 5)}});
        Cut.resize(Cut.size() - 10);
        Refused("compressed data cut", Cut);
    }
    C.push_back({"unknown version", PackSkinFile(RawPayload(10000, 0, "a\r\n", 3, {1}, "a")), false, true, nullptr});
    C.push_back({"declared size 0 reads as version 0", Bytes{0, 0, 0, 0}, false, true, nullptr});
    return C;
}

TEST_F(SkinReaderTest, ContainerCases) {
    for (const auto& C : ContainerCases()) {
        SCOPED_TRACE(C.Name);
        TestHooks::ScriptMessageBoxes({IDOK});
        TMemoryStream Source = StreamOf(C.File);
        TSkinReader R;
        EXPECT_EQ(R.LoadFromStream(Source), C.Loads);
        const auto& Shown = TestHooks::MessageBoxesShown();
        if (C.Message) {
            ASSERT_EQ(Shown.size(), 1u);
            EXPECT_EQ(Shown[0].Text, "This is Older Skin File\rPlease update to new version !");
        } else {
            EXPECT_TRUE(Shown.empty());
        }
        if (C.Loads) {
            if (C.Check) C.Check(R);
        } else {
            EXPECT_EQ(R.Count(), 0);
            EXPECT_EQ(Extract(R, "a"), "");
        }
    }
}

TEST_F(SkinReaderTest, RefusedFileLeavesTheEntriesOfTheLastGoodOne) {
    TestHooks::ScriptMessageBoxes({IDOK});
    TSkinReader R;
    TMemoryStream Good = StreamOf(WriteSkinFile({{"keep.bmp", ToBytes("kept")}}));
    ASSERT_TRUE(R.LoadFromStream(Good));
    TMemoryStream Bad = StreamOf(PackSkinFile(RawPayload("a\r\n", {-1}, "")));
    EXPECT_FALSE(R.LoadFromStream(Bad));
    EXPECT_EQ(Extract(R, "keep.bmp"), "kept");
}

TEST_F(SkinReaderTest, FixturesGoRoundThroughTheContainer) {
    std::vector<TSkinEntry> Entries;
    for (const auto& F : LzhFixtures()) Entries.push_back({F.Name + ".bin", F.Data});
    TMemoryStream Source = StreamOf(WriteSkinFile(Entries));
    TSkinReader R;
    ASSERT_TRUE(R.LoadFromStream(Source));
    EXPECT_EQ(R.Version(), 40000);
    ASSERT_EQ(R.Count(), static_cast<int>(Entries.size()));
    for (const auto& E : Entries) {
        SCOPED_TRACE(E.Name);
        TMemoryStream T;
        R.ExtractFile(E.Name, T);
        EXPECT_EQ(BytesOf(T), E.Data);
    }
}

}  // namespace
