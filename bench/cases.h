// The benchmark cases, registered by name at start-up.
#pragma once

// Open-and-read of a packed file and write-and-close with compression on, at
// levels 1, 6 and 9, for text, binary, random and zero content of 64 KiB,
// 1 MiB and 16 MiB, each against the codec's limit.
void RegisterWholeFileBenchmarks();

// Opening and closing a small plain file through the filter against the same
// calls on the lower volume alone, and one settings read.
void RegisterSmallFileBenchmarks();
