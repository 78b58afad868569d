// Layouts that muxers other than ffmpeg write, rebuilt byte for byte: every output must be
// a file that reads back right, and that ffprobe reads without a complaint.
#include "tests/engine/EngineFixture.h"

#include "app/jobs/JobCore.h"
#include "engine/OutputVerifier.h"

namespace zendra::test {
namespace {

// A coding ffprobe does not parse, so that its complaints can only be about the layout.
const char* const kOpaqueCoding = "ZNDR";

class ForeignLayoutTest : public EngineTest {
protected:
    // Cuts in [from, to] through the clip job and proves the output independently.
    void ExpectCleanClip(const std::string& in, std::int32_t fromFrame, std::int32_t toFrame, const std::string& name)
    {
        const std::string out = PathOf(name);
        ASSERT_TRUE(RunClipRange(in, fromFrame, toFrame, out, {}))
            << (Scripted->Messages().empty() ? "" : Scripted->Messages().back());
        ExpectProven(out);
    }
    void ExpectProven(const std::string& out)
    {
        EXPECT_EQ(VerifyAviFile(out, {}).Failure, "") << out;
        EXPECT_NO_THROW(TZendra{out}) << out;
        if (HaveFfmpeg()) {
            EXPECT_TRUE(Probe(out).Clean) << out << " is not read cleanly by ffprobe";
        }
    }
    // The chunk data of an output, in index order.
    static std::vector<TBytes> ChunkData(const std::string& path)
    {
        TZendra movie(path);
        const TBytes bytes = ReadFileBytes(path);
        std::vector<TBytes> data;
        for (const IndexEntry& e : movie.Index) {
            const std::size_t at = movie.IndexBase() + e.Offset + 8;
            data.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                              bytes.begin() + static_cast<std::ptrdiff_t>(at + e.Length));
        }
        return data;
    }
};

// mencoder sizes strl and hdrl without the pad byte of an odd last child.
TEST_F(ForeignLayoutTest, HeaderListsSizedWithoutTheirLastPadByteStayReadable)
{
    TAviBuilder b;
    b.Video(64, 48, kOpaqueCoding).Audio();
    b.LastStream().Format.push_back(0x55);  // an odd audio format closes both lists
    b.Interleaved(30, 10);
    TBytes bytes = b.Build();
    const std::size_t audioList = FindText(bytes, "strl", FindText(bytes, "strl") + 4);
    OverwriteU32(bytes, audioList - 4, GetU32(&bytes[audioList - 4]) - 1);
    const std::size_t headerList = FindText(bytes, "hdrl");
    OverwriteU32(bytes, headerList - 4, GetU32(&bytes[headerList - 4]) - 1);
    const std::string in = Write(bytes);

    ExpectCleanClip(in, 11, 25, "clip.avi");
    const TSplitResult split = RunSplitParts(in, {0, 20, 40}, 60, PathOf("parts/"), "p", {});
    ASSERT_TRUE(split.Finished);
    for (const std::string& part : split.Written)
        ExpectProven(part);
    // The output's lists are sized as the input's: the one pad byte is written once.
    const TBytes out = ReadFileBytes(PathOf("clip.avi"));
    const std::size_t outHeader = FindText(out, "hdrl");
    EXPECT_EQ(GetU32(&out[outHeader - 4]), GetU32(&bytes[headerList - 4]));
    EXPECT_EQ(std::string(out.begin() + outHeader + GetU32(&out[outHeader - 4]) + 1,
                          out.begin() + outHeader + GetU32(&out[outHeader - 4]) + 5), "LIST");
}

// mencoder's stream copy: an odd video format closes the first strl, and hdrl is sized
// without that pad byte, so that its last child runs into the list's own pad byte.
TEST_F(ForeignLayoutTest, AHeaderListSizedWithoutAnInnerPadByteIsCopiedAsItIs)
{
    TAviBuilder b;
    b.Video(64, 48, kOpaqueCoding);
    b.LastStream().Format.push_back(0x11);
    b.Audio().Interleaved(30, 10);
    TBytes bytes = b.Build();
    const std::size_t videoList = FindText(bytes, "strl");
    OverwriteU32(bytes, videoList - 4, GetU32(&bytes[videoList - 4]) - 1);
    const std::size_t headerList = FindText(bytes, "hdrl");
    OverwriteU32(bytes, headerList - 4, GetU32(&bytes[headerList - 4]) - 1);
    const std::string in = Write(bytes);

    ExpectCleanClip(in, 0, 30, "all.avi");
    const TBytes out = ReadFileBytes(PathOf("all.avi"));
    const std::size_t outHeader = FindText(out, "hdrl");
    const std::size_t span = GetU32(&bytes[headerList - 4]) + 1;
    const std::size_t frames = FindText(bytes, "avih") + 8 + 16 - headerList;
    for (std::size_t i = 0; i < span; ++i)
        if (i < frames || i >= frames + 4) {
            ASSERT_EQ(out[outHeader + i], bytes[headerList + i]) << "header list byte " << i;
        }
}

// Padding ahead of the first indexed chunk makes a relative first offset look absolute.
TEST_F(ForeignLayoutTest, RelativeIndexBehindPaddingIsReadByWhereItsEntriesPoint)
{
    TAviBuilder b;
    b.Video(64, 48, kOpaqueCoding).Audio().RelativeIndex(true);
    b.Chunk({"JUNK", 0, TBytes(4096, 0), false});
    b.Interleaved(30, 10);
    const std::string in = Write(b);
    {
        TZendra movie(in);
        EXPECT_TRUE(movie.IndexIsRelative());
        EXPECT_EQ(movie.LeftOutEntries, 0);
    }
    ExpectCleanClip(in, 0, 30, "all.avi");
    std::vector<TBytes> expected;
    for (const TMovieChunk& c : b.Chunks())
        if (c.Indexed)
            expected.push_back(c.Data);
    EXPECT_EQ(ChunkData(PathOf("all.avi")), expected);
}

TEST_F(ForeignLayoutTest, AnIndexThatPointsAtNoChunkUnderEitherBaseIsRefused)
{
    TAviBuilder b;
    b.Video(64, 48, kOpaqueCoding).Interleaved(10, 5);
    TBytes bytes = b.Build();
    const std::size_t index = FindText(bytes, "idx1") + 8;
    for (std::size_t at = index; at + 16 <= bytes.size(); at += 16)
        OverwriteU32(bytes, at + 8, GetU32(&bytes[at + 8]) + 2);
    EXPECT_NE(OpenError(Write(bytes)).find("does not point at its chunks"), std::string::npos);
}

// dvgrab's first entry points at the movi list's own type; other entries name streams the
// file does not have, or the headers.
TEST_F(ForeignLayoutTest, EntriesThatNameNoChunkAreLeftOutOfEveryOutput)
{
    TAviBuilder b;
    b.Video(64, 48, kOpaqueCoding).Audio().RelativeIndex(true);
    b.LeadingIndexEntry({MakeFourCC('7', 'F', 'x', 'x'), 0, 0, 0});
    b.LeadingIndexEntry({MakeFourCC('0', '7', 'd', 'c'), kKeyFrameFlag, 4, 100});
    b.AudioChunk(30).AudioChunk(31);
    b.Interleaved(30, 10);
    const std::string in = Write(b);
    {
        TZendra movie(in);
        EXPECT_EQ(movie.LeftOutEntries, 2);
        EXPECT_EQ(movie.Index.size(), b.Chunks().size());
        EXPECT_EQ(movie.VideoFrameCount(), 30);
    }
    ExpectCleanClip(in, 15, 25, "clip.avi");
    TZendra clip(PathOf("clip.avi"));
    ASSERT_GE(clip.Index.size(), 2u);
    EXPECT_EQ(clip.LeftOutEntries, 0);
    EXPECT_EQ(ChunkData(PathOf("clip.avi")).front(), b.Chunks()[0].Data);  // the lead audio, not the dummy

    const TSplitResult split = RunSplitParts(in, {0, 22, 42}, 62, PathOf("parts/"), "p", {});
    ASSERT_TRUE(split.Finished);
    ASSERT_TRUE(RunJoinParts(split.Written[0], {split.Written[1], split.Written[2]}, PathOf("joined.avi"), {}));
    ExpectProven(PathOf("joined.avi"));
    EXPECT_EQ(ChunkData(PathOf("joined.avi")).size(), b.Chunks().size());
}

TEST_F(ForeignLayoutTest, AnIndexAheadOfTheMovieGivesOutputsWithOneMovieAndOneIndex)
{
    TAviBuilder b;
    b.Video(64, 48, kOpaqueCoding).Audio().RelativeIndex(false).IndexBeforeMovie();
    b.TopAfterIndex({"JUNK", TBytes(20, 0)});
    b.Interleaved(30, 10);
    const std::string in = Write(b);
    ExpectCleanClip(in, 0, 30, "all.avi");
    EXPECT_LT(ReadFileBytes(PathOf("all.avi")).size(), ReadFileBytes(in).size() + 100);
}

TEST_F(ForeignLayoutTest, ChunksGroupedInRecListsAreCopiedOnce)
{
    TAviBuilder b;
    b.Video(64, 48, kOpaqueCoding).Audio().RecGroups(2);
    b.Interleaved(30, 10);
    const std::string in = Write(b);
    {
        TZendra movie(in);
        EXPECT_EQ(movie.Index.size(), b.Chunks().size());
    }
    ExpectCleanClip(in, 0, 30, "all.avi");
    EXPECT_EQ(ChunkData(PathOf("all.avi")).size(), b.Chunks().size());
    EXPECT_LT(ReadFileBytes(PathOf("all.avi")).size(), ReadFileBytes(in).size() + 100);
}

// MJPEG from some muxers, and DV type-1, carry no key flag: every frame is a picture.
TEST_F(ForeignLayoutTest, IntraOnlyVideoWithoutKeyFlagsIsCutAtAnyFrame)
{
    TAviBuilder mjpeg;
    mjpeg.Video(64, 48, "MJPG");
    Overwrite(mjpeg.LastStream().Format, 16, kOpaqueCoding);  // the handler alone tells MJPEG
    mjpeg.Audio();
    for (int i = 0; i < 20; ++i)
        mjpeg.Frame(false, 200 + i).AudioChunk();
    const std::string in = Write(mjpeg);
    {
        TZendra movie(in);
        EXPECT_NO_THROW(movie.LargestGroupSize());
        EXPECT_GT(movie.PartCount(1), 1);
    }
    ExpectCleanClip(in, 7, 12, "clip.avi");
    EXPECT_EQ(TZendra(PathOf("clip.avi")).VideoFrameCount(), 6);

    TAviBuilder dv;
    TStreamSpec stream;
    stream.Type = "iavs";
    stream.Handler = "dvsd";
    stream.Format = Pattern(32, 1);
    dv.Stream(stream);
    for (int i = 0; i < 12; ++i)
        dv.Chunk({i % 2 ? "00db" : "00__", 0, Pattern(480, static_cast<std::uint32_t>(i))});
    const std::string dvIn = Write(dv, "dv1.avi");
    const std::string dvOut = PathOf("dv-clip.avi");
    ASSERT_TRUE(RunClipRange(dvIn, 4, 9, dvOut, {}));
    EXPECT_EQ(VerifyAviFile(dvOut, {}).Failure, "");
    const auto [start, end] = ClipRange(TZendra(dvIn), 4, 9);
    EXPECT_EQ(start, 3);  // frame 4 is a picture of its own
    EXPECT_EQ(TZendra(dvOut).VideoFrameCount(), end - start + 1);
}

TEST_F(ForeignLayoutTest, SplitsBeyondTheRecordsSixteenBitFieldsAreRefusedBeforeAnythingIsMade)
{
    TAviBuilder b;
    b.Video(64, 48, kOpaqueCoding).Audio();
    for (int i = 0; i < 65536; ++i)
        b.AudioChunk(2);
    b.Interleaved(20, 10, 10, 2);
    const std::string in = Write(b);
    EXPECT_THROW(RunSplitParts(in, {0, 65546}, 65576, PathOf("lead/"), "p", {}), EZendraError);
    EXPECT_FALSE(std::filesystem::exists(PathOf("lead")));

    TAviBuilder small;
    small.Video().Interleaved(20, 1, 10, 2);
    const std::string many = Write(small, "many.avi");
    std::vector<std::int32_t> starts(65536);
    for (std::size_t i = 0; i < starts.size(); ++i)
        starts[i] = static_cast<std::int32_t>(i % 20);
    EXPECT_THROW(RunSplitParts(many, starts, 20, PathOf("many/"), "p", {}), EZendraError);
    EXPECT_FALSE(std::filesystem::exists(PathOf("many")));
}

// A damaged file whose idx1 claims far more than it holds: the zeros are not read into memory.
TEST_F(ForeignLayoutTest, AnIndexThatGoesOnInZerosEndsWithItsRealEntries)
{
    TAviBuilder b;
    b.Video(64, 48, kOpaqueCoding).Audio().Interleaved(30, 10);
    TBytes bytes = b.Build();
    const std::size_t index = FindText(bytes, "idx1");
    const std::uint32_t claimed = 0x60000000;
    OverwriteU32(bytes, index + 4, claimed);
    OverwriteU32(bytes, 4, static_cast<std::uint32_t>(index + 8 + claimed - 8));
    const std::string in = Write(bytes);
    std::filesystem::resize_file(in, index + 8 + claimed);  // sparse: no disk is spent on the zeros
    TZendra movie(in);
    EXPECT_EQ(movie.Index.size(), 60u);
    EXPECT_EQ(movie.LeftOutEntries, static_cast<std::int32_t>(claimed / 16 - 60));
    ASSERT_FALSE(Scripted->Messages().empty());
    EXPECT_NE(Scripted->Messages().front().find("ends after entry 60"), std::string::npos);
    EXPECT_LT(movie.Index.capacity(), 100000u);
    std::filesystem::remove(in);
}

TEST_F(ForeignLayoutTest, ASplitRefusedForAMovieThatGoesOnMakesNoFolder)
{
    TBytes file = TAviBuilder().Video(64, 48, kOpaqueCoding).Interleaved(10, 5, 30, 0).Build();
    TBytes avix;
    AppendFourCC(avix, "RIFF");
    AppendU32(avix, 4);
    AppendFourCC(avix, "AVIX");
    file.insert(file.end(), avix.begin(), avix.end());
    const std::string in = Write(file);
    std::vector<std::string> written;
    TJobHooks hooks;
    hooks.Writing = [&](const std::string& name) { written.push_back(name); };
    EXPECT_THROW(RunSplitParts(in, {0, 5}, 20, PathOf("parts/"), "p", hooks), EZendraError);
    EXPECT_FALSE(std::filesystem::exists(PathOf("parts")));
    EXPECT_TRUE(written.empty());
    EXPECT_TRUE(Scripted->Questions().empty());
}

TEST_F(ForeignLayoutTest, AClipOfAPartCarriesNoPartRecord)
{
    TPartRecord record;
    record.SetPartIndex(2);
    record.SetBatchIdentity("{batch}");
    TAviBuilder b;
    b.Video(64, 48, kOpaqueCoding).Audio().PartRecord(record).Interleaved(20, 5);
    const std::string in = Write(b);
    ExpectCleanClip(in, 6, 15, "clip.avi");
    TZendra clip(PathOf("clip.avi"));
    EXPECT_EQ(clip.PartRecordChunk, nullptr);
    EXPECT_FALSE(clip.IsPart);
}

}  // namespace
}  // namespace zendra::test
