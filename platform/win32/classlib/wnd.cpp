#include "classlib/wnd.h"

#include "classlib/data_exchange.h"

BOOL CWnd::Attach(HWND window) {
    m_hWnd = window;
    return window != nullptr;
}

HWND CWnd::Detach() {
    const HWND window = m_hWnd;
    m_hWnd = nullptr;
    return window;
}

BOOL CWnd::UpdateData(BOOL saveAndValidate) {
    CDataExchange dx(this, saveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

void CWnd::DoDataExchange(CDataExchange*) {}

void CWnd::SetIcon(HICON icon, BOOL bigIcon) {
    ::SendMessageW(m_hWnd, WM_SETICON, bigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

void CWnd::CenterWindow() {
    RECT workArea;
    RECT window;
    if (!::SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0) || !::GetWindowRect(m_hWnd, &window)) {
        return;
    }
    const LONG width = window.right - window.left;
    const LONG height = window.bottom - window.top;
    const LONG x = workArea.left + (workArea.right - workArea.left - width) / 2;
    const LONG y = workArea.top + (workArea.bottom - workArea.top - height) / 2;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWnd::SetDlgItemText(int id, LPCWSTR text) { ::SetDlgItemTextW(m_hWnd, id, text); }

UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT elapse, TIMERPROC callback) {
    return ::SetTimer(m_hWnd, id, elapse, callback);
}

// Messages reach a dialog through its dialog procedure, whose FALSE result is
// what hands a message to the default dialog handling; so Default marks the
// message and the procedure answers FALSE once the handler returns.
LRESULT CWnd::Default() {
    passOn_ = true;
    return 0;
}

void CWnd::OnTimer(UINT_PTR) { Default(); }

BOOL CWnd::RouteMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const MessageMapEntry* entry = FindMessageEntry(message, wParam);
    if (entry == nullptr) {
        return FALSE;
    }
    // A handler may send messages to its own window; each keeps its own mark.
    const bool outer = passOn_;
    passOn_ = false;
    entry->dispatch(this, wParam, lParam);
    const bool passedOn = passOn_;
    passOn_ = outer;
    return passedOn ? FALSE : TRUE;
}
