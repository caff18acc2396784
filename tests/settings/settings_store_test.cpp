// The settings store's three operations over the build's registry: the
// registry file on Linux, the real registry under Wine.
#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include <optional>

#include "tests/support/settings_seed.h"

namespace {

// Every test starts and ends without the filter's key.
class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override { RemoveSettingsKey(); }
    void TearDown() override { RemoveSettingsKey(); }
};

void ExpectSettings(const FilterSettings& actual, DWORD enable, LONG level) {
    EXPECT_EQ(actual.enable, enable);
    EXPECT_EQ(actual.level, level);
}

TEST_F(SettingsStoreTest, MissingKeyReadsAsOffAtLevelNineAndIsNeverCreated) {
    ExpectSettings(ReadSettingsForFilter(), 0, 9);
    ExpectSettings(ReadSettingsForDialog(), 0, 9);
    WriteSettings(1, 5);
    EXPECT_FALSE(SettingsKeyExists());
}

// Both readers give what is stored, unchanged; a missing value reads as its
// preset. Making sense of odd values is the packer's and the dialog's task.
TEST_F(SettingsStoreTest, ReadersGiveTheStoredValues) {
    struct Case {
        const char* what;
        std::optional<DWORD> enable;
        std::optional<DWORD> level;
        DWORD expectedEnable;
        LONG expectedLevel;
    };
    const Case cases[] = {
        {"no values: off, level 9", std::nullopt, std::nullopt, 0, 9},
        {"LEVEL absent, ENABLE 1: level 9", 1, std::nullopt, 1, 9},
        {"ENABLE absent: off", std::nullopt, 4, 0, 4},
        {"LEVEL 0 from another tool", 1, 0, 1, 0},
        {"LEVEL 12, which zlib refuses", 1, 12, 1, 12},
        {"ENABLE 5: on", 5, 9, 5, 9},
        {"LEVEL 0xFFFFFFFF: zlib's default, -1", 1, 0xFFFFFFFFu, 1, -1},
        {"ENABLE 0 with a level", 0, 3, 0, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RemoveSettingsKey();
        SeedSettings(c.enable, c.level);
        ExpectSettings(ReadSettingsForFilter(), c.expectedEnable, c.expectedLevel);
        ExpectSettings(ReadSettingsForDialog(), c.expectedEnable, c.expectedLevel);
    }
}

TEST_F(SettingsStoreTest, WriteStoresBothValuesInTheExistingKey) {
    SeedSettings(std::nullopt, std::nullopt);
    WriteSettings(1, 3);
    DWORD enable = 0;
    DWORD level = 0;
    ASSERT_TRUE(ReadSeededValue(WIDE("ENABLE"), &enable));
    ASSERT_TRUE(ReadSeededValue(WIDE("LEVEL"), &level));
    EXPECT_EQ(enable, 1u);
    EXPECT_EQ(level, 3u);

    WriteSettings(0, 9);
    ExpectSettings(ReadSettingsForDialog(), 0, 9);
}

// Nothing is cached: every read sees the registry as it is at that moment.
TEST_F(SettingsStoreTest, EachReadSeesTheLatestChange) {
    SeedSettings(1, 5);
    ExpectSettings(ReadSettingsForFilter(), 1, 5);
    SeedSettings(1, 2);
    ExpectSettings(ReadSettingsForFilter(), 1, 2);
    RemoveSettingsKey();
    ExpectSettings(ReadSettingsForFilter(), 0, 9);
}

TEST_F(SettingsStoreTest, InstallFileSwitchesCompressionOnAtLevelNine) {
    ImportInstallFile();
    ExpectSettings(ReadSettingsForFilter(), 1, 9);
    ExpectSettings(ReadSettingsForDialog(), 1, 9);
}

}  // namespace
