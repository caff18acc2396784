// A file or a search open through the filter, closed (CloseFile, FindClose)
// when the scope ends, or earlier by Close() for the result. Closing a file
// is when the filter packs it.
#pragma once

#include <utility>

#include "storage/filter_entries.h"

class FilterFile {
public:
    FilterFile(const FilterEntries& filter, HANDLE handle) : filter_(&filter), handle_(handle) {}
    ~FilterFile() { Close(); }
    FilterFile(FilterFile&& other) noexcept
        : filter_(other.filter_), handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
    FilterFile(const FilterFile&) = delete;
    FilterFile& operator=(const FilterFile&) = delete;
    FilterFile& operator=(FilterFile&&) = delete;

    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    DWORD_PTR Word() const { return reinterpret_cast<DWORD_PTR>(handle_); }

    // Takes over a newly opened handle, once the previous one is closed.
    void Adopt(HANDLE handle) {
        Close();
        handle_ = handle;
    }

    // CloseFile's result; TRUE when not open.
    BOOL Close() {
        if (!IsOpen()) {
            return TRUE;
        }
        return filter_->CloseFile(reinterpret_cast<DWORD_PTR>(std::exchange(handle_, INVALID_HANDLE_VALUE)));
    }

private:
    const FilterEntries* filter_;
    HANDLE handle_;
};

class FilterSearch {
public:
    FilterSearch(const FilterEntries& filter, HANDLE handle) : filter_(filter), handle_(handle) {}
    ~FilterSearch() {
        if (IsOpen()) {
            filter_.FindClose(Word());
        }
    }
    FilterSearch(const FilterSearch&) = delete;
    FilterSearch& operator=(const FilterSearch&) = delete;

    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    DWORD_PTR Word() const { return reinterpret_cast<DWORD_PTR>(handle_); }

private:
    const FilterEntries& filter_;
    HANDLE handle_;
};
