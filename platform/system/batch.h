// The command processor's reading of batch files (run by tessaro-cmd).
//
// What a line may hold:
//   - nothing, or blanks: skipped; "rem ..." and lines starting with ':' are comments;
//   - "echo off" / "echo on" (any letter case), "echo" alone (tells the state),
//     "echo text" and "echo." (an empty line), optionally followed by "> file" or ">> file";
//   - a command: a program and its arguments, separated by blanks or tabs, with
//     '|' between the commands of a pipeline and the redirections '<', '>', '>>',
//     '1>', '1>>', '2>', '2>>', '2>&1' and '1>&2' (also written '>&2');
//   - any line may start with '@', which keeps it from being echoed.
// Double quotes group: everything between them is taken literally, quotes removed.
// No character has a meaning other than the ones above: '%' and '!' are ordinary
// characters (no variable or argument expansion: the system's own batch files rely
// on none, and a file name holding '%' must reach the program unchanged), and so
// are '^', '(' and ')' and backslashes. An unquoted '&' (other than in "2>&1") or
// a command the old interpreter would have run itself ("cd", "set", "goto", "if",
// ...) is a line we do not understand.
// Echo is on at the start: each command line is then written to standard output
// before it runs, after a blank line and the prompt "<working folder>>".
#pragma once

#include <string>
#include <vector>

namespace batch {

struct TRedirect {
    int Fd = 1;           // 0 standard input, 1 output, 2 error
    bool Dup = false;     // to the descriptor DupFd as it stands then ("2>&1")
    int DupFd = 1;
    bool Append = false;
    std::string Path;
};

struct TCommand {
    std::vector<std::string> Args;
    std::vector<TRedirect> Redirects;  // in the order written
};

struct TLine {
    enum Kind { Empty, Comment, EchoState, EchoText, Pipeline };
    Kind LineKind = Empty;
    bool Silent = false;  // began with '@'
    bool EchoOn = false;  // EchoState: the new state; EchoText: "echo" alone asks for the state
    bool AskState = false;
    std::string Text;     // EchoText: what to write (without line end)
    std::vector<TRedirect> EchoRedirects;
    std::vector<TCommand> Commands;  // Pipeline: one or more
};

// Lines of a file, split at LF with a CR before it dropped (CR LF or LF files).
std::vector<std::string> SplitBatchLines(const std::string& Content);
// False with Error set when the line is not one we understand.
bool ParseBatchLine(const std::string& Line, TLine& Out, std::string& Error);

// Runs a batch file: every line is read first; a line not understood is reported
// on standard error as "<file>:<line>: <reason>: <text>" and nothing runs (exit code
// 1). Otherwise the lines run in order, each command with posix_spawn in our
// process group; the answer is the exit code of the last command (0 when none;
// 127 when its program was not found, 128 + the signal number when a signal ended it).
// A program that cannot be started or a redirection file that cannot be opened is
// reported with its line number and the run goes on with the next line.
int RunBatchFile(const std::string& FileName, const std::vector<std::string>& Args);

}  // namespace batch
