#include "classlib/dialog.h"

#include <commctrl.h>

#include <iterator>

#include "classlib/win_app.h"

const MessageMapEntry CDialog::messageEntries[] = {
    CommandEntry<CDialog, &CDialog::OnOK>(IDOK),
    CommandEntry<CDialog, &CDialog::OnCancel>(IDCANCEL),
};

const MessageMap CDialog::messageMap = {&CWnd::messageMap, messageEntries, std::size(messageEntries)};

const MessageMap* CDialog::GetMessageMap() const { return &messageMap; }

CDialog::CDialog(UINT templateId, CWnd* parent) : templateId_(templateId), parent_(parent) {}

INT_PTR CDialog::DoModal() {
    // The template may hold the trackbar, whose class the common controls
    // library registers.
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&controls);
    const HWND parent = parent_ != nullptr ? parent_->m_hWnd : nullptr;
    return ::DialogBoxParamW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(templateId_), parent, DialogProc,
                             reinterpret_cast<LPARAM>(this));
}

void CDialog::EndDialog(int result) { ::EndDialog(m_hWnd, result); }

// On the device the class library also asks the shell here to show the dialog
// full screen with a done button and the input panel lowered; a desktop has no
// such presentation, so that step is left out.
BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    UpdateData(TRUE);
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<CDialog*>(lParam);
        ::SetWindowLongPtrW(window, DWLP_USER, lParam);
        dialog->m_hWnd = window;
        return dialog->OnInitDialog();
    }
    // Messages before WM_INITDIALOG find no object yet.
    auto* dialog = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(window, DWLP_USER));
    if (dialog == nullptr) {
        return FALSE;
    }
    if (message == WM_NCDESTROY) {
        CWinApp* app = AfxGetApp();
        if (app != nullptr && app->m_pMainWnd == dialog) {
            app->m_pMainWnd = nullptr;
        }
        dialog->m_hWnd = nullptr;
        ::SetWindowLongPtrW(window, DWLP_USER, 0);
        return FALSE;
    }
    return dialog->RouteMessage(message, wParam, lParam);
}
