// The application object. A program defines exactly one, as a global; the
// library's entry point runs the one-instance start-up, then InitInstance.
#pragma once

#include "platform/types.h"
#include "classlib/wnd.h"

class CWinApp : public CCmdTarget {
public:
    CWinApp();
    ~CWinApp() override;

    // FALSE ends the program without a message loop.
    virtual BOOL InitInstance();
    // The message loop, entered when InitInstance returned TRUE; its result
    // is the exit code.
    virtual int Run();

    HICON LoadIcon(UINT id) const;

    HINSTANCE m_hInstance = nullptr;
    // Cleared when that window is destroyed.
    CWnd* m_pMainWnd = nullptr;

protected:
    const MessageMap* GetMessageMap() const override;
    static const MessageMap messageMap;
};

CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();
