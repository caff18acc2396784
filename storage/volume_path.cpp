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
