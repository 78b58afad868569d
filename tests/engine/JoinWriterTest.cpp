// Rejoining the parts of a split run, and breaking a join off.
#include "tests/engine/EngineFixture.h"

#include <filesystem>

#include "app/jobs/JobCore.h"

namespace zendra::test {
namespace {

namespace fs = std::filesystem;

class JoinWriterTest : public EngineTest {
protected:
    // Splits a movie with lead audio entries into three parts; returns their paths.
    std::vector<std::string> SplitIntoThree(bool relative)
    {
        TAviBuilder b;
        b.Video().Audio().RelativeIndex(relative);
        for (int i = 0; i < 3; ++i)
            b.AudioChunk(21 + i);
        b.Interleaved(60, 10, 77, 31);
        Source = Write(b, "source.avi");
        TZendra movie(Source);
        const std::vector<std::int32_t> starts = {0, movie.KeyEntryForFrame(21), movie.KeyEntryForFrame(41)};
        const TSplitResult result =
            RunSplitParts(Source, starts, static_cast<std::int32_t>(movie.Index.size()), PathOf("parts/"), "part", {});
        EXPECT_TRUE(result.Finished);
        Scripted->Clear();
        return result.Written;
    }

    bool JoinAll(const std::vector<std::string>& parts, const std::string& output, TZendra** engine = nullptr)
    {
        TZendra first(parts[0]);
        if (engine)
            *engine = &first;
        return first.Join(output, {parts.begin() + 1, parts.end()});
    }

    std::string Source;
};

TEST_F(JoinWriterTest, JoiningThePartsRestoresTheSourceByteForByte)
{
    for (bool relative : {true, false}) {
        const auto parts = SplitIntoThree(relative);
        ASSERT_EQ(parts.size(), 3u);
        TZendra second(parts[1]);
        EXPECT_EQ(second.PartRecord.LeadCount(), 3);
        ASSERT_TRUE(JoinAll(parts, PathOf("joined.avi")));
        EXPECT_EQ(ReadFileBytes(PathOf("joined.avi")), ReadFileBytes(Source)) << "relative " << relative;
        TZendra joined(PathOf("joined.avi"));
        EXPECT_FALSE(joined.IsPart);
        EXPECT_EQ(joined.IndexIsRelative(), relative);
        fs::remove_all(PathOf("parts"));
    }
}

TEST_F(JoinWriterTest, MemberEqualToTheFirstPartIsLeftOut)
{
    const auto parts = SplitIntoThree(true);
    TZendra first(parts[0]);
    ASSERT_TRUE(first.Join(PathOf("joined.avi"), {parts[0], parts[1], parts[2]}));
    EXPECT_TRUE(Scripted->Messages().empty());
    EXPECT_EQ(ReadFileBytes(PathOf("joined.avi")), ReadFileBytes(Source));
}

TEST_F(JoinWriterTest, MissingMemberFailsAndNamesIt)
{
    const auto parts = SplitIntoThree(true);
    fs::remove(parts[2]);
    EXPECT_FALSE(JoinAll(parts, PathOf("joined.avi")));
    const std::vector<std::string> expected = {"Can not locate member file " + parts[2],
                                               "Fail to produce " + PathOf("joined.avi")};
    EXPECT_EQ(Scripted->Messages(), expected);
}

// Break in the middle part, then Cancel to the question: the join goes on where the
// copy stopped, so nothing is lost and the index names only chunks the file holds.
TEST_F(JoinWriterTest, BreakAnsweredCancelResumesWithoutLosingChunks)
{
    const auto parts = SplitIntoThree(true);
    TZendra first(parts[0]);
    TZendra second(parts[1]);
    const long pumpsIntoSecond = static_cast<long>(first.Index.size()) + 2 + 5;
    Scripted->OnProcessMessages([&] {
        if (Scripted->PumpCount() == pumpsIntoSecond)
            first.Cancel();
    });
    Scripted->QueueAnswer(TAnswer::Cancel);
    ASSERT_TRUE(first.Join(PathOf("joined.avi"), {parts[1], parts[2]}));
    ASSERT_EQ(Scripted->Questions().size(), 1u);
    EXPECT_EQ(Scripted->Questions()[0].Text,
              "Breaking the process and delete the in-process file " + PathOf("joined.avi") + "?");
    EXPECT_EQ(ReadFileBytes(PathOf("joined.avi")), ReadFileBytes(Source));
}

TEST_F(JoinWriterTest, BreakAnsweredOkTrashesTheOutput)
{
    const auto parts = SplitIntoThree(true);
    TZendra first(parts[0]);
    const long pumpsIntoSecond = static_cast<long>(first.Index.size()) + 2 + 5;
    Scripted->OnProcessMessages([&] {
        if (Scripted->PumpCount() == pumpsIntoSecond)
            first.Cancel();
    });
    Scripted->QueueAnswer(TAnswer::OK);
    EXPECT_FALSE(first.Join(PathOf("joined.avi"), {parts[1], parts[2]}));
    EXPECT_FALSE(fs::exists(PathOf("joined.avi")));
    EXPECT_EQ(Scripted->Recycled(), std::vector<std::string>{PathOf("joined.avi")});
    EXPECT_TRUE(Scripted->Messages().empty());
}

TEST_F(JoinWriterTest, BreakDuringTheLastPartAsksNothingAndTrashesTheOutput)
{
    const auto parts = SplitIntoThree(true);
    TZendra first(parts[0]);
    const long pumpsIntoThird = 1 + 2 + static_cast<long>(first.Index.size()) +
                                static_cast<long>(TZendra(parts[1]).Index.size()) - 3 + 5;
    Scripted->OnProcessMessages([&] {
        if (Scripted->PumpCount() == pumpsIntoThird)
            first.Cancel();
    });
    EXPECT_TRUE(first.Join(PathOf("joined.avi"), {parts[1], parts[2]}));
    EXPECT_TRUE(first.Cancelled);
    EXPECT_TRUE(Scripted->Questions().empty());
    EXPECT_FALSE(fs::exists(PathOf("joined.avi")));
}

TEST_F(JoinWriterTest, OutputNamingAMemberIsRefusedBeforeAnythingIsTouched)
{
    const auto parts = SplitIntoThree(true);
    const std::string before = Md5OfFile(parts[2]);
    TZendra first(parts[0]);
    EXPECT_THROW(first.Join(parts[2], {parts[1], parts[2]}), EZendraError);
    EXPECT_THROW(first.Join(parts[0], {parts[1], parts[2]}), EZendraError);
    EXPECT_TRUE(Scripted->Recycled().empty());
    EXPECT_EQ(Md5OfFile(parts[2]), before);
}

TEST_F(JoinWriterTest, ProgressCountsVideoFramesOverTheWholeJoin)
{
    const auto parts = SplitIntoThree(true);
    std::vector<std::pair<int, int>> calls;
    TZendra first(parts[0], [&](std::int32_t done, std::int32_t total) { calls.emplace_back(done, total); });
    ASSERT_TRUE(first.Join(PathOf("joined.avi"), {parts[1], parts[2]}));
    ASSERT_FALSE(calls.empty());
    for (const auto& [done, total] : calls) {
        EXPECT_EQ(total, 60);
        EXPECT_LE(done, 60);
    }
}

}  // namespace
}  // namespace zendra::test
