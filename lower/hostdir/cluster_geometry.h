// The volume's size in the device's terms: 32-bit cluster counts.
#pragma once

#include <cstdint>

#include "platform/types.h"

struct ClusterGeometry {
    DWORD sectorsPerCluster;
    DWORD bytesPerSector;
    DWORD freeClusters;
    DWORD totalClusters;
};

// Expresses a host's free and total bytes in clusters of at least
// clusterBytes (rounded up to whole 512-byte sectors), doubling the cluster
// until both counts fit 32 bits.
ClusterGeometry FitClusters(uint64_t clusterBytes, uint64_t freeBytes, uint64_t totalBytes);

// Stores the geometry through the caller's pointers, skipping null ones.
void StoreGeometry(const ClusterGeometry& geometry, DWORD* sectorsPerCluster, DWORD* bytesPerSector,
                   DWORD* freeClusters, DWORD* totalClusters);
