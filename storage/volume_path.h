// Names on the volume are UTF-16 paths from its root, beginning with a
// backslash. Hosts spell them with either slash, with or without the leading
// one: "a/b.txt", "/a/b.txt" and "\a\b.txt" all name \a\b.txt. Nothing is
// resolved here: ".." and the like reach the lower layer, which refuses them.
#pragma once

#include <string>

#include "platform/utf.h"

WString ToVolumePath(const std::string& hostSpelling);

// "\a" and "b" give "\a\b"; the root "\" and "b" give "\b".
WString JoinVolumePath(const WString& directory, const WString& name);

// True for a name of the form the filter gives the temporary files it keeps
// in the volume root, its working copies and new copies: "TMP" and 1 to 10
// decimal digits, without the leading backslash.
bool IsTemporaryName(const WString& name);
