#include "classlib/message_map.h"

namespace {

// A command is a click (code 0) or an accelerator (code 1); a control's other
// notifications arrive as WM_COMMAND too, but are not commands.
bool IsCommandFrom(UINT commandId, WPARAM wParam) { return LOWORD(wParam) == commandId && HIWORD(wParam) <= 1; }

}  // namespace

const MessageMap CCmdTarget::messageMap = {nullptr, nullptr, 0};

const MessageMap* CCmdTarget::GetMessageMap() const { return &messageMap; }

const MessageMapEntry* CCmdTarget::FindMessageEntry(UINT message, WPARAM wParam) const {
    for (const MessageMap* map = GetMessageMap(); map != nullptr; map = map->base) {
        for (size_t i = 0; i < map->count; ++i) {
            const MessageMapEntry& entry = map->entries[i];
            if (entry.message == message && (message != WM_COMMAND || IsCommandFrom(entry.commandId, wParam))) {
                return &entry;
            }
        }
    }
    return nullptr;
}
