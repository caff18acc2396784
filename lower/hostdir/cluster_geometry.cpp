#include "lower/hostdir/cluster_geometry.h"

namespace {
constexpr uint64_t kSectorBytes = 512;
}

ClusterGeometry FitClusters(uint64_t clusterBytes, uint64_t freeBytes, uint64_t totalBytes) {
    uint64_t sectors = clusterBytes <= kSectorBytes ? 1 : (clusterBytes + kSectorBytes - 1) / kSectorBytes;
    while (totalBytes / (sectors * kSectorBytes) > UINT32_MAX) {
        sectors *= 2;
    }
    uint64_t cluster = sectors * kSectorBytes;
    uint64_t total = totalBytes / cluster;
    uint64_t free = freeBytes / cluster;
    return ClusterGeometry{static_cast<DWORD>(sectors), static_cast<DWORD>(kSectorBytes),
                           static_cast<DWORD>(free < total ? free : total), static_cast<DWORD>(total)};
}

void StoreGeometry(const ClusterGeometry& geometry, DWORD* sectorsPerCluster, DWORD* bytesPerSector,
                   DWORD* freeClusters, DWORD* totalClusters) {
    if (sectorsPerCluster != nullptr) {
        *sectorsPerCluster = geometry.sectorsPerCluster;
    }
    if (bytesPerSector != nullptr) {
        *bytesPerSector = geometry.bytesPerSector;
    }
    if (freeClusters != nullptr) {
        *freeClusters = geometry.freeClusters;
    }
    if (totalClusters != nullptr) {
        *totalClusters = geometry.totalClusters;
    }
}
