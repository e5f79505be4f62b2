// Dates and times: TDateTime is days since 1899-12-30, the fraction the time of day.
#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <cmath>

#include "platform/rtl/sysutils.h"

namespace {

constexpr int64_t MSecsPerDay = 86400000;
// Days from 1899-12-30 to 1970-01-01.
constexpr int64_t UnixDateDelta = 25569;

const char* const ShortMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const LongMonthNames[12] = {"January", "February", "March",     "April",   "May",      "June",
                                        "July",    "August",   "September", "October", "November", "December"};
const char* const ShortDayNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const LongDayNames[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

// The formats the "c", "t", "tt", "ddddd" and "dddddd" specifiers stand for.
const char* const ShortDateFormat = "dd/mm/yyyy";
const char* const LongDateFormat = "dddd, d mmmm yyyy";
const char* const ShortTimeFormat = "hh:nn";
const char* const LongTimeFormat = "hh:nn:ss";

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
int64_t DaysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    int64_t era = (y >= 0 ? y : y - 399) / 400;
    int64_t yoe = y - era * 400;
    int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& y, int& m, int& d) {
    z += 719468;
    int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    int64_t doe = z - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

// Splits D into whole days and milliseconds of the day. Before 1899-12-30 the
// fraction still counts forward from midnight (-1.25 is 1899-12-29 06:00).
void Split(TDateTime D, int64_t& Days, int64_t& MSec) {
    bool neg = D < 0;
    auto total = static_cast<int64_t>(std::llround(std::fabs(D) * MSecsPerDay));
    Days = total / MSecsPerDay;
    MSec = total % MSecsPerDay;
    if (neg) Days = -Days;
}

TDateTime FromTimespec(const struct timespec& ts) {
    struct tm lt;
    time_t t = ts.tv_sec;
    localtime_r(&t, &lt);
    return EncodeDate(lt.tm_year + 1900, lt.tm_mon + 1, lt.tm_mday) +
           EncodeTime(lt.tm_hour, lt.tm_min, std::min(lt.tm_sec, 59), static_cast<int>(ts.tv_nsec / 1000000));
}

std::string Pad(int v, int digits) {
    std::string s = std::to_string(v);
    if (static_cast<int>(s.size()) < digits) s.insert(0, static_cast<size_t>(digits) - s.size(), '0');
    return s;
}

char Low(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool StartsBlind(const std::string& F, size_t i, const char* what) {
    for (size_t k = 0; what[k]; ++k)
        if (i + k >= F.size() || Low(F[i + k]) != what[k]) return false;
    return true;
}

struct Parts {
    int Year, Month, Day, Hour, Min, Sec, MSec, Dow;
    bool HasTime;
};

void Render(const std::string& F, const Parts& P, std::string& Out, int Depth);

// Whether an am/pm marker follows position i before the next hour specifier.
bool TwelveHour(const std::string& F, size_t i) {
    char quote = 0;
    for (; i < F.size(); ++i) {
        char c = F[i];
        if (quote) {
            if (c == quote) quote = 0;
            continue;
        }
        if (c == '"' || c == '\'') {
            quote = c;
        } else if (Low(c) == 'a' && (StartsBlind(F, i, "am/pm") || StartsBlind(F, i, "a/p") || StartsBlind(F, i, "ampm"))) {
            return true;
        } else if (Low(c) == 'h') {
            return false;
        }
    }
    return false;
}

void Render(const std::string& F, const Parts& P, std::string& Out, int Depth) {
    if (Depth > 2) return;  // nested standard formats never go deeper
    bool afterHour = false;  // an 'm' right after an hour means minutes
    bool twelve = false;
    size_t i = 0;
    const size_t n = F.size();
    auto run = [&](char c) {
        size_t k = i;
        while (k < n && Low(F[k]) == c) ++k;
        size_t len = k - i;
        i = k;
        return static_cast<int>(len);
    };
    while (i < n) {
        char c = F[i];
        char lc = Low(c);
        if (c == '"' || c == '\'') {
            size_t close = F.find(c, i + 1);
            if (close == std::string::npos) close = n;
            Out.append(F, i + 1, close - i - 1);
            i = close < n ? close + 1 : n;
            continue;
        }
        switch (lc) {
        case 'y': {
            int len = run('y');
            Out += len <= 2 ? Pad(P.Year % 100, 2) : Pad(P.Year, 4);
            afterHour = false;
            break;
        }
        case 'm': {
            int len = run('m');
            if (afterHour && len <= 2) {
                Out += Pad(P.Min, len);
            } else if (len == 1 || len == 2) {
                Out += Pad(P.Month, len);
            } else if (len == 3) {
                Out += ShortMonthNames[P.Month - 1];
            } else {
                Out += LongMonthNames[P.Month - 1];
            }
            afterHour = false;
            break;
        }
        case 'd': {
            int len = run('d');
            if (len <= 2) Out += Pad(P.Day, len);
            else if (len == 3) Out += ShortDayNames[P.Dow];
            else if (len == 4) Out += LongDayNames[P.Dow];
            else if (len == 5) Render(ShortDateFormat, P, Out, Depth + 1);
            else Render(LongDateFormat, P, Out, Depth + 1);
            afterHour = false;
            break;
        }
        case 'h': {
            int len = run('h');
            twelve = TwelveHour(F, i);
            int h = P.Hour;
            if (twelve) {
                h %= 12;
                if (h == 0) h = 12;
            }
            Out += Pad(h, len >= 2 ? 2 : 1);
            afterHour = true;
            break;
        }
        case 'n': {
            int len = run('n');
            Out += Pad(P.Min, len >= 2 ? 2 : 1);
            afterHour = false;
            break;
        }
        case 's': {
            int len = run('s');
            Out += Pad(P.Sec, len >= 2 ? 2 : 1);
            afterHour = false;
            break;
        }
        case 'z': {
            int len = run('z');
            Out += Pad(P.MSec, len >= 3 ? 3 : 1);
            afterHour = false;
            break;
        }
        case 't': {
            int len = run('t');
            Render(len == 1 ? ShortTimeFormat : LongTimeFormat, P, Out, Depth + 1);
            afterHour = false;
            break;
        }
        case 'c': {
            ++i;
            Render(ShortDateFormat, P, Out, Depth + 1);
            if (P.HasTime) {
                Out += ' ';
                Render(LongTimeFormat, P, Out, Depth + 1);
            }
            afterHour = false;
            break;
        }
        case 'a': {
            bool pm = P.Hour >= 12;
            if (StartsBlind(F, i, "am/pm")) {
                // the marker keeps the case it was written in
                std::string w = F.substr(pm ? i + 3 : i, 2);
                Out += w;
                i += 5;
            } else if (StartsBlind(F, i, "a/p")) {
                Out += F[pm ? i + 2 : i];
                i += 3;
            } else if (StartsBlind(F, i, "ampm")) {
                Out += pm ? "PM" : "AM";
                i += 4;
            } else {
                Out += c;
                ++i;
            }
            break;
        }
        default:
            // '/' and ':' are the date and time separators, which are themselves here
            Out += c;
            ++i;
            break;
        }
    }
}

}  // namespace

// ---- Encoding -------------------------------------------------------------

TDateTime EncodeDate(int Year, int Month, int Day) {
    if (Year < 1 || Year > 9999 || Month < 1 || Month > 12 || Day < 1 || Day > DaysInMonth(Year, Month))
        throw EConvertError("Invalid argument to date encode");
    return static_cast<double>(DaysFromCivil(Year, Month, Day) + UnixDateDelta);
}

TDateTime EncodeTime(int Hour, int Min, int Sec, int MSec) {
    if (Hour < 0 || Hour > 23 || Min < 0 || Min > 59 || Sec < 0 || Sec > 59 || MSec < 0 || MSec > 999)
        throw EConvertError("Invalid argument to time encode");
    return static_cast<double>(((Hour * 60 + Min) * 60 + Sec) * 1000 + MSec) / MSecsPerDay;
}

void DecodeDate(TDateTime D, int& Year, int& Month, int& Day) {
    int64_t days, ms;
    Split(D, days, ms);
    CivilFromDays(days - UnixDateDelta, Year, Month, Day);
}

void DecodeTime(TDateTime D, int& Hour, int& Min, int& Sec, int& MSec) {
    int64_t days, ms;
    Split(D, days, ms);
    MSec = static_cast<int>(ms % 1000);
    Sec = static_cast<int>(ms / 1000 % 60);
    Min = static_cast<int>(ms / 60000 % 60);
    Hour = static_cast<int>(ms / 3600000);
}

int DayOfWeek(TDateTime D) {
    int64_t days, ms;
    Split(D, days, ms);
    // day 0 was a Saturday
    return static_cast<int>(((days % 7 + 7) % 7 + 6) % 7) + 1;
}

TDateTime UnixToDateTime(int64_t Seconds) {
    return static_cast<double>(UnixDateDelta) + static_cast<double>(Seconds) / 86400.0;
}

int64_t DateTimeToUnix(TDateTime D) { return Round((D - static_cast<double>(UnixDateDelta)) * 86400.0); }

TDateTime Now() {
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    return FromTimespec(ts);
}

TDateTime Date() { return std::floor(Now()); }

TDateTime Time() {
    TDateTime n = Now();
    return n - std::floor(n);
}

// ---- Text -----------------------------------------------------------------

std::string FormatDateTime(const std::string& Format, TDateTime D) {
    Parts p{};
    DecodeDate(D, p.Year, p.Month, p.Day);
    DecodeTime(D, p.Hour, p.Min, p.Sec, p.MSec);
    p.Dow = DayOfWeek(D) - 1;
    p.HasTime = p.Hour || p.Min || p.Sec || p.MSec;
    std::string out;
    Render(Format.empty() ? std::string("c") : Format, p, out, 0);
    return out;
}

std::string DateTimeToStr(TDateTime D) { return FormatDateTime("c", D); }

std::string FileDateToStr(TDateTime D) { return FormatDateTime("c", D); }

TDateTime FileAge(const std::string& FileName) {
    struct stat st;
    if (::stat(FileName.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return -1;
    return FromTimespec(st.st_mtim);
}
