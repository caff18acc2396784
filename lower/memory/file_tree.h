// The volume's files and directories: names, content, attributes, times,
// share modes and the clusters they take. Every operation returns 0 or the
// Win32 error it fails with, and a failed operation changes nothing.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "lower/memory/memory_volume.h"
#include "lower/memory/share_access.h"

struct Node {
    WString name;  // as it was created or last renamed
    bool directory = false;
    DWORD attributes = 0;
    FILETIME creation{};
    FILETIME lastAccess{};
    FILETIME lastWrite{};
    DWORD index = 0;  // the file index GetFileInformationByHandle reports
    std::vector<BYTE> content;
    std::map<WString, std::unique_ptr<Node>> children;  // by folded name, so listings come sorted
    ShareAccess share;
    unsigned handles = 0;  // every open handle, whatever its access
};

// One open of a file. The node outlives it: an open file is never removed.
struct OpenedFile {
    Node* node = nullptr;
    DWORD access = 0;
    DWORD shareMode = 0;
    ULONGLONG position = 0;
};

class FileTree {
public:
    explicit FileTree(const VolumeGeometry& geometry);

    // Calls by name.
    DWORD MakeDirectory(const WCHAR* path);
    DWORD RemoveEmptyDirectory(const WCHAR* path);
    DWORD AttributesOf(const WCHAR* name, DWORD* attributes) const;
    DWORD ChangeAttributes(const WCHAR* name, DWORD attributes);
    DWORD Remove(const WCHAR* name);
    DWORD Rename(const WCHAR* oldName, const WCHAR* newName);
    DWORD Replace(const WCHAR* destination, const WCHAR* source);
    void FreeSpace(DWORD* sectorsPerCluster, DWORD* bytesPerSector, DWORD* freeClusters,
                   DWORD* totalClusters) const;
    DWORD List(const WCHAR* pattern, std::vector<WIN32_FIND_DATAW>* found) const;
    // `existed` tells whether the file was there before.
    DWORD Open(const WCHAR* name, DWORD access, DWORD shareMode, DWORD creation, DWORD flagsAndAttributes,
               OpenedFile* opened, bool* existed);
    void Close(const OpenedFile& file);

    // Calls on an open file, at an explicit offset; each leaves the position
    // just past what it transferred.
    DWORD Read(OpenedFile& file, ULONGLONG offset, void* buffer, DWORD count, DWORD* done);
    DWORD Write(OpenedFile& file, ULONGLONG offset, const void* buffer, DWORD count, DWORD* done);
    DWORD Truncate(OpenedFile& file);
    // A position beyond `maxPosition` is ERROR_INVALID_PARAMETER.
    DWORD Seek(OpenedFile& file, LONGLONG distance, DWORD moveMethod, ULONGLONG maxPosition);
    void Describe(const OpenedFile& file, BY_HANDLE_FILE_INFORMATION* info) const;
    DWORD ChangeTimes(OpenedFile& file, const FILETIME* creation, const FILETIME* lastAccess,
                      const FILETIME* lastWrite);

    // Out-of-band access: throws std::invalid_argument on a name it cannot serve.
    void Put(const WString& path, const std::vector<BYTE>& content, DWORD attributes);
    void PutDirectory(const WString& path);
    Node* Lookup(const WString& path) const;  // null when absent or not a valid name
    std::vector<WString> Names(const WString& directory) const;

private:
    // Where a name leads: its directory and the entry itself (null when
    // absent). The root has no parent.
    struct Place {
        Node* parent = nullptr;
        Node* node = nullptr;
        WString leaf;
        std::vector<WString> folded;  // the folded components of the whole name
    };
    DWORD Locate(const WCHAR* name, bool pattern, Place* place) const;
    DWORD LocateExisting(const WCHAR* name, Place* place) const;
    Node* Add(const Place& place, bool directory, DWORD attributes);
    Node* Directory(const std::vector<WString>& components, size_t count, bool make);
    DWORD Resize(Node* node, ULONGLONG size);
    ULONGLONG Clusters(ULONGLONG size) const;
    FILETIME Tick();

    VolumeGeometry geometry_;
    ULONGLONG clusterBytes_;
    ULONGLONG usedClusters_ = 0;
    ULONGLONG clock_;
    DWORD nextIndex_ = 1;
    std::unique_ptr<Node> root_;
};
