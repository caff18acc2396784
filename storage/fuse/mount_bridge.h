// The file operations of a FUSE mount, served through the filter's entry
// points on one volume. Each returns 0 or a negative errno, the FUSE way.
//
// Locks, taken in this order and never the other way round:
// - names_: every call that opens, closes or names a stored file (open,
//   create, release, getattr, rename, unlink, ...). The filter serialises its
//   own opens and closes; this lock also keeps the bridge's read of a packed
//   header away from the filter's exclusive probe, and a name's lookup out
//   of the window in which a close has deleted the stored file but not yet
//   moved its replacement in.
// - OpenFile::io: calls on one filter handle. Reads and writes take only
//   this one, after a brief look-up under table_, so they run in parallel
//   across files.
// - table_: the open-file table itself, held only for look-ups.
//
// The filter's working copies ("\TMP<n>" in the root) are hidden from the
// root's listing and from look-ups, but only names that appeared during this
// mount and that no program made through it: a "\TMP<n>" file already there
// at mount time is an orphan of an interrupted close, and stays visible for
// recovery.
#pragma once

#include <fuse3/fuse.h>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "storage/filtered_volume.h"
#include "storage/fuse/open_file.h"

class MountBridge {
public:
    explicit MountBridge(FilteredVolume& volume);
    // Closes every file still open: on the way out of the mount, each open
    // handle settles (packs) its file and no working copy is left.
    ~MountBridge();
    MountBridge(const MountBridge&) = delete;
    MountBridge& operator=(const MountBridge&) = delete;

    int GetAttributes(const char* path, struct stat* status, fuse_file_info* info);
    int ReadDirectory(const char* path, void* buffer, fuse_fill_dir_t filler);
    int MakeDirectory(const char* path);
    int RemoveDirectory(const char* path);
    int Unlink(const char* path);
    int Rename(const char* from, const char* to, unsigned int flags);
    int ChangeMode(const char* path, mode_t mode, fuse_file_info* info);
    int Truncate(const char* path, off_t size, fuse_file_info* info);
    int SetTimes(const char* path, const timespec times[2], fuse_file_info* info);
    int Open(const char* path, fuse_file_info* info);
    int Create(const char* path, mode_t mode, fuse_file_info* info);
    int Read(char* buffer, size_t size, off_t offset, fuse_file_info* info);
    int Write(const char* buffer, size_t size, off_t offset, fuse_file_info* info);
    int Sync(fuse_file_info* info);
    int Release(fuse_file_info* info);
    int FileSystemStatus(struct statvfs* status);
    void CloseAll();

private:
    using Entry = std::shared_ptr<OpenFile>;

    // Under names_.
    int OpenEntry(const WString& path, int flags, DWORD creation, fuse_file_info* info);
    int StatusByName(const WString& path, struct stat* status);
    int StatusOfOpen(const Entry& entry, struct stat* status);
    void Settle(OpenFile& entry);
    void SettleUnder(const WString& path);
    int CloseEntry(const Entry& entry);
    bool HiddenWorkingCopy(const WString& path) const;
    void NoteNameMadeByProgram(const WString& path);

    // Under table_.
    Entry ByHandle(const fuse_file_info* info);
    Entry ByName(const WString& path);

    // A call on an entry's handle, under its io lock, reopening the handle
    // first if it was settled. CallLocked is for callers holding names_.
    int Call(const Entry& entry, const std::function<int(DWORD_PTR)>& call);
    int CallLocked(const Entry& entry, const std::function<int(DWORD_PTR)>& call);

    FilteredVolume& volume_;
    const FilterEntries& filter_;
    std::mutex names_;
    std::mutex table_;
    uint64_t nextId_ = 1;
    std::map<uint64_t, Entry> byId_;
    std::map<WString, Entry> byName_;
    // Root "\TMP<n>" names that are not the filter's: there at mount time, or
    // made by a program through the mount.
    std::set<WString> ownTemporaryNames_;
    timespec mountTime_;
    uid_t owner_;
    gid_t group_;
};
