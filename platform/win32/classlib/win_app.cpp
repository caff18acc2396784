#include "classlib/win_app.h"

namespace {

CWinApp* theApplication = nullptr;

}  // namespace

const MessageMap CWinApp::messageMap = {&CCmdTarget::messageMap, nullptr, 0};

const MessageMap* CWinApp::GetMessageMap() const { return &messageMap; }

CWinApp::CWinApp() { theApplication = this; }

CWinApp::~CWinApp() { theApplication = nullptr; }

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::Run() {
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

HICON CWinApp::LoadIcon(UINT id) const { return ::LoadIconW(m_hInstance, MAKEINTRESOURCEW(id)); }

CWinApp* AfxGetApp() { return theApplication; }

HINSTANCE AfxGetInstanceHandle() { return theApplication != nullptr ? theApplication->m_hInstance : nullptr; }
