// Runtime basics: exceptions, strings, numbers, files and paths, dates.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

// ---- Exceptions -----------------------------------------------------------
// Every error the runtime and the class library raise derives from Exception,
// whose text is what the default handler shows in a message box.
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : Message(std::move(message)) {}
    ~Exception() override = default;
    const char* what() const noexcept override { return Message.c_str(); }
    std::string Message;
};

#define TESSARO_DECLARE_EXCEPTION(Name, Base) \
    class Name : public Base {                 \
    public:                                    \
        using Base::Base;                      \
    };

TESSARO_DECLARE_EXCEPTION(EAbort, Exception)
TESSARO_DECLARE_EXCEPTION(EConvertError, Exception)
TESSARO_DECLARE_EXCEPTION(EInOutError, Exception)
TESSARO_DECLARE_EXCEPTION(EOutOfMemory, Exception)
TESSARO_DECLARE_EXCEPTION(EInvalidOperation, Exception)
TESSARO_DECLARE_EXCEPTION(EInvalidPointer, Exception)
TESSARO_DECLARE_EXCEPTION(EInvalidArgument, Exception)
TESSARO_DECLARE_EXCEPTION(ERangeError, Exception)
TESSARO_DECLARE_EXCEPTION(EIntOverflow, Exception)
TESSARO_DECLARE_EXCEPTION(EDivByZero, Exception)
TESSARO_DECLARE_EXCEPTION(EListError, Exception)
TESSARO_DECLARE_EXCEPTION(EStringListError, Exception)
TESSARO_DECLARE_EXCEPTION(EStreamError, Exception)
TESSARO_DECLARE_EXCEPTION(EFCreateError, EStreamError)
TESSARO_DECLARE_EXCEPTION(EFOpenError, EStreamError)
TESSARO_DECLARE_EXCEPTION(EReadError, EStreamError)
TESSARO_DECLARE_EXCEPTION(EWriteError, EStreamError)
TESSARO_DECLARE_EXCEPTION(EIniFileException, Exception)
TESSARO_DECLARE_EXCEPTION(EThread, Exception)
// A broken precondition of a routine (a programming error, not bad input).
TESSARO_DECLARE_EXCEPTION(EAssertionFailed, Exception)

// An operating-system failure with its error number.
class EOSError : public Exception {
public:
    EOSError(std::string message, int code) : Exception(std::move(message)), ErrorCode(code) {}
    int ErrorCode;
};

// Raises EAbort: the silent exception that ends an operation without a message.
[[noreturn]] void Abort();

// ---- Numbers --------------------------------------------------------------
// Rounds halves to even (0.5 -> 0, 1.5 -> 2, 2.5 -> 2, -0.5 -> 0).
int64_t Round(double X);
// Truncates toward zero.
int64_t Trunc(double X);
// Pseudo-random numbers from RandSeed: the same seed gives the same sequence.
extern uint32_t RandSeed;
int Random(int Range);  // uniform in 0 .. Range - 1; 0 when Range <= 0
double Random();        // uniform in [0, 1)
void Randomize();       // seeds from the clock

// ---- Strings (UTF-8 bytes; case changes touch ASCII letters only) -----------
std::string IntToStr(int64_t Value);
std::string IntToHex(int64_t Value, int Digits);          // upper case; a negative int value shows its 32-bit pattern
int StrToInt(const std::string& S);                     // EConvertError "'%s' is not a valid integer value"
int StrToIntDef(const std::string& S, int Default);     // decimal, or hex with a leading '$' or "0x"
int64_t StrToInt64Def(const std::string& S, int64_t Default);
bool TryStrToInt(const std::string& S, int& Value);
// The separator of float text in Format, FloatToStr and StrToFloat: '.', the
// same whatever the system's locale (the program never sets anything else).
extern char DecimalSeparator;
double StrToFloat(const std::string& S);                // DecimalSeparator ('.') separates the fraction
double StrToFloatDef(const std::string& S, double Default);
std::string FloatToStr(double Value);
bool StrToBoolDef(const std::string& S, bool Default);  // "0"/"false" false, other numbers/"true" true
std::string BoolToStr(bool Value, bool UseBoolStrs = false);

std::string Trim(const std::string& S);      // removes characters <= ' ' at both ends
std::string TrimLeft(const std::string& S);
std::string TrimRight(const std::string& S);
std::string UpperCase(const std::string& S);
std::string LowerCase(const std::string& S);
int CompareText(const std::string& A, const std::string& B);  // case-blind, <0, 0, >0
int CompareStr(const std::string& A, const std::string& B);
bool SameText(const std::string& A, const std::string& B);
bool StartsText(const std::string& Sub, const std::string& S);
bool EndsText(const std::string& Sub, const std::string& S);
// 1-based position of Sub in S, 0 when absent.
int Pos(const std::string& Sub, const std::string& S);
// 1-based Index, Count characters (bytes), clipped to the string.
std::string Copy(const std::string& S, int Index, int Count);
void Delete(std::string& S, int Index, int Count);
void Insert(const std::string& Sub, std::string& S, int Index);

enum TReplaceFlag { rfReplaceAll = 1, rfIgnoreCase = 2 };
std::string StringReplace(const std::string& S, const std::string& OldPattern, const std::string& NewPattern,
                          int Flags);
std::string QuotedStr(const std::string& S);  // 'it''s'
std::string AnsiQuotedStr(const std::string& S, char Quote);
std::string AnsiDequotedStr(const std::string& S, char Quote);

// Format with the class library's specifiers: %d %u %x %X %e %f %g %n %m %s %p %%,
// with index ("%0:s"), '-' alignment, width and precision ("%5.2f", "%.8X", "%*d").
// The argument kinds must fit the specifiers; a mismatch raises
// EConvertError "Format '%s' invalid or incompatible with argument".
class TVarRec {
public:
    enum Kind { vtInteger, vtInt64, vtExtended, vtString, vtPointer, vtChar, vtBoolean };
    TVarRec(int v) : kind(vtInteger), i(v) {}
    TVarRec(unsigned v) : kind(vtInt64), i(v) {}
    TVarRec(long v) : kind(vtInt64), i(v) {}
    TVarRec(unsigned long v) : kind(vtInt64), i(static_cast<int64_t>(v)) {}
    TVarRec(long long v) : kind(vtInt64), i(v) {}
    TVarRec(unsigned long long v) : kind(vtInt64), i(static_cast<int64_t>(v)) {}
    TVarRec(double v) : kind(vtExtended), d(v) {}
    TVarRec(const char* v) : kind(vtString), s(v ? v : "") {}
    TVarRec(const std::string& v) : kind(vtString), s(v) {}
    TVarRec(std::string_view v) : kind(vtString), s(v) {}
    TVarRec(char v) : kind(vtChar), s(1, v) {}
    TVarRec(bool v) : kind(vtBoolean), i(v) {}
    TVarRec(const void* v) : kind(vtPointer), p(v) {}
    Kind kind;
    int64_t i = 0;
    double d = 0;
    std::string s;
    const void* p = nullptr;
};
std::string Format(const std::string& Fmt, const std::vector<TVarRec>& Args);
template <typename... A>
std::string Fmt(const std::string& F, A&&... args) {
    return Format(F, std::vector<TVarRec>{TVarRec(std::forward<A>(args))...});
}

// ---- Files and paths ('/' is the separator; a folder ends with '/') --------
constexpr char PathDelim = '/';
std::string ExtractFileName(const std::string& FileName);   // after the last '/'
std::string ExtractFilePath(const std::string& FileName);   // up to and including the last '/'
std::string ExtractFileDir(const std::string& FileName);    // without the trailing '/'
std::string ExtractFileExt(const std::string& FileName);    // from the last dot of the name part (".ini" is all extension), or ""
std::string ChangeFileExt(const std::string& FileName, const std::string& Extension);
std::string IncludeTrailingPathDelimiter(const std::string& S);
std::string ExcludeTrailingPathDelimiter(const std::string& S);
std::string ExpandFileName(const std::string& FileName);    // absolute, "." and ".." folded
bool FileExists(const std::string& FileName);               // a file, not a folder
bool DirectoryExists(const std::string& Directory);
bool ForceDirectories(const std::string& Dir);              // creates missing parents; false on failure
bool CreateDir(const std::string& Dir);
bool RemoveDir(const std::string& Dir);
bool DeleteFile(const std::string& FileName);
bool RenameFile(const std::string& OldName, const std::string& NewName);
bool CopyFileTo(const std::string& Source, const std::string& Dest, bool FailIfExists);
int64_t FileSizeOf(const std::string& FileName);            // -1 when missing
std::string GetCurrentDir();
bool SetCurrentDir(const std::string& Dir);
std::string GetEnvironmentVariable(const std::string& Name);

// File search. Attr bits as the class library has them.
constexpr int faReadOnly = 0x01;
constexpr int faHidden = 0x02;
constexpr int faSysFile = 0x04;
constexpr int faVolumeID = 0x08;
constexpr int faDirectory = 0x10;
constexpr int faArchive = 0x20;
constexpr int faAnyFile = 0x3F;
struct TSearchRec {
    std::string Name;     // the name as it is on disk
    int64_t Size = 0;
    int Attr = 0;
    double Time = 0;      // TDateTime of the last change
    // search state
    std::vector<std::string> Pending;
    std::string Dir;
    std::string Mask;
    int Want = 0;
};
// Mask is a folder and a pattern with '*' and '?' ("dir/*.jpg"), matched case-blind.
// Entries come in name order ignoring case. Answer 0 when a file was found.
// Names starting with '.' are hidden: returned only when Attr asks for faHidden. Folders are returned only when Attr asks for faDirectory;
// "." and ".." are returned like the class library does when folders are asked for.
int FindFirst(const std::string& Path, int Attr, TSearchRec& F);
int FindNext(TSearchRec& F);
void FindClose(TSearchRec& F);
// Case-blind '*', '?' and sets ("[a-c]", "[!0-9]"); "*.*" matches every name.
bool MatchesMask(const std::string& FileName, const std::string& Mask);

// ---- Dates and times ------------------------------------------------------
// Days since 1899-12-30, the fraction the time of day.
using TDateTime = double;
TDateTime Now();
TDateTime Date();
TDateTime Time();
TDateTime EncodeDate(int Year, int Month, int Day);       // EConvertError on a bad date
TDateTime EncodeTime(int Hour, int Min, int Sec, int MSec);
void DecodeDate(TDateTime D, int& Year, int& Month, int& Day);
void DecodeTime(TDateTime D, int& Hour, int& Min, int& Sec, int& MSec);
int DayOfWeek(TDateTime D);  // 1 = Sunday
TDateTime UnixToDateTime(int64_t Seconds);
int64_t DateTimeToUnix(TDateTime D);
// Specifiers: d dd ddd dddd m mm mmm mmmm yy yyyy h hh n nn s ss z zzz am/pm ampm
// "c" "t" "tt" "ddddd", literal text in quotes, '/' and ':' as themselves.
std::string FormatDateTime(const std::string& Format, TDateTime D);
std::string DateTimeToStr(TDateTime D);
std::string FileDateToStr(TDateTime D);
TDateTime FileAge(const std::string& FileName);  // -1 when missing

// The user's locale as far as layout goes: Middle-East languages write right
// to left, Far-East ones use double-byte input. Taken at start-up from
// LC_ALL, LC_MESSAGES or LANG; tests may set it.
struct TSysLocale {
    std::string Language;  // "en", "ar", ...
    bool FarEast = false;
    bool MiddleEast = false;
};
extern TSysLocale SysLocale;
// The locale of a name such as "ar_EG.UTF-8".
TSysLocale SysLocaleFromName(const std::string& Name);
