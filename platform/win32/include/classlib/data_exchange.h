// Dialog data exchange: moves values between a dialog's members and its
// controls, one direction per exchange. Nothing is validated, so an exchange
// never fails.
#pragma once

#include "platform/types.h"
#include "classlib/cstring.h"

class CWnd;

class CDataExchange {
public:
    CDataExchange(CWnd* dialog, BOOL saveAndValidate) : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog) {}

    HWND GetControl(int id) const;

    BOOL m_bSaveAndValidate;  // TRUE: controls to members; FALSE: members to controls
    CWnd* m_pDlgWnd;
};

// A check box's state: 0 cleared, 1 checked, 2 indeterminate.
void DDX_Check(CDataExchange* dx, int id, int& value);

// A trackbar's position; set with redraw.
void DDX_Slider(CDataExchange* dx, int id, int& value);

// A control's window text.
void DDX_Text(CDataExchange* dx, int id, CString& value);
