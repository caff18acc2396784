#include "lower/memory/memory_volume.h"

#include <stdexcept>

#include "lower/memory/volume_entries.h"
#include "lower/memory/volume_state.h"

MemoryVolume::MemoryVolume(VolumeGeometry geometry) : state_(std::make_unique<State>(geometry)) {
    state_->hooks = MemoryVolumeHooks(state_->Word());
}

MemoryVolume::~MemoryVolume() = default;

const DWORD_PTR* MemoryVolume::Hooks() const { return reinterpret_cast<const DWORD_PTR*>(&state_->hooks); }

DWORD_PTR MemoryVolume::VolumeWord() const { return state_->Word(); }

void MemoryVolume::PutFile(const WString& path, const std::vector<BYTE>& content, DWORD attributes) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->tree.Put(path, content, attributes);
}

void MemoryVolume::PutDirectory(const WString& path) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->tree.PutDirectory(path);
}

std::optional<std::vector<BYTE>> MemoryVolume::Content(const WString& path) const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    const Node* node = state_->tree.Lookup(path);
    if (!node || node->directory) {
        return std::nullopt;
    }
    return node->content;
}

bool MemoryVolume::Exists(const WString& path) const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->tree.Lookup(path) != nullptr;
}

DWORD MemoryVolume::Attributes(const WString& path) const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    const Node* node = state_->tree.Lookup(path);
    return node ? node->attributes : INVALID_FILE_ATTRIBUTES;
}

void MemoryVolume::SetTimes(const WString& path, FILETIME creation, FILETIME access, FILETIME write) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    Node* node = state_->tree.Lookup(path);
    if (!node) {
        throw std::invalid_argument("no such file: " + ToUtf8(path));
    }
    node->creation = creation;
    node->lastAccess = access;
    node->lastWrite = write;
}

bool MemoryVolume::Times(const WString& path, FILETIME* creation, FILETIME* access, FILETIME* write) const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    const Node* node = state_->tree.Lookup(path);
    if (!node) {
        return false;
    }
    if (creation) {
        *creation = node->creation;
    }
    if (access) {
        *access = node->lastAccess;
    }
    if (write) {
        *write = node->lastWrite;
    }
    return true;
}

std::vector<WString> MemoryVolume::Files(const WString& directory) const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->tree.Names(directory);
}

size_t MemoryVolume::OpenHandles() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->handles.Count();
}

void MemoryVolume::Inject(const Fault& fault) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->gate.Inject(fault);
}

void MemoryVolume::ClearFaults() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->gate.ClearFaults();
}

unsigned long MemoryVolume::Injected() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->gate.Injected();
}

void MemoryVolume::LimitReads(DWORD maxBytes) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->readLimit = maxBytes;
}

void MemoryVolume::LimitWrites(DWORD maxBytes) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->writeLimit = maxBytes;
}

void MemoryVolume::CrashAfter(unsigned long calls) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->gate.CrashAfter(calls);
}

bool MemoryVolume::Crashed() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->gate.Crashed();
}

void MemoryVolume::Restart() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    for (const OpenHandle& handle : state_->handles.TakeAll()) {
        if (const OpenedFile* file = std::get_if<OpenedFile>(&handle)) {
            state_->tree.Close(*file);
        }
    }
    state_->gate.Restart();
}

unsigned long MemoryVolume::CallCount() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->gate.Calls();
}

void MemoryVolume::EnableLog(bool on) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->logging = on;
}

std::vector<LoggedCall> MemoryVolume::Log() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->log;
}

void MemoryVolume::ClearLog() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->log.clear();
}
