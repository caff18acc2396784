// The settings store's three operations over the build's registry: the
// registry file on Linux, the real registry under Wine.
#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include "tests/settings/test_registry.h"

namespace {

const WCHAR kEnable[] = WIDE("ENABLE");
const WCHAR kLevel[] = WIDE("LEVEL");

void ExpectSettings(const FilterSettings& actual, DWORD enable, LONG level) {
    EXPECT_EQ(actual.enable, enable);
    EXPECT_EQ(actual.level, level);
}

TEST(SettingsStore, MissingKeyReadsAsOffAtLevelNineAndIsNeverCreated) {
    TestRegistry registry;
    ExpectSettings(ReadSettingsForFilter(), 0, 9);
    ExpectSettings(ReadSettingsForDialog(), 0, 9);
    WriteSettings(1, 5);
    EXPECT_FALSE(registry.FilterKeyExists());
}

TEST(SettingsStore, KeyWithoutValuesReadsAsOffAtLevelNine) {
    TestRegistry registry;
    registry.CreateFilterKey();
    ExpectSettings(ReadSettingsForFilter(), 0, 9);
    ExpectSettings(ReadSettingsForDialog(), 0, 9);
}

// Both readers give what is stored, unchanged; a missing value reads as its
// preset. Making sense of odd values is the packer's and the dialog's task.
TEST(SettingsStore, ReadersGiveTheStoredValues) {
    struct Case {
        const char* what;
        bool hasEnable;
        DWORD enable;
        bool hasLevel;
        DWORD level;
        DWORD expectedEnable;
        LONG expectedLevel;
    };
    const Case cases[] = {
        {"LEVEL absent, ENABLE 1: level 9", true, 1, false, 0, 1, 9},
        {"ENABLE absent: off", false, 0, true, 4, 0, 4},
        {"LEVEL 0 from another tool", true, 1, true, 0, 1, 0},
        {"LEVEL 12, which zlib refuses", true, 1, true, 12, 1, 12},
        {"ENABLE 5: on", true, 5, true, 9, 5, 9},
        {"LEVEL 0xFFFFFFFF: zlib's default, -1", true, 1, true, 0xFFFFFFFFu, 1, -1},
        {"ENABLE 0 with a level", true, 0, true, 3, 0, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestRegistry registry;
        registry.CreateFilterKey();
        if (c.hasEnable) {
            registry.SetValue(kEnable, c.enable);
        }
        if (c.hasLevel) {
            registry.SetValue(kLevel, c.level);
        }
        ExpectSettings(ReadSettingsForFilter(), c.expectedEnable, c.expectedLevel);
        ExpectSettings(ReadSettingsForDialog(), c.expectedEnable, c.expectedLevel);
    }
}

TEST(SettingsStore, WriteStoresBothValuesInTheExistingKey) {
    TestRegistry registry;
    registry.CreateFilterKey();
    WriteSettings(1, 3);
    DWORD enable = 0;
    DWORD level = 0;
    ASSERT_TRUE(registry.GetValue(kEnable, &enable));
    ASSERT_TRUE(registry.GetValue(kLevel, &level));
    EXPECT_EQ(enable, 1u);
    EXPECT_EQ(level, 3u);

    WriteSettings(0, 9);
    ExpectSettings(ReadSettingsForDialog(), 0, 9);
}

// Nothing is cached: every read sees the registry as it is at that moment.
TEST(SettingsStore, EachReadSeesTheLatestChange) {
    TestRegistry registry;
    registry.CreateFilterKey();
    registry.SetValue(kEnable, 1);
    registry.SetValue(kLevel, 5);
    ExpectSettings(ReadSettingsForFilter(), 1, 5);
    registry.SetValue(kLevel, 2);
    ExpectSettings(ReadSettingsForFilter(), 1, 2);
}

TEST(SettingsStore, InstallFileSwitchesCompressionOnAtLevelNine) {
    TestRegistry registry;
    registry.ImportInstallFile();
    ExpectSettings(ReadSettingsForFilter(), 1, 9);
    ExpectSettings(ReadSettingsForDialog(), 1, 9);
}

}  // namespace
