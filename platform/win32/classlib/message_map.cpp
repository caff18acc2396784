#include "classlib/message_map.h"

const MessageMap CCmdTarget::messageMap = {nullptr, nullptr, 0};

const MessageMap* CCmdTarget::GetMessageMap() const { return &messageMap; }

const MessageMapEntry* CCmdTarget::FindMessageEntry(UINT message, WPARAM wParam) const {
    for (const MessageMap* map = GetMessageMap(); map != nullptr; map = map->base) {
        for (size_t i = 0; i < map->count; ++i) {
            const MessageMapEntry& entry = map->entries[i];
            if (entry.message == message && (message != WM_COMMAND || entry.commandId == LOWORD(wParam))) {
                return &entry;
            }
        }
    }
    return nullptr;
}
