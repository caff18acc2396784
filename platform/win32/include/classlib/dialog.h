// A modal dialog built on a dialog template from the program's resources.
#pragma once

#include "platform/types.h"
#include "classlib/wnd.h"

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override = default;

    // Runs the dialog until it ends; returns the end code, or -1 when the
    // dialog could not be created.
    virtual INT_PTR DoModal();
    void EndDialog(int result);

protected:
    const MessageMap* GetMessageMap() const override;

    // The first exchange to the controls. TRUE: the focus goes to the first
    // control with a tab stop.
    virtual BOOL OnInitDialog();
    // Exchange from the controls, then end with IDOK.
    virtual void OnOK();
    // End with IDCANCEL.
    virtual void OnCancel();

    static const MessageMap messageMap;

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static const MessageMapEntry messageEntries[];

    UINT templateId_;
    CWnd* parent_;
};
