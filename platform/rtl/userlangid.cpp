#include "platform/rtl/userlangid.h"

#include <cctype>

namespace {

struct TPrimary {
    const char* Iso;
    uint16_t Id;
};

const TPrimary Primaries[] = {
    {"ar", 0x01}, {"bg", 0x02}, {"ca", 0x03}, {"zh", 0x04}, {"cs", 0x05}, {"da", 0x06}, {"de", 0x07},
    {"el", 0x08}, {"en", 0x09}, {"es", 0x0A}, {"fi", 0x0B}, {"fr", 0x0C}, {"he", 0x0D}, {"hu", 0x0E},
    {"is", 0x0F}, {"it", 0x10}, {"ja", 0x11}, {"ko", 0x12}, {"nl", 0x13}, {"nb", 0x14}, {"nn", 0x14},
    {"no", 0x14}, {"pl", 0x15}, {"pt", 0x16}, {"ro", 0x18}, {"ru", 0x19}, {"hr", 0x1A}, {"sr", 0x1A},
    {"sk", 0x1B}, {"sq", 0x1C}, {"sv", 0x1D}, {"th", 0x1E}, {"tr", 0x1F}, {"ur", 0x20}, {"id", 0x21},
    {"uk", 0x22}, {"be", 0x23}, {"sl", 0x24}, {"et", 0x25}, {"lv", 0x26}, {"lt", 0x27}, {"fa", 0x29},
    {"vi", 0x2A}, {"hy", 0x2B}, {"az", 0x2C}, {"eu", 0x2D}, {"mk", 0x2F}, {"af", 0x36}, {"ka", 0x37},
    {"fo", 0x38}, {"hi", 0x39}, {"ms", 0x3E}, {"kk", 0x3F}, {"sw", 0x41}, {"bn", 0x45}, {"ta", 0x49},
};

struct TSub {
    const char* Iso;
    const char* Territory;
    uint16_t Sub;
};

// Territories whose sub-language differs from the default one.
const TSub Subs[] = {
    {"zh", "TW", 1}, {"zh", "CN", 2}, {"zh", "HK", 3}, {"zh", "SG", 4}, {"zh", "MO", 5},
    {"en", "US", 1}, {"en", "GB", 2}, {"en", "AU", 3}, {"en", "CA", 4}, {"en", "NZ", 5}, {"en", "IE", 6},
    {"de", "CH", 2}, {"de", "AT", 3}, {"fr", "BE", 2}, {"fr", "CA", 3}, {"fr", "CH", 4}, {"it", "CH", 2},
    {"nl", "BE", 2}, {"pt", "BR", 1}, {"pt", "PT", 2}, {"es", "MX", 2}, {"sv", "FI", 2},
};

}  // namespace

LANGID LangIDFromLocale(const TUserLocale& L) {
    if (L.Language.empty()) return MAKELANGID(0x09, 1);
    std::string lang = L.Language;
    for (char& c : lang) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::string terr = L.Territory;
    for (char& c : terr) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    uint16_t primary = LANG_NEUTRAL;
    for (const TPrimary& p : Primaries)
        if (lang == p.Iso) primary = p.Id;
    if (primary == LANG_NEUTRAL) return MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT);
    uint16_t sub = SUBLANG_DEFAULT;
    if (lang == "zh") sub = 2;  // without a territory: simplified
    for (const TSub& s : Subs)
        if (lang == s.Iso && terr == s.Territory) sub = s.Sub;
    return MAKELANGID(primary, sub);
}

LANGID GetUserDefaultLangID() { return LangIDFromLocale(ReadUserLocale()); }
