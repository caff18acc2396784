// How the volume reads names: splitting a path into components, the rules a
// component must keep, case folding, and search patterns.
#pragma once

#include <vector>

#include "platform/types.h"
#include "platform/utf.h"

// Splits an absolute path ("\a\b", "/" also separates) into its components;
// the root has none. Returns 0 or the Win32 error for a bad name. With
// `patternLast`, the last component may hold "*" and "?".
DWORD SplitPath(const WCHAR* path, bool patternLast, std::vector<WString>* components);

// The form names are compared in: letters folded to upper case.
WString FoldName(const WString& name);

// Whether `name` matches `pattern` ("*" any run, "?" one unit), both folded.
bool MatchesPattern(const WString& pattern, const WString& name);
