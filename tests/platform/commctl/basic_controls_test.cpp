// Button, Static and Edit driven by messages and by synthetic input.
#include "cc_test_util.h"

using namespace cctest;

namespace {

using Buttons = CtlTest;

TEST_F(Buttons, ClickSendsBnClickedOnlyWhenReleasedInside) {
    HWND b = Make(u"Button", u"OK", BS_PUSHBUTTON, 10, 10, 80, 24, 101);
    Click(At(b, 40, 12));
    auto clicks = NotesWith(WM_COMMAND, BN_CLICKED);
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(LOWORD(clicks[0].W), 101);
    EXPECT_EQ(reinterpret_cast<HWND>(clicks[0].L), b);
    // Pressed inside, released outside: no click.
    Notes().clear();
    Screen->MouseDown(At(b, 40, 12));
    Pump();
    EXPECT_TRUE(SendMessageW(b, BM_GETSTATE, 0, 0) & BST_PUSHED);
    Screen->MouseMove(At(b, 200, 12));
    Pump();
    EXPECT_FALSE(SendMessageW(b, BM_GETSTATE, 0, 0) & BST_PUSHED);
    Screen->MouseUp(At(b, 200, 12));
    Pump();
    EXPECT_TRUE(NotesWith(WM_COMMAND, BN_CLICKED).empty());
    // Space on the focused button clicks it.
    SetFocus(b);
    Key(VK_SPACE);
    EXPECT_EQ(NotesWith(WM_COMMAND, BN_CLICKED).size(), 1u);
}

TEST_F(Buttons, CheckBoxesAndThreeStates) {
    struct Case {
        DWORD Style;
        std::vector<UINT> AfterClicks;
    } cases[] = {
        {BS_AUTOCHECKBOX, {BST_CHECKED, BST_UNCHECKED, BST_CHECKED}},
        {BS_AUTO3STATE, {BST_CHECKED, BST_INDETERMINATE, BST_UNCHECKED}},
        {BS_CHECKBOX, {BST_UNCHECKED, BST_UNCHECKED, BST_UNCHECKED}},  // the owner checks it
    };
    for (auto& c : cases) {
        HWND b = Make(u"Button", u"Check", c.Style, 10, 50, 120, 20, 102);
        for (UINT expected : c.AfterClicks) {
            Click(At(b, 5, 10));
            EXPECT_EQ(SendMessageW(b, BM_GETCHECK, 0, 0), static_cast<LRESULT>(expected)) << c.Style;
        }
        EXPECT_EQ(NotesWith(WM_COMMAND, BN_CLICKED).size(), 3u);
        Notes().clear();
        // BM_SETCHECK of an indeterminate state on a two-state box checks it.
        SendMessageW(b, BM_SETCHECK, BST_INDETERMINATE, 0);
        if (c.Style == BS_AUTO3STATE)
            EXPECT_EQ(SendMessageW(b, BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_INDETERMINATE));
        else
            EXPECT_EQ(SendMessageW(b, BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_CHECKED));
        DestroyWindow(b);
    }
}

TEST_F(Buttons, AutoRadioButtonsUncheckTheirGroupOnly) {
    HWND r1 = Make(u"Button", u"A", BS_AUTORADIOBUTTON | WS_GROUP, 10, 10, 100, 20, 1);
    HWND r2 = Make(u"Button", u"B", BS_AUTORADIOBUTTON, 10, 30, 100, 20, 2);
    HWND r3 = Make(u"Button", u"C", BS_AUTORADIOBUTTON, 10, 50, 100, 20, 3);
    HWND g2 = Make(u"Button", u"D", BS_AUTORADIOBUTTON | WS_GROUP, 10, 80, 100, 20, 4);
    SendMessageW(g2, BM_SETCHECK, BST_CHECKED, 0);
    Click(At(r1, 5, 10));
    EXPECT_EQ(SendMessageW(r1, BM_GETCHECK, 0, 0), BST_CHECKED);
    Click(At(r3, 5, 10));
    EXPECT_EQ(SendMessageW(r1, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(SendMessageW(r2, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(SendMessageW(r3, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageW(g2, BM_GETCHECK, 0, 0), BST_CHECKED);
    SendMessageW(r2, BM_CLICK, 0, 0);
    EXPECT_EQ(SendMessageW(r3, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(SendMessageW(r2, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageW(r2, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON, DLGC_RADIOBUTTON);
}

TEST_F(Buttons, OwnerDrawAsksTheParentAndDisabledButtonsIgnoreClicks) {
    HWND b = Make(u"Button", u"", BS_OWNERDRAW, 10, 10, 60, 30, 7);
    InvalidateRect(b, nullptr, TRUE);
    Pump();
    EXPECT_GT(DrawItems(), 0);
    HWND p = Make(u"Button", u"No", BS_PUSHBUTTON | WS_DISABLED, 100, 10, 60, 30, 8);
    Click(At(p, 20, 10));
    SendMessageW(p, BM_CLICK, 0, 0);
    EXPECT_TRUE(NotesWith(WM_COMMAND, BN_CLICKED).empty());
}

TEST_F(Buttons, PushButtonLookIsRaisedAndTheDefaultOneFramed) {
    HWND b = Make(u"Button", u"", BS_DEFPUSHBUTTON, 10, 10, 60, 30, 1);
    Pump();
    TShot shot(Screen);
    EXPECT_EQ(shot.At(At(b, 0, 0)), SysPx(COLOR_WINDOWFRAME));  // the default button's frame
    EXPECT_EQ(shot.At(At(b, 2, 2)), SysPx(COLOR_BTNHIGHLIGHT));  // raised: light top-left
    EXPECT_EQ(shot.At(At(b, 57, 27)), SysPx(COLOR_BTNSHADOW));   // dark bottom-right
    EXPECT_EQ(shot.At(At(b, 30, 15)), SysPx(COLOR_BTNFACE));
}

TEST_F(Buttons, BitmapButtonsShowTheirImage) {
    HWND b = Make(u"Button", u"text", BS_PUSHBUTTON | BS_BITMAP, 10, 10, 60, 30, 1);
    std::vector<uint32_t> red(8 * 8, 0xFF0000u);
    HBITMAP bmp = CreateBitmap(8, 8, 1, 32, red.data());
    EXPECT_EQ(SendMessageW(b, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bmp)), 0);
    EXPECT_EQ(reinterpret_cast<HBITMAP>(SendMessageW(b, BM_GETIMAGE, IMAGE_BITMAP, 0)), bmp);
    Pump();
    TShot shot(Screen);
    EXPECT_EQ(shot.At(At(b, 30, 15)), 0xFF0000u);
    DestroyWindow(b);
    DeleteObject(bmp);
}

using Statics = CtlTest;

TEST_F(Statics, TextFollowsSetTextAndAlignment) {
    HWND s = Make(u"Static", u"Hello", SS_RIGHT, 10, 10, 200, 20, 1);
    EXPECT_EQ(Text(s), u"Hello");
    SetWindowTextW(s, u"Name:");
    Pump();
    EXPECT_EQ(Text(s), u"Name:");
    // Right aligned: the left half stays background, something is drawn on the right.
    bool leftInk = false, rightInk = false;
    TShot shot(Screen);
    for (int x = 0; x < 200; ++x)
        for (int y = 0; y < 20; ++y) {
            uint32_t px = shot.At(At(s, x, y));
            if (px != SysPx(COLOR_BTNFACE)) (x < 100 ? leftInk : rightInk) = true;
        }
    EXPECT_FALSE(leftInk);
    EXPECT_TRUE(rightInk);
    // SS_NOTIFY makes clicks reach the parent; without it the static is transparent.
    HWND n = Make(u"Static", u"Click", SS_LEFT | SS_NOTIFY, 10, 40, 100, 20, 2);
    Click(At(n, 5, 5));
    EXPECT_EQ(NotesWith(WM_COMMAND, STN_CLICKED).size(), 1u);
}

TEST_F(Statics, IconsOfStandardAndOwnPictures) {
    std::vector<uint32_t> argb(16 * 16, 0xFF00A000u);  // opaque green, a clear top-left corner
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) argb[static_cast<size_t>(y * 16 + x)] = 0;
    HICON own = WinCreateIconFromPixels(argb.data(), 16, 16);
    ASSERT_NE(own, nullptr);
    HWND s1 = Make(u"Static", u"", SS_ICON, 10, 10, 32, 32, 1);
    SendMessageW(s1, STM_SETICON, reinterpret_cast<WPARAM>(own), 0);
    HWND s2 = Make(u"Static", u"", SS_ICON, 60, 10, 32, 32, 2);
    SendMessageW(s2, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconA(nullptr, IDI_HAND)), 0);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(s1, STM_GETICON, 0, 0)), own);
    Pump();
    TShot shot(Screen);
    EXPECT_EQ(shot.At(At(s1, 8, 8)), 0x00A000u);
    EXPECT_EQ(shot.At(At(s1, 1, 1)), SysPx(COLOR_BTNFACE));
    EXPECT_EQ(shot.At(At(s2, 4, 16)), 0xE00000u);  // the error icon's red disc
    // An image list takes the icon at its own size with its mask.
    HIMAGELIST il = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 1, 1);
    EXPECT_EQ(ImageList_AddIcon(il, own), 0);
    EXPECT_EQ(ImageList_GetImageCount(il), 1);
    HDC dc = GetDC(Host);
    RECT r{0, 0, 40, 40};
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ImageList_Draw(il, 0, dc, 0, 0, ILD_TRANSPARENT);
    EXPECT_EQ(GetPixel(dc, 8, 8), RGB(0, 0xA0, 0));
    EXPECT_EQ(GetPixel(dc, 1, 1), RGB(255, 255, 255));
    ReleaseDC(Host, dc);
    ImageList_Destroy(il);
    DestroyIcon(own);
}

using Edits = CtlTest;

TEST_F(Edits, TypingEditsTextAndSendsEnChange) {
    HWND e = Make(u"Edit", u"", WS_BORDER | ES_AUTOHSCROLL, 10, 10, 200, 22, 5);
    Click(At(e, 5, 5));
    EXPECT_EQ(GetFocus(), e);
    Type("abc");
    EXPECT_EQ(Text(e), u"abc");
    auto changes = NotesWith(WM_COMMAND, EN_CHANGE);
    EXPECT_EQ(changes.size(), 3u);
    EXPECT_EQ(LOWORD(changes[0].W), 5);
    Key(VK_LEFT);
    Type("X");
    EXPECT_EQ(Text(e), u"abXc");
    Key(VK_BACK);
    Key(VK_BACK);
    EXPECT_EQ(Text(e), u"ac");
    Key(VK_HOME);
    Key(VK_DELETE);
    EXPECT_EQ(Text(e), u"c");
    DWORD a = 9, b = 9;
    SendMessageW(e, EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
    EXPECT_EQ(a, 0u);
    EXPECT_EQ(b, 0u);
}

TEST_F(Edits, SelectionByKeyboardAndMouseIsReplacedByTyping) {
    HWND e = Make(u"Edit", u"hello world", WS_BORDER, 10, 10, 300, 22, 5);
    SetFocus(e);
    SendMessageW(e, EM_SETSEL, 0, 5);
    Type("HELLO");
    EXPECT_EQ(Text(e), u"HELLO world");
    // Shift+End from the start selects everything.
    Key(VK_HOME);
    Screen->KeyDown(VK_SHIFT);
    Screen->KeyPress(VK_END);
    Screen->KeyUp(VK_SHIFT);
    Pump();
    DWORD a = 0, b = 0;
    SendMessageW(e, EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
    EXPECT_EQ(a, 0u);
    EXPECT_EQ(b, 11u);
    // A mouse drag from the far left to the far right selects all text too.
    SendMessageW(e, EM_SETSEL, static_cast<WPARAM>(-1), 0);
    Screen->Drag(At(e, 0, 8), At(e, 290, 8), 5);
    Pump();
    SendMessageW(e, EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
    EXPECT_EQ(a, 0u);
    EXPECT_EQ(b, 11u);
    Type("z");
    EXPECT_EQ(Text(e), u"z");
}

TEST_F(Edits, MessagesReadOnlyLimitPasswordAndUndo) {
    HWND e = Make(u"Edit", u"", WS_BORDER, 10, 10, 200, 22, 5);
    SetFocus(e);
    SendMessageW(e, EM_LIMITTEXT, 4, 0);
    Type("123456");
    EXPECT_EQ(Text(e), u"1234");
    EXPECT_FALSE(NotesWith(WM_COMMAND, EN_MAXTEXT).empty());
    EXPECT_TRUE(SendMessageW(e, EM_GETMODIFY, 0, 0));
    SendMessageW(e, EM_SETSEL, 1, 3);
    SendMessageW(e, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(u"x"));
    EXPECT_EQ(Text(e), u"1x4");
    EXPECT_TRUE(SendMessageW(e, EM_CANUNDO, 0, 0));
    SendMessageW(e, EM_UNDO, 0, 0);
    EXPECT_EQ(Text(e), u"1234");
    SendMessageW(e, EM_SETREADONLY, TRUE, 0);
    EXPECT_TRUE(GetWindowLongPtrW(e, GWL_STYLE) & ES_READONLY);
    Type("z");
    Key(VK_BACK);
    EXPECT_EQ(Text(e), u"1234");
    // WM_SETTEXT sends EN_CHANGE and clears the modified flag.
    Notes().clear();
    SetWindowTextW(e, u"new");
    EXPECT_EQ(NotesWith(WM_COMMAND, EN_CHANGE).size(), 1u);
    EXPECT_FALSE(SendMessageW(e, EM_GETMODIFY, 0, 0));
    HWND pw = Make(u"Edit", u"", WS_BORDER | ES_PASSWORD, 10, 40, 200, 22, 6);
    EXPECT_EQ(SendMessageW(pw, EM_GETPASSWORDCHAR, 0, 0), u'*');
    SetFocus(pw);
    Type("secret");
    EXPECT_EQ(Text(pw), u"secret");
    // ES_NUMBER refuses letters.
    HWND num = Make(u"Edit", u"", WS_BORDER | ES_NUMBER, 10, 70, 200, 22, 7);
    SetFocus(num);
    Type("1a2");
    EXPECT_EQ(Text(num), u"12");
}

TEST_F(Edits, MultiLineLinesAndReturn) {
    HWND e = Make(u"Edit", u"", WS_BORDER | ES_MULTILINE | ES_WANTRETURN | WS_VSCROLL, 10, 10, 200, 60, 5);
    SetFocus(e);
    Type("one");
    Key(VK_RETURN);
    Type("two");
    EXPECT_EQ(Text(e), u"one\r\ntwo");
    EXPECT_EQ(SendMessageW(e, EM_GETLINECOUNT, 0, 0), 2);
    EXPECT_EQ(SendMessageW(e, EM_LINEINDEX, 1, 0), 5);
    EXPECT_EQ(SendMessageW(e, EM_LINELENGTH, 5, 0), 3);
    EXPECT_EQ(SendMessageW(e, EM_LINEFROMCHAR, 6, 0), 1);
    Key(VK_UP);
    Type("!");
    EXPECT_EQ(Text(e), u"one!\r\ntwo");
    // Backspace at a line start joins the lines (CR LF as one).
    SendMessageW(e, EM_SETSEL, 6, 6);
    Key(VK_BACK);
    EXPECT_EQ(Text(e), u"one!two");
    // A single-line edit keeps only the first line of a text.
    HWND s = Make(u"Edit", u"", WS_BORDER, 10, 80, 200, 22, 6);
    SetWindowTextW(s, u"first\r\nsecond");
    EXPECT_EQ(Text(s), u"first");
    // Without horizontal scrolling long lines wrap at spaces; the text keeps its breaks.
    HWND w = Make(u"Edit", u"", WS_BORDER | ES_MULTILINE, 10, 110, 120, 80, 8);
    SetWindowTextW(w, u"the quick brown fox jumps over the lazy dog\r\nend");
    LRESULT lines = SendMessageW(w, EM_GETLINECOUNT, 0, 0);
    EXPECT_GE(lines, 3);
    for (LRESULT i = 0; i + 1 < lines; ++i) {
        int start = static_cast<int>(SendMessageW(w, EM_LINEINDEX, static_cast<WPARAM>(i), 0));
        int next = static_cast<int>(SendMessageW(w, EM_LINEINDEX, static_cast<WPARAM>(i + 1), 0));
        EXPECT_GT(next, start);
        if (i + 2 < lines) EXPECT_EQ(Text(w)[static_cast<size_t>(next - 1)], u' ') << i;  // broken after a space
    }
    EXPECT_EQ(SendMessageW(w, EM_LINEINDEX, static_cast<WPARAM>(lines - 1), 0), 45);  // "end" starts its own line
    HWND nowrap = Make(u"Edit", u"", WS_BORDER | ES_MULTILINE | ES_AUTOHSCROLL, 140, 110, 120, 80, 9);
    SetWindowTextW(nowrap, u"the quick brown fox jumps over the lazy dog");
    EXPECT_EQ(SendMessageW(nowrap, EM_GETLINECOUNT, 0, 0), 1);
    // Ansi windows read strings as UTF-8.
    char buf[32] = {};
    GetWindowTextA(e, buf, 32);
    EXPECT_STREQ(buf, "one!two");
}

}  // namespace
