#include <algorithm>

#include "storage/volume_path.h"

WString ToVolumePath(const std::string& hostSpelling) {
    WString path = ToUtf16(hostSpelling);
    for (WCHAR& unit : path) {
        if (unit == '/') {
            unit = '\\';
        }
    }
    if (path.empty() || path[0] != '\\') {
        path.insert(path.begin(), WCHAR('\\'));
    }
    while (path.size() > 1 && path.back() == '\\') {
        path.pop_back();
    }
    return path;
}

WString JoinVolumePath(const WString& directory, const WString& name) {
    WString path = directory;
    if (path.empty() || path.back() != '\\') {
        path += WCHAR('\\');
    }
    return path + name;
}

bool IsTemporaryName(const WString& name) {
    if (name.size() < 4 || name.size() > 13 || name.compare(0, 3, WIDE("TMP")) != 0) {
        return false;
    }
    return std::all_of(name.begin() + 3, name.end(), [](WCHAR unit) { return unit >= '0' && unit <= '9'; });
}
