// Movies that go on past their first RIFF, read by their OpenDML index, and cut.
#include <fstream>

#include "app/jobs/JobCore.h"
#include "engine/OutputVerifier.h"
#include "tests/engine/EngineFixture.h"
#include "tests/testkit/OpenDmlBuilder.h"

namespace zendra::test {
namespace {

// A coding no decoder knows: ffprobe reads the packets without decoding them.
const char* const kOpaqueCoding = "ZNDR";

class OpenDmlTest : public EngineTest {
protected:
    // 50 frames, a key frame every 10, each followed by a sound chunk: 100 chunks.
    static TAviBuilder Movie()
    {
        TAviBuilder builder;
        builder.Video(64, 48, kOpaqueCoding).Audio().Interleaved(50, 10, 100, 40);
        return builder;
    }

    // The data of each chunk the movie's index lists, in index order.
    static std::vector<TBytes> IndexedData(const std::string& path)
    {
        const TZendra movie(path);
        std::ifstream in(path, std::ios::binary);
        std::vector<TBytes> data;
        for (const IndexEntry& e : movie.Index) {
            TBytes bytes(e.Length);
            in.seekg(movie.ChunkPosition(e) + 8);
            in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
            data.push_back(in ? bytes : TBytes{});
        }
        return data;
    }

    static std::vector<TBytes> BuilderData(const TAviBuilder& builder, std::size_t from = 0, std::size_t to = SIZE_MAX)
    {
        std::vector<TBytes> data;
        for (std::size_t i = from; i < builder.Chunks().size() && i <= to; ++i)
            data.push_back(builder.Chunks()[i].Data);
        return data;
    }

    void ExpectSound(const std::string& output)
    {
        EXPECT_EQ(VerifyAviFile(output, {}).Failure, "") << output;
        if (HaveFfmpeg()) {
            EXPECT_TRUE(Probe(output).Clean) << output << " is not read cleanly by ffprobe";
        }
    }
};

TEST_F(OpenDmlTest, EveryRiffIsReadByItsOpenDmlIndex)
{
    const TOpenDmlOptions layouts[] = {{30, false, true}, {30, true, true}, {30, false, false}, {7, false, true}};
    for (const TOpenDmlOptions& layout : layouts) {
        SCOPED_TRACE(::testing::Message() << layout.ChunksPerRiff << " per RIFF, suffix ids " << layout.SuffixIds
                                          << ", idx1 " << layout.LegacyIndex);
        const std::string path = Write(BuildOpenDml(Movie(), layout));
        const auto movie = Open(path);
        EXPECT_TRUE(movie->HasExtendedRiff);
        EXPECT_TRUE(movie->OpenDmlIndexUsed);
        ASSERT_EQ(movie->Index.size(), 100u);
        EXPECT_EQ(movie->FrameCount, 50);
        EXPECT_EQ(movie->LeftOutEntries, 0);
        // Bit 31 of a standard index entry's size marks the frames that are not key frames.
        const auto keys = std::count_if(movie->Index.begin(), movie->Index.end(),
                                        [](const IndexEntry& e) { return (e.Flags & kKeyFrameFlag) != 0; });
        EXPECT_EQ(keys, 5 + 50);
        EXPECT_EQ(IndexedData(path), BuilderData(Movie()));
        EXPECT_NO_THROW(movie->CheckCuttable());
    }
}

// Muxers differ in which headers count the whole movie: the main header counts the first
// RIFF's frames, and mencoder's dmlh does too. The index decides; a header that claims more
// frames than it holds is told, as for any movie.
TEST_F(OpenDmlTest, FrameCountIsTheIndexsWhateverTheHeadersCount)
{
    const TBytes built = BuildOpenDml(Movie(), {30, false, true});
    const auto setMainHeaderFrames = [&](std::uint32_t frames) {
        TBytes bytes = built;
        const char kAvih[] = "avih";
        const auto at = std::search(bytes.begin(), bytes.end(), kAvih, kAvih + 4) - bytes.begin();
        PutU32(&bytes[static_cast<std::size_t>(at) + 8 + TMainHeaderRecord::kTotalFrames], frames);
        return bytes;
    };
    for (const std::uint32_t firstRiffFrames : {15u, 0u}) {
        const auto movie = Open(Write(setMainHeaderFrames(firstRiffFrames)));
        EXPECT_EQ(movie->FrameCount, 50) << firstRiffFrames;
    }
    EXPECT_TRUE(Scripted->Messages().empty());

    EXPECT_EQ(OpenError(Write(setMainHeaderFrames(80))), "Error reading index");
    ASSERT_EQ(Scripted->Messages().size(), 1u);
    EXPECT_EQ(Scripted->Messages()[0], "Index number (50) is different than frame number in header (80).");
}

TEST_F(OpenDmlTest, ClipSplitAndJoinAcrossRiffsHoldEveryChunkOnce)
{
    const std::string path = Write(BuildOpenDml(Movie(), {13, false, true}));
    {
        TZendra movie(path);
        // From the key frame at entry 20 to entry 79: five RIFFs are crossed.
        ASSERT_TRUE(movie.SaveToFile(PathOf("clip.avi"), 20, nullptr, 79));
    }
    ExpectSound(PathOf("clip.avi"));
    EXPECT_EQ(IndexedData(PathOf("clip.avi")), BuilderData(Movie(), 20, 79));

    const TSplitResult split = RunSplitParts(path, {0, 40, 80}, 100, PathOf("parts/"), "part", {});
    ASSERT_TRUE(split.Finished);
    ASSERT_EQ(split.Written.size(), 3u);
    for (const std::string& part : split.Written)
        ExpectSound(part);
    EXPECT_EQ(IndexedData(split.Written[1]), BuilderData(Movie(), 40, 79));

    ASSERT_TRUE(RunJoinParts(split.Written[0], {split.Written[1], split.Written[2]}, PathOf("joined.avi"), {}));
    ExpectSound(PathOf("joined.avi"));
    EXPECT_EQ(IndexedData(PathOf("joined.avi")), BuilderData(Movie()));
    if (HaveFfmpeg()) {
        EXPECT_EQ(VideoFrameHashes(PathOf("joined.avi"), false), VideoFrameHashes(path, false));
    }
}

// A super index that names one standard index again and again, and a standard index that
// claims more entries than it holds, give each chunk once.
TEST_F(OpenDmlTest, HostileIndexCountsDoNotMultiplyTheEntries)
{
    const TBytes built = BuildOpenDml(Movie(), {25, false, false});
    const std::size_t super = FindText(built, "indx") + 8;
    const std::uint64_t first = GetU64(&built[super + 24]);

    TBytes overclaimed = built;
    OverwriteU32(overclaimed, static_cast<std::size_t>(first) + 8 + 4, 0x7FFFFFFF);
    const auto movie = Open(Write(overclaimed, "overclaimed.avi"));
    EXPECT_EQ(movie->Index.size(), 100u);
    EXPECT_EQ(IndexedData(PathOf("overclaimed.avi")), BuilderData(Movie()));

    // The video's last three standard indexes replaced by its first: the movie lacks frames
    // then, and is refused as any movie whose index holds fewer frames than its header.
    TBytes repeated = built;
    for (std::size_t i = 1; i < 4; ++i)
        PutU64(&repeated[super + 24 + 16 * i], first);
    const std::string path = Write(repeated, "repeated.avi");
    EXPECT_NE(OpenError(path), "");
    EXPECT_NE(Scripted->Messages().size(), 0u);
}

// An entry whose chunk is not where it says is left out, as an idx1 entry would be.
TEST_F(OpenDmlTest, EntriesThatNameNoChunkAreLeftOut)
{
    TBytes file = BuildOpenDml(Movie(), {30, false, false});
    const std::size_t audioSuper = FindText(file, "indx", FindText(file, "indx") + 4) + 8;
    const std::size_t standard = static_cast<std::size_t>(GetU64(&file[audioSuper + 24])) + 8;
    OverwriteU32(file, standard + 24, GetU32(&file[standard + 24]) + 2);  // first sound entry, two bytes off
    const auto movie = Open(Write(file));
    EXPECT_EQ(movie->Index.size(), 99u);
    EXPECT_EQ(movie->LeftOutEntries, 1);
}


// --- writing: an output past the RIFF limit (a few kilobytes here) is OpenDML

constexpr std::uint64_t kSmallRiff = 3000;

std::size_t CountText(const TBytes& bytes, const std::string& text)
{
    std::size_t n = 0;
    for (auto it = bytes.begin(); (it = std::search(it, bytes.end(), text.begin(), text.end())) != bytes.end(); ++it)
        ++n;
    return n;
}

TEST_F(OpenDmlTest, OutputsPastTheRiffLimitAreOpenDmlAndHoldEveryChunk)
{
    for (const bool openDmlSource : {false, true}) {
        SCOPED_TRACE(openDmlSource ? "OpenDML source" : "AVI 1.0 source without room for an index");
        const std::string path =
            openDmlSource ? Write(BuildOpenDml(Movie(), {30, false, true}), "odml.avi") : Write(Movie(), "flat.avi");
        TZendra movie(path);
        movie.RiffLimit = kSmallRiff;
        movie.VerifyBytes = true;
        const std::string clip = PathOf("clip.avi");
        // Frames 10 to 49.
        ASSERT_TRUE(movie.SaveToFile(clip, 20, nullptr, 99));
        ExpectSound(clip);
        const TBytes out = ReadFileBytes(clip);
        EXPECT_GE(CountText(out, "AVIX"), 2u);
        EXPECT_EQ(out.size(), movie.PartFileSize(20, 99, false));

        const auto back = Open(clip);
        EXPECT_TRUE(back->OpenDmlIndexUsed);
        EXPECT_EQ(IndexedData(clip), BuilderData(Movie(), 20, 99));
        EXPECT_EQ(std::count_if(back->Index.begin(), back->Index.end(), IsKeyEntry), 4);
        // The whole clip's frames in dmlh and the video stream header, the first RIFF's in avih.
        EXPECT_EQ(GetU32(&out[FindText(out, "dmlh") + 8]), 40u);
        EXPECT_EQ(GetU32(&out[FindText(out, "strh") + 8 + TStreamHeaderRecord::kLength]), 40u);
        // The sound stream's header counts its samples in the clip: 40 chunks of 40 bytes, 4 a sample.
        const std::size_t soundHeader = FindText(out, "strh", FindText(out, "strh") + 4);
        EXPECT_EQ(GetU32(&out[soundHeader + 8 + TStreamHeaderRecord::kLength]), 40u * 40 / 4);
        const std::uint32_t firstRiffFrames = GetU32(&out[FindText(out, "avih") + 8 + TMainHeaderRecord::kTotalFrames]);
        EXPECT_GT(firstRiffFrames, 0u);
        EXPECT_LT(firstRiffFrames, 40u);
        std::filesystem::remove(clip);
    }
}

TEST_F(OpenDmlTest, PartsPastTheRiffLimitRejoinToTheMovie)
{
    TAviBuilder builder;
    builder.Video(64, 48, kOpaqueCoding).Audio().Interleaved(200, 10, 100, 40);
    const std::string path = Write(builder);
    TJobHooks hooks;
    hooks.CurrentEngine = [](TZendra* engine) {
        if (engine)
            engine->RiffLimit = kSmallRiff;
    };
    TZendra movie(path);
    movie.RiffLimit = kSmallRiff;
    // Parts of at most 20000 bytes: OpenDML ones, each within the limit as planned.
    std::vector<std::int32_t> starts;
    ASSERT_TRUE(movie.PlanPartsBySize(starts, 20000));
    ASSERT_GE(starts.size(), 2u);
    const TSplitResult split = RunSplitParts(path, starts, 400, PathOf("parts/"), "part", hooks);
    ASSERT_TRUE(split.Finished);
    for (std::size_t r = 1; r <= split.Written.size(); ++r) {
        const std::string& part = split.Written[r - 1];
        ExpectSound(part);
        const auto [start, end] = PartRange(starts, r);
        EXPECT_EQ(std::filesystem::file_size(part), movie.PartFileSize(start, end, true)) << part;
        EXPECT_LE(std::filesystem::file_size(part), 20000u) << part;
        EXPECT_GE(CountText(ReadFileBytes(part), "AVIX"), 1u) << part;
    }
    EXPECT_EQ(VerifySplitRun(split.Written), "");

    TZendra first(split.Written[0]);
    first.RiffLimit = kSmallRiff;
    first.VerifyBytes = true;
    const std::string joined = PathOf("joined.avi");
    ASSERT_TRUE(first.Join(joined, {split.Written.begin() + 1, split.Written.end()}));
    ExpectSound(joined);
    EXPECT_GE(CountText(ReadFileBytes(joined), "AVIX"), 2u);
    EXPECT_EQ(IndexedData(joined), BuilderData(builder));
    if (HaveFfmpeg()) {
        EXPECT_EQ(VideoFrameHashes(joined, false), VideoFrameHashes(path, false));
    }
}

// ffmpeg keeps room for an index in every stream list and for the odml list: an OpenDML
// output takes it, so its header list is as long as the source's.
TEST_F(OpenDmlTest, RealCodecsPastTheRiffLimitKeepTheirPacketsAndTheRoomKeptForIndexes)
{
    if (!HaveFfmpeg())
        GTEST_SKIP() << "ffmpeg is not installed";
    const std::string source = SamplePath(TSample::Mpeg4Mp3);
    TZendra movie(source);
    movie.RiffLimit = 64 * 1024;
    movie.VerifyBytes = true;
    const std::int32_t start = movie.KeyEntryForFrame(24);
    const std::string clip = PathOf("clip.avi");
    ASSERT_TRUE(movie.SaveToFile(clip, start, nullptr, -1));
    ExpectSound(clip);
    const TBytes in = ReadFileBytes(source), out = ReadFileBytes(clip);
    EXPECT_GE(CountText(out, "AVIX"), 2u);
    EXPECT_EQ(GetU32(&out[16]), GetU32(&in[16])) << "header list sizes";
    // From the key frame at frame 12 (a key frame every 12) to the end.
    std::vector<std::string> expected = VideoFrameHashes(source, false);
    expected.erase(expected.begin(), expected.begin() + 12);
    EXPECT_EQ(VideoFrameHashes(clip, false), expected);
}

TEST_F(OpenDmlTest, TheProofOfAnOpenDmlOutputFindsWhatIsWrong)
{
    TZendra movie(Write(Movie()));
    movie.RiffLimit = kSmallRiff;
    ASSERT_TRUE(movie.SaveToFile(PathOf("clip.avi"), 0, nullptr, -1));
    const TBytes good = ReadFileBytes(PathOf("clip.avi"));
    ASSERT_EQ(VerifyAviFile(PathOf("clip.avi"), {}).Failure, "");

    TBytes moved = good;  // a standard index entry two bytes off its chunk
    const std::size_t ix = FindText(moved, "ix00", FindText(moved, "AVIX"));
    OverwriteU32(moved, ix + 32, GetU32(&moved[ix + 32]) + 2);
    EXPECT_NE(VerifyAviFile(Write(moved, "moved.avi"), {}).Failure.find("OpenDML index"), std::string::npos);

    TBytes cut = good;  // a RIFF AVIX claiming more than the file holds
    const std::size_t avix = FindText(cut, "AVIX") - 8;
    OverwriteU32(cut, avix + 4, GetU32(&cut[avix + 4]) + 4096);
    EXPECT_NE(VerifyAviFile(Write(cut, "cut.avi"), {}).Failure, "");
}

}  // namespace
}  // namespace zendra::test
