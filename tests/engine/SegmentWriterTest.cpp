// Writing a stretch of a movie: layout, lead entries, index, cancel, progress and failures.
#include "tests/engine/EngineFixture.h"

#include <filesystem>

#include "platform/BinaryFile.h"

namespace zendra::test {
namespace {

namespace fs = std::filesystem;

class SegmentWriterTest : public EngineTest {
protected:
    // Four audio entries lead, then 30 frames (key every 10) each followed by audio.
    TAviBuilder LeadMovie(bool relative = true)
    {
        TAviBuilder b;
        b.Video().Audio().RelativeIndex(relative);
        for (int i = 0; i < 4; ++i)
            b.AudioChunk(30 + i);
        b.Interleaved(30, 10, 101, 40);
        return b;
    }

    bool Save(const std::string& input, const std::string& output, std::int32_t s, TPartRecord* r, std::int32_t e)
    {
        TZendra movie(input);
        return movie.SaveToFile(output, s, r, e);
    }
};

TEST_F(SegmentWriterTest, WholeMovieCopiesEveryChunkOnceWithAbsoluteOffsets)
{
    const TAviBuilder b = LeadMovie(true);
    const std::string in = Write(b);
    ASSERT_TRUE(Save(in, PathOf("out.avi"), 0, nullptr, -1));

    TZendra out(PathOf("out.avi"));
    TZendra src(in);
    ASSERT_EQ(out.Index.size(), src.Index.size());
    EXPECT_EQ(out.FrameCount, 30);
    EXPECT_EQ(out.VideoStreamHeader->Header.dwLength, 30u);
    EXPECT_FALSE(out.IndexIsRelative());
    EXPECT_EQ(out.Index.front().Offset, out.MovieList->DataPosition + 4);

    const TBytes bytes = ReadFileBytes(PathOf("out.avi"));
    for (std::size_t i = 0; i < out.Index.size(); ++i) {
        const IndexEntry& e = out.Index[i];
        ASSERT_EQ(e.ChunkId, src.Index[i].ChunkId);
        ASSERT_EQ(GetU32(&bytes[e.Offset]), e.ChunkId) << "entry " << i;
        const TBytes& data = b.Chunks()[i].Data;
        ASSERT_TRUE(std::equal(data.begin(), data.end(), bytes.begin() + e.Offset + 8)) << "entry " << i;
    }
    EXPECT_EQ(GetU32(&bytes[4]), bytes.size() - 8);
}

TEST_F(SegmentWriterTest, LaterRangeStartsWithCopiesOfTheLeadEntries)
{
    const std::string in = Write(LeadMovie(true));
    TZendra src(in);
    const std::int32_t thirdKey = src.KeyEntryForFrame(21);
    TPartRecord record;
    record.SetPartIndex(3);
    record.SetBatchIdentity("{00000000-0000-0000-0000-000000000003}");
    ASSERT_TRUE(Save(in, PathOf("part.avi"), thirdKey, &record, -1));

    TZendra part(PathOf("part.avi"));
    ASSERT_TRUE(part.IsPart);
    EXPECT_EQ(part.PartRecord.LeadCount(), 4);
    EXPECT_EQ(part.PartRecord.RelativeIndex(), 1);
    EXPECT_EQ(part.PartRecord.PartIndex(), 3);
    EXPECT_EQ(part.PartRecord.BatchIdentity(), "{00000000-0000-0000-0000-000000000003}");
    EXPECT_EQ(part.FrameCount, 10);
    ASSERT_EQ(part.Index.size(), 4 + src.Index.size() - static_cast<std::size_t>(thirdKey));
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(part.Index[static_cast<std::size_t>(i)].ChunkId, src.Index[static_cast<std::size_t>(i)].ChunkId);
        EXPECT_EQ(part.Index[static_cast<std::size_t>(i)].Length, src.Index[static_cast<std::size_t>(i)].Length);
    }
    EXPECT_TRUE(IsKeyEntry(part.Index[4]));
}

TEST_F(SegmentWriterTest, OddChunksKeepEvenAlignment)
{
    TAviBuilder b;
    b.Video().Audio().Frame(true, 4095).AudioChunk(7).Frame(false, 10);
    const std::string in = Write(b);
    ASSERT_TRUE(Save(in, PathOf("out.avi"), 0, nullptr, -1));
    TZendra out(PathOf("out.avi"));
    ASSERT_EQ(out.Index.size(), 3u);
    EXPECT_EQ(out.Index[1].Offset - out.Index[0].Offset, 4104u);
    EXPECT_EQ(out.Index[2].Offset - out.Index[1].Offset, 16u);
    EXPECT_EQ(out.Index[2].Offset % 2, 0u);
}

TEST_F(SegmentWriterTest, RangeErrorsAreRaisedBeforeAnythingIsWritten)
{
    const std::string in = Write(LeadMovie());
    TZendra movie(in);
    const auto last = static_cast<std::int32_t>(movie.Index.size()) - 1;
    try {
        movie.SaveToFile(PathOf("x.avi"), 0, nullptr, last + 1);
        FAIL();
    } catch (const EZendraError& e) {
        EXPECT_EQ(std::string(e.what()), "SaveToFile End Index is too high = " + std::to_string(last + 1));
    }
    try {
        movie.SaveToFile(PathOf("x.avi"), 0, nullptr, 3);  // lead audio only
        FAIL();
    } catch (const EZendraError& e) {
        EXPECT_EQ(std::string(e.what()), "SaveToFile frame count is zero");
    }
    EXPECT_FALSE(fs::exists(PathOf("x.avi")));
}

TEST_F(SegmentWriterTest, RangeNotStartingOnAKeyFrameFails)
{
    const std::string in = Write(LeadMovie());
    TZendra movie(in);
    const std::int32_t secondFrame = movie.EntryAfterFrame(1) + 1;
    ASSERT_FALSE(IsKeyEntry(movie.Index[static_cast<std::size_t>(secondFrame)]));
    EXPECT_FALSE(movie.SaveToFile(PathOf("x.avi"), secondFrame, nullptr, -1));
    ASSERT_EQ(Scripted->Messages().size(), 2u);
    EXPECT_EQ(Scripted->Messages()[0], "Video is not started with a keyFrame");
    EXPECT_EQ(Scripted->Messages()[1], "Fail to produce " + PathOf("x.avi"));
}

TEST_F(SegmentWriterTest, CancelCompletesTheFileAndMovesItToTheTrash)
{
    const std::string in = Write(LeadMovie());
    TZendra movie(in);
    int pumps = 0;
    Scripted->OnProcessMessages([&] {
        if (++pumps == 15)
            movie.Cancel();
    });
    EXPECT_TRUE(movie.SaveToFile(PathOf("x.avi"), 0, nullptr, -1));
    EXPECT_TRUE(movie.Cancelled);
    EXPECT_FALSE(fs::exists(PathOf("x.avi")));
    ASSERT_EQ(Scripted->Recycled().size(), 1u);
    // The trashed file is complete: its sizes add up and its index holds the 14 entries
    // copied before the break.
    const TBytes trashed = ReadFileBytes(fs::directory_iterator(Folder + "/trash")->path().string());
    EXPECT_EQ(GetU32(&trashed[4]), trashed.size() - 8);
    const std::size_t idx1 = FindText(trashed, "idx1");
    EXPECT_EQ(GetU32(&trashed[idx1 + 4]), 14u * 16);
    EXPECT_EQ(idx1 + 8 + 14 * 16, trashed.size());
}

TEST_F(SegmentWriterTest, ProgressStartsAtZeroAndFollowsEveryHundredFrames)
{
    TAviBuilder b;
    b.Video().Audio().Interleaved(250, 25, 20, 8);
    const std::string in = Write(b);
    std::vector<std::pair<int, int>> calls;
    TZendra movie(in, [&](std::int32_t done, std::int32_t total) { calls.emplace_back(done, total); });
    ASSERT_TRUE(movie.SaveToFile(PathOf("x.avi"), 0, nullptr, -1));
    // Frame then audio: each multiple of 100 is reported twice, at the frame and at its audio.
    const std::vector<std::pair<int, int>> expected = {{0, 250}, {100, 250}, {100, 250}, {200, 250}, {200, 250}};
    EXPECT_EQ(calls, expected);
}

TEST_F(SegmentWriterTest, ExistingOutputThatCannotBeTrashedIsInUse)
{
    const std::string in = Write(LeadMovie());
    WriteFileBytes(PathOf("x.avi"), {1, 2, 3});
    Scripted->FailRecycle(true);
    TZendra movie(in);
    EXPECT_FALSE(movie.SaveToFile(PathOf("x.avi"), 0, nullptr, -1));
    EXPECT_EQ(Scripted->Messages(), std::vector<std::string>{"File " + PathOf("x.avi") + " is in use"});
    EXPECT_EQ(ReadFileBytes(PathOf("x.avi")), (TBytes{1, 2, 3}));
}

TEST_F(SegmentWriterTest, MissingFolderIsCreatedOnlyAfterOk)
{
    const std::string in = Write(LeadMovie());
    const std::string out = PathOf("new/sub/x.avi");
    Scripted->QueueAnswer(TAnswer::Cancel);
    EXPECT_FALSE(Save(in, out, 0, nullptr, -1));
    ASSERT_EQ(Scripted->Questions().size(), 1u);
    EXPECT_EQ(Scripted->Questions()[0].Text, "Folder " + PathOf("new/sub") + " does not exists. Create it?");
    EXPECT_FALSE(fs::exists(PathOf("new")));
    EXPECT_TRUE(Save(in, out, 0, nullptr, -1));
    EXPECT_TRUE(fs::exists(out));
}

// The header list is the input's byte for byte: unknown chunks (vprp) are kept, and an
// OpenDML super index, which points at index chunks the output lacks, becomes JUNK.
TEST_F(SegmentWriterTest, HeaderListKeepsUnknownChunksAndNeutralisesOpenDml)
{
    TAviBuilder b;
    b.Video();
    b.LastStream().Extra = {{"indx", Pattern(24, 1)}, {"vprp", Pattern(68, 2)}};
    b.Audio();
    b.LastStream().Extra = {{"indx", Pattern(24, 3)}};
    b.Interleaved(40, 10, 50, 10);
    const TBytes input = b.Build();
    const std::string in = Write(input);
    TZendra movie(in);
    ASSERT_TRUE(movie.SaveToFile(PathOf("out.avi"), movie.KeyEntryForFrame(11), nullptr, -1));

    const std::size_t hdrlSize = GetU32(&input[16]);
    TBytes expected(input.begin() + 12, input.begin() + 20 + static_cast<std::ptrdiff_t>(hdrlSize));
    PutU32(&expected[FindText(expected, "avih") + 8 + 16], 30);
    PutU32(&expected[FindText(expected, "strh") + 8 + 32], 30);
    Overwrite(expected, FindText(expected, "indx"), "JUNK");
    Overwrite(expected, FindText(expected, "indx"), "JUNK");
    const TBytes out = ReadFileBytes(PathOf("out.avi"));
    const TBytes written(out.begin() + 12, out.begin() + 20 + static_cast<std::ptrdiff_t>(hdrlSize));
    EXPECT_EQ(written, expected);
    EXPECT_EQ(TZendra(PathOf("out.avi")).FrameCount, 30);
}

TEST_F(SegmentWriterTest, DmlhTotalFramesFollowsTheOutput)
{
    TAviBuilder b;
    b.Video().Audio().Interleaved(20, 5, 30, 0);
    TBytes file = b.Build();
    // Append LIST odml { dmlh } to the header list and grow the sizes.
    TBytes dmlh(248, 0);
    PutU32(dmlh.data(), 20);
    TBytes odmlChildren;
    AppendChunk(odmlChildren, "dmlh", dmlh);
    const TBytes odml = ListChunk("odml", odmlChildren);
    const std::size_t hdrlEnd = 20 + GetU32(&file[16]);
    file.insert(file.begin() + static_cast<std::ptrdiff_t>(hdrlEnd), odml.begin(), odml.end());
    PutU32(&file[16], GetU32(&file[16]) + static_cast<std::uint32_t>(odml.size()));
    PutU32(&file[4], static_cast<std::uint32_t>(file.size() - 8));
    const std::string in = Write(file);
    TZendra movie(in);
    const std::int32_t start = movie.KeyEntryForFrame(6);
    std::size_t dropped = 0;
    for (std::int32_t i = 0; i < start; ++i)
        dropped += 8 + movie.Index[static_cast<std::size_t>(i)].Length + 16;
    ASSERT_TRUE(movie.SaveToFile(PathOf("out.avi"), start, nullptr, -1));
    const TBytes out = ReadFileBytes(PathOf("out.avi"));
    EXPECT_EQ(GetU32(&out[FindText(out, "dmlh") + 8]), 15u);
    EXPECT_EQ(out.size(), file.size() - dropped);
}

// --- failures handled soundly

TEST_F(SegmentWriterTest, EntryOutsideTheFileFailsWithoutAHugeBuffer)
{
    TAviBuilder b;
    b.Video().Audio().Interleaved(10, 5, 30, 0);
    TBytes file = b.Build();
    const std::size_t idx1 = FindText(file, "idx1");
    OverwriteU32(file, idx1 + 8 + 5 * 16 + 12, 0x7FFFFFF0);  // length of entry 5
    const std::string in = Write(file);
    TZendra movie(in);
    EXPECT_FALSE(movie.SaveToFile(PathOf("x.avi"), 0, nullptr, -1));  // 2 GiB claimed, a few bytes there
    EXPECT_FALSE(fs::exists(PathOf("x.avi")));
    ASSERT_EQ(Scripted->Messages().size(), 2u);
    EXPECT_EQ(Scripted->Messages()[0].rfind("Fail to read MOVI chunk 5 ", 0), 0u);
    Scripted->Clear();

    OverwriteU32(file, idx1 + 8 + 5 * 16 + 12, 30);
    OverwriteU32(file, idx1 + 8 + 5 * 16 + 8, 0x10000000);  // offset of entry 5
    const std::string moved = Write(file, "moved.avi");
    TZendra far(moved);
    const std::uint32_t base = far.IndexBase();
    EXPECT_FALSE(far.SaveToFile(PathOf("y.avi"), 0, nullptr, -1));
    ASSERT_EQ(Scripted->Messages().size(), 2u);
    EXPECT_EQ(Scripted->Messages()[0], "Fail to read MOVI chunk 5 Offset=" + std::to_string(0x10000000 + base) + " Size=30");
    EXPECT_EQ(Scripted->Messages()[1], "Fail to produce " + PathOf("y.avi"));
}

TEST_F(SegmentWriterTest, OutputNamingTheInputIsRefusedAndTheInputKept)
{
    const std::string in = Write(LeadMovie());
    const std::string before = Md5OfFile(in);
    TZendra movie(in);
    EXPECT_THROW(movie.SaveToFile(in, 0, nullptr, -1), EZendraError);
    EXPECT_THROW(movie.SaveToFile(Folder + "/./movie.avi", 0, nullptr, -1), EZendraError);
    EXPECT_TRUE(Scripted->Recycled().empty());
    EXPECT_EQ(Md5OfFile(in), before);
}

TEST_F(SegmentWriterTest, MovieContinuingInAnotherRiffIsRefused)
{
    TBytes file = TAviBuilder().Video().Interleaved(10, 5, 30, 0).Build();
    TBytes avix;
    AppendFourCC(avix, "RIFF");
    AppendU32(avix, 12);
    AppendFourCC(avix, "AVIX");
    AppendFourCC(avix, "LIST");
    AppendU32(avix, 4);
    AppendFourCC(avix, "movi");
    file.insert(file.end(), avix.begin(), avix.end());
    const std::string in = Write(file);
    TZendra movie(in);
    EXPECT_TRUE(movie.HasExtendedRiff);
    try {
        movie.SaveToFile(PathOf("x.avi"), 0, nullptr, -1);
        FAIL();
    } catch (const EZendraError& e) {
        EXPECT_NE(std::string(e.what()).find("continues past its first RIFF chunk"), std::string::npos);
    }
    EXPECT_FALSE(fs::exists(PathOf("x.avi")));
}

TEST_F(SegmentWriterTest, ShortWriteIsAFailureNeverASuccess)
{
    const std::string in = Write(LeadMovie());
    for (std::int64_t budget : {0, 10, 700, 3000}) {
        Scripted->Clear();
        TZendra movie(in);
        FileFaults().WriteBudget = budget;
        const bool ok = movie.SaveToFile(PathOf("x.avi"), 0, nullptr, -1);
        FileFaults().WriteBudget = -1;
        EXPECT_FALSE(ok) << budget;
        ASSERT_FALSE(Scripted->Messages().empty());
        EXPECT_EQ(Scripted->Messages().back(), "Fail to produce " + PathOf("x.avi"));
    }
}

}  // namespace
}  // namespace zendra::test
