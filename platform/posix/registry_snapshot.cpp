#include "platform/posix/registry_snapshot.h"

#include <fcntl.h>
#include <pthread.h>
#include <linux/magic.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/vfs.h>

#include <mutex>

#include "platform/posix/registry_file_io.h"
#include "platform/unique_fd.h"

namespace {

LONG ReadWholeFile(const std::string& path, std::string* text, mode_t* mode) {
    if (path.empty()) {
        return ERROR_FILE_NOT_FOUND;
    }
    UniqueFd file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.valid()) {
        return ErrorFromErrno();
    }
    struct stat status;
    if (fstat(file.get(), &status) != 0) {
        return ErrorFromErrno();
    }
    if (mode) {
        *mode = status.st_mode & 07777;
    }
    // One more byte than the size, so that a read of the whole file ends at once.
    text->resize(static_cast<size_t>(status.st_size) + 1);
    size_t done = 0;
    for (;;) {
        if (done == text->size()) {
            text->resize(text->size() * 2);
        }
        ssize_t got = read(file.get(), &(*text)[done], text->size() - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return ErrorFromErrno();
        }
        if (got == 0) {
            break;
        }
        done += static_cast<size_t>(got);
    }
    text->resize(done);
    return ERROR_SUCCESS;
}

std::string EntryOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// File systems whose every change, whoever makes it, passes through this
// kernel and so raises its notices.
bool NoticesAreComplete(const std::string& directory) {
    struct statfs system;
    if (statfs(directory.c_str(), &system) != 0) {
        return false;
    }
    switch (static_cast<unsigned long>(system.f_type)) {
    case EXT4_SUPER_MAGIC:  // also ext2 and ext3
    case TMPFS_MAGIC:
    case BTRFS_SUPER_MAGIC:
    case XFS_SUPER_MAGIC:
    case F2FS_SUPER_MAGIC:
        return true;
    default:
        return false;
    }
}

// The last parse of one file, and the inotify instance that watches it and
// its directory (where a writer's rename replaces it). Any notice about the
// file drops the parse; the next read then watches afresh and parses again.
class Snapshot {
public:
    static Snapshot& Instance() {
        static Snapshot* snapshot = [] {
            auto* made = new Snapshot;  // lives as long as the process, past exit handlers
            pthread_atfork([] { Instance().mutex_.lock(); }, [] { Instance().mutex_.unlock(); },
                           [] {
                               Instance().forked_ = true;
                               Instance().mutex_.unlock();
                           });
            return made;
        }();
        return *snapshot;
    }

    LONG Current(const std::string& path, std::shared_ptr<const RegistryFile>* registry) {
        std::lock_guard<std::mutex> hold(mutex_);
        if (forked_ || path != path_ || !parsed_ || !Unchanged()) {
            Forget();
        }
        if (!parsed_) {
            // Watched before the read, so that a change during it shows next time.
            bool watched = Watch(path);
            auto fresh = std::make_shared<RegistryFile>();
            LONG error = LoadRegistry(path, fresh.get());
            if (error != ERROR_SUCCESS) {
                Forget();
                return error;
            }
            if (!watched) {
                Forget();
                *registry = std::move(fresh);
                return ERROR_SUCCESS;
            }
            parsed_ = std::move(fresh);
        }
        *registry = parsed_;
        return ERROR_SUCCESS;
    }

private:
    // True when no notice about the file has come since the watches were
    // set; reading drains them. Notices about the directory's other entries
    // do not count, so a busy directory costs no parse. A directory whose
    // entries change faster than they are drained would keep this reading
    // forever: past a bound it counts as a change, and the watches start
    // afresh.
    bool Unchanged() {
        alignas(inotify_event) char notices[4096];
        constexpr int kMostReads = 64;
        bool quiet = true;
        for (int reads = 0; reads < kMostReads; ++reads) {
            ssize_t got = read(notices_.get(), notices, sizeof(notices));
            if (got <= 0) {
                return quiet && got < 0 && errno == EAGAIN;
            }
            for (ssize_t at = 0; at < got;) {
                const auto* notice = reinterpret_cast<const inotify_event*>(notices + at);
                // Nameless: the file's own watch, the directory itself, or an overflow.
                if (notice->len == 0 || name_ == notice->name) {
                    quiet = false;
                }
                at += static_cast<ssize_t>(sizeof(inotify_event) + notice->len);
            }
        }
        return false;
    }

    bool Watch(const std::string& path) {
        std::string directory = DirectoryOf(path);
        if (!NoticesAreComplete(directory)) {
            return false;
        }
        notices_.Reset(inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
        constexpr uint32_t kSelfChanges = IN_DELETE_SELF | IN_MOVE_SELF;
        constexpr uint32_t kFileChanges = kSelfChanges | IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE;
        constexpr uint32_t kEntryChanges = kSelfChanges | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
        // The file's own watch sees writes through any of its names; the
        // directory's sees its entry replaced, removed or arriving, and
        // nothing of the writes to other files there.
        bool watched = notices_.valid() && inotify_add_watch(notices_.get(), directory.c_str(), kEntryChanges) >= 0 &&
                       (inotify_add_watch(notices_.get(), path.c_str(), kFileChanges) >= 0 || errno == ENOENT);
        path_ = path;
        name_ = EntryOf(path);
        return watched;
    }

    void Forget() {
        parsed_.reset();
        notices_.Reset(-1);
        path_.clear();
        forked_ = false;
    }

    std::mutex mutex_;
    std::string path_;
    std::string name_;  // the file's entry in its directory
    // A forked child shares the parent's instance and would take its notices.
    bool forked_ = false;
    UniqueFd notices_;
    std::shared_ptr<const RegistryFile> parsed_;
};

}  // namespace

LONG LoadRegistry(const std::string& path, RegistryFile* registry, mode_t* mode) {
    std::string text;
    LONG error = ReadWholeFile(path, &text, mode);
    if (error != ERROR_SUCCESS) {
        return error;
    }
    // A malformed file reads as one that holds nothing.
    ParseRegistryFile(text, registry);
    return ERROR_SUCCESS;
}

LONG CurrentRegistry(const std::string& path, std::shared_ptr<const RegistryFile>* registry) {
    return Snapshot::Instance().Current(path, registry);
}
