#include "classlib/slider_ctrl.h"

#include <commctrl.h>

void CSliderCtrl::SetRange(int minimum, int maximum, BOOL redraw) {
    ::SendMessageW(m_hWnd, TBM_SETRANGE, redraw, MAKELPARAM(minimum, maximum));
}
