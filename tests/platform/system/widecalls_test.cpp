#include "platform/system/widecalls.h"

#include "platform/system/module.h"
#include "platform/system/process.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <clocale>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

class WideCallsTest : public testing::Test {
protected:
    void SetUp() override {
        std::setlocale(LC_ALL, "C.UTF-8");
        dir_ = Scratch.Path();
    }
    TTempFolder Scratch{"widecalls"};
    std::string dir_;
};

std::u16string W(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

TEST_F(WideCallsTest, FileAttributesOfWideNames) {
    const std::string dirName = dir_ + "/\xE6\x97\xA5\xE6\x9C\xAC";  // 日本
    ASSERT_EQ(mkdir(dirName.c_str(), 0755), 0);
    std::ofstream(dirName + "/.\xCE\xBA") << "x";  // .κ
    const std::u16string wdir = W(dir_) + u"/\u65E5\u672C";
    EXPECT_EQ(GetFileAttributesW(wdir.c_str()) & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
    const DWORD hidden = GetFileAttributesW((wdir + u"/.\u03BA").c_str());
    EXPECT_EQ(hidden & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN), FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(GetFileAttributesW((wdir + u"/none").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(GetFileAttributesW(u""), INVALID_FILE_ATTRIBUTES);
}

TEST_F(WideCallsTest, CommandLineAndModuleName) {
    const std::u16string line = GetCommandLineW();
    char16_t buf[4096];
    const DWORD n = GetModuleFileNameW(nullptr, buf, 4096);
    ASSERT_GT(n, 0u);
    const std::u16string exe(buf, n);
    EXPECT_EQ(exe.substr(exe.rfind(u'/') + 1), u"platform_system_widecalls_test");
    EXPECT_NE(line.find(u"platform_system_widecalls_test"), std::u16string::npos);
    char16_t tiny[3];
    EXPECT_EQ(GetModuleFileNameW(nullptr, tiny, 3), 3u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

TEST_F(WideCallsTest, CharacterTypesAndUpperCase) {
    struct Case {
        char16_t c;
        WORD set, clear;
    } cases[] = {
        {u' ', C1_SPACE | C1_BLANK, C1_PUNCT},
        {u'\u3000', C1_SPACE, C1_ALPHA},          // ideographic space
        {u',', C1_PUNCT, C1_SPACE},
        {u'\u3001', C1_PUNCT, C1_SPACE},          // ideographic comma
        {u'\u65E5', C1_ALPHA, C1_SPACE | C1_PUNCT},
        {u'\u03BA', C1_ALPHA | C1_LOWER, C1_UPPER},
        {u'7', C1_DIGIT | C1_XDIGIT, C1_ALPHA},
    };
    for (const auto& c : cases) {
        WORD t = 0;
        ASSERT_TRUE(GetStringTypeExW(0, CT_CTYPE1, &c.c, 1, &t));
        EXPECT_EQ(t & c.set, c.set) << int(c.c);
        EXPECT_EQ(t & c.clear, 0) << int(c.c);
    }
    WORD t[2];
    EXPECT_FALSE(GetStringTypeExW(0, 2, u"a", 1, t));

    char16_t text[] = u"ab\u03BA\u00E9\U0001F4C0z";
    EXPECT_EQ(CharUpperBuffW(text, 7), 7u);
    EXPECT_EQ(std::u16string(text), u"AB\u039A\u00C9\U0001F4C0Z");
}

TEST_F(WideCallsTest, CharUpperTakesATextOrOneCharacter) {
    auto asChar = [](std::uintptr_t c) { return reinterpret_cast<LPWSTR>(c); };
    struct Case {
        std::uintptr_t in, out;
    } chars[] = {{u'a', u'A'}, {0x03BA, 0x039A}, {0x65E5, 0x65E5}, {0xD83D, 0xD83D}, {u'1', u'1'}};
    for (const auto& c : chars)
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(CharUpperW(asChar(c.in))), c.out) << c.in;
    char16_t text[] = u"\u00e9t\u00e9 \u03BA\U0001F4C0";
    EXPECT_EQ(CharUpperW(text), text);
    EXPECT_EQ(std::u16string(text), u"\u00C9T\u00C9 \u039A\U0001F4C0");
}

TEST_F(WideCallsTest, CreateFileOpensWideNamesForReadingAndWriting) {
    const std::u16string name = W(dir_) + u"/\u65E5\u03BA\U0001F4C0.txt";
    const std::string utf8 = dir_ + "/\xE6\x97\xA5\xCE\xBA\xF0\x9F\x93\x80.txt";

    EXPECT_EQ(CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    HANDLE h = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD done = 0;
    ASSERT_TRUE(WriteFile(h, "hello", 5, &done, nullptr));
    EXPECT_TRUE(CloseHandle(h));
    std::ifstream in(utf8, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "hello");  // the name went out as UTF-8

    EXPECT_EQ(CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));

    // Sharing is not enforced: a second reader opens the file beside the first.
    HANDLE a = CreateFileW(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    HANDLE b = CreateFileW(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
    ASSERT_NE(a, INVALID_HANDLE_VALUE);
    ASSERT_NE(b, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    char buf[8] = {};
    ASSERT_TRUE(ReadFile(b, buf, sizeof buf, &done, nullptr));
    EXPECT_EQ(std::string(buf, done), "hello");
    ASSERT_TRUE(ReadFile(b, buf, sizeof buf, &done, nullptr));
    EXPECT_EQ(done, 0u);  // end of file is no error
    CloseHandle(a);
    CloseHandle(b);

    h = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    ASSERT_TRUE(ReadFile(h, buf, sizeof buf, &done, nullptr));
    EXPECT_EQ(done, 0u);  // truncated
    CloseHandle(h);

    struct Bad {
        const char16_t* name;
        DWORD access, creation, error;
    } bad[] = {
        {u"", GENERIC_READ, OPEN_EXISTING, ERROR_PATH_NOT_FOUND},
        {name.c_str(), GENERIC_READ, 6, ERROR_INVALID_PARAMETER},
        {name.c_str(), 0, OPEN_EXISTING, ERROR_INVALID_PARAMETER},
        {name.c_str(), GENERIC_READ, TRUNCATE_EXISTING, ERROR_INVALID_PARAMETER},
    };
    for (const auto& c : bad) {
        EXPECT_EQ(CreateFileW(c.name, c.access, 0, nullptr, c.creation, 0, nullptr), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), c.error) << c.creation;
    }
    const std::u16string folder = W(dir_);
    EXPECT_EQ(CreateFileW(folder.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

void Answer() {}

TEST_F(WideCallsTest, LoadLibraryFindsBuiltinModulesByWideName) {
    RegisterBuiltinModule("\xCE\xBA-test.dll", {{"Answer", &Answer}});
    HMODULE m = LoadLibraryW(u"/any/folder/\u03BA-TEST.DLL");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(GetProcAddress(m, "Answer"), &Answer);
    EXPECT_EQ(LoadLibraryW(u"none.dll"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(LoadLibraryW(nullptr), nullptr);
}

}  // namespace
