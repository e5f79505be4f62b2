// The Windows language id of the user's locale (read through ReadUserLocale):
// primary language in the low 10 bits, sub-language above.
#pragma once

#include <cstdint>

#include "platform/rtl/userlocale.h"

using LANGID = uint16_t;

constexpr LANGID MAKELANGID(uint16_t Primary, uint16_t Sub) { return static_cast<LANGID>((Sub << 10) | Primary); }
constexpr uint16_t PRIMARYLANGID(LANGID Id) { return Id & 0x3FF; }
constexpr uint16_t SUBLANGID(LANGID Id) { return Id >> 10; }
constexpr uint16_t LANG_NEUTRAL = 0, SUBLANG_DEFAULT = 1;

// The C and POSIX locales answer US English; a language without an id answers
// neutral with the default sub-language.
LANGID LangIDFromLocale(const TUserLocale& Locale);
LANGID GetUserDefaultLangID();
