// Text of the list, combo and edit messages between A and W calls and window
// procedures of either kind, and class procedures handed to the other kind.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/win/winscreen.h"
#include "platform/win/winuser.h"
#include "win_test_util.h"

using namespace wintest;

namespace {

// The control messages' numbers (the control classes live above this layer).
constexpr UINT EM_REPLACESEL = 0xC2, EM_GETLINE = 0xC4;
constexpr UINT LB_ADDSTRING = 0x180, LB_INSERTSTRING = 0x181, LB_GETTEXT = 0x189, LB_GETTEXTLEN = 0x18A,
               LB_SELECTSTRING = 0x18C, LB_FINDSTRING = 0x18F, LB_FINDSTRINGEXACT = 0x1A2;
constexpr UINT CB_ADDSTRING = 0x143, CB_GETLBTEXT = 0x148, CB_GETLBTEXTLEN = 0x149, CB_INSERTSTRING = 0x14A,
               CB_FINDSTRING = 0x14C, CB_SELECTSTRING = 0x14D, CB_FINDSTRINGEXACT = 0x158;
constexpr DWORD LBS_OWNERDRAWFIXED = 0x10, LBS_HASSTRINGS = 0x40, CBS_OWNERDRAWFIXED = 0x10;

// "Grüße 𝄞": two-byte characters and one outside the basic plane.
const std::string kTextA = "Gr\xC3\xBC\xC3\x9F" "e \xF0\x9D\x84\x9E";
const std::u16string kTextW = u"Grüße \U0001D11E";

// What a procedure of each kind saw: the raw arguments, in its own units.
struct TStore {
    std::vector<std::string> A;  // items (or the edit text) of an A procedure
    std::vector<std::u16string> W;
    std::vector<LPARAM> RawAdds;  // lParam of each add, as received
};
std::map<HWND, TStore>& Stores() {
    static std::map<HWND, TStore> m;
    return m;
}

// A small list/combo/edit that keeps text in its own kind's units. The kind
// comes from the class's extra word (set when the window is made).
template <bool Wide>
LRESULT CALLBACK FakeControlProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    using Str = std::conditional_t<Wide, std::u16string, std::string>;
    using Ch = typename Str::value_type;
    TStore& st = Stores()[h];
    auto items = [&]() -> std::vector<Str>& {
        if constexpr (Wide) return st.W;
        else return st.A;
    };
    auto arg = [&](LPARAM p) { return Str(reinterpret_cast<const Ch*>(p)); };
    if (m == WM_NCCREATE) {
        auto kind = static_cast<UINT>(reinterpret_cast<uintptr_t>(
            Wide ? reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams : reinterpret_cast<CREATESTRUCTA*>(l)->lpCreateParams));
        WinSetWindowKind(h, kind);
    }
    switch (m) {
    case LB_ADDSTRING:
    case CB_ADDSTRING:
        st.RawAdds.push_back(l);
        // Item data (or another window's own message): lParam is no string.
        if (WinGetWindowKind(h) == WINKIND_NONE || WinGetWindowKind(h) == WINKIND_EDIT ||
            ((GetWindowLongPtrW(h, GWL_STYLE) & LBS_OWNERDRAWFIXED) && !(GetWindowLongPtrW(h, GWL_STYLE) & LBS_HASSTRINGS)))
            return static_cast<LRESULT>(st.RawAdds.size() - 1);
        items().push_back(arg(l));
        return static_cast<LRESULT>(items().size() - 1);
    case LB_INSERTSTRING:
    case CB_INSERTSTRING:
        items().insert(items().begin() + static_cast<std::ptrdiff_t>(w), arg(l));
        return static_cast<LRESULT>(w);
    case LB_FINDSTRINGEXACT:
    case CB_FINDSTRINGEXACT:
    case LB_FINDSTRING:
    case CB_FINDSTRING:
    case LB_SELECTSTRING:
    case CB_SELECTSTRING:
        for (std::size_t i = 0; i < items().size(); ++i)
            if (items()[i].rfind(arg(l), 0) == 0) return static_cast<LRESULT>(i);
        return -1;
    case LB_GETTEXTLEN:
    case CB_GETLBTEXTLEN:
        if (w >= items().size()) return -1;
        return static_cast<LRESULT>(items()[w].size());
    case LB_GETTEXT:
    case CB_GETLBTEXT:
        if (w >= items().size()) return -1;
        std::memcpy(reinterpret_cast<Ch*>(l), items()[w].c_str(), (items()[w].size() + 1) * sizeof(Ch));
        return static_cast<LRESULT>(items()[w].size());
    case EM_REPLACESEL:
        if (items().empty()) items().emplace_back();
        items()[0] += arg(l);
        return 0;
    case EM_GETLINE: {
        // First WORD: the buffer's size in units; no terminating NUL.
        if (items().empty()) return 0;
        auto* buf = reinterpret_cast<Ch*>(l);
        WORD max;
        std::memcpy(&max, buf, sizeof max);
        std::size_t n = std::min<std::size_t>(max, items()[0].size());
        std::memcpy(buf, items()[0].data(), n * sizeof(Ch));
        return static_cast<LRESULT>(n);
    }
    default: return Wide ? DefWindowProcW(h, m, w, l) : DefWindowProcA(h, m, w, l);
    }
}

void RegisterFakes() {
    WNDCLASSW w{};
    w.lpfnWndProc = FakeControlProc<true>;
    w.lpszClassName = u"FakeCtlW";
    RegisterClassW(&w);
    WNDCLASSA a{};
    a.lpfnWndProc = FakeControlProc<false>;
    a.lpszClassName = "FakeCtlA";
    RegisterClassA(&a);
}

class TextConversion : public ::testing::Test {
protected:
    void SetUp() override {
        WinStartup();
        RegisterFakes();
    }
    void TearDown() override {
        for (HWND h : Made)
            if (IsWindow(h)) DestroyWindow(h);
        Stores().clear();
        PumpPending();
    }
    HWND Make(bool wideProc, UINT kind, DWORD style = 0, const char16_t* cls = nullptr) {
        HWND h = CreateWindowExW(0, cls ? cls : wideProc ? u"FakeCtlW" : u"FakeCtlA", u"", WS_POPUP | style, 0, 0, 50,
                                 50, nullptr, nullptr, nullptr, reinterpret_cast<LPVOID>(static_cast<uintptr_t>(kind)));
        Made.push_back(h);
        return h;
    }
    std::vector<HWND> Made;
};

LRESULT Send(bool wide, HWND h, UINT m, WPARAM w, LPARAM l) {
    return wide ? SendMessageW(h, m, w, l) : SendMessageA(h, m, w, l);
}

// Adds the test text with the sender's kind and reads it back in the sender's
// units; the procedure stores it in its own kind.
void CheckListRoundTrip(HWND h, bool wideSender, bool wideProc, UINT add, UINT getText, UINT getLen, UINT find) {
    SCOPED_TRACE(std::string(wideSender ? "W call" : "A call") + (wideProc ? " to W procedure" : " to A procedure"));
    LPARAM text = wideSender ? reinterpret_cast<LPARAM>(kTextW.c_str()) : reinterpret_cast<LPARAM>(kTextA.c_str());
    ASSERT_EQ(Send(wideSender, h, add, 0, text), 0);
    TStore& st = Stores()[h];
    if (wideProc) {
        ASSERT_EQ(st.W.size(), 1u);
        EXPECT_EQ(st.W[0], kTextW);
    } else {
        ASSERT_EQ(st.A.size(), 1u);
        EXPECT_EQ(st.A[0], kTextA);
    }
    LRESULT len = Send(wideSender, h, getLen, 0, 0);
    EXPECT_EQ(len, static_cast<LRESULT>(wideSender ? kTextW.size() : kTextA.size()));
    if (wideSender) {
        std::u16string buf(static_cast<std::size_t>(len) + 1, u'#');
        EXPECT_EQ(Send(true, h, getText, 0, reinterpret_cast<LPARAM>(buf.data())), len);
        EXPECT_EQ(std::u16string(buf.c_str()), kTextW);
    } else {
        std::string buf(static_cast<std::size_t>(len) + 1, '#');
        EXPECT_EQ(Send(false, h, getText, 0, reinterpret_cast<LPARAM>(buf.data())), len);
        EXPECT_EQ(std::string(buf.c_str()), kTextA);
    }
    // A missing item stays an error in any kind.
    EXPECT_EQ(Send(wideSender, h, getLen, 5, 0), -1);
    char16_t dummy[8] = {};
    EXPECT_EQ(Send(wideSender, h, getText, 5, reinterpret_cast<LPARAM>(dummy)), -1);
    LPARAM prefix = wideSender ? reinterpret_cast<LPARAM>(u"Grü") : reinterpret_cast<LPARAM>("Gr\xC3\xBC");
    EXPECT_EQ(Send(wideSender, h, find, static_cast<WPARAM>(-1), prefix), 0);
}

TEST_F(TextConversion, ListAndComboStringsCrossBetweenKinds) {
    struct Case {
        UINT Kind, Add, GetText, GetLen, Find;
    };
    const Case cases[] = {
        {WINKIND_LISTBOX, LB_ADDSTRING, LB_GETTEXT, LB_GETTEXTLEN, LB_FINDSTRINGEXACT},
        {WINKIND_LISTBOX, LB_ADDSTRING, LB_GETTEXT, LB_GETTEXTLEN, LB_FINDSTRING},
        {WINKIND_LISTBOX, LB_ADDSTRING, LB_GETTEXT, LB_GETTEXTLEN, LB_SELECTSTRING},
        {WINKIND_COMBOBOX, CB_ADDSTRING, CB_GETLBTEXT, CB_GETLBTEXTLEN, CB_FINDSTRINGEXACT},
        {WINKIND_COMBOBOX, CB_ADDSTRING, CB_GETLBTEXT, CB_GETLBTEXTLEN, CB_FINDSTRING},
        {WINKIND_COMBOBOX, CB_ADDSTRING, CB_GETLBTEXT, CB_GETLBTEXTLEN, CB_SELECTSTRING},
    };
    for (const Case& c : cases)
        for (bool wideSender : {false, true})
            for (bool wideProc : {false, true}) {
                SCOPED_TRACE("message " + std::to_string(c.Add) + ", find " + std::to_string(c.Find));
                HWND h = Make(wideProc, c.Kind);
                ASSERT_TRUE(h);
                CheckListRoundTrip(h, wideSender, wideProc, c.Add, c.GetText, c.GetLen, c.Find);
            }
}

TEST_F(TextConversion, InsertStringConverts) {
    for (UINT kind : {WINKIND_LISTBOX, WINKIND_COMBOBOX}) {
        UINT ins = kind == WINKIND_LISTBOX ? LB_INSERTSTRING : CB_INSERTSTRING;
        HWND h = Make(true, kind);
        EXPECT_EQ(SendMessageA(h, ins, 0, reinterpret_cast<LPARAM>(kTextA.c_str())), 0);
        ASSERT_EQ(Stores()[h].W.size(), 1u);
        EXPECT_EQ(Stores()[h].W[0], kTextW);
    }
}

TEST_F(TextConversion, ItemDataAndOtherWindowsPassUnchanged) {
    // Owner-drawn lists without strings keep item data in lParam; a window that
    // is no list box may use the same numbers for its own messages.
    struct Case {
        UINT Kind;
        DWORD Style;
        UINT Msg;
    };
    const Case cases[] = {
        {WINKIND_LISTBOX, LBS_OWNERDRAWFIXED, LB_ADDSTRING},
        {WINKIND_COMBOBOX, CBS_OWNERDRAWFIXED, CB_ADDSTRING},
        {WINKIND_NONE, 0, LB_ADDSTRING},
        {WINKIND_EDIT, 0, LB_ADDSTRING},
    };
    for (const Case& c : cases) {
        HWND h = Make(true, c.Kind, c.Style);
        const LPARAM data = 0x12345678;
        SendMessageA(h, c.Msg, 0, data);
        ASSERT_EQ(Stores()[h].RawAdds.size(), 1u) << c.Kind;
        EXPECT_EQ(Stores()[h].RawAdds[0], data) << c.Kind;
    }
    // With LBS_HASSTRINGS an owner-drawn list keeps strings again.
    HWND h = Make(true, WINKIND_LISTBOX, LBS_OWNERDRAWFIXED | LBS_HASSTRINGS);
    SendMessageA(h, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kTextA.c_str()));
    ASSERT_EQ(Stores()[h].W.size(), 1u);
    EXPECT_EQ(Stores()[h].W[0], kTextW);
}

TEST_F(TextConversion, EditReplaceSelAndGetLine) {
    for (bool wideSender : {false, true})
        for (bool wideProc : {false, true}) {
            SCOPED_TRACE(std::string(wideSender ? "W call" : "A call") + (wideProc ? " to W procedure" : " to A procedure"));
            HWND h = Make(wideProc, WINKIND_EDIT);
            LPARAM text = wideSender ? reinterpret_cast<LPARAM>(kTextW.c_str()) : reinterpret_cast<LPARAM>(kTextA.c_str());
            Send(wideSender, h, EM_REPLACESEL, TRUE, text);
            if (wideProc) EXPECT_EQ(Stores()[h].W.at(0), kTextW);
            else EXPECT_EQ(Stores()[h].A.at(0), kTextA);
            // Whole line, then buffers that end inside a character: across kinds
            // only whole characters come back, counted in the caller's units
            // (within one kind the procedure's own answer passes unchanged).
            struct Line {
                WORD Max;
                std::size_t Expect;
            };
            bool cross = wideSender != wideProc;
            const std::vector<Line> table =
                wideSender ? std::vector<Line>{{32, 8}, {3, 3}, {7, cross ? 6u : 7u}}
                           : std::vector<Line>{{32, 12}, {3, cross ? 2u : 3u}, {10, cross ? 8u : 10u}};
            for (const Line& ln : table) {
                SCOPED_TRACE("buffer of " + std::to_string(ln.Max));
                if (wideSender) {
                    std::u16string buf(40, u'#');
                    buf[0] = ln.Max;
                    LRESULT n = SendMessageW(h, EM_GETLINE, 0, reinterpret_cast<LPARAM>(buf.data()));
                    ASSERT_EQ(n, static_cast<LRESULT>(ln.Expect));
                    EXPECT_EQ(buf.substr(0, ln.Expect), kTextW.substr(0, ln.Expect));
                    EXPECT_EQ(buf[ln.Expect], u'#');  // nothing written past the line
                } else {
                    std::string buf(40, '#');
                    std::memcpy(buf.data(), &ln.Max, sizeof ln.Max);
                    LRESULT n = SendMessageA(h, EM_GETLINE, 0, reinterpret_cast<LPARAM>(buf.data()));
                    ASSERT_EQ(n, static_cast<LRESULT>(ln.Expect));
                    EXPECT_EQ(buf.substr(0, ln.Expect), kTextA.substr(0, ln.Expect));
                    EXPECT_EQ(buf[ln.Expect], '#');
                }
            }
        }
}

// An A superclass of a W class: the base procedure comes as a thunk that
// converts when the superclass passes messages on.
WNDPROC gBase = nullptr;
LRESULT CALLBACK AnsiSuperProc(HWND h, UINT m, WPARAM w, LPARAM l) { return CallWindowProcA(gBase, h, m, w, l); }
LRESULT CALLBACK WideSuperProc(HWND h, UINT m, WPARAM w, LPARAM l) { return CallWindowProcW(gBase, h, m, w, l); }

TEST_F(TextConversion, ClassInfoOfTheOtherKindGivesAConvertingProcedure) {
    struct Case {
        bool BaseWide;
        const char* Super;
    };
    for (Case c : {Case{true, "AnsiOverWide"}, Case{false, "WideOverAnsi"}}) {
        SCOPED_TRACE(c.Super);
        WNDPROC own = c.BaseWide ? FakeControlProc<true> : FakeControlProc<false>;
        if (c.BaseWide) {
            WNDCLASSA info{};
            ASSERT_TRUE(GetClassInfoA(nullptr, "FakeCtlW", &info));
            EXPECT_NE(info.lpfnWndProc, own);  // a thunk, not the W procedure itself
            EXPECT_STREQ(info.lpszClassName, "FakeCtlW");
            gBase = info.lpfnWndProc;
            info.lpfnWndProc = AnsiSuperProc;
            info.lpszClassName = c.Super;
            ASSERT_TRUE(RegisterClassA(&info));
        } else {
            WNDCLASSW info{};
            ASSERT_TRUE(GetClassInfoW(nullptr, u"FakeCtlA", &info));
            EXPECT_NE(info.lpfnWndProc, own);
            gBase = info.lpfnWndProc;
            info.lpfnWndProc = WideSuperProc;
            info.lpszClassName = u"WideOverAnsi";
            ASSERT_TRUE(RegisterClassW(&info));
        }
        HWND h = CreateWindowExA(0, c.Super, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                 reinterpret_cast<LPVOID>(static_cast<uintptr_t>(WINKIND_LISTBOX)));
        Made.push_back(h);
        ASSERT_TRUE(h);
        EXPECT_EQ(IsWindowUnicode(h) != 0, !c.BaseWide);
        for (bool wideSender : {false, true}) {
            Stores()[h] = TStore{};
            CheckListRoundTrip(h, wideSender, c.BaseWide, LB_ADDSTRING, LB_GETTEXT, LB_GETTEXTLEN, LB_FINDSTRINGEXACT);
        }
        // The class long gives the procedure itself in its kind, a thunk in the other.
        WNDPROC super = c.BaseWide ? AnsiSuperProc : WideSuperProc;
        EXPECT_EQ(reinterpret_cast<WNDPROC>(c.BaseWide ? GetClassLongPtrA(h, GCLP_WNDPROC) : GetClassLongPtrW(h, GCLP_WNDPROC)), super);
        EXPECT_NE(reinterpret_cast<WNDPROC>(c.BaseWide ? GetClassLongPtrW(h, GCLP_WNDPROC) : GetClassLongPtrA(h, GCLP_WNDPROC)), super);
    }
}

TEST_F(TextConversion, ThunksAreProceduresCallersMayCallDirectly) {
    // As a superclass that calls its base procedure itself instead of through
    // CallWindowProc: the thunk still converts.
    WNDCLASSA info{};
    ASSERT_TRUE(GetClassInfoA(nullptr, "FakeCtlW", &info));
    HWND h = Make(true, WINKIND_LISTBOX);
    EXPECT_EQ(info.lpfnWndProc(h, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kTextA.c_str())), 0);
    ASSERT_EQ(Stores()[h].W.size(), 1u);
    EXPECT_EQ(Stores()[h].W[0], kTextW);
    // The same thunk again for the same procedure and kind.
    WNDCLASSA again{};
    ASSERT_TRUE(GetClassInfoA(nullptr, "FakeCtlW", &again));
    EXPECT_EQ(again.lpfnWndProc, info.lpfnWndProc);
    auto viaWindow = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(h, GWLP_WNDPROC));
    EXPECT_EQ(viaWindow, info.lpfnWndProc);
    char buf[32] = {};
    EXPECT_EQ(viaWindow(h, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(buf)), static_cast<LRESULT>(kTextA.size()));
    EXPECT_EQ(std::string(buf), kTextA);
    // A W caller handing it back through CallWindowProcW reaches the W procedure unconverted.
    char16_t wbuf[32] = {};
    EXPECT_EQ(CallWindowProcW(viaWindow, h, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(wbuf)),
              static_cast<LRESULT>(kTextW.size()));
    EXPECT_EQ(std::u16string(wbuf), kTextW);
}

TEST_F(TextConversion, ClassRegisteredWithAThunkKeepsTheBaseKind) {
    // Copying the class info of the other kind and registering it unchanged
    // gives windows of the base procedure and its kind.
    WNDCLASSA info{};
    ASSERT_TRUE(GetClassInfoA(nullptr, "FakeCtlW", &info));
    info.lpszClassName = "FakeCtlCopy";
    ASSERT_TRUE(RegisterClassA(&info));
    WNDCLASSW back{};
    ASSERT_TRUE(GetClassInfoW(nullptr, u"FakeCtlCopy", &back));
    EXPECT_EQ(back.lpfnWndProc, FakeControlProc<true>);
    HWND h = CreateWindowExA(0, "FakeCtlCopy", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                             reinterpret_cast<LPVOID>(static_cast<uintptr_t>(WINKIND_LISTBOX)));
    Made.push_back(h);
    ASSERT_TRUE(h);
    EXPECT_TRUE(IsWindowUnicode(h));
    CheckListRoundTrip(h, false, true, LB_ADDSTRING, LB_GETTEXT, LB_GETTEXTLEN, LB_FINDSTRINGEXACT);
    DestroyWindow(h);
    UnregisterClassA("FakeCtlCopy", nullptr);
}

}  // namespace
