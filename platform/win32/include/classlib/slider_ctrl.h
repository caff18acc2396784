// The trackbar control ("msctls_trackbar32").
#pragma once

#include "classlib/wnd.h"

class CSliderCtrl : public CWnd {
public:
    void SetRange(int minimum, int maximum, BOOL redraw = FALSE);
};
