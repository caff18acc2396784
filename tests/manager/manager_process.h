// Drives Manager.exe from a test: starts it, finds its dialog, works the
// controls as a user would through the window manager, and waits for it to end.
#pragma once

#include <string>

#include "platform/types.h"
#include "platform/utf.h"

class ManagerProcess {
public:
    // Starts the Manager.exe that lies next to the running test program.
    ManagerProcess();
    ManagerProcess(const ManagerProcess&) = delete;
    ManagerProcess& operator=(const ManagerProcess&) = delete;
    // Ends a process the test left running.
    ~ManagerProcess();

    bool Started() const { return process_ != nullptr; }

    // The process's visible dialog, once it shows; null if it never does.
    HWND WaitForDialog() const;
    // The exit code once the process has ended; STILL_ACTIVE if it does not end.
    DWORD WaitForExit() const;

private:
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
};

// The visible top-level dialogs of every running Manager.exe.
int CountManagerDialogs();

// The controls of a dialog in another process, reached by id.
class DialogControls {
public:
    explicit DialogControls(HWND dialog) : dialog_(dialog) {}

    void Click(int id) const;
    // Posted rather than sent: the click is handled in the dialog's own turn.
    void PostClick(int id) const;
    // Moves the trackbar as a drag would, with the notifications of one.
    void MoveSlider(int id, int position) const;
    // Posted: queued ahead of any timer message that falls due meanwhile.
    void PostSliderPosition(int id, int position) const;

    bool Checked(int id) const;
    int SliderPosition(int id) const;
    std::string Text(int id) const;
    RECT WindowRect() const;
    // The id of the control that has the keyboard focus, or 0.
    int FocusId() const;
    // Waits until the control shows the text; false if it never does.
    bool WaitForText(int id, const std::string& text) const;

private:
    HWND Item(int id) const { return ::GetDlgItem(dialog_, id); }

    HWND dialog_;
};
