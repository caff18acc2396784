// Resource ids of Manager.
#pragma once

#define IDR_MAINFRAME 128
#define IDD_SETTINGS 102

#define IDC_LEVEL_SLIDER 1000
#define IDC_ENABLE 1001
#define IDC_LEVEL_TEXT 1003
#define IDC_ABOUT 1006
// The group box and the slider's end labels have no id of their own.
#define IDC_NONE 0xFFFF
