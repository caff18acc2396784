#include <cstdio>
#include <vector>

#include "storage/fuse/mount_bridge.h"
#include "storage/fuse/serve_mount.h"

namespace {

MountBridge& Bridge() { return *static_cast<MountBridge*>(fuse_get_context()->private_data); }

void* Init(fuse_conn_info*, fuse_config* config) {
    // Sizes and names change behind the kernel's back whenever a close packs
    // a file: nothing is cached.
    config->attr_timeout = 0;
    config->entry_timeout = 0;
    config->negative_timeout = 0;
    // An unlinked open file is the bridge's concern, not a hidden rename's.
    config->hard_remove = 1;
    return fuse_get_context()->private_data;
}

fuse_operations Operations() {
    fuse_operations operations{};
    operations.init = Init;
    operations.destroy = [](void* bridge) { static_cast<MountBridge*>(bridge)->CloseAll(); };
    operations.getattr = [](const char* path, struct stat* status, fuse_file_info* info) {
        return Bridge().GetAttributes(path, status, info);
    };
    operations.readdir = [](const char* path, void* buffer, fuse_fill_dir_t filler, off_t, fuse_file_info*,
                            fuse_readdir_flags) { return Bridge().ReadDirectory(path, buffer, filler); };
    operations.mkdir = [](const char* path, mode_t) { return Bridge().MakeDirectory(path); };
    operations.rmdir = [](const char* path) { return Bridge().RemoveDirectory(path); };
    operations.unlink = [](const char* path) { return Bridge().Unlink(path); };
    operations.rename = [](const char* from, const char* to, unsigned int flags) {
        return Bridge().Rename(from, to, flags);
    };
    operations.chmod = [](const char* path, mode_t mode, fuse_file_info* info) {
        return Bridge().ChangeMode(path, mode, info);
    };
    // The volume keeps no owner: accepted and dropped.
    operations.chown = [](const char*, uid_t, gid_t, fuse_file_info*) { return 0; };
    // FAT has neither hard nor symbolic links.
    operations.link = [](const char*, const char*) { return -EPERM; };
    operations.symlink = [](const char*, const char*) { return -EPERM; };
    operations.truncate = [](const char* path, off_t size, fuse_file_info* info) {
        return Bridge().Truncate(path, size, info);
    };
    operations.utimens = [](const char* path, const timespec times[2], fuse_file_info* info) {
        return Bridge().SetTimes(path, times, info);
    };
    operations.open = [](const char* path, fuse_file_info* info) { return Bridge().Open(path, info); };
    operations.create = [](const char* path, mode_t mode, fuse_file_info* info) {
        return Bridge().Create(path, mode, info);
    };
    operations.read = [](const char*, char* buffer, size_t size, off_t offset, fuse_file_info* info) {
        return Bridge().Read(buffer, size, offset, info);
    };
    operations.write = [](const char*, const char* buffer, size_t size, off_t offset, fuse_file_info* info) {
        return Bridge().Write(buffer, size, offset, info);
    };
    operations.fsync = [](const char*, int, fuse_file_info* info) { return Bridge().Sync(info); };
    operations.release = [](const char*, fuse_file_info* info) { return Bridge().Release(info); };
    operations.statfs = [](const char*, struct statvfs* status) { return Bridge().FileSystemStatus(status); };
    return operations;
}

}  // namespace

int ServeMount(FilteredVolume& volume, const MountOptions& options) {
    MountBridge bridge(volume);
    const std::string names = "fsname=morvane:" + volume.Root() + ",subtype=morvane";
    std::vector<const char*> arguments = {"morvane", "-o", names.c_str()};
    if (options.debug) {
        arguments.push_back("-d");
    }
    fuse_args args = FUSE_ARGS_INIT(static_cast<int>(arguments.size()), const_cast<char**>(arguments.data()));
    const fuse_operations operations = Operations();
    fuse* mount = fuse_new(&args, &operations, sizeof(operations), &bridge);
    if (mount == nullptr) {
        return 1;
    }
    int status = 1;
    if (fuse_mount(mount, options.mountpoint.c_str()) == 0) {
        if (fuse_daemonize(options.foreground ? 1 : 0) == 0 && fuse_set_signal_handlers(fuse_get_session(mount)) == 0) {
            fuse_loop_config loop{};
            loop.max_idle_threads = 10;
            // An interrupt ends the loop with its signal number: a clean unmount too.
            status = fuse_loop_mt(mount, &loop) < 0 ? 1 : 0;
            fuse_remove_signal_handlers(fuse_get_session(mount));
        }
        fuse_unmount(mount);
    }
    fuse_destroy(mount);
    fuse_opt_free_args(&args);
    return status;
}
