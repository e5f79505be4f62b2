// TShellNav on the test tree: folders, objects, moving up, filters, links, the
// enumeration and special folders.
#include <gtest/gtest.h>

#include "controls/extra/fp_shellnav.h"
#include "controls/extra/fp_testtree.h"
#include "platform/classlib/forms.h"

namespace {

using sysconv::Utf16ToUtf8;
using sysconv::Utf8ToUtf16;

WideString W(const fs::path& P) { return Utf8ToUtf16(P.string()); }

std::vector<WideString> Walk(TShellNav& N) {
    std::vector<WideString> Out;
    while (N.FindNextObject()) Out.push_back(N.ObjectName());
    return Out;
}

TEST_F(FpTestTree, NavFoldersObjectsAndMovingUp) {
    TShellNav N(nullptr);
    EXPECT_EQ(N.Folder(), u"");  // Computer
    EXPECT_EQ(N.SpecialFolder(), SF_DRIVES);
    const fs::path Disc = Root / "mnt/disc";
    N.SetFolder(W(Disc / "VIDEO_TS"));
    EXPECT_EQ(N.Folder(), W(Disc / "VIDEO_TS") + u"/");
    EXPECT_EQ(N.SpecialFolder(), SF_FILESYSTEMFOLDER);
    // A path that is not there raises and leaves the folder.
    EXPECT_THROW(N.SetFolder(W(Root / "nowhere")), EShellNavError);
    EXPECT_EQ(N.Folder(), W(Disc / "VIDEO_TS") + u"/");
    EXPECT_TRUE(N.MoveUp());
    EXPECT_EQ(N.Folder(), W(Disc) + u"/");
    EXPECT_EQ(N.ObjectName(), u"VIDEO_TS");
    EXPECT_TRUE(N.IsFolder());
    EXPECT_EQ(PIDLToPathWide(N.GetObjectIDList()), W(Disc / "VIDEO_TS"));
    // Up from a volume: Computer is the folder and the volume the object.
    N.MoveUp();
    EXPECT_EQ(N.Folder(), u"");
    EXPECT_EQ(N.SpecialFolder(), SF_DRIVES);
    EXPECT_EQ(N.GetDisplayName(), u"My Disc");
    EXPECT_EQ(N.ObjectSpecialFolder(), SF_FILESYSTEMFOLDER);
    N.SetFolder(u"/");
    EXPECT_EQ(N.Folder(), u"/");
    N.MoveUp();
    EXPECT_EQ(N.Folder(), u"");
    EXPECT_EQ(N.ObjectName(), u"/");
    N.MoveUp();  // from Computer to the desktop
    EXPECT_EQ(N.SpecialFolder(), SF_DESKTOP);
    EXPECT_EQ(N.GetDisplayName(), u"Computer");
    EXPECT_EQ(N.ObjectSpecialFolder(), SF_DRIVES);
}

TEST_F(FpTestTree, NavObjectNamesByNameDisplayNameAndPath) {
    TShellNav N(nullptr);
    const fs::path Disc = Root / "mnt/disc";
    N.SetFolder(W(Disc));
    N.SetObjectName(u"ビデオ");
    EXPECT_EQ(N.ObjectName(), u"ビデオ");
    EXPECT_EQ(PIDLToPathWide(N.GetObjectIDList()), W(Disc / "ビデオ"));
    try {
        N.SetObjectName(u"nothing");
        ADD_FAILURE() << "a missing name was taken";
    } catch (const EShellNavError& E) {
        EXPECT_EQ(E.Message, "Error! Cannot find Object \"nothing\" in Folder \"" + Disc.string() + "/\"");
    }
    N.SetObjectName(W(Root / "home/Desk/a.txt"));
    EXPECT_EQ(N.Folder(), W(Root / "home/Desk") + u"/");
    EXPECT_EQ(N.ObjectName(), u"a.txt");
    EXPECT_FALSE(N.IsFolder());
    N.SetObjectName(u"/");
    EXPECT_EQ(N.Folder(), u"");
    EXPECT_EQ(N.ObjectName(), u"/");
    // On Computer a volume is found by its display name.
    N.SetObjectName(u"my disc");
    EXPECT_EQ(N.GetDisplayName(), u"My Disc");
    EXPECT_EQ(PIDLToPathWide(N.GetObjectIDList()), W(Disc));
    N.SetObjectName(u"");
    EXPECT_EQ(N.ObjectName(), u"");
    EXPECT_EQ(N.GetDisplayName(), u"");
}

TEST_F(FpTestTree, NavFiltersAndTheEnumeration) {
    TShellNav N(nullptr);
    struct Case {
        const char16_t* Set;
        const char16_t* Reads;
    } Cases[] = {{u"*.txt", u"*.txt"}, {u"", u"*"}, {u"*", u"*"}, {u"*.vob;*.ifo", u"*.vob;*.ifo"}, {u"a;", u"a"}};
    for (const auto& C : Cases) {
        N.SetFilter(C.Set);
        EXPECT_EQ(N.Filter(), C.Reads);
    }
    N.SetFolder(W(Root / "mnt/disc"));
    N.SetFilter(u"*");
    EXPECT_EQ(Walk(N), (std::vector<WideString>{u"VIDEO_TS", u"ビデオ", u"A.txt"}));
    N.SetFilter(u"*.vob");  // folders always pass
    EXPECT_EQ(Walk(N), (std::vector<WideString>{u"VIDEO_TS", u"ビデオ"}));
    N.SetFilter(u"a.TXT");
    EXPECT_EQ(Walk(N), (std::vector<WideString>{u"VIDEO_TS", u"ビデオ", u"A.txt"}));
    // The desktop with FileSystemOnly keeps Computer (it leads to the file system).
    N.SetSpecialFolder(SF_DESKTOP);
    N.SetFilter(u"*");
    N.FileSystemOnly = true;
    ASSERT_TRUE(N.FindNextObject());
    EXPECT_EQ(N.GetDisplayName(), u"Computer");
    ASSERT_TRUE(N.FindNextObject());
    EXPECT_EQ(N.GetDisplayName(), u"Home");
}

TEST_F(FpTestTree, NavSpecialFolders) {
    TShellNav N(nullptr);
    N.SetSpecialFolder(SF_PERSONAL);
    EXPECT_EQ(N.Folder(), Utf8ToUtf16(Home) + u"/Docs/");
    EXPECT_EQ(N.SpecialFolder(), SF_PERSONAL);
    N.SetSpecialFolder(SF_NETWORK);  // nothing there: the folder stays, nothing raises
    EXPECT_EQ(N.Folder(), Utf8ToUtf16(Home) + u"/Docs/");
    N.SetSpecialFolder(SF_DESKTOP);
    EXPECT_EQ(N.SpecialFolder(), SF_DESKTOP);
    EXPECT_EQ(PIDLItemCount(N.FolderIDList()), 0);
    EXPECT_EQ(ShellFolderCsidl(SF_FILESYSTEMFOLDER), ShellFolderCsidl(SF_DRIVES));
    LPITEMIDLIST Drives = ShellFolderToPIDL(SF_DRIVES);
    EXPECT_EQ(PIDLToShellFolder(Drives), SF_DRIVES);
    FreePIDL(Drives);
    EXPECT_EQ(ShellFolderToPIDL(SF_PRINTERS), nullptr);
    EXPECT_EQ(PIDLToShellFolder(nullptr), SF_FILESYSTEMFOLDER);
}

// Links of both kinds against what they name; anything else is no link.
TEST_F(FpTestTree, ShellLinksResolveToTheirTargets) {
    const fs::path H = Root / "home";
    fs::create_symlink("../mnt/./usb", H / "relative");
    fs::create_symlink(Root / "gone", H / "dangling");
    auto Entry = [&](const char* Name, const std::string& Text) {
        std::ofstream(H / Name) << Text;
        return H / Name;
    };
    const std::string Disc = (Root / "mnt/disc").string();
    struct Case {
        fs::path File;
        std::string Target;
        bool Link;
    };
    const Case Cases[] = {
        {H / "Desk/disc link", Disc, true},
        {H / "relative", (Root / "mnt/usb").string(), true},
        {H / "dangling", (Root / "gone").string(), true},
        {Entry("a.desktop", "# made by hand\n[Desktop Entry]\nName=Disc\nType=Link\nURL=file://" + Root.string() +
                                "/mnt/with%20blank/\n"),
         (Root / "mnt/with blank").string(), true},
        {Entry("b.desktop", "[Desktop Entry]\r\nURL = file://localhost" + Disc + "/%E3%83%93%E3%83%87%E3%82%AA\r\n"
                                "Type = Link\r\n"),
         Disc + "/ビデオ", true},
        {Entry("web.desktop", "[Desktop Entry]\nType=Link\nURL=https://example.org/\n"), "", true},
        {Entry("host.desktop", "[Desktop Entry]\nType=Link\nURL=file://server/share\n"), "", true},
        {Entry("zero.desktop", "[Desktop Entry]\nType=Link\nURL=file:///tmp/a%00b\n"), "", true},
        {Entry("app.desktop", "[Desktop Entry]\nType=Application\nURL=file://" + Disc + "\n"), "", false},
        {Entry("action.desktop", "[Desktop Entry]\nType=Application\n[Desktop Action x]\nType=Link\nURL=file://" +
                                     Disc + "\n"),
         "", false},
        {Entry("link.txt", "[Desktop Entry]\nType=Link\nURL=file://" + Disc + "\n"), "", false},
        {H / "Docs", "", false},
        {H / "missing.desktop", "", false},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.File.string());
        EXPECT_EQ(ResolveShellLink(W(C.File)), Utf8ToUtf16(C.Target));
        EXPECT_EQ(IsShellLink(C.File.string()), C.Link);
        if (!fs::exists(fs::symlink_status(C.File))) continue;
        LPITEMIDLIST L = Parse(C.File.string());
        ASSERT_NE(L, nullptr);
        ULONG A = ~0u;
        LPCITEMIDLIST One[] = {L};
        Desktop->GetAttributesOf(1, One, &A);
        EXPECT_EQ((A & SFGAO_LINK) != 0, C.Link);
        CoTaskMemFree(L);
    }
    EXPECT_EQ(ResolveShellLink(u""), u"");
}

// A folder reached as one item of a top-level folder reads as its link's
// target; other folders read as their own path.
TEST_F(FpTestTree, NavFolderReadsThroughLinks) {
    fs::create_symlink(Root / "mnt/disc", Root / "home/lnk");
    TShellNav N(nullptr);
    N.SetSpecialFolder(SF_DESKTOP);
    N.SetObjectName(u"Home");
    N.SetFolderIDList(N.GetObjectIDList());
    N.SetObjectName(u"lnk");
    N.SetFolderIDList(N.GetObjectIDList());
    ASSERT_EQ(PIDLItemCount(N.FolderIDList()), 2);
    EXPECT_EQ(N.Folder(), W(Root / "mnt/disc") + u"/");
    // The target names the folder already there: nothing changes.
    N.SetFolder(W(Root / "mnt/disc"));
    EXPECT_EQ(PIDLItemCount(N.FolderIDList()), 2);
    // Its objects are the target's.
    N.SetObjectName(u"VIDEO_TS");
    EXPECT_TRUE(N.IsFolder());

    N.MoveUp();  // Home
    EXPECT_EQ(N.Folder(), Utf8ToUtf16(Home) + u"/");
    N.SetObjectName(u"Docs");
    N.SetFolderIDList(N.GetObjectIDList());
    EXPECT_EQ(N.Folder(), Utf8ToUtf16(Home) + u"/Docs/");
    // Reached through Computer and the root volume the link keeps its own path.
    N.SetFolder(Utf8ToUtf16(Home) + u"/lnk");
    EXPECT_GT(PIDLItemCount(N.FolderIDList()), 2);
    EXPECT_EQ(N.Folder(), Utf8ToUtf16(Home) + u"/lnk/");
}

// Object names come from the item's find data where it has one; Computer and
// volumes are named by their paths, the root in full.
TEST_F(FpTestTree, NavObjectNamesOfDesktopItemsAndVolumes) {
    TShellNav N(nullptr);
    N.SetSpecialFolder(SF_DESKTOP);
    const std::pair<const char16_t*, WideString> Cases[] = {
        {u"a.txt", u"a.txt"}, {u"Home", u"home"}, {u"Docs", u"Docs"}, {u"Computer", u""}};
    for (const auto& C : Cases) {
        N.SetObjectName(C.first);
        EXPECT_EQ(N.ObjectName(), C.second) << Utf16ToUtf8(C.first);
    }
    N.SetFolder(u"");
    N.SetObjectName(u"My Disc");
    EXPECT_EQ(N.ObjectName(), u"disc");
    N.SetObjectName(u"/");
    EXPECT_EQ(N.ObjectName(), u"/");
}

// The version names the class; error boxes are owned by the application's
// window unless the messages are off or a loaded windowed owner takes them.
TEST_F(FpTestTree, NavVersionAndErrorOwner) {
    TShellNav N(nullptr);
    EXPECT_EQ(N.Version(), "TShellNav V5.11");
    N.SetVersion("other");
    EXPECT_EQ(N.Version(), "TShellNav V5.11");
    EXPECT_EQ(N.ErrorOwnerWindow(), Application ? Application->Handle() : nullptr);
    N.ShowErrorMessages = false;
    EXPECT_EQ(N.ErrorOwnerWindow(), nullptr);
    N.ShowErrorMessages = true;
    N.SetFolder(W(Root / "mnt/disc"));  // still enumerates with an owner window
    N.SetFilter(u"*.txt");
    EXPECT_EQ(Walk(N), (std::vector<WideString>{u"VIDEO_TS", u"ビデオ", u"A.txt"}));
}

}  // namespace
