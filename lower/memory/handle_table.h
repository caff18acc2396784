// The handles of one volume: open files and searches under their words.
//
// A word is the volume's own address plus a handle number below kWordSpan
// (the volume word has number 0), plus kWordBias, so that an entry finds its
// volume from its first word alone and a word above 2^32 shows any
// truncation on the way.
#pragma once

#include <map>
#include <variant>
#include <vector>

#include "lower/memory/file_tree.h"

constexpr DWORD_PTR kWordSpan = 4096;
constexpr DWORD_PTR kWordBias = sizeof(DWORD_PTR) > 4 ? static_cast<DWORD_PTR>(0x100000000ull) : 0;

inline DWORD HandleNumber(DWORD_PTR word) { return static_cast<DWORD>((word - kWordBias) & (kWordSpan - 1)); }
inline DWORD_PTR VolumeAddress(DWORD_PTR word) { return (word - kWordBias) & ~(kWordSpan - 1); }

struct Search {
    std::vector<WIN32_FIND_DATAW> found;
    size_t next = 0;
};

using OpenHandle = std::variant<OpenedFile, Search>;

class HandleTable {
public:
    explicit HandleTable(DWORD_PTR volumeWord) : volumeWord_(volumeWord) {}

    bool Full() const { return open_.size() + 1 >= kWordSpan; }
    // The new handle's word; the table must not be Full().
    DWORD_PTR Add(OpenHandle handle);
    // Null for a word that is not open.
    OpenHandle* Find(DWORD_PTR word);
    void Remove(DWORD_PTR word);
    size_t Count() const { return open_.size(); }
    // Every open handle, handed over and forgotten.
    std::vector<OpenHandle> TakeAll();

private:
    DWORD_PTR volumeWord_;
    std::map<DWORD, OpenHandle> open_;
    DWORD last_ = 0;  // numbers go round, so a closed handle's number comes back late
};
