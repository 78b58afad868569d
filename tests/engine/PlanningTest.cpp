// Split planning: key-frame groups, part starts and the targets of the split modes.
#include <functional>

#include "tests/engine/EngineFixture.h"

namespace zendra::test {
namespace {

IndexEntry Video(bool key, std::uint32_t length)
{
    return {MakeFourCC('0', '0', 'd', 'c'), key ? kKeyFrameFlag : 0u, 4, length};
}

IndexEntry Sound(std::uint32_t length)
{
    return {MakeFourCC('0', '1', 'w', 'b'), kKeyFrameFlag, 4, length};
}

// Planning reads only the in-memory index, so the tests give the engine one of their own.
class Planning : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        Movie = Open(Write(TAviBuilder().Video().Interleaved(2, 1)));
        Movie->Index.clear();
    }

    // One group per size, each of ten entries: a key entry and nine that fill up to the size.
    void Groups(const std::vector<std::uint32_t>& sizes)
    {
        for (std::uint32_t size : sizes) {
            Movie->Index.push_back(Video(true, size - 9));
            for (int i = 0; i < 9; ++i)
                Movie->Index.push_back(i % 2 ? Sound(1) : Video(false, 1));
        }
    }

    std::unique_ptr<TZendra> Movie;
};

std::string ErrorOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const EZendraError& e) {
        return e.what();
    }
    return {};
}

struct TPlanCase {
    std::int32_t Target;
    std::vector<std::int32_t> Starts;
    std::vector<std::int64_t> Accumulators;
};

TEST_F(Planning, FiveEqualGroupsGiveTheKnownPlans)
{
    Groups({10, 10, 10, 10, 10});
    const TPlanCase cases[] = {
        {0, {0, 10, 20, 30}, {10, 0, 0, 0}},
        {5, {0, 20, 30}, {10, 10, 0}},
        {10, {0, 20, 30}, {10, 10, 0}},
        {15, {0, 10}, {20, 20}},
        {20, {0, 10}, {20, 20}},
        {25, {0, 20}, {30, 10}},
        {30, {0, 20}, {30, 10}},
        {45, {0}, {50}},
        {1000000, {0}, {50}},
    };
    std::vector<std::int32_t> starts{99};
    std::vector<std::int64_t> accumulators{99};
    for (const auto& c : cases) {
        ASSERT_TRUE(Movie->PlanParts(starts, accumulators, c.Target));
        EXPECT_EQ(c.Starts, starts) << "target " << c.Target;
        EXPECT_EQ(c.Accumulators, accumulators) << "target " << c.Target;
    }
}

// 5 GB of groups: the sums no longer fit 32 bits (they wrapped, and every group became a part).
TEST_F(Planning, MoviesPastFourGiBArePlannedWithoutWrapping)
{
    Groups(std::vector<std::uint32_t>(100, 50'000'000));
    EXPECT_EQ(Movie->TotalDataSize(), std::int64_t{5'000'000'000});
    std::vector<std::int32_t> starts;
    std::vector<std::int64_t> accumulators;
    ASSERT_TRUE(Movie->PlanParts(starts, accumulators, Movie->TotalDataSize() / 2));
    EXPECT_EQ(starts, (std::vector<std::int32_t>{0, 490}));  // the first group counts twice, as always
    EXPECT_EQ(Movie->PartCount(1), 50);
}

TEST_F(Planning, ModesOfFiveEqualGroups)
{
    Groups({10, 10, 10, 10, 10});
    EXPECT_TRUE(Movie->IsCompressed());
    EXPECT_EQ(10, Movie->TargetPartSize(0));
    EXPECT_EQ(10, Movie->TargetPartSize(1));
    EXPECT_EQ(0, Movie->TargetPartSize(2));
    EXPECT_EQ(0, Movie->TargetPartSize(3));
    EXPECT_EQ(3, Movie->PartCount(0));
    EXPECT_EQ(3, Movie->PartCount(1));
    EXPECT_EQ(4, Movie->PartCount(2));  // n key entries give n - 1 parts
    EXPECT_EQ(50, Movie->TotalDataSize());
    EXPECT_EQ(30, Movie->VideoFrameCount());
}

TEST_F(Planning, GroupsAreListedInIndexOrder)
{
    Groups({10, 30, 20});
    std::vector<std::int32_t> positions{7}, sizes{7};
    Movie->ListKeyGroups(positions, sizes);
    EXPECT_EQ((std::vector<std::int32_t>{7, 0, 10, 20}), positions);  // appended, not cleared
    EXPECT_EQ((std::vector<std::int32_t>{7, 10, 30, 20}), sizes);
}

TEST_F(Planning, LargestLeavesOutTheLastGroupMeanTruncates)
{
    Groups({10, 30, 20, 10, 40});
    EXPECT_EQ(30, Movie->LargestGroupSize());
    EXPECT_EQ(22, Movie->MeanGroupSize());
}

TEST_F(Planning, SingleKeyEntry)
{
    Groups({25});
    std::vector<std::int32_t> starts;
    std::vector<std::int64_t> accumulators;
    for (std::int32_t target : {0, 10, 25, 1000}) {
        ASSERT_TRUE(Movie->PlanParts(starts, accumulators, target));
        EXPECT_EQ(std::vector<std::int32_t>{0}, starts);
    }
    EXPECT_EQ(-1, Movie->LargestGroupSize());
    EXPECT_EQ(25, Movie->MeanGroupSize());
    EXPECT_EQ(1, Movie->PartCount(2));
}

TEST_F(Planning, NoKeyEntryGivesNoPlan)
{
    Movie->Index = {Sound(10), Video(false, 10)};
    std::vector<std::int32_t> starts{1, 2};
    std::vector<std::int64_t> accumulators{3};
    EXPECT_FALSE(Movie->PlanParts(starts, accumulators, 10));
    EXPECT_TRUE(starts.empty());
    EXPECT_TRUE(accumulators.empty());
    EXPECT_EQ(0, Movie->MeanGroupSize());
    EXPECT_EQ(0, Movie->PartCount(2));
}

TEST_F(Planning, FirstVideoEntryMustBeAKeyEntry)
{
    Movie->Index = {Sound(5), Sound(5), Video(true, 10), Video(false, 3), Video(true, 4), Video(false, 1)};
    EXPECT_EQ(13, Movie->LargestGroupSize());  // audio ahead of the first frame is passed over

    Movie->Index = {Sound(5), Video(false, 10), Video(true, 4)};
    EXPECT_EQ("Video frame is not started with key frame", ErrorOf([&] { Movie->LargestGroupSize(); }));

    Movie->Index = {Sound(5)};
    EXPECT_EQ(-1, Movie->LargestGroupSize());
}

TEST_F(Planning, GetNextSizeChecksItsStart)
{
    Movie->Index = {Sound(5), Video(true, 10), Sound(2), Video(false, 3), Video(true, 4), Sound(6)};
    EXPECT_EQ(15, Movie->GetNextSize(1));
    EXPECT_EQ(10, Movie->GetNextSize(4));  // the last group runs to the end of the index
    EXPECT_EQ("GetNextSize started too high = 6", ErrorOf([&] { Movie->GetNextSize(6); }));
    EXPECT_EQ("GetNextSize not started on a keyframe =0", ErrorOf([&] { Movie->GetNextSize(0); }));
    EXPECT_EQ("GetNextSize not started on a keyframe =3", ErrorOf([&] { Movie->GetNextSize(3); }));

    Movie->Index = {Video(true, 0), Video(false, 0)};
    EXPECT_EQ(0, Movie->GetNextSize(0));  // an empty group is accepted

    Movie->Index = {Video(true, 0x7FFFFFF0), Video(false, 0x20)};
    EXPECT_EQ("GetNextSize Zero size of frame: 0", ErrorOf([&] { Movie->GetNextSize(0); }));
}

TEST_F(Planning, UncompressedMovieSplitsPerFrame)
{
    auto movie = Open(Write(TAviBuilder().Video(32, 16, "DIB ").Interleaved(7, 1, 32 * 16 * 3), "dib.avi"));
    EXPECT_FALSE(movie->IsCompressed());
    for (int mode = 0; mode < 4; ++mode) {
        EXPECT_EQ(32 * 16 * 3, movie->TargetPartSize(mode));
        EXPECT_EQ(7, movie->PartCount(mode));
    }
    EXPECT_EQ(32 * 16 * 3, movie->FrameImageSize());

    // Only the exact text "DIB " counts; a handler of 0 is compressed.
    EXPECT_TRUE(Open(Write(TAviBuilder().Video(32, 16, "dib ").Interleaved(2, 1), "lower.avi"))->IsCompressed());
    EXPECT_TRUE(Open(Write(TAviBuilder().Video(32, 16, "").Interleaved(2, 1), "none.avi"))->IsCompressed());
}

}  // namespace
}  // namespace zendra::test
