// The settings dialog: a check box for ENABLE and a slider from 1 to 9 for
// LEVEL. It loads the settings when it opens, refreshes its members from the
// controls every 500 ms, and writes them on OK.
#pragma once

#include "classlib/cstring.h"
#include "classlib/dialog.h"

class SettingsDialog : public CDialog {
public:
    SettingsDialog();
    ~SettingsDialog() override = default;

protected:
    const MessageMap* GetMessageMap() const override;
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    void OnTimer(UINT_PTR id);

    static const MessageMap messageMap;

private:
    void LoadSettings();
    void SaveSettings();

    static const MessageMapEntry messageEntries[];

    int enabled;  // 0 off, 1 on
    int level;    // 1 to 9 once loaded
    CString levelText;
    HICON icon;
};
