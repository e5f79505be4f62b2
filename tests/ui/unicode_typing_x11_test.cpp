// The program on a real X server (an Xvfb of the test's own): it starts with
// the wide character hook installed and puts its idle control on the main
// window once; Japanese, Greek and an emoji typed with xdotool into the disc
// label box, then closing the window, reach options.ini as UTF-8. (The
// settings dialog's temporary-folder box is read-only: a folder is chosen
// with Browse there, so typing goes to the disc label.)
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "core/globals.h"
#include "platform/classlib/threads.h"
#include "platform/rtl/inifiles.h"
#include "platform/rtl/sysutils.h"
#include "platform/win/winscreen.h"
#include "tests/platform/xvfb_server.h"
#include "tests/ui/x11_program.h"
#include "temp_folder.h"
#include "tests/ui/x11_keymap.h"
#include "ui/main_form.h"
#include "ui/program.h"
#include "unicode/uniforms.h"

namespace {

using xvfbtest::PumpUntil;

const std::string kTyped = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E \xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9"
                           "\xCE\xBA\xCE\xAC \xF0\x9F\x93\x80";

int IdleControls() {
    int N = 0;
    for (int I = 0; I < frmMain->ControlCount(); ++I)
        if (dynamic_cast<TUniAppIdleEventControl*>(frmMain->Controls(I))) ++N;
    return N;
}

class UnicodeTypingX11 : public xvfbtest::TProgramOnX11 {
protected:
    UnicodeTypingX11() : TProgramOnX11("tessaro_uni_x11") {}
};

TEST_F(UnicodeTypingX11, TypedWideTextReachesOptionsAsUtf8) {
    EXPECT_TRUE(WideCharHookInstalled());
    frmMain->Show();
    ASSERT_TRUE(PumpUntil([] { return frmMain->Showing(); }, 10000));
    // The idle control comes with the first hooked message, and only once.
    ASSERT_TRUE(PumpUntil([] { return IdleControls() > 0; }, 10000));
    ASSERT_TRUE(PumpUntil(xvfbtest::QueueEmpty, 10000));
    EXPECT_EQ(IdleControls(), 1);

    frmMain->txtDiscLabel->SetFocus();
    frmMain->txtDiscLabel->SetText("");
    ASSERT_TRUE(PumpUntil(xvfbtest::QueueEmpty, 10000));
    // The X focus goes to the main window, found by its title; the keys go there.
    const std::string Title = frmMain->Caption();
    ASSERT_TRUE(xvfbtest::BindCharactersToSpareKeys(U"\u65E5\u672C\u8A9E \u0395\u03BB\u03BB\u03B7\u03BD\u03B9\u03BA\u03AC \U0001F4C0"));
    ASSERT_EQ(std::system(("xdotool search --name '^" + Title + "$' windowfocus --sync type --delay 30 '" + kTyped +
                           "'").c_str()),
              0);
    EXPECT_TRUE(PumpUntil([] { return frmMain->txtDiscLabel->Text() == kTyped; }, 15000))
        << "the box holds \"" << frmMain->txtDiscLabel->Text() << "\"";
    frmMain->Close();
    EXPECT_TRUE(PumpUntil([] { return Application->Terminated(); }, 10000));
    ProgramShutdown();
    Started = false;
    TIniFile Ini(AppFolder + "options.ini");
    EXPECT_EQ(Ini.ReadString("QZOptions", "DVDLabel", "<none>"), kTyped);
}

}  // namespace

