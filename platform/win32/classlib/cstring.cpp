#include "classlib/cstring.h"

#include <cstdarg>
#include <cstdio>

CString::CString(LPCWSTR text) : text_(text != nullptr ? text : WIDE("")) {}

void CString::Format(LPCWSTR format, ...) {
    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    const int length = _vscwprintf(format, measure);
    va_end(measure);
    if (length < 0) {
        text_.clear();
    } else {
        text_.resize(static_cast<size_t>(length));
        // The string's own terminator slot takes the formatted terminator.
        _vsnwprintf(&text_[0], static_cast<size_t>(length) + 1, format, args);
    }
    va_end(args);
}
