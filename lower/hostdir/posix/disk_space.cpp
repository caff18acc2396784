// The volume's free space: the host file system holding the root.
#include <sys/statvfs.h>

#include "lower/hostdir/cluster_geometry.h"
#include "lower/hostdir/host_entries.h"
#include "lower/hostdir/posix/host_errors.h"
#include "lower/hostdir/posix/host_root.h"

namespace hostdir {

// The whole volume is one host file system, so the path is not consulted.
BOOL GetDiskFreeSpaceW(DWORD_PTR volume, const WCHAR*, DWORD* sectorsPerCluster, DWORD* bytesPerSector,
                       DWORD* freeClusters, DWORD* totalClusters) {
    struct statvfs host {};
    if (fstatvfs(HostOf(volume).root.get(), &host) != 0) {
        return FailWithErrno();
    }
    uint64_t unit = host.f_frsize != 0 ? host.f_frsize : host.f_bsize;
    StoreGeometry(FitClusters(host.f_bsize, host.f_bavail * unit, host.f_blocks * unit), sectorsPerCluster,
                  bytesPerSector, freeClusters, totalClusters);
    return TRUE;
}

}  // namespace hostdir
