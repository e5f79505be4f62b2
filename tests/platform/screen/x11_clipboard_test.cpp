// The clipboard under a real X server is the desktop's: text the program
// copies is what another program pastes (xclip reads it), and text another
// program copies is what the program pastes, as CF_UNICODETEXT and CF_TEXT.
// Starts its own Xvfb when no display is set; skips when there is neither.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include "tests/platform/xvfb_server.h"
#include "platform/win/winscreen.h"
#include "platform/win/winuser.h"

using namespace xvfbtest;

namespace {

const std::u16string kText = u"\u65E5\u672C\u8A9E \u0395\u03BB\u03BB\u03B7\u03BD\u03B9\u03BA\u03AC \U0001F4C0 + ~ \\";
const std::string kUtf8 = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E \xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA"
                          "\xCE\xAC \xF0\x9F\x93\x80 + ~ \\";

std::string RunTool(const std::string& Command) {
    std::string Out;
    FILE* P = popen(Command.c_str(), "r");
    if (!P) return "<no pipe>";
    char Buf[4096];
    size_t N;
    while ((N = fread(Buf, 1, sizeof Buf, P)) > 0) Out.append(Buf, N);
    pclose(P);
    return Out;
}

void CopyText(const std::u16string& Text) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL Block = WinGlobalAlloc((Text.size() + 1) * 2);
    std::memcpy(WinGlobalLock(Block), Text.c_str(), (Text.size() + 1) * 2);
    SetClipboardData(CF_UNICODETEXT, Block);
    CloseClipboard();
}

// What a paste of the given kind reads now.
template <typename Char>
std::basic_string<Char> Paste(UINT Format) {
    std::basic_string<Char> Out;
    if (!OpenClipboard(nullptr)) return Out;
    if (HANDLE H = GetClipboardData(Format)) Out = static_cast<const Char*>(WinGlobalLock(H));
    CloseClipboard();
    return Out;
}

TEST(X11Clipboard, TextGoesBothWaysAsUtf8String) {
    TXvfb Xvfb;
    const char* Display = std::getenv("DISPLAY");
    if (!Display || !*Display) {
        std::string Why;
        if (!Xvfb.Start(Why)) GTEST_SKIP() << "x11 clipboard test skipped: " << Why;
    }
    ASSERT_FALSE(FindProgram("xclip").empty()) << "xclip is missing (scripts/install-deps.sh installs it)";
    setenv("TESSARO_SCREEN", "x11", 1);
    WinStartup();
    ASSERT_STREQ(WinCurrentScreen()->Name(), "x11");

    // The program copies: another program pastes the same text, and is told
    // the kinds it is offered in.
    CopyText(kText);
    EXPECT_EQ(RunTool("xclip -o -selection clipboard"), kUtf8);
    EXPECT_EQ(RunTool("xclip -o -selection clipboard -t TARGETS"), "TARGETS\nUTF8_STRING\n");
    // The program's own paste does not ask the desktop for what it holds itself.
    EXPECT_EQ(Paste<char16_t>(CF_UNICODETEXT), kText);

    // Another program copies: the program pastes its text in both kinds.
    const std::string Theirs = "\xCE\xBA\xCE\xB1\xCE\xBB\xCE\xB7 \xE4\xB8\xAD \xF0\x9F\x93\x80 from xclip";
    const std::string File = testing::TempDir() + "x11_clipboard_in.txt";
    std::ofstream(File, std::ios::binary) << Theirs;
    ASSERT_EQ(std::system(("xclip -i -selection clipboard '" + File + "'").c_str()), 0);
    // xclip takes the selection in its background half: wait until it holds it.
    std::u16string Pasted;
    for (auto End = std::chrono::steady_clock::now() + std::chrono::seconds(10);
         std::chrono::steady_clock::now() < End; std::this_thread::yield()) {
        Pasted = Paste<char16_t>(CF_UNICODETEXT);
        if (Pasted != kText) break;
    }
    EXPECT_EQ(Pasted, u"\u03BA\u03B1\u03BB\u03B7 \u4E2D \U0001F4C0 from xclip");
    EXPECT_EQ(Paste<char>(CF_TEXT), Theirs);

    // Copying again takes the clipboard back from xclip (which then ends).
    CopyText(u"back \u65E5");
    EXPECT_EQ(RunTool("xclip -o -selection clipboard"), "back \xE6\x97\xA5");

    // Copying something that is not text leaves other programs no stale text.
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    SetClipboardData(RegisterClipboardFormatA("Tessaro test picture"), WinGlobalAlloc(16));
    CloseClipboard();
    EXPECT_EQ(RunTool("xclip -o -selection clipboard 2>/dev/null"), "");
    WinShutdown();
}

}  // namespace
