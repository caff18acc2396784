// The volume's free space: the host volume holding the root.
#include "lower/hostdir/cluster_geometry.h"
#include "lower/hostdir/host_entries.h"
#include "lower/hostdir/win32/host_root.h"

namespace hostdir {

// The whole volume is one host volume, so the path is not consulted.
BOOL GetDiskFreeSpaceW(DWORD_PTR volume, const WCHAR*, DWORD* sectorsPerCluster, DWORD* bytesPerSector,
                       DWORD* freeClusters, DWORD* totalClusters) {
    const WString& root = HostOf(volume).root;
    ULARGE_INTEGER available{};
    ULARGE_INTEGER total{};
    if (!::GetDiskFreeSpaceExW(root.c_str(), &available, &total, nullptr)) {
        return FALSE;
    }
    // The host's own cluster counts may be clipped; its cluster size is not.
    DWORD sectors = 0, bytes = 0, freeCount = 0, totalCount = 0;
    uint64_t cluster = ::GetDiskFreeSpaceW((root + L"\\").c_str(), &sectors, &bytes, &freeCount, &totalCount)
                           ? static_cast<uint64_t>(sectors) * bytes
                           : 4096;
    StoreGeometry(FitClusters(cluster, available.QuadPart, total.QuadPart), sectorsPerCluster, bytesPerSector,
                  freeClusters, totalClusters);
    return TRUE;
}

}  // namespace hostdir
