// File and path routines of the runtime ('/' paths, names as UTF-8 bytes).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/rtl/sysutils.h"

// ---- Names ----------------------------------------------------------------

std::string ExtractFileName(const std::string& FileName) {
    size_t p = FileName.rfind('/');
    return p == std::string::npos ? FileName : FileName.substr(p + 1);
}

std::string ExtractFilePath(const std::string& FileName) {
    size_t p = FileName.rfind('/');
    return p == std::string::npos ? std::string() : FileName.substr(0, p + 1);
}

std::string ExtractFileDir(const std::string& FileName) {
    size_t p = FileName.rfind('/');
    if (p == std::string::npos) return {};
    if (p == 0) return "/";  // the root keeps its delimiter
    return FileName.substr(0, p);
}

// Position of the extension's dot in FileName, npos when the name has none.
// A name that starts with its only dot (".ini") is all extension: callers take
// the base name of ".ini" to be empty.
static size_t ExtDot(const std::string& FileName) {
    size_t slash = FileName.rfind('/');
    size_t start = slash == std::string::npos ? 0 : slash + 1;
    size_t dot = FileName.rfind('.');
    if (dot == std::string::npos || dot < start) return std::string::npos;
    return dot;
}

std::string ExtractFileExt(const std::string& FileName) {
    size_t d = ExtDot(FileName);
    return d == std::string::npos ? std::string() : FileName.substr(d);
}

std::string ChangeFileExt(const std::string& FileName, const std::string& Extension) {
    size_t d = ExtDot(FileName);
    return (d == std::string::npos ? FileName : FileName.substr(0, d)) + Extension;
}

std::string IncludeTrailingPathDelimiter(const std::string& S) {
    if (!S.empty() && S.back() == '/') return S;
    return S + '/';
}

std::string ExcludeTrailingPathDelimiter(const std::string& S) {
    if (S.size() > 1 && S.back() == '/') return S.substr(0, S.size() - 1);
    return S;
}

std::string ExpandFileName(const std::string& FileName) {
    if (FileName.empty()) return {};
    std::string full = FileName[0] == '/' ? FileName : IncludeTrailingPathDelimiter(GetCurrentDir()) + FileName;
    bool trailing = full.back() == '/';
    std::vector<std::string> parts;
    size_t i = 0;
    while (i < full.size()) {
        size_t j = full.find('/', i);
        if (j == std::string::npos) j = full.size();
        std::string part = full.substr(i, j - i);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        i = j + 1;
    }
    std::string r;
    for (const auto& p : parts) r += "/" + p;
    if (r.empty()) return "/";
    if (trailing) r += '/';
    return r;
}

// ---- Files and folders ----------------------------------------------------

bool FileExists(const std::string& FileName) {
    struct stat st;
    return !FileName.empty() && ::stat(FileName.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& Directory) {
    struct stat st;
    return !Directory.empty() && ::stat(Directory.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CreateDir(const std::string& Dir) { return !Dir.empty() && ::mkdir(Dir.c_str(), 0777) == 0; }

bool ForceDirectories(const std::string& Dir) {
    std::string d = ExcludeTrailingPathDelimiter(Dir);
    if (d.empty()) return false;
    if (DirectoryExists(d)) return true;
    std::string parent = ExtractFileDir(d);
    if (!parent.empty() && parent != d && !ForceDirectories(parent)) return false;
    return CreateDir(d) || DirectoryExists(d);
}

bool RemoveDir(const std::string& Dir) { return !Dir.empty() && ::rmdir(Dir.c_str()) == 0; }

bool DeleteFile(const std::string& FileName) {
    struct stat st;
    if (FileName.empty() || ::lstat(FileName.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
    return ::unlink(FileName.c_str()) == 0;
}

bool RenameFile(const std::string& OldName, const std::string& NewName) {
    if (OldName.empty() || NewName.empty()) return false;
    // Like the platform the callers were written for, never replace an existing file.
    struct stat st;
    if (OldName != NewName && ::lstat(NewName.c_str(), &st) == 0) return false;
    return ::rename(OldName.c_str(), NewName.c_str()) == 0;
}

bool CopyFileTo(const std::string& Source, const std::string& Dest, bool FailIfExists) {
    int in = ::open(Source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    struct stat st;
    if (::fstat(in, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(in);
        return false;
    }
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (FailIfExists ? O_EXCL : O_TRUNC);
    int out = ::open(Dest.c_str(), flags, 0666);
    if (out < 0) {
        ::close(in);
        return false;
    }
    bool ok = true;
    char buf[1 << 16];
    for (;;) {
        ssize_t n = ::read(in, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ok = false;
            break;
        }
        if (n == 0) break;
        for (ssize_t done = 0; done < n;) {
            ssize_t w = ::write(out, buf + done, static_cast<size_t>(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) {
                ok = false;
                break;
            }
            done += w;
        }
        if (!ok) break;
    }
    if (ok) {
        // the copy keeps the time of last change, as callers comparing dates expect
        struct timespec times[2] = {st.st_atim, st.st_mtim};
        ::futimens(out, times);
    }
    ::close(in);
    if (::close(out) != 0) ok = false;
    if (!ok) ::unlink(Dest.c_str());  // no half-written copy left behind
    return ok;
}

int64_t FileSizeOf(const std::string& FileName) {
    struct stat st;
    if (::stat(FileName.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return -1;
    return static_cast<int64_t>(st.st_size);
}

std::string GetCurrentDir() {
    std::vector<char> buf(4096);
    while (::getcwd(buf.data(), buf.size()) == nullptr) {
        if (errno != ERANGE) return {};
        buf.resize(buf.size() * 2);
    }
    return buf.data();
}

bool SetCurrentDir(const std::string& Dir) { return !Dir.empty() && ::chdir(Dir.c_str()) == 0; }

std::string GetEnvironmentVariable(const std::string& Name) {
    const char* v = std::getenv(Name.c_str());
    return v ? v : "";
}
