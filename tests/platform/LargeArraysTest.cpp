// The engine's large arrays: blocks on either side of the large-page size hold what is
// written to them, and an array growing across that size keeps its contents.
#include <cstdint>
#include <cstring>

#include <gtest/gtest.h>

#include "platform/LargeArrays.h"

namespace zendra::test {
namespace {

TEST(LargeArrays, BlocksOfEverySizeHoldTheirBytesToTheLast)
{
    constexpr std::size_t kMiB = std::size_t{1} << 20;
    for (const std::size_t bytes : {std::size_t{1}, 4095 * std::size_t{1}, 2 * kMiB - 1, 2 * kMiB, 2 * kMiB + 1,
                                    5 * kMiB + 12345, 16 * kMiB}) {
        auto* block = static_cast<std::uint8_t*>(AllocateLargeArray(bytes));
        ASSERT_NE(block, nullptr) << bytes;
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % alignof(std::max_align_t), 0u) << bytes;
        std::memset(block, 0xA5, bytes);
        EXPECT_EQ(block[0], 0xA5) << bytes;
        EXPECT_EQ(block[bytes - 1], 0xA5) << bytes;
        FreeLargeArray(block, bytes);
    }
}

TEST(LargeArrays, AnArrayGrowingPastALargePageKeepsItsEntries)
{
    TLargeArray<std::uint64_t> values;
    const std::uint64_t count = 3'000'000;  // 24 MB, grown from nothing
    for (std::uint64_t i = 0; i < count; ++i)
        values.push_back(i * 2654435761u);
    ASSERT_EQ(values.size(), count);
    for (std::uint64_t i = 0; i < count; i += 997)
        ASSERT_EQ(values[i], i * 2654435761u) << i;
    EXPECT_EQ(values.back(), (count - 1) * 2654435761u);
    values.resize(10);
    values.shrink_to_fit();
    EXPECT_EQ(values[9], std::uint64_t{9} * 2654435761u);
}

TEST(LargeArrays, AnImpossibleSizeIsRefusedAsAnyAllocationIs)
{
    TLargeArrayAllocator<std::uint64_t> allocator;
    EXPECT_THROW(allocator.allocate(static_cast<std::size_t>(-1) / 4), std::bad_alloc);
}

}  // namespace
}  // namespace zendra::test
