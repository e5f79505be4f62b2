#include "platform/rtl/userlocale.h"

#include <cstdlib>

TUserLocale ParseLocaleName(const std::string& Name) {
    TUserLocale L;
    L.Name = Name.empty() ? "C" : Name;
    if (L.Name == "C" || L.Name == "POSIX" || L.Name.compare(0, 2, "C.") == 0) return L;
    std::string Rest = L.Name;
    if (const size_t At = Rest.find('@'); At != std::string::npos) {
        L.Modifier = Rest.substr(At + 1);
        Rest.erase(At);
    }
    if (const size_t Dot = Rest.find('.'); Dot != std::string::npos) {
        L.Codeset = Rest.substr(Dot + 1);
        Rest.erase(Dot);
    }
    if (const size_t Bar = Rest.find('_'); Bar != std::string::npos) {
        L.Territory = Rest.substr(Bar + 1);
        Rest.erase(Bar);
    }
    L.Language = Rest;
    return L;
}

TUserLocale ReadUserLocale() {
    for (const char* Var : {"LC_ALL", "LC_MESSAGES", "LANG"})
        if (const char* V = std::getenv(Var); V && *V) return ParseLocaleName(V);
    return ParseLocaleName("C");
}
