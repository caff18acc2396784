// The filter's two settings, kept as REG_DWORD values "ENABLE" and "LEVEL" in
// the key HKEY_LOCAL_MACHINE\System\StorageManager\FATFS\Filters\Morvane.
// The filter reads them at every close; Manager reads them when its dialog
// opens and writes them on OK. Nothing is cached, nothing creates the key.
#pragma once

#include "platform/types.h"

extern const WCHAR kFilterSettingsKey[];

struct FilterSettings {
    DWORD enable;  // 0: off, anything else: on
    LONG level;    // the zlib level, passed to compress2 unchanged
};

// The filter's read: a missing key or value leaves ENABLE 0 (off) and LEVEL 9.
FilterSettings ReadSettingsForFilter();

// The dialog's read: a missing key or value shows as ENABLE 0 and LEVEL 9;
// the dialog normalises whatever it reads.
FilterSettings ReadSettingsForDialog();

// Sets "ENABLE", then "LEVEL". When the key is missing nothing is written and
// nothing is created. Results are not reported.
void WriteSettings(DWORD enable, LONG level);
