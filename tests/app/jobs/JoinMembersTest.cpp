// The join's member rules: run and part order, repeated parts, and mixed runs.
#include <gtest/gtest.h>

#include "app/jobs/JoinMembers.h"

namespace zendra {
namespace {

struct TEntry {
    std::string Key;
    std::string Name;
};

TPartRecord Part(const std::string& batch, std::uint16_t index)
{
    TPartRecord record;
    record.SetBatchIdentity(batch);
    record.SetPartIndex(index);
    return record;
}

TEST(JoinMembers, PartsSortByRunThenNumberAndRepeatsAreFound)
{
    // Part 10 after part 9 (eight digits), the run's case ignored, equal keys in given order.
    std::vector<TEntry> entries = {{JoinSortKey(Part("{B}", 1)), "b1"},  {JoinSortKey(Part("{a}", 10)), "a10"},
                                   {JoinSortKey(Part("{A}", 9)), "a9"},  {JoinSortKey(Part("{b}", 1)), "b1 again"}};
    SortForJoin(entries);
    std::vector<std::string> order;
    for (const TEntry& entry : entries)
        order.push_back(entry.Name);
    EXPECT_EQ(order, (std::vector<std::string>{"a9", "a10", "b1", "b1 again"}));
    EXPECT_EQ(FirstRepeatedPart(entries), 3u);
    EXPECT_TRUE(ListsPart(entries, JoinSortKey(Part("{A}", 10))));
    EXPECT_FALSE(ListsPart(entries, JoinSortKey(Part("{A}", 2))));
    entries.pop_back();
    EXPECT_EQ(FirstRepeatedPart(entries), entries.size());
}

TEST(JoinMembers, MixedOriginsComparesBatchIdentitiesExactly)
{
    EXPECT_FALSE(MixedOrigins({}));
    EXPECT_FALSE(MixedOrigins({"{A}", "{A}", "{A}"}));
    EXPECT_TRUE(MixedOrigins({"{A}", "{A}", "{B}"}));
    EXPECT_TRUE(MixedOrigins({"{A}", "{a}"}));
}

}  // namespace
}  // namespace zendra
