#include "manager/settings_dialog.h"

#include <iterator>

#include "classlib/data_exchange.h"
#include "classlib/slider_ctrl.h"
#include "classlib/win_app.h"
#include "manager/resource.h"
#include "settings/settings_store.h"

namespace {

const UINT_PTR kRefreshTimer = 1;
const UINT kRefreshPeriod = 500;  // milliseconds

const WCHAR kAboutText[] = WIDE("Manager Application\r\nVersion 1.0.0.1\r\nCompression for the storage volume");

}  // namespace

const MessageMapEntry SettingsDialog::messageEntries[] = {
    TimerEntry<SettingsDialog, &SettingsDialog::OnTimer>(),
};

const MessageMap SettingsDialog::messageMap = {&CDialog::messageMap, messageEntries, std::size(messageEntries)};

const MessageMap* SettingsDialog::GetMessageMap() const { return &messageMap; }

SettingsDialog::SettingsDialog()
    : CDialog(IDD_SETTINGS, nullptr), enabled(0), level(0), icon(AfxGetApp()->LoadIcon(IDR_MAINFRAME)) {}

void SettingsDialog::DoDataExchange(CDataExchange* dx) {
    CDialog::DoDataExchange(dx);
    DDX_Check(dx, IDC_ENABLE, enabled);
    DDX_Slider(dx, IDC_LEVEL_SLIDER, level);
    DDX_Text(dx, IDC_LEVEL_TEXT, levelText);
}

BOOL SettingsDialog::OnInitDialog() {
    CDialog::OnInitDialog();

    SetIcon(icon, TRUE);
    SetIcon(icon, FALSE);
    CenterWindow();

    CSliderCtrl slider;
    slider.Attach(::GetDlgItem(m_hWnd, IDC_LEVEL_SLIDER));
    slider.SetRange(1, 9, TRUE);
    slider.Detach();

    SetDlgItemText(IDC_ABOUT, kAboutText);
    LoadSettings();
    SetTimer(kRefreshTimer, kRefreshPeriod, nullptr);
    return TRUE;
}

// The dialog always shows a valid pair, whatever the store holds.
void SettingsDialog::LoadSettings() {
    const FilterSettings settings = ReadSettingsForDialog();
    enabled = settings.enable != 0 ? 1 : 0;
    level = settings.level;
    if (level < 1) {
        level = 1;
    } else if (level > 9) {
        level = 9;
    }
    levelText.Format(WIDE("%d"), level);
    UpdateData(FALSE);
}

// Members follow the controls here and only here, so OK writes what the
// level label shows, at most one period behind the slider.
void SettingsDialog::OnTimer(UINT_PTR id) {
    if (id == kRefreshTimer) {
        UpdateData(TRUE);
        levelText.Format(WIDE("%d"), level);
        UpdateData(FALSE);
    }
    CDialog::OnTimer(id);
}

void SettingsDialog::OnOK() {
    SaveSettings();
    CDialog::OnOK();
}

void SettingsDialog::SaveSettings() { WriteSettings(static_cast<DWORD>(enabled), level); }

void SettingsDialog::OnCancel() { CDialog::OnCancel(); }
