#include "classlib/single_instance.h"

#include "platform/utf.h"

namespace {

// The program file's full path, lower-cased: Win32 paths ignore case.
WString ProgramPath(HANDLE process) {
    WString path(MAX_PATH, WCHAR{0});
    DWORD length = static_cast<DWORD>(path.size());
    if (!::QueryFullProcessImageNameW(process, 0, &path[0], &length)) {
        return WString();
    }
    path.resize(length);
    ::CharLowerBuffW(&path[0], length);
    return path;
}

// Mutex names may not hold a backslash.
WString MutexName(WString path) {
    for (WCHAR& unit : path) {
        if (unit == WIDE('\\')) {
            unit = WIDE('/');
        }
    }
    return WIDE("Morvane.instance:") + path;
}

struct WindowSearch {
    WString path;
    DWORD ownProcess;
    HWND found;
};

// A visible, unowned top-level window of another process of the same program file.
BOOL CALLBACK MatchWindow(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<WindowSearch*>(context);
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    if (processId == search->ownProcess || !::IsWindowVisible(window) || ::GetWindow(window, GW_OWNER) != nullptr) {
        return TRUE;
    }
    const HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (process == nullptr) {
        return TRUE;
    }
    const bool same = ProgramPath(process) == search->path;
    ::CloseHandle(process);
    if (!same) {
        return TRUE;
    }
    search->found = window;
    return FALSE;
}

}  // namespace

InstanceClaim::InstanceClaim()
    : mutex_(::CreateMutexW(nullptr, FALSE, MutexName(ProgramPath(::GetCurrentProcess())).c_str())),
      otherInstance_(mutex_ != nullptr && ::GetLastError() == ERROR_ALREADY_EXISTS) {}

InstanceClaim::~InstanceClaim() {
    if (mutex_ != nullptr) {
        ::CloseHandle(mutex_);
    }
}

BOOL ActivateOtherInstance() {
    WindowSearch search = {ProgramPath(::GetCurrentProcess()), ::GetCurrentProcessId(), nullptr};
    for (int look = 0; look < 3; ++look) {
        ::EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) {
            if (::IsIconic(search.found)) {
                ::ShowWindow(search.found, SW_RESTORE);
            }
            ::SetForegroundWindow(search.found);
            return TRUE;
        }
        ::Sleep(1000);
    }
    return FALSE;
}
