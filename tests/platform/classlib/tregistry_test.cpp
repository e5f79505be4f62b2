#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/classlib/tregistry.h"

namespace {

class Registry : public ::testing::Test {
protected:
    void SetUp() override {
        Dir = std::filesystem::path(::testing::TempDir()) / ("classlib_reg_" + std::to_string(getpid()));
        std::filesystem::create_directories(Dir);
        const char* Old = getenv("XDG_CONFIG_HOME");
        Saved = Old ? Old : "";
        HadOld = Old != nullptr;
        setenv("XDG_CONFIG_HOME", Dir.c_str(), 1);
    }
    void TearDown() override {
        if (HadOld)
            setenv("XDG_CONFIG_HOME", Saved.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
        std::filesystem::remove_all(Dir);
    }
    std::filesystem::path Dir;
    std::string Saved;
    bool HadOld = false;
};

TEST_F(Registry, WritesAndReadsBackValuesUnderNestedKeys) {
    {
        TRegistry R;
        R.RootKey = HKEY_LOCAL_MACHINE;
        EXPECT_FALSE(R.OpenKey("Software\\Tessaro\\Burn", false));
        ASSERT_TRUE(R.OpenKey("Software\\Tessaro", true));
        ASSERT_TRUE(R.OpenKey("Burn", true));  // relative to the open key
        EXPECT_EQ(R.CurrentPath(), "Software\\Tessaro\\Burn");
        R.WriteString("Folder", "/tmp/iso/");
        R.WriteInteger("Speed", -4);
        R.WriteBool("LogEnabled", true);
    }
    TRegistry R(KEY_READ);
    R.RootKey = HKEY_LOCAL_MACHINE;
    ASSERT_TRUE(R.OpenKeyReadOnly("\\Software\\Tessaro\\Burn"));
    EXPECT_EQ(R.ReadString("Folder"), "/tmp/iso/");
    EXPECT_EQ(R.ReadInteger("Speed"), -4);
    EXPECT_TRUE(R.ReadBool("LogEnabled"));
    EXPECT_TRUE(R.ValueExists("speed"));
    EXPECT_FALSE(R.ValueExists("Nope"));
    EXPECT_EQ(R.ReadString("Nope"), "");
    TStringList Names;
    R.GetValueNames(Names);
    EXPECT_EQ(Names.Count(), 3);
    EXPECT_THROW(R.WriteString("X", "y"), ERegistryException);  // read-only key
    try {
        R.ReadInteger("Folder");
        FAIL();
    } catch (const ERegistryException& E) {
        EXPECT_EQ(E.Message, "Invalid data type for 'Folder'");
    }
    try {
        R.ReadInteger("Missing");
        FAIL();
    } catch (const ERegistryException& E) {
        EXPECT_EQ(E.Message, "Failed to get data for 'Missing'");
    }
    R.CloseKey();
    EXPECT_TRUE(R.KeyExists("Software\\Tessaro"));
    TStringList Keys;
    ASSERT_TRUE(R.OpenKeyReadOnly("Software\\Tessaro"));
    R.GetKeyNames(Keys);
    EXPECT_EQ(Keys.Count(), 1);
    EXPECT_EQ(Keys.Get(0), "Burn");
}

}  // namespace
