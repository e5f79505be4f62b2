// The command processor: reads a batch file and runs its lines without a shell.
#include "platform/system/batch.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <signal.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/system/process.h"

extern char** environ;

namespace batch {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Lower(std::string s) {
    for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Commands the old interpreter ran itself; we do not pretend to.
bool IsInternalCommand(const std::string& word) {
    static const char* const kNames[] = {
        "assoc", "break", "call",  "cd",     "chdir",    "cls",   "color",  "copy",   "date",  "del",
        "dir",   "echo",  "endlocal", "erase", "exit",   "for",   "ftype",  "goto",   "if",    "md",
        "mkdir", "mklink", "move", "path",   "pause",    "popd",  "prompt", "pushd",  "rd",    "rem",
        "ren",   "rename", "rmdir", "set",   "setlocal", "shift", "start",  "time",   "title", "type",
        "ver",   "verify", "vol"};
    std::string w = Lower(word);
    for (const char* n : kNames)
        if (w == n) return true;
    return false;
}

struct TToken {
    enum Kind { Word, Pipe, Redir };
    Kind TokKind = Word;
    std::string Text;
    bool Quoted = false;
    TRedirect R;
};

// Splits the command part of a line into words, pipes and redirections.
bool Tokenize(const std::string& s, size_t i, std::vector<TToken>& out, std::string& error) {
    size_t n = s.size();
    while (i < n) {
        if (IsBlank(s[i])) {
            ++i;
            continue;
        }
        char c = s[i];
        if (c == '|') {
            if (i + 1 < n && s[i + 1] == '|') {
                error = "'||' is not supported";
                return false;
            }
            TToken t;
            t.TokKind = TToken::Pipe;
            out.push_back(t);
            ++i;
            continue;
        }
        if (c == '&') {
            error = "'&' is not supported";
            return false;
        }
        bool fdDigit = (c == '1' || c == '2') && i + 1 < n && s[i + 1] == '>';
        if (c == '<' || c == '>' || fdDigit) {
            TToken t;
            t.TokKind = TToken::Redir;
            if (c == '<') {
                t.R.Fd = 0;
                ++i;
                if (i < n && (s[i] == '<' || s[i] == '&')) {
                    error = "this input redirection is not supported";
                    return false;
                }
            } else {
                t.R.Fd = fdDigit ? c - '0' : 1;
                i += fdDigit ? 2 : 1;
                if (i < n && s[i] == '>') {
                    t.R.Append = true;
                    ++i;
                }
                if (i < n && s[i] == '&') {
                    if (t.R.Append || i + 1 >= n || (s[i + 1] != '1' && s[i + 1] != '2')) {
                        error = "this redirection is not supported";
                        return false;
                    }
                    t.R.Dup = true;
                    t.R.DupFd = s[i + 1] - '0';
                    i += 2;
                }
            }
            out.push_back(t);
            continue;
        }
        // A word: quoted parts literal, quotes removed.
        TToken t;
        bool inQuotes = false;
        while (i < n) {
            char d = s[i];
            if (d == '"') {
                inQuotes = !inQuotes;
                t.Quoted = true;
                ++i;
                continue;
            }
            if (!inQuotes) {
                if (IsBlank(d) || d == '|' || d == '<' || d == '>') break;
                if (d == '&') {
                    error = "'&' is not supported";
                    return false;
                }
            }
            t.Text += d;
            ++i;
        }
        if (inQuotes) {
            error = "a double quote is not closed";
            return false;
        }
        out.push_back(std::move(t));
    }
    return true;
}

// Attaches each redirection to the word after it.
bool TakeRedirects(std::vector<TToken>& toks, size_t& k, std::vector<TRedirect>& redirects, std::string& error) {
    TRedirect r = toks[k].R;
    ++k;
    if (!r.Dup) {
        if (k >= toks.size() || toks[k].TokKind != TToken::Word || (toks[k].Text.empty() && !toks[k].Quoted)) {
            error = "a redirection names no file";
            return false;
        }
        r.Path = toks[k].Text;
        ++k;
    }
    redirects.push_back(std::move(r));
    return true;
}

bool ParseEcho(const std::string& line, size_t i, TLine& out, std::string& error) {
    // i is just past "echo"
    size_t n = line.size();
    char delim = i < n ? line[i] : '\0';
    std::string rest = i < n ? line.substr(i + 1) : std::string();
    // Find an unquoted redirection.
    bool inQuotes = false;
    size_t cut = std::string::npos;
    for (size_t k = 0; k < rest.size(); ++k) {
        char c = rest[k];
        if (c == '"') inQuotes = !inQuotes;
        if (inQuotes) continue;
        if (c == '|' || c == '<' || c == '&') {
            error = "echo with '|', '<' or '&' is not supported";
            return false;
        }
        if (c == '>') {
            cut = k;
            if (k > 0 && (rest[k - 1] == '1' || rest[k - 1] == '2') && (k == 1 || IsBlank(rest[k - 2]))) cut = k - 1;
            break;
        }
    }
    std::string text = rest.substr(0, cut);
    if (cut != std::string::npos) {
        std::vector<TToken> toks;
        if (!Tokenize(rest, cut, toks, error)) return false;
        size_t k = 0;
        while (k < toks.size()) {
            if (toks[k].TokKind != TToken::Redir || toks[k].R.Fd == 0) {
                error = "echo takes only output redirections";
                return false;
            }
            if (!TakeRedirects(toks, k, out.EchoRedirects, error)) return false;
        }
    }
    if (delim != '.') {
        std::string t = text;
        while (!t.empty() && IsBlank(t.back())) t.pop_back();
        size_t b = 0;
        while (b < t.size() && IsBlank(t[b])) ++b;
        t = Lower(t.substr(b));
        if (t.empty()) {
            out.LineKind = TLine::EchoText;
            out.AskState = true;
            return true;
        }
        if ((t == "on" || t == "off") && out.EchoRedirects.empty()) {
            out.LineKind = TLine::EchoState;
            out.EchoOn = t == "on";
            return true;
        }
    }
    out.LineKind = TLine::EchoText;
    out.Text = text;
    return true;
}

std::string Cwd() {
    char buf[PATH_MAX];
    return ::getcwd(buf, sizeof buf) ? std::string(buf) : std::string();
}

void WriteAll(int fd, const std::string& s) {
    size_t done = 0;
    while (done < s.size()) {
        ssize_t n = ::write(fd, s.data() + done, s.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return;
        }
        done += static_cast<size_t>(n);
    }
}

int OpenRedirect(const TRedirect& r) {
    int flags = r.Fd == 0 ? O_RDONLY : (O_WRONLY | O_CREAT | (r.Append ? O_APPEND : O_TRUNC));
    return ::open(r.Path.c_str(), flags | O_CLOEXEC, 0666);
}

int StatusToCode(int st) {
    if (WIFEXITED(st)) return WEXITSTATUS(st);
    if (WIFSIGNALED(st)) return 128 + WTERMSIG(st);
    return 1;
}

struct TReport {
    std::string File;
    int Line;
};

void Complain(const TReport& where, const std::string& what) {
    WriteAll(2, where.File + ":" + std::to_string(where.Line) + ": " + what + "\n");
}

int RunEcho(const TLine& line, bool echoOn, const TReport& where) {
    std::string text = line.AskState ? (echoOn ? "ECHO is on." : "ECHO is off.") : line.Text;
    int fds[3] = {0, 1, 2};
    std::vector<int> opened;
    for (const auto& r : line.EchoRedirects) {
        if (r.Dup) {
            fds[r.Fd] = fds[r.DupFd];
            continue;
        }
        int fd = OpenRedirect(r);
        if (fd < 0) {
            Complain(where, "cannot open \"" + r.Path + "\": " + std::strerror(errno));
            for (int o : opened) ::close(o);
            return 1;
        }
        opened.push_back(fd);
        fds[r.Fd] = fd;
    }
    WriteAll(fds[1], text + "\n");
    for (int o : opened) ::close(o);
    return 0;
}

// Runs one pipeline; the answer is the exit code of its last command.
int RunPipeline(const TLine& line, const std::string& self, const TReport& where) {
    size_t count = line.Commands.size();
    std::vector<pid_t> pids(count, 0);
    std::vector<int> toClose;
    int prevRead = -1;
    int lastCode = 0;
    bool lastStarted = false;
    for (size_t c = 0; c < count; ++c) {
        const TCommand& cmd = line.Commands[c];
        int pipeFds[2] = {-1, -1};
        if (c + 1 < count && ::pipe2(pipeFds, O_CLOEXEC) < 0) {
            Complain(where, std::string("cannot make a pipe: ") + std::strerror(errno));
            lastCode = 1;
            break;
        }
        // Where the child's 0, 1 and 2 come from, following the redirections in order.
        int fds[3] = {prevRead >= 0 ? prevRead : 0, pipeFds[1] >= 0 ? pipeFds[1] : 1, 2};
        std::vector<int> opened;
        bool ok = true;
        for (const auto& r : cmd.Redirects) {
            if (r.Dup) {
                fds[r.Fd] = fds[r.DupFd];
                continue;
            }
            int fd = OpenRedirect(r);
            if (fd < 0) {
                Complain(where, "cannot open \"" + r.Path + "\": " + std::strerror(errno));
                ok = false;
                break;
            }
            opened.push_back(fd);
            fds[r.Fd] = fd;
        }
        pid_t pid = 0;
        int code = 1;
        if (ok) {
            std::vector<std::string> argv = cmd.Args;
            std::string program = argv[0];
            if (IsBatchFileName(program)) {
                // Another batch file runs in its own command processor and comes back.
                argv.insert(argv.begin(), self);
                program = self;
            } else if (program.find('/') == std::string::npos) {
                std::string found = FindProgramOnPath(program);
                if (!found.empty()) program = found;
            }
            posix_spawn_file_actions_t fa;
            posix_spawn_file_actions_init(&fa);
            // Through spare descriptors first, so that one dup2 cannot clobber another's source.
            int spare[3];
            for (int k = 0; k < 3; ++k) spare[k] = ::fcntl(fds[k], F_DUPFD_CLOEXEC, 10);
            for (int k = 0; k < 3; ++k)
                if (spare[k] >= 0) posix_spawn_file_actions_adddup2(&fa, spare[k], k);
            std::vector<char*> cargv;
            for (auto& a : argv) cargv.push_back(const_cast<char*>(a.c_str()));
            cargv.push_back(nullptr);
            int rc = ::posix_spawn(&pid, program.c_str(), &fa, nullptr, cargv.data(), environ);
            posix_spawn_file_actions_destroy(&fa);
            for (int k = 0; k < 3; ++k)
                if (spare[k] >= 0) ::close(spare[k]);
            if (rc != 0) {
                Complain(where, "cannot run \"" + cmd.Args[0] + "\": " + std::strerror(rc));
                pid = 0;
                code = rc == ENOENT ? 127 : 1;  // exit codes have 8 bits here
            }
        }
        for (int o : opened) ::close(o);
        if (prevRead >= 0) ::close(prevRead);
        if (pipeFds[1] >= 0) ::close(pipeFds[1]);
        prevRead = pipeFds[0];
        pids[c] = pid;
        if (c + 1 == count) {
            lastCode = code;
            lastStarted = pid != 0;
        }
    }
    if (prevRead >= 0) ::close(prevRead);
    for (size_t c = 0; c < count; ++c) {
        if (!pids[c]) continue;
        int st = 0;
        while (::waitpid(pids[c], &st, 0) < 0 && errno == EINTR) {
        }
        if (c + 1 == count && lastStarted) lastCode = StatusToCode(st);
    }
    return lastCode;
}

}  // namespace

std::vector<std::string> SplitBatchLines(const std::string& Content) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < Content.size()) {
        size_t end = Content.find('\n', start);
        std::string l = Content.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!l.empty() && l.back() == '\r') l.pop_back();
        lines.push_back(std::move(l));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return lines;
}

bool ParseBatchLine(const std::string& Line, TLine& Out, std::string& Error) {
    Out = TLine();
    size_t i = 0, n = Line.size();
    while (i < n && IsBlank(Line[i])) ++i;
    if (i < n && Line[i] == '@') {
        Out.Silent = true;
        ++i;
        while (i < n && IsBlank(Line[i])) ++i;
    }
    if (i >= n) {
        Out.LineKind = TLine::Empty;
        return true;
    }
    if (Line[i] == ':') {
        Out.LineKind = TLine::Comment;
        Out.Silent = true;  // labels are never echoed
        return true;
    }
    auto startsWord = [&](const char* w) {
        size_t len = std::strlen(w);
        if (n - i < len || Lower(Line.substr(i, len)) != w) return false;
        return i + len == n || IsBlank(Line[i + len]) || Line[i + len] == '.';
    };
    if (startsWord("rem") && (i + 3 == n || IsBlank(Line[i + 3]))) {
        Out.LineKind = TLine::Comment;
        return true;
    }
    if (startsWord("echo")) return ParseEcho(Line, i + 4, Out, Error);

    std::vector<TToken> toks;
    if (!Tokenize(Line, i, toks, Error)) return false;
    TCommand cur;
    size_t k = 0;
    auto finish = [&]() -> bool {
        if (cur.Args.empty()) {
            Error = "a command is missing";
            return false;
        }
        Out.Commands.push_back(std::move(cur));
        cur = TCommand();
        return true;
    };
    while (k < toks.size()) {
        TToken& t = toks[k];
        if (t.TokKind == TToken::Pipe) {
            if (!finish()) return false;
            ++k;
        } else if (t.TokKind == TToken::Redir) {
            if (!TakeRedirects(toks, k, cur.Redirects, Error)) return false;
        } else {
            if (cur.Args.empty() && !t.Quoted && IsInternalCommand(t.Text)) {
                Error = "the command \"" + t.Text + "\" is not supported";
                return false;
            }
            if (cur.Args.empty() && t.Text.empty()) {
                Error = "a command is missing";
                return false;
            }
            cur.Args.push_back(t.Text);
            ++k;
        }
    }
    if (!finish()) return false;
    Out.LineKind = TLine::Pipeline;
    return true;
}

int RunBatchFile(const std::string& FileName, const std::vector<std::string>& Args) {
    (void)Args;  // %1 and friends are not expanded (see batch.h)
    std::ifstream in(FileName, std::ios::binary);
    if (!in) {
        WriteAll(2, FileName + ": cannot read the batch file: " + std::strerror(errno) + "\n");
        return 1;
    }
    std::stringstream ss;
    ss << in.rdbuf();
    std::vector<std::string> raw = SplitBatchLines(ss.str());
    std::vector<TLine> lines(raw.size());
    for (size_t k = 0; k < raw.size(); ++k) {
        std::string error;
        if (!ParseBatchLine(raw[k], lines[k], error)) {
            Complain({FileName, static_cast<int>(k + 1)}, error + ": " + raw[k]);
            return 1;
        }
    }
    char selfBuf[PATH_MAX];
    ssize_t sn = ::readlink("/proc/self/exe", selfBuf, sizeof selfBuf - 1);
    std::string self = sn > 0 ? std::string(selfBuf, static_cast<size_t>(sn)) : std::string("tessaro-cmd");

    bool echoOn = true;
    int code = 0;
    for (size_t k = 0; k < lines.size(); ++k) {
        const TLine& line = lines[k];
        TReport where{FileName, static_cast<int>(k + 1)};
        if (line.LineKind == TLine::Empty) continue;
        if (echoOn && !line.Silent) WriteAll(1, "\n" + Cwd() + ">" + raw[k] + "\n");
        switch (line.LineKind) {
            case TLine::Empty:
            case TLine::Comment: break;
            case TLine::EchoState: echoOn = line.EchoOn; break;
            case TLine::EchoText: RunEcho(line, echoOn, where); break;
            case TLine::Pipeline: code = RunPipeline(line, self, where); break;
        }
    }
    return code;
}

}  // namespace batch
