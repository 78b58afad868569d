// ffmpeg-made movies cut and rejoined, checked with ffmpeg itself.
#include "tests/engine/EngineFixture.h"

#include <filesystem>

#include "app/jobs/JobCore.h"
#include "app/jobs/SplitPlan.h"

namespace zendra::test {
namespace {

namespace fs = std::filesystem;

class RoundTripTest : public EngineTest, public ::testing::WithParamInterface<TSample> {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        if (!HaveFfmpeg())
            GTEST_SKIP() << "ffmpeg is not installed";
        Movie = SamplePath(GetParam());
        // Open GOPs (B-frames) can not decode alone at a cut; their stored frames must still
        // be exactly the source's, so those samples compare packets.
        Decode = GetParam() != TSample::Mpeg4BFrames;
        SourceFrames = VideoFrameHashes(Movie, Decode);
        ASSERT_FALSE(SourceFrames.empty());
    }

    std::vector<std::string> Split(int mode, std::int32_t parts)
    {
        TZendra movie(Movie);
        std::vector<std::int32_t> starts;
        std::vector<std::int64_t> accumulators;
        EXPECT_TRUE(movie.PlanParts(starts, accumulators, SplitTarget(movie, static_cast<TSplitMode>(mode), parts)));
        const TSplitResult result = RunSplitParts(Movie, starts, static_cast<std::int32_t>(movie.Index.size()),
                                                  PathOf("run/"), "part", {});
        EXPECT_TRUE(result.Finished);
        EXPECT_EQ(result.Written.size(), starts.size());
        return result.Written;
    }

    std::string Movie;
    bool Decode = true;
    std::vector<std::string> SourceFrames;
};

TEST_P(RoundTripTest, PartsHoldTheSourceFramesAndRejoinToTheSource)
{
    // Three key frames in all: only "Smallest" can cut that movie in more than one part.
    const auto parts = GetParam() == TSample::Gop250 ? Split(2, 0) : Split(3, 4);
    ASSERT_GE(parts.size(), 2u);
    std::vector<std::string> frames;
    for (const std::string& part : parts) {
        EXPECT_TRUE(Probe(part).Clean) << part;
        const auto partFrames = VideoFrameHashes(part, Decode);
        frames.insert(frames.end(), partFrames.begin(), partFrames.end());
    }
    EXPECT_EQ(frames, SourceFrames);

    TZendra first(parts[0]);
    ASSERT_TRUE(first.Join(PathOf("joined.avi"), {parts.begin() + 1, parts.end()}));
    // ffmpeg's movi holds exactly the indexed chunks, so the rejoined file is the source.
    EXPECT_EQ(Md5OfFile(PathOf("joined.avi")), Md5OfFile(Movie));
}

TEST_P(RoundTripTest, ClipStartsAtTheKeyFrameBeforeTheStart)
{
    TZendra movie(Movie);
    const std::int32_t frames = movie.VideoFrameCount();
    const std::int32_t startFrame = frames / 3, endFrame = 2 * frames / 3;
    ASSERT_TRUE(RunClipRange(Movie, startFrame, endFrame, PathOf("clip.avi"), {}));
    EXPECT_TRUE(Probe(PathOf("clip.avi")).Clean);

    // Frame numbers of the stretch, counted among the video entries that hold a picture.
    const auto [s, e] = ClipRange(movie, startFrame, endFrame);
    std::size_t firstPicture = 0, pictures = 0;
    for (std::int32_t i = 0; i <= e; ++i) {
        const IndexEntry& entry = movie.Index[static_cast<std::size_t>(i)];
        if (!IsVideoEntry(entry) || entry.Length == 0)
            continue;
        if (i < s)
            ++firstPicture;
        else
            ++pictures;
    }
    const std::vector<std::string> expected(SourceFrames.begin() + static_cast<std::ptrdiff_t>(firstPicture),
                                            SourceFrames.begin() + static_cast<std::ptrdiff_t>(firstPicture + pictures));
    EXPECT_EQ(VideoFrameHashes(PathOf("clip.avi"), Decode), expected);
}

TEST_P(RoundTripTest, ClipToTheEndWritesTheWholeMovie)
{
    TZendra movie(Movie);
    ASSERT_TRUE(RunClipRange(Movie, 0, movie.VideoFrameCount(), PathOf("all.avi"), {}));
    EXPECT_EQ(VideoFrameHashes(PathOf("all.avi"), Decode), SourceFrames);
    EXPECT_EQ(TZendra(PathOf("all.avi")).Index.size(), movie.Index.size());
}

INSTANTIATE_TEST_SUITE_P(Samples, RoundTripTest, ::testing::ValuesIn(AllSamples()),
                         [](const auto& info) {
                             std::string name = SampleName(info.param);
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

}  // namespace
}  // namespace zendra::test
