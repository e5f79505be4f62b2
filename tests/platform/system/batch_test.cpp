// The command processor: reading lines, running batch files through CreateProcess
// with redirected pipes, and file names that no shell ever sees.
#include <gtest/gtest.h>

#include "platform/system/batch.h"
#include "platform/system/process.h"
#include "sys_test_util.h"

using namespace systest;

namespace {

const std::string kTool = SYS_TESTTOOL;

TEST(BatchLines, SplitAtCrLfAndLf) {
    EXPECT_EQ(batch::SplitBatchLines("a\r\nb\nc"), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(batch::SplitBatchLines("a\r\n\r\n"), (std::vector<std::string>{"a", ""}));
    EXPECT_EQ(batch::SplitBatchLines(""), std::vector<std::string>{});
}

TEST(BatchLines, ReadsCommandsPipesAndRedirections) {
    struct TCase {
        const char* Line;
        std::vector<std::vector<std::string>> Commands;
        std::vector<std::string> Redirects;  // "fd>path", "fd>>path", "fd<path", "fd>&fd" over all commands
    };
    auto describe = [](const batch::TLine& l) {
        std::vector<std::string> out;
        for (const auto& c : l.Commands)
            for (const auto& r : c.Redirects) {
                std::string fd = std::to_string(r.Fd);
                if (r.Dup)
                    out.push_back(fd + ">&" + std::to_string(r.DupFd));
                else
                    out.push_back(fd + (r.Fd == 0 ? "<" : r.Append ? ">>" : ">") + r.Path);
            }
        return out;
    };
    const TCase cases[] = {
        {"prog a b", {{"prog", "a", "b"}}, {}},
        {"\"/x y/prog\" \"a b\" c", {{"/x y/prog", "a b", "c"}}, {}},
        {"a | b", {{"a"}, {"b"}}, {}},
        {"a|b|\"c d\"", {{"a"}, {"b"}, {"c d"}}, {}},
        {"p < \"in file\" > out", {{"p"}}, {"0<in file", "1>out"}},
        {"p >>log 2>&1", {{"p"}}, {"1>>log", "2>&1"}},
        {"p 2> err 1>&2", {{"p"}}, {"2>err", "1>&2"}},
        {"p >&2", {{"p"}}, {"1>&2"}},
        {"p \"a|b\" \"<&>\" \"2>&1\"", {{"p", "a|b", "<&>", "2>&1"}}, {}},
        {"p %PATH% 100% !x! ^a (b)", {{"p", "%PATH%", "100%", "!x!", "^a", "(b)"}}, {}},
        {"p a\\b \"c\\\"", {{"p", "a\\b", "c\\"}}, {}},  // backslashes are literal, the quote still quotes
        {"  @  p x", {{"p", "x"}}, {}},
        {"\"cd\" x", {{"cd", "x"}}, {}},  // a quoted name is a program, not the internal command
        {"file2>out", {{"file2"}}, {"1>out"}},
    };
    for (const auto& c : cases) {
        batch::TLine l;
        std::string error;
        ASSERT_TRUE(batch::ParseBatchLine(c.Line, l, error)) << c.Line << ": " << error;
        EXPECT_EQ(l.LineKind, batch::TLine::Pipeline) << c.Line;
        std::vector<std::vector<std::string>> cmds;
        for (const auto& cmd : l.Commands) cmds.push_back(cmd.Args);
        EXPECT_EQ(cmds, c.Commands) << c.Line;
        EXPECT_EQ(describe(l), c.Redirects) << c.Line;
    }
}

TEST(BatchLines, EchoRemAndEmptyLines) {
    struct TCase {
        const char* Line;
        batch::TLine::Kind Kind;
        bool Silent;
        std::string Text;
        bool EchoOn;
        bool Ask;
    };
    const TCase cases[] = {
        {"", batch::TLine::Empty, false, "", false, false},
        {"   \t", batch::TLine::Empty, false, "", false, false},
        {"@echo off", batch::TLine::EchoState, true, "", false, false},
        {"ECHO On", batch::TLine::EchoState, false, "", true, false},
        {"echo hello  world", batch::TLine::EchoText, false, "hello  world", false, false},
        {"echo.", batch::TLine::EchoText, false, "", false, false},
        {"echo", batch::TLine::EchoText, false, "", false, true},
        {"echo 50% \"|\"", batch::TLine::EchoText, false, "50% \"|\"", false, false},
        {"rem a | b & c", batch::TLine::Comment, false, "", false, false},
        {"REM", batch::TLine::Comment, false, "", false, false},
        {":label", batch::TLine::Comment, true, "", false, false},
        {":: note", batch::TLine::Comment, true, "", false, false},
    };
    for (const auto& c : cases) {
        batch::TLine l;
        std::string error;
        ASSERT_TRUE(batch::ParseBatchLine(c.Line, l, error)) << c.Line << ": " << error;
        EXPECT_EQ(l.LineKind, c.Kind) << c.Line;
        EXPECT_EQ(l.Silent, c.Silent) << c.Line;
        if (c.Kind == batch::TLine::EchoText) {
            EXPECT_EQ(l.Text, c.Text) << c.Line;
            EXPECT_EQ(l.AskState, c.Ask) << c.Line;
        }
        if (c.Kind == batch::TLine::EchoState) {
            EXPECT_EQ(l.EchoOn, c.EchoOn) << c.Line;
        }
    }
    batch::TLine l;
    std::string error;
    ASSERT_TRUE(batch::ParseBatchLine("echo text >> \"the log\"", l, error));
    EXPECT_EQ(l.Text, "text ");
    ASSERT_EQ(l.EchoRedirects.size(), 1u);
    EXPECT_EQ(l.EchoRedirects[0].Path, "the log");
    EXPECT_TRUE(l.EchoRedirects[0].Append);
}

TEST(BatchLines, RefusesWhatItDoesNotUnderstand) {
    const char* const lines[] = {
        "cd /tmp",   "set X=1", "if exist a b", "goto end", "a & b",     "a && b", "a || b", "| b",
        "a |",       "a | | b", "\"unclosed",   "p >",      "p < ",      "p 2>&3", "p <&1",  "echo a | b",
        "call x.bat", "exit /b 1", "p \"\" | \"\"",
    };
    for (const char* line : lines) {
        batch::TLine l;
        std::string error;
        EXPECT_FALSE(batch::ParseBatchLine(line, l, error)) << line;
        EXPECT_FALSE(error.empty()) << line;
    }
}

// Writes a batch file and runs it as the runner does.
TRunResult RunBatch(const TTempDir& tmp, const std::string& name, const std::string& content) {
    std::string file = tmp.Path + name;
    WriteText(file, content);
    return RunLikeRunner(Quote(file), 0, tmp.Path.c_str());
}

TEST(BatchRun, TwoLinesWithAPipeAndRedirectionsKeepOrderAndLastExitCode) {
    TTempDir tmp;
    WriteText(tmp.Path + "in put.txt", "line one\nline two\n");
    for (const char* eol : {"\r\n", "\n"}) {
        std::string line1 = Quote(kTool) + " args b a c | sort";
        std::string line2 = Quote(kTool) + " cat < " + Quote(tmp.Path + "in put.txt") + " > " +
                            Quote(tmp.Path + "out put.txt");
        auto r = RunBatch(tmp, "~convert.bat", line1 + eol + line2 + eol);
        ASSERT_TRUE(r.Started) << r.Error;
        EXPECT_FALSE(r.TimedOut);
        EXPECT_EQ(r.ExitCode, 0u);
        EXPECT_EQ(r.Err, "");
        // Echo is on: each line shows before its output, in the order they ran.
        size_t echo1 = r.Out.find(">" + line1 + "\n");
        size_t sorted = r.Out.find("[a]\n[b]\n[c]\n");
        size_t echo2 = r.Out.find(">" + line2 + "\n");
        ASSERT_NE(echo1, std::string::npos) << r.Out;
        ASSERT_NE(sorted, std::string::npos) << r.Out;
        ASSERT_NE(echo2, std::string::npos) << r.Out;
        EXPECT_LT(echo1, sorted);
        EXPECT_LT(sorted, echo2);
        EXPECT_EQ(ReadText(tmp.Path + "out put.txt"), "line one\nline two\n");
        ::unlink((tmp.Path + "out put.txt").c_str());
    }
}

TEST(BatchRun, ExitCodeIsTheLastCommands) {
    TTempDir tmp;
    struct TCase {
        std::string Content;
        DWORD Code;
    };
    const std::string t = Quote(kTool);
    const TCase cases[] = {
        {"@echo off\r\n" + t + " exit 4\r\n" + t + " exit 0\r\n", 0},
        {"@echo off\r\n" + t + " exit 0\r\n" + t + " exit 7\r\n", 7},
        {"@echo off\r\n" + t + " exit 3 | " + t + " exit 5\r\n", 5},  // a pipeline's last command
        {"@echo off\r\n" + t + " exit 6\r\nrem done\r\necho bye\r\n", 6},
        {"@echo off\r\n", 0},
        {"@echo off\r\nno-such-program-anywhere\r\n", 127},
    };
    for (const auto& c : cases) {
        auto r = RunBatch(tmp, "codes.bat", c.Content);
        ASSERT_TRUE(r.Started);
        EXPECT_EQ(r.ExitCode, c.Code) << c.Content;
    }
}

TEST(BatchRun, EchoAndRedirectionForms) {
    TTempDir tmp;
    const std::string t = Quote(kTool);
    const std::string log = Quote(tmp.Path + "the log");
    std::string content = "@echo off\r\n"
                          "echo hello world\r\n"
                          "echo.\r\n"
                          "echo\r\n"
                          "rem nothing\r\n"
                          "echo first > " + log + "\r\n"
                          "echo second >> " + log + "\r\n" +
                          t + " err oops 2>&1 | " + t + " cat\r\n" +
                          t + " err hidden 2> " + Quote(tmp.Path + "err.txt") + "\r\n" +
                          t + " args x >> " + log + "\r\n";
    auto r = RunBatch(tmp, "forms.cmd", content);
    ASSERT_TRUE(r.Started);
    EXPECT_EQ(r.Out, "hello world\n\nECHO is off.\noops\n");
    EXPECT_EQ(r.Err, "");
    EXPECT_EQ(ReadText(tmp.Path + "the log"), "first \nsecond \n[x]\n");
    EXPECT_EQ(ReadText(tmp.Path + "err.txt"), "hidden\n");
}

TEST(BatchRun, ALineNotUnderstoodStopsBeforeAnythingRuns) {
    TTempDir tmp;
    std::string content = "@echo off\r\n" + Quote(kTool) + " args ran\r\ncd " + tmp.Path + "\r\n";
    auto r = RunBatch(tmp, "bad.bat", content);
    ASSERT_TRUE(r.Started);
    EXPECT_EQ(r.ExitCode, 1u);
    EXPECT_EQ(r.Out, "");
    EXPECT_NE(r.Err.find("bad.bat:3: "), std::string::npos) << r.Err;
    EXPECT_NE(r.Err.find("cd"), std::string::npos) << r.Err;
}

TEST(BatchRun, AMissingRedirectionFileIsReportedWithItsLine) {
    TTempDir tmp;
    std::string content = "@echo off\n" + Quote(kTool) + " cat < " + Quote(tmp.Path + "nope") + "\n";
    auto r = RunBatch(tmp, "missing.bat", content);
    ASSERT_TRUE(r.Started);
    EXPECT_EQ(r.ExitCode, 1u);
    EXPECT_NE(r.Err.find("missing.bat:2: "), std::string::npos) << r.Err;
}

// Names that a shell would have interpreted: they must reach the program unchanged,
// through a batch file and through a plain command line, and run nothing.
TEST(BatchRun, FileNamesPassUnchangedAndNothingIsExecuted) {
    TTempDir tmp;
    const std::string names[] = {
        "with blank.mpg", "dollar$HOME.mpg", "back`id`tick.mpg", "semi;colon.mpg", "amp&ersand.mpg",
        "single'quote.mpg", "paren(the)sis.mpg", "percent%PATH%.mpg", "100%.mpg", "bang!x!.mpg",
        "Grüße ünï.mpg",  "$(touch pwned)", "caret^x.mpg", "pipe|bar.mpg", "lt<gt>.mpg", "star*?.mpg",
    };
    for (const auto& name : names) {
        std::string src = tmp.Path + name;
        std::string dst = tmp.Path + name + " out";
        WriteText(src, "content of " + name);
        // Through a batch file: as an argument, and as redirection source and target.
        std::string content = "@echo off\r\n" + Quote(kTool) + " args " + Quote(src) + " -o " + Quote(dst) +
                              "\r\n" + Quote(kTool) + " cat < " + Quote(src) + " > " + Quote(dst) + "\r\n";
        auto r = RunBatch(tmp, "~convert.bat", content);
        ASSERT_TRUE(r.Started) << name;
        EXPECT_EQ(r.Out, "[" + src + "]\n[-o]\n[" + dst + "]\n") << name;
        EXPECT_EQ(r.Err, "") << name;
        EXPECT_EQ(ReadText(dst), "content of " + name) << name;
        // Through a plain command line.
        r = RunLikeRunner(Quote(kTool) + " args " + Quote(src) + " -x " + Quote(dst), 0, tmp.Path.c_str());
        ASSERT_TRUE(r.Started) << name;
        EXPECT_EQ(r.Out, "[" + src + "]\n[-x]\n[" + dst + "]\n") << name;
    }
    EXPECT_FALSE(Exists(tmp.Path + "pwned"));
    EXPECT_FALSE(Exists("pwned"));
}

TEST(BatchRun, ABatchFileWhoseNameNeedsQuotingRuns) {
    TTempDir tmp;
    auto r = RunBatch(tmp, "my $(touch pwned) 100% file.BAT", "@echo off\n" + Quote(kTool) + " args ok\n");
    ASSERT_TRUE(r.Started) << r.Error;
    EXPECT_EQ(r.Out, "[ok]\n");
    EXPECT_FALSE(Exists(tmp.Path + "pwned"));
}

TEST(BatchRun, CommandProcessorIsFound) {
    std::string cmd = CommandProcessorPath();
    ASSERT_FALSE(cmd.empty());
    EXPECT_NE(cmd.find("tessaro-cmd"), std::string::npos);
    struct TCase {
        const char* Name;
        bool Batch;
    };
    const TCase cases[] = {{"a.bat", true}, {"A.BAT", true}, {"x.Cmd", true}, {"bat", false},
                           {"a.bat.exe", false}, {".bat", true}, {"a.com", false}};
    for (const auto& c : cases) EXPECT_EQ(IsBatchFileName(c.Name), c.Batch) << c.Name;
}

}  // namespace
