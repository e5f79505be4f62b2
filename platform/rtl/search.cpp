// File search with masks: FindFirst / FindNext / FindClose and MatchesMask
// ('*', '?' and bracketed sets such as [a-c] or [!0-9], ignoring case).
#include <dirent.h>
#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/rtl/sysutils.h"

namespace {

// Error codes of the search, as callers compare them with 0 only.
constexpr int ErrFileNotFound = 2;
constexpr int ErrPathNotFound = 3;
constexpr int ErrNoMoreFiles = 18;

// Code points of a UTF-8 name, ASCII letters folded to lower case, so that
// '?' stands for one character however many bytes it takes.
std::u32string Fold(const std::string& S) {
    std::u32string r;
    for (size_t i = 0; i < S.size();) {
        auto c = static_cast<unsigned char>(S[i]);
        int len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
        char32_t cp = len == 1 ? c : c & (0x3F >> (len - 1));
        for (int k = 1; k < len; ++k) {
            if (i + k >= S.size() || (static_cast<unsigned char>(S[i + k]) & 0xC0) != 0x80) {
                len = 1;  // not UTF-8: the byte stands for itself
                cp = c;
                break;
            }
            cp = (cp << 6) | (static_cast<unsigned char>(S[i + k]) & 0x3F);
        }
        if (cp >= 'A' && cp <= 'Z') cp += 32;
        r += cp;
        i += static_cast<size_t>(len);
    }
    return r;
}

// One element of a mask: a character, '?', '*' or a bracketed set.
struct MaskItem {
    enum Kind { Char, Any, Star, Set } kind = Char;
    char32_t c = 0;
    bool negate = false;
    std::vector<std::pair<char32_t, char32_t>> ranges;
};

std::vector<MaskItem> ParseMask(const std::u32string& m) {
    std::vector<MaskItem> r;
    for (size_t i = 0; i < m.size(); ++i) {
        MaskItem it;
        if (m[i] == U'*') {
            it.kind = MaskItem::Star;
        } else if (m[i] == U'?') {
            it.kind = MaskItem::Any;
        } else if (m[i] == U'[' && m.find(U']', i + 1) != std::u32string::npos) {
            // [abc], [a-z], [!a-z]; an unclosed '[' is an ordinary character
            it.kind = MaskItem::Set;
            size_t close = m.find(U']', i + 1);
            size_t k = i + 1;
            if (k < close && m[k] == U'!') {
                it.negate = true;
                ++k;
            }
            for (; k < close; ++k) {
                if (k + 2 < close && m[k + 1] == U'-') {
                    it.ranges.emplace_back(m[k], m[k + 2]);
                    k += 2;
                } else {
                    it.ranges.emplace_back(m[k], m[k]);
                }
            }
            i = close;
        } else {
            it.c = m[i];
        }
        r.push_back(std::move(it));
    }
    return r;
}

bool MatchOne(const MaskItem& it, char32_t c) {
    switch (it.kind) {
    case MaskItem::Any:
        return true;
    case MaskItem::Set: {
        bool in = false;
        for (const auto& r : it.ranges)
            if (c >= r.first && c <= r.second) in = true;
        return in != it.negate;
    }
    default:
        return it.c == c;
    }
}

bool Match(const std::u32string& s, const std::vector<MaskItem>& m) {
    size_t si = 0, mi = 0, star = std::string::npos, back = 0;
    while (si < s.size()) {
        if (mi < m.size() && m[mi].kind != MaskItem::Star && MatchOne(m[mi], s[si])) {
            ++si;
            ++mi;
        } else if (mi < m.size() && m[mi].kind == MaskItem::Star) {
            star = mi++;
            back = si;
        } else if (star != std::string::npos) {
            mi = star + 1;
            si = ++back;
        } else {
            return false;
        }
    }
    while (mi < m.size() && m[mi].kind == MaskItem::Star) ++mi;
    return mi == m.size();
}

TDateTime LocalTime(const struct timespec& ts) {
    struct tm lt;
    time_t t = ts.tv_sec;
    localtime_r(&t, &lt);
    return EncodeDate(lt.tm_year + 1900, lt.tm_mon + 1, lt.tm_mday) +
           EncodeTime(lt.tm_hour, lt.tm_min, std::min(lt.tm_sec, 59), static_cast<int>(ts.tv_nsec / 1000000));
}

int AttrOf(const std::string& Name, const struct stat& st) {
    int a = 0;
    if (S_ISDIR(st.st_mode)) a |= faDirectory;
    else if (S_ISREG(st.st_mode)) a |= faArchive;
    else a |= faSysFile;  // devices, pipes, sockets
    if (!(st.st_mode & S_IWUSR)) a |= faReadOnly;
    if (Name.size() > 1 && Name[0] == '.' && Name != "..") a |= faHidden;
    return a;
}

}  // namespace

bool MatchesMask(const std::string& FileName, const std::string& Mask) {
    // "*.*" means every name, with or without a dot
    if (Mask == "*.*") return true;
    return Match(Fold(FileName), ParseMask(Fold(Mask)));
}

int FindFirst(const std::string& Path, int Attr, TSearchRec& F) {
    FindClose(F);
    F.Dir = ExtractFilePath(Path);
    F.Mask = ExtractFileName(Path);
    F.Want = Attr;
    DIR* d = ::opendir(F.Dir.empty() ? "." : F.Dir.c_str());
    if (!d) return ErrPathNotFound;
    while (struct dirent* e = ::readdir(d)) {
        std::string name = e->d_name;
        if (MatchesMask(name, F.Mask)) F.Pending.push_back(name);
    }
    ::closedir(d);
    // Sorted ignoring case, as users expect a listing to read; kept reversed so
    // that FindNext takes from the back.
    std::sort(F.Pending.begin(), F.Pending.end(), [](const std::string& a, const std::string& b) {
        int c = CompareText(a, b);
        return c != 0 ? c > 0 : a > b;
    });
    int r = FindNext(F);
    return r == ErrNoMoreFiles ? ErrFileNotFound : r;
}

int FindNext(TSearchRec& F) {
    while (!F.Pending.empty()) {
        std::string name = std::move(F.Pending.back());
        F.Pending.pop_back();
        std::string full = F.Dir + name;
        struct stat st;
        if (::stat(full.c_str(), &st) != 0 && ::lstat(full.c_str(), &st) != 0) continue;  // gone meanwhile
        int attr = AttrOf(name, st);
        // Plain files always come; folders, hidden and system entries only when asked for.
        int special = attr & (faDirectory | faHidden | faSysFile);
        if ((special & ~F.Want) != 0) continue;
        F.Name = name;
        F.Attr = attr;
        F.Size = S_ISDIR(st.st_mode) ? 0 : static_cast<int64_t>(st.st_size);
        F.Time = LocalTime(st.st_mtim);
        return 0;
    }
    return ErrNoMoreFiles;
}

void FindClose(TSearchRec& F) {
    F.Pending.clear();
    F.Pending.shrink_to_fit();
}
