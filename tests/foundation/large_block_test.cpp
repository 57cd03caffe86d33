#include "foundation/core/LargeBlock.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

TEST(LargeBlock, BlocksOfEverySizeHoldTheirBytes)
{
    const size_t mb = size_t(1) << 20;
    for (size_t bytes : {size_t(0), size_t(1), mb, 4 * mb - 1, 4 * mb, 4 * mb + 1, 9 * mb + 7}) {
        SCOPED_TRACE(bytes);
        auto* p = static_cast<unsigned char*>(AllocLarge(bytes));
        ASSERT_NE(p, nullptr);
        if (bytes >= 4 * mb) { // whole huge pages from the first byte
            EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % (2 * mb), 0u);
        }
        std::memset(p, 0xa5, bytes);
        if (bytes > 0) {
            EXPECT_EQ(p[bytes - 1], 0xa5);
        }
        std::free(p);
    }
}

TEST(LargeBlock, AnImpossibleSizeIsRefused)
{
    EXPECT_EQ(AllocLarge(SIZE_MAX), nullptr);
    EXPECT_EQ(AllocLarge(SIZE_MAX - (size_t(1) << 20)), nullptr);
}

TEST(LargeBlock, AContainerGrowsThroughIt)
{
    std::vector<uint32_t, LargeAllocator<uint32_t>> list;
    for (uint32_t i = 0; i < 3'000'000; ++i) // through small and large blocks
        list.push_back(i);
    uint64_t sum = 0;
    for (uint32_t v : list)
        sum += v;
    EXPECT_EQ(sum, uint64_t(2'999'999) * 3'000'000 / 2);
}
