// SysListView32 in report view with its SysHeader32, and image lists.
#include <string>
#include <vector>

#include "cc_test_util.h"

using namespace cctest;

namespace {

class ListViews : public CtlTest {
protected:
    HWND MakeList(DWORD style, DWORD ex, int rows) {
        HWND lv = Make(u"SysListView32", u"", LVS_REPORT | WS_BORDER | style, 10, 10, 300, 200, 50);
        SendMessageW(lv, LVM_SETEXTENDEDLISTVIEWSTYLE, ex, ex);
        const char16_t* heads[] = {u"Name", u"Size", u"Length"};
        for (int c = 0; c < 3; ++c) {
            LVCOLUMNW col{};
            col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
            col.pszText = const_cast<LPWSTR>(heads[c]);
            col.cx = 80;
            col.fmt = c ? LVCFMT_RIGHT : LVCFMT_LEFT;
            EXPECT_EQ(SendMessageW(lv, LVM_INSERTCOLUMNW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&col)), c);
        }
        for (int i = 0; i < rows; ++i) {
            std::u16string name = u"clip" + std::u16string(1, static_cast<char16_t>(u'0' + i));
            LVITEMW it{};
            it.mask = LVIF_TEXT | LVIF_PARAM;
            it.iItem = i;
            it.pszText = name.data();
            it.lParam = 100 + i;
            SendMessageW(lv, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&it));
            std::u16string size = std::u16string(1, static_cast<char16_t>(u'9' - i)) + u" MB";
            it.mask = LVIF_TEXT;
            it.iSubItem = 1;
            it.pszText = size.data();
            SendMessageW(lv, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&it));
        }
        Pump();
        Notes().clear();
        return lv;
    }
    POINT Row(HWND lv, int i, int x = 10) {
        RECT r{LVIR_BOUNDS, 0, 0, 0};
        SendMessageW(lv, LVM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
        return At(lv, x, (r.top + r.bottom) / 2);
    }
    std::vector<int> Selected(HWND lv) {
        std::vector<int> out;
        for (int i = -1; (i = static_cast<int>(SendMessageW(lv, LVM_GETNEXTITEM, static_cast<WPARAM>(i), LVNI_SELECTED))) >= 0;)
            out.push_back(i);
        return out;
    }
};

TEST_F(ListViews, ItemsSubItemsDataAndAnsiText) {
    HWND lv = MakeList(0, LVS_EX_FULLROWSELECT, 3);
    EXPECT_EQ(SendMessageW(lv, LVM_GETITEMCOUNT, 0, 0), 3);
    char buf[32] = {};
    LVITEMA ga{};
    ga.mask = LVIF_TEXT | LVIF_PARAM;
    ga.iItem = 1;
    ga.iSubItem = 1;
    ga.pszText = buf;
    ga.cchTextMax = 32;
    ASSERT_TRUE(SendMessageW(lv, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&ga)));
    EXPECT_STREQ(buf, "8 MB");
    EXPECT_EQ(ga.lParam, 101);
    LVITEMA sa{};
    sa.iSubItem = 2;
    sa.pszText = const_cast<char*>("1:05 \xe2\x80\x93 PAL");
    ASSERT_TRUE(SendMessageW(lv, LVM_SETITEMTEXTA, 2, reinterpret_cast<LPARAM>(&sa)));
    char16_t wbuf[32] = {};
    LVITEMW gw{};
    gw.iSubItem = 2;
    gw.pszText = wbuf;
    gw.cchTextMax = 32;
    SendMessageW(lv, LVM_GETITEMTEXTW, 2, reinterpret_cast<LPARAM>(&gw));
    EXPECT_EQ(std::u16string(wbuf), u"1:05 \u2013 PAL");
    LVFINDINFOW fi{};
    fi.flags = LVFI_PARAM;
    fi.lParam = 102;
    EXPECT_EQ(SendMessageW(lv, LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&fi)), 2);
    // Sorting by item data, descending.
    SendMessageW(lv, LVM_SORTITEMS, 0, reinterpret_cast<LPARAM>(+[](LPARAM a, LPARAM b, LPARAM) { return static_cast<int>(b - a); }));
    LVITEMW it{};
    it.mask = LVIF_PARAM;
    it.iItem = 0;
    SendMessageW(lv, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it));
    EXPECT_EQ(it.lParam, 102);
    // Deleting tells the parent, items and counts follow.
    EXPECT_TRUE(SendMessageW(lv, LVM_DELETEITEM, 0, 0));
    EXPECT_EQ(NotesWith(WM_NOTIFY, LVN_DELETEITEM).size(), 1u);
    EXPECT_FALSE(SendMessageW(lv, LVM_DELETEITEM, 5, 0));
    EXPECT_TRUE(SendMessageW(lv, LVM_DELETEALLITEMS, 0, 0));
    EXPECT_EQ(SendMessageW(lv, LVM_GETITEMCOUNT, 0, 0), 0);
    EXPECT_EQ(SendMessageW(lv, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_ALL), -1);
}

TEST_F(ListViews, ClickShiftClickAndControlClickSelectRows) {
    HWND lv = MakeList(LVS_SHOWSELALWAYS, LVS_EX_FULLROWSELECT, 6);
    Click(Row(lv, 1, 200));  // a sub-item: whole-row selection takes it
    EXPECT_EQ(Selected(lv), (std::vector<int>{1}));
    auto changed = NotesWith(WM_NOTIFY, LVN_ITEMCHANGED);
    ASSERT_FALSE(changed.empty());
    EXPECT_EQ(changed.back().Item, 1);
    EXPECT_EQ(changed.back().NewState & (LVIS_SELECTED | LVIS_FOCUSED), LVIS_SELECTED | LVIS_FOCUSED);
    EXPECT_EQ(changed.back().OldState, 0u);
    EXPECT_EQ(changed.back().Changed, LVIF_STATE);
    auto clicks = NotesWith(WM_NOTIFY, NM_CLICK);
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0].Item, 1);
    Notes().clear();
    Screen->KeyDown(VK_SHIFT);
    Click(Row(lv, 4));
    Screen->KeyUp(VK_SHIFT);
    Pump();
    EXPECT_EQ(Selected(lv), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(SendMessageW(lv, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED), 4);
    EXPECT_EQ(NotesWith(WM_NOTIFY, LVN_ITEMCHANGED).size(), 5u);  // 2, 3, 4 selected; focus left 1, came to 4
    Screen->KeyDown(VK_CONTROL);
    Click(Row(lv, 2));
    Screen->KeyUp(VK_CONTROL);
    Pump();
    EXPECT_EQ(Selected(lv), (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(SendMessageW(lv, LVM_GETSELECTEDCOUNT, 0, 0), 3);
    // Keys: Down moves the focus and the selection.
    Key(VK_DOWN);
    EXPECT_EQ(Selected(lv), (std::vector<int>{3}));
    // A click below the rows clears the selection.
    Click(At(lv, 50, 190));
    EXPECT_TRUE(Selected(lv).empty());
}

TEST_F(ListViews, SingleSelectionAndLabelOnlyClicks) {
    HWND lv = MakeList(LVS_SINGLESEL, 0, 3);
    Click(Row(lv, 0));
    Screen->KeyDown(VK_SHIFT);
    Click(Row(lv, 2));
    Screen->KeyUp(VK_SHIFT);
    Pump();
    EXPECT_EQ(Selected(lv), (std::vector<int>{2}));
    Click(Row(lv, 1, 200));  // not a whole-row list: the sub-item area selects nothing
    EXPECT_TRUE(Selected(lv).empty());
    LVITEMW st{};
    st.state = LVIS_SELECTED;
    st.stateMask = LVIS_SELECTED;
    SendMessageW(lv, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&st));
    SendMessageW(lv, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&st));
    EXPECT_EQ(Selected(lv), (std::vector<int>{1}));
    EXPECT_EQ(SendMessageW(lv, LVM_GETITEMSTATE, 1, LVIS_SELECTED), static_cast<LRESULT>(LVIS_SELECTED));
}

TEST_F(ListViews, HitTestDragAndDoubleClick) {
    HWND lv = MakeList(0, LVS_EX_FULLROWSELECT, 4);
    RECT r{LVIR_BOUNDS, 0, 0, 0};
    SendMessageW(lv, LVM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&r));
    LVHITTESTINFO ht{};
    ht.pt = POINT{100, (r.top + r.bottom) / 2};
    EXPECT_EQ(SendMessageW(lv, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&ht)), 2);
    EXPECT_EQ(ht.iSubItem, 1);
    EXPECT_TRUE(ht.flags & LVHT_ONITEM);
    ht.pt = POINT{100, 195};
    EXPECT_EQ(SendMessageW(lv, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&ht)), -1);
    EXPECT_EQ(ht.flags, LVHT_NOWHERE);
    Click(Row(lv, 0));
    Screen->KeyDown(VK_SHIFT);
    Click(Row(lv, 1));
    Screen->KeyUp(VK_SHIFT);
    Pump();
    Notes().clear();
    Screen->Drag(Row(lv, 1, 40), Row(lv, 3, 40), 4);  // away from the last click: no double click
    Pump();
    auto drags = NotesWith(WM_NOTIFY, LVN_BEGINDRAG);
    ASSERT_EQ(drags.size(), 1u);
    EXPECT_EQ(drags[0].Item, 1);
    EXPECT_EQ(Selected(lv), (std::vector<int>{0, 1}));  // a drag keeps the selection
    Screen->DoubleClick(Row(lv, 3));
    Pump();
    auto dbl = NotesWith(WM_NOTIFY, NM_DBLCLK);
    ASSERT_EQ(dbl.size(), 1u);
    EXPECT_EQ(dbl[0].Item, 3);
}

TEST_F(ListViews, HeaderClicksAndDividerDrags) {
    HWND lv = MakeList(0, 0, 2);
    HWND hd = reinterpret_cast<HWND>(SendMessageW(lv, LVM_GETHEADER, 0, 0));
    ASSERT_NE(hd, nullptr);
    EXPECT_EQ(SendMessageW(hd, HDM_GETITEMCOUNT, 0, 0), 3);
    RECT r;
    SendMessageW(hd, HDM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r));
    EXPECT_EQ(r.left, 80);
    Click(At(hd, 120, 5));
    auto cc = NotesWith(WM_NOTIFY, LVN_COLUMNCLICK);
    ASSERT_EQ(cc.size(), 1u);
    EXPECT_EQ(reinterpret_cast<NMLISTVIEW*>(cc[0].L) != nullptr, true);
    Screen->Drag(At(hd, 80, 5), At(hd, 120, 5), 4);
    Pump();
    EXPECT_EQ(SendMessageW(lv, LVM_GETCOLUMNWIDTH, 0, 0), 120);
    SendMessageW(lv, LVM_SETCOLUMNWIDTH, 1, 33);
    LVCOLUMNW col{};
    col.mask = LVCF_WIDTH;
    SendMessageW(lv, LVM_GETCOLUMNW, 1, reinterpret_cast<LPARAM>(&col));
    EXPECT_EQ(col.cx, 33);
    HDITEMW hi{};
    hi.mask = HDI_WIDTH;
    SendMessageW(hd, HDM_GETITEMW, 1, reinterpret_cast<LPARAM>(&hi));
    EXPECT_EQ(hi.cxy, 33);
}

// The parent deletes or inserts header items while it handles a notification
// of a divider drag: no other item takes the dragged width, and a drag on an
// item that is left goes on.
TEST_F(ListViews, HeaderItemsChangedByTheParentDuringADividerDrag) {
    struct TCase {
        UINT Code;
        int Deleted;     // or -1
        int InsertedAt;  // or -1; the new item is 30 wide
        std::vector<int> Widths;
    };
    const TCase Cases[] = {
        {HDN_ITEMCHANGINGW, 0, -1, {80}},  // the dragged item goes: the other keeps its width
        {HDN_TRACKW, 0, -1, {80}},
        {HDN_ITEMCHANGINGW, 1, -1, {120}},  // another item goes: the drag ends at 120
        {HDN_TRACKW, 1, -1, {120}},
        {HDN_ITEMCHANGINGW, -1, 0, {30, 120, 80}},  // the dragged item moves to index 1
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE("code " + std::to_string(static_cast<int>(C.Code)) + ", deleted " + std::to_string(C.Deleted) +
                     ", inserted at " + std::to_string(C.InsertedAt));
        HWND hd = Make(u"SysHeader32", u"", 0, 10, 10, 300, 24, 60);
        ASSERT_NE(hd, nullptr);
        auto insert = [hd](int at, int w) {
            HDITEMW it{};
            it.mask = HDI_WIDTH;
            it.cxy = w;
            SendMessageW(hd, HDM_INSERTITEMW, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&it));
        };
        insert(0, 100);
        insert(1, 80);
        bool Changed = false;
        HostHook() = [&](HWND, UINT m, WPARAM, LPARAM l, bool&) -> LRESULT {
            if (m == WM_NOTIFY && !Changed && reinterpret_cast<NMHDR*>(l)->code == C.Code) {
                Changed = true;
                if (C.Deleted >= 0) SendMessageW(hd, HDM_DELETEITEM, static_cast<WPARAM>(C.Deleted), 0);
                if (C.InsertedAt >= 0) insert(C.InsertedAt, 30);
            }
            return 0;
        };
        Screen->Drag(At(hd, 100, 5), At(hd, 120, 5), 4);
        Pump();
        HostHook() = nullptr;
        EXPECT_TRUE(Changed);
        std::vector<int> Widths;
        HDITEMW hi{};
        hi.mask = HDI_WIDTH;
        for (int i = 0; SendMessageW(hd, HDM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&hi)); ++i)
            Widths.push_back(hi.cxy);
        EXPECT_EQ(Widths, C.Widths);
        EXPECT_NE(GetCapture(), hd);
        DestroyWindow(hd);
        Pump();
    }
}

TEST_F(ListViews, SmallImagesAreDrawnWithTheirMask) {
    HIMAGELIST il = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 2, 2);
    // Two images side by side: red with a magenta (transparent) corner, then green.
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = 32;
    bi.bmiHeader.biHeight = -16;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    auto* px = static_cast<uint32_t*>(bits);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 32; ++x) px[y * 32 + x] = x < 16 ? ((x < 4 && y < 4) ? 0xFF00FF : 0xFF0000) : 0x00FF00;
    EXPECT_EQ(ImageList_AddMasked(il, bmp, RGB(255, 0, 255)), 0);
    EXPECT_EQ(ImageList_GetImageCount(il), 2);
    DeleteObject(bmp);
    HWND lv = MakeList(0, 0, 0);
    SendMessageW(lv, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(il));
    LVITEMW it{};
    it.mask = LVIF_TEXT | LVIF_IMAGE;
    it.pszText = const_cast<LPWSTR>(u"movie");
    it.iImage = 0;
    SendMessageW(lv, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&it));
    Pump();
    RECT ir{LVIR_ICON, 0, 0, 0};
    SendMessageW(lv, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&ir));
    int top = ir.top + ((ir.bottom - ir.top) - 16) / 2;
    TShot shot(Screen);
    EXPECT_EQ(shot.At(At(lv, ir.left + 8, top + 8)), 0xFF0000u);
    EXPECT_EQ(shot.At(At(lv, ir.left + 1, top + 1)), SysPx(COLOR_WINDOW));  // masked corner
    EXPECT_TRUE(ImageList_Remove(il, 0));
    EXPECT_EQ(ImageList_GetImageCount(il), 1);
    EXPECT_FALSE(ImageList_Remove(il, 4));
}

// A 16x16 list: image 0 red with a transparent 4x4 corner, image 1 green.
HIMAGELIST RedGreenList() {
    HIMAGELIST il = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 2, 2);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = 32;
    bi.bmiHeader.biHeight = -16;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    auto* px = static_cast<uint32_t*>(bits);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 32; ++x) px[y * 32 + x] = x < 16 ? ((x < 4 && y < 4) ? 0xFF00FF : 0xFF0000) : 0x00FF00;
    ImageList_AddMasked(il, bmp, RGB(255, 0, 255));
    DeleteObject(bmp);
    return il;
}

RECT WindowRectOf(HWND h) {
    RECT r{};
    GetWindowRect(h, &r);
    return r;
}

TEST_F(ListViews, DragImageFollowsTheMouseAndLetsItThrough) {
    HIMAGELIST il = RedGreenList();
    HWND lv = MakeList(0, 0, 3);
    EXPECT_FALSE(ImageList_BeginDrag(il, 5, 0, 0));  // no such image
    EXPECT_FALSE(ImageList_DragEnter(nullptr, 0, 0));  // no drag begun
    ASSERT_TRUE(ImageList_BeginDrag(il, 0, 5, 6));
    EXPECT_EQ(WinDragImageWindow(), nullptr);  // nothing shows before DragEnter
    POINT over = Row(lv, 1, 40);
    ASSERT_TRUE(ImageList_DragEnter(nullptr, over.x, over.y));
    HWND w = WinDragImageWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(IsWindowVisible(w));
    RECT r = WindowRectOf(w);
    EXPECT_EQ(r.left, over.x - 5);
    EXPECT_EQ(r.top, over.y - 6);
    EXPECT_EQ(r.right - r.left, 16);
    // The mouse finds the list under the image.
    EXPECT_EQ(WindowFromPoint(over), lv);
    Pump();
    {
        TShot shot(Screen);
        EXPECT_EQ(shot.At(POINT{r.left + 8, r.top + 8}), 0xFF0000u);
        EXPECT_EQ(shot.At(POINT{r.left + 1, r.top + 1}), SysPx(COLOR_WINDOW));  // the mask shows the list through
    }
    // Positions relative to a window's rectangle; hiding and leaving.
    RECT lr = WindowRectOf(lv);
    ASSERT_TRUE(ImageList_DragLeave(nullptr));
    EXPECT_FALSE(IsWindowVisible(w));
    ASSERT_TRUE(ImageList_DragEnter(lv, 20, 30));
    r = WindowRectOf(w);
    EXPECT_EQ(r.left, lr.left + 20 - 5);
    EXPECT_EQ(r.top, lr.top + 30 - 6);
    ASSERT_TRUE(ImageList_DragMove(40, 50));
    r = WindowRectOf(w);
    EXPECT_EQ(r.left, lr.left + 40 - 5);
    ImageList_DragShowNolock(FALSE);
    EXPECT_FALSE(IsWindowVisible(w));
    ImageList_DragShowNolock(TRUE);
    EXPECT_TRUE(IsWindowVisible(w));
    POINT pos{}, hot{};
    HIMAGELIST dragged = ImageList_GetDragImage(&pos, &hot);
    ASSERT_NE(dragged, nullptr);
    EXPECT_NE(dragged, il);  // a copy: the caller's list may change meanwhile
    EXPECT_EQ(ImageList_GetImageCount(dragged), 1);
    EXPECT_EQ(pos.x, 40);
    EXPECT_EQ(hot.y, 6);
    ImageList_EndDrag();
    EXPECT_EQ(WinDragImageWindow(), nullptr);
    EXPECT_FALSE(IsWindow(w));
    EXPECT_EQ(ImageList_GetDragImage(nullptr, nullptr), nullptr);
    EXPECT_FALSE(ImageList_DragMove(1, 1));
    ImageList_Destroy(il);
}

TEST_F(ListViews, CreateDragImageShowsTheItemsImageAndLabel) {
    HIMAGELIST il = RedGreenList();
    HWND lv = MakeList(0, 0, 3);
    SendMessageW(lv, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(il));
    LVITEMW it{};
    it.mask = LVIF_IMAGE;
    it.iItem = 1;
    it.iImage = 1;
    SendMessageW(lv, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&it));
    POINT pt{-1, -1};
    EXPECT_EQ(SendMessageW(lv, LVM_CREATEDRAGIMAGE, 7, reinterpret_cast<LPARAM>(&pt)), 0);
    auto img = reinterpret_cast<HIMAGELIST>(SendMessageW(lv, LVM_CREATEDRAGIMAGE, 1, reinterpret_cast<LPARAM>(&pt)));
    ASSERT_NE(img, nullptr);
    RECT ir{LVIR_ICON, 0, 0, 0};
    SendMessageW(lv, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&ir));
    EXPECT_EQ(pt.x, ir.left);
    EXPECT_EQ(pt.y, ir.top);
    int cx = 0, cy = 0;
    ASSERT_TRUE(ImageList_GetIconSize(img, &cx, &cy));
    EXPECT_EQ(cy, ir.bottom - ir.top);
    EXPECT_GT(cx, 16 + 10);  // the image and the caption "clip1"
    EXPECT_LT(cx, 80);
    // Drawn: the green image at the left, dark caption pixels to its right.
    ASSERT_TRUE(ImageList_BeginDrag(img, 0, 0, 0));
    ASSERT_TRUE(ImageList_DragEnter(nullptr, 300, 400));
    Pump();
    TShot shot(Screen);
    EXPECT_EQ(shot.At(POINT{300 + 8, 400 + cy / 2}), 0x00FF00u);
    int dark = 0;
    for (int x = 300 + 18; x < 300 + cx; ++x)
        for (int y = 400; y < 400 + cy; ++y)
            if (shot.At(POINT{x, y}) == 0) ++dark;
    EXPECT_GT(dark, 10);
    ImageList_EndDrag();
    ImageList_Destroy(img);
    SendMessageW(lv, LVM_SETIMAGELIST, LVSIL_SMALL, 0);
    ImageList_Destroy(il);
}

}  // namespace
