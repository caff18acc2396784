// Manager's dialog in a real window: each test stores settings in the real
// registry, starts Manager.exe, works its controls and reads the registry
// after the program has ended.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "manager/resource.h"
#include "tests/manager/manager_process.h"
#include "tests/support/settings_seed.h"

namespace {

const WCHAR kEnable[] = WIDE("ENABLE");
const WCHAR kLevel[] = WIDE("LEVEL");

// The value the registry holds, or nothing when it or the key is missing.
std::optional<DWORD> Stored(const WCHAR* name) {
    DWORD value = 0;
    if (!ReadSeededValue(name, &value)) {
        return std::nullopt;
    }
    return value;
}

class ManagerDialog : public ::testing::Test {
protected:
    void SetUp() override { RemoveSettingsKey(); }
    void TearDown() override { RemoveSettingsKey(); }

    // Starts Manager and waits for its dialog.
    DialogControls Open() {
        manager_ = std::make_unique<ManagerProcess>();
        EXPECT_TRUE(manager_->Started());
        const HWND dialog = manager_->WaitForDialog();
        EXPECT_NE(dialog, nullptr) << "Manager showed no dialog";
        return DialogControls(dialog);
    }

    DWORD ExitCode() const { return manager_->WaitForExit(); }

private:
    std::unique_ptr<ManagerProcess> manager_;
};

struct StoredCase {
    std::optional<DWORD> enable;  // nothing: the value is missing
    std::optional<DWORD> level;
    bool shownChecked;
    int shownLevel;
};

class StoredSettings : public ManagerDialog, public ::testing::WithParamInterface<StoredCase> {};

// OK with no change writes both values, as the dialog normalised them; the
// label shows the level from the first display on, never its template text.
TEST_P(StoredSettings, ShowNormalisedAndOkWritesThem) {
    const StoredCase& c = GetParam();
    SeedSettings(c.enable, c.level);
    const DialogControls dialog = Open();
    if (HasFailure()) {
        return;
    }

    EXPECT_EQ(dialog.Text(IDC_LEVEL_TEXT), std::to_string(c.shownLevel));
    EXPECT_EQ(dialog.Checked(IDC_ENABLE), c.shownChecked);
    EXPECT_EQ(dialog.SliderPosition(IDC_LEVEL_SLIDER), c.shownLevel);

    dialog.Click(IDOK);
    EXPECT_EQ(ExitCode(), DWORD{0});
    EXPECT_EQ(Stored(kEnable), DWORD{c.shownChecked ? 1u : 0u});
    EXPECT_EQ(Stored(kLevel), static_cast<DWORD>(c.shownLevel));
}

INSTANTIATE_TEST_SUITE_P(Normalisation, StoredSettings,
                         ::testing::Values(StoredCase{1, 0, true, 1},            // below the range
                                           StoredCase{1, 12, true, 9},           // above it
                                           StoredCase{1, 0xFFFFFFFF, true, 1},   // -1 as a signed value
                                           StoredCase{5, 12, true, 9},           // both values change
                                           StoredCase{0, 7, false, 7},           // in range: unchanged
                                           StoredCase{std::nullopt, 4, false, 4},  // no ENABLE: off
                                           StoredCase{1, std::nullopt, true, 9}));  // no LEVEL: 9

// Centred on the work area, the about text in its box and the focus on the
// check box, the first tab stop. (The icon is checked on the X window by the
// user-style test: under Wine another process reads no icon with WM_GETICON.)
TEST_F(ManagerDialog, Presentation) {
    SeedSettings(1, 9);
    const DialogControls dialog = Open();
    if (HasFailure()) {
        return;
    }

    RECT workArea;
    ASSERT_TRUE(::SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0));
    const RECT window = dialog.WindowRect();
    EXPECT_LE(std::abs((window.left - workArea.left) - (workArea.right - window.right)), 1);
    EXPECT_LE(std::abs((window.top - workArea.top) - (workArea.bottom - window.bottom)), 1);

    const std::string about = dialog.Text(IDC_ABOUT);
    EXPECT_EQ(about.substr(0, about.find("\r\n")), "Manager Application");
    EXPECT_EQ(std::count(about.begin(), about.end(), '\n'), 2) << about;

    EXPECT_EQ(dialog.FocusId(), IDC_ENABLE);

    dialog.Click(IDCANCEL);
    EXPECT_EQ(ExitCode(), DWORD{0});
}

TEST_F(ManagerDialog, OkWritesTheChangedControls) {
    SeedSettings(0, 5);
    const DialogControls dialog = Open();
    if (HasFailure()) {
        return;
    }

    dialog.Click(IDC_ENABLE);
    dialog.MoveSlider(IDC_LEVEL_SLIDER, 8);
    ASSERT_TRUE(dialog.WaitForText(IDC_LEVEL_TEXT, "8")) << "no refresh showed the new level";
    dialog.Click(IDOK);

    EXPECT_EQ(ExitCode(), DWORD{0});
    EXPECT_EQ(Stored(kEnable), DWORD{1});
    EXPECT_EQ(Stored(kLevel), DWORD{8});
}

TEST_F(ManagerDialog, CancelAfterChangesWritesNothing) {
    SeedSettings(5, 12);
    const DialogControls dialog = Open();
    if (HasFailure()) {
        return;
    }

    dialog.Click(IDC_ENABLE);
    dialog.MoveSlider(IDC_LEVEL_SLIDER, 3);
    ASSERT_TRUE(dialog.WaitForText(IDC_LEVEL_TEXT, "3"));
    dialog.Click(IDC_ENABLE);
    dialog.MoveSlider(IDC_LEVEL_SLIDER, 6);
    dialog.Click(IDCANCEL);

    EXPECT_EQ(ExitCode(), DWORD{0});
    EXPECT_EQ(Stored(kEnable), DWORD{5});
    EXPECT_EQ(Stored(kLevel), DWORD{12});
}

// The move and the click are queued together, so no refresh falls between
// them: OK writes the level the label still shows.
TEST_F(ManagerDialog, OkBeforeTheNextRefreshWritesTheShownLevel) {
    SeedSettings(1, 4);
    const DialogControls dialog = Open();
    if (HasFailure()) {
        return;
    }

    ASSERT_EQ(dialog.Text(IDC_LEVEL_TEXT), "4");
    dialog.PostSliderPosition(IDC_LEVEL_SLIDER, 7);
    dialog.PostClick(IDOK);

    EXPECT_EQ(ExitCode(), DWORD{0});
    EXPECT_EQ(Stored(kLevel), DWORD{4});
}

TEST_F(ManagerDialog, MissingKeyShowsOffAndNineAndOkCreatesNothing) {
    const DialogControls dialog = Open();
    if (HasFailure()) {
        return;
    }

    EXPECT_FALSE(dialog.Checked(IDC_ENABLE));
    EXPECT_EQ(dialog.SliderPosition(IDC_LEVEL_SLIDER), 9);
    EXPECT_EQ(dialog.Text(IDC_LEVEL_TEXT), "9");

    dialog.Click(IDC_ENABLE);
    dialog.MoveSlider(IDC_LEVEL_SLIDER, 2);
    ASSERT_TRUE(dialog.WaitForText(IDC_LEVEL_TEXT, "2"));
    dialog.Click(IDOK);

    EXPECT_EQ(ExitCode(), DWORD{0});
    EXPECT_FALSE(SettingsKeyExists());
}

TEST_F(ManagerDialog, SecondStartBringsTheFirstForwardAndExitsMinusOne) {
    SeedSettings(1, 9);
    const DialogControls dialog = Open();
    if (HasFailure()) {
        return;
    }

    ManagerProcess second;
    ASSERT_TRUE(second.Started());
    EXPECT_EQ(second.WaitForExit(), static_cast<DWORD>(-1));
    EXPECT_EQ(CountManagerDialogs(), 1);

    dialog.Click(IDCANCEL);
    EXPECT_EQ(ExitCode(), DWORD{0});
}

}  // namespace
