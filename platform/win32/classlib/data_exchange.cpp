#include "classlib/data_exchange.h"

#include <commctrl.h>

#include "classlib/wnd.h"

HWND CDataExchange::GetControl(int id) const { return ::GetDlgItem(m_pDlgWnd->m_hWnd, id); }

void DDX_Check(CDataExchange* dx, int id, int& value) {
    const HWND control = dx->GetControl(id);
    if (dx->m_bSaveAndValidate) {
        value = static_cast<int>(::SendMessageW(control, BM_GETCHECK, 0, 0));
    } else {
        ::SendMessageW(control, BM_SETCHECK, static_cast<WPARAM>(value), 0);
    }
}

void DDX_Slider(CDataExchange* dx, int id, int& value) {
    const HWND control = dx->GetControl(id);
    if (dx->m_bSaveAndValidate) {
        value = static_cast<int>(::SendMessageW(control, TBM_GETPOS, 0, 0));
    } else {
        ::SendMessageW(control, TBM_SETPOS, TRUE, static_cast<LPARAM>(value));
    }
}

void DDX_Text(CDataExchange* dx, int id, CString& value) {
    const HWND control = dx->GetControl(id);
    if (dx->m_bSaveAndValidate) {
        WString text(static_cast<size_t>(::GetWindowTextLengthW(control)), WCHAR{0});
        ::GetWindowTextW(control, &text[0], static_cast<int>(text.size()) + 1);
        value = text.c_str();
    } else {
        ::SetWindowTextW(control, value);
    }
}
