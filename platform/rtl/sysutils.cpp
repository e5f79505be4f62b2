// Numbers, strings and Format of the runtime.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/rtl/sysutils.h"

// ---- Numbers --------------------------------------------------------------

int64_t Round(double X) {
    double f = std::floor(X);
    double diff = X - f;
    if (diff > 0.5) return static_cast<int64_t>(f) + 1;
    if (diff < 0.5) return static_cast<int64_t>(f);
    // exactly half way: to the even neighbour
    auto i = static_cast<int64_t>(f);
    return (i % 2 == 0) ? i : i + 1;
}

int64_t Trunc(double X) { return static_cast<int64_t>(std::trunc(X)); }

uint32_t RandSeed = 0;

static uint32_t NextRandom() {
    RandSeed = RandSeed * 0x08088405u + 1u;
    return RandSeed;
}

int Random(int Range) {
    if (Range <= 0) return 0;
    return static_cast<int>((static_cast<uint64_t>(NextRandom()) * static_cast<uint64_t>(Range)) >> 32);
}

double Random() { return NextRandom() / 4294967296.0; }

void Randomize() {
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    RandSeed = static_cast<uint32_t>(ts.tv_sec) ^ static_cast<uint32_t>(ts.tv_nsec);
}

// ---- Integers as text -----------------------------------------------------

std::string IntToStr(int64_t Value) { return std::to_string(Value); }

static std::string HexDigits(uint64_t v, int digits) {
    char buf[32];
    int n = std::snprintf(buf, sizeof buf, "%llX", static_cast<unsigned long long>(v));
    std::string s(buf, static_cast<size_t>(n));
    if (digits > n) s.insert(0, static_cast<size_t>(digits - n), '0');
    return s;
}

std::string IntToHex(int64_t Value, int Digits) {
    // A negative int shows as its 32-bit pattern, as callers passing an int expect.
    if (Value < 0 && Value >= INT32_MIN) return HexDigits(static_cast<uint32_t>(Value), Digits);
    return HexDigits(static_cast<uint64_t>(Value), Digits);
}

// Decimal, or hex after '$' or "0x"; an optional sign; no blanks anywhere.
static bool ParseInt64(const std::string& S, int64_t& out) {
    size_t i = 0;
    bool neg = false;
    if (i < S.size() && (S[i] == '-' || S[i] == '+')) {
        neg = S[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < S.size() && S[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < S.size() && S[i] == '0' && (S[i + 1] == 'x' || S[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= S.size()) return false;
    uint64_t mag = 0;
    const char* b = S.data() + i;
    const char* e = S.data() + S.size();
    auto r = std::from_chars(b, e, mag, base);
    if (r.ec != std::errc() || r.ptr != e) return false;
    if (neg) {
        if (mag > static_cast<uint64_t>(INT64_MAX) + 1) return false;
        out = static_cast<int64_t>(0 - mag);
    } else {
        // hex may spell the full 64-bit pattern ($FFFFFFFFFFFFFFFF is -1)
        if (base == 10 && mag > static_cast<uint64_t>(INT64_MAX)) return false;
        out = static_cast<int64_t>(mag);
    }
    return true;
}

static bool ParseInt32(const std::string& S, int& out) {
    int64_t v;
    if (!ParseInt64(S, v)) return false;
    bool hex = S.find('$') != std::string::npos || S.find_first_of("xX") != std::string::npos;
    if (hex && S[0] != '-' && v >= 0 && v <= static_cast<int64_t>(UINT32_MAX)) {
        out = static_cast<int>(static_cast<uint32_t>(v));  // $FFFFFFFF is -1
        return true;
    }
    if (v < INT32_MIN || v > INT32_MAX) return false;
    out = static_cast<int>(v);
    return true;
}

int StrToInt(const std::string& S) {
    int v;
    if (!ParseInt32(S, v)) throw EConvertError("'" + S + "' is not a valid integer value");
    return v;
}

int StrToIntDef(const std::string& S, int Default) {
    int v;
    return ParseInt32(S, v) ? v : Default;
}

int64_t StrToInt64Def(const std::string& S, int64_t Default) {
    int64_t v;
    return ParseInt64(S, v) ? v : Default;
}

bool TryStrToInt(const std::string& S, int& Value) { return ParseInt32(S, Value); }

// ---- Floats as text -------------------------------------------------------

char DecimalSeparator = '.';

// Float text is made with to_chars, which ignores the C locale; the point
// then becomes DecimalSeparator.
static std::string WithSeparator(std::string s) {
    if (DecimalSeparator != '.') std::replace(s.begin(), s.end(), '.', DecimalSeparator);
    return s;
}

static bool ParseFloat(const std::string& S, double& out) {
    std::string t = Trim(S);
    if (DecimalSeparator != '.') {
        if (t.find('.') != std::string::npos) return false;
        std::replace(t.begin(), t.end(), DecimalSeparator, '.');
    }
    size_t i = 0;
    if (!t.empty() && t[0] == '+') i = 1;
    if (i >= t.size()) return false;
    const char* b = t.data() + i;
    const char* e = t.data() + t.size();
    // from_chars ignores the locale, so '.' is always the separator
    auto r = std::from_chars(b, e, out, std::chars_format::general);
    if (r.ec != std::errc() || r.ptr != e) return false;
    return std::isfinite(out);
}

double StrToFloat(const std::string& S) {
    double v;
    if (!ParseFloat(S, v)) throw EConvertError("'" + S + "' is not a valid floating point value");
    return v;
}

double StrToFloatDef(const std::string& S, double Default) {
    double v;
    return ParseFloat(S, v) ? v : Default;
}

static bool SpecialFloat(double v, std::string& out) {
    if (std::isnan(v)) {
        out = "NAN";
        return true;
    }
    if (std::isinf(v)) {
        out = v < 0 ? "-INF" : "INF";
        return true;
    }
    return false;
}

// Digits of |v| rounded to Prec significant digits: v = 0.DIGITS x 10^Exp.
static void SigDigits(double v, int Prec, std::string& digits, int& exp) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf - 1, std::fabs(v), std::chars_format::scientific, Prec - 1);
    *r.ptr = '\0';
    digits.clear();
    const char* p = buf;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9') digits += *p;
    exp = std::atoi(p + 1) + 1;
    if (std::fabs(v) == 0) exp = 0;
}

static std::string ExpText(int e, int minDigits, bool plus) {
    std::string s = e < 0 ? "-" : (plus ? "+" : "");
    std::string d = std::to_string(std::abs(e));
    if (static_cast<int>(d.size()) < minDigits) d.insert(0, static_cast<size_t>(minDigits - static_cast<int>(d.size())), '0');
    return s + d;
}

// The general format: shortest of fixed and scientific with Prec significant digits.
static std::string GeneralFloat(double v, int Prec) {
    std::string sp;
    if (SpecialFloat(v, sp)) return sp;
    if (Prec < 1) Prec = 1;
    if (Prec > 18) Prec = 18;
    if (v == 0) return "0";
    std::string d;
    int e;
    SigDigits(v, Prec, d, e);
    while (d.size() > 1 && d.back() == '0') d.pop_back();
    std::string s = v < 0 ? "-" : "";
    if (e > Prec || e < -3) {
        s += d[0];
        if (d.size() > 1) s += "." + d.substr(1);
        s += "E" + ExpText(e - 1, 0, /*plus=*/false);
        return s;
    }
    int nd = static_cast<int>(d.size());
    if (e <= 0) {
        s += "0." + std::string(static_cast<size_t>(-e), '0') + d;
    } else if (e >= nd) {
        s += d + std::string(static_cast<size_t>(e - nd), '0');
    } else {
        s += d.substr(0, static_cast<size_t>(e)) + "." + d.substr(static_cast<size_t>(e));
    }
    return s;
}

std::string FloatToStr(double Value) { return WithSeparator(GeneralFloat(Value, 15)); }

static std::string FixedFloat(double v, int Prec, bool thousands) {
    std::string sp;
    if (SpecialFloat(v, sp)) return sp;
    if (Prec < 0) Prec = 0;
    if (Prec > 18) Prec = 18;
    char buf[512];
    auto r = std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::fixed, Prec);
    std::string body(buf, r.ptr);
    bool allZero = body.find_first_not_of("0.") == std::string::npos;
    size_t dot = body.find('.');
    size_t intLen = dot == std::string::npos ? body.size() : dot;
    if (dot != std::string::npos) body[dot] = DecimalSeparator;
    if (thousands)
        for (size_t k = intLen; k > 3; k -= 3) body.insert(k - 3, 1, ',');
    return (v < 0 && !allZero ? "-" : "") + body;
}

static std::string ScientificFloat(double v, int Prec) {
    std::string sp;
    if (SpecialFloat(v, sp)) return sp;
    if (Prec < 1) Prec = 1;
    if (Prec > 18) Prec = 18;
    std::string d;
    int e;
    SigDigits(v, Prec, d, e);
    std::string s = v < 0 ? "-" : "";
    s += d[0];
    if (d.size() > 1) s += "." + d.substr(1);
    s += "E" + ExpText(v == 0 ? 0 : e - 1, 3, /*plus=*/true);
    return WithSeparator(s);
}

bool StrToBoolDef(const std::string& S, bool Default) {
    if (SameText(S, "true")) return true;
    if (SameText(S, "false")) return false;
    int64_t i;
    if (ParseInt64(S, i)) return i != 0;
    double d;
    if (ParseFloat(S, d)) return d != 0;
    return Default;
}

std::string BoolToStr(bool Value, bool UseBoolStrs) {
    if (UseBoolStrs) return Value ? "True" : "False";
    return Value ? "-1" : "0";
}

// ---- Strings --------------------------------------------------------------

static bool Blank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string Trim(const std::string& S) {
    size_t b = 0, e = S.size();
    while (b < e && Blank(S[b])) ++b;
    while (e > b && Blank(S[e - 1])) --e;
    return S.substr(b, e - b);
}

std::string TrimLeft(const std::string& S) {
    size_t b = 0;
    while (b < S.size() && Blank(S[b])) ++b;
    return S.substr(b);
}

std::string TrimRight(const std::string& S) {
    size_t e = S.size();
    while (e > 0 && Blank(S[e - 1])) --e;
    return S.substr(0, e);
}

static char Up(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
static char Low(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

std::string UpperCase(const std::string& S) {
    std::string r = S;
    for (char& c : r) c = Up(c);
    return r;
}

std::string LowerCase(const std::string& S) {
    std::string r = S;
    for (char& c : r) c = Low(c);
    return r;
}

int CompareText(const std::string& A, const std::string& B) {
    size_t n = std::min(A.size(), B.size());
    for (size_t i = 0; i < n; ++i) {
        auto a = static_cast<unsigned char>(Up(A[i]));
        auto b = static_cast<unsigned char>(Up(B[i]));
        if (a != b) return a < b ? -1 : 1;
    }
    return A.size() == B.size() ? 0 : (A.size() < B.size() ? -1 : 1);
}

int CompareStr(const std::string& A, const std::string& B) {
    int c = A.compare(B);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

bool SameText(const std::string& A, const std::string& B) { return A.size() == B.size() && CompareText(A, B) == 0; }

bool StartsText(const std::string& Sub, const std::string& S) {
    return Sub.size() <= S.size() && SameText(Sub, S.substr(0, Sub.size()));
}

bool EndsText(const std::string& Sub, const std::string& S) {
    return Sub.size() <= S.size() && SameText(Sub, S.substr(S.size() - Sub.size()));
}

int Pos(const std::string& Sub, const std::string& S) {
    if (Sub.empty()) return 0;
    size_t p = S.find(Sub);
    return p == std::string::npos ? 0 : static_cast<int>(p) + 1;
}

std::string Copy(const std::string& S, int Index, int Count) {
    if (Index < 1) Index = 1;
    if (Count <= 0 || Index > static_cast<int>(S.size())) return {};
    return S.substr(static_cast<size_t>(Index - 1), static_cast<size_t>(Count));
}

void Delete(std::string& S, int Index, int Count) {
    if (Index < 1 || Index > static_cast<int>(S.size()) || Count <= 0) return;
    S.erase(static_cast<size_t>(Index - 1), static_cast<size_t>(Count));
}

void Insert(const std::string& Sub, std::string& S, int Index) {
    if (Index < 1) Index = 1;
    if (Index > static_cast<int>(S.size())) Index = static_cast<int>(S.size()) + 1;
    S.insert(static_cast<size_t>(Index - 1), Sub);
}

std::string StringReplace(const std::string& S, const std::string& OldPattern, const std::string& NewPattern,
                          int Flags) {
    if (OldPattern.empty()) return S;
    bool all = (Flags & rfReplaceAll) != 0;
    bool blind = (Flags & rfIgnoreCase) != 0;
    std::string hay = blind ? UpperCase(S) : S;
    std::string pat = blind ? UpperCase(OldPattern) : OldPattern;
    std::string out;
    size_t from = 0;
    for (;;) {
        size_t p = hay.find(pat, from);
        if (p == std::string::npos) break;
        out.append(S, from, p - from);
        out += NewPattern;
        from = p + pat.size();
        if (!all) break;
    }
    out.append(S, from, std::string::npos);
    return out;
}

std::string AnsiQuotedStr(const std::string& S, char Quote) {
    std::string r(1, Quote);
    for (char c : S) {
        r += c;
        if (c == Quote) r += c;
    }
    r += Quote;
    return r;
}

std::string QuotedStr(const std::string& S) { return AnsiQuotedStr(S, '\''); }

std::string AnsiDequotedStr(const std::string& S, char Quote) {
    if (S.empty() || S[0] != Quote) return S;
    std::string r;
    for (size_t i = 1; i < S.size(); ++i) {
        if (S[i] == Quote) {
            if (i + 1 < S.size() && S[i + 1] == Quote) {
                r += Quote;
                ++i;
            } else {
                return r;
            }
        } else {
            r += S[i];
        }
    }
    return S;  // no closing quote: not a quoted string
}

// ---- Format ---------------------------------------------------------------

namespace {

[[noreturn]] void FormatInvalid(const std::string& F) {
    throw EConvertError("Format '" + F + "' invalid or incompatible with argument");
}

[[noreturn]] void FormatMissing(const std::string& F) { throw EConvertError("No argument for format '" + F + "'"); }

bool IsIntArg(const TVarRec& a) {
    return a.kind == TVarRec::vtInteger || a.kind == TVarRec::vtInt64 || a.kind == TVarRec::vtBoolean;
}

}  // namespace

std::string Format(const std::string& F, const std::vector<TVarRec>& Args) {
    std::string out;
    size_t argIndex = 0;
    size_t i = 0;
    const size_t n = F.size();
    auto nextArg = [&]() -> const TVarRec& {
        if (argIndex >= Args.size()) FormatMissing(F);
        return Args[argIndex++];
    };
    // A number of the specifier, or '*' taking it from the arguments; -1 when absent.
    auto readNumber = [&]() -> int {
        if (i < n && F[i] == '*') {
            ++i;
            const TVarRec& a = nextArg();
            if (!IsIntArg(a)) FormatInvalid(F);
            return static_cast<int>(std::clamp<int64_t>(a.i, -1, 1 << 20));
        }
        if (i >= n || F[i] < '0' || F[i] > '9') return -1;
        int v = 0;
        while (i < n && F[i] >= '0' && F[i] <= '9') {
            v = std::min(v * 10 + (F[i] - '0'), 1 << 20);
            ++i;
        }
        return v;
    };
    while (i < n) {
        char c = F[i];
        if (c != '%') {
            out += c;
            ++i;
            continue;
        }
        ++i;
        if (i >= n) FormatInvalid(F);
        if (F[i] == '%') {
            out += '%';
            ++i;
            continue;
        }
        // [index ':'] ['-'] [width] ['.' precision] type
        int num = readNumber();
        if (i < n && F[i] == ':') {
            ++i;
            argIndex = num < 0 ? 0 : static_cast<size_t>(num);
            num = -1;
        }
        bool left = false;
        if (num < 0 && i < n && F[i] == '-') {
            left = true;
            ++i;
        }
        int width = num >= 0 ? num : readNumber();
        int prec = -1;
        if (i < n && F[i] == '.') {
            ++i;
            prec = readNumber();
            if (prec < 0) prec = 0;
        }
        if (i >= n) FormatInvalid(F);
        char type = Low(F[i]);
        bool upper = F[i] == 'X';
        ++i;
        std::string text;
        switch (type) {
        case 'd':
        case 'u':
        case 'x': {
            const TVarRec& a = nextArg();
            if (!IsIntArg(a)) FormatInvalid(F);
            bool neg = false;
            uint64_t mag;
            if (type == 'd') {
                neg = a.i < 0;
                mag = neg ? 0 - static_cast<uint64_t>(a.i) : static_cast<uint64_t>(a.i);
            } else if (a.kind == TVarRec::vtInteger) {
                mag = static_cast<uint32_t>(a.i);  // an int shows its 32-bit pattern
            } else {
                mag = static_cast<uint64_t>(a.i);
            }
            if (type == 'x') {
                text = HexDigits(mag, 0);
                if (!upper) text = LowerCase(text);
            } else {
                text = std::to_string(mag);
            }
            if (prec > static_cast<int>(text.size())) text.insert(0, static_cast<size_t>(prec) - text.size(), '0');
            if (neg) text.insert(0, 1, '-');
            break;
        }
        case 'e':
        case 'f':
        case 'g':
        case 'n':
        case 'm': {
            const TVarRec& a = nextArg();
            if (a.kind != TVarRec::vtExtended) FormatInvalid(F);
            if (type == 'e') text = ScientificFloat(a.d, prec < 0 ? 15 : prec);
            else if (type == 'g') text = WithSeparator(GeneralFloat(a.d, prec < 0 ? 15 : prec));
            else text = FixedFloat(a.d, prec < 0 ? 2 : prec, type != 'f');
            break;
        }
        case 's': {
            const TVarRec& a = nextArg();
            if (a.kind != TVarRec::vtString && a.kind != TVarRec::vtChar) FormatInvalid(F);
            text = a.s;
            if (prec >= 0 && static_cast<size_t>(prec) < text.size()) text.resize(static_cast<size_t>(prec));
            break;
        }
        case 'p': {
            const TVarRec& a = nextArg();
            if (a.kind != TVarRec::vtPointer) FormatInvalid(F);
            text = HexDigits(reinterpret_cast<uintptr_t>(a.p), static_cast<int>(sizeof(void*) * 2));
            break;
        }
        default:
            FormatInvalid(F);
        }
        if (width > static_cast<int>(text.size())) {
            std::string pad(static_cast<size_t>(width) - text.size(), ' ');
            text = left ? text + pad : pad + text;
        }
        out += text;
    }
    return out;
}

TSysLocale SysLocaleFromName(const std::string& Name) {
    TSysLocale L;
    size_t End = Name.find_first_of("_.@");
    L.Language = Name.substr(0, End);
    for (char& C : L.Language) C = static_cast<char>(std::tolower(static_cast<unsigned char>(C)));
    for (const char* Lang : {"ar", "he", "iw", "fa", "ur", "yi", "ps", "sd", "ug", "ku", "dv", "syr"})
        if (L.Language == Lang) L.MiddleEast = true;
    for (const char* Lang : {"ja", "zh", "ko"})
        if (L.Language == Lang) L.FarEast = true;
    return L;
}

static TSysLocale StartUpLocale() {
    for (const char* Var : {"LC_ALL", "LC_MESSAGES", "LANG"})
        if (const char* V = std::getenv(Var); V && *V) return SysLocaleFromName(V);
    return SysLocaleFromName("C");
}

TSysLocale SysLocale = StartUpLocale();
