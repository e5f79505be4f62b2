// Standard and common controls, menus, dialog boxes and message boxes, under
// their Win32 names, shapes and values. CommctlStartup (or InitCommonControls)
// registers the classes "Button", "Static", "Edit", "ListBox", "ComboBox",
// "ComboLBox", "ScrollBar", "SysListView32", "SysHeader32", "msctls_progress32",
// "msctls_trackbar32", "msctls_statusbar32", "msctls_updown32",
// "SysTabControl32", "SysDateTimePick32", "#32768" (popup menus) and "#32770"
// (dialogs), and installs the menu bar painter of the window layer.
//
// Strings of the messages that share one number for both character sets
// (LB_ADDSTRING, CB_ADDSTRING, EM_REPLACESEL, LB_GETTEXT, ...) follow the call:
// UTF-8 for SendMessageA, UTF-16 for SendMessageW. The control procedures are
// Unicode; the window layer converts by the window's kind (WinSetWindowKind).
// The common controls have separate A and W messages, as usual.
#pragma once

#include <cstdint>

#include "platform/gdi/gdi.h"
#include "platform/rtl/windef.h"
#include "platform/win/winuser.h"

// ---- Start-up --------------------------------------------------------------
constexpr LRESULT MAKELRESULT(WORD lo, WORD hi) { return static_cast<LRESULT>(MAKELONG(lo, hi)); }

void CommctlStartup();   // idempotent; registers every class of this folder
void CommctlShutdown();  // unregisters them (windows of these classes must be gone)

struct INITCOMMONCONTROLSEX {
    DWORD dwSize;
    DWORD dwICC;
};
constexpr DWORD ICC_LISTVIEW_CLASSES = 0x1;
constexpr DWORD ICC_TREEVIEW_CLASSES = 0x2;
constexpr DWORD ICC_BAR_CLASSES = 0x4;
constexpr DWORD ICC_TAB_CLASSES = 0x8;
constexpr DWORD ICC_UPDOWN_CLASS = 0x10;
constexpr DWORD ICC_PROGRESS_CLASS = 0x20;
constexpr DWORD ICC_HOTKEY_CLASS = 0x40;
constexpr DWORD ICC_ANIMATE_CLASS = 0x80;
constexpr DWORD ICC_WIN95_CLASSES = 0xFF;
constexpr DWORD ICC_DATE_CLASSES = 0x100;
constexpr DWORD ICC_USEREX_CLASSES = 0x200;
constexpr DWORD ICC_COOL_CLASSES = 0x400;
constexpr DWORD ICC_STANDARD_CLASSES = 0x4000;
void InitCommonControls();
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* picce);

// Flat scroll bars: a window's bars drawn flat. Here they keep the ordinary look, so
// the calls only record which windows asked for them.
BOOL InitializeFlatSB(HWND hwnd);
LONG UninitializeFlatSB(HWND hwnd);  // 0 (S_OK), or 1 (S_FALSE) when it was not initialised
// Whether InitializeFlatSB was called for hwnd and not undone (tests).
bool FlatSBInitialized(HWND hwnd);

// ---- Owner draw and notification records ------------------------------------
constexpr UINT ODT_MENU = 1, ODT_LISTBOX = 2, ODT_COMBOBOX = 3, ODT_BUTTON = 4, ODT_STATIC = 5;
constexpr UINT ODA_DRAWENTIRE = 1, ODA_SELECT = 2, ODA_FOCUS = 4;
constexpr UINT ODS_SELECTED = 0x1, ODS_GRAYED = 0x2, ODS_DISABLED = 0x4, ODS_CHECKED = 0x8, ODS_FOCUS = 0x10,
               ODS_DEFAULT = 0x20, ODS_HOTLIGHT = 0x40, ODS_INACTIVE = 0x80, ODS_NOACCEL = 0x100,
               ODS_NOFOCUSRECT = 0x200, ODS_COMBOBOXEDIT = 0x1000;

struct DRAWITEMSTRUCT {
    UINT CtlType;
    UINT CtlID;
    UINT itemID;
    UINT itemAction;
    UINT itemState;
    HWND hwndItem;
    HDC hDC;
    RECT rcItem;
    ULONG_PTR itemData;
};
using LPDRAWITEMSTRUCT = DRAWITEMSTRUCT*;
struct MEASUREITEMSTRUCT {
    UINT CtlType;
    UINT CtlID;
    UINT itemID;
    UINT itemWidth;
    UINT itemHeight;
    ULONG_PTR itemData;
};
using LPMEASUREITEMSTRUCT = MEASUREITEMSTRUCT*;
struct DELETEITEMSTRUCT {
    UINT CtlType;
    UINT CtlID;
    UINT itemID;
    HWND hwndItem;
    ULONG_PTR itemData;
};
struct COMPAREITEMSTRUCT {
    UINT CtlType;
    UINT CtlID;
    HWND hwndItem;
    UINT itemID1;
    ULONG_PTR itemData1;
    UINT itemID2;
    ULONG_PTR itemData2;
    DWORD dwLocaleId;
};

struct NMHDR {
    HWND hwndFrom;
    UINT_PTR idFrom;
    UINT code;
};
using LPNMHDR = NMHDR*;
constexpr UINT NM_FIRST = 0u;
constexpr UINT NM_OUTOFMEMORY = NM_FIRST - 1;
constexpr UINT NM_CLICK = NM_FIRST - 2;
constexpr UINT NM_DBLCLK = NM_FIRST - 3;
constexpr UINT NM_RETURN = NM_FIRST - 4;
constexpr UINT NM_RCLICK = NM_FIRST - 5;
constexpr UINT NM_RDBLCLK = NM_FIRST - 6;
constexpr UINT NM_SETFOCUS = NM_FIRST - 7;
constexpr UINT NM_KILLFOCUS = NM_FIRST - 8;
constexpr UINT NM_CUSTOMDRAW = NM_FIRST - 12;
constexpr UINT NM_HOVER = NM_FIRST - 13;

// Custom draw (NM_CUSTOMDRAW): sent by track bars for their parts.
struct NMCUSTOMDRAW {
    NMHDR hdr;
    DWORD dwDrawStage;
    HDC hdc;
    RECT rc;
    DWORD_PTR dwItemSpec;
    UINT uItemState;
    LPARAM lItemlParam;
};
using LPNMCUSTOMDRAW = NMCUSTOMDRAW*;
constexpr DWORD CDDS_PREPAINT = 0x1, CDDS_POSTPAINT = 0x2, CDDS_PREERASE = 0x3, CDDS_POSTERASE = 0x4,
                CDDS_ITEM = 0x10000, CDDS_ITEMPREPAINT = 0x10001, CDDS_ITEMPOSTPAINT = 0x10002,
                CDDS_SUBITEM = 0x20000;
constexpr LRESULT CDRF_DODEFAULT = 0x0, CDRF_NEWFONT = 0x2, CDRF_SKIPDEFAULT = 0x4, CDRF_NOTIFYPOSTPAINT = 0x10,
                  CDRF_NOTIFYITEMDRAW = 0x20, CDRF_NOTIFYSUBITEMDRAW = 0x20, CDRF_NOTIFYPOSTERASE = 0x40;
constexpr UINT CDIS_SELECTED = 0x1, CDIS_GRAYED = 0x2, CDIS_DISABLED = 0x4, CDIS_CHECKED = 0x8, CDIS_FOCUS = 0x10,
               CDIS_DEFAULT = 0x20, CDIS_HOT = 0x40, CDIS_MARKED = 0x80, CDIS_INDETERMINATE = 0x100;
constexpr DWORD_PTR TBCD_TICS = 0x1, TBCD_THUMB = 0x2, TBCD_CHANNEL = 0x3;

constexpr UINT CCM_FIRST = 0x2000;
constexpr UINT CCM_SETBKCOLOR = CCM_FIRST + 1;
constexpr COLORREF CLR_NONE = 0xFFFFFFFFu;
constexpr COLORREF CLR_DEFAULT = 0xFF000000u;

#ifndef TESSARO_SYSTEMTIME_DEFINED
#define TESSARO_SYSTEMTIME_DEFINED
struct SYSTEMTIME {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
};
#endif

// ---- Button -----------------------------------------------------------------
constexpr DWORD BS_PUSHBUTTON = 0x0, BS_DEFPUSHBUTTON = 0x1, BS_CHECKBOX = 0x2, BS_AUTOCHECKBOX = 0x3,
                BS_RADIOBUTTON = 0x4, BS_3STATE = 0x5, BS_AUTO3STATE = 0x6, BS_GROUPBOX = 0x7, BS_USERBUTTON = 0x8,
                BS_AUTORADIOBUTTON = 0x9, BS_PUSHBOX = 0xA, BS_OWNERDRAW = 0xB, BS_TYPEMASK = 0xF,
                BS_LEFTTEXT = 0x20, BS_TEXT = 0x0, BS_ICON = 0x40, BS_BITMAP = 0x80, BS_LEFT = 0x100,
                BS_RIGHT = 0x200, BS_CENTER = 0x300, BS_TOP = 0x400, BS_BOTTOM = 0x800, BS_VCENTER = 0xC00,
                BS_PUSHLIKE = 0x1000, BS_MULTILINE = 0x2000, BS_NOTIFY = 0x4000, BS_FLAT = 0x8000,
                BS_RIGHTBUTTON = BS_LEFTTEXT;
constexpr UINT BM_GETCHECK = 0xF0, BM_SETCHECK = 0xF1, BM_GETSTATE = 0xF2, BM_SETSTATE = 0xF3, BM_SETSTYLE = 0xF4,
               BM_CLICK = 0xF5, BM_GETIMAGE = 0xF6, BM_SETIMAGE = 0xF7;
constexpr UINT BST_UNCHECKED = 0, BST_CHECKED = 1, BST_INDETERMINATE = 2, BST_PUSHED = 4, BST_FOCUS = 8;
constexpr WORD BN_CLICKED = 0, BN_PAINT = 1, BN_HILITE = 2, BN_UNHILITE = 3, BN_DISABLE = 4, BN_DOUBLECLICKED = 5,
               BN_PUSHED = 2, BN_UNPUSHED = 3, BN_DBLCLK = 5, BN_SETFOCUS = 6, BN_KILLFOCUS = 7;
// IMAGE_BITMAP, IMAGE_ICON and IMAGE_CURSOR come with winuser.h.

// ---- Static -----------------------------------------------------------------
constexpr DWORD SS_LEFT = 0x0, SS_CENTER = 0x1, SS_RIGHT = 0x2, SS_ICON = 0x3, SS_BLACKRECT = 0x4,
                SS_GRAYRECT = 0x5, SS_WHITERECT = 0x6, SS_BLACKFRAME = 0x7, SS_GRAYFRAME = 0x8,
                SS_WHITEFRAME = 0x9, SS_USERITEM = 0xA, SS_SIMPLE = 0xB, SS_LEFTNOWORDWRAP = 0xC,
                SS_OWNERDRAW = 0xD, SS_BITMAP = 0xE, SS_ENHMETAFILE = 0xF, SS_ETCHEDHORZ = 0x10,
                SS_ETCHEDVERT = 0x11, SS_ETCHEDFRAME = 0x12, SS_TYPEMASK = 0x1F, SS_REALSIZECONTROL = 0x40,
                SS_NOPREFIX = 0x80, SS_NOTIFY = 0x100, SS_CENTERIMAGE = 0x200, SS_RIGHTJUST = 0x400,
                SS_REALSIZEIMAGE = 0x800, SS_SUNKEN = 0x1000, SS_EDITCONTROL = 0x2000, SS_ENDELLIPSIS = 0x4000,
                SS_PATHELLIPSIS = 0x8000, SS_WORDELLIPSIS = 0xC000, SS_ELLIPSISMASK = 0xC000;
constexpr UINT STM_SETICON = 0x170, STM_GETICON = 0x171, STM_SETIMAGE = 0x172, STM_GETIMAGE = 0x173;
constexpr WORD STN_CLICKED = 0, STN_DBLCLK = 1, STN_ENABLE = 2, STN_DISABLE = 3;

// ---- Edit -------------------------------------------------------------------
constexpr DWORD ES_LEFT = 0x0, ES_CENTER = 0x1, ES_RIGHT = 0x2, ES_MULTILINE = 0x4, ES_UPPERCASE = 0x8,
                ES_LOWERCASE = 0x10, ES_PASSWORD = 0x20, ES_AUTOVSCROLL = 0x40, ES_AUTOHSCROLL = 0x80,
                ES_NOHIDESEL = 0x100, ES_OEMCONVERT = 0x400, ES_READONLY = 0x800, ES_WANTRETURN = 0x1000,
                ES_NUMBER = 0x2000;
constexpr UINT EM_GETSEL = 0xB0, EM_SETSEL = 0xB1, EM_GETRECT = 0xB2, EM_SETRECT = 0xB3, EM_SETRECTNP = 0xB4,
               EM_SCROLL = 0xB5, EM_LINESCROLL = 0xB6, EM_SCROLLCARET = 0xB7, EM_GETMODIFY = 0xB8,
               EM_SETMODIFY = 0xB9, EM_GETLINECOUNT = 0xBA, EM_LINEINDEX = 0xBB, EM_SETHANDLE = 0xBC,
               EM_GETHANDLE = 0xBD, EM_GETTHUMB = 0xBE, EM_LINELENGTH = 0xC1, EM_REPLACESEL = 0xC2,
               EM_GETLINE = 0xC4, EM_LIMITTEXT = 0xC5, EM_SETLIMITTEXT = 0xC5, EM_CANUNDO = 0xC6, EM_UNDO = 0xC7,
               EM_FMTLINES = 0xC8, EM_LINEFROMCHAR = 0xC9, EM_SETTABSTOPS = 0xCB, EM_SETPASSWORDCHAR = 0xCC,
               EM_EMPTYUNDOBUFFER = 0xCD, EM_GETFIRSTVISIBLELINE = 0xCE, EM_SETREADONLY = 0xCF,
               EM_SETWORDBREAKPROC = 0xD0, EM_GETWORDBREAKPROC = 0xD1, EM_GETPASSWORDCHAR = 0xD2,
               EM_SETMARGINS = 0xD3, EM_GETMARGINS = 0xD4, EM_GETLIMITTEXT = 0xD5, EM_POSFROMCHAR = 0xD6,
               EM_CHARFROMPOS = 0xD7;
constexpr WPARAM EC_LEFTMARGIN = 1, EC_RIGHTMARGIN = 2, EC_USEFONTINFO = 0xFFFF;
constexpr WORD EN_SETFOCUS = 0x100, EN_KILLFOCUS = 0x200, EN_CHANGE = 0x300, EN_UPDATE = 0x400,
               EN_ERRSPACE = 0x500, EN_MAXTEXT = 0x501, EN_HSCROLL = 0x601, EN_VSCROLL = 0x602;

// ---- ListBox ----------------------------------------------------------------
constexpr DWORD LBS_NOTIFY = 0x1, LBS_SORT = 0x2, LBS_NOREDRAW = 0x4, LBS_MULTIPLESEL = 0x8,
                LBS_OWNERDRAWFIXED = 0x10, LBS_OWNERDRAWVARIABLE = 0x20, LBS_HASSTRINGS = 0x40,
                LBS_USETABSTOPS = 0x80, LBS_NOINTEGRALHEIGHT = 0x100, LBS_MULTICOLUMN = 0x200,
                LBS_WANTKEYBOARDINPUT = 0x400, LBS_EXTENDEDSEL = 0x800, LBS_DISABLENOSCROLL = 0x1000,
                LBS_NODATA = 0x2000, LBS_NOSEL = 0x4000, LBS_COMBOBOX = 0x8000,
                LBS_STANDARD = LBS_NOTIFY | LBS_SORT | WS_VSCROLL | WS_BORDER;
constexpr UINT LB_ADDSTRING = 0x180, LB_INSERTSTRING = 0x181, LB_DELETESTRING = 0x182, LB_SELITEMRANGEEX = 0x183,
               LB_RESETCONTENT = 0x184, LB_SETSEL = 0x185, LB_SETCURSEL = 0x186, LB_GETSEL = 0x187,
               LB_GETCURSEL = 0x188, LB_GETTEXT = 0x189, LB_GETTEXTLEN = 0x18A, LB_GETCOUNT = 0x18B,
               LB_SELECTSTRING = 0x18C, LB_DIR = 0x18D, LB_GETTOPINDEX = 0x18E, LB_FINDSTRING = 0x18F,
               LB_GETSELCOUNT = 0x190, LB_GETSELITEMS = 0x191, LB_SETTABSTOPS = 0x192,
               LB_GETHORIZONTALEXTENT = 0x193, LB_SETHORIZONTALEXTENT = 0x194, LB_SETCOLUMNWIDTH = 0x195,
               LB_ADDFILE = 0x196, LB_SETTOPINDEX = 0x197, LB_GETITEMRECT = 0x198, LB_GETITEMDATA = 0x199,
               LB_SETITEMDATA = 0x19A, LB_SELITEMRANGE = 0x19B, LB_SETANCHORINDEX = 0x19C,
               LB_GETANCHORINDEX = 0x19D, LB_SETCARETINDEX = 0x19E, LB_GETCARETINDEX = 0x19F,
               LB_SETITEMHEIGHT = 0x1A0, LB_GETITEMHEIGHT = 0x1A1, LB_FINDSTRINGEXACT = 0x1A2,
               LB_SETLOCALE = 0x1A5, LB_GETLOCALE = 0x1A6, LB_SETCOUNT = 0x1A7, LB_INITSTORAGE = 0x1A8,
               LB_ITEMFROMPOINT = 0x1A9;
constexpr LRESULT LB_OKAY = 0, LB_ERR = -1, LB_ERRSPACE = -2;
constexpr WORD LBN_ERRSPACE = 0xFFFE, LBN_SELCHANGE = 1, LBN_DBLCLK = 2, LBN_SELCANCEL = 3, LBN_SETFOCUS = 4,
               LBN_KILLFOCUS = 5;

// ---- ComboBox ---------------------------------------------------------------
constexpr DWORD CBS_SIMPLE = 0x1, CBS_DROPDOWN = 0x2, CBS_DROPDOWNLIST = 0x3, CBS_OWNERDRAWFIXED = 0x10,
                CBS_OWNERDRAWVARIABLE = 0x20, CBS_AUTOHSCROLL = 0x40, CBS_OEMCONVERT = 0x80, CBS_SORT = 0x100,
                CBS_HASSTRINGS = 0x200, CBS_NOINTEGRALHEIGHT = 0x400, CBS_DISABLENOSCROLL = 0x800,
                CBS_UPPERCASE = 0x2000, CBS_LOWERCASE = 0x4000;
constexpr UINT CB_GETEDITSEL = 0x140, CB_LIMITTEXT = 0x141, CB_SETEDITSEL = 0x142, CB_ADDSTRING = 0x143,
               CB_DELETESTRING = 0x144, CB_DIR = 0x145, CB_GETCOUNT = 0x146, CB_GETCURSEL = 0x147,
               CB_GETLBTEXT = 0x148, CB_GETLBTEXTLEN = 0x149, CB_INSERTSTRING = 0x14A, CB_RESETCONTENT = 0x14B,
               CB_FINDSTRING = 0x14C, CB_SELECTSTRING = 0x14D, CB_SETCURSEL = 0x14E, CB_SHOWDROPDOWN = 0x14F,
               CB_GETITEMDATA = 0x150, CB_SETITEMDATA = 0x151, CB_GETDROPPEDCONTROLRECT = 0x152,
               CB_SETITEMHEIGHT = 0x153, CB_GETITEMHEIGHT = 0x154, CB_SETEXTENDEDUI = 0x155,
               CB_GETEXTENDEDUI = 0x156, CB_GETDROPPEDSTATE = 0x157, CB_FINDSTRINGEXACT = 0x158,
               CB_SETLOCALE = 0x159, CB_GETLOCALE = 0x15A, CB_GETTOPINDEX = 0x15B, CB_SETTOPINDEX = 0x15C,
               CB_GETHORIZONTALEXTENT = 0x15D, CB_SETHORIZONTALEXTENT = 0x15E, CB_GETDROPPEDWIDTH = 0x15F,
               CB_SETDROPPEDWIDTH = 0x160, CB_INITSTORAGE = 0x161;
constexpr LRESULT CB_OKAY = 0, CB_ERR = -1, CB_ERRSPACE = -2;
struct COMBOBOXINFO {
    DWORD cbSize;
    RECT rcItem;
    RECT rcButton;
    DWORD stateButton;
    HWND hwndCombo;
    HWND hwndItem;  // the edit of a drop-down, else the combo box itself
    HWND hwndList;  // the "ComboLBox" list window
};
BOOL GetComboBoxInfo(HWND hwndCombo, COMBOBOXINFO* pcbi);
constexpr WORD CBN_ERRSPACE = 0xFFFF, CBN_SELCHANGE = 1, CBN_DBLCLK = 2, CBN_SETFOCUS = 3, CBN_KILLFOCUS = 4,
               CBN_EDITCHANGE = 5, CBN_EDITUPDATE = 6, CBN_DROPDOWN = 7, CBN_CLOSEUP = 8, CBN_SELENDOK = 9,
               CBN_SELENDCANCEL = 10;

// ---- ScrollBar --------------------------------------------------------------
constexpr DWORD SBS_HORZ = 0x0, SBS_VERT = 0x1, SBS_TOPALIGN = 0x2, SBS_LEFTALIGN = 0x2, SBS_BOTTOMALIGN = 0x4,
                SBS_RIGHTALIGN = 0x4, SBS_SIZEBOXTOPLEFTALIGN = 0x2, SBS_SIZEBOXBOTTOMRIGHTALIGN = 0x4,
                SBS_SIZEBOX = 0x8, SBS_SIZEGRIP = 0x10;
constexpr UINT SBM_SETPOS = 0xE0, SBM_GETPOS = 0xE1, SBM_SETRANGE = 0xE2, SBM_GETRANGE = 0xE3,
               SBM_ENABLE_ARROWS = 0xE4, SBM_SETRANGEREDRAW = 0xE6, SBM_SETSCROLLINFO = 0xE9,
               SBM_GETSCROLLINFO = 0xEA, SBM_GETSCROLLBARINFO = 0xEB;

// ---- Dialogs ----------------------------------------------------------------
constexpr int IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7, IDCLOSE = 8,
              IDHELP = 9, IDTRYAGAIN = 10, IDCONTINUE = 11;
constexpr UINT DM_GETDEFID = WM_USER + 0, DM_SETDEFID = WM_USER + 1, DM_REPOSITION = WM_USER + 2;
constexpr WORD DC_HASDEFID = 0x534B;
constexpr LRESULT DLGC_WANTARROWS = 0x1, DLGC_WANTTAB = 0x2, DLGC_WANTALLKEYS = 0x4, DLGC_WANTMESSAGE = 0x4,
                  DLGC_HASSETSEL = 0x8, DLGC_DEFPUSHBUTTON = 0x10, DLGC_UNDEFPUSHBUTTON = 0x20,
                  DLGC_RADIOBUTTON = 0x40, DLGC_WANTCHARS = 0x80, DLGC_STATIC = 0x100, DLGC_BUTTON = 0x2000;
constexpr DWORD DS_ABSALIGN = 0x1, DS_SYSMODAL = 0x2, DS_3DLOOK = 0x4, DS_FIXEDSYS = 0x8, DS_NOFAILCREATE = 0x10,
                DS_LOCALEDIT = 0x20, DS_SETFONT = 0x40, DS_NOIDLEMSG = 0x100, DS_CONTROL = 0x400,
                DS_CENTER = 0x800, DS_CENTERMOUSE = 0x1000, DS_CONTEXTHELP = 0x2000,
                DS_SHELLFONT = DS_SETFONT | DS_FIXEDSYS;
// Window longs of a dialog (as on 64-bit systems).
constexpr int DWLP_MSGRESULT = 0, DWLP_DLGPROC = 8, DWLP_USER = 16;
constexpr int DWL_MSGRESULT = 0, DWL_DLGPROC = 8, DWL_USER = 16;

using DLGPROC = INT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

#pragma pack(push, 2)
struct DLGTEMPLATE {
    DWORD style;
    DWORD dwExtendedStyle;
    WORD cdit;
    short x;
    short y;
    short cx;
    short cy;
};
struct DLGITEMTEMPLATE {
    DWORD style;
    DWORD dwExtendedStyle;
    short x;
    short y;
    short cx;
    short cy;
    WORD id;
};
#pragma pack(pop)
using LPCDLGTEMPLATEA = const DLGTEMPLATE*;
using LPCDLGTEMPLATEW = const DLGTEMPLATE*;

// Templates in memory: the header, then menu, class and title as UTF-16
// (0x0000 none, 0xFFFF + ordinal, or a string), with DS_SETFONT a point size
// and face name; each item DWORD-aligned: DLGITEMTEMPLATE, class (0xFFFF +
// 0x80 button, 0x81 edit, 0x82 static, 0x83 list box, 0x84 scroll bar, 0x85
// combo box, or a name), title, and a WORD count of creation data. Dialog
// units: 4 horizontal and 8 vertical per character cell of the dialog font.
INT_PTR DialogBoxIndirectParamA(HINSTANCE hInstance, const DLGTEMPLATE* hDialogTemplate, HWND hWndParent,
                                DLGPROC lpDialogFunc, LPARAM dwInitParam);
INT_PTR DialogBoxIndirectParamW(HINSTANCE hInstance, const DLGTEMPLATE* hDialogTemplate, HWND hWndParent,
                                DLGPROC lpDialogFunc, LPARAM dwInitParam);
HWND CreateDialogIndirectParamA(HINSTANCE hInstance, const DLGTEMPLATE* lpTemplate, HWND hWndParent,
                                DLGPROC lpDialogFunc, LPARAM dwInitParam);
HWND CreateDialogIndirectParamW(HINSTANCE hInstance, const DLGTEMPLATE* lpTemplate, HWND hWndParent,
                                DLGPROC lpDialogFunc, LPARAM dwInitParam);
BOOL EndDialog(HWND hDlg, INT_PTR nResult);
BOOL IsDialogMessageA(HWND hDlg, LPMSG lpMsg);
BOOL IsDialogMessageW(HWND hDlg, LPMSG lpMsg);
inline BOOL IsDialogMessage(HWND hDlg, LPMSG lpMsg) { return IsDialogMessageW(hDlg, lpMsg); }
LRESULT DefDlgProcA(HWND hDlg, UINT Msg, WPARAM wParam, LPARAM lParam);
LRESULT DefDlgProcW(HWND hDlg, UINT Msg, WPARAM wParam, LPARAM lParam);
HWND GetNextDlgTabItem(HWND hDlg, HWND hCtl, BOOL bPrevious);
HWND GetNextDlgGroupItem(HWND hDlg, HWND hCtl, BOOL bPrevious);
BOOL SetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPCSTR lpString);
BOOL SetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPCWSTR lpString);
UINT GetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPSTR lpString, int cchMax);
UINT GetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPWSTR lpString, int cchMax);
BOOL SetDlgItemInt(HWND hDlg, int nIDDlgItem, UINT uValue, BOOL bSigned);
UINT GetDlgItemInt(HWND hDlg, int nIDDlgItem, BOOL* lpTranslated, BOOL bSigned);
LRESULT SendDlgItemMessageA(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam, LPARAM lParam);
LRESULT SendDlgItemMessageW(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam, LPARAM lParam);
BOOL CheckDlgButton(HWND hDlg, int nIDButton, UINT uCheck);
UINT IsDlgButtonChecked(HWND hDlg, int nIDButton);
BOOL CheckRadioButton(HWND hDlg, int nIDFirstButton, int nIDLastButton, int nIDCheckButton);
BOOL MapDialogRect(HWND hDlg, LPRECT lpRect);
LONG GetDialogBaseUnits();

// ---- Message boxes ----------------------------------------------------------
// MB_OK and the MB_ICON* beep types come with winuser.h.
constexpr UINT MB_OKCANCEL = 0x1, MB_ABORTRETRYIGNORE = 0x2, MB_YESNOCANCEL = 0x3, MB_YESNO = 0x4,
               MB_RETRYCANCEL = 0x5, MB_CANCELTRYCONTINUE = 0x6, MB_ICONWARNING = 0x30, MB_ICONERROR = 0x10,
               MB_ICONINFORMATION = 0x40, MB_ICONSTOP = 0x10, MB_USERICON = 0x80, MB_DEFBUTTON1 = 0x0,
               MB_DEFBUTTON2 = 0x100, MB_DEFBUTTON3 = 0x200, MB_DEFBUTTON4 = 0x300, MB_APPLMODAL = 0x0,
               MB_SYSTEMMODAL = 0x1000, MB_TASKMODAL = 0x2000, MB_HELP = 0x4000, MB_NOFOCUS = 0x8000,
               MB_SETFOREGROUND = 0x10000, MB_DEFAULT_DESKTOP_ONLY = 0x20000, MB_TOPMOST = 0x40000,
               MB_RIGHT = 0x80000, MB_RTLREADING = 0x100000, MB_TYPEMASK = 0xF, MB_ICONMASK = 0xF0,
               MB_DEFMASK = 0xF00, MB_MODEMASK = 0x3000, MB_MISCMASK = 0xC000;
int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType);
int MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType);
inline int MessageBox(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    return MessageBoxA(hWnd, lpText, lpCaption, uType);
}
inline int MessageBox(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType) {
    return MessageBoxW(hWnd, lpText, lpCaption, uType);
}

// ---- Menus ------------------------------------------------------------------
constexpr UINT MF_INSERT = 0x0, MF_CHANGE = 0x80, MF_APPEND = 0x100, MF_DELETE = 0x200, MF_REMOVE = 0x1000,
               MF_BYCOMMAND = 0x0, MF_BYPOSITION = 0x400, MF_SEPARATOR = 0x800, MF_ENABLED = 0x0,
               MF_GRAYED = 0x1, MF_DISABLED = 0x2, MF_UNCHECKED = 0x0, MF_CHECKED = 0x8,
               MF_USECHECKBITMAPS = 0x200, MF_STRING = 0x0, MF_BITMAP = 0x4, MF_OWNERDRAW = 0x100,
               MF_POPUP = 0x10, MF_MENUBARBREAK = 0x20, MF_MENUBREAK = 0x40, MF_UNHILITE = 0x0, MF_HILITE = 0x80,
               MF_DEFAULT = 0x1000, MF_SYSMENU = 0x2000, MF_HELP = 0x4000, MF_RIGHTJUSTIFY = 0x4000,
               MF_MOUSESELECT = 0x8000;
constexpr UINT MFT_STRING = 0x0, MFT_BITMAP = 0x4, MFT_MENUBARBREAK = 0x20, MFT_MENUBREAK = 0x40,
               MFT_OWNERDRAW = 0x100, MFT_RADIOCHECK = 0x200, MFT_SEPARATOR = 0x800, MFT_RIGHTORDER = 0x2000,
               MFT_RIGHTJUSTIFY = 0x4000;
constexpr UINT MFS_GRAYED = 0x3, MFS_DISABLED = 0x3, MFS_CHECKED = 0x8, MFS_HILITE = 0x80, MFS_ENABLED = 0x0,
               MFS_UNCHECKED = 0x0, MFS_UNHILITE = 0x0, MFS_DEFAULT = 0x1000;
constexpr UINT MIIM_STATE = 0x1, MIIM_ID = 0x2, MIIM_SUBMENU = 0x4, MIIM_CHECKMARKS = 0x8, MIIM_TYPE = 0x10,
               MIIM_DATA = 0x20, MIIM_STRING = 0x40, MIIM_BITMAP = 0x80, MIIM_FTYPE = 0x100;
constexpr UINT TPM_LEFTBUTTON = 0x0, TPM_RIGHTBUTTON = 0x2, TPM_LEFTALIGN = 0x0, TPM_CENTERALIGN = 0x4,
               TPM_RIGHTALIGN = 0x8, TPM_TOPALIGN = 0x0, TPM_VCENTERALIGN = 0x10, TPM_BOTTOMALIGN = 0x20,
               TPM_HORIZONTAL = 0x0, TPM_VERTICAL = 0x40, TPM_NONOTIFY = 0x80, TPM_RETURNCMD = 0x100,
               TPM_RECURSE = 0x1, TPM_NOANIMATION = 0x4000;
constexpr LRESULT MNC_IGNORE = 0, MNC_CLOSE = 1, MNC_EXECUTE = 2, MNC_SELECT = 3;

struct MENUITEMINFOA {
    UINT cbSize;
    UINT fMask;
    UINT fType;
    UINT fState;
    UINT wID;
    HMENU hSubMenu;
    HBITMAP hbmpChecked;
    HBITMAP hbmpUnchecked;
    ULONG_PTR dwItemData;
    LPSTR dwTypeData;
    UINT cch;
    HBITMAP hbmpItem;
};
struct MENUITEMINFOW {
    UINT cbSize;
    UINT fMask;
    UINT fType;
    UINT fState;
    UINT wID;
    HMENU hSubMenu;
    HBITMAP hbmpChecked;
    HBITMAP hbmpUnchecked;
    ULONG_PTR dwItemData;
    LPWSTR dwTypeData;
    UINT cch;
    HBITMAP hbmpItem;
};
using LPMENUITEMINFOA = MENUITEMINFOA*;
using LPMENUITEMINFOW = MENUITEMINFOW*;
struct TPMPARAMS {
    UINT cbSize;
    RECT rcExclude;
};

HMENU CreateMenu();
HMENU CreatePopupMenu();
BOOL DestroyMenu(HMENU hMenu);
BOOL IsMenu(HMENU hMenu);
// A string item's text is UTF-8 (A) or UTF-16 (W); MF_OWNERDRAW keeps the pointer as item data.
BOOL AppendMenuA(HMENU hMenu, UINT uFlags, UINT_PTR uIDNewItem, LPCSTR lpNewItem);
BOOL AppendMenuW(HMENU hMenu, UINT uFlags, UINT_PTR uIDNewItem, LPCWSTR lpNewItem);
BOOL InsertMenuA(HMENU hMenu, UINT uPosition, UINT uFlags, UINT_PTR uIDNewItem, LPCSTR lpNewItem);
BOOL InsertMenuW(HMENU hMenu, UINT uPosition, UINT uFlags, UINT_PTR uIDNewItem, LPCWSTR lpNewItem);
BOOL ModifyMenuA(HMENU hMnu, UINT uPosition, UINT uFlags, UINT_PTR uIDNewItem, LPCSTR lpNewItem);
BOOL ModifyMenuW(HMENU hMnu, UINT uPosition, UINT uFlags, UINT_PTR uIDNewItem, LPCWSTR lpNewItem);
BOOL InsertMenuItemA(HMENU hmenu, UINT item, BOOL fByPosition, const MENUITEMINFOA* lpmi);
BOOL InsertMenuItemW(HMENU hmenu, UINT item, BOOL fByPosition, const MENUITEMINFOW* lpmi);
BOOL GetMenuItemInfoA(HMENU hmenu, UINT item, BOOL fByPosition, MENUITEMINFOA* lpmii);
BOOL GetMenuItemInfoW(HMENU hmenu, UINT item, BOOL fByPosition, MENUITEMINFOW* lpmii);
BOOL SetMenuItemInfoA(HMENU hmenu, UINT item, BOOL fByPositon, const MENUITEMINFOA* lpmii);
BOOL SetMenuItemInfoW(HMENU hmenu, UINT item, BOOL fByPositon, const MENUITEMINFOW* lpmii);
BOOL DeleteMenu(HMENU hMenu, UINT uPosition, UINT uFlags);  // destroys a submenu
BOOL RemoveMenu(HMENU hMenu, UINT uPosition, UINT uFlags);  // keeps a submenu
int GetMenuItemCount(HMENU hMenu);
UINT GetMenuItemID(HMENU hMenu, int nPos);
HMENU GetSubMenu(HMENU hMenu, int nPos);
int GetMenuStringA(HMENU hMenu, UINT uIDItem, LPSTR lpString, int cchMax, UINT flags);
int GetMenuStringW(HMENU hMenu, UINT uIDItem, LPWSTR lpString, int cchMax, UINT flags);
BOOL EnableMenuItem(HMENU hMenu, UINT uIDEnableItem, UINT uEnable);  // the previous state, or -1
DWORD CheckMenuItem(HMENU hMenu, UINT uIDCheckItem, UINT uCheck);     // the previous state, or -1
BOOL CheckMenuRadioItem(HMENU hmenu, UINT first, UINT last, UINT check, UINT flags);
UINT GetMenuState(HMENU hMenu, UINT uId, UINT uFlags);
BOOL SetMenuDefaultItem(HMENU hMenu, UINT uItem, UINT fByPos);
BOOL HiliteMenuItem(HWND hWnd, HMENU hMenu, UINT uIDHiliteItem, UINT uHilite);
BOOL GetMenuItemRect(HWND hWnd, HMENU hMenu, UINT uItem, LPRECT lprcItem);
BOOL TrackPopupMenu(HMENU hMenu, UINT uFlags, int x, int y, int nReserved, HWND hWnd, const RECT* prcRect);
BOOL TrackPopupMenuEx(HMENU hMenu, UINT uFlags, int x, int y, HWND hwnd, const TPMPARAMS* lptpm);
BOOL EndMenu();
// The window's own copy of the standard system menu (Restore, Move, Size,
// Minimize, Maximize, a separator, Close with Alt+F4, commands SC_*), made on
// first use; each call sets its items' states from the window's styles and
// state. Revert TRUE frees the copy and gives nullptr.
HMENU GetSystemMenu(HWND hWnd, BOOL bRevert);
// Menu bars: SetMenu/GetMenu/DrawMenuBar are the window layer's. DefWindowProc
// hands SC_MOUSEMENU (a click on the bar) and SC_KEYMENU (Alt, Alt+letter) to
// this folder, which runs the bar's menu loop; MenuBarTrack runs it directly.
// Item: the bar item to open first (-1: select the first item, keyboard mode).
void MenuBarTrack(HWND hWnd, int Item);
// The bar item at a screen point, -1 when none.
int MenuBarItemFromPoint(HWND hWnd, POINT ScreenPt);

// ---- Image lists ------------------------------------------------------------
constexpr UINT ILC_MASK = 0x1, ILC_COLOR = 0x0, ILC_COLORDDB = 0xFE, ILC_COLOR4 = 0x4, ILC_COLOR8 = 0x8,
               ILC_COLOR16 = 0x10, ILC_COLOR24 = 0x18, ILC_COLOR32 = 0x20;
constexpr UINT ILD_NORMAL = 0x0, ILD_TRANSPARENT = 0x1, ILD_BLEND25 = 0x2, ILD_FOCUS = 0x2, ILD_BLEND50 = 0x4,
               ILD_SELECTED = 0x4, ILD_BLEND = 0x4, ILD_MASK = 0x10, ILD_IMAGE = 0x20;
HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int cInitial, int cGrow);
BOOL ImageList_Destroy(HIMAGELIST himl);
int ImageList_GetImageCount(HIMAGELIST himl);
BOOL ImageList_SetImageCount(HIMAGELIST himl, UINT uNewCount);
// Adds as many images as the bitmap is wide; Mask (1-bit or any) may be nullptr.
int ImageList_Add(HIMAGELIST himl, HBITMAP hbmImage, HBITMAP hbmMask);
int ImageList_AddMasked(HIMAGELIST himl, HBITMAP hbmImage, COLORREF crMask);
int ImageList_ReplaceIcon(HIMAGELIST himl, int i, HICON hicon);  // i -1 adds
inline int ImageList_AddIcon(HIMAGELIST himl, HICON hicon) { return ImageList_ReplaceIcon(himl, -1, hicon); }
BOOL ImageList_Replace(HIMAGELIST himl, int i, HBITMAP hbmImage, HBITMAP hbmMask);
BOOL ImageList_Remove(HIMAGELIST himl, int i);  // -1 removes all
inline BOOL ImageList_RemoveAll(HIMAGELIST himl) { return ImageList_Remove(himl, -1); }
BOOL ImageList_Draw(HIMAGELIST himl, int i, HDC hdcDst, int x, int y, UINT fStyle);
BOOL ImageList_DrawEx(HIMAGELIST himl, int i, HDC hdcDst, int x, int y, int dx, int dy, COLORREF rgbBk,
                      COLORREF rgbFg, UINT fStyle);
BOOL ImageList_GetIconSize(HIMAGELIST himl, int* cx, int* cy);
BOOL ImageList_SetIconSize(HIMAGELIST himl, int cx, int cy);
COLORREF ImageList_SetBkColor(HIMAGELIST himl, COLORREF clrBk);
COLORREF ImageList_GetBkColor(HIMAGELIST himl);
HIMAGELIST ImageList_Duplicate(HIMAGELIST himl);
// Drag images: one at a time per process, used from the GUI thread. The image
// shows in a top-most window the mouse passes through, with its mask as the
// window's shape; x, y are relative to hwndLock's window rectangle (the screen
// for nullptr), and the image's hot spot sits there.
BOOL ImageList_BeginDrag(HIMAGELIST himlTrack, int iTrack, int dxHotspot, int dyHotspot);
BOOL ImageList_DragEnter(HWND hwndLock, int x, int y);
BOOL ImageList_DragMove(int x, int y);
BOOL ImageList_DragLeave(HWND hwndLock);
BOOL ImageList_DragShowNolock(BOOL fShow);
void ImageList_EndDrag();
// The image being dragged (owned by the drag), its position and hot spot.
HIMAGELIST ImageList_GetDragImage(POINT* ppt, POINT* pptHotspot);
// The window showing the drag image, nullptr when none (for tests).
HWND WinDragImageWindow();

// ---- Common notifications ranges ---------------------------------------------
constexpr UINT LVN_FIRST = 0u - 100u;
constexpr UINT HDN_FIRST = 0u - 300u;
constexpr UINT TCN_FIRST = 0u - 550u;
constexpr UINT UDN_FIRST = 0u - 721u;
constexpr UINT DTN_FIRST = 0u - 740u;
constexpr UINT DTN_FIRST2 = 0u - 753u;

// ---- SysHeader32 ------------------------------------------------------------
constexpr DWORD HDS_HORZ = 0x0, HDS_BUTTONS = 0x2, HDS_HOTTRACK = 0x4, HDS_HIDDEN = 0x8, HDS_DRAGDROP = 0x40,
                HDS_FULLDRAG = 0x80;
constexpr UINT HDI_WIDTH = 0x1, HDI_HEIGHT = 0x1, HDI_TEXT = 0x2, HDI_FORMAT = 0x4, HDI_LPARAM = 0x8,
               HDI_BITMAP = 0x10, HDI_IMAGE = 0x20, HDI_DI_SETITEM = 0x40, HDI_ORDER = 0x80;
constexpr int HDF_LEFT = 0x0, HDF_RIGHT = 0x1, HDF_CENTER = 0x2, HDF_JUSTIFYMASK = 0x3, HDF_SORTDOWN = 0x200,
              HDF_SORTUP = 0x400, HDF_IMAGE = 0x800, HDF_BITMAP_ON_RIGHT = 0x1000, HDF_BITMAP = 0x2000,
              HDF_STRING = 0x4000, HDF_OWNERDRAW = 0x8000;
constexpr UINT HDM_FIRST = 0x1200;
constexpr UINT HDM_GETITEMCOUNT = HDM_FIRST + 0, HDM_INSERTITEMA = HDM_FIRST + 1, HDM_DELETEITEM = HDM_FIRST + 2,
               HDM_GETITEMA = HDM_FIRST + 3, HDM_SETITEMA = HDM_FIRST + 4, HDM_LAYOUT = HDM_FIRST + 5,
               HDM_HITTEST = HDM_FIRST + 6, HDM_GETITEMRECT = HDM_FIRST + 7, HDM_SETIMAGELIST = HDM_FIRST + 8,
               HDM_GETIMAGELIST = HDM_FIRST + 9, HDM_INSERTITEMW = HDM_FIRST + 10, HDM_GETITEMW = HDM_FIRST + 11,
               HDM_SETITEMW = HDM_FIRST + 12, HDM_ORDERTOINDEX = HDM_FIRST + 15,
               HDM_GETORDERARRAY = HDM_FIRST + 17, HDM_SETORDERARRAY = HDM_FIRST + 18;
constexpr UINT HDN_ITEMCHANGINGA = HDN_FIRST - 0, HDN_ITEMCHANGEDA = HDN_FIRST - 1, HDN_ITEMCLICKA = HDN_FIRST - 2,
               HDN_ITEMDBLCLICKA = HDN_FIRST - 3, HDN_DIVIDERDBLCLICKA = HDN_FIRST - 5,
               HDN_BEGINTRACKA = HDN_FIRST - 6, HDN_ENDTRACKA = HDN_FIRST - 7, HDN_TRACKA = HDN_FIRST - 8,
               HDN_ITEMCHANGINGW = HDN_FIRST - 20, HDN_ITEMCHANGEDW = HDN_FIRST - 21,
               HDN_ITEMCLICKW = HDN_FIRST - 22, HDN_ITEMDBLCLICKW = HDN_FIRST - 23,
               HDN_DIVIDERDBLCLICKW = HDN_FIRST - 25, HDN_BEGINTRACKW = HDN_FIRST - 26,
               HDN_ENDTRACKW = HDN_FIRST - 27, HDN_TRACKW = HDN_FIRST - 28;
constexpr UINT HHT_NOWHERE = 0x1, HHT_ONHEADER = 0x2, HHT_ONDIVIDER = 0x4, HHT_ONDIVOPEN = 0x8;
struct HDITEMA {
    UINT mask;
    int cxy;
    LPSTR pszText;
    HBITMAP hbm;
    int cchTextMax;
    int fmt;
    LPARAM lParam;
    int iImage;
    int iOrder;
    UINT type;
    void* pvFilter;
};
struct HDITEMW {
    UINT mask;
    int cxy;
    LPWSTR pszText;
    HBITMAP hbm;
    int cchTextMax;
    int fmt;
    LPARAM lParam;
    int iImage;
    int iOrder;
    UINT type;
    void* pvFilter;
};
struct HDLAYOUT {
    RECT* prc;
    WINDOWPOS* pwpos;
};
struct HDHITTESTINFO {
    POINT pt;
    UINT flags;
    int iItem;
};
struct NMHEADERA {
    NMHDR hdr;
    int iItem;
    int iButton;
    HDITEMA* pitem;
};
struct NMHEADERW {
    NMHDR hdr;
    int iItem;
    int iButton;
    HDITEMW* pitem;
};

// ---- SysListView32 ----------------------------------------------------------
constexpr DWORD LVS_ICON = 0x0, LVS_REPORT = 0x1, LVS_SMALLICON = 0x2, LVS_LIST = 0x3, LVS_TYPEMASK = 0x3,
                LVS_SINGLESEL = 0x4, LVS_SHOWSELALWAYS = 0x8, LVS_SORTASCENDING = 0x10,
                LVS_SORTDESCENDING = 0x20, LVS_SHAREIMAGELISTS = 0x40, LVS_NOLABELWRAP = 0x80,
                LVS_AUTOARRANGE = 0x100, LVS_EDITLABELS = 0x200, LVS_OWNERDRAWFIXED = 0x400,
                LVS_ALIGNLEFT = 0x800, LVS_OWNERDATA = 0x1000, LVS_NOSCROLL = 0x2000,
                LVS_NOCOLUMNHEADER = 0x4000, LVS_NOSORTHEADER = 0x8000;
constexpr DWORD LVS_EX_GRIDLINES = 0x1, LVS_EX_SUBITEMIMAGES = 0x2, LVS_EX_CHECKBOXES = 0x4,
                LVS_EX_TRACKSELECT = 0x8, LVS_EX_HEADERDRAGDROP = 0x10, LVS_EX_FULLROWSELECT = 0x20,
                LVS_EX_ONECLICKACTIVATE = 0x40, LVS_EX_TWOCLICKACTIVATE = 0x80, LVS_EX_FLATSB = 0x100,
                LVS_EX_INFOTIP = 0x400, LVS_EX_LABELTIP = 0x4000, LVS_EX_DOUBLEBUFFER = 0x10000;
constexpr UINT LVM_FIRST = 0x1000;
constexpr UINT LVM_GETBKCOLOR = LVM_FIRST + 0, LVM_SETBKCOLOR = LVM_FIRST + 1, LVM_GETIMAGELIST = LVM_FIRST + 2,
               LVM_SETIMAGELIST = LVM_FIRST + 3, LVM_GETITEMCOUNT = LVM_FIRST + 4, LVM_GETITEMA = LVM_FIRST + 5,
               LVM_SETITEMA = LVM_FIRST + 6, LVM_INSERTITEMA = LVM_FIRST + 7, LVM_DELETEITEM = LVM_FIRST + 8,
               LVM_DELETEALLITEMS = LVM_FIRST + 9, LVM_GETCALLBACKMASK = LVM_FIRST + 10,
               LVM_SETCALLBACKMASK = LVM_FIRST + 11, LVM_GETNEXTITEM = LVM_FIRST + 12,
               LVM_FINDITEMA = LVM_FIRST + 13, LVM_GETITEMRECT = LVM_FIRST + 14,
               LVM_SETITEMPOSITION = LVM_FIRST + 15, LVM_GETITEMPOSITION = LVM_FIRST + 16,
               LVM_GETSTRINGWIDTHA = LVM_FIRST + 17, LVM_HITTEST = LVM_FIRST + 18,
               LVM_ENSUREVISIBLE = LVM_FIRST + 19, LVM_SCROLL = LVM_FIRST + 20, LVM_REDRAWITEMS = LVM_FIRST + 21,
               LVM_ARRANGE = LVM_FIRST + 22, LVM_EDITLABELA = LVM_FIRST + 23, LVM_GETEDITCONTROL = LVM_FIRST + 24,
               LVM_GETCOLUMNA = LVM_FIRST + 25, LVM_SETCOLUMNA = LVM_FIRST + 26,
               LVM_INSERTCOLUMNA = LVM_FIRST + 27, LVM_DELETECOLUMN = LVM_FIRST + 28,
               LVM_GETCOLUMNWIDTH = LVM_FIRST + 29, LVM_SETCOLUMNWIDTH = LVM_FIRST + 30,
               LVM_GETHEADER = LVM_FIRST + 31, LVM_CREATEDRAGIMAGE = LVM_FIRST + 33,
               LVM_GETVIEWRECT = LVM_FIRST + 34, LVM_GETTEXTCOLOR = LVM_FIRST + 35,
               LVM_SETTEXTCOLOR = LVM_FIRST + 36, LVM_GETTEXTBKCOLOR = LVM_FIRST + 37,
               LVM_SETTEXTBKCOLOR = LVM_FIRST + 38, LVM_GETTOPINDEX = LVM_FIRST + 39,
               LVM_GETCOUNTPERPAGE = LVM_FIRST + 40, LVM_GETORIGIN = LVM_FIRST + 41, LVM_UPDATE = LVM_FIRST + 42,
               LVM_SETITEMSTATE = LVM_FIRST + 43, LVM_GETITEMSTATE = LVM_FIRST + 44,
               LVM_GETITEMTEXTA = LVM_FIRST + 45, LVM_SETITEMTEXTA = LVM_FIRST + 46,
               LVM_SETITEMCOUNT = LVM_FIRST + 47, LVM_SORTITEMS = LVM_FIRST + 48,
               LVM_GETSELECTEDCOUNT = LVM_FIRST + 50, LVM_SETEXTENDEDLISTVIEWSTYLE = LVM_FIRST + 54,
               LVM_GETEXTENDEDLISTVIEWSTYLE = LVM_FIRST + 55, LVM_GETSUBITEMRECT = LVM_FIRST + 56,
               LVM_SUBITEMHITTEST = LVM_FIRST + 57, LVM_GETSELECTIONMARK = LVM_FIRST + 66,
               LVM_SETSELECTIONMARK = LVM_FIRST + 67, LVM_GETITEMW = LVM_FIRST + 75, LVM_SETITEMW = LVM_FIRST + 76,
               LVM_INSERTITEMW = LVM_FIRST + 77, LVM_SORTITEMSEX = LVM_FIRST + 81, LVM_FINDITEMW = LVM_FIRST + 83,
               LVM_GETSTRINGWIDTHW = LVM_FIRST + 87, LVM_GETCOLUMNW = LVM_FIRST + 95,
               LVM_SETCOLUMNW = LVM_FIRST + 96, LVM_INSERTCOLUMNW = LVM_FIRST + 97,
               LVM_GETITEMTEXTW = LVM_FIRST + 115, LVM_SETITEMTEXTW = LVM_FIRST + 116;
constexpr UINT LVIF_TEXT = 0x1, LVIF_IMAGE = 0x2, LVIF_PARAM = 0x4, LVIF_STATE = 0x8, LVIF_INDENT = 0x10,
               LVIF_GROUPID = 0x100, LVIF_COLUMNS = 0x200, LVIF_NORECOMPUTE = 0x800, LVIF_DI_SETITEM = 0x1000;
constexpr UINT LVIS_FOCUSED = 0x1, LVIS_SELECTED = 0x2, LVIS_CUT = 0x4, LVIS_DROPHILITED = 0x8,
               LVIS_OVERLAYMASK = 0xF00, LVIS_STATEIMAGEMASK = 0xF000;
constexpr UINT LVNI_ALL = 0x0, LVNI_FOCUSED = 0x1, LVNI_SELECTED = 0x2, LVNI_CUT = 0x4, LVNI_DROPHILITED = 0x8,
               LVNI_ABOVE = 0x100, LVNI_BELOW = 0x200, LVNI_TOLEFT = 0x400, LVNI_TORIGHT = 0x800;
constexpr UINT LVCF_FMT = 0x1, LVCF_WIDTH = 0x2, LVCF_TEXT = 0x4, LVCF_SUBITEM = 0x8, LVCF_IMAGE = 0x10,
               LVCF_ORDER = 0x20;
constexpr int LVCFMT_LEFT = 0x0, LVCFMT_RIGHT = 0x1, LVCFMT_CENTER = 0x2, LVCFMT_JUSTIFYMASK = 0x3,
              LVCFMT_IMAGE = 0x800, LVCFMT_BITMAP_ON_RIGHT = 0x1000, LVCFMT_COL_HAS_IMAGES = 0x8000;
constexpr UINT LVHT_NOWHERE = 0x1, LVHT_ONITEMICON = 0x2, LVHT_ONITEMLABEL = 0x4, LVHT_ONITEMSTATEICON = 0x8,
               LVHT_ONITEM = 0xE, LVHT_ABOVE = 0x8, LVHT_BELOW = 0x10, LVHT_TORIGHT = 0x20, LVHT_TOLEFT = 0x40;
constexpr int LVIR_BOUNDS = 0, LVIR_ICON = 1, LVIR_LABEL = 2, LVIR_SELECTBOUNDS = 3;
constexpr int LVSIL_NORMAL = 0, LVSIL_SMALL = 1, LVSIL_STATE = 2;
constexpr int LVSCW_AUTOSIZE = -1, LVSCW_AUTOSIZE_USEHEADER = -2;
constexpr UINT LVFI_PARAM = 0x1, LVFI_STRING = 0x2, LVFI_PARTIAL = 0x8, LVFI_WRAP = 0x20, LVFI_NEARESTXY = 0x40;
constexpr int I_IMAGECALLBACK = -1, I_IMAGENONE = -2;
#define LPSTR_TEXTCALLBACKA (reinterpret_cast<LPSTR>(-1))
#define LPSTR_TEXTCALLBACKW (reinterpret_cast<LPWSTR>(-1))
constexpr UINT LVN_ITEMCHANGING = LVN_FIRST - 0, LVN_ITEMCHANGED = LVN_FIRST - 1, LVN_INSERTITEM = LVN_FIRST - 2,
               LVN_DELETEITEM = LVN_FIRST - 3, LVN_DELETEALLITEMS = LVN_FIRST - 4,
               LVN_BEGINLABELEDITA = LVN_FIRST - 5, LVN_ENDLABELEDITA = LVN_FIRST - 6,
               LVN_COLUMNCLICK = LVN_FIRST - 8, LVN_BEGINDRAG = LVN_FIRST - 9, LVN_BEGINRDRAG = LVN_FIRST - 11,
               LVN_ITEMACTIVATE = LVN_FIRST - 14, LVN_HOTTRACK = LVN_FIRST - 21,
               LVN_GETDISPINFOA = LVN_FIRST - 50, LVN_SETDISPINFOA = LVN_FIRST - 51, LVN_KEYDOWN = LVN_FIRST - 55,
               LVN_BEGINLABELEDITW = LVN_FIRST - 75, LVN_ENDLABELEDITW = LVN_FIRST - 76,
               LVN_GETDISPINFOW = LVN_FIRST - 77, LVN_SETDISPINFOW = LVN_FIRST - 78;
struct LVITEMA {
    UINT mask;
    int iItem;
    int iSubItem;
    UINT state;
    UINT stateMask;
    LPSTR pszText;
    int cchTextMax;
    int iImage;
    LPARAM lParam;
    int iIndent;
    int iGroupId;
    UINT cColumns;
    UINT* puColumns;
};
struct LVITEMW {
    UINT mask;
    int iItem;
    int iSubItem;
    UINT state;
    UINT stateMask;
    LPWSTR pszText;
    int cchTextMax;
    int iImage;
    LPARAM lParam;
    int iIndent;
    int iGroupId;
    UINT cColumns;
    UINT* puColumns;
};
struct LVCOLUMNA {
    UINT mask;
    int fmt;
    int cx;
    LPSTR pszText;
    int cchTextMax;
    int iSubItem;
    int iImage;
    int iOrder;
};
struct LVCOLUMNW {
    UINT mask;
    int fmt;
    int cx;
    LPWSTR pszText;
    int cchTextMax;
    int iSubItem;
    int iImage;
    int iOrder;
};
struct LVHITTESTINFO {
    POINT pt;
    UINT flags;
    int iItem;
    int iSubItem;
    int iGroup;
};
struct LVFINDINFOA {
    UINT flags;
    LPCSTR psz;
    LPARAM lParam;
    POINT pt;
    UINT vkDirection;
};
struct LVFINDINFOW {
    UINT flags;
    LPCWSTR psz;
    LPARAM lParam;
    POINT pt;
    UINT vkDirection;
};
struct NMLISTVIEW {
    NMHDR hdr;
    int iItem;
    int iSubItem;
    UINT uNewState;
    UINT uOldState;
    UINT uChanged;
    POINT ptAction;
    LPARAM lParam;
};
using LPNMLISTVIEW = NMLISTVIEW*;
struct NMITEMACTIVATE {
    NMHDR hdr;
    int iItem;
    int iSubItem;
    UINT uNewState;
    UINT uOldState;
    UINT uChanged;
    POINT ptAction;
    LPARAM lParam;
    UINT uKeyFlags;
};
struct NMLVKEYDOWN {
    NMHDR hdr;
    WORD wVKey;
    UINT flags;
};
struct NMLVDISPINFOA {
    NMHDR hdr;
    LVITEMA item;
};
struct NMLVDISPINFOW {
    NMHDR hdr;
    LVITEMW item;
};
using PFNLVCOMPARE = int (*)(LPARAM lParam1, LPARAM lParam2, LPARAM lParamSort);

// ---- msctls_progress32 ------------------------------------------------------
constexpr DWORD PBS_SMOOTH = 0x1, PBS_VERTICAL = 0x4, PBS_MARQUEE = 0x8;
constexpr UINT PBM_SETRANGE = WM_USER + 1, PBM_SETPOS = WM_USER + 2, PBM_DELTAPOS = WM_USER + 3,
               PBM_SETSTEP = WM_USER + 4, PBM_STEPIT = WM_USER + 5, PBM_SETRANGE32 = WM_USER + 6,
               PBM_GETRANGE = WM_USER + 7, PBM_GETPOS = WM_USER + 8, PBM_SETBARCOLOR = WM_USER + 9,
               PBM_SETMARQUEE = WM_USER + 10, PBM_SETBKCOLOR = CCM_SETBKCOLOR;
struct PBRANGE {
    int iLow;
    int iHigh;
};

// ---- msctls_trackbar32 ------------------------------------------------------
constexpr DWORD TBS_AUTOTICKS = 0x1, TBS_VERT = 0x2, TBS_HORZ = 0x0, TBS_TOP = 0x4, TBS_BOTTOM = 0x0,
                TBS_LEFT = 0x4, TBS_RIGHT = 0x0, TBS_BOTH = 0x8, TBS_NOTICKS = 0x10, TBS_ENABLESELRANGE = 0x20,
                TBS_FIXEDLENGTH = 0x40, TBS_NOTHUMB = 0x80, TBS_TOOLTIPS = 0x100, TBS_REVERSED = 0x200;
constexpr UINT TBM_GETPOS = WM_USER, TBM_GETRANGEMIN = WM_USER + 1, TBM_GETRANGEMAX = WM_USER + 2,
               TBM_GETTIC = WM_USER + 3, TBM_SETTIC = WM_USER + 4, TBM_SETPOS = WM_USER + 5,
               TBM_SETRANGE = WM_USER + 6, TBM_SETRANGEMIN = WM_USER + 7, TBM_SETRANGEMAX = WM_USER + 8,
               TBM_CLEARTICS = WM_USER + 9, TBM_SETSEL = WM_USER + 10, TBM_SETSELSTART = WM_USER + 11,
               TBM_SETSELEND = WM_USER + 12, TBM_GETPTICS = WM_USER + 14, TBM_GETTICPOS = WM_USER + 15,
               TBM_GETNUMTICS = WM_USER + 16, TBM_GETSELSTART = WM_USER + 17, TBM_GETSELEND = WM_USER + 18,
               TBM_CLEARSEL = WM_USER + 19, TBM_SETTICFREQ = WM_USER + 20, TBM_SETPAGESIZE = WM_USER + 21,
               TBM_GETPAGESIZE = WM_USER + 22, TBM_SETLINESIZE = WM_USER + 23, TBM_GETLINESIZE = WM_USER + 24,
               TBM_GETTHUMBRECT = WM_USER + 25, TBM_GETCHANNELRECT = WM_USER + 26,
               TBM_SETTHUMBLENGTH = WM_USER + 27, TBM_GETTHUMBLENGTH = WM_USER + 28;
constexpr WORD TB_LINEUP = 0, TB_LINEDOWN = 1, TB_PAGEUP = 2, TB_PAGEDOWN = 3, TB_THUMBPOSITION = 4,
               TB_THUMBTRACK = 5, TB_TOP = 6, TB_BOTTOM = 7, TB_ENDTRACK = 8;

// ---- msctls_statusbar32 -----------------------------------------------------
constexpr DWORD SBARS_SIZEGRIP = 0x100, SBARS_TOOLTIPS = 0x800, SBT_TOOLTIPS = 0x800;
constexpr UINT SB_SETTEXTA = WM_USER + 1, SB_GETTEXTA = WM_USER + 2, SB_GETTEXTLENGTHA = WM_USER + 3,
               SB_SETPARTS = WM_USER + 4, SB_GETPARTS = WM_USER + 6, SB_GETBORDERS = WM_USER + 7,
               SB_SETMINHEIGHT = WM_USER + 8, SB_SIMPLE = WM_USER + 9, SB_GETRECT = WM_USER + 10,
               SB_SETTEXTW = WM_USER + 11, SB_GETTEXTLENGTHW = WM_USER + 12, SB_GETTEXTW = WM_USER + 13,
               SB_ISSIMPLE = WM_USER + 14, SB_SETICON = WM_USER + 15, SB_GETICON = WM_USER + 20,
               SB_SETBKCOLOR = CCM_SETBKCOLOR;
constexpr UINT SBT_OWNERDRAW = 0x1000, SBT_NOBORDERS = 0x100, SBT_POPOUT = 0x200, SBT_RTLREADING = 0x400,
               SBT_NOTABPARSING = 0x800;
constexpr UINT SB_SIMPLEID = 0xFF;

// ---- msctls_updown32 --------------------------------------------------------
constexpr DWORD UDS_WRAP = 0x1, UDS_SETBUDDYINT = 0x2, UDS_ALIGNRIGHT = 0x4, UDS_ALIGNLEFT = 0x8,
                UDS_AUTOBUDDY = 0x10, UDS_ARROWKEYS = 0x20, UDS_HORZ = 0x40, UDS_NOTHOUSANDS = 0x80,
                UDS_HOTTRACK = 0x100;
constexpr UINT UDM_SETRANGE = WM_USER + 101, UDM_GETRANGE = WM_USER + 102, UDM_SETPOS = WM_USER + 103,
               UDM_GETPOS = WM_USER + 104, UDM_SETBUDDY = WM_USER + 105, UDM_GETBUDDY = WM_USER + 106,
               UDM_SETACCEL = WM_USER + 107, UDM_GETACCEL = WM_USER + 108, UDM_SETBASE = WM_USER + 109,
               UDM_GETBASE = WM_USER + 110, UDM_SETRANGE32 = WM_USER + 111, UDM_GETRANGE32 = WM_USER + 112,
               UDM_SETPOS32 = WM_USER + 113, UDM_GETPOS32 = WM_USER + 114;
constexpr int UD_MAXVAL = 0x7fff, UD_MINVAL = -UD_MAXVAL;
constexpr UINT UDN_DELTAPOS = UDN_FIRST - 1;
struct UDACCEL {
    UINT nSec;
    UINT nInc;
};
struct NMUPDOWN {
    NMHDR hdr;
    int iPos;
    int iDelta;
};

// ---- SysTabControl32 --------------------------------------------------------
// Tabs sit in one row along the top, or the bottom with TCS_BOTTOM, or in one
// column on the left with TCS_VERTICAL (the right with TCS_VERTICAL | TCS_RIGHT),
// their text turned to read upwards on the left and downwards on the right.
constexpr DWORD TCS_TABS = 0x0, TCS_BOTTOM = 0x2, TCS_RIGHT = 0x2, TCS_MULTISELECT = 0x4, TCS_FLATBUTTONS = 0x8,
                TCS_FORCEICONLEFT = 0x10, TCS_FORCELABELLEFT = 0x20, TCS_HOTTRACK = 0x40, TCS_VERTICAL = 0x80,
                TCS_BUTTONS = 0x100, TCS_SINGLELINE = 0x0, TCS_MULTILINE = 0x200, TCS_RIGHTJUSTIFY = 0x0,
                TCS_FIXEDWIDTH = 0x400, TCS_RAGGEDRIGHT = 0x800, TCS_FOCUSONBUTTONDOWN = 0x1000,
                TCS_OWNERDRAWFIXED = 0x2000, TCS_TOOLTIPS = 0x4000, TCS_FOCUSNEVER = 0x8000;
constexpr UINT TCM_FIRST = 0x1300;
constexpr UINT TCM_GETIMAGELIST = TCM_FIRST + 2, TCM_SETIMAGELIST = TCM_FIRST + 3,
               TCM_GETITEMCOUNT = TCM_FIRST + 4, TCM_GETITEMA = TCM_FIRST + 5, TCM_SETITEMA = TCM_FIRST + 6,
               TCM_INSERTITEMA = TCM_FIRST + 7, TCM_DELETEITEM = TCM_FIRST + 8,
               TCM_DELETEALLITEMS = TCM_FIRST + 9, TCM_GETITEMRECT = TCM_FIRST + 10,
               TCM_GETCURSEL = TCM_FIRST + 11, TCM_SETCURSEL = TCM_FIRST + 12, TCM_HITTEST = TCM_FIRST + 13,
               TCM_ADJUSTRECT = TCM_FIRST + 40, TCM_SETITEMSIZE = TCM_FIRST + 41,
               TCM_GETROWCOUNT = TCM_FIRST + 44, TCM_GETCURFOCUS = TCM_FIRST + 47,
               TCM_SETCURFOCUS = TCM_FIRST + 48, TCM_GETITEMW = TCM_FIRST + 60, TCM_SETITEMW = TCM_FIRST + 61,
               TCM_INSERTITEMW = TCM_FIRST + 62;
constexpr UINT TCIF_TEXT = 0x1, TCIF_IMAGE = 0x2, TCIF_RTLREADING = 0x4, TCIF_PARAM = 0x8, TCIF_STATE = 0x10;
constexpr UINT TCHT_NOWHERE = 0x1, TCHT_ONITEMICON = 0x2, TCHT_ONITEMLABEL = 0x4, TCHT_ONITEM = 0x6;
constexpr UINT TCN_KEYDOWN = TCN_FIRST - 0, TCN_SELCHANGE = TCN_FIRST - 1, TCN_SELCHANGING = TCN_FIRST - 2;
struct TCITEMA {
    UINT mask;
    DWORD dwState;
    DWORD dwStateMask;
    LPSTR pszText;
    int cchTextMax;
    int iImage;
    LPARAM lParam;
};
struct TCITEMW {
    UINT mask;
    DWORD dwState;
    DWORD dwStateMask;
    LPWSTR pszText;
    int cchTextMax;
    int iImage;
    LPARAM lParam;
};
struct TCHITTESTINFO {
    POINT pt;
    UINT flags;
};

// ---- SysDateTimePick32 ------------------------------------------------------
constexpr DWORD DTS_SHORTDATEFORMAT = 0x0, DTS_UPDOWN = 0x1, DTS_SHOWNONE = 0x2, DTS_LONGDATEFORMAT = 0x4,
                DTS_TIMEFORMAT = 0x9;
constexpr UINT DTM_FIRST = 0x1000;
constexpr UINT DTM_GETSYSTEMTIME = DTM_FIRST + 1, DTM_SETSYSTEMTIME = DTM_FIRST + 2;
constexpr LRESULT GDT_ERROR = -1, GDT_VALID = 0, GDT_NONE = 1;
constexpr UINT DTN_DATETIMECHANGE = DTN_FIRST2 - 6;
struct NMDATETIMECHANGE {
    NMHDR nmhdr;
    DWORD dwFlags;
    SYSTEMTIME st;
};

// ---- Class names --------------------------------------------------------------
#define WC_BUTTONA "Button"
#define WC_STATICA "Static"
#define WC_EDITA "Edit"
#define WC_LISTBOXA "ListBox"
#define WC_COMBOBOXA "ComboBox"
#define WC_SCROLLBARA "ScrollBar"
#define WC_LISTVIEWA "SysListView32"
#define WC_HEADERA "SysHeader32"
#define WC_TABCONTROLA "SysTabControl32"
#define PROGRESS_CLASSA "msctls_progress32"
#define TRACKBAR_CLASSA "msctls_trackbar32"
#define STATUSCLASSNAMEA "msctls_statusbar32"
#define UPDOWN_CLASSA "msctls_updown32"
#define DATETIMEPICK_CLASSA "SysDateTimePick32"
#define WC_DIALOGA "#32770"
#define POPUPMENU_CLASSA "#32768"
