// Nothing lost: whatever a split, clip, join or Break does, the movies read keep every
// byte, and no output replaces or trashes one of them.
#include "tests/engine/EngineFixture.h"

#include <filesystem>

#include "app/jobs/JobCore.h"
#include "app/jobs/SplitPlan.h"

namespace zendra::test {
namespace {

namespace fs = std::filesystem;

class SourceSafetyTest : public EngineTest {
protected:
    struct TMovie {
        std::string Name;
        std::string Path;
        std::string Hash;
    };

    // Copies of the ffmpeg samples, and the builder movies.
    std::vector<TMovie> Movies()
    {
        std::vector<TMovie> movies;
        if (HaveFfmpeg())
            for (TSample sample : AllSamples()) {
                const std::string path = PathOf(std::string(SampleName(sample)) + ".avi");
                fs::copy_file(SamplePath(sample), path);
                movies.push_back({SampleName(sample), path, Md5OfFile(path)});
            }
        for (const TMovie& movie : BuilderMovies())
            movies.push_back(movie);
        return movies;
    }

    // Movies of the usual layouts: an audio entry ahead of the first frame, a relative
    // index; video only, an absolute index.
    std::vector<TMovie> BuilderMovies()
    {
        std::vector<TMovie> movies;
        auto add = [&](const std::string& name, const std::string& path) {
            movies.push_back({name, path, Md5OfFile(path)});
        };
        TAviBuilder relative;
        relative.Video().Audio();
        relative.AudioChunk(19);
        relative.Interleaved(45, 9, 83, 29);
        add("builder-relative", Write(relative, "builder-relative.avi"));
        TAviBuilder absolute;
        absolute.Video().RelativeIndex(false).Interleaved(30, 6, 120, 0);
        add("builder-absolute", Write(absolute, "builder-absolute.avi"));
        return movies;
    }

    // The bytes are those read at the start, and the trash never received the file.
    void ExpectUntouched(const TMovie& movie)
    {
        EXPECT_EQ(Md5OfFile(movie.Path), movie.Hash) << movie.Name;
        const auto& recycled = Scripted->Recycled();
        EXPECT_TRUE(std::find(recycled.begin(), recycled.end(), movie.Path) == recycled.end()) << movie.Name;
    }

    static std::vector<std::int32_t> Plan(const std::string& path, int mode)
    {
        TZendra movie(path);
        std::vector<std::int32_t> starts;
        std::vector<std::int64_t> accumulators;
        movie.PlanParts(starts, accumulators, SplitTarget(movie, static_cast<TSplitMode>(mode), 3));
        return starts;
    }

    static TSplitResult Split(const std::string& path, int mode, const std::string& folder, const TJobHooks& hooks = {})
    {
        const auto starts = Plan(path, mode);
        return RunSplitParts(path, starts, static_cast<std::int32_t>(TZendra(path).Index.size()), folder, "part", hooks);
    }

    // Hooks that press Break once the message pump has run `after` times.
    TJobHooks BreakAfter(long after)
    {
        Current = nullptr;
        TJobHooks hooks;
        hooks.CurrentEngine = [this](TZendra* engine) { Current = engine; };
        const long base = Scripted->PumpCount();
        Scripted->OnProcessMessages([this, after, base] {
            if (Scripted->PumpCount() - base == after && Current)
                Current->Cancel();
        });
        return hooks;
    }

    TZendra* Current = nullptr;
};

TEST_F(SourceSafetyTest, SplittingInEveryModeLeavesTheSourceAlone)
{
    for (const TMovie& movie : Movies()) {
        for (int mode = 0; mode <= 3; ++mode) {
            SCOPED_TRACE(movie.Name + " mode " + std::to_string(mode));
            Scripted->Clear();
            const std::string folder = PathOf("parts-" + movie.Name + "/");
            const TSplitResult first = Split(movie.Path, mode, folder);
            EXPECT_TRUE(first.Finished);
            // Again into the same folder, keeping the old parts: SaveToFile trashes them, never the source.
            Scripted->QueueAnswer(TAnswer::No);
            const TSplitResult second = Split(movie.Path, mode, folder);
            EXPECT_TRUE(second.Finished);
            for (const std::string& recycled : Scripted->Recycled())
                EXPECT_EQ(recycled.rfind(folder, 0), 0u) << recycled;
            ExpectUntouched(movie);
            fs::remove_all(folder);
        }
    }
}

TEST_F(SourceSafetyTest, ClippingAndJoiningLeaveTheirInputsAlone)
{
    for (const TMovie& movie : Movies()) {
        SCOPED_TRACE(movie.Name);
        EXPECT_TRUE(RunClipRange(movie.Path, 7, 25, PathOf("clip.avi"), {}));
        const TSplitResult split = Split(movie.Path, 1, PathOf("parts/"));
        ASSERT_TRUE(split.Finished);
        std::vector<TMovie> parts;
        for (const std::string& part : split.Written)
            parts.push_back({part, part, Md5OfFile(part)});
        EXPECT_TRUE(RunJoinParts(split.Written[0], {split.Written.begin() + 1, split.Written.end()},
                                 PathOf("joined.avi"), {}));
        ExpectUntouched(movie);
        for (const TMovie& part : parts)
            ExpectUntouched(part);
        fs::remove_all(PathOf("parts"));
    }
}

// Break at several points of each job: the half-written output goes to the trash, the inputs stay.
TEST_F(SourceSafetyTest, BreakingOffMidWayLeavesTheInputsAlone)
{
    for (const TMovie& movie : Movies()) {
        const auto entries = static_cast<long>(TZendra(movie.Path).Index.size());
        const TSplitResult split = Split(movie.Path, 0, PathOf("parts/"));
        ASSERT_TRUE(split.Finished);
        TMovie firstPart{split.Written[0], split.Written[0], Md5OfFile(split.Written[0])};
        const std::vector<std::string> members(split.Written.begin() + 1, split.Written.end());
        // From the second pass on: the first runs before a job's engine exists.
        for (long after : {2L, entries / 3, entries - 2}) {
            SCOPED_TRACE(movie.Name + " break after " + std::to_string(after));
            EXPECT_FALSE(Split(movie.Path, 2, PathOf("broken/"), BreakAfter(after)).Finished);
            EXPECT_FALSE(RunClipRange(movie.Path, 0, 1 << 20, PathOf("clip.avi"), BreakAfter(after)));
            EXPECT_FALSE(fs::exists(PathOf("clip.avi")));
            // Break before the last part asks whether to delete the file: the answer is OK.
            EXPECT_FALSE(RunJoinParts(split.Written[0], members, PathOf("joined.avi"), BreakAfter(after)));
            ExpectUntouched(movie);
            ExpectUntouched(firstPart);
            Scripted->OnProcessMessages({});
            fs::remove_all(PathOf("broken"));
        }
        fs::remove_all(PathOf("parts"));
    }
}

// Outputs named like an input are refused before anything is written or trashed.
TEST_F(SourceSafetyTest, AnOutputNamedLikeAnInputIsRefused)
{
    const TMovie movie = BuilderMovies().front();
    EXPECT_THROW(RunClipRange(movie.Path, 0, 10, movie.Path, {}), EZendraError);
    const TSplitResult split = Split(movie.Path, 1, PathOf("parts/"));
    ASSERT_GE(split.Written.size(), 2u);
    const TMovie member{split.Written[1], split.Written[1], Md5OfFile(split.Written[1])};
    EXPECT_THROW(RunJoinParts(split.Written[0], {split.Written[1]}, split.Written[1], {}), EZendraError);
    ExpectUntouched(movie);
    ExpectUntouched(member);
}

// The split's offer to delete the AVI files already in its folder spares the movie being
// split when that folder is the movie's own.
TEST_F(SourceSafetyTest, SplittingIntoTheMoviesOwnFolderKeepsTheMovie)
{
    const TMovie movie = BuilderMovies().front();
    WriteFileBytes(PathOf("old-part.avi"), Pattern(100, 1));
    const TSplitResult split = Split(movie.Path, 1, Folder + "/");  // the question's answer: Yes
    EXPECT_TRUE(split.Finished);
    EXPECT_FALSE(fs::exists(PathOf("old-part.avi")));
    ExpectUntouched(movie);
}

}  // namespace
}  // namespace zendra::test
