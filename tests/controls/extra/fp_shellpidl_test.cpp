// Item ID lists and the picker's name matching.
#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "controls/extra/fp_shellpidl.h"

namespace {

struct TList {
    LPITEMIDLIST P;
    explicit TList(LPITEMIDLIST L) : P(L) {}
    ~TList() { FreePIDL(P); }
    std::vector<std::string> Items() const {
        std::vector<std::string> Out;
        for (int I = 0; I < PIDLItemCount(P); ++I) Out.push_back(PIDLItemData(P, I));
        return Out;
    }
};

TList Three() {
    const std::string Items[] = {"computer", "vol", "VIDEO_TS"};
    return TList(MakePIDL(Items, 3));
}

TEST(ShellPidl, SizesCountsAndTheBytesOfTheFormat) {
    TList L = Three();
    // Three items of 2 + 8, 2 + 3, 2 + 8 bytes and the 16-bit terminator.
    EXPECT_EQ(PIDLSize(L.P), 10u + 5 + 10 + 2);
    EXPECT_EQ(PIDLItemCount(L.P), 3);
    const auto* B = reinterpret_cast<const uint8_t*>(L.P);
    EXPECT_EQ(B[0], 10);
    EXPECT_EQ(B[1], 0);
    EXPECT_EQ(B[10], 5);
    EXPECT_EQ(B[25], 0);
    EXPECT_EQ(B[26], 0);
    EXPECT_EQ(PIDLSize(nullptr), 0u);
    EXPECT_EQ(PIDLItemCount(nullptr), 0);
    TList Empty(MakePIDL(nullptr, 0));
    EXPECT_EQ(PIDLSize(Empty.P), 2u);
    EXPECT_EQ(PIDLItemCount(Empty.P), 0);
    auto* Z = static_cast<uint8_t*>(AllocShellMemZero(16));
    ASSERT_NE(Z, nullptr);
    for (int I = 0; I < 16; ++I) EXPECT_EQ(Z[I], 0);
    FreePIDL(reinterpret_cast<LPITEMIDLIST>(Z));
}

TEST(ShellPidl, CopiesPrefixesItemsAndConcatenations) {
    TList L = Three();
    EXPECT_EQ(TList(CopyPIDL(L.P)).Items(), L.Items());
    EXPECT_EQ(CopyPIDL(nullptr), nullptr);
    EXPECT_EQ(TList(CopyPIDLPrefix(L.P, 2)).Items(), (std::vector<std::string>{"computer", "vol"}));
    EXPECT_EQ(TList(CopyPIDLPrefix(L.P, 0)).Items(), std::vector<std::string>{});
    EXPECT_EQ(TList(CopyPIDLPrefix(L.P, 9)).Items(), L.Items());
    EXPECT_EQ(TList(CopyPIDLItem(L.P, 1)).Items(), (std::vector<std::string>{"vol"}));
    TList AtEnd(CopyPIDLItem(L.P, 3));
    ASSERT_NE(AtEnd.P, nullptr);
    EXPECT_EQ(PIDLItemCount(AtEnd.P), 0);
    EXPECT_EQ(CopyPIDLItem(L.P, 4), nullptr);
    EXPECT_EQ(CopyPIDLItem(L.P, -1), nullptr);
    EXPECT_EQ(CopyPIDLItem(nullptr, 0), nullptr);
    EXPECT_EQ(TList(ConcatPIDLs(nullptr, L.P)).Items(), L.Items());
    EXPECT_EQ(TList(ConcatPIDLs(L.P, nullptr)).Items(), L.Items());
    EXPECT_EQ(ConcatPIDLs(nullptr, nullptr), nullptr);
    TList Tail(CopyPIDLItem(L.P, 2));
    TList Head(CopyPIDLPrefix(L.P, 2));
    TList Joined(ConcatPIDLs(Head.P, Tail.P));
    EXPECT_EQ(Joined.Items(), L.Items());
    EXPECT_EQ(PIDLSize(Joined.P), PIDLSize(L.P));
    // A damaged count ends the list instead of walking past it.
    const std::string Items[] = {"a", "b"};
    TList Bad(MakePIDL(Items, 2));
    reinterpret_cast<uint8_t*>(Bad.P)[3] = 1;  // the second item claims 1 byte
    EXPECT_EQ(PIDLItemCount(Bad.P), 1);
    EXPECT_EQ(TList(CopyPIDL(Bad.P)).Items(), (std::vector<std::string>{"a"}));
}

TEST(ShellPidl, MasksMatchTheWideTextIgnoringCase) {
    struct Case {
        const char16_t* Name;
        const char16_t* Mask;
        bool Matches;
    } Cases[] = {
        {u"VIDEO_TS", u"*", true},           {u"video_ts", u"VIDEO_TS", true},
        {u"VIDEO_TS.IFO", u"*.ifo", true},   {u"VIDEO_TS.IFO", u"*.bup", false},
        {u"VTS_01_1.VOB", u"VTS_??_?.VOB", true}, {u"VTS_1_1.VOB", u"VTS_??_?.VOB", false},
        {u"a1", u"a[0-9]", true},            {u"ab", u"a[0-9]", false},
        {u"ab", u"a[!0-9]", true},           {u"a5", u"a[!0-9]", false},
        {u"Ärger", u"ä*", true},             {u"ビデオ", u"ビ*", true},
        {u"ビデオ", u"*デ?", true},           {u"", u"*", true},
        {u"", u"?", false},                  {u"abc", u"a[bc", false},
        {u"aaaaaaaaaaaaaaaaaaaaaaaab", u"*a*a*a*a*a*a*b", true},
        {u"VIDEO_TS.BUP", u"*.[!i]*", true}, {u"VIDEO_TS.IFO", u"*.[!i]*", false},
        {u"abcabd", u"*abd", true},          {u"abcab", u"*abd", false},
    };
    for (size_t I = 0; I < std::size(Cases); ++I)
        EXPECT_EQ(WideMatchesMask(Cases[I].Name, Cases[I].Mask), Cases[I].Matches) << "case " << I;
    // Many stars against a long name that almost matches: answered at once
    // (a matcher trying every split would not finish).
    EXPECT_FALSE(WideMatchesMask(std::u16string(5000, u'a'), std::u16string(40, u'*') + u"a*a*a*a*a*a*a*a*a*a*b"));
}

}  // namespace
