// The class library's string: an owned UTF-16 string, as window texts are.
#pragma once

#include "platform/types.h"
#include "platform/utf.h"

class CString {
public:
    // Converts from and to plain strings implicitly, as the device's does.
    CString() = default;
    CString(LPCWSTR text);

    // Replaces the content with printf-style formatted text.
    void Format(LPCWSTR format, ...);

    int GetLength() const { return static_cast<int>(text_.size()); }
    bool IsEmpty() const { return text_.empty(); }
    operator LPCWSTR() const { return text_.c_str(); }

private:
    WString text_;
};
