#include "lower/memory/handle_table.h"

DWORD_PTR HandleTable::Add(OpenHandle handle) {
    DWORD number = last_;
    do {
        number = number + 1 == kWordSpan ? 1 : number + 1;
    } while (open_.count(number) != 0);
    last_ = number;
    open_.emplace(number, std::move(handle));
    return volumeWord_ + number;
}

OpenHandle* HandleTable::Find(DWORD_PTR word) {
    if (word - HandleNumber(word) != volumeWord_) {
        return nullptr;
    }
    auto found = open_.find(HandleNumber(word));
    return found == open_.end() ? nullptr : &found->second;
}

void HandleTable::Remove(DWORD_PTR word) { open_.erase(HandleNumber(word)); }

std::vector<OpenHandle> HandleTable::TakeAll() {
    std::vector<OpenHandle> all;
    for (auto& [number, handle] : open_) {
        all.push_back(std::move(handle));
    }
    open_.clear();
    return all;
}
