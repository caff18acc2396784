#include "lower/hostdir/posix/share_table.h"

#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/last_error.h"

namespace {

struct Open {
    const void* owner;
    DWORD access;
    DWORD shareMode;
};

typedef std::pair<dev_t, ino_t> Key;

// The process's open files belong to the process, as the host kernel's do.
struct Table {
    std::mutex lock;
    std::map<Key, std::vector<Open>> opens;
};

Table& ProcessTable() {
    static Table table;
    return table;
}

Key KeyOf(const FileIdentity& file) { return Key(file.device, file.inode); }

// Win32's rule: each side's access must be shared by the other side. An open
// for neither reading nor writing takes part on neither side.
bool Compatible(const Open& held, DWORD access, DWORD shareMode) {
    if (access == 0 || held.access == 0) {
        return true;
    }
    bool heldRefuses = ((access & GENERIC_READ) && !(held.shareMode & FILE_SHARE_READ)) ||
                       ((access & GENERIC_WRITE) && !(held.shareMode & FILE_SHARE_WRITE));
    bool newRefuses = ((held.access & GENERIC_READ) && !(shareMode & FILE_SHARE_READ)) ||
                      ((held.access & GENERIC_WRITE) && !(shareMode & FILE_SHARE_WRITE));
    return !heldRefuses && !newRefuses;
}

}  // namespace

bool AcquireShare(const FileIdentity& file, DWORD access, DWORD shareMode, const void* owner) {
    Table& table = ProcessTable();
    std::lock_guard<std::mutex> hold(table.lock);
    std::vector<Open>& opens = table.opens[KeyOf(file)];
    for (const Open& held : opens) {
        if (!Compatible(held, access, shareMode)) {
            SetLastError(ERROR_SHARING_VIOLATION);
            return false;
        }
    }
    opens.push_back(Open{owner, access, shareMode});
    return true;
}

void ReleaseShare(const FileIdentity& file, const void* owner) {
    Table& table = ProcessTable();
    std::lock_guard<std::mutex> hold(table.lock);
    auto found = table.opens.find(KeyOf(file));
    if (found == table.opens.end()) {
        return;
    }
    std::vector<Open>& opens = found->second;
    for (auto open = opens.begin(); open != opens.end(); ++open) {
        if (open->owner == owner) {
            opens.erase(open);
            break;
        }
    }
    if (opens.empty()) {
        table.opens.erase(found);
    }
}

bool UnlessOpen(std::initializer_list<FileIdentity> files, const std::function<bool()>& change) {
    Table& table = ProcessTable();
    std::lock_guard<std::mutex> hold(table.lock);
    for (const FileIdentity& file : files) {
        if (table.opens.count(KeyOf(file)) != 0) {
            SetLastError(ERROR_SHARING_VIOLATION);
            return false;
        }
    }
    return change();
}
