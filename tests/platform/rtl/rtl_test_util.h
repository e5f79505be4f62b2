// A temporary folder for one test, removed with everything in it.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

class TempFolder {
public:
    TempFolder() {
        const char* base = std::getenv("TMPDIR");
        std::string tmpl = std::string(base && *base ? base : "/tmp") + "/rtl_test_XXXXXX";
        if (char* p = ::mkdtemp(tmpl.data())) Path = std::string(p) + "/";
    }
    ~TempFolder() {
        std::error_code ec;
        if (!Path.empty()) std::filesystem::remove_all(Path, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string Path;  // ends with '/'
};
