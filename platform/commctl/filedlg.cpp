// The open and save file dialogs, and the browse-for-folder dialog.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/commctl/cc_internal.h"
#include "platform/commctl/commdlg.h"
#include "platform/commctl/shlobj_dialogs.h"
#include "platform/commctl/shellfolder.h"
#include "platform/commctl/testhooks.h"

namespace fs = std::filesystem;

namespace cc {
namespace {

thread_local DWORD tLastError = 0;
std::string gMountTable;  // empty: the process's own

bool IsDir(const std::string& p) {
    struct stat s{};
    return !p.empty() && ::stat(p.c_str(), &s) == 0 && S_ISDIR(s.st_mode);
}
bool Exists(const std::string& p) {
    struct stat s{};
    return !p.empty() && ::stat(p.c_str(), &s) == 0;
}
std::string WithSlash(std::string p) {
    if (p.empty() || p.back() != '/') p += '/';
    return p;
}
std::string NoSlash(std::string p) {
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    return p;
}
std::string ParentOf(const std::string& folder) {
    std::string f = NoSlash(folder);
    auto s = f.find_last_of('/');
    if (s == std::string::npos || s == 0) return "/";
    return f.substr(0, s) + "/";
}
std::string Normal(const std::string& p) {
    std::error_code ec;
    fs::path n = fs::weakly_canonical(fs::path(p), ec);
    std::string s = ec ? p : n.string();
    return s.empty() ? "/" : s;
}
std::string CurrentDir() {
    char buf[4096];
    return getcwd(buf, sizeof buf) ? WithSlash(buf) : "/";
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// Case-blind wildcard match of a name against one mask (* and ?).
bool Match(const char* m, const char* n) {
    while (*m) {
        if (*m == '*') {
            while (*m == '*') ++m;
            if (!*m) return true;
            for (const char* k = n; *k; ++k)
                if (Match(m, k)) return true;
            return Match(m, n + std::strlen(n));
        }
        if (!*n) return false;
        if (*m != '?' && Lower(*m) != Lower(*n)) return false;
        ++m;
        ++n;
    }
    return !*n;
}

bool MatchAny(const std::string& masks, const std::string& name) {
    std::size_t s = 0;
    while (s <= masks.size()) {
        auto e = masks.find(';', s);
        if (e == std::string::npos) e = masks.size();
        std::string m = masks.substr(s, e - s);
        while (!m.empty() && m.front() == ' ') m.erase(0, 1);
        while (!m.empty() && m.back() == ' ') m.pop_back();
        if (m == "*.*" || m == "*") return true;
        if (!m.empty() && Match(m.c_str(), name.c_str())) return true;
        s = e + 1;
    }
    return false;
}

struct TFilter {
    std::string Name, Masks;
};

// ---- The file dialog ---------------------------------------------------------------
struct TFileDlg {
    bool Save = false;
    DWORD Flags = 0;
    std::string Folder;  // with a trailing '/'
    std::vector<TFilter> Filters;
    int FilterIndex = 0;  // 0-based
    std::string TempMask;  // a mask typed in the name box
    std::string DefExt;
    std::string Title;
    std::vector<std::string> Chosen;  // full paths
    bool ReadOnly = false;
    // What the list's selection last put into the name box, and the names it
    // stands for: names may hold quotes, so the text is not parsed back.
    std::u16string SelectionText;
    std::vector<std::string> SelectionNames;
    // Size and modification time of each row of the file list, in list order.
    struct TRow {
        bool Folder = false;
        std::uintmax_t Size = 0;
        std::time_t Modified = 0;
    };
    std::vector<TRow> Rows;
    std::vector<std::string> Places;    // folder of each row of the places list
    std::vector<std::string> Ancestors;  // folder of each row of the look-in list
};

TFileDlg* Dlg(HWND h) { return static_cast<TFileDlg*>(GetPropW(h, u"TessaroFileDlg")); }

std::u16string W(const std::string& s) { return Utf8ToUtf16(s); }
std::string A(const std::u16string& s) { return Utf16ToUtf8(s); }

void FillLookIn(HWND h, TFileDlg* d);
std::u16string ListText(HWND list, int i);

void Fill(HWND h, TFileDlg* d) {
    HWND list = GetDlgItem(h, IDC_FD_FILES);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    std::string masks = !d->TempMask.empty() ? d->TempMask
                        : (d->FilterIndex >= 0 && d->FilterIndex < static_cast<int>(d->Filters.size())) ? d->Filters[d->FilterIndex].Masks
                                                                                                         : "*";
    std::vector<std::string> dirs, files;
    std::error_code ec;
    for (fs::directory_iterator it(d->Folder, fs::directory_options::skip_permission_denied, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (name.empty() || (name[0] == '.' && !(d->Flags & OFN_FORCESHOWHIDDEN))) continue;
        std::error_code e2;
        if (it->is_directory(e2))
            dirs.push_back(name);
        else if (MatchAny(masks, name))
            files.push_back(name);
    }
    auto blind = [](const std::string& a, const std::string& b) {
        // As unsigned bytes: names with accents or other scripts sort after plain ones.
        for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
            const auto x = static_cast<unsigned char>(Lower(a[i])), y = static_cast<unsigned char>(Lower(b[i]));
            if (x != y) return x < y;
        }
        return a.size() < b.size();
    };
    std::sort(dirs.begin(), dirs.end(), blind);
    std::sort(files.begin(), files.end(), blind);
    d->Rows.clear();
    auto add = [&](const std::string& shown, const std::string& name, bool folder) {
        TFileDlg::TRow row;
        row.Folder = folder;
        struct stat st {};
        if (!name.empty() && ::stat((d->Folder + name).c_str(), &st) == 0) {
            row.Size = folder ? 0 : static_cast<std::uintmax_t>(st.st_size);
            row.Modified = st.st_mtime;
        }
        d->Rows.push_back(row);
        std::u16string s = W(shown);
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s.c_str()));
    };
    if (d->Folder != "/") add("../", "", true);
    for (auto& n : dirs) add(n + "/", n, true);
    for (auto& n : files) add(n, n, false);
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    FillLookIn(h, d);
}

std::u16string ListText(HWND list, int i) {
    LRESULT n = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
    if (n < 0) return {};
    std::u16string s(static_cast<std::size_t>(n) + 1, u'\0');
    SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(s.data()));
    s.resize(static_cast<std::size_t>(n));
    return s;
}

std::vector<int> ListSelection(HWND list) {
    std::vector<int> sel;
    LRESULT count = SendMessageW(list, LB_GETSELCOUNT, 0, 0);
    if (count == LB_ERR) {
        LRESULT c = SendMessageW(list, LB_GETCURSEL, 0, 0);
        if (c >= 0) sel.push_back(static_cast<int>(c));
        return sel;
    }
    sel.resize(static_cast<std::size_t>(count));
    if (count > 0) SendMessageW(list, LB_GETSELITEMS, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(sel.data()));
    return sel;
}

void Navigate(HWND h, TFileDlg* d, const std::string& folder) {
    d->Folder = WithSlash(Normal(folder));
    d->TempMask.clear();
    d->SelectionText.clear();
    d->SelectionNames.clear();
    Fill(h, d);
    SetDlgItemTextW(h, IDC_FD_NAME, u"");
}

// The folder shown and every folder above it, the shown one selected.
void FillLookIn(HWND h, TFileDlg* d) {
    HWND combo = GetDlgItem(h, IDC_FD_LOOKIN);
    d->Ancestors.clear();
    for (std::string f = NoSlash(d->Folder);; f = NoSlash(ParentOf(f))) {
        d->Ancestors.insert(d->Ancestors.begin(), f.empty() ? "/" : f);
        if (f.empty() || f == "/") break;
    }
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    for (std::size_t i = 0; i < d->Ancestors.size(); ++i) {
        std::u16string s = W(d->Ancestors[i]);
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s.c_str()));
    }
    SendMessageW(combo, CB_SETCURSEL, d->Ancestors.size() - 1, 0);
}

// Mount points of removable and extra volumes, from the mount table.
std::vector<std::string> MountedVolumes() {
    std::ifstream in(gMountTable.empty() ? "/proc/self/mounts" : gMountTable);
    std::vector<std::string> out;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string device, where;
        if (!(fields >> device >> where)) continue;
        // The table writes blanks and the like as octal escapes.
        std::string path;
        for (std::size_t i = 0; i < where.size(); ++i) {
            if (where[i] == '\\' && i + 3 < where.size() && std::isdigit(static_cast<unsigned char>(where[i + 1]))) {
                path += static_cast<char>(std::strtol(where.substr(i + 1, 3).c_str(), nullptr, 8));
                i += 3;
            } else {
                path += where[i];
            }
        }
        for (const char* root : {"/media/", "/run/media/", "/mnt/"})
            if (path.rfind(root, 0) == 0 && path.size() > std::strlen(root)) out.push_back(path);
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

// Home, the usual folders in it that exist, the whole file system and the volumes.
void FillPlaces(HWND h, TFileDlg* d) {
    HWND list = GetDlgItem(h, IDC_FD_PLACES);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    d->Places.clear();
    auto add = [&](const std::string& shown, const std::string& folder) {
        d->Places.push_back(folder);
        std::u16string s = W(shown);
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s.c_str()));
    };
    const char* home = std::getenv("HOME");
    if (home && *home && IsDir(home)) {
        add("Home", NoSlash(home));
        for (const char* sub : {"Desktop", "Videos", "Downloads"})
            if (IsDir(WithSlash(home) + sub)) add(sub, WithSlash(home) + sub);
    }
    add("File system", "/");
    for (auto& v : MountedVolumes()) add(v.substr(v.find_last_of('/') + 1), v);
}

std::string SizeText(std::uintmax_t n) {
    char buf[32];
    if (n < 1024)
        std::snprintf(buf, sizeof buf, "%ju bytes", n);
    else if (n < 1024 * 1024)
        std::snprintf(buf, sizeof buf, "%ju KB", (n + 1023) / 1024);
    else if (n < 1024ull * 1024 * 1024)
        std::snprintf(buf, sizeof buf, "%.1f MB", static_cast<double>(n) / (1024.0 * 1024));
    else
        std::snprintf(buf, sizeof buf, "%.1f GB", static_cast<double>(n) / (1024.0 * 1024 * 1024));
    return buf;
}

std::string DateText(std::time_t t) {
    if (t == 0) return {};
    std::tm tm {};
    localtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M", &tm);
    return buf;
}

// Widths of the size and date columns at the right of the file list.
constexpr int kSizeColumn = 80, kDateColumn = 116;

// A row of the file list: the name, then its size and date in their columns.
void DrawFileRow(TFileDlg* d, const DRAWITEMSTRUCT* dis) {
    if (static_cast<int>(dis->itemID) < 0) return;
    HWND list = dis->hwndItem;
    const bool sel = (dis->itemState & ODS_SELECTED) != 0;
    RECT r = dis->rcItem;
    FillSolid(dis->hDC, r, Sys(sel ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    SetBkMode(dis->hDC, TRANSPARENT);
    SetTextColor(dis->hDC, Sys(sel ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    const UINT fmt = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
    RECT name{r.left + 2, r.top, r.right - kSizeColumn - kDateColumn - 8, r.bottom};
    Text(dis->hDC, ListText(list, static_cast<int>(dis->itemID)), name, fmt | DT_END_ELLIPSIS);
    if (dis->itemID < d->Rows.size()) {
        const auto& row = d->Rows[dis->itemID];
        RECT size{r.right - kSizeColumn - kDateColumn - 4, r.top, r.right - kDateColumn - 8, r.bottom};
        if (!row.Folder) Text(dis->hDC, W(SizeText(row.Size)), size, fmt | DT_RIGHT);
        RECT date{r.right - kDateColumn, r.top, r.right - 2, r.bottom};
        Text(dis->hDC, W(DateText(row.Modified)), date, fmt);
    }
    if (dis->itemState & ODS_FOCUS) DrawFocusRect(dis->hDC, &r);
}

// The selected files (not folders) into the name box.
void SelectionToName(HWND h) {
    HWND list = GetDlgItem(h, IDC_FD_FILES);
    std::vector<std::u16string> names;
    for (int i : ListSelection(list)) {
        std::u16string t = ListText(list, i);
        if (!t.empty() && t.back() != u'/') names.push_back(t);
    }
    if (names.empty()) return;
    std::u16string s;
    if (names.size() == 1)
        s = names[0];
    else
        for (auto& n : names) s += (s.empty() ? u"\"" : u" \"") + n + u"\"";
    if (auto* d = Dlg(h)) {
        d->SelectionText = s;
        d->SelectionNames.clear();
        for (auto& n : names) d->SelectionNames.push_back(A(n));
    }
    SetDlgItemTextW(h, IDC_FD_NAME, s.c_str());
}

std::vector<std::string> SplitNames(const std::string& text) {
    std::vector<std::string> out;
    if (text.find('"') == std::string::npos) {
        std::string t = text;
        while (!t.empty() && t.back() == ' ') t.pop_back();
        while (!t.empty() && t.front() == ' ') t.erase(0, 1);
        if (!t.empty()) out.push_back(t);
        return out;
    }
    std::size_t i = 0;
    while ((i = text.find('"', i)) != std::string::npos) {
        auto e = text.find('"', i + 1);
        if (e == std::string::npos) break;
        if (e > i + 1) out.push_back(text.substr(i + 1, e - i - 1));
        i = e + 1;
    }
    return out;
}

int Warn(HWND h, const std::string& text, UINT type) {
    auto* d = Dlg(h);
    return MessageBoxA(h, text.c_str(), d->Title.c_str(), type);
}

void Accept(HWND h) {
    auto* d = Dlg(h);
    char16_t buf[4096] = {};
    GetDlgItemTextW(h, IDC_FD_NAME, buf, 4096);
    std::string text = A(buf);
    HWND list = GetDlgItem(h, IDC_FD_FILES);
    if (text.empty()) {
        auto sel = ListSelection(list);
        if (sel.size() == 1) {
            std::string t = A(ListText(list, sel[0]));
            if (!t.empty() && t.back() == '/') Navigate(h, d, t == "../" ? ParentOf(d->Folder) : d->Folder + t);
        }
        return;
    }
    // A name box still holding what the list put there means the list's files.
    const bool FromList = !d->SelectionNames.empty() && std::u16string(buf) == d->SelectionText;
    std::vector<std::string> names = FromList ? d->SelectionNames : SplitNames(text);
    if (names.size() > 1 && !(d->Flags & OFN_ALLOWMULTISELECT)) {
        Warn(h, text + "\nThe file name is not valid.", MB_OK | MB_ICONWARNING);
        return;
    }
    if (names.size() == 1) {
        std::string n = names[0];
        if (!FromList && n.find_first_of("*?") != std::string::npos && n.find('/') == std::string::npos) {
            d->TempMask = n;
            Fill(h, d);
            return;
        }
        if (n.size() > 1 && n[0] == '~' && n[1] == '/' && std::getenv("HOME")) n = std::string(std::getenv("HOME")) + n.substr(1);
        std::string full = n[0] == '/' ? n : d->Folder + n;
        if (IsDir(full)) {
            Navigate(h, d, full);
            return;
        }
        names[0] = full;
    } else {
        for (auto& n : names) n = n[0] == '/' ? n : d->Folder + n;
    }
    for (auto& full : names) {
        std::string parent = ParentOf(full);
        std::string base = full.substr(full.find_last_of('/') + 1);
        if (d->Save && !d->DefExt.empty() && base.find('.') == std::string::npos) {
            full += "." + d->DefExt;
            base += "." + d->DefExt;
        }
        if ((d->Flags & (OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST)) && !IsDir(parent)) {
            Warn(h, base + "\nPath does not exist.\nCheck the path and try again.", MB_OK | MB_ICONWARNING);
            return;
        }
        if (!d->Save && (d->Flags & OFN_FILEMUSTEXIST) && !Exists(full)) {
            Warn(h, base + "\nFile not found.\nCheck the file name and try again.", MB_OK | MB_ICONWARNING);
            return;
        }
        if (d->Save && (d->Flags & OFN_OVERWRITEPROMPT) && Exists(full) &&
            Warn(h, base + " already exists.\nDo you want to replace it?", MB_YESNO | MB_ICONWARNING) != IDYES)
            return;
        if (d->Save && (d->Flags & OFN_CREATEPROMPT) && !Exists(full) &&
            Warn(h, base + "\nThis file does not exist.\nDo you want to create it?", MB_YESNO | MB_ICONQUESTION) != IDYES)
            return;
    }
    d->Chosen = names;
    d->ReadOnly = IsDlgButtonChecked(h, IDC_FD_READONLY) == BST_CHECKED;
    EndDialog(h, IDOK);
}

constexpr int kPlacesWidth = 110;
constexpr int kNameTitle = 0x0444, kSizeTitle = 0x0445, kDateTitle = 0x0446;

void LayoutFileDlg(HWND h) {
    auto* d = Dlg(h);
    RECT rc = ClientRect(h);
    int w = rc.right, hh = rc.bottom;
    int bottomRows = (d->Flags & OFN_HIDEREADONLY) || d->Save ? 64 : 88;
    MoveWindow(GetDlgItem(h, IDC_FD_LOOKIN), 70, 6, w - 78, 200, TRUE);
    const int listTop = 52, listHeight = std::max(40, hh - listTop - bottomRows - 8);
    MoveWindow(GetDlgItem(h, IDC_FD_PLACES), 8, 34, kPlacesWidth, listHeight + listTop - 34, TRUE);
    const int filesLeft = 8 + kPlacesWidth + 6, filesRight = w - 8;
    MoveWindow(GetDlgItem(h, IDC_FD_FILES), filesLeft, listTop, filesRight - filesLeft, listHeight, TRUE);
    // Column titles over the file list; the list has a border of 1 and no scroll bar offset on the left.
    const int inner = filesRight - 1 - GetSystemMetrics(SM_CXVSCROLL);
    MoveWindow(GetDlgItem(h, kNameTitle), filesLeft + 3, 36, 60, 14, TRUE);
    MoveWindow(GetDlgItem(h, kSizeTitle), inner - kSizeColumn - kDateColumn - 4, 36, kSizeColumn - 4, 14, TRUE);
    MoveWindow(GetDlgItem(h, kDateTitle), inner - kDateColumn, 36, kDateColumn, 14, TRUE);
    int y = hh - bottomRows;
    MoveWindow(GetDlgItem(h, 0x442), 8, y + 4, 80, 16, TRUE);
    MoveWindow(GetDlgItem(h, IDC_FD_NAME), 92, y, w - 92 - 96, 22, TRUE);
    MoveWindow(GetDlgItem(h, IDOK), w - 88, y, 80, 23, TRUE);
    y += 30;
    MoveWindow(GetDlgItem(h, 0x441), 8, y + 4, 80, 16, TRUE);
    MoveWindow(GetDlgItem(h, IDC_FD_TYPES), 92, y, w - 92 - 96, 150, TRUE);
    MoveWindow(GetDlgItem(h, IDCANCEL), w - 88, y, 80, 23, TRUE);
    if (HWND ro = GetDlgItem(h, IDC_FD_READONLY)) MoveWindow(ro, 92, y + 28, 200, 18, TRUE);
}

INT_PTR CALLBACK FileDlgProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    auto* d = Dlg(h);
    if (!d) return FALSE;
    switch (m) {
    case WM_SIZE: LayoutFileDlg(h); return TRUE;
    case WM_DRAWITEM: {
        auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        if (dis->CtlID != IDC_FD_FILES) return FALSE;
        DrawFileRow(d, dis);
        return TRUE;
    }
    case WM_VKEYTOITEM:
        // Backspace in either list goes up one folder.
        if (LOWORD(wp) == VK_BACK) {
            if (d->Folder != "/") Navigate(h, d, ParentOf(d->Folder));
            return -2;  // handled
        }
        return -1;  // the list's own handling
    case WM_COMMAND: {
        int id = LOWORD(wp);
        WORD code = HIWORD(wp);
        if (id == IDC_FD_LOOKIN && code == CBN_SELCHANGE) {
            LRESULT i = SendDlgItemMessageW(h, IDC_FD_LOOKIN, CB_GETCURSEL, 0, 0);
            if (i >= 0 && i < static_cast<LRESULT>(d->Ancestors.size())) Navigate(h, d, d->Ancestors[static_cast<std::size_t>(i)]);
        }
        if (id == IDC_FD_PLACES && code == LBN_SELCHANGE) {
            LRESULT i = SendDlgItemMessageW(h, IDC_FD_PLACES, LB_GETCURSEL, 0, 0);
            if (i >= 0 && i < static_cast<LRESULT>(d->Places.size())) Navigate(h, d, d->Places[static_cast<std::size_t>(i)]);
        }
        if (id == IDC_FD_FILES && code == LBN_SELCHANGE) SelectionToName(h);
        if (id == IDC_FD_FILES && code == LBN_DBLCLK) {
            HWND list = GetDlgItem(h, IDC_FD_FILES);
            LRESULT c = SendMessageW(list, LB_GETCARETINDEX, 0, 0);
            std::string t = c >= 0 ? A(ListText(list, static_cast<int>(c))) : std::string();
            if (!t.empty() && t.back() == '/')
                Navigate(h, d, t == "../" ? ParentOf(d->Folder) : d->Folder + t);
            else if (!t.empty()) {
                SelectionToName(h);
                Accept(h);
            }
        }
        if (id == IDC_FD_TYPES && code == CBN_SELCHANGE) {
            d->FilterIndex = static_cast<int>(SendDlgItemMessageW(h, IDC_FD_TYPES, CB_GETCURSEL, 0, 0));
            d->TempMask.clear();
            Fill(h, d);
        }
        if (id == IDOK && code == BN_CLICKED) Accept(h);
        if (id == IDCANCEL && code == BN_CLICKED) EndDialog(h, IDCANCEL);
        return TRUE;
    }
    default: return FALSE;
    }
}

bool RunFileDialog(TFileDlg& d, HWND owner, const std::string& initialFile) {
    CommctlStartup();
    tLastError = 0;
    DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | ((d.Flags & OFN_ENABLESIZING) ? WS_THICKFRAME : 0);
    HWND h = CreateDialogWindow(style, WS_EX_DLGMODALFRAME, W(d.Title), 600, 380, owner, FileDlgProc);
    if (!h) {
        tLastError = CDERR_DIALOGFAILURE;
        return false;
    }
    SetPropW(h, u"TessaroFileDlg", &d);
    HFONT font = DefaultFont();
    auto make = [&](const char16_t* cls, const char16_t* text, DWORD s, int id) {
        HWND c = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | s, 0, 0, 10, 10, h,
                                 reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), /*hInstance=*/nullptr,
                                 /*lpParam=*/nullptr);
        SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        return c;
    };
    make(u"Static", u"Look &in:", SS_LEFT, 0x443);
    MoveWindow(GetDlgItem(h, 0x443), 8, 10, 60, 16, FALSE);
    make(u"ComboBox", u"", WS_TABSTOP | WS_GROUP | CBS_DROPDOWNLIST | WS_VSCROLL, IDC_FD_LOOKIN);
    make(u"ListBox", u"", WS_TABSTOP | WS_GROUP | WS_BORDER | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_WANTKEYBOARDINPUT, IDC_FD_PLACES);
    make(u"Static", u"Name", SS_LEFT, kNameTitle);
    make(u"Static", u"Size", SS_RIGHT, kSizeTitle);
    make(u"Static", u"Modified", SS_LEFT, kDateTitle);
    make(u"ListBox", u"", WS_TABSTOP | WS_GROUP | WS_BORDER | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_WANTKEYBOARDINPUT | ((d.Flags & OFN_ALLOWMULTISELECT) ? LBS_EXTENDEDSEL : 0), IDC_FD_FILES);
    make(u"Static", u"File &name:", SS_LEFT, 0x442);
    make(u"Edit", u"", WS_TABSTOP | WS_GROUP | WS_BORDER | ES_AUTOHSCROLL, IDC_FD_NAME);
    make(u"Static", u"Files of &type:", SS_LEFT, 0x441);
    HWND types = make(u"ComboBox", u"", WS_TABSTOP | WS_GROUP | CBS_DROPDOWNLIST | WS_VSCROLL, IDC_FD_TYPES);
    make(u"Button", d.Save ? u"&Save" : u"&Open", WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, IDOK);
    make(u"Button", u"Cancel", WS_TABSTOP | BS_PUSHBUTTON, IDCANCEL);
    if (!(d.Flags & OFN_HIDEREADONLY) && !d.Save) {
        make(u"Button", u"Open as &read-only", WS_TABSTOP | WS_GROUP | BS_AUTOCHECKBOX, IDC_FD_READONLY);
        if (d.Flags & OFN_READONLY) CheckDlgButton(h, IDC_FD_READONLY, BST_CHECKED);
    }
    for (auto& f : d.Filters) {
        std::u16string n = W(f.Name);
        SendMessageW(types, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(n.c_str()));
    }
    if (d.Filters.empty()) d.FilterIndex = -1;
    SendMessageW(types, CB_SETCURSEL, static_cast<WPARAM>(d.FilterIndex), 0);
    LayoutFileDlg(h);
    FillPlaces(h, &d);
    Fill(h, &d);
    std::u16string init = W(initialFile);
    SetDlgItemTextW(h, IDC_FD_NAME, init.c_str());
    SendMessageW(h, DM_SETDEFID, IDOK, 0);
    SetFocus(GetDlgItem(h, IDC_FD_NAME));
    INT_PTR r = RunModalDialog(h, owner, MSGF_DIALOGBOX);
    return r == IDOK && !d.Chosen.empty();
}

std::vector<TFilter> FiltersOf(const std::vector<std::string>& parts) {
    std::vector<TFilter> out;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) out.push_back(TFilter{parts[i], parts[i + 1]});
    return out;
}

template <class Ch>
std::vector<std::basic_string<Ch>> DoubleNul(const Ch* p) {
    std::vector<std::basic_string<Ch>> out;
    if (!p) return out;
    while (*p) {
        std::basic_string<Ch> s(p);
        p += s.size() + 1;
        out.push_back(s);
    }
    return out;
}

// Builds the result buffer: full path, or folder NUL names NUL NUL.
std::string ResultBuffer(const TFileDlg& d, WORD& offset, WORD& extension) {
    offset = extension = 0;
    if (d.Chosen.size() == 1) {
        const std::string& p = d.Chosen[0];
        auto slash = p.find_last_of('/');
        offset = static_cast<WORD>(slash + 1);
        auto dot = p.find_last_of('.');
        extension = (dot != std::string::npos && dot > slash) ? static_cast<WORD>(dot + 1) : static_cast<WORD>(0);
        return p;
    }
    std::string folder = NoSlash(ParentOf(d.Chosen[0]));
    std::string out = folder;
    out += '\0';
    offset = static_cast<WORD>(out.size());
    for (auto& p : d.Chosen) {
        out += p.substr(p.find_last_of('/') + 1);
        out += '\0';
    }
    return out;  // the final NUL is added when copied out
}

template <class OFN, class Ch>
BOOL FileDialog(OFN* o, bool save) {
    tLastError = 0;
    if (!o || o->lStructSize < sizeof(OFN) - sizeof(void*) - 2 * sizeof(DWORD)) {
        tLastError = CDERR_STRUCTSIZE;
        return FALSE;
    }
    constexpr bool wide = sizeof(Ch) == 2;
    auto toA = [](const Ch* s) -> std::string {
        if (!s) return {};
        if constexpr (wide)
            return Utf16ToUtf8(std::u16string(reinterpret_cast<const char16_t*>(s)));
        else
            return std::string(reinterpret_cast<const char*>(s));
    };
    TFileDlg d;
    d.Save = save;
    d.Flags = o->Flags;
    d.Title = o->lpstrTitle ? toA(o->lpstrTitle) : std::string(save ? "Save As" : "Open");
    d.DefExt = toA(o->lpstrDefExt);
    std::vector<std::string> parts;
    for (auto& s : DoubleNul(o->lpstrFilter)) {
        if constexpr (wide)
            parts.push_back(Utf16ToUtf8(std::u16string(s.begin(), s.end())));
        else
            parts.push_back(std::string(s.begin(), s.end()));
    }
    d.Filters = FiltersOf(parts);
    d.FilterIndex = o->nFilterIndex > 0 ? static_cast<int>(o->nFilterIndex) - 1 : 0;
    if (d.FilterIndex >= static_cast<int>(d.Filters.size())) d.FilterIndex = 0;
    std::string initial = o->lpstrFile ? toA(o->lpstrFile) : std::string();
    std::string folder = toA(o->lpstrInitialDir);
    if (!initial.empty() && initial.find('/') != std::string::npos) {
        std::string dir = initial.substr(0, initial.find_last_of('/') + 1);
        if (folder.empty() && IsDir(dir)) folder = dir;
        initial = initial.substr(initial.find_last_of('/') + 1);
    }
    if (folder.empty() || !IsDir(folder)) folder = CurrentDir();
    d.Folder = WithSlash(Normal(folder));
    if (!RunFileDialog(d, o->hwndOwner, initial)) return FALSE;
    WORD off, ext;
    std::string result = ResultBuffer(d, off, ext);
    if (o->Flags & OFN_ALLOWMULTISELECT) result += '\0';
    std::basic_string<Ch> out;
    if constexpr (wide) {
        // Offsets count UTF-16 units for the wide call.
        std::u16string w = Utf8ToUtf16(std::string(result.data(), result.size()));
        out.assign(w.begin(), w.end());
        off = static_cast<WORD>(Utf8ToUtf16(result.substr(0, off)).size());
        ext = ext ? static_cast<WORD>(Utf8ToUtf16(result.substr(0, ext)).size()) : static_cast<WORD>(0);
    } else {
        out.assign(result.begin(), result.end());
    }
    if (!o->lpstrFile || out.size() + 1 > o->nMaxFile) {
        // The size needed goes into the first two characters, as callers expect.
        if (o->lpstrFile && o->nMaxFile >= 2) {
            DWORD need = static_cast<DWORD>(out.size() + 1);
            std::memcpy(o->lpstrFile, &need, sizeof(Ch) * 2 <= 4 ? sizeof(Ch) * 2 : 4);
        }
        tLastError = FNERR_BUFFERTOOSMALL;
        return FALSE;
    }
    std::copy(out.begin(), out.end(), o->lpstrFile);
    o->lpstrFile[out.size()] = 0;
    o->nFileOffset = off;
    o->nFileExtension = ext;
    o->nFilterIndex = static_cast<DWORD>(std::max(d.FilterIndex, 0) + 1);
    if (d.ReadOnly)
        o->Flags |= OFN_READONLY;
    else
        o->Flags &= ~OFN_READONLY;
    if (o->lpstrFileTitle && o->nMaxFileTitle) {
        std::string title = d.Chosen[0].substr(d.Chosen[0].find_last_of('/') + 1);
        if constexpr (wide)
            CopyW(Utf8ToUtf16(title), reinterpret_cast<LPWSTR>(o->lpstrFileTitle), static_cast<int>(o->nMaxFileTitle));
        else
            CopyA(title, reinterpret_cast<LPSTR>(o->lpstrFileTitle), static_cast<int>(o->nMaxFileTitle));
    }
    return TRUE;
}

// ---- Item lists -----------------------------------------------------------------
// A block: the size, then the path's UTF-8 bytes and a NUL.
struct TBlockHead {
    std::size_t Size;
    std::size_t Magic;
};
constexpr std::size_t kMagic = 0x7E55A80C;

// The shell namespace's lists (shellfolder.h).
std::string PathOfList(LPCITEMIDLIST p) { return p ? ShellPathFromIDList(p) : std::string(); }

using TItems = std::vector<std::string>;

TItems ItemsOfPath(const std::string& path, bool& ok) {
    ok = false;
    if (path.empty()) return {};
    IShellFolder* desktop = nullptr;
    SHGetDesktopFolder(&desktop);
    LPITEMIDLIST l = nullptr;
    const std::u16string w = Utf8ToUtf16(path);
    ok = desktop->ParseDisplayName(/*Owner=*/nullptr, /*BindContext=*/nullptr, w.c_str(), /*Eaten=*/nullptr, &l,
                                   /*Attributes=*/nullptr) == S_OK &&
         l;
    desktop->Release();
    TItems items = ShellIDListItems(l);
    CoTaskMemFree(l);
    return items;
}

LPITEMIDLIST ListOfPath(const std::string& path) {
    bool ok = false;
    TItems items = ItemsOfPath(path, ok);
    return ok ? ShellIDListOf(items) : nullptr;
}

// Name (normal, or the path for parsing) and attributes of an absolute item list.
std::string NameOfItems(const TItems& items, DWORD flags = SHGDN_NORMAL) {
    IShellFolder* desktop = nullptr;
    SHGetDesktopFolder(&desktop);
    LPITEMIDLIST l = ShellIDListOf(items);
    STRRET s;
    std::string out;
    if (desktop->GetDisplayNameOf(l, flags, &s) == S_OK && s.pOleStr) {
        out = Utf16ToUtf8(s.pOleStr);
        CoTaskMemFree(s.pOleStr);
    }
    CoTaskMemFree(l);
    desktop->Release();
    return out;
}

bool IsFolderItems(const TItems& items) {
    IShellFolder* desktop = nullptr;
    SHGetDesktopFolder(&desktop);
    LPITEMIDLIST l = ShellIDListOf(items);
    ULONG a = SFGAO_FOLDER;
    LPCITEMIDLIST one[] = {l};
    const bool folder = items.empty() || (desktop->GetAttributesOf(1, one, &a) == S_OK && (a & SFGAO_FOLDER));
    CoTaskMemFree(l);
    desktop->Release();
    return folder;
}

// ---- The folder browser ----------------------------------------------------------
// It shows one namespace folder's items; ".." leads up, to the desktop at last.
struct TBrowse {
    TItems Root;      // the top it does not go above
    TItems Folder;    // shown
    TItems Selected;  // the chosen item
    TItems Rows;      // the list's items after "..", one each
    std::vector<std::string> RowIcons;  // every row's icon, ".." included
    std::map<std::string, HICON> Icons;
    BFFCALLBACK Callback = nullptr;
    LPARAM Data = 0;
    UINT Flags = 0;
    bool Wide = false;
    bool Ready = false;  // BFFM_INITIALIZED was sent
};

TBrowse* Bd(HWND h) { return static_cast<TBrowse*>(GetPropW(h, u"TessaroBrowse")); }

bool StartsWith(const TItems& items, const TItems& head) {
    return items.size() >= head.size() && std::equal(head.begin(), head.end(), items.begin());
}

void BrowseSelChanged(HWND h, TBrowse* b) {
    std::string path = PathOfList(nullptr);
    {
        LPITEMIDLIST l = ShellIDListOf(b->Selected);
        path = PathOfList(l);
        CoTaskMemFree(l);
    }
    const std::string shown = path.empty() ? NameOfItems(b->Selected) : path;
    SetDlgItemTextW(h, IDC_BFF_PATH, W(shown).c_str());
    if (b->Flags & BIF_EDITBOX) SetDlgItemTextW(h, IDC_BFF_EDIT, W(NameOfItems(b->Selected)).c_str());
    if (b->Callback && b->Ready) {
        LPITEMIDLIST p = ShellIDListOf(b->Selected);
        b->Callback(h, BFFM_SELCHANGED, reinterpret_cast<LPARAM>(p), b->Data);
        ILFree(p);
    }
}

void BrowseFill(HWND h, TBrowse* b, const std::string& select) {
    HWND list = GetDlgItem(h, IDC_BFF_FOLDERS);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    b->Rows.clear();
    b->RowIcons.clear();
    if (b->Folder != b->Root) {
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u".."));
        b->RowIcons.push_back("");
    }
    IShellFolder* desktop = nullptr;
    SHGetDesktopFolder(&desktop);
    IShellFolder* folder = nullptr;
    if (b->Folder.empty()) {
        folder = desktop;
        folder->AddRef();
    } else {
        LPITEMIDLIST l = ShellIDListOf(b->Folder);
        desktop->BindToObject(l, /*BindContext=*/nullptr, /*Iid=*/nullptr, reinterpret_cast<void**>(&folder));
        CoTaskMemFree(l);
    }
    int selIndex = -1;
    IEnumIDList* e = nullptr;
    const DWORD flags = SHCONTF_FOLDERS | ((b->Flags & BIF_BROWSEINCLUDEFILES) ? SHCONTF_NONFOLDERS : 0);
    if (folder && folder->EnumObjects(h, flags, &e) == S_OK && e) {
        LPITEMIDLIST item = nullptr;
        ULONG got = 0;
        while (e->Next(1, &item, &got) == S_OK && got == 1) {
            STRRET s;
            std::u16string name;
            if (folder->GetDisplayNameOf(item, SHGDN_NORMAL, &s) == S_OK && s.pOleStr) {
                name = s.pOleStr;
                CoTaskMemFree(s.pOleStr);
            }
            const TItems one = ShellIDListItems(item);
            CoTaskMemFree(item);
            if (one.size() != 1) continue;
            LRESULT i = SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
            b->Rows.push_back(one[0]);
            TItems abs = b->Folder;
            abs.push_back(one[0]);
            LPITEMIDLIST al = ShellIDListOf(abs);
            b->RowIcons.push_back(ShellIconName(al));
            CoTaskMemFree(al);
            if (one[0] == select) selIndex = static_cast<int>(i);
        }
        e->Release();
    }
    if (folder) folder->Release();
    desktop->Release();
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(selIndex), 0);
    b->Selected = b->Folder;
    if (selIndex >= 0) b->Selected.push_back(select);
    BrowseSelChanged(h, b);
}

// The item of a list row ("" for ".." and no row).
std::string RowItem(HWND h, TBrowse* b, LRESULT row) {
    const LRESULT first = b->Folder != b->Root ? 1 : 0;
    if (row < first || row - first >= static_cast<LRESULT>(b->Rows.size())) return {};
    return b->Rows[static_cast<std::size_t>(row - first)];
}

void BrowseTo(HWND h, TBrowse* b, TItems items) {
    // Keep within the root.
    if (!StartsWith(items, b->Root)) items = b->Root;
    if (items == b->Root) {
        b->Folder = b->Root;
        BrowseFill(h, b, "");
        return;
    }
    const std::string last = items.back();
    items.pop_back();
    b->Folder = items;
    BrowseFill(h, b, last);
}

INT_PTR CALLBACK BrowseProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    auto* b = Bd(h);
    if (!b) return FALSE;
    switch (m) {
    case WM_COMMAND: {
        int id = LOWORD(wp);
        WORD code = HIWORD(wp);
        HWND list = GetDlgItem(h, IDC_BFF_FOLDERS);
        if (id == IDC_BFF_FOLDERS && (code == LBN_SELCHANGE || code == LBN_DBLCLK)) {
            LRESULT c = SendMessageW(list, LB_GETCURSEL, 0, 0);
            const bool up = c == 0 && b->Folder != b->Root;
            const std::string item = c >= 0 ? RowItem(h, b, c) : std::string();
            if (code == LBN_DBLCLK) {
                if (up) {
                    BrowseTo(h, b, b->Folder);
                } else if (!item.empty()) {
                    TItems next = b->Folder;
                    next.push_back(item);
                    if (IsFolderItems(next)) {
                        b->Folder = next;
                        BrowseFill(h, b, "");
                    }
                }
            } else if (!up) {
                b->Selected = b->Folder;
                if (!item.empty()) b->Selected.push_back(item);
                BrowseSelChanged(h, b);
            }
        }
        if (id == IDOK && code == BN_CLICKED) {
            if (!IsWindowEnabled(GetDlgItem(h, IDOK))) return TRUE;
            if (b->Flags & BIF_EDITBOX) {
                char16_t buf[1024] = {};
                GetDlgItemTextW(h, IDC_BFF_EDIT, buf, 1024);
                std::string t = A(buf);
                if (!t.empty() && t != NameOfItems(b->Selected)) {
                    LPITEMIDLIST fl = ShellIDListOf(b->Folder);
                    std::string base = PathOfList(fl);
                    CoTaskMemFree(fl);
                    std::string full = t[0] == '/' ? t : (base.empty() ? std::string() : WithSlash(base) + t);
                    bool ok = false;
                    TItems items = ItemsOfPath(Normal(full), ok);
                    if (ok && IsFolderItems(items))
                        b->Selected = items;
                    else if (b->Flags & BIF_VALIDATE) {
                        bool keep = false;
                        if (b->Callback) {
                            if (b->Wide) {
                                std::u16string wt = W(t);
                                keep = b->Callback(h, BFFM_VALIDATEFAILEDW, reinterpret_cast<LPARAM>(wt.c_str()), b->Data) != 0;
                            } else {
                                keep = b->Callback(h, BFFM_VALIDATEFAILEDA, reinterpret_cast<LPARAM>(t.c_str()), b->Data) != 0;
                            }
                        }
                        if (keep) return TRUE;
                        EndDialog(h, IDCANCEL);
                        return TRUE;
                    }
                }
            }
            EndDialog(h, IDOK);
        }
        if (id == IDCANCEL && code == BN_CLICKED) EndDialog(h, IDCANCEL);
        return TRUE;
    }
    case BFFM_SETSELECTIONA:
    case BFFM_SETSELECTIONW: {
        TItems items;
        bool ok = true;
        if (!wp)
            items = ShellIDListItems(reinterpret_cast<LPCITEMIDLIST>(lp));
        else if (m == BFFM_SETSELECTIONW)
            items = ItemsOfPath(Normal(A(lp ? std::u16string(reinterpret_cast<LPCWSTR>(lp)) : std::u16string())), ok);
        else
            items = ItemsOfPath(Normal(lp ? reinterpret_cast<LPCSTR>(lp) : ""), ok);
        if (ok) BrowseTo(h, b, items);
        SetWindowLongPtrW(h, DWLP_MSGRESULT, ok);
        return TRUE;
    }
    case BFFM_SETSTATUSTEXTA:
    case BFFM_SETSTATUSTEXTW: {
        std::u16string s = !lp ? std::u16string() : m == BFFM_SETSTATUSTEXTW ? std::u16string(reinterpret_cast<LPCWSTR>(lp)) : W(reinterpret_cast<LPCSTR>(lp));
        SetDlgItemTextW(h, IDC_BFF_STATUS, s.c_str());
        return TRUE;
    }
    case WM_MEASUREITEM:
        reinterpret_cast<MEASUREITEMSTRUCT*>(lp)->itemHeight = 18;
        return TRUE;
    case WM_DRAWITEM: {
        auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
        if (d->CtlID != IDC_BFF_FOLDERS) return FALSE;
        const bool sel = d->itemState & ODS_SELECTED;
        FillRect(d->hDC, &d->rcItem, GetSysColorBrush(sel ? COLOR_HIGHLIGHT : COLOR_WINDOW));
        if (static_cast<int>(d->itemID) < 0) return TRUE;
        const std::size_t row = d->itemID;
        if (row < b->RowIcons.size() && !b->RowIcons[row].empty()) {
            HICON& icon = b->Icons[b->RowIcons[row]];
            if (!icon) icon = LoadIconFromResource(b->RowIcons[row].c_str(), 16, 16);
            if (icon)
                DrawIconEx(d->hDC, d->rcItem.left + 2, d->rcItem.top + 1, icon, 16, 16, 0,
                           /*hbrFlickerFreeDraw=*/nullptr, DI_NORMAL);
        }
        const std::u16string text = ListText(d->hwndItem, static_cast<int>(row));
        RECT r = d->rcItem;
        r.left += 22;
        SetBkMode(d->hDC, TRANSPARENT);
        SetTextColor(d->hDC, GetSysColor(sel ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        DrawTextW(d->hDC, text.c_str(), static_cast<int>(text.size()), &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        return TRUE;
    }
    case BFFM_ENABLEOK: EnableWindow(GetDlgItem(h, IDOK), lp != 0); return TRUE;
    case BFFM_SETOKTEXT:
        if (lp) SetDlgItemTextW(h, IDOK, reinterpret_cast<LPCWSTR>(lp));
        return TRUE;
    default: return FALSE;
    }
}

LPITEMIDLIST Browse(HWND owner, PCIDLIST_ABSOLUTE root, const std::string& title, UINT flags, BFFCALLBACK cb, LPARAM data,
                    bool wide, std::string& displayName) {
    CommctlStartup();
    TBrowse b;
    b.Root = root ? ShellIDListItems(root) : TItems();
    b.Callback = cb;
    b.Data = data;
    b.Flags = flags;
    b.Wide = wide;
    DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | ((flags & BIF_NEWDIALOGSTYLE) ? WS_THICKFRAME : 0);
    HWND h = CreateDialogWindow(style, WS_EX_DLGMODALFRAME, u"Browse for Folder", 320, 340, owner, BrowseProc);
    if (!h) return nullptr;
    SetPropW(h, u"TessaroBrowse", &b);
    HFONT font = DefaultFont();
    auto make = [&](const char16_t* cls, const std::u16string& text, DWORD s, int id, int x, int y, int w, int hh) {
        HWND c = CreateWindowExW(0, cls, text.c_str(), WS_CHILD | WS_VISIBLE | s, x, y, w, hh, h,
                                 reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), /*hInstance=*/nullptr,
                                 /*lpParam=*/nullptr);
        SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        return c;
    };
    make(u"Static", W(title), SS_LEFT | SS_NOPREFIX, IDC_BFF_TITLE, 10, 8, 300, 30);
    make(u"Static", u"", SS_LEFT | SS_NOPREFIX, IDC_BFF_STATUS, 10, 40, 300, 16);
    make(u"Static", u"", SS_LEFT | SS_NOPREFIX | SS_PATHELLIPSIS | SS_SUNKEN, IDC_BFF_PATH, 10, 60, 300, 18);
    int listBottom = (flags & BIF_EDITBOX) ? 270 : 300;
    make(u"ListBox", u"", WS_TABSTOP | WS_BORDER | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS, IDC_BFF_FOLDERS, 10, 84, 300, listBottom - 84);
    if (flags & BIF_EDITBOX) make(u"Edit", u"", WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, IDC_BFF_EDIT, 10, 276, 300, 20);
    make(u"Button", u"OK", WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK, 150, 308, 75, 23);
    make(u"Button", u"Cancel", WS_TABSTOP | BS_PUSHBUTTON, IDCANCEL, 235, 308, 75, 23);
    b.Folder = b.Root;
    BrowseFill(h, &b, "");
    SendMessageW(h, DM_SETDEFID, IDOK, 0);
    SetFocus(GetDlgItem(h, IDC_BFF_FOLDERS));
    if (cb) cb(h, BFFM_INITIALIZED, 0, data);
    b.Ready = true;
    if (IsWindow(h)) BrowseSelChanged(h, &b);
    INT_PTR r = RunModalDialog(h, owner, MSGF_DIALOGBOX);
    for (auto& icon : b.Icons)
        if (icon.second) DestroyIcon(icon.second);
    if (r != IDOK) return nullptr;
    displayName = NameOfItems(b.Selected);
    return ShellIDListOf(b.Selected);
}

class TShellMalloc : public IMalloc {};

}  // namespace
}  // namespace cc

using namespace cc;

void TestHookSetMountTable(const std::string& path) { cc::gMountTable = path; }

BOOL GetOpenFileNameA(LPOPENFILENAMEA o) { return FileDialog<OPENFILENAMEA, char>(o, /*save=*/false); }
BOOL GetOpenFileNameW(LPOPENFILENAMEW o) { return FileDialog<OPENFILENAMEW, char16_t>(o, /*save=*/false); }
BOOL GetSaveFileNameA(LPOPENFILENAMEA o) { return FileDialog<OPENFILENAMEA, char>(o, /*save=*/true); }
BOOL GetSaveFileNameW(LPOPENFILENAMEW o) { return FileDialog<OPENFILENAMEW, char16_t>(o, /*save=*/true); }
DWORD CommDlgExtendedError() { return tLastError; }

LPITEMIDLIST SHBrowseForFolderA(BROWSEINFOA* bi) {
    if (!bi) return nullptr;
    std::string name;
    LPITEMIDLIST r = Browse(bi->hwndOwner, bi->pidlRoot, bi->lpszTitle ? bi->lpszTitle : "", bi->ulFlags, bi->lpfn,
                            bi->lParam, /*wide=*/false, name);
    if (r && bi->pszDisplayName) CopyA(name, bi->pszDisplayName, 260);
    return r;
}
LPITEMIDLIST SHBrowseForFolderW(BROWSEINFOW* bi) {
    if (!bi) return nullptr;
    std::string name;
    LPITEMIDLIST r = Browse(bi->hwndOwner, bi->pidlRoot, bi->lpszTitle ? Utf16ToUtf8(bi->lpszTitle) : "", bi->ulFlags,
                            bi->lpfn, bi->lParam, /*wide=*/true, name);
    if (r && bi->pszDisplayName) CopyW(Utf8ToUtf16(name), bi->pszDisplayName, 260);
    return r;
}

BOOL SHGetPathFromIDListA(LPCITEMIDLIST p, LPSTR out) {
    if (!out) return FALSE;
    out[0] = 0;
    std::string s = PathOfList(p);
    if (s.empty() || s.size() >= 260) return FALSE;
    std::memcpy(out, s.c_str(), s.size() + 1);
    return TRUE;
}
BOOL SHGetPathFromIDListW(LPCITEMIDLIST p, LPWSTR out) {
    if (!out) return FALSE;
    out[0] = 0;
    std::u16string s = Utf8ToUtf16(PathOfList(p));
    if (s.empty() || s.size() >= 260) return FALSE;
    std::copy(s.begin(), s.end(), out);
    out[s.size()] = 0;
    return TRUE;
}
LPITEMIDLIST ILCreateFromPathA(LPCSTR p) { return p && *p ? ListOfPath(p) : nullptr; }
LPITEMIDLIST ILCreateFromPathW(LPCWSTR p) { return p && *p ? ListOfPath(Utf16ToUtf8(p)) : nullptr; }
void ILFree(LPITEMIDLIST p) { CoTaskMemFree(p); }

void* CoTaskMemAlloc(std::size_t cb) {
    auto* head = static_cast<TBlockHead*>(std::malloc(sizeof(TBlockHead) + std::max<std::size_t>(cb, 1)));
    if (!head) return nullptr;
    head->Size = cb;
    head->Magic = kMagic;
    return head + 1;
}
void CoTaskMemFree(void* pv) {
    if (!pv) return;
    auto* head = static_cast<TBlockHead*>(pv) - 1;
    if (head->Magic != kMagic) return;  // not a block of ours: leave it alone
    head->Magic = 0;
    std::free(head);
}

void* IMalloc::Alloc(std::size_t cb) { return CoTaskMemAlloc(cb); }
void* IMalloc::Realloc(void* pv, std::size_t cb) {
    if (!pv) return CoTaskMemAlloc(cb);
    void* n = CoTaskMemAlloc(cb);
    if (!n) return nullptr;
    std::memcpy(n, pv, std::min(cb, GetSize(pv)));
    CoTaskMemFree(pv);
    return n;
}
void IMalloc::Free(void* pv) { CoTaskMemFree(pv); }
std::size_t IMalloc::GetSize(void* pv) { return pv ? (static_cast<TBlockHead*>(pv) - 1)->Size : 0; }
ULONG IMalloc::AddRef() { return 1; }
ULONG IMalloc::Release() { return 1; }

long SHGetMalloc(LPMALLOC* pp) {
    static TShellMalloc shellMalloc;
    if (!pp) return static_cast<long>(0x80070057L);
    *pp = &shellMalloc;
    return 0;
}
