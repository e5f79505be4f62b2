#include "platform/system/locale_init.h"

#include <langinfo.h>

#include <clocale>
#include <cstring>
#include <mutex>

void EnsureUtf8CharacterType() {
    static std::once_flag Once;
    std::call_once(Once, [] {
        if (std::setlocale(LC_CTYPE, "") && CurrentCharacterSet() == "UTF-8") return;
        // glibc always has C.UTF-8; the others are tried for older systems.
        for (const char* L : {"C.UTF-8", "C.utf8", "en_US.UTF-8"})
            if (std::setlocale(LC_CTYPE, L)) return;
    });
}

std::string CurrentCharacterSet() {
    const char* Set = nl_langinfo(CODESET);
    return Set ? Set : "";
}
