// A dialog holding one of each control, compared pixel by pixel with a golden
// screenshot. TESSARO_UPDATE_GOLDEN=1 writes the golden file instead.
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "cc_test_util.h"
#include "platform/screen/headless.h"
#include "platform/rtl/scope.h"

using namespace cctest;

namespace {

using Gallery = CtlTest;

HWND Child(HWND parent, const char16_t* cls, const char16_t* text, DWORD style, int x, int y, int w, int h, int id, DWORD ex = 0) {
    HWND c = CreateWindowExW(ex, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                             reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), nullptr, nullptr);
    SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return c;
}

INT_PTR CALLBACK Quiet(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

TEST_F(Gallery, OneOfEachControlMatchesTheGoldenImage) {
    // A modeless dialog from a one-item template (the frame), filled with children.
    struct {
        DLGTEMPLATE T;
        WORD Menu, Class, Title;
    } tpl{{WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 0, 20, 20, 300, 220}, 0, 0, 0};
    HWND dlg = CreateDialogIndirectParamW(nullptr, &tpl.T, nullptr, Quiet, 0);
    ASSERT_NE(dlg, nullptr);
    rtl::TScopeExit DestroyDialog([&] {
        if (IsWindow(dlg)) DestroyWindow(dlg);
    });
    SetWindowTextW(dlg, u"Controls");
    SetWindowPos(dlg, nullptr, 40, 40, 560, 430, SWP_NOZORDER);
    Child(dlg, u"Button", u"Push", BS_PUSHBUTTON, 10, 10, 75, 23, 1);
    Child(dlg, u"Button", u"Default", BS_DEFPUSHBUTTON, 90, 10, 75, 23, 2);
    HWND chk = Child(dlg, u"Button", u"Check box", BS_AUTOCHECKBOX, 10, 40, 100, 18, 3);
    SendMessageW(chk, BM_SETCHECK, BST_CHECKED, 0);
    HWND r1 = Child(dlg, u"Button", u"Radio one", BS_AUTORADIOBUTTON | WS_GROUP, 10, 60, 100, 18, 4);
    Child(dlg, u"Button", u"Radio two", BS_AUTORADIOBUTTON, 10, 80, 100, 18, 5);
    SendMessageW(r1, BM_SETCHECK, BST_CHECKED, 0);
    Child(dlg, u"Button", u"Group", BS_GROUPBOX, 120, 36, 120, 70, 6);
    Child(dlg, u"Static", u"A static text", SS_LEFT, 130, 56, 100, 16, 7);
    Child(dlg, u"Static", u"", SS_ETCHEDHORZ, 10, 110, 230, 2, 8);
    Child(dlg, u"Edit", u"Single line", ES_AUTOHSCROLL, 10, 120, 150, 22, 9, WS_EX_CLIENTEDGE);
    Child(dlg, u"Edit", u"Multi\r\nline\r\nedit", ES_MULTILINE, 10, 148, 150, 50, 10, WS_EX_CLIENTEDGE);
    HWND lb = Child(dlg, u"ListBox", u"", LBS_NOTIFY, 170, 120, 90, 78, 11, WS_EX_CLIENTEDGE);
    for (auto* s : {u"First", u"Second", u"Third"}) SendMessageW(lb, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
    SendMessageW(lb, LB_SETCURSEL, 1, 0);
    HWND cb = Child(dlg, u"ComboBox", u"", CBS_DROPDOWNLIST, 10, 206, 150, 120, 12);
    for (auto* s : {u"PAL", u"NTSC"}) SendMessageW(cb, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
    SendMessageW(cb, CB_SETCURSEL, 0, 0);
    HWND sb = Child(dlg, u"ScrollBar", u"", SBS_HORZ, 170, 206, 90, 17, 13);
    SCROLLINFO si{sizeof si, SIF_ALL, 0, 99, 20, 30, 0};
    SendMessageW(sb, SBM_SETSCROLLINFO, TRUE, reinterpret_cast<LPARAM>(&si));
    HWND lv = Child(dlg, u"SysListView32", u"", LVS_REPORT | LVS_SHOWSELALWAYS, 270, 10, 270, 110, 14, WS_EX_CLIENTEDGE);
    SendMessageW(lv, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    const char16_t* cols[] = {u"Title", u"Length"};
    for (int c = 0; c < 2; ++c) {
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        col.pszText = const_cast<LPWSTR>(cols[c]);
        col.cx = c ? 80 : 150;
        col.fmt = c ? LVCFMT_RIGHT : LVCFMT_LEFT;
        SendMessageW(lv, LVM_INSERTCOLUMNW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&col));
    }
    const char16_t* rows[][2] = {{u"Holiday", u"0:12:30"}, {u"Wedding", u"1:02:00"}, {u"Birthday", u"0:08:15"}};
    for (int i = 0; i < 3; ++i) {
        LVITEMW it{};
        it.mask = LVIF_TEXT;
        it.iItem = i;
        it.pszText = const_cast<LPWSTR>(rows[i][0]);
        SendMessageW(lv, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&it));
        it.iSubItem = 1;
        it.pszText = const_cast<LPWSTR>(rows[i][1]);
        SendMessageW(lv, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&it));
    }
    LVITEMW sel{};
    sel.state = sel.stateMask = LVIS_SELECTED;
    SendMessageW(lv, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&sel));
    HWND pb = Child(dlg, u"msctls_progress32", u"", 0, 270, 130, 270, 18, 15);
    SendMessageW(pb, PBM_SETPOS, 60, 0);
    HWND tb = Child(dlg, u"msctls_trackbar32", u"", TBS_AUTOTICKS, 270, 156, 270, 30, 16);
    SendMessageW(tb, TBM_SETRANGE, TRUE, MAKELPARAM(0, 10));
    SendMessageW(tb, TBM_SETPOS, TRUE, 4);
    HWND ed = Child(dlg, u"Edit", u"", ES_AUTOHSCROLL, 270, 194, 60, 22, 17, WS_EX_CLIENTEDGE);
    HWND ud = Child(dlg, u"msctls_updown32", u"", UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS, 0, 0, 16, 22, 18);
    SendMessageW(ud, UDM_SETBUDDY, reinterpret_cast<WPARAM>(ed), 0);
    SendMessageW(ud, UDM_SETRANGE32, 0, 99);
    SendMessageW(ud, UDM_SETPOS32, 0, 25);
    HWND dp = Child(dlg, u"SysDateTimePick32", u"", DTS_SHORTDATEFORMAT, 340, 194, 120, 22, 19);
    SYSTEMTIME t{2025, 6, 0, 15, 0, 0, 0, 0};
    SendMessageW(dp, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&t));
    HWND tc = Child(dlg, u"SysTabControl32", u"", 0, 10, 240, 530, 110, 20);
    for (auto* s : {u"General", u"Video", u"Audio"}) {
        TCITEMW ti{};
        ti.mask = TCIF_TEXT;
        ti.pszText = const_cast<LPWSTR>(s);
        SendMessageW(tc, TCM_INSERTITEMW, 99, reinterpret_cast<LPARAM>(&ti));
    }
    SendMessageW(tc, TCM_SETCURSEL, 1, 0);
    HWND st = Child(dlg, u"msctls_statusbar32", u"", SBARS_SIZEGRIP, 0, 0, 0, 0, 21);
    int parts[] = {200, 400, -1};
    SendMessageW(st, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(parts));
    SendMessageW(st, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(u"Ready"));
    SendMessageW(st, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(u"3 titles"));
    ShowWindow(dlg, SW_SHOW);
    SetFocus(nullptr);
    RedrawWindow(dlg, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump();

    std::string golden = std::string(TESSARO_TEST_DATA) + "/commctl/controls_gallery.png";
    const char* tmp = std::getenv("TMPDIR");
    std::string shot = std::string(tmp && *tmp ? tmp : "/tmp") + "/commctl_gallery_" + std::to_string(::getpid()) + ".png";
    ASSERT_TRUE(WinSaveWindowPng(dlg, shot));
    const char* update = std::getenv("TESSARO_UPDATE_GOLDEN");
    if (update && *update == '1') {
        std::filesystem::copy_file(shot, golden, std::filesystem::copy_options::overwrite_existing);
        std::remove(shot.c_str());
        GTEST_SKIP() << "golden image written: " << golden;
    }
    std::vector<uint32_t> a, b;
    int aw = 0, ah = 0, bw = 0, bh = 0;
    ASSERT_TRUE(LoadPixelsPng(shot, a, aw, ah));
    ASSERT_TRUE(LoadPixelsPng(golden, b, bw, bh)) << "missing golden image " << golden;
    ASSERT_EQ(aw, bw);
    ASSERT_EQ(ah, bh);
    int diff = 0;
    POINT first{-1, -1};
    for (int y = 0; y < ah; ++y)
        for (int x = 0; x < aw; ++x)
            if ((a[static_cast<size_t>(y) * aw + x] & 0xFFFFFF) != (b[static_cast<size_t>(y) * bw + x] & 0xFFFFFF)) {
                if (!diff) first = POINT{x, y};
                ++diff;
            }
    EXPECT_EQ(diff, 0) << "first differing pixel at " << first.x << "," << first.y << "; screenshot kept at " << shot;
    if (!diff) std::remove(shot.c_str());
}

}  // namespace
