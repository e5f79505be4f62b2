// The registry store: round trips of every value type, absent keys and values,
// names that INI syntax would take for structure, and writers at the same time.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <thread>

#include "platform/system/registry.h"
#include "sys_test_util.h"

using namespace systest;

namespace {

// Each test gets its own store under a temporary XDG_CONFIG_HOME.
class Registry : public ::testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv("XDG_CONFIG_HOME");
        HadOld = old != nullptr;
        if (old) Old = old;
        ::setenv("XDG_CONFIG_HOME", Tmp.Path.c_str(), 1);
    }
    void TearDown() override {
        if (HadOld)
            ::setenv("XDG_CONFIG_HOME", Old.c_str(), 1);
        else
            ::unsetenv("XDG_CONFIG_HOME");
    }
    TTempDir Tmp;
    std::string Old;
    bool HadOld = false;
};

std::string Bytes(const char* s, size_t n) { return std::string(s, n); }

TEST_F(Registry, StoreLivesUnderXdgConfigHome) {
    EXPECT_EQ(RegistryStoreFile(), Tmp.Path + "tessaro/registry.ini");
    ::setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    const char* home = std::getenv("HOME");
    if (home) {
        EXPECT_EQ(RegistryStoreFile(), std::string(home) + "/.config/tessaro/registry.ini");
    }
}

TEST_F(Registry, ValuesSurviveARoundTripThroughTheStoreFile) {
    struct TCase {
        std::string Name;
        DWORD Type;
        std::string Data;      // as given to RegSetValueEx
        std::string ReadBack;  // as RegQueryValueEx answers (strings get their terminator)
    };
    uint32_t one = 1, big = 0xFEDCBA98u;
    uint64_t q = 0x0102030405060708ull;
    const TCase cases[] = {
        {"LogEnabled", REG_DWORD, Bytes(reinterpret_cast<char*>(&one), 4), Bytes(reinterpret_cast<char*>(&one), 4)},
        {"Big", REG_DWORD, Bytes(reinterpret_cast<char*>(&big), 4), Bytes(reinterpret_cast<char*>(&big), 4)},
        {"Q", REG_QWORD, Bytes(reinterpret_cast<char*>(&q), 8), Bytes(reinterpret_cast<char*>(&q), 8)},
        {"Folder", REG_SZ, std::string("/home/u/Videos/my disc\0", 23), std::string("/home/u/Videos/my disc\0", 23)},
        {"Tricky", REG_SZ, std::string(" a=b\\c\r\n[d] ;e #f \t\0", 20), std::string(" a=b\\c\r\n[d] ;e #f \t\0", 20)},
        {"Unicode", REG_SZ, std::string("Grüße ünï\0", 14), std::string("Grüße ünï\0", 14)},
        {"Cut", REG_SZ, std::string("abc\0def", 7), std::string("abc\0", 4)},
        {"Empty", REG_SZ, std::string(), std::string("\0", 1)},
        {"Expand", REG_EXPAND_SZ, std::string("%TEMP%\\x\0", 9), std::string("%TEMP%\\x\0", 9)},
        {"Blob", REG_BINARY, std::string("\0\x01\n\xff=", 5), std::string("\0\x01\n\xff=", 5)},
        {"EmptyBlob", REG_BINARY, std::string(), std::string()},
        {"Multi", REG_MULTI_SZ, std::string("a\0b\0\0", 5), std::string("a\0b\0\0", 5)},
        {"", REG_SZ, std::string("default\0", 8), std::string("default\0", 8)},
        {"@", REG_SZ, std::string("at\0", 3), std::string("at\0", 3)},
        {"a=b", REG_SZ, std::string("eq\0", 3), std::string("eq\0", 3)},
        {" lead;[x]\\y ", REG_SZ, std::string("odd\0", 4), std::string("odd\0", 4)},
        {"#hash", REG_DWORD, Bytes(reinterpret_cast<char*>(&one), 4), Bytes(reinterpret_cast<char*>(&one), 4)},
    };
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        HKEY k = nullptr;
        DWORD disp = 0;
        ASSERT_EQ(RegCreateKeyExA(root, "Software\\BurnLib\\Sample", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k,
                                  &disp),
                  ERROR_SUCCESS);
        EXPECT_EQ(disp, REG_CREATED_NEW_KEY);
        for (const auto& c : cases)
            ASSERT_EQ(RegSetValueExA(k, c.Name.c_str(), 0, c.Type, reinterpret_cast<const BYTE*>(c.Data.data()),
                                     static_cast<DWORD>(c.Data.size())),
                      ERROR_SUCCESS)
                << c.Name;
        RegCloseKey(k);
    }
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        HKEY k = nullptr;
        ASSERT_EQ(RegOpenKeyExA(root, "Software/BurnLib/Sample", 0, KEY_READ, &k), ERROR_SUCCESS);
        for (const auto& c : cases) {
            DWORD type = 0, size = 0;
            ASSERT_EQ(RegQueryValueExA(k, c.Name.c_str(), nullptr, &type, nullptr, &size), ERROR_SUCCESS) << c.Name;
            EXPECT_EQ(type, c.Type) << c.Name;
            ASSERT_EQ(size, c.ReadBack.size()) << c.Name;
            std::string buf(size + 1, 'x');
            DWORD got = size;
            ASSERT_EQ(RegQueryValueExA(k, c.Name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buf.data()), &got),
                      ERROR_SUCCESS);
            EXPECT_EQ(buf.substr(0, got), c.ReadBack) << c.Name;
        }
        RegCloseKey(k);
    }
    // The store is an INI file a person can read.
    std::string text = ReadText(RegistryStoreFile());
    EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\Software\\BurnLib\\Sample]"), std::string::npos);
    EXPECT_NE(text.find("LogEnabled=dword:00000001"), std::string::npos);
}

TEST_F(Registry, MissingKeysAndValuesReadAsAbsent) {
    HKEY k = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\BurnLib", 0, KEY_READ, &k), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(k, nullptr);
    // Opened with creation allowed, as the engine log does: the value is still absent.
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\BurnLib", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k,
                              nullptr),
              ERROR_SUCCESS);
    HKEY sub = nullptr;
    EXPECT_EQ(RegOpenKeyExA(k, "Log", 0, KEY_READ, &sub), ERROR_FILE_NOT_FOUND);
    DWORD v = 0, size = sizeof v;
    EXPECT_EQ(RegQueryValueExA(k, "LogEnabled", nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &size),
              ERROR_FILE_NOT_FOUND);
    // Parents of a key exist; names are matched without regard to case.
    HKEY deep = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "A\\B\\C", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &deep, nullptr),
              ERROR_SUCCESS);
    DWORD one = 1;
    ASSERT_EQ(RegSetValueExA(deep, "Value", 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4), ERROR_SUCCESS);
    HKEY parent = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "a\\b", 0, KEY_READ, &parent), ERROR_SUCCESS);
    HKEY same = nullptr;
    ASSERT_EQ(RegOpenKeyExA(parent, "c", 0, KEY_READ, &same), ERROR_SUCCESS);
    size = sizeof v;
    EXPECT_EQ(RegQueryValueExA(same, "VALUE", nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &size), ERROR_SUCCESS);
    EXPECT_EQ(v, 1u);
    // HKLM and HKCU are separate trees.
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "A", 0, KEY_READ, &sub), ERROR_FILE_NOT_FOUND);
    for (HKEY h : {k, deep, parent, same}) EXPECT_EQ(RegCloseKey(h), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(k), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegQueryValueExA(k, "x", nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_HANDLE);
}

TEST_F(Registry, BufferSizesAccessAndDeletion) {
    HKEY k = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\T", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(k, "S", 0, REG_SZ, reinterpret_cast<const BYTE*>("hello"), 6), ERROR_SUCCESS);
    char small[3];
    DWORD size = sizeof small;
    EXPECT_EQ(RegQueryValueExA(k, "S", nullptr, nullptr, reinterpret_cast<BYTE*>(small), &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 6u);
    DWORD d = 5;
    EXPECT_EQ(RegSetValueExA(k, "D", 0, REG_DWORD, reinterpret_cast<BYTE*>(&d), 2), ERROR_INVALID_PARAMETER);
    HKEY ro = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\T", 0, KEY_READ, &ro), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(ro, "D", 0, REG_DWORD, reinterpret_cast<BYTE*>(&d), 4), ERROR_ACCESS_DENIED);
    // Enumeration in the store's order.
    ASSERT_EQ(RegSetValueExA(k, "D", 0, REG_DWORD, reinterpret_cast<BYTE*>(&d), 4), ERROR_SUCCESS);
    char name[32];
    DWORD cch = sizeof name;
    ASSERT_EQ(RegEnumValueA(k, 1, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(std::string(name), "D");
    cch = sizeof name;
    EXPECT_EQ(RegEnumValueA(k, 2, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    HKEY c1 = nullptr, c2 = nullptr;
    RegCreateKeyExA(k, "Child1\\Grand", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &c1, nullptr);
    RegCreateKeyExA(k, "Child2", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &c2, nullptr);
    std::vector<std::string> keys;
    for (DWORD i = 0;; ++i) {
        cch = sizeof name;
        if (RegEnumKeyExA(k, i, name, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        keys.push_back(name);
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"Child1", "Child2"}));
    // Deleting.
    EXPECT_EQ(RegDeleteValueA(k, "s"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(k, "S"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegQueryValueExA(k, "S", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyA(k, "Child1"), ERROR_ACCESS_DENIED);  // it has a subkey
    EXPECT_EQ(RegDeleteKeyA(k, "Child1\\Grand"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(k, "Child2"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(k, "Child2"), ERROR_FILE_NOT_FOUND);
    for (HKEY h : {k, ro, c1, c2}) RegCloseKey(h);
}

TEST_F(Registry, BrokenLinesInTheStoreAreSkipped) {
    ::mkdir((Tmp.Path + "tessaro").c_str(), 0700);
    WriteText(RegistryStoreFile(), "garbage\n[HKEY_CURRENT_USER\\K]\nbad line\nGood=dword:0000002a\nX=dword:zz\n"
                                   "[broken\nLost=sz:x\n");
    HKEY k = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "K", 0, KEY_READ, &k), ERROR_SUCCESS);
    DWORD v = 0, size = 4;
    EXPECT_EQ(RegQueryValueExA(k, "Good", nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &size), ERROR_SUCCESS);
    EXPECT_EQ(v, 42u);
    EXPECT_EQ(RegQueryValueExA(k, "X", nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegQueryValueExA(k, "Lost", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    RegCloseKey(k);
}

void WriteMany(HKEY root, const std::string& prefix, int count) {
    for (int i = 0; i < count; ++i) {
        HKEY k = nullptr;  // a store handle of its own for every write
        if (RegCreateKeyExA(root, "Software\\Shared", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr) !=
            ERROR_SUCCESS)
            return;
        DWORD v = static_cast<DWORD>(i);
        RegSetValueExA(k, (prefix + std::to_string(i)).c_str(), 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4);
        RegCloseKey(k);
    }
}

TEST_F(Registry, WritersAtTheSameTimeLoseNothing) {
    const int kCount = 30;
    // A second process, started before our threads.
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        WriteMany(HKEY_LOCAL_MACHINE, "proc", kCount);
        ::_exit(0);
    }
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t)
        threads.emplace_back(WriteMany, t % 2 ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE, "t" + std::to_string(t) + "_",
                             kCount);
    for (auto& th : threads) th.join();
    int st = 0;
    ASSERT_EQ(::waitpid(child, &st, 0), child);
    ASSERT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0);

    struct TCase {
        HKEY Root;
        std::string Prefix;
    };
    const TCase cases[] = {{HKEY_LOCAL_MACHINE, "proc"},
                           {HKEY_LOCAL_MACHINE, "t0_"},
                           {HKEY_CURRENT_USER, "t1_"},
                           {HKEY_LOCAL_MACHINE, "t2_"}};
    for (const auto& c : cases) {
        HKEY k = nullptr;
        ASSERT_EQ(RegOpenKeyExA(c.Root, "Software\\Shared", 0, KEY_READ, &k), ERROR_SUCCESS);
        for (int i = 0; i < kCount; ++i) {
            DWORD v = 999, size = 4;
            EXPECT_EQ(RegQueryValueExA(k, (c.Prefix + std::to_string(i)).c_str(), nullptr, nullptr,
                                       reinterpret_cast<BYTE*>(&v), &size),
                      ERROR_SUCCESS)
                << c.Prefix << i;
            EXPECT_EQ(v, static_cast<DWORD>(i));
        }
        RegCloseKey(k);
    }
    // No temporary file is left behind.
    EXPECT_FALSE(Exists(RegistryStoreFile() + ".tmp." + std::to_string(::getpid())));
}

}  // namespace
