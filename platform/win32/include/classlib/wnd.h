// A window: the handle, data exchange, and the message handling shared by
// every window class of the library.
#pragma once

#include "platform/types.h"
#include "classlib/message_map.h"

class CDataExchange;

class CWnd : public CCmdTarget {
public:
    CWnd() = default;

    // Wraps an existing window without owning it; Detach gives it back.
    BOOL Attach(HWND window);
    HWND Detach();
    HWND GetSafeHwnd() const { return m_hWnd; }

    // TRUE: controls to members; FALSE: members to controls. Always succeeds.
    BOOL UpdateData(BOOL saveAndValidate = TRUE);

    void SetIcon(HICON icon, BOOL bigIcon);
    // Centres the window on the screen's work area.
    void CenterWindow();
    void SetDlgItemText(int id, LPCWSTR text);
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse, TIMERPROC callback);

    HWND m_hWnd = nullptr;

protected:
    virtual void DoDataExchange(CDataExchange* dx);

    // Hands the message being handled on to the window's default handling.
    LRESULT Default();
    void OnTimer(UINT_PTR id);

    // Routes a message through the map. Returns FALSE when no handler took
    // it, or when the handler passed it on with Default.
    BOOL RouteMessage(UINT message, WPARAM wParam, LPARAM lParam);

private:
    bool passOn_ = false;
};
