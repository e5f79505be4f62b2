// Code-page conversions. The ANSI code page is UTF-8: CP_ACP, CP_THREAD_ACP and
// CP_UTF8 convert as UTF-8, CP_UTF7 as UTF-7; other Windows code pages go
// through iconv ("CP1252", "CP932", ...).
#pragma once

#include "platform/rtl/windef.h"

#define CP_ACP 0u
#define CP_OEMCP 1u
#define CP_THREAD_ACP 3u
#define CP_UTF7 65000u
#define CP_UTF8 65001u

#define MB_PRECOMPOSED 0x00000001u
#define MB_USEGLYPHCHARS 0x00000004u

#define LOCALE_IDEFAULTANSICODEPAGE 0x00001004u
#define LOCALE_SISO639LANGNAME 0x00000059u
#define LOCALE_SISO3166CTRYNAME 0x0000005Au
#define LOCALE_USER_DEFAULT 0x0400u
#define LOCALE_SYSTEM_DEFAULT 0x0800u

#ifndef ERROR_NO_UNICODE_TRANSLATION
#define ERROR_NO_UNICODE_TRANSLATION 1113L
#endif
#ifndef ERROR_INVALID_FLAGS
#define ERROR_INVALID_FLAGS 1004L
#endif

using LCID = DWORD;
using LCTYPE = DWORD;

UINT GetACP();
// Bytes to UTF-16. cbMultiByte -1 converts up to and including the NUL.
// cchWideChar 0 returns the units needed. Bytes that do not decode become U+FFFD.
int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte, LPWSTR lpWideCharStr,
                        int cchWideChar);
// UTF-16 to bytes. Characters the code page lacks become lpDefaultChar (else
// "?") and set *lpUsedDefaultChar.
int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar, LPSTR lpMultiByteStr,
                        int cbMultiByte, LPCSTR lpDefaultChar, BOOL* lpUsedDefaultChar);
// LOCALE_IDEFAULTANSICODEPAGE is "65001" for every locale. The ISO language
// and country names of the user or system default locale come from the
// environment's locale (ReadUserLocale); the C locale answers "en" and "US".
// Other kinds, and names of other locale ids, fail with ERROR_INVALID_FLAGS
// and ERROR_INVALID_PARAMETER.
int GetLocaleInfoA(LCID Locale, LCTYPE LCType, LPSTR lpLCData, int cchData);
