// UTF-8 and UTF-16 conversions for the hosts and tools: volume names are
// UTF-16 in both builds, host paths and command lines are UTF-8.
#pragma once

#include <string>

#include "platform/types.h"

using WString = std::basic_string<WCHAR>;

// An unpaired surrogate becomes U+FFFD.
std::string ToUtf8(const WCHAR* text, size_t units);
std::string ToUtf8(const WString& text);

// An invalid byte sequence becomes U+FFFD.
WString ToUtf16(const std::string& text);

// Strict variant for names that must round-trip: false on an unpaired
// surrogate, leaving *out unspecified.
bool ToUtf8Strict(const WCHAR* text, size_t units, std::string* out);
