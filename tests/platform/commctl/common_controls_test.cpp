// Progress bar, track bar, status bar, up-down, tab control and date picker.
#include "cc_test_util.h"

using namespace cctest;

namespace {

using CommonControls = CtlTest;

TEST_F(CommonControls, ProgressRangeStepsAndFill) {
    HWND pb = Make(u"msctls_progress32", u"", PBS_SMOOTH, 10, 10, 202, 20, 60);
    EXPECT_EQ(SendMessageW(pb, PBM_SETRANGE32, 0, 200), MAKELRESULT(0, 100));
    EXPECT_EQ(SendMessageW(pb, PBM_SETPOS, 50, 0), 0);
    EXPECT_EQ(SendMessageW(pb, PBM_SETPOS, 500, 0), 50);
    EXPECT_EQ(SendMessageW(pb, PBM_GETPOS, 0, 0), 200);  // kept within the range
    SendMessageW(pb, PBM_SETPOS, 100, 0);
    PBRANGE r{};
    EXPECT_EQ(SendMessageW(pb, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&r)), 0);
    EXPECT_EQ(r.iHigh, 200);
    Pump();
    TShot shot(Screen);
    EXPECT_EQ(shot.At(At(pb, 50, 10)), SysPx(COLOR_HIGHLIGHT));   // the first half is filled
    EXPECT_EQ(shot.At(At(pb, 150, 10)), SysPx(COLOR_BTNFACE));    // the second is not
    SendMessageW(pb, PBM_SETSTEP, 150, 0);
    SendMessageW(pb, PBM_STEPIT, 0, 0);  // 250 wraps to 50
    EXPECT_EQ(SendMessageW(pb, PBM_GETPOS, 0, 0), 50);
    SendMessageW(pb, PBM_DELTAPOS, 10, 0);
    EXPECT_EQ(SendMessageW(pb, PBM_GETPOS, 0, 0), 60);
}

TEST_F(CommonControls, TrackBarThumbDragPagesAndKeys) {
    HWND tb = Make(u"msctls_trackbar32", u"", TBS_AUTOTICKS, 10, 10, 220, 30, 61);
    SendMessageW(tb, TBM_SETRANGE, TRUE, MAKELPARAM(0, 10));
    SendMessageW(tb, TBM_SETPOS, TRUE, 2);
    Pump();
    RECT thumb, ch;
    SendMessageW(tb, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    SendMessageW(tb, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&ch));
    POINT from = At(tb, (thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2);
    POINT to = At(tb, ch.right - 1, (thumb.top + thumb.bottom) / 2);
    Screen->Drag(from, to, 8);
    Pump();
    EXPECT_EQ(SendMessageW(tb, TBM_GETPOS, 0, 0), 10);
    auto track = NotesWith(WM_HSCROLL, TB_THUMBTRACK);
    ASSERT_FALSE(track.empty());
    EXPECT_EQ(reinterpret_cast<HWND>(track[0].L), tb);
    EXPECT_EQ(HIWORD(track.back().W), 10);
    auto done = NotesWith(WM_HSCROLL, TB_THUMBPOSITION);
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(HIWORD(done[0].W), 10);
    EXPECT_EQ(NotesWith(WM_HSCROLL, TB_ENDTRACK).size(), 1u);
    // A click left of the thumb moves a page (a fifth of the range) back.
    SendMessageW(tb, TBM_SETPAGESIZE, 0, 3);
    Click(At(tb, ch.left + 2, (thumb.top + thumb.bottom) / 2));
    EXPECT_EQ(SendMessageW(tb, TBM_GETPOS, 0, 0), 7);
    EXPECT_EQ(NotesWith(WM_HSCROLL, TB_PAGEUP).size(), 1u);
    Key(VK_HOME);
    EXPECT_EQ(SendMessageW(tb, TBM_GETPOS, 0, 0), 0);
    Key(VK_RIGHT);
    EXPECT_EQ(SendMessageW(tb, TBM_GETPOS, 0, 0), 1);
    SendMessageW(tb, TBM_SETPOS, TRUE, 99);
    EXPECT_EQ(SendMessageW(tb, TBM_GETPOS, 0, 0), 10);
}

TEST_F(CommonControls, TrackBarPartsCanBeDrawnByTheParent) {
    std::vector<std::pair<DWORD, DWORD_PTR>> stages;
    HostHook() = [&stages](HWND, UINT m, WPARAM, LPARAM l, bool& handled) -> LRESULT {
        if (m != WM_NOTIFY || reinterpret_cast<NMHDR*>(l)->code != NM_CUSTOMDRAW) return 0;
        auto* cd = reinterpret_cast<NMCUSTOMDRAW*>(l);
        stages.push_back({cd->dwDrawStage, cd->dwItemSpec});
        handled = true;
        if (cd->dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
        if (cd->dwDrawStage == CDDS_ITEMPREPAINT && cd->dwItemSpec == TBCD_THUMB) {
            HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
            FillRect(cd->hdc, &cd->rc, red);
            DeleteObject(red);
            return CDRF_SKIPDEFAULT;
        }
        return CDRF_DODEFAULT;
    };
    HWND tb = Make(u"msctls_trackbar32", u"", 0, 10, 10, 200, 30, 68);
    stages.clear();
    InvalidateRect(tb, nullptr, TRUE);
    Pump();
    HostHook() = nullptr;
    ASSERT_EQ(stages.size(), 4u);
    EXPECT_EQ(stages[0].first, CDDS_PREPAINT);
    EXPECT_EQ(stages[1], (std::pair<DWORD, DWORD_PTR>{CDDS_ITEMPREPAINT, TBCD_TICS}));
    EXPECT_EQ(stages[2], (std::pair<DWORD, DWORD_PTR>{CDDS_ITEMPREPAINT, TBCD_CHANNEL}));
    EXPECT_EQ(stages[3], (std::pair<DWORD, DWORD_PTR>{CDDS_ITEMPREPAINT, TBCD_THUMB}));
    RECT t;
    SendMessageW(tb, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&t));
    TShot shot(Screen);
    EXPECT_EQ(shot.At(At(tb, (t.left + t.right) / 2, (t.top + t.bottom) / 2)), 0xFF0000u);
}

TEST_F(CommonControls, StatusBarPartsTextAndPlace) {
    HWND sb = Make(u"msctls_statusbar32", u"Ready", SBARS_SIZEGRIP, 0, 0, 0, 0, 62);
    RECT hr, sr;
    GetClientRect(Host, &hr);
    GetWindowRect(sb, &sr);
    POINT bottom{0, hr.bottom};
    ClientToScreen(Host, &bottom);
    EXPECT_EQ(sr.bottom, bottom.y);  // sits at the bottom of its parent, full width
    EXPECT_EQ(sr.right - sr.left, hr.right);
    int parts[] = {100, 250, -1};
    EXPECT_TRUE(SendMessageW(sb, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(parts)));
    EXPECT_EQ(SendMessageW(sb, SB_GETPARTS, 0, 0), 3);
    SendMessageA(sb, SB_SETTEXTA, 1 | SBT_POPOUT, reinterpret_cast<LPARAM>("12 files"));
    char buf[32] = {};
    LRESULT r = SendMessageW(sb, SB_GETTEXTA, 1, reinterpret_cast<LPARAM>(buf));
    EXPECT_STREQ(buf, "12 files");
    EXPECT_EQ(LOWORD(r), 8);
    EXPECT_EQ(HIWORD(r), SBT_POPOUT);
    EXPECT_EQ(LOWORD(SendMessageW(sb, SB_GETTEXTLENGTHW, 0, 0)), 5);  // the window text went to part 0
    RECT pr;
    SendMessageW(sb, SB_GETRECT, 1, reinterpret_cast<LPARAM>(&pr));
    EXPECT_EQ(pr.left, 102);
    EXPECT_EQ(pr.right, 250);
    EXPECT_FALSE(SendMessageW(sb, SB_SETTEXTW, 7, reinterpret_cast<LPARAM>(u"x")));
    // Resizing the parent and passing WM_SIZE on keeps it at the bottom.
    SetWindowPos(Host, nullptr, 0, 0, 400, 300, SWP_NOMOVE | SWP_NOZORDER);
    SendMessageW(sb, WM_SIZE, 0, 0);
    GetClientRect(Host, &hr);
    GetWindowRect(sb, &sr);
    EXPECT_EQ(sr.right - sr.left, hr.right);
}

TEST_F(CommonControls, UpDownWithBuddyEdit) {
    HWND ed = Make(u"Edit", u"", WS_BORDER, 10, 10, 80, 22, 63);
    HWND ud = Make(u"msctls_updown32", u"", UDS_AUTOBUDDY | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS, 0, 0, 16, 22, 64);
    EXPECT_EQ(reinterpret_cast<HWND>(SendMessageW(ud, UDM_GETBUDDY, 0, 0)), ed);
    RECT er, ur;
    GetWindowRect(ed, &er);
    GetWindowRect(ud, &ur);
    EXPECT_EQ(ur.left, er.right);  // beside the narrowed buddy
    EXPECT_EQ(er.right - er.left, 64);
    SendMessageW(ud, UDM_SETRANGE32, 0, 1200);
    SendMessageW(ud, UDM_SETPOS32, 0, 998);
    EXPECT_EQ(Text(ed), u"998");
    Click(At(ud, 8, 3));  // upper half: up
    Click(At(ud, 8, 3));
    EXPECT_EQ(Text(ed), u"1,000");
    EXPECT_EQ(SendMessageW(ud, UDM_GETPOS32, 0, 0), 1000);
    EXPECT_EQ(NotesWith(WM_NOTIFY, UDN_DELTAPOS).size(), 2u);
    auto sc = NotesWith(WM_VSCROLL, SB_THUMBPOSITION);
    ASSERT_EQ(sc.size(), 2u);
    EXPECT_EQ(HIWORD(sc[1].W), 1000);
    // A number typed in the buddy is where the next step starts.
    SetWindowTextW(ed, u"5");
    SetFocus(ed);
    Key(VK_DOWN);
    EXPECT_EQ(Text(ed), u"4");
    SetWindowTextW(ed, u"abc");
    BOOL err = FALSE;
    SendMessageW(ud, UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(&err));
    EXPECT_TRUE(err);
    // Wrapping at the ends.
    HWND w = Make(u"msctls_updown32", u"", UDS_WRAP, 200, 10, 16, 22, 65);
    SendMessageW(w, UDM_SETRANGE32, 1, 3);
    SendMessageW(w, UDM_SETPOS32, 0, 3);
    Click(At(w, 8, 3));
    EXPECT_EQ(SendMessageW(w, UDM_GETPOS32, 0, 0), 1);
}

TEST_F(CommonControls, TabClicksChangeTheSelection) {
    HWND tc = Make(u"SysTabControl32", u"", 0, 10, 10, 300, 200, 66);
    const char* names[] = {"General", "Video", "Audio"};
    for (int i = 0; i < 3; ++i) {
        TCITEMA ti{};
        ti.mask = TCIF_TEXT | TCIF_PARAM;
        ti.pszText = const_cast<char*>(names[i]);
        ti.lParam = 10 * i;
        EXPECT_EQ(SendMessageW(tc, TCM_INSERTITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&ti)), i);
    }
    EXPECT_EQ(SendMessageW(tc, TCM_GETCURSEL, 0, 0), 0);
    RECT r;
    SendMessageW(tc, TCM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&r));
    Click(At(tc, (r.left + r.right) / 2, (r.top + r.bottom) / 2));
    EXPECT_EQ(SendMessageW(tc, TCM_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(NotesWith(WM_NOTIFY, TCN_SELCHANGING).size(), 1u);
    EXPECT_EQ(NotesWith(WM_NOTIFY, TCN_SELCHANGE).size(), 1u);
    // A parent that refuses TCN_SELCHANGING keeps the page.
    HostHook() = [](HWND, UINT m, WPARAM, LPARAM l, bool& handled) -> LRESULT {
        if (m == WM_NOTIFY && reinterpret_cast<NMHDR*>(l)->code == TCN_SELCHANGING) {
            handled = true;
            return TRUE;
        }
        return 0;
    };
    SendMessageW(tc, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r));
    Click(At(tc, (r.left + r.right) / 2, (r.top + r.bottom) / 2));
    EXPECT_EQ(SendMessageW(tc, TCM_GETCURSEL, 0, 0), 2);
    HostHook() = nullptr;
    char buf[16] = {};
    TCITEMA ti{};
    ti.mask = TCIF_TEXT | TCIF_PARAM;
    ti.pszText = buf;
    ti.cchTextMax = 16;
    SendMessageW(tc, TCM_GETITEMA, 1, reinterpret_cast<LPARAM>(&ti));
    EXPECT_STREQ(buf, "Video");
    EXPECT_EQ(ti.lParam, 10);
    RECT page{0, 0, 300, 200};
    SendMessageW(tc, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&page));
    EXPECT_GT(page.top, r.bottom - 1);  // the page starts below the tabs
    EXPECT_EQ(SendMessageW(tc, TCM_SETCURSEL, 0, 0), 2);
    EXPECT_EQ(NotesWith(WM_NOTIFY, TCN_SELCHANGE).size(), 1u);  // messages do not notify
}

// Tabs on each side: they run along that side from 2 pixels in, the page is
// on the other side of them, a click selects, and the text lies along the tab
// (turned on the left and the right).
TEST_F(CommonControls, TabsOnEachSide) {
    struct Case {
        const char* what;
        DWORD style;
        int side;  // 0 top, 1 bottom, 2 left, 3 right
    } Cases[] = {
        {"top", 0, 0},
        {"bottom", TCS_BOTTOM, 1},
        {"left", TCS_VERTICAL, 2},
        {"right", TCS_VERTICAL | TCS_RIGHT, 3},
    };
    constexpr int W = 300, H = 240;
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.what);
        HWND tc = Make(u"SysTabControl32", u"", C.style, 10, 10, W, H, 70);
        for (const char16_t* name : {u"General", u"Video", u"Subtitles"}) {
            TCITEMW ti{};
            ti.mask = TCIF_TEXT;
            ti.pszText = const_cast<LPWSTR>(name);
            SendMessageW(tc, TCM_INSERTITEMW, 9, reinterpret_cast<LPARAM>(&ti));
        }
        bool column = C.side >= 2;
        RECT tab[3];
        for (int i = 0; i < 3; ++i) ASSERT_TRUE(SendMessageW(tc, TCM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&tab[i])));
        for (int i = 0; i < 3; ++i) {
            const RECT& r = tab[i];
            int along = column ? r.top : r.left, length = column ? r.bottom - r.top : r.right - r.left;
            int across = column ? r.right - r.left : r.bottom - r.top;
            EXPECT_EQ(along, i == 0 ? 2 : (column ? tab[i - 1].bottom : tab[i - 1].right)) << i;
            EXPECT_GT(length, across) << i;  // the text runs along the tab
            int edge[] = {r.top, H - r.bottom, r.left, W - r.right};
            EXPECT_EQ(edge[C.side], 2) << i;
        }
        RECT page{0, 0, W, H};
        SendMessageW(tc, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&page));
        ASSERT_LT(page.left, page.right);
        ASSERT_LT(page.top, page.bottom);
        for (const RECT& r : tab) {
            RECT both;
            EXPECT_FALSE(IntersectRect(&both, &r, &page));
        }
        int beyond[] = {page.top - tab[0].bottom, tab[0].top - page.bottom, page.left - tab[0].right,
                        tab[0].left - page.right};
        EXPECT_GE(beyond[C.side], 0);
        RECT back = page;
        SendMessageW(tc, TCM_ADJUSTRECT, TRUE, reinterpret_cast<LPARAM>(&back));
        EXPECT_EQ(back.left, 0);
        EXPECT_EQ(back.top, 0);
        EXPECT_EQ(back.right, W);
        EXPECT_EQ(back.bottom, H);

        Click(At(tc, (tab[2].left + tab[2].right) / 2, (tab[2].top + tab[2].bottom) / 2));
        EXPECT_EQ(SendMessageW(tc, TCM_GETCURSEL, 0, 0), 2);
        Key(column ? VK_UP : VK_LEFT);
        EXPECT_EQ(SendMessageW(tc, TCM_GETCURSEL, 0, 0), 1);
        SetFocus(nullptr);
        Pump();
        // The ink of the first tab's text: longer along the tab than across it.
        TShot shot(Screen);
        uint32_t ink = SysPx(COLOR_BTNTEXT);
        RECT box{10000, 10000, -1, -1};
        for (int y = tab[0].top + 2; y < tab[0].bottom - 2; ++y)
            for (int x = tab[0].left + 2; x < tab[0].right - 2; ++x)
                if (shot.At(At(tc, x, y)) == ink) {
                    box.left = std::min<int>(box.left, x), box.right = std::max<int>(box.right, x + 1);
                    box.top = std::min<int>(box.top, y), box.bottom = std::max<int>(box.bottom, y + 1);
                }
        ASSERT_GT(box.right, box.left) << "no text in the first tab";
        int inkAlong = column ? box.bottom - box.top : box.right - box.left;
        int inkAcross = column ? box.right - box.left : box.bottom - box.top;
        EXPECT_GT(inkAlong, 2 * inkAcross);
        // The page's middle is the face colour.
        EXPECT_EQ(shot.At(At(tc, (page.left + page.right) / 2, (page.top + page.bottom) / 2)), SysPx(COLOR_BTNFACE));
        DestroyWindow(tc);
        Pump();
    }
}

TEST_F(CommonControls, DatePickerTimeAndText) {
    HWND dp = Make(u"SysDateTimePick32", u"", DTS_SHORTDATEFORMAT, 10, 10, 150, 22, 67);
    SYSTEMTIME t{2024, 2, 0, 28, 10, 0, 0, 0};
    EXPECT_TRUE(SendMessageW(dp, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&t)));
    EXPECT_EQ(Text(dp), u"2/28/2024");
    SYSTEMTIME got{};
    EXPECT_EQ(SendMessageW(dp, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&got)), GDT_VALID);
    EXPECT_EQ(got.wDay, 28);
    EXPECT_EQ(got.wDayOfWeek, 3);  // a Wednesday
    SetFocus(dp);
    Key(VK_UP);
    Key(VK_UP);  // 2024 is a leap year
    SendMessageW(dp, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&got));
    EXPECT_EQ(got.wMonth, 3);
    EXPECT_EQ(got.wDay, 1);
    EXPECT_EQ(NotesWith(WM_NOTIFY, DTN_DATETIMECHANGE).size(), 2u);
    SYSTEMTIME bad{2023, 2, 0, 29, 0, 0, 0, 0};
    EXPECT_FALSE(SendMessageW(dp, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&bad)));
    EXPECT_FALSE(SendMessageW(dp, DTM_SETSYSTEMTIME, GDT_NONE, 0));  // needs DTS_SHOWNONE
}

}  // namespace
