// RAII over the process heap: a byte buffer and a typed record, each released
// on every path out of the scope that took it.
#pragma once

#include <cstddef>
#include <new>
#include <utility>

#include "platform/heap.h"

class HeapBuffer {
public:
    HeapBuffer() = default;
    // Null data() when the heap refuses; a size of 0 still yields a block.
    explicit HeapBuffer(SIZE_T size) : data_(static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, size))), size_(size) {
        if (!data_) {
            size_ = 0;
        }
    }
    ~HeapBuffer() { Release(); }
    HeapBuffer(HeapBuffer&& other) noexcept
        : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}
    HeapBuffer& operator=(HeapBuffer&& other) noexcept {
        if (this != &other) {
            Release();
            data_ = std::exchange(other.data_, nullptr);
            size_ = std::exchange(other.size_, 0);
        }
        return *this;
    }
    HeapBuffer(const HeapBuffer&) = delete;
    HeapBuffer& operator=(const HeapBuffer&) = delete;

    explicit operator bool() const { return data_ != nullptr; }
    BYTE* data() { return data_; }
    const BYTE* data() const { return data_; }
    SIZE_T size() const { return size_; }

    void Release() {
        if (data_) {
            HeapFree(GetProcessHeap(), 0, data_);
            data_ = nullptr;
            size_ = 0;
        }
    }

private:
    BYTE* data_ = nullptr;
    SIZE_T size_ = 0;
};

// A record of trivial type T on the process heap, zeroed at allocation.
template <typename T>
class HeapRecord {
    static_assert(alignof(T) <= alignof(std::max_align_t), "the heap aligns blocks for any fundamental type only");

public:
    HeapRecord() : record_(static_cast<T*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(T)))) {}
    explicit HeapRecord(T* adopted) : record_(adopted) {}
    ~HeapRecord() { Reset(); }
    HeapRecord(const HeapRecord&) = delete;
    HeapRecord& operator=(const HeapRecord&) = delete;

    explicit operator bool() const { return record_ != nullptr; }
    T* operator->() const { return record_; }
    T& operator*() const { return *record_; }
    T* get() const { return record_; }
    // Hands the record to the caller, who releases it with HeapFree.
    T* Detach() { return std::exchange(record_, nullptr); }
    void Reset() {
        if (record_) {
            HeapFree(GetProcessHeap(), 0, record_);
            record_ = nullptr;
        }
    }

private:
    T* record_;
};
