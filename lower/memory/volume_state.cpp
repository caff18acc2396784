#include "lower/memory/volume_state.h"

MemoryVolume::State::State(const VolumeGeometry& geometry) : tree(geometry), handles(Word()), hooks{} {}

MemoryVolume::State* MemoryVolume::State::FromWord(DWORD_PTR word) {
    if (word == 0 || word == reinterpret_cast<DWORD_PTR>(INVALID_HANDLE_VALUE)) {
        return nullptr;
    }
    return reinterpret_cast<State*>(VolumeAddress(word));
}

VolumeCall::VolumeCall(DWORD_PTR first, LowerEntry entry, std::initializer_list<const WCHAR*> names,
                       std::initializer_list<ULONGLONG> numbers)
    : state_(MemoryVolume::State::FromWord(first)), first_(first), entry_(entry) {
    if (state_) {
        lock_ = std::unique_lock<std::mutex>(state_->mutex);
    }
    for (const WCHAR* name : names) {
        names_[nameCount_++] = name;
    }
    for (ULONGLONG number : numbers) {
        numbers_[numberCount_++] = number;
    }
}

DWORD VolumeCall::Admit() {
    if (!state_) {
        return ERROR_INVALID_HANDLE;
    }
    return state_->gate.Admit(entry_, names_, nameCount_);
}

void VolumeCall::Log(ULONGLONG result, DWORD error) {
    if (!state_ || !state_->logging) {
        return;
    }
    LoggedCall call{entry_, first_, {}, {}, result, error};
    for (size_t i = 0; i < nameCount_; ++i) {
        call.names.push_back(names_[i] ? WString(names_[i]) : WString());
    }
    call.numbers.assign(numbers_, numbers_ + numberCount_);
    state_->log.push_back(std::move(call));
}
