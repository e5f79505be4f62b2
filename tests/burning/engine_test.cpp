// The burning engine against a scripted stand-in of the library: failure
// texts, disc types, the erase interval, speed lists, the library callback and
// its rename rules, the log, the VIDEO_TS check and the burn preparation.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <cstring>
#include <regex>
#include <thread>

#include "burning/burn_engine.h"
#include "core/globals.h"
#include "core/ui_texts.h"
#include "fake_burnlib.h"
#include "platform/system/registry.h"
#include "temp_folder.h"

namespace fs = std::filesystem;

namespace {

struct TStatus {
    std::string Text;
    int Kind;
    bool operator==(const TStatus& O) const { return Text == O.Text && Kind == O.Kind; }
};
std::ostream& operator<<(std::ostream& S, const TStatus& M) { return S << "{" << M.Text << ", " << M.Kind << "}"; }

class Env : public ::testing::Environment {
public:
    void SetUp() override { InitUITexts(); }
};
const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new Env);

// A temporary folder removed at the end.
struct TTempDir {
    TTempFolder Folder{"sbengine"};
    fs::path Path{Folder.Path()};
    std::string Str() const { return Folder.Slashed(); }
};

void Touch(const fs::path& P, size_t Size = 0) {
    fs::create_directories(P.parent_path());
    std::ofstream F(P, std::ios::binary);
    F << std::string(Size, 'x');
}

std::string ReadAll(const fs::path& P) {
    std::ifstream F(P, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(F)), std::istreambuf_iterator<char>());
}

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        fakeburn::Install();
        sbResetCallbackState();
        sbCallBackEventer = std::make_unique<TsbCallBackEventer>();
        sbCallBackEventer->OnMessage = [this](const std::string& Text, int Kind) { Statuses.push_back({Text, Kind}); };
        sbCallBackEventer->OnProgress = [this](TObject*, int P) { Progress.push_back(P); };
        sbCallBackEventer->OnBuffer = [this](TObject*, int P) { Buffer.push_back(P); };
    }
    void TearDown() override {
        sbCallBackEventer.reset();
        fakeburn::Remove();
    }
    std::vector<TStatus> Statuses;
    std::vector<int> Progress, Buffer;
};

// ---- Failure texts ------------------------------------------------------------------------
TEST(FailureText, EachFormByteForByte) {
    struct {
        TsbFailureTextForm Form;
        const char* Name;
        const char* Expected;
    } Cases[] = {
        {ftStandard, "BurnLib_Recorder_Eject",
         "BurnLib_Recorder_Eject() failed, exception 8, status 5, text \"no 100% luck\""},
        {ftErase, "BurnLib_Recorder_Blank", "BurnLib_Recorder_Blank failed, exception 8, status 5, text \"no 100% luck\""},
        {ftTray, "BurnLib_Recorder_LockMedium",
         "BurnLib_Recorder_LockMedium() failed, exception 8, status 5, text \"no 100% luck\"\\n"},
        {ftFreeSpace, "BurnLib_Recorder_GetDiscFreeSpace", "BurnLib_Recorder_GetDiscFreeSpace() failed, exception 8\""},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(sbFailureText(C.Name, 8, 5, "no 100% luck", C.Form), C.Expected) << C.Name;
    // A status beyond 31 bits stays unsigned.
    EXPECT_EQ(sbFailureText("F", 1, 4294967295u, ""), "F() failed, exception 1, status 4294967295, text \"\"");
}

TEST_F(EngineTest, DriveOperationsReportTheirFailuresWhereDesigned) {
    TsbBurner B;
    B.TransportType = ttSpti;
    B.DeviceName = "CDROM0";
    B.OpenDevice();
    ASSERT_NE(B.GrabberHandle.load(), 0u);

    auto& S = fakeburn::Script();
    S.Fail["BurnLib_Recorder_Eject"] = BURNLIB_ERROR_GENERAL;
    S.Fail["BurnLib_Recorder_ReleaseMedium"] = BURNLIB_ERROR_BUSY;
    B.Eject();
    // Eject releases first; its failure is only kept, then replaced by the eject's.
    EXPECT_EQ(B.LastError, "BurnLib_Recorder_Eject() failed, exception 1, status 5, text \"scripted failure\"");
    EXPECT_EQ(Statuses, (std::vector<TStatus>{{"Eject failed!", 2}}));

    B.ReleaseTray();
    EXPECT_EQ(B.LastError,
              "BurnLib_Recorder_ReleaseMedium() failed, exception 12, status 5, text \"scripted failure\"\\n");
    S.Fail.clear();
    Statuses.clear();
    B.Eject();
    B.CloseSession();
    EXPECT_EQ(Statuses, (std::vector<TStatus>{{"Eject!", 0}, {"Closing Session!", 0}}));
    EXPECT_EQ(Progress, std::vector<int>{100});

    S.Fail["BurnLib_Recorder_CloseSession"] = BURNLIB_ERROR_WRITE;
    Statuses.clear();
    B.CloseSession();
    EXPECT_EQ(Statuses, (std::vector<TStatus>{{"Close Session Failed!", 2}}));
}

TEST_F(EngineTest, OpenDeviceRaisesWithTheCreateTextForBothTransports) {
    fakeburn::Script().Fail["BurnLib_Recorder_CreateEx"] = BURNLIB_ERROR_NO_DRIVE;
    fakeburn::Script().Fail["BurnLib_Recorder_Create"] = BURNLIB_ERROR_NO_DRIVE;
    for (TsbTransportType T : {ttSpti, ttAspi}) {
        TsbBurner B;
        B.TransportType = T;
        B.DeviceName = "CDROM0";
        try {
            B.OpenDevice();
            FAIL() << "no exception";
        } catch (const Exception& E) {
            EXPECT_STREQ(E.what(), "BurnLib_Recorder_Create() failed, exception 4, status 5, text \"scripted failure\"");
        }
        EXPECT_EQ(B.GrabberHandle.load(), 0u);
    }
}

TEST_F(EngineTest, WithoutAnOpenDriveTrayCallsAreSkipped) {
    TsbBurner B;
    B.Eject();
    B.LoadTray();
    B.LockTray();
    B.ReleaseTray();
    B.CloseSession();
    EXPECT_TRUE(fakeburn::Calls().empty());
    EXPECT_TRUE(Statuses.empty());
    EXPECT_EQ(Progress, std::vector<int>{100});
}

TEST_F(EngineTest, CancelBurnCallsTheLibraryExceptInWriteModeFour) {
    TsbBurner B;
    B.TransportType = ttSpti;
    B.DeviceName = "CDROM0";
    B.OpenDevice();
    B.BurnOptions.WriteMode = 4;
    B.CancelBurn();
    EXPECT_TRUE(B.Cancelled);
    EXPECT_EQ(fakeburn::CountOf("BurnLib_Recorder_Cancel"), 0);
    B.Cancelled = false;
    B.BurnOptions.WriteMode = 7;
    B.CancelBurn();
    EXPECT_TRUE(B.Cancelled);
    EXPECT_EQ(fakeburn::CountOf("BurnLib_Recorder_Cancel"), 1);
}

// ---- Disc types ---------------------------------------------------------------------------------
TEST(DiscType, NamesAndMediaPredicates) {
    struct {
        int Value;
        const char* Name;
        bool W, RW, Dvd;
    } Rows[] = {
        {0, "Unknown", true, false, false},       {1, "CD-ROM", false, false, false},
        {2, "CD-R", true, false, false},          {3, "CD-RW", true, true, false},
        {4, "DVD-ROM", false, false, true},       {5, "DVD-R", true, false, true},
        {6, "DVD-RAM", true, true, true},         {7, "DVD-RW RO", true, true, true},
        {8, "DVD-RW SR", true, true, true},       {9, "DVD+RW", true, true, true},
        {10, "DD CD-ROM", false, false, false},   {11, "DD CD-R", true, false, false},
        {12, "DD CD-RW", true, true, false},      {13, "DVD+R", true, false, true},
        {14, "No media", true, false, false},     {15, "DVD+R DL", true, false, true},
        {16, "DVD-R DL", true, false, true},      {17, "BD-R", true, false, false},
        {18, "BD-RE", true, true, false},         {19, "HD-DVD ROM", false, false, false},
        {20, "HD-DVD Recordable", true, false, false}, {21, "HD-DVD Rewritable", true, true, false},
        {22, "Unknown", false, false, false},     {-1, "Unknown", false, false, false},
    };
    for (const auto& R : Rows) {
        auto T = static_cast<DISC_TYPE>(R.Value);
        EXPECT_EQ(DiscTypeName(T), R.Name) << R.Value;
        EXPECT_EQ(IsWritableMedia(T), R.W) << R.Value;
        EXPECT_EQ(IsRewritableMedia(T), R.RW) << R.Value;
        EXPECT_EQ(IsDvdMedia(T), R.Dvd) << R.Value;
    }
}

TEST(DiscType, NamesFollowTheLanguage) {
    std::string Saved = IDS_Burn_DiscType_DVDPLUSRW;
    IDS_Burn_DiscType_DVDPLUSRW = "DVD+RW (wiederbeschreibbar)";
    EXPECT_EQ(DiscTypeName(DISC_TYPE_DVDPLUSRW), "DVD+RW (wiederbeschreibbar)");
    IDS_Burn_DiscType_DVDPLUSRW = Saved;
}

// ---- Erase interval ------------------------------------------------------------------------------
TEST(EraseInterval, Table) {
    struct {
        bool Full;
        int64_t Total;
        DISC_TYPE Type;
        uint32_t Speed;
        uint32_t Ms;
    } Cases[] = {
        {false, 0, DISC_TYPE_DVDRWSR, 2770, 1663},        // 450 MiB
        {false, 0, DISC_TYPE_CDRW, 2770, 166},            // 45 MiB
        {true, 4700000000LL, DISC_TYPE_DVDPLUSRW, 5540, 8284},
        {false, 0, DISC_TYPE_DVDRWSR, 0, 3327},           // no speed reported: 1x DVD
        {false, 0, DISC_TYPE_CDRW, 0, 2618},              // 1x CD
        {true, 0, DISC_TYPE_DVDRWSR, 2770, 1},            // nothing to erase: still ticks
    };
    for (const auto& C : Cases)
        EXPECT_EQ(EraseTimerInterval(C.Full, C.Total, C.Type, C.Speed), C.Ms)
            << C.Full << " " << C.Total << " " << C.Speed;
}

// ---- Speed lists ------------------------------------------------------------------------------------
TEST_F(EngineTest, FillWriteSpeedsKeepsOneItemPerFactorWithItsText) {
    TsbBurner B;
    B.TransportType = ttSpti;
    B.DeviceName = "CDROM0";
    B.OpenDevice();
    B.DiscType = DISC_TYPE_DVDPLUSR;
    // The drive reports 2770, 2770, 5540 for the first three tries, then 5540.
    fakeburn::Script().WriteSpeedFor = [](uint32_t W) -> uint32_t {
        if (W == 1385 || W == 2770) return 2770;
        return 5540;
    };
    B.WriteSpeeds->FillWriteSpeeds(B);
    ASSERT_EQ(B.WriteSpeeds->Count(), 2);
    EXPECT_EQ(B.WriteSpeeds->GetItem(0)->StrSpeed, "2.0x (2770 KB/sec)");
    EXPECT_EQ(B.WriteSpeeds->GetItem(0)->SpeedInPoint, 2);
    EXPECT_EQ(B.WriteSpeeds->GetItem(1)->StrSpeed, "4.0x (5540 KB/sec)");
    EXPECT_EQ(B.WriteSpeeds->GetItem(1)->SpeedInSize, 5540);
    EXPECT_EQ(B.WriteSpeeds->MaxWriteSpeed, 22160u);
    // The probe, then two calls per table value.
    EXPECT_EQ(fakeburn::CountOf("BurnLib_Recorder_SetSpeeds"), 1 + 10);
    EXPECT_EQ(fakeburn::CountOf("BurnLib_Recorder_GetSpeeds"), 1 + 10);
    EXPECT_EQ(B.WriteSpeeds->FindBySpeedInPoint(4), B.WriteSpeeds->GetItem(1));
    EXPECT_EQ(B.WriteSpeeds->FindBySpeedInPoint(3), nullptr);

    // A CD uses the CD table; a speed below 1x gives factor 0.
    B.DiscType = DISC_TYPE_CDR;
    fakeburn::Script().WriteSpeedFor = [](uint32_t) -> uint32_t { return 150; };
    B.WriteSpeeds->FillWriteSpeeds(B);
    ASSERT_EQ(B.WriteSpeeds->Count(), 1);
    EXPECT_EQ(B.WriteSpeeds->GetItem(0)->StrSpeed, "0.0x (150 KB/sec)");
    EXPECT_EQ(fakeburn::CountOf("BurnLib_Recorder_SetSpeeds"), 1 + 10 + 1 + 16);
}

TEST_F(EngineTest, FailedSpeedQueryOnlyTheReadProbeRaises) {
    TsbBurner B;
    B.TransportType = ttSpti;
    B.DeviceName = "CDROM0";
    B.OpenDevice();
    B.DiscType = DISC_TYPE_DVDPLUSR;
    fakeburn::Script().Fail["BurnLib_Recorder_GetSpeeds"] = BURNLIB_ERROR_GENERAL;
    EXPECT_NO_THROW(B.WriteSpeeds->FillWriteSpeeds(B));
    EXPECT_THROW(B.ReadSpeeds->FillReadSpeeds(B), Exception);
    fakeburn::Script().Fail.clear();
    fakeburn::Script().ReadSpeedFor = [](uint32_t R) -> uint32_t { return R >= 5540 ? 5540 : R; };
    B.ReadSpeeds->FillReadSpeeds(B);
    EXPECT_EQ(B.ReadSpeeds->Count(), 4);  // 1x, 2x, 2.4x -> 2, 3x, 4x -> 1, 2, 3, 4
    EXPECT_EQ(B.ReadSpeeds->GetItem(3)->StrSpeed, "4.0x (5540 KB/sec)");
}

// ---- The library callback ------------------------------------------------------------------------------
TEST_F(EngineTest, Kind2ReportsTheSkippedNameWithoutTouchingTheEmptyContext) {
    char Name[] = "desktop.ini";
    int32_t Nodes = 3;
    BurnerCallback(BURNLIB_CB_IGNORED_NAME, nullptr, Name, &Nodes);
    BurnerCallback(BURNLIB_CB_IGNORED_NAME, nullptr, Name, nullptr);
    EXPECT_EQ(Statuses, (std::vector<TStatus>{{"Ignoring name \"desktop.ini\", tree node(s) 3", 2},
                                              {"Ignoring name \"desktop.ini\", tree node(s) 0", 2}}));
}

TEST_F(EngineTest, Kind12FiresEachNewPercentOnceAndNothingForZeroTotal) {
    int64_t Total = 1000, Done = 500;
    BurnerCallback(BURNLIB_CB_PROGRESS, nullptr, &Total, &Done);
    BurnerCallback(BURNLIB_CB_PROGRESS, nullptr, &Total, &Done);
    Done = 999;
    BurnerCallback(BURNLIB_CB_PROGRESS, nullptr, &Total, &Done);
    Total = 0;
    BurnerCallback(BURNLIB_CB_PROGRESS, nullptr, &Total, &Done);
    // Totals beyond 32 bits.
    Total = 8'000'000'000LL, Done = 6'000'000'000LL;
    BurnerCallback(BURNLIB_CB_PROGRESS, nullptr, &Total, &Done);
    EXPECT_EQ(Progress, (std::vector<int>{50, 99, 75}));
}

TEST_F(EngineTest, Kind13BufferPercentIn64BitsClamped) {
    struct {
        uint32_t Size, Free;
    } Cases[] = {{4194304, 1048576}, {4000000000u, 1000000000u}, {1000, 2000}, {1000, 0}, {0, 10}};
    for (auto C : Cases) BurnerCallback(BURNLIB_CB_BUFFER, nullptr, &C.Size, &C.Free);
    EXPECT_EQ(Buffer, (std::vector<int>{75, 75, 0, 100}));
}

TEST_F(EngineTest, AThrowingHandlerNeverUnwindsIntoTheLibrary) {
    sbCallBackEventer->OnProgress = [](TObject*, int) { throw Exception("window gone"); };
    int64_t Total = 10, Done = 5;
    EXPECT_NO_THROW(BurnerCallback(BURNLIB_CB_PROGRESS, nullptr, &Total, &Done));
}

TEST(RenameRules, ISO9660KeepsEightThreeAndTheExtension) {
    struct {
        const char* Name;
        int32_t Counter;
        const char* Expected;
    } Cases[] = {
        {"ABCDEFGHIJ.TXT;1", 1, "ABCDEFG1.TXT;1"},
        {"README", 1, "README1"},
        {"A", 1, "A01"},
        {"AB.C", 4, "AB4.C"},
        {"ABCDEFGH.TXT", 1, "ABCDEFG1.TXT"},     // eight characters before the dot stay eight
        {"ABCDEFGHIJ.TXT;1", 10, "ABCDEF10.TXT;1"},  // a longer counter takes from the base
        {"ABCDEFGHIJ.TXT;1", 12345, "ABC12345.TXT;1"},
    };
    for (const auto& C : Cases) {
        int32_t Counter = C.Counter;
        EXPECT_EQ(sbRenameISO9660(C.Name, Counter), C.Expected) << C.Name << " " << C.Counter;
        EXPECT_EQ(Counter, C.Counter + 1);
    }
}

TEST(RenameRules, JolietNamesAreValidDistinctAndKeepTheExtension) {
    int32_t Counter = 1;
    std::u16string A = sbRenameJoliet(u"holiday movie.part1.mpg", "12/10/2026 13:45:12", Counter);
    std::u16string B = sbRenameJoliet(u"holiday movie.part1.mpg", "12/10/2026 13:45:12", Counter);
    EXPECT_NE(A, B);
    for (const auto& N : {A, B}) {
        EXPECT_EQ(N.substr(N.size() - 4), u".mpg");
        EXPECT_EQ(N.find_first_of(u"/\\:*?\"<>|; "), std::u16string::npos);
        EXPECT_LE(N.size(), 64u);
        EXPECT_EQ(N.rfind(u"holiday_movie.part1_", 0), 0u);
    }
    EXPECT_EQ(A, u"holiday_movie.part1_12_10_2026_13_45_12_1.mpg");
    // A version suffix stays; an over-long base is cut so the name fits.
    std::u16string Long(100, u'x');
    std::u16string C = sbRenameJoliet(Long + u".vob;1", "1/2/2026 3:04:05", Counter);
    EXPECT_EQ(C.size(), 64u);
    EXPECT_EQ(C.substr(C.size() - 6), u".vob;1");
}

// A collision record with its two items (path one byte into each item).
struct TCollisionFixture {
    TsbNameCollision R{};
    std::string Item1, Item2;
    TCollisionFixture(bool Joliet, const std::string& P1, uint32_t A1, const std::string& P2, uint32_t A2)
        : Item1(" " + P1), Item2(" " + P2) {
        R.IsJoliet = Joliet;
        R.FirstItem = reinterpret_cast<const uint8_t*>(Item1.c_str());
        R.FirstAttributes = A1;
        R.SecondItem = reinterpret_cast<const uint8_t*>(Item2.c_str());
        R.SecondAttributes = A2;
    }
    void SetName(const std::string& N) { std::memcpy(R.Name, N.c_str(), N.size() + 1); }
    void SetName(const std::u16string& N) { std::memcpy(R.Name, N.c_str(), (N.size() + 1) * 2); }
    std::u16string JolietName() const {
        std::u16string S;
        for (size_t I = 0; I + 1 < sizeof R.Name; I += 2) {
            char16_t C;
            std::memcpy(&C, R.Name + I, 2);
            if (!C) break;
            S.push_back(C);
        }
        return S;
    }
};

TEST_F(EngineTest, Kind3RenamesOrMergesAndDecides) {
    // ISO9660 files: renamed by the counter, status of kind 0, decision 2.
    TCollisionFixture F(false, "/a/ABCDEFGHIJ.TXT", 0x20, "/b/ABCDEFGHIJ.TXT", 0x20);
    F.SetName(std::string("ABCDEFGHIJ.TXT;1"));
    BurnerCallback(BURNLIB_CB_NAME_COLLISION, nullptr, &F.R, nullptr);
    EXPECT_STREQ(reinterpret_cast<const char*>(F.R.Name), "ABCDEFG1.TXT;1");
    EXPECT_EQ(F.R.Decision, 2);
    ASSERT_EQ(Statuses.size(), 1u);
    EXPECT_EQ(Statuses[0],
              (TStatus{"Name collision for ISO9660 : <ABCDEFGHIJ.TXT;1> -> ABCDEFG1.TXT;1 /a/ABCDEFGHIJ.TXT "
                       "/b/ABCDEFGHIJ.TXT",
                       0}));

    // The counter goes on; a boot image keeps its place (decision 1).
    TCollisionFixture Boot(false, "/boot/BOOT.IMG", 0x20, "/x/boot.img", 0x20);
    Boot.SetName(std::string("BOOT.IMG;1"));
    BurnerCallback(BURNLIB_CB_NAME_COLLISION, nullptr, &Boot.R, nullptr);
    EXPECT_STREQ(reinterpret_cast<const char*>(Boot.R.Name), "BOOT2.IMG;1");
    EXPECT_EQ(Boot.R.Decision, 1);

    // Joliet folders merge without renaming.
    Statuses.clear();
    TCollisionFixture Dirs(true, "/a/Folder", 0x10, "/b/Folder", 0x10);
    Dirs.SetName(std::u16string(u"Folder"));
    BurnerCallback(BURNLIB_CB_NAME_COLLISION, nullptr, &Dirs.R, nullptr);
    EXPECT_EQ(Dirs.R.Decision, 3);
    EXPECT_EQ(Dirs.JolietName(), u"Folder");
    EXPECT_EQ(Statuses, (std::vector<TStatus>{{"Name collision for folders. Merging them...", 2}}));

    // ISO9660 folders are renamed.
    TCollisionFixture IsoDirs(false, "/a/FOLDER", 0x10, "/b/FOLDER", 0x10);
    IsoDirs.SetName(std::string("FOLDER"));
    BurnerCallback(BURNLIB_CB_NAME_COLLISION, nullptr, &IsoDirs.R, nullptr);
    EXPECT_STREQ(reinterpret_cast<const char*>(IsoDirs.R.Name), "FOLDER3");
    EXPECT_EQ(IsoDirs.R.Decision, 2);

    // Joliet files: a valid new name with the extension, and the status names both.
    Statuses.clear();
    TCollisionFixture J(true, "/a/My Clip.mpg", 0x20, "/b/My Clip.mpg", 0x20);
    J.SetName(std::u16string(u"My Clip.mpg"));
    BurnerCallback(BURNLIB_CB_NAME_COLLISION, nullptr, &J.R, nullptr);
    std::u16string New = J.JolietName();
    EXPECT_EQ(New.rfind(u"My_Clip_", 0), 0u);
    EXPECT_EQ(New.substr(New.size() - 4), u".mpg");
    EXPECT_EQ(New.find_first_of(u"/\\:"), std::u16string::npos);
    ASSERT_EQ(Statuses.size(), 1u);
    EXPECT_EQ(Statuses[0].Text.rfind("Name collision for Joliet : <My Clip.mpg> -> <My_Clip_", 0), 0u);
    EXPECT_EQ(Statuses[0].Kind, 0);
    EXPECT_EQ(J.R.Decision, 2);
}

// ---- The log -------------------------------------------------------------------------------------------
class LoggerTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* Old = std::getenv("XDG_CONFIG_HOME");
        if (Old) SavedConfig = Old;
        HadConfig = Old != nullptr;
        setenv("XDG_CONFIG_HOME", (Dir.Path / "config").c_str(), 1);
    }
    void TearDown() override {
        if (HadConfig)
            setenv("XDG_CONFIG_HOME", SavedConfig.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
    }
    void SetLogEnabled(DWORD Value) {
        HKEY K = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\BurnLib\\Sample", 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &K, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(K, "LogEnabled", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&Value), 4);
        DWORD Level = 3;
        RegSetValueExA(K, "LogLevel", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&Level), 4);
        RegCloseKey(K);
    }
    TTempDir Dir;
    std::string SavedConfig;
    bool HadConfig = false;
};

TEST_F(LoggerTest, OffWithoutTheRegistryValueAndNoFileIsMade) {
    TsbLogger L;
    EXPECT_FALSE(L.LogEnabled);
    L.LogFile = (Dir.Path / "engine.log").string();
    L.WriteLogLine("BurnLib_FindDevice");
    EXPECT_FALSE(fs::exists(Dir.Path / "engine.log"));
}

TEST_F(LoggerTest, LinesCarryTheTimeAndTheText) {
    SetLogEnabled(1);
    TsbLogger L;
    EXPECT_TRUE(L.LogEnabled);
    EXPECT_EQ(L.LogLevel, 3);
    L.LogFile = (Dir.Path / "engine.log").string();
    L.WriteLogLine("BurnLib_FindDevice");
    L.WriteLogLine("second: 100% \"quoted\"", 7);
    std::string Text = ReadAll(Dir.Path / "engine.log");
    std::regex Lines(R"(\d\d:\d\d:\d\d\.\d\d\d: BurnLib_FindDevice\n\d\d:\d\d:\d\d\.\d\d\d: second: 100% "quoted"\n)");
    EXPECT_TRUE(std::regex_match(Text, Lines)) << Text;
}

TEST_F(LoggerTest, LogFileSitsBesideTheExecutable) {
    TsbLogger L;
    std::string Exe = fs::read_symlink("/proc/self/exe").string();
    EXPECT_EQ(L.LogFileName(), fs::path(Exe).parent_path().string() + "/" + fs::path(Exe).stem().string() + ".log");
    EXPECT_EQ(ExtractFileTitle("/a/b/qz.exe"), "qz");
    EXPECT_EQ(ExtractFileTitle("/a/b/tessaro"), "tessaro");
}

TEST_F(LoggerTest, AFailingWriteIsDroppedButAppendLineToFileRaises) {
    SetLogEnabled(1);
    TsbLogger L;
    L.LogFile = Dir.Str();  // a folder cannot be appended to
    EXPECT_NO_THROW(L.WriteLogLine("lost"));
    EXPECT_THROW(AppendLineToFile(Dir.Str(), "x"), EInOutError);
}

TEST_F(LoggerTest, LinesFromManyThreadsDoNotInterleave) {
    SetLogEnabled(1);
    TsbLogger L;
    L.LogFile = (Dir.Path / "engine.log").string();
    std::vector<std::thread> Threads;
    for (int T = 0; T < 4; ++T)
        Threads.emplace_back([&L, T] {
            for (int I = 0; I < 50; ++I) L.WriteLogLine(std::string(200, static_cast<char>('a' + T)));
        });
    for (auto& T : Threads) T.join();
    std::ifstream F(L.LogFile);
    std::string Line;
    int N = 0;
    std::regex One(R"(\d\d:\d\d:\d\d\.\d\d\d: ([a-d])\1{199})");
    while (std::getline(F, Line)) {
        ++N;
        EXPECT_TRUE(std::regex_match(Line, One)) << Line;
    }
    EXPECT_EQ(N, 200);
}

TEST_F(LoggerTest, EngineCallsWriteTheirDesignedLines) {
    SetLogEnabled(1);
    fakeburn::Install();
    sbLogger = std::make_unique<TsbLogger>();
    sbLogger->LogFile = (Dir.Path / "engine.log").string();
    {
        TsbBurner B;
        B.Address = {1, 2, 3, 4, 5};
        B.TransportType = ttSpti;
        B.DeviceName = "CDROM0";
        B.OpenDevice();
        B.DiscType = DISC_TYPE_DVDPLUSR;
        fakeburn::Script().WriteSpeedFor = [](uint32_t W) -> uint32_t { return W == 22160 ? 8310 : W; };
        B.WriteSpeeds->FillWriteSpeeds(B);
        fakeburn::Script().Fail["BurnLib_Recorder_Load"] = BURNLIB_ERROR_NO_MEDIUM;
        B.LoadTray();
        B.CancelBurn();
    }
    sbLogger.reset();
    fakeburn::Remove();
    std::vector<std::string> Lines;
    std::ifstream F(Dir.Path / "engine.log");
    std::regex Stamp(R"(\d\d:\d\d:\d\d\.\d\d\d: (.*))");
    for (std::string L; std::getline(F, L);) {
        std::smatch M;
        ASSERT_TRUE(std::regex_match(L, M, Stamp)) << L;
        Lines.push_back(M[1]);
    }
    EXPECT_EQ(Lines, (std::vector<std::string>{
                         "BurnLib_Recorder_Create (before create)",
                         "BurnLib_Recorder_Create (after create): PortID:2,BusID:3,TargetID:4,LUN:5",
                         "BurnLib_Recorder_TestUnitReady",
                         "BurnLib_Recorder_GetDiscInformation",
                         "BurnLib_Recorder_SetSpeeds: ReadSpeed: 65535,WriteSpeed: 65535",
                         "BurnLib_Recorder_GetSpeeds",
                         "BurnLib_Recorder_GetSpeeds: CurrentReadSpeed: 22160,MaximumReadSpeed: 22160,"
                         "CurrentWriteSpeed: 8310,MaximumWriteSpeed: 22160",
                         "BurnLib_Recorder_Load() failed, exception 5, status 5, text \"scripted failure\"",
                         "BurnLib_Recorder_Cancel",
                         "BurnLib_Destroy: Grabber",
                     }));
}

// ---- VIDEO_TS check and folder routines --------------------------------------------------------------
TEST(VideoTsFolder, CheckFindsFilesWithoutRegardToCase) {
    struct {
        std::vector<const char*> Files;
        bool Ok;
    } Cases[] = {
        {{"VIDEO_TS.VOB", "VIDEO_TS.IFO", "VIDEO_TS.BUP", "VTS_01_0.VOB", "VTS_01_0.IFO", "VTS_01_0.BUP",
          "VTS_01_1.VOB"},
         true},
        {{"video_ts.vob", "Video_TS.ifo", "VIDEO_TS.bup", "vts_01_0.vob", "vts_01_0.ifo", "vts_01_0.bup",
          "vts_01_1.vob"},
         true},
        // No menu VOB: not valid, though the rest is there.
        {{"VIDEO_TS.IFO", "VIDEO_TS.BUP", "VTS_01_0.VOB", "VTS_01_0.IFO", "VTS_01_0.BUP", "VTS_01_1.VOB"}, false},
        {{"VIDEO_TS.VOB", "VIDEO_TS.IFO"}, false},
        // Title set 3 has its menu but not its first title VOB.
        {{"VIDEO_TS.VOB", "VIDEO_TS.IFO", "VIDEO_TS.BUP", "VTS_01_0.VOB", "VTS_01_0.IFO", "VTS_01_0.BUP",
          "VTS_01_1.VOB", "VTS_03_0.VOB", "VTS_03_0.IFO", "VTS_03_0.BUP"},
         false},
        // Title sets without a menu VOB are not checked.
        {{"VIDEO_TS.VOB", "VIDEO_TS.IFO", "VIDEO_TS.BUP", "VTS_02_1.VOB"}, true},
    };
    for (const auto& C : Cases) {
        TTempDir D;
        for (const char* F : C.Files) Touch(D.Path / "VIDEO_TS" / F);
        EXPECT_EQ(CheckVideoTsFolder((D.Path / "VIDEO_TS").string()), C.Ok) << C.Files[0];
    }
    EXPECT_FALSE(CheckVideoTsFolder("/nonexistent/VIDEO_TS"));
}

TEST(VideoTsFolder, FolderRoutines) {
    TTempDir D;
    fs::create_directories(D.Path / "Trip" / "video_ts");
    Touch(D.Path / "Trip" / "video_ts" / "VIDEO_TS.IFO", 1000);
    Touch(D.Path / "Trip" / "AUDIO_TS" / ".hidden", 24);
    Touch(D.Path / "Trip" / "notes.txt", 10);
    fs::create_symlink(D.Path / "Trip", D.Path / "Trip" / "loop");
    EXPECT_EQ(GetFolderSize((D.Path / "Trip").string()), 1034);
    EXPECT_EQ(FindNameNoCase((D.Path / "Trip").string(), "VIDEO_TS"), "video_ts");
    EXPECT_EQ(FindNameNoCase((D.Path / "Trip").string(), "AUDIO_TS"), "AUDIO_TS");
    EXPECT_EQ(FindNameNoCase((D.Path / "Trip").string(), "MISSING"), "");
    EXPECT_EQ(FileSizeByName((D.Path / "Trip" / "notes.txt").string()), 10);
    EXPECT_EQ(FileSizeByName((D.Path / "Trip" / "none").string()), -1);
    EXPECT_FALSE(IsFolderEmpty((D.Path / "Trip" / "AUDIO_TS").string()));
    fs::create_directories(D.Path / "Empty");
    EXPECT_TRUE(IsFolderEmpty((D.Path / "Empty").string()));
    EXPECT_TRUE(IsFolderEmpty((D.Path / "Missing").string()));
    EXPECT_EQ(GetFolderSize((D.Path / "Missing").string()), 0);
}

// ---- Burn preparation ---------------------------------------------------------------------------------
TEST_F(EngineTest, PrepareBurnerStatusesInOrder) {
    TsbBurner B;
    B.TransportType = ttSpti;
    B.DeviceName = "CDROM0";
    B.OpenDevice();
    B.BurnOptions.Speed = 5540;
    B.BurnOptions.OPC = true;
    EXPECT_TRUE(PrepareBurner(B));
    EXPECT_EQ(Statuses, (std::vector<TStatus>{{"Setting buffer protection is successful!", 0},
                                              {"Setting speed is successful: 5540 kb/sec", 0},
                                              {"Sending OPC is successful!", 0}}));
    EXPECT_EQ(fakeburn::State().LastSetWrite, 5540u);
    EXPECT_EQ(fakeburn::State().LastSetRead, 0xFFFFu);

    auto& S = fakeburn::Script();
    S.Fail = {{"BurnLib_Recorder_TestUnitReady", 5},
              {"BurnLib_Recorder_GetBUP", 1},
              {"BurnLib_Recorder_SetSpeeds", 1},
              {"BurnLib_Recorder_SendOPC", 1}};
    Statuses.clear();
    EXPECT_FALSE(PrepareBurner(B));
    EXPECT_EQ(Statuses, (std::vector<TStatus>{{"Reading device failed!", 2},
                                              {"Getting buffer protection failed!", 2},
                                              {"Setting speed failed!", 2},
                                              {"Sending OPC failed!", 2}}));
    EXPECT_EQ(B.LastError, "BurnLib_Recorder_SendOPC() failed, exception 1, status 5, text \"scripted failure\"");

    // Without support, or with protection off, buffer protection is left alone.
    S.Fail.clear();
    S.BUPSupported = 0;
    B.BurnOptions.OPC = false;
    Statuses.clear();
    EXPECT_TRUE(PrepareBurner(B));
    EXPECT_EQ(Statuses, (std::vector<TStatus>{{"Setting speed is successful: 5540 kb/sec", 0}}));
    EXPECT_EQ(fakeburn::CountOf("BurnLib_Recorder_SetBUP"), 1);
}

// ---- Version check ----------------------------------------------------------------------------------------
TEST(BurnLibVersion, Texts) {
    bool Valid = false;
    EXPECT_EQ(BurnLibVersionText(0x20080820, Valid), "BurnLib : BurnLib.dll version : 0x20080820");
    EXPECT_TRUE(Valid);
    EXPECT_EQ(BurnLibVersionText(0x1A2B, Valid), "BurnLib : Invalid BurnLib.dll version : 0x00001A2B. Expected : 0x20080820");
    EXPECT_FALSE(Valid);
    EXPECT_EQ(BurnLibEntryPoints().BurnLib_GetVersion(), BurnLibExpectedVersion);
}

}  // namespace
