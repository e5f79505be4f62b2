// The user's locale as the environment names it. Every platform call that
// answers from the locale (language ids, locale information) reads it here,
// so they all agree.
#pragma once

#include <string>

struct TUserLocale {
    std::string Name;       // the variable's whole value, e.g. "ja_JP.UTF-8@x"; "C" when none is set
    std::string Language;   // "ja"; empty for the C and POSIX locales
    std::string Territory;  // "JP"; empty when not given
    std::string Codeset;    // "UTF-8"; empty when not given
    std::string Modifier;   // "x"; empty when not given
};

// Splits a POSIX locale name (language[_territory][.codeset][@modifier]).
TUserLocale ParseLocaleName(const std::string& Name);
// The locale messages are shown in: the first non-empty of LC_ALL,
// LC_MESSAGES and LANG, read at each call.
TUserLocale ReadUserLocale();
