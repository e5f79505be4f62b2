// A fresh folder for one test, under $TMPDIR (or /tmp), removed with all it
// holds when the object goes. Removal never follows a link out of the folder.
#pragma once

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

class TTempFolder {
public:
    explicit TTempFolder(const std::string& Prefix = "tessaro-test") {
        const char* Base = std::getenv("TMPDIR");
        std::string Pattern = std::string(Base && *Base ? Base : "/tmp") + "/" + Prefix + "-XXXXXX";
        if (!::mkdtemp(Pattern.data())) throw std::runtime_error("cannot make a temporary folder from " + Pattern);
        FPath = Pattern;
    }
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;
    ~TTempFolder() {
        std::error_code Ec;
        std::filesystem::remove_all(FPath, Ec);
    }
    // The folder, without a trailing '/'.
    const std::string& Path() const { return FPath; }
    // The folder with a trailing '/', for code that joins names by appending.
    std::string Slashed() const { return FPath + "/"; }
    std::string operator/(const std::string& Name) const { return FPath + "/" + Name; }

private:
    std::string FPath;
};
