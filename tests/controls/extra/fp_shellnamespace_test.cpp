// The shell namespace the folder picker browses, on a test tree: a home with
// user-dirs.dirs, a desktop folder, and a mounts table naming temporary folders.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "controls/extra/fp_shellpidl.h"
#include "platform/commctl/shellfolder.h"
#include "platform/system/unicode_conv.h"
#include "platform/system/widecalls.h"
#include "controls/extra/fp_testtree.h"

namespace {

using sysconv::Utf16ToUtf8;
using sysconv::Utf8ToUtf16;

std::string Name(IShellFolder* F, LPCITEMIDLIST L, DWORD Flags = SHGDN_NORMAL) {
    STRRET S;
    if (F->GetDisplayNameOf(L, Flags, &S) != S_OK) return "<none>";
    char16_t* W = nullptr;
    EXPECT_EQ(StrRetToStrW(&S, L, &W), S_OK);
    const std::string Out = Utf16ToUtf8(W);
    CoTaskMemFree(W);
    return Out;
}

std::vector<std::string> Names(IShellFolder* F, DWORD Flags) {
    std::vector<std::string> Out;
    IEnumIDList* E = nullptr;
    if (F->EnumObjects(nullptr, Flags, &E) != S_OK) return {"<fails>"};
    LPITEMIDLIST L;
    ULONG Got;
    while (E->Next(1, &L, &Got) == S_OK && Got == 1) {
        Out.push_back(Name(F, L));
        FreePIDL(L);
    }
    E->Release();
    return Out;
}

TEST_F(FpTestTree, VolumesComeFromRealDevicesNamedByLabelOrMountPoint) {
    const std::string Mnt = (Root / "mnt").string();
    const std::vector<TShellVolume> V = ShellVolumes();
    ASSERT_EQ(V.size(), 4u);
    EXPECT_EQ(V[0].MountPoint, "/");
    EXPECT_EQ(V[1].MountPoint, Mnt + "/usb");
    EXPECT_EQ(V[1].Name, Mnt + "/usb");
    EXPECT_EQ(V[2].MountPoint, Mnt + "/disc");
    EXPECT_EQ(V[2].Name, "My Disc");
    EXPECT_EQ(V[3].MountPoint, Mnt + "/with blank");
}

TEST_F(FpTestTree, DesktopAndComputerHoldWhatTheUserHas) {
    EXPECT_EQ(Names(Desktop, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS),
              (std::vector<std::string>{"Computer", "Home", "Docs", "Music", "disc link", "sub", "a.txt"}));
    EXPECT_EQ(Names(Desktop, SHCONTF_NONFOLDERS), (std::vector<std::string>{"a.txt"}));
    const auto Hidden = Names(Desktop, SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN);
    EXPECT_EQ(Hidden, (std::vector<std::string>{".hidden", "a.txt"}));
    LPITEMIDLIST Drives = nullptr;
    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &Drives), S_OK);
    IShellFolder* Computer = nullptr;
    ASSERT_EQ(Desktop->BindToObject(Drives, nullptr, nullptr, reinterpret_cast<void**>(&Computer)), S_OK);
    const std::string Mnt = (Root / "mnt").string();
    EXPECT_EQ(Names(Computer, SHCONTF_FOLDERS), (std::vector<std::string>{"/", Mnt + "/usb", "My Disc", Mnt + "/with blank"}));
    EXPECT_EQ(Name(Desktop, Drives), "Computer");
    EXPECT_EQ(ShellPathFromIDList(Drives), "");
    ULONG A = ~0u;
    LPCITEMIDLIST One[] = {Drives};
    Desktop->GetAttributesOf(1, One, &A);
    EXPECT_EQ(A & (SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR), SFGAO_FOLDER | SFGAO_FILESYSANCESTOR);
    Computer->Release();
    FreePIDL(Drives);
}

TEST_F(FpTestTree, PathsRunThroughComputerAndTheirVolume) {
    const std::string Target = (Root / "mnt/disc/ビデオ").string();
    LPITEMIDLIST L = Parse(Target);
    ASSERT_NE(L, nullptr);
    EXPECT_EQ(PIDLItemCount(L), 3);
    EXPECT_EQ(PIDLItemData(L, 0), "C");
    EXPECT_EQ(PIDLItemData(L, 1), "V" + (Root / "mnt/disc").string());
    EXPECT_EQ(ShellPathFromIDList(L), Target);
    EXPECT_EQ(Name(Desktop, L), "ビデオ");
    EXPECT_EQ(Name(Desktop, L, SHGDN_FORPARSING), Target);
    LPITEMIDLIST Volume = CopyPIDLPrefix(L, 2);
    EXPECT_EQ(Name(Desktop, Volume), "My Disc");
    // A path outside every mounted volume goes through /.
    LPITEMIDLIST Docs = Parse(Home + "/Docs");
    ASSERT_NE(Docs, nullptr);
    EXPECT_EQ(PIDLItemData(Docs, 1), "V/");
    EXPECT_EQ(ShellPathFromIDList(Docs), Home + "/Docs");
    // Missing paths are refused with "path not found".
    HRESULT R = S_OK;
    EXPECT_EQ(Parse(Home + "/nowhere", &R), nullptr);
    EXPECT_EQ(R, E_NOTFOLDER_NS);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    // Folders bind and list their entries; files do not bind.
    IShellFolder* Disc = nullptr;
    ASSERT_EQ(Desktop->BindToObject(Volume, nullptr, nullptr, reinterpret_cast<void**>(&Disc)), S_OK);
    EXPECT_EQ(Names(Disc, SHCONTF_FOLDERS), (std::vector<std::string>{"VIDEO_TS", "ビデオ"}));
    LPITEMIDLIST Rel = nullptr;
    ASSERT_EQ(Disc->ParseDisplayName(nullptr, nullptr, u"VIDEO_TS", nullptr, &Rel, nullptr), S_OK);
    EXPECT_EQ(Name(Disc, Rel, SHGDN_FORPARSING), (Root / "mnt/disc/VIDEO_TS").string());
    LPITEMIDLIST File = Parse(Home + "/Desk/a.txt");
    void* Out = nullptr;
    EXPECT_NE(Desktop->BindToObject(File, nullptr, nullptr, &Out), S_OK);
    EXPECT_EQ(Out, nullptr);
    // Attributes: a file is no folder, a symbolic link is a link.
    ULONG A = ~0u;
    LPCITEMIDLIST Files[] = {File};
    Desktop->GetAttributesOf(1, Files, &A);
    EXPECT_EQ(A & (SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_LINK), SFGAO_FILESYSTEM);
    LPITEMIDLIST Link = Parse(Home + "/Desk/disc link");
    A = ~0u;
    LPCITEMIDLIST Links[] = {Link};
    Desktop->GetAttributesOf(1, Links, &A);
    EXPECT_EQ(A & (SFGAO_FOLDER | SFGAO_LINK), SFGAO_FOLDER | SFGAO_LINK);
    // Order: equal lists 0, a folder before a file, names in order.
    EXPECT_EQ(static_cast<int16_t>(Desktop->CompareIDs(0, L, L) & 0xFFFF), 0);
    LPITEMIDLIST Same = Parse(Target);
    EXPECT_EQ(static_cast<int16_t>(Desktop->CompareIDs(0, L, Same) & 0xFFFF), 0);
    LPITEMIDLIST VideoTs = Parse((Root / "mnt/disc/VIDEO_TS").string()), Note = Parse((Root / "mnt/disc/A.txt").string());
    EXPECT_LT(static_cast<int16_t>(Desktop->CompareIDs(0, VideoTs, Note) & 0xFFFF), 0);  // folders first
    EXPECT_GT(static_cast<int16_t>(Desktop->CompareIDs(0, Note, VideoTs) & 0xFFFF), 0);
    EXPECT_LT(static_cast<int16_t>(Desktop->CompareIDs(0, Docs, L) & 0xFFFF), 0);  // "/" before "My Disc"
    EXPECT_LT(static_cast<int16_t>(Desktop->CompareIDs(0, Volume, L) & 0xFFFF), 0);  // a parent before its child
    FreePIDL(VideoTs);
    FreePIDL(Note);
    Disc->Release();
    for (LPITEMIDLIST P : {L, Volume, Docs, Rel, File, Link, Same}) FreePIDL(P);
}

TEST_F(FpTestTree, SpecialFolderLocations) {
    struct Case {
        int Csidl;
        HRESULT Result;
        int Items;
        std::string Path;
    } Cases[] = {
        {CSIDL_DESKTOP, S_OK, 0, ""},
        {CSIDL_DRIVES, S_OK, 1, ""},
        {CSIDL_PERSONAL, S_OK, 1, Home + "/Docs"},
        {CSIDL_MYMUSIC, S_OK, 99, Home + "/Music"},  // 99: a route through Computer and /
        {0x12, E_FAIL, -1, ""},  // network
        {0x04, E_FAIL, -1, ""},  // printers
        {0x03, E_FAIL, -1, ""},  // control panel
        {0x01, E_FAIL, -1, ""},  // internet
        {0x0A, E_FAIL, -1, ""},  // recycle bin
    };
    for (const auto& C : Cases) {
        LPITEMIDLIST L = reinterpret_cast<LPITEMIDLIST>(1);
        EXPECT_EQ(SHGetSpecialFolderLocation(nullptr, C.Csidl, &L), C.Result) << C.Csidl;
        if (C.Items < 0) {
            EXPECT_EQ(L, nullptr) << C.Csidl;
            continue;
        }
        ASSERT_NE(L, nullptr) << C.Csidl;
        if (C.Items == 99) {
            EXPECT_EQ(PIDLItemData(L, 0), "C");
            EXPECT_EQ(PIDLItemData(L, 1), "V/");
        } else {
            EXPECT_EQ(PIDLItemCount(L), C.Items) << C.Csidl;
        }
        EXPECT_EQ(ShellPathFromIDList(L), C.Path) << C.Csidl;
        FreePIDL(L);
    }
    LPITEMIDLIST Top = nullptr;
    SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &Top);
    EXPECT_EQ(PIDLSize(Top), 2u);
    EXPECT_EQ(Name(Desktop, Top), "Desktop");
    FreePIDL(Top);
}

TEST_F(FpTestTree, FileInfoGivesNamesAttributesAndOurIcons) {
    const std::string Mnt = (Root / "mnt").string();
    struct Case {
        std::string Path;
        const char* Icon;
    } Cases[] = {{"/", "NS_ROOT"},
                 {Mnt + "/disc", "NS_OPTICAL"},
                 {Mnt + "/usb", "NS_REMOVABLE"},
                 {Mnt + "/with blank", "NS_VOLUME"},
                 {Mnt + "/disc/VIDEO_TS", "NS_FOLDER"},
                 {Home + "/Desk/a.txt", "NS_FILE"},
                 {Home + "/Docs", "NS_FOLDER_DOCUMENTS"},
                 {Home + "/Music", "NS_FOLDER_MUSIC"},
                 {Home + "/Desk", "NS_FOLDER_DESKTOP"}};
    for (const auto& C : Cases) {
        LPITEMIDLIST L = Parse(C.Path);
        ASSERT_NE(L, nullptr) << C.Path;
        EXPECT_EQ(ShellIconName(L), C.Icon) << C.Path;
        FreePIDL(L);
    }
    for (auto [Csidl, Icon] : {std::pair<int, const char*>{CSIDL_DESKTOP, "NS_DESKTOP"}, {CSIDL_DRIVES, "NS_COMPUTER"}}) {
        LPITEMIDLIST L = nullptr;
        SHGetSpecialFolderLocation(nullptr, Csidl, &L);
        EXPECT_EQ(ShellIconName(L), Icon);
        SHFILEINFOW Info;
        ASSERT_NE(SHGetFileInfoW(reinterpret_cast<const char16_t*>(L), 0, &Info, sizeof Info,
                                 SHGFI_PIDL | SHGFI_ICON | SHGFI_SMALLICON | SHGFI_DISPLAYNAME | SHGFI_ATTRIBUTES),
                  0u);
        EXPECT_NE(Info.hIcon, nullptr);
        EXPECT_TRUE(Info.dwAttributes & SFGAO_FOLDER);
        DestroyIcon(Info.hIcon);
        FreePIDL(L);
    }
    SHFILEINFOW Info;
    const std::u16string Disc = Utf8ToUtf16(Mnt + "/disc");
    ASSERT_NE(SHGetFileInfoW(Disc.c_str(), 0, &Info, sizeof Info, SHGFI_ICON | SHGFI_DISPLAYNAME), 0u);
    EXPECT_EQ(std::u16string(Info.szDisplayName), u"My Disc");
    int W = 0, H = 0;
    ICONINFO II;
    ASSERT_TRUE(GetIconInfo(Info.hIcon, &II));
    BITMAP B;
    GetObjectW(II.hbmColor, sizeof B, &B);
    W = B.bmWidth;
    H = B.bmHeight;
    EXPECT_EQ(W, 32);
    EXPECT_EQ(H, 32);
    DeleteObject(II.hbmColor);
    DeleteObject(II.hbmMask);
    DestroyIcon(Info.hIcon);
    EXPECT_EQ(SHGetFileInfoW(Utf8ToUtf16(Home + "/nothing").c_str(), 0, &Info, sizeof Info, SHGFI_DISPLAYNAME), 0u);
}

// Find data of items with a file-system path of their own, through the desktop
// and through a bound folder; the desktop, Computer and volumes have none.
TEST_F(FpTestTree, FindDataOfItems) {
    const fs::path Big = Root / "mnt/disc/big.bin";
    std::ofstream(Big) << "x";
    fs::resize_file(Big, 0x100000005ull);  // sparse: the size needs both words
    const timespec Times[2] = {{1000000000, 0}, {1000000000, 123456789}};
    ASSERT_EQ(::utimensat(AT_FDCWD, Big.c_str(), Times, 0), 0);
    fs::create_symlink(Root / "gone", Root / "home/dead");
    const uint64_t Steps = (1000000000ull + 11644473600ull) * 10000000ull + 1234567ull;
    struct Case {
        std::string Path;  // through the desktop; "" for the special cases below
        std::u16string Name;
        DWORD Attributes;
        uint64_t Size;
    };
    const Case Cases[] = {
        {Home + "/Desk/a.txt", u"a.txt", FILE_ATTRIBUTE_NORMAL, 1},
        {Home + "/Desk/.hidden", u".hidden", FILE_ATTRIBUTE_HIDDEN, 1},
        {(Root / "mnt/disc/ビデオ").string(), u"ビデオ", FILE_ATTRIBUTE_DIRECTORY, 0},
        {Big.string(), u"big.bin", FILE_ATTRIBUTE_NORMAL, 0x100000005ull},
        {Home + "/dead", u"dead", FILE_ATTRIBUTE_NORMAL, fs::read_symlink(Root / "home/dead").string().size()},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Path);
        LPITEMIDLIST L = Parse(C.Path);
        ASSERT_NE(L, nullptr);
        WIN32_FIND_DATAW D;
        ASSERT_EQ(SHGetDataFromIDListW(Desktop, L, SHGDFIL_FINDDATA, &D, sizeof D), S_OK);
        EXPECT_EQ(std::u16string(D.cFileName), C.Name);
        EXPECT_EQ(D.dwFileAttributes, C.Attributes);
        EXPECT_EQ((uint64_t{D.nFileSizeHigh} << 32) | D.nFileSizeLow, C.Size);
        if (C.Name == u"big.bin")
            EXPECT_EQ((uint64_t{D.ftLastWriteTime.dwHighDateTime} << 32) | D.ftLastWriteTime.dwLowDateTime, Steps);
        CoTaskMemFree(L);
    }
    // Relative to a bound folder; desktop entries, Home and user folders.
    LPITEMIDLIST DiscList = Parse((Root / "mnt/disc").string());
    IShellFolder* Disc = nullptr;
    ASSERT_EQ(Desktop->BindToObject(DiscList, nullptr, nullptr, reinterpret_cast<void**>(&Disc)), S_OK);
    auto NameIn = [](IShellFolder* F, const char16_t* Name) -> std::u16string {
        LPITEMIDLIST Rel = nullptr;
        if (F->ParseDisplayName(nullptr, nullptr, Name, nullptr, &Rel, nullptr) != S_OK) return u"<unparsed>";
        WIN32_FIND_DATAW D;
        const HRESULT R = SHGetDataFromIDListW(F, Rel, SHGDFIL_FINDDATA, &D, sizeof D);
        CoTaskMemFree(Rel);
        return R == S_OK ? D.cFileName : u"<failed>";
    };
    EXPECT_EQ(NameIn(Disc, u"A.txt"), u"A.txt");
    EXPECT_EQ(NameIn(Desktop, u"a.txt"), u"a.txt");
    LPITEMIDLIST Docs = nullptr;
    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_PERSONAL, &Docs), S_OK);
    WIN32_FIND_DATAW D;
    ASSERT_EQ(SHGetDataFromIDListW(Desktop, Docs, SHGDFIL_FINDDATA, &D, sizeof D), S_OK);
    EXPECT_EQ(std::u16string(D.cFileName), u"Docs");
    EXPECT_EQ(D.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);

    // Refused: items without a path of their own, wrong formats and sizes, a vanished file.
    LPITEMIDLIST Computer = nullptr, Usb = Parse((Root / "mnt/usb").string()), Empty = ShellIDListOf({});
    SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &Computer);
    LPITEMIDLIST A = Parse((Root / "mnt/disc/A.txt").string());
    for (LPCITEMIDLIST Bad : {static_cast<LPCITEMIDLIST>(Computer), static_cast<LPCITEMIDLIST>(Usb),
                              static_cast<LPCITEMIDLIST>(Empty), static_cast<LPCITEMIDLIST>(nullptr)})
        EXPECT_EQ(SHGetDataFromIDListW(Desktop, Bad, SHGDFIL_FINDDATA, &D, sizeof D), E_INVALIDARG);
    EXPECT_EQ(SHGetDataFromIDListW(Desktop, A, SHGDFIL_FINDDATA, &D, sizeof D - 1), E_INVALIDARG);
    EXPECT_EQ(SHGetDataFromIDListW(Desktop, A, SHGDFIL_NETRESOURCE, &D, sizeof D), E_INVALIDARG);
    EXPECT_EQ(SHGetDataFromIDListW(nullptr, A, SHGDFIL_FINDDATA, &D, sizeof D), E_INVALIDARG);
    fs::remove(Root / "mnt/disc/A.txt");
    EXPECT_EQ(SHGetDataFromIDListW(Desktop, A, SHGDFIL_FINDDATA, &D, sizeof D), static_cast<HRESULT>(0x80070002u));
    for (LPITEMIDLIST L : {Computer, Usb, Empty, A, Docs, DiscList}) CoTaskMemFree(L);
    Disc->Release();
}

}  // namespace
