#pragma once
#include <cstdint>

namespace platform {
// Resident set size of this process in bytes; 0 when it cannot be read.
uint64_t WorkingSetBytes();
} // namespace platform
