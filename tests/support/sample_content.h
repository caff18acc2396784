// Deterministic sample contents for tests and benchmarks.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/types.h"

// Text-like bytes: words from a small vocabulary, compressible as prose is.
std::vector<BYTE> SampleText(size_t size);
// Pseudo-random bytes, practically incompressible.
std::vector<BYTE> SampleNoise(size_t size, unsigned seed = 1);
// Machine-code-like bytes: repetitive records with varying fields.
std::vector<BYTE> SampleBinary(size_t size);
