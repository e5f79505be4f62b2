#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>

#include "platform/rtl/sysutils.h"
#include "rtl_test_util.h"

namespace {

void WriteFile(const std::string& Name, const std::string& Data) {
    std::ofstream f(Name, std::ios::binary);
    f << Data;
}

std::string ReadFile(const std::string& Name) {
    std::ifstream f(Name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

TEST(Paths, NamePartsOfAwkwardNames) {
    struct Case {
        const char* path;
        const char* name;
        const char* dir;   // ExtractFilePath
        const char* fdir;  // ExtractFileDir
        const char* ext;
        const char* changed;  // ChangeFileExt(path, ".mpg")
    };
    const Case cases[] = {
        {"/home/user/My Videos/holiday clip.avi", "holiday clip.avi", "/home/user/My Videos/",
         "/home/user/My Videos", ".avi", "/home/user/My Videos/holiday clip.mpg"},
        {"/tmp/Ünïcødé/Фильм №1.MP4", "Фильм №1.MP4", "/tmp/Ünïcødé/", "/tmp/Ünïcødé", ".MP4",
         "/tmp/Ünïcødé/Фильм №1.mpg"},
        {"/a.b/c", "c", "/a.b/", "/a.b", "", "/a.b/c.mpg"},
        {"a.b/c", "c", "a.b/", "a.b", "", "a.b/c.mpg"},
        {"/x/.bashrc", ".bashrc", "/x/", "/x", ".bashrc", "/x/.mpg"},
        {"/langs/.ini", ".ini", "/langs/", "/langs", ".ini", "/langs/.mpg"},
        {"/x/.hidden.txt", ".hidden.txt", "/x/", "/x", ".txt", "/x/.hidden.mpg"},
        {"/x/archive.tar.gz", "archive.tar.gz", "/x/", "/x", ".gz", "/x/archive.tar.mpg"},
        {"/x/ends with dot.", "ends with dot.", "/x/", "/x", ".", "/x/ends with dot.mpg"},
        {"plain", "plain", "", "", "", "plain.mpg"},
        {"/folder/", "", "/folder/", "/folder", "", "/folder/.mpg"},
        {"/top", "top", "/", "/", "", "/top.mpg"},
        {"", "", "", "", "", ".mpg"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(ExtractFileName(c.path), c.name);
        EXPECT_EQ(ExtractFilePath(c.path), c.dir);
        EXPECT_EQ(ExtractFileDir(c.path), c.fdir);
        EXPECT_EQ(ExtractFileExt(c.path), c.ext);
        EXPECT_EQ(ChangeFileExt(c.path, ".mpg"), c.changed);
    }
    EXPECT_EQ(ChangeFileExt("/v/clip 1.avi", ""), "/v/clip 1");
}

TEST(Paths, DelimitersAndExpansion) {
    struct Case {
        const char* in;
        const char* incl;
        const char* excl;
    };
    const Case cases[] = {
        {"/a b/é", "/a b/é/", "/a b/é"},
        {"/a b/é/", "/a b/é/", "/a b/é"},
        {"/", "/", "/"},
        {"", "/", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IncludeTrailingPathDelimiter(c.in), c.incl) << c.in;
        EXPECT_EQ(ExcludeTrailingPathDelimiter(c.in), c.excl) << c.in;
    }
    EXPECT_EQ(ExpandFileName("/a/./b c/../d/"), "/a/d/");
    EXPECT_EQ(ExpandFileName("/a/../../x"), "/x");
    EXPECT_EQ(ExpandFileName("rel ä/f"), IncludeTrailingPathDelimiter(GetCurrentDir()) + "rel ä/f");
}

TEST(Files, CreateRenameCopyDeleteWithAwkwardNames) {
    TempFolder tmp;
    ASSERT_FALSE(tmp.Path.empty());
    const std::string dir = tmp.Path + "Mes vidéos/été 2024/";
    EXPECT_FALSE(DirectoryExists(dir));
    ASSERT_TRUE(ForceDirectories(dir));
    EXPECT_TRUE(DirectoryExists(dir));
    EXPECT_TRUE(ForceDirectories(dir));  // already there
    EXPECT_FALSE(FileExists(dir));

    const std::string a = dir + "clip één.txt";
    const std::string b = dir + "クリップ.txt";
    WriteFile(a, "hello");
    EXPECT_TRUE(FileExists(a));
    EXPECT_FALSE(DirectoryExists(a));
    EXPECT_EQ(FileSizeOf(a), 5);
    EXPECT_EQ(FileSizeOf(dir + "missing"), -1);
    EXPECT_EQ(FileSizeOf(dir), -1);

    EXPECT_TRUE(CopyFileTo(a, b, true));
    EXPECT_EQ(ReadFile(b), "hello");
    EXPECT_FALSE(CopyFileTo(a, b, true));  // exists
    WriteFile(a, "changed");
    EXPECT_TRUE(CopyFileTo(a, b, false));
    EXPECT_EQ(ReadFile(b), "changed");
    EXPECT_FALSE(CopyFileTo(dir + "missing", b, false));

    // Renaming never replaces an existing file.
    EXPECT_FALSE(RenameFile(a, b));
    EXPECT_TRUE(FileExists(a));
    EXPECT_TRUE(DeleteFile(b));
    EXPECT_TRUE(RenameFile(a, b));
    EXPECT_FALSE(FileExists(a));
    EXPECT_TRUE(FileExists(b));

    EXPECT_FALSE(DeleteFile(dir));  // a folder is not a file
    EXPECT_FALSE(RemoveDir(dir));   // not empty
    EXPECT_TRUE(DeleteFile(b));
    EXPECT_FALSE(DeleteFile(b));
    EXPECT_TRUE(RemoveDir(dir));
    EXPECT_FALSE(DirectoryExists(dir));
    EXPECT_TRUE(CreateDir(dir));
    EXPECT_FALSE(CreateDir(dir));

    // A folder cannot be made below a regular file.
    WriteFile(tmp.Path + "plainfile", "x");
    EXPECT_FALSE(ForceDirectories(tmp.Path + "plainfile/sub/"));
    EXPECT_FALSE(ForceDirectories(""));
}

TEST(Files, CurrentDirAndEnvironment) {
    TempFolder tmp;
    std::string old = GetCurrentDir();
    ASSERT_TRUE(ForceDirectories(tmp.Path + "a b"));
    ASSERT_TRUE(SetCurrentDir(tmp.Path + "a b"));
    char buf[4096];
    ASSERT_NE(::getcwd(buf, sizeof buf), nullptr);
    EXPECT_EQ(GetCurrentDir(), buf);
    EXPECT_EQ(GetCurrentDir().back(), 'b');
    EXPECT_TRUE(SetCurrentDir(old));
    EXPECT_FALSE(SetCurrentDir(tmp.Path + "missing"));
    ::setenv("RTL_TEST_VAR", "välue", 1);
    EXPECT_EQ(GetEnvironmentVariable("RTL_TEST_VAR"), "välue");
    EXPECT_EQ(GetEnvironmentVariable("RTL_TEST_UNSET_VAR"), "");
}

}  // namespace
