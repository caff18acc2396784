// The message map: a per-class table that routes window messages to member
// handlers. Each class with a map holds one static MessageMap whose base is
// its parent class's map; lookup walks from the most derived class upwards,
// so a derived entry takes precedence over its base's.
//
// An entry is written with one of the builders below, inside the class's own
// scope (the definition of its static table), where its protected handlers
// are accessible:
//
//   const MessageMapEntry SettingsDialog::messageEntries[] = {
//       TimerEntry<SettingsDialog, &SettingsDialog::OnTimer>(),
//   };
#pragma once

#include <cstddef>

#include "platform/types.h"

class CCmdTarget;

struct MessageMapEntry {
    UINT message;
    UINT commandId;  // WM_COMMAND only: the command or control id it answers
    void (*dispatch)(CCmdTarget* target, WPARAM wParam, LPARAM lParam);
};

struct MessageMap {
    const MessageMap* base;  // null at the root
    const MessageMapEntry* entries;
    size_t count;
};

// The root of every class with a message map.
class CCmdTarget {
public:
    CCmdTarget() = default;
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;
    virtual ~CCmdTarget() = default;
    virtual const MessageMap* GetMessageMap() const;

    // The first entry of this object's map chain that answers the message, or null.
    const MessageMapEntry* FindMessageEntry(UINT message, WPARAM wParam) const;

protected:
    static const MessageMap messageMap;
};

// WM_TIMER with the timer id.
template <class T, void (T::*handler)(UINT_PTR)>
constexpr MessageMapEntry TimerEntry() {
    return MessageMapEntry{WM_TIMER, 0, [](CCmdTarget* target, WPARAM wParam, LPARAM) {
                               (static_cast<T*>(target)->*handler)(static_cast<UINT_PTR>(wParam));
                           }};
}

// WM_COMMAND from one command or control id: a click or an accelerator.
template <class T, void (T::*handler)()>
constexpr MessageMapEntry CommandEntry(UINT commandId) {
    return MessageMapEntry{WM_COMMAND, commandId,
                           [](CCmdTarget* target, WPARAM, LPARAM) { (static_cast<T*>(target)->*handler)(); }};
}
