// Wide-string runtime: UTF-7/UTF-8 conversions, zero-terminated wide text,
// wide path routines and search-and-replace. Wide strings are UTF-16.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "platform/rtl/sysutils.h"


using WideString = std::u16string;
using WideChar = char16_t;

// Bad input data (e.g. malformed UTF-7).
class EUniGeneralError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
// A broken internal limit.
class EUniInternalError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

extern const char* const SInvalidUtf7;    // "Invalid UTF7"
extern const char* const SBufferOverflow; // "Buffer overflow"

std::string WideToUtf7(const WideString& s);
WideString Utf7ToWide(const std::string& s);
// Characters above U+FFFF are written as four-byte sequences.
std::string WideToUtf8(const WideString& s);
// Accepts four-byte sequences and surrogates written as two three-byte
// sequences; a malformed sequence becomes U+FFFD and decoding goes on.
WideString Utf8ToWide(const std::string& s);

// Zero-terminated wide text; the caller owns every buffer.
WideChar* WideStrEnd(const WideChar* s);
std::size_t WideStrLen(const WideChar* s);
WideChar* WideStrLCopy(WideChar* dest, const WideChar* src, std::size_t n);
WideChar* WideStrScan(const WideChar* s, WideChar c);
WideChar* WideStrMove(WideChar* dest, const WideChar* src, std::size_t n);
WideChar* WideStrAlloc(std::size_t n); // size word in front of the characters
std::uint32_t WideStrBufSize(const WideChar* s); // the block's size word
void WideStrDispose(WideChar* s);
WideChar* WideStrNew(const WideChar* s);

// Wide strings and paths ('/' is the only delimiter; positions are 1-based).
WideString WideUpperCase(const WideString& s);
WideChar WideLastChar(const WideString& s);
bool WideIsPathDelimiter(const WideString& s, int i);
WideString WideIncludeTrailingBackslash(const WideString& s);
int WideLastDelimiter(const WideString& delimiters, const WideString& s);
WideString WideExtractFilePath(const WideString& s);
WideString WideExtractFileName(const WideString& s);
WideString WideExtractFileDrive(const WideString& s);

bool IsWideCharSpace(WideChar c);
bool IsWideCharPunct(WideChar c);
bool IsWideWordDelimiter(WideChar c);

// flags: rfReplaceAll | rfIgnoreCase (TReplaceFlag)
WideString ReplaceWideText(const WideString& s, const WideString& oldPattern, const WideString& newPattern,
                           unsigned flags, bool wholeWord);

// Parameter N (>= 1) of a command line; parameters are returned whole.
WideString WideParamStrOf(const WideString& commandLine, int n);


// Code-point order (not a locale's collation), so sorted lists are the same everywhere.
int WideCompareStr(const WideString& a, const WideString& b);
// As WideCompareStr after upper-casing both.
int WideCompareText(const WideString& a, const WideString& b);

// File handles are descriptors; -1 is the invalid handle.
constexpr int kInvalidWideHandle = -1;
int WideFileCreate(const WideString& name);
// Mode bits 0-1 choose the access, bits 4-7 the sharing (accepted, not enforced);
// access 3 or sharing above 4 answer the invalid handle.
int WideFileOpen(const WideString& name, unsigned mode);
void SwapWideCharBytes(WideChar* s);

// ---- Process values and code pages --------------------------------------------
// Fixed at start-up (InitWideStrings); read-only afterwards.
extern bool IsUnicodePlatform;
extern bool IsXPPlatform;
extern std::uint32_t DefaultCodePage;
// Reads the system's version; called once before the first window.
void InitWideStrings();

std::string WideToAnsiCodePage(const WideString& s, std::uint32_t codePage);
WideString AnsiToWideCodePage(const std::string& s, std::uint32_t codePage);
std::uint32_t CodePageOfLocale(std::uint32_t locale);
std::uint32_t KeyboardCodePage();
WideChar CharCodeToWideChar(std::uint16_t code);
bool WideCharFitsCodePage(WideChar c);

// ---- System services ---------------------------------------------------------
// A resource-string record: the identifier is a string-table number below 65536
// or the address of a constant text (UTF-8 after an EF BB BF signature, else ANSI).
struct TResStringRec {
    void* Module;
    std::uintptr_t Identifier;
};
WideString LoadResStringWide(const TResStringRec* rec);
WideString WideParamStr(int n);
WideString WideModuleFileName(void* module = nullptr);
std::uint32_t RaiseLastErrorIfZero(std::uint32_t value);
void* RaiseLastErrorIfNil(void* p);
// Raises the last system error as EOSError with the system's text.
[[noreturn]] void RaiseLastWideError();

WideChar* WideStrPLCopy(WideChar* dest, const std::string& source, std::size_t n);
WideChar* WideStrPCopy(WideChar* dest, const std::string& source);

std::uint32_t WideFileGetAttr(const WideString& name);
bool WideDirExists(const WideString& name);
std::uint16_t GetWideCharType(WideChar c, std::uint32_t infoType);
