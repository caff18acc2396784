#include "tests/manager/manager_process.h"

#include <commctrl.h>

namespace {

// Generous: Wine may have to start its desktop first.
const DWORD kPatience = 30000;  // milliseconds
const DWORD kPoll = 50;

WString ManagerPath() {
    WString path(MAX_PATH, WCHAR{0});
    path.resize(::GetModuleFileNameW(nullptr, &path[0], MAX_PATH));
    return path.substr(0, path.find_last_of(WIDE('\\')) + 1) + WIDE("Manager.exe");
}

bool IsManagerProcess(DWORD processId) {
    const HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (process == nullptr) {
        return false;
    }
    WString path(MAX_PATH, WCHAR{0});
    DWORD length = MAX_PATH;
    const bool ok = ::QueryFullProcessImageNameW(process, 0, &path[0], &length);
    ::CloseHandle(process);
    path.resize(ok ? length : 0);
    return ok && ::lstrcmpiW(path.c_str(), ManagerPath().c_str()) == 0;
}

bool IsVisibleDialog(HWND window) {
    WCHAR className[16] = {};
    ::GetClassNameW(window, className, 16);
    return ::IsWindowVisible(window) && ::lstrcmpW(className, WIDE("#32770")) == 0;
}

struct DialogSearch {
    DWORD processId;  // 0: any Manager process
    HWND found;
    int count;
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<DialogSearch*>(context);
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    const bool wanted = search->processId != 0 ? processId == search->processId : IsManagerProcess(processId);
    if (wanted && IsVisibleDialog(window)) {
        search->found = window;
        ++search->count;
    }
    return TRUE;
}

}  // namespace

ManagerProcess::ManagerProcess() {
    WString commandLine = WIDE("\"") + ManagerPath() + WIDE("\"");
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (::CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        ::CloseHandle(info.hThread);
        process_ = info.hProcess;
        processId_ = info.dwProcessId;
    }
}

ManagerProcess::~ManagerProcess() {
    if (process_ == nullptr) {
        return;
    }
    if (::WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        ::TerminateProcess(process_, 1);
        ::WaitForSingleObject(process_, kPatience);
    }
    ::CloseHandle(process_);
}

HWND ManagerProcess::WaitForDialog() const {
    for (DWORD waited = 0; waited < kPatience; waited += kPoll) {
        DialogSearch search = {processId_, nullptr, 0};
        ::EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) {
            return search.found;
        }
        if (::WaitForSingleObject(process_, kPoll) == WAIT_OBJECT_0) {
            return nullptr;
        }
    }
    return nullptr;
}

DWORD ManagerProcess::WaitForExit() const {
    DWORD code = STILL_ACTIVE;
    if (::WaitForSingleObject(process_, kPatience) == WAIT_OBJECT_0) {
        ::GetExitCodeProcess(process_, &code);
    }
    return code;
}

int CountManagerDialogs() {
    DialogSearch search = {0, nullptr, 0};
    ::EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&search));
    return search.count;
}

void DialogControls::Click(int id) const { ::SendMessageW(Item(id), BM_CLICK, 0, 0); }

void DialogControls::PostClick(int id) const { ::PostMessageW(Item(id), BM_CLICK, 0, 0); }

void DialogControls::MoveSlider(int id, int position) const {
    const HWND slider = Item(id);
    ::SendMessageW(slider, TBM_SETPOS, TRUE, position);
    ::SendMessageW(dialog_, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position), reinterpret_cast<LPARAM>(slider));
    ::SendMessageW(dialog_, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(slider));
}

void DialogControls::PostSliderPosition(int id, int position) const {
    ::PostMessageW(Item(id), TBM_SETPOS, TRUE, position);
}

bool DialogControls::Checked(int id) const { return ::SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

int DialogControls::SliderPosition(int id) const { return static_cast<int>(::SendMessageW(Item(id), TBM_GETPOS, 0, 0)); }

std::string DialogControls::Text(int id) const {
    WCHAR text[256] = {};
    const LRESULT length = ::SendMessageW(Item(id), WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text));
    return ToUtf8(text, static_cast<size_t>(length));
}

RECT DialogControls::WindowRect() const {
    RECT rect = {};
    ::GetWindowRect(dialog_, &rect);
    return rect;
}

int DialogControls::FocusId() const {
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(dialog_, nullptr), &info) || info.hwndFocus == nullptr) {
        return 0;
    }
    return ::GetDlgCtrlID(info.hwndFocus);
}

bool DialogControls::WaitForText(int id, const std::string& text) const {
    for (DWORD waited = 0; waited < kPatience; waited += kPoll) {
        if (Text(id) == text) {
            return true;
        }
        ::Sleep(kPoll);
    }
    return false;
}
