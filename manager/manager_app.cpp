#include "manager/manager_app.h"

#include "manager/settings_dialog.h"

// No handlers of its own: the application's map only chains to its base.
const MessageMap ManagerApp::messageMap = {&CWinApp::messageMap, nullptr, 0};

const MessageMap* ManagerApp::GetMessageMap() const { return &messageMap; }

// The dialog is the whole program: once it ends, however it ends, FALSE
// ends the program without a message loop.
BOOL ManagerApp::InitInstance() {
    SettingsDialog dialog;
    m_pMainWnd = &dialog;
    dialog.DoModal();
    return FALSE;
}

ManagerApp theApp;
