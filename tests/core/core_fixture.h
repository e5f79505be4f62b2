// A scratch application folder for the core's tests: made under $TMPDIR
// (or /tmp), removed afterwards; the application-data folder points into it.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "core/globals.h"
#include "core/ui_texts.h"
#include "temp_folder.h"

namespace coretest {

inline void WriteFile(const std::string& Path, const std::string& Text) {
    std::filesystem::create_directories(std::filesystem::path(Path).parent_path());
    std::ofstream(Path, std::ios::binary) << Text;
}

inline std::string ReadFile(const std::string& Path) {
    std::ifstream In(Path, std::ios::binary);
    std::stringstream S;
    S << In.rdbuf();
    return S.str();
}

// The value of Key in Section, read line by line without the runtime's INI class.
inline std::string IniValue(const std::string& Path, const std::string& Section, const std::string& Key, bool* Found = nullptr) {
    std::istringstream In(ReadFile(Path));
    std::string Line, Current;
    if (Found) *Found = false;
    while (std::getline(In, Line)) {
        if (!Line.empty() && Line.back() == '\r') Line.pop_back();
        if (Line.size() >= 2 && Line.front() == '[' && Line.back() == ']') {
            Current = Line.substr(1, Line.size() - 2);
            continue;
        }
        const auto Eq = Line.find('=');
        if (Current == Section && Eq != std::string::npos && Line.substr(0, Eq) == Key) {
            if (Found) *Found = true;
            return Line.substr(Eq + 1);
        }
    }
    return "";
}

class CoreFixture : public ::testing::Test {
protected:
    void SetUp() override {
        Dir = Scratch.Slashed();
        AppData = Dir + "data";
        OldXdg = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
        HadXdg = std::getenv("XDG_DATA_HOME") != nullptr;
        ::setenv("XDG_DATA_HOME", AppData.c_str(), 1);
        App = Dir + "app dir ä/";  // blanks and a non-ASCII letter on purpose
        std::filesystem::create_directories(App + "langs");
        GlobalsStartup();
        InitUITexts();
    }
    void TearDown() override {
        GlobalsShutdown();
        InitUITexts();
        if (HadXdg) ::setenv("XDG_DATA_HOME", OldXdg.c_str(), 1);
        else ::unsetenv("XDG_DATA_HOME");
        // A test may have taken the folder's rights away; it must still go.
        std::error_code Ec;
        std::filesystem::permissions(Dir, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, Ec);
    }
    TTempFolder Scratch{"core_test"};
    std::string Dir, App, AppData, OldXdg;
    bool HadXdg = false;
};

}  // namespace coretest
