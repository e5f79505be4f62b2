#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>

#include "platform/rtl/sysutils.h"
#include "rtl_test_util.h"

namespace {

TEST(Dates, EncodeAndDecode) {
    struct Case {
        int y, m, d;
        double serial;
        int dow;  // 1 = Sunday
    };
    const Case cases[] = {
        {1899, 12, 30, 0, 7},    {1899, 12, 31, 1, 1},     {1900, 1, 1, 2, 2},      {1900, 3, 1, 61, 5},
        {1970, 1, 1, 25569, 5},  {2000, 2, 29, 36585, 3},  {2024, 1, 1, 45292, 2},  {1899, 12, 29, -1, 6},
        {1, 1, 1, -693593, 2},   {9999, 12, 31, 2958465, 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.serial);
        EXPECT_EQ(EncodeDate(c.y, c.m, c.d), c.serial);
        int y, m, d;
        DecodeDate(c.serial, y, m, d);
        EXPECT_EQ(y * 10000 + m * 100 + d, c.y * 10000 + c.m * 100 + c.d);
        EXPECT_EQ(DayOfWeek(c.serial >= 0 ? c.serial + 0.75 : c.serial - 0.75), c.dow);
    }
    const int bad[][3] = {{2023, 2, 29}, {1900, 2, 29}, {2024, 13, 1}, {2024, 4, 31}, {2024, 1, 0}, {0, 1, 1}};
    for (const auto& b : bad) {
        try {
            EncodeDate(b[0], b[1], b[2]);
            ADD_FAILURE() << b[0] << "-" << b[1] << "-" << b[2];
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message, "Invalid argument to date encode");
        }
    }
    EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 60, 0, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 0, 0, 1000), EConvertError);

    // Every millisecond of a day survives the round trip, up to the last one.
    for (int ms : {0, 1, 999, 45296789, 86399999}) {
        TDateTime t = 45292 + EncodeTime(ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000);
        int h, n, s, z, y, m, d;
        DecodeTime(t, h, n, s, z);
        DecodeDate(t, y, m, d);
        EXPECT_EQ(((h * 60 + n) * 60 + s) * 1000 + z, ms);
        EXPECT_EQ(d, 1) << ms;
    }
    // Before 1899-12-30 the fraction still counts forward from midnight.
    int h, n, s, z;
    DecodeTime(-1.25, h, n, s, z);
    EXPECT_EQ(h, 6);
    EXPECT_EQ(UnixToDateTime(0), 25569);
    EXPECT_EQ(UnixToDateTime(86400 + 43200), 25570.5);
    EXPECT_EQ(DateTimeToUnix(UnixToDateTime(1700000000)), 1700000000);
}

TEST(Dates, FormatDateTimeSpecifiers) {
    const TDateTime afternoon = EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 9, 45);
    const TDateTime midnight = EncodeDate(2023, 12, 31);
    const TDateTime noon = EncodeDate(2023, 12, 31) + EncodeTime(12, 0, 0, 0);
    const TDateTime late = EncodeDate(2023, 12, 31) + EncodeTime(23, 59, 59, 999);
    struct Case {
        const char* fmt;
        TDateTime d;
        const char* want;
    };
    const Case cases[] = {
        {"h:nn:ss", afternoon, "14:07:09"},
        {"h:nn:ss", EncodeTime(3, 4, 5, 0), "3:04:05"},
        {"hh:nn:ss.zzz", afternoon, "14:07:09.045"},
        {"hh:nn:ss.zzz", late, "23:59:59.999"},
        {"h:n:s.z", afternoon, "14:7:9.45"},
        {"dd/mm/yyyy", afternoon, "05/03/2024"},
        {"d/m/yy", afternoon, "5/3/24"},
        {"yyyy-mm-dd", afternoon, "2024-03-05"},
        {"YYYY-MM-DD HH:NN", afternoon, "2024-03-05 14:07"},
        {"yyyy-mm-dd", late, "2023-12-31"},
        {"hh:mm", afternoon, "14:07"},  // m after an hour is the minute
        {"mm hh:mm", afternoon, "03 14:07"},
        {"mmm", afternoon, "Mar"},
        {"mmmm", afternoon, "March"},
        {"d mmmm yyyy", midnight, "31 December 2023"},
        {"ddd", afternoon, "Tue"},
        {"dddd", afternoon, "Tuesday"},
        {"dddd", midnight, "Sunday"},
        {"h:nn am/pm", afternoon, "2:07 pm"},
        {"hh:nn AM/PM", afternoon, "02:07 PM"},
        {"h am/pm", midnight, "12 am"},
        {"h am/pm", noon, "12 pm"},
        {"h a/p", afternoon, "2 p"},
        {"h ampm", EncodeTime(9, 0, 0, 0), "9 AM"},
        {"'Time:' hh", afternoon, "Time: 14"},
        {"\"yyyy\" yyyy", afternoon, "yyyy 2024"},
        {"dd'.'mm", afternoon, "05.03"},
        {"c", afternoon, "05/03/2024 14:07:09"},
        {"c", midnight, "31/12/2023"},
        {"t", afternoon, "14:07"},
        {"tt", afternoon, "14:07:09"},
        {"ddddd", afternoon, "05/03/2024"},
        {"dddddd", afternoon, "Tuesday, 5 March 2024"},
        {"", afternoon, "05/03/2024 14:07:09"},
        {"yyyy-mm-dd hh:nn", -1.25, "1899-12-29 06:00"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatDateTime(c.fmt, c.d), c.want) << c.fmt;
    EXPECT_EQ(DateTimeToStr(afternoon), "05/03/2024 14:07:09");
}

TDateTime LocalDateTime(time_t t, long nsec) {
    struct tm lt;
    localtime_r(&t, &lt);
    return EncodeDate(lt.tm_year + 1900, lt.tm_mon + 1, lt.tm_mday) +
           EncodeTime(lt.tm_hour, lt.tm_min, lt.tm_sec, static_cast<int>(nsec / 1000000));
}

TEST(Dates, NowAndFileTimesAreLocalTime) {
    time_t before = ::time(nullptr);
    TDateTime now = Now();
    time_t after = ::time(nullptr);
    EXPECT_GE(now, LocalDateTime(before, 0));
    EXPECT_LT(now, LocalDateTime(after, 0) + 1.0 / 86400);
    EXPECT_EQ(Date(), std::floor(Date()));
    EXPECT_GE(Time(), 0);
    EXPECT_LT(Time(), 1);

    TempFolder tmp;
    const std::string name = tmp.Path + "fichier daté.txt";
    std::ofstream(name) << "x";
    struct timespec times[2] = {{1700000000, 250000000}, {1700000000, 250000000}};
    ASSERT_EQ(::utimensat(AT_FDCWD, name.c_str(), times, 0), 0);
    EXPECT_DOUBLE_EQ(FileAge(name), LocalDateTime(1700000000, 250000000));
    EXPECT_EQ(FileAge(tmp.Path + "missing"), -1);
}

std::vector<std::string> Search(const std::string& Path, int Attr) {
    std::vector<std::string> r;
    TSearchRec f;
    if (FindFirst(Path, Attr, f) == 0) {
        do {
            r.push_back(f.Name + ((f.Attr & faDirectory) ? "/" : ""));
        } while (FindNext(f) == 0);
    }
    FindClose(f);
    return r;
}

TEST(Search, MasksAttributesAndOrder) {
    TempFolder tmp;
    for (const char* n : {"b.jpg", "A.JPG", "c.png", ".hidden.jpg", "été 1.jpg", "noext", "x.jpeg", "Zed.jpg"})
        std::ofstream(tmp.Path + n) << "12345";
    ForceDirectories(tmp.Path + "sub dir.jpg");
    using V = std::vector<std::string>;
    struct Case {
        const char* mask;
        int attr;
        V want;
    };
    const Case cases[] = {
        {"*.jpg", 0, {"A.JPG", "b.jpg", "Zed.jpg", "été 1.jpg"}},  // case-blind order
        {"*.jpg", faAnyFile, {".hidden.jpg", "A.JPG", "b.jpg", "sub dir.jpg/", "Zed.jpg", "été 1.jpg"}},
        {"*.jpg", faDirectory, {"A.JPG", "b.jpg", "sub dir.jpg/", "Zed.jpg", "été 1.jpg"}},
        {"?.jpg", 0, {"A.JPG", "b.jpg"}},
        {"?t? 1.*", 0, {"été 1.jpg"}},  // '?' is one character, not one byte
        {"*.*", 0, {"A.JPG", "b.jpg", "c.png", "noext", "x.jpeg", "Zed.jpg", "été 1.jpg"}},
        {"*", faDirectory,
         {"./", "../", "A.JPG", "b.jpg", "c.png", "noext", "sub dir.jpg/", "x.jpeg", "Zed.jpg", "été 1.jpg"}},
        {"*.gif", faAnyFile, {}},
        {"noext", 0, {"noext"}},
    };
    for (const auto& c : cases) EXPECT_EQ(Search(tmp.Path + c.mask, c.attr), c.want) << c.mask << " " << c.attr;

    TSearchRec f;
    ASSERT_EQ(FindFirst(tmp.Path + "c.png", 0, f), 0);
    EXPECT_EQ(f.Size, 5);
    EXPECT_EQ(f.Attr & faDirectory, 0);
    EXPECT_DOUBLE_EQ(f.Time, FileAge(tmp.Path + "c.png"));
    EXPECT_NE(FindNext(f), 0);
    FindClose(f);
    EXPECT_NE(FindFirst(tmp.Path + "*.gif", faAnyFile, f), 0);
    EXPECT_NE(FindFirst(tmp.Path + "missing folder/*", faAnyFile, f), 0);
    FindClose(f);

    EXPECT_TRUE(MatchesMask("Clip.MPG", "*.mpg"));
    EXPECT_TRUE(MatchesMask("a.b.c", "*.c"));
    EXPECT_TRUE(MatchesMask("ÉTÉ", "ÉT?"));
    EXPECT_FALSE(MatchesMask("été", "ÉTÉ"));  // only ASCII letters fold
    EXPECT_FALSE(MatchesMask("abc", "a?"));
    EXPECT_TRUE(MatchesMask("", "*"));
    struct SetCase {
        const char* name;
        const char* mask;
        bool match;
    };
    const SetCase sets[] = {
        {"track3.vob", "track[0-9].vob", true},   {"trackA.vob", "track[0-9].vob", false},
        {"trackA.vob", "track[!0-9].vob", true},  {"track3.vob", "track[!0-9].vob", false},
        {"B.txt", "[abc].*", true},               {"d.txt", "[a-c].*", false},
        {"x[1.txt", "x[1.txt", true},             {"VTS_01_1.VOB", "vts_??_[1-9].vob", true},
        {"noext", "*.*", true},
    };
    for (const auto& c : sets) EXPECT_EQ(MatchesMask(c.name, c.mask), c.match) << c.name << " " << c.mask;
}

}  // namespace
