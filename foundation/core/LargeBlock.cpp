#include "foundation/core/LargeBlock.h"

#include <cstdint>
#include <cstdlib>
#include <sys/mman.h>

namespace {

constexpr size_t kHugePage = size_t(2) << 20;
constexpr size_t kLargeFrom = size_t(4) << 20; // below this the rounding would waste too much

} // namespace

void* AllocLarge(size_t bytes)
{
    if (bytes < kLargeFrom)
        return std::malloc(bytes == 0 ? 1 : bytes);
    if (bytes > SIZE_MAX - kHugePage)
        return nullptr;
    const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    void* p = std::aligned_alloc(kHugePage, rounded);
#ifdef MADV_HUGEPAGE
    if (p)
        madvise(p, rounded, MADV_HUGEPAGE); // a refusal only costs speed
#endif
    return p;
}
