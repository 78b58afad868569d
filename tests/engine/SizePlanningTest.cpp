// Split by size: every part file within the limit, headers and index included, and the
// parts rejoining to the source.
#include "tests/engine/EngineFixture.h"

#include <filesystem>

#include "app/jobs/JobCore.h"

namespace zendra::test {
namespace {

namespace fs = std::filesystem;

using TPayloads = std::vector<std::pair<std::uint32_t, TBytes>>;

// Every indexed chunk's id and data, in index order, read from the file itself.
TPayloads Payloads(const std::string& path)
{
    const TZendra movie(path);
    const TBytes bytes = ReadFileBytes(path);
    TPayloads out;
    for (const IndexEntry& e : movie.Index) {
        const std::size_t at = std::size_t{movie.IndexBase()} + e.Offset + 8;
        if (at + e.Length > bytes.size())
            return {};
        out.emplace_back(e.ChunkId, TBytes(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                                           bytes.begin() + static_cast<std::ptrdiff_t>(at + e.Length)));
    }
    return out;
}

// The file of each key-frame group written as a part of its own: the smallest limit is the largest.
std::uint64_t SmallestLimit(const TZendra& movie)
{
    std::vector<std::int32_t> keys, sizes;
    movie.ListKeyGroups(keys, sizes);
    std::uint64_t largest = 0;
    for (std::size_t g = 0; g < keys.size(); ++g) {
        const std::int32_t start = g == 0 ? 0 : keys[g];
        const std::int32_t end = g + 1 < keys.size() ? keys[g + 1] - 1 : -1;
        largest = std::max(largest, movie.PartFileSize(start, end, true));
    }
    return largest;
}

class SizeSplit : public EngineTest {
protected:
    // Splits with the limit, checks every part against it and the rejoined movie against the source.
    void SplitAndRejoin(const std::string& movieFile, std::uint64_t limit, bool compareWithFfmpeg)
    {
        SCOPED_TRACE("limit " + std::to_string(limit));
        TZendra movie(movieFile);
        std::vector<std::int32_t> starts;
        ASSERT_TRUE(movie.PlanPartsBySize(starts, limit));
        const std::string folder = PathOf("run" + std::to_string(++Runs) + "/");
        const TSplitResult result = RunSplitParts(movieFile, starts, static_cast<std::int32_t>(movie.Index.size()),
                                                  folder, "part", {});
        ASSERT_TRUE(result.Finished);
        ASSERT_EQ(result.Written.size(), starts.size());

        for (std::size_t r = 1; r <= starts.size(); ++r) {
            const auto [start, end] = PartRange(starts, r);
            const auto size = fs::file_size(result.Written[r - 1]);
            EXPECT_LE(size, limit) << "part " << r;
            EXPECT_EQ(size, movie.PartFileSize(start, end, true)) << "part " << r;
            // Fewest parts: the next group would not have fitted into this part.
            if (r < starts.size()) {
                const std::int32_t nextEnd = r + 1 < starts.size() ? starts[r + 1] - 1 : -1;
                EXPECT_GT(movie.PartFileSize(start, nextEnd, true), limit) << "part " << r;
            }
        }

        const std::string joined = folder + "joined.avi";
        TZendra first(result.Written.front());
        ASSERT_TRUE(first.Join(joined, {result.Written.begin() + 1, result.Written.end()}));
        EXPECT_EQ(Payloads(joined), Payloads(movieFile));
        if (compareWithFfmpeg) {
            EXPECT_EQ(VideoFrameHashes(joined, false), VideoFrameHashes(movieFile, false));
        }
    }

    // From the smallest limit that works up to one that keeps the movie whole.
    void SplitAtLimitsFromTheSmallestUp(const std::string& movieFile, bool compareWithFfmpeg)
    {
        std::uint64_t smallest = 0, whole = 0;
        {
            TZendra movie(movieFile);
            smallest = SmallestLimit(movie);
            whole = movie.PartFileSize(0, -1, true);
        }
        for (std::uint64_t limit : {smallest, smallest + 1, smallest * 3 / 2, smallest * 3, whole - 1, whole})
            if (limit >= smallest)
                SplitAndRejoin(movieFile, limit, compareWithFfmpeg);

        TZendra movie(movieFile);
        std::vector<std::int32_t> starts;
        ASSERT_TRUE(movie.PlanPartsBySize(starts, whole));
        EXPECT_EQ(starts.size(), 1u);
    }

    int Runs = 0;
};

TAviBuilder UnevenMovie()
{
    // Odd sizes (pad bytes), groups of very different lengths, and two key frames in a row.
    TAviBuilder b;
    b.Video().Audio();
    const int keysAt[] = {0, 3, 4, 20, 21, 40, 47};
    int k = 0;
    for (int i = 0; i < 60; ++i) {
        const bool key = k < 7 && keysAt[k] == i;
        k += key;
        b.Frame(key, key ? 901 + 7 * static_cast<std::uint32_t>(i) : 33 + static_cast<std::uint32_t>(i % 5));
        b.AudioChunk(41 + static_cast<std::uint32_t>(i % 3));
    }
    return b;
}

TEST_F(SizeSplit, BuiltMoviesStayWithinEveryLimit)
{
    TPartRecord record;
    record.SetPartIndex(3);
    record.SetSourceName("earlier.avi");

    struct TCase {
        const char* Name;
        TAviBuilder Builder;
    };
    std::vector<TCase> cases;
    cases.push_back({"interleaved", TAviBuilder().Video().Audio().Interleaved(60, 10, 100, 40)});
    cases.push_back({"uneven", UnevenMovie()});
    TAviBuilder lead;
    lead.Video().Audio().AudioChunk(300).AudioChunk(301).Interleaved(45, 9, 120, 30).RelativeIndex(false);
    lead.TopBeforeMovie({"JUNK", Pattern(77, 1)}).TopAfterIndex({"JUNK", Pattern(20, 2)});
    cases.push_back({"lead audio, absolute index, extra chunks", lead});
    cases.push_back({"video only", TAviBuilder().Video().Frame(true, 500).Frame(false, 51)
                                       .Frame(true, 480).Frame(false, 60).Frame(false, 61).Frame(true, 10)});
    cases.push_back({"a part of an earlier split", TAviBuilder().Video().Audio().Interleaved(40, 8).PartRecord(record)});

    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        SplitAtLimitsFromTheSmallestUp(Write(c.Builder, std::string("movie") + std::to_string(Runs) + ".avi"), false);
    }
}

TEST_F(SizeSplit, OneGroupLargerThanTheLimitIsRefused)
{
    const std::string file = Write(UnevenMovie());
    TZendra movie(file);
    const std::uint64_t smallest = SmallestLimit(movie);
    std::vector<std::int32_t> starts{5};
    try {
        movie.PlanPartsBySize(starts, smallest - 1);
        FAIL() << "planned below the smallest limit";
    } catch (const EZendraError& e) {
        const std::string text = e.what();
        EXPECT_NE(text.find("Can not split into parts of at most " + std::to_string(smallest - 1) + " bytes"),
                  std::string::npos)
            << text;
        EXPECT_NE(text.find("alone makes a part of " + std::to_string(smallest) + " bytes"), std::string::npos) << text;
    }
    EXPECT_TRUE(starts.empty());
}

TEST_F(SizeSplit, TheRefusalNamesTheFrameOfTheGroup)
{
    // Frames 1 to 3 small, a large key frame at frame 4.
    const std::string file = Write(TAviBuilder().Video().Frame(true, 10).Frame(false, 10).Frame(true, 10)
                                       .Frame(true, 5000).Frame(false, 10).Frame(true, 10));
    TZendra movie(file);
    std::vector<std::int32_t> starts;
    try {
        movie.PlanPartsBySize(starts, movie.PartFileSize(0, 1, true) + 100);
        FAIL() << "the 5000-byte frame fitted";
    } catch (const EZendraError& e) {
        EXPECT_NE(std::string(e.what()).find("group at frame 4 alone"), std::string::npos) << e.what();
    }
}

TEST_F(SizeSplit, NoKeyFrameGivesNoPlan)
{
    TZendra movie(Write(TAviBuilder().Video().Frame(false, 10).Frame(false, 10)));
    std::vector<std::int32_t> starts{1};
    EXPECT_FALSE(movie.PlanPartsBySize(starts, 1u << 20));
    EXPECT_TRUE(starts.empty());
}

TEST_F(SizeSplit, LimitsOf2GiBAndMoreStillGiveWritableParts)
{
    TZendra movie(Write(TAviBuilder().Video().Audio().Interleaved(30, 5)));
    std::vector<std::int32_t> starts;
    ASSERT_TRUE(movie.PlanPartsBySize(starts, std::uint64_t{4} << 30));
    EXPECT_EQ(starts, std::vector<std::int32_t>{0});
}

class SizeSplitSamples : public SizeSplit, public ::testing::WithParamInterface<TSample> {
protected:
    void SetUp() override
    {
        SizeSplit::SetUp();
        if (!HaveFfmpeg())
            GTEST_SKIP() << "ffmpeg is not installed";
    }
};

TEST_P(SizeSplitSamples, PartsStayWithinTheLimitAndRejoinToTheSource)
{
    SplitAtLimitsFromTheSmallestUp(SamplePath(GetParam()), true);
}

INSTANTIATE_TEST_SUITE_P(Samples, SizeSplitSamples, ::testing::ValuesIn(AllSamples()), [](const auto& info) {
    std::string name = SampleName(info.param);
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
});

}  // namespace
}  // namespace zendra::test
