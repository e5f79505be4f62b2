#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "core/htmlhelp_decl.h"
#include "core_fixture.h"
#include "platform/help/htmlhelp.h"
#include "platform/system/module.h"
#include "platform/system/sysdefs.h"
#include "temp_folder.h"

// One test: the binding is process-wide, so the order of the steps matters.
TEST(HtmlHelpLoader, MissingViewerOrEntryRaisesOnEveryCallThenBindsOnceItIsThere) {
    const TTempFolder Scratch("core_test");
    const std::string Dir = Scratch.Slashed();
    const char* OldPath = std::getenv("PATH");
    const std::string SavedPath = OldPath ? OldPath : "";
    InitHtmlHelp();

    // No viewer on PATH: the module counts as not installed.
    std::filesystem::create_directories(Dir + "empty");
    ::setenv("PATH", (Dir + "empty").c_str(), 1);
    for (int Call = 0; Call < 2; ++Call) {
        try {
            HtmlHelp(nullptr, Dir + "English_help.chm", HH_DISPLAY_TOPIC, 0);
            ADD_FAILURE() << "no exception on call " << Call;
        } catch (const Exception& E) {
            EXPECT_EQ(E.Message, "HHCtrl.OCX not installed!\r HTMLHELP cannot displayed!");
        }
    }

    // A module without the entry: the lookup fails on every call, and the
    // missing entry is never called.
    RegisterBuiltinModule(HTMLHELP_MODULE_NAME, {});
    for (int Call = 0; Call < 2; ++Call) {
        try {
            HtmlHelp(nullptr, Dir + "English_help.chm", HH_DISPLAY_TOPIC, 0);
            ADD_FAILURE() << "no exception on call " << Call;
        } catch (const Exception& E) {
            EXPECT_EQ(E.Message, "Function HTMLHELP cannot loaded!");
        }
    }

    // The real viewer: the next call binds and reaches the entry, which
    // reports the missing help file without starting anything.
    InitHtmlHelp();
    coretest::WriteFile(Dir + "bin/xdg-open", "#!/bin/sh\nexit 0\n");
    ::chmod((Dir + "bin/xdg-open").c_str(), 0755);
    ::setenv("PATH", (Dir + "bin").c_str(), 1);
    EXPECT_EQ(HtmlHelp(nullptr, Dir + "missing_help.chm", HH_DISPLAY_TOPIC, 0), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    ::setenv("PATH", SavedPath.c_str(), 1);
}
