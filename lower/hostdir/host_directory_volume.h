// A directory of the host machine as a lower volume: the volume name
// "\a\b.txt" is the host file ROOT/a/b.txt, reached through the 27 entries of
// the lower table (filter/lower_hooks.h), which behave as the device's FAT
// does, with Win32 error codes in the thread's last error.
//
// No name reaches outside ROOT. Names are checked before any host call
// (volume_name.h); on Linux every name is then resolved one component at a
// time from the root's directory descriptor, never following a symbolic link,
// so that a directory swapped for a link between two calls cannot lead out.
// The volume holds regular files and directories only: symbolic links and
// special files inside the tree are not listed, and every call through or on
// them fails with ERROR_ACCESS_DENIED. On Win32 reparse points are refused
// alike.
//
// Names are looked up as the host spells them (case-sensitively on Linux);
// searches match without regard to case, as FAT does, and return the host's
// spelling.
//
// Share modes hold across every handle of the process, whichever volume
// instance opened it (on Linux the layer keeps the table, on Win32 the host
// does), and an open file can be neither deleted nor moved
// (ERROR_SHARING_VIOLATION), as on the device's FAT. The read-only attribute
// is the absence of every write permission bit on Linux, enforced by the
// layer itself (so also for root); the real attribute on Win32.
//
// Every entry may be called from many threads at once. Calls on one handle
// are ordered by the caller, and a handle is not used after its close.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "filter/lower_hooks.h"
#include "platform/types.h"

class HostDirectoryVolume {
public:
    // The platform's hold on the root directory.
    struct Host;
    // Closes one open file or search record.
    typedef BOOL (*RecordClose)(DWORD_PTR record);

    // Opens an existing directory as a volume; null with the last error set
    // when it cannot (ERROR_PATH_NOT_FOUND, ERROR_DIRECTORY for a file).
    static std::unique_ptr<HostDirectoryVolume> Open(const std::string& rootUtf8);
    // Closes every handle and search of this volume still open.
    ~HostDirectoryVolume();
    HostDirectoryVolume(const HostDirectoryVolume&) = delete;
    HostDirectoryVolume& operator=(const HostDirectoryVolume&) = delete;
    HostDirectoryVolume(HostDirectoryVolume&&) = delete;
    HostDirectoryVolume& operator=(HostDirectoryVolume&&) = delete;

    // The 31-word lower table; word 1 is this volume's word.
    const DWORD_PTR* Hooks() const;
    const std::string& Root() const;
    // The host path of a volume name, joined lexically to the root, or false
    // with the last error set when the name is refused. Symbolic links are
    // refused when a call uses the name, not here.
    bool HostPath(const WCHAR* name, std::string* hostPath) const;

    // For the layer's entries: the volume of a volume word, its host root,
    // and the records it closes when it goes.
    static HostDirectoryVolume* Of(DWORD_PTR volume) { return reinterpret_cast<HostDirectoryVolume*>(volume); }
    const Host& host() const { return *host_; }
    void Track(DWORD_PTR record, RecordClose close);
    void Untrack(DWORD_PTR record);

private:
    HostDirectoryVolume(std::string root, std::unique_ptr<Host> host);
    void CloseRecords();

    std::string root_;
    std::unique_ptr<Host> host_;
    DWORD_PTR hooks_[kLowerHookWords];
    std::mutex recordsLock_;
    std::map<DWORD_PTR, RecordClose> records_;
};
