// Opening an AVI: what the engine takes from a file, and how it refuses bad ones.
#include <filesystem>

#include "engine/Chunk.h"
#include "tests/engine/EngineFixture.h"

namespace zendra::test {
namespace {

using Opening = EngineTest;

TAviBuilder PlainMovie()
{
    TAviBuilder builder;
    builder.Video(64, 48).Audio().Interleaved(30, 12);
    return builder;
}

// Puts chunk first in the header list, fixing the sizes of the lists around it.
TBytes InsertFirstInHeaderList(TBytes bytes, const std::string& id, const TBytes& data)
{
    TBytes chunk;
    AppendChunk(chunk, id, data);
    const std::size_t type = FindText(bytes, "hdrl");
    bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(type + 4), chunk.begin(), chunk.end());
    const auto grow = static_cast<std::uint32_t>(chunk.size());
    OverwriteU32(bytes, 4, GetU32(&bytes[4]) + grow);
    OverwriteU32(bytes, type - 4, GetU32(&bytes[type - 4]) + grow);
    return bytes;
}

TEST_F(Opening, TakesFramesRateIndexAndNoPartRecord)
{
    const std::string path = Write(PlainMovie());
    auto movie = Open(path);
    EXPECT_TRUE(movie->IsOpen());
    EXPECT_EQ(path, movie->MovieFile);
    EXPECT_EQ(30, movie->FrameCount);
    EXPECT_DOUBLE_EQ(25.0, static_cast<double>(movie->FrameRate));
    ASSERT_EQ(60u, movie->Index.size());
    EXPECT_TRUE(IsKeyEntry(movie->Index[0]));
    EXPECT_FALSE(IsVideoEntry(movie->Index[1]));
    EXPECT_EQ(100u, movie->Index[0].Length);
    EXPECT_FALSE(movie->IsPart);
    EXPECT_TRUE(movie->PartRecord.IsZero());
    EXPECT_EQ(nullptr, movie->PartRecordChunk);
    EXPECT_EQ(-1, movie->FirstEntryOutsideFile());
    EXPECT_TRUE(Scripted->Messages().empty());
}

TEST_F(Opening, PartRecordIsCopied)
{
    TPartRecord record;
    record.SetPartIndex(2);
    record.SetLeadCount(3);
    record.SetSourceName("holiday.avi");
    record.SetBatchIdentity("{11111111-2222-3333-4444-555555555555}");
    auto movie = Open(Write(PlainMovie().PartRecord(record)));
    EXPECT_TRUE(movie->IsPart);
    EXPECT_EQ(record.Bytes, movie->PartRecord.Bytes);

    // A record whose part index is 0 is copied, but the file is no part.
    record.SetPartIndex(0);
    movie = Open(Write(PlainMovie().PartRecord(record), "zero.avi"));
    EXPECT_FALSE(movie->IsPart);
    EXPECT_EQ(record.Bytes, movie->PartRecord.Bytes);
}

TEST_F(Opening, MissingFileGivesAnEmptyEngine)
{
    TZendra movie(PathOf("none.avi"));
    EXPECT_FALSE(movie.IsOpen());
    EXPECT_EQ(0, movie.FrameCount);
    EXPECT_EQ(nullptr, movie.VideoStreamHeader);
    EXPECT_TRUE(movie.Index.empty());
    EXPECT_FALSE(movie.IsCompressed());
}

TEST_F(Opening, EachMissingPieceHasItsMessage)
{
    const TBytes good = PlainMovie().Build();
    auto renamed = [&](const std::string& from, const std::string& to) {
        TBytes bytes = good;
        Overwrite(bytes, FindText(bytes, from), to);
        return bytes;
    };
    std::string path = Write(TAviBuilder().Audio().AudioChunk().AudioChunk(), "audio.avi");
    EXPECT_EQ("Can not locate Video strh in " + path, OpenError(path));

    path = Write(PlainMovie().RiffType("AVIX"), "avix.avi");
    EXPECT_EQ("Can not locate Video strh in " + path, OpenError(path));

    path = Write(renamed("strf", "strX"), "nostrf.avi");
    EXPECT_EQ("Can not locate Video strf in " + path, OpenError(path));

    path = Write(renamed("hdrl", "hdrX"), "nohdrl.avi");
    EXPECT_EQ("File format unknown " + path, OpenError(path));

    path = Write(renamed("movi", "movX"), "nomovi.avi");
    EXPECT_EQ("Invalid data segment " + path, OpenError(path));

    path = Write(PlainMovie().NoIndex(), "noindex.avi");
    EXPECT_EQ(path + " does not have index.", OpenError(path));

    path = Write(InsertFirstInHeaderList(good, "JUNK", TBytes(4, 0)), "noavih.avi");
    EXPECT_EQ("Can not read header contents of " + path, OpenError(path));

    TBytes hostile = good;
    OverwriteU32(hostile, FindText(hostile, "idx1") + 4, 0xFFFFFFF0);
    path = Write(hostile, "hostile-index.avi");
    EXPECT_EQ("Error reading index", OpenError(path));
    EXPECT_TRUE(Scripted->Messages().empty());
}

TEST_F(Opening, NotAnAviOrEmptyFileIsRefused)
{
    std::string path = Write(TBytes{'h', 'e', 'l', 'l', 'o', '\n'}, "text.avi");
    EXPECT_EQ("Can not locate Video strh in " + path, OpenError(path));
    path = Write(TBytes{}, "empty.avi");
    EXPECT_EQ("Can not locate Video strh in " + path, OpenError(path));
}

TEST_F(Opening, FewerIndexFramesThanTheHeaderSaysIsReported)
{
    const std::string path = Write(TAviBuilder().Video().Frame(true).Frame(false).Frame(false).TotalFrames(10));
    EXPECT_EQ("Error reading index", OpenError(path));
    ASSERT_EQ(1u, Scripted->Messages().size());
    EXPECT_EQ("Index number (3) is different than frame number in header (10).", Scripted->Messages()[0]);
}

TEST_F(Opening, MoreIndexFramesThanTheHeaderKeepsTheHeaderCount)
{
    auto movie = Open(Write(TAviBuilder().Video().Interleaved(5, 2).TotalFrames(3)));
    EXPECT_EQ(3, movie->FrameCount);
    EXPECT_EQ(5, movie->VideoFrameCount());
    EXPECT_TRUE(Scripted->Messages().empty());
}

TEST_F(Opening, ZeroMicrosecondsPerFrameIsRefused)
{
    const std::string path = Write(PlainMovie().MicroSecPerFrame(0));
    const std::string error = OpenError(path);
    EXPECT_NE(std::string::npos, error.find(path)) << error;
}

TEST_F(Opening, EveryTruncationIsRefused)
{
    TPartRecord record;
    record.SetPartIndex(1);
    TAviBuilder builder = PlainMovie().PartRecord(record);
    builder.LastStream().Name = "odd";
    const TBytes whole = builder.Build();
    const std::size_t movie = builder.MovieDataPosition();
    for (std::size_t cut = 0; cut < whole.size(); cut += cut < movie + 64 ? 1 : 7) {
        const std::string path = Write(TBytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut)), "cut.avi");
        EXPECT_NE("", OpenError(path)) << "cut at " << cut;
    }
    EXPECT_EQ("", OpenError(Write(whole, "whole.avi")));
}

// Sparse files: a movie followed by zeros up to and past 2 and 4 GiB.
TEST_F(Opening, FilesOfTwoGiBAndMoreAreRead)
{
    const std::string path = Write(PlainMovie());
    for (const std::uintmax_t size : {std::uintmax_t{1} << 31, (std::uintmax_t{1} << 32) + 100}) {
        std::filesystem::resize_file(path, size);
        const auto movie = Open(path);
        EXPECT_EQ(30, movie->FrameCount);
        EXPECT_FALSE(movie->HasExtendedRiff);
    }
}

// Padding that puts the movi list's data position at 2048.
TAviBuilder MovieAt2048(bool relative)
{
    TAviBuilder builder;
    builder.Video().Frame(true).Frame(false).Frame(true).RelativeIndex(relative);
    const std::uint32_t junk = 2048 - builder.MovieDataPosition() - 8;
    builder.TopBeforeMovie({"JUNK", TBytes(junk, 0)});
    return builder;
}

TEST_F(Opening, IndexBaseIsToldByTheFirstOffset)
{
    auto relative = Open(Write(MovieAt2048(true), "relative.avi"));
    ASSERT_EQ(2048u, relative->MovieList->DataPosition);
    EXPECT_EQ(4u, relative->Index[0].Offset);
    EXPECT_TRUE(relative->IndexIsRelative());
    EXPECT_EQ(2048u, relative->IndexBase());
    EXPECT_EQ(-1, relative->FirstEntryOutsideFile());

    auto absolute = Open(Write(MovieAt2048(false), "absolute.avi"));
    EXPECT_EQ(2052u, absolute->Index[0].Offset);
    EXPECT_FALSE(absolute->IndexIsRelative());
    EXPECT_EQ(0u, absolute->IndexBase());
    EXPECT_EQ(-1, absolute->FirstEntryOutsideFile());
}

TEST_F(Opening, EntriesOutsideTheFileAreFound)
{
    TBytes bytes = MovieAt2048(true).Build();
    const std::size_t index = FindText(bytes, "idx1") + 8;
    OverwriteU32(bytes, index + 16 + 12, 0x10000000);  // second entry's length
    auto movie = Open(Write(bytes));
    EXPECT_EQ(1, movie->FirstEntryOutsideFile());
}

// Key frames on video frames 1, 13 and 25, an audio chunk after every frame.
class FrameQueries : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        Movie = Open(Write(TAviBuilder().Video().Audio().Interleaved(30, 12)));
    }
    std::unique_ptr<TZendra> Movie;
};

TEST_F(FrameQueries, KeyEntryForFrameGoesBackToTheKeyFrame)
{
    EXPECT_EQ(0, Movie->KeyEntryForFrame(0));
    EXPECT_EQ(-1, Movie->KeyEntryForFrame(-4));
    EXPECT_EQ(0, Movie->KeyEntryForFrame(1));
    EXPECT_EQ(0, Movie->KeyEntryForFrame(12));
    EXPECT_EQ(24, Movie->KeyEntryForFrame(13));  // the 13th video entry
    EXPECT_EQ(24, Movie->KeyEntryForFrame(20));
    EXPECT_EQ(48, Movie->KeyEntryForFrame(30));
    EXPECT_EQ(0, Movie->KeyEntryForFrame(31));  // beyond the last: from position 0
}

TEST_F(FrameQueries, EntryAfterFrameIsOnePastTheVideoEntry)
{
    EXPECT_EQ(0, Movie->EntryAfterFrame(0));
    EXPECT_EQ(-1, Movie->EntryAfterFrame(-1));
    EXPECT_EQ(1, Movie->EntryAfterFrame(1));
    EXPECT_EQ(27, Movie->EntryAfterFrame(14));
    EXPECT_EQ(59, Movie->EntryAfterFrame(30));
    EXPECT_EQ(0, Movie->EntryAfterFrame(31));
}

TEST_F(FrameQueries, CountVideoFramesIncludesBothEnds)
{
    EXPECT_EQ(30, Movie->CountVideoFrames(0, 59));
    EXPECT_EQ(1, Movie->CountVideoFrames(0, 0));
    EXPECT_EQ(0, Movie->CountVideoFrames(1, 1));
    EXPECT_EQ(2, Movie->CountVideoFrames(2, 5));
    EXPECT_EQ(0, Movie->CountVideoFrames(10, 5));
}

TEST_F(Opening, LeadAudioBeforeTheFirstFrame)
{
    auto movie = Open(Write(TAviBuilder().Video().Audio().AudioChunk().AudioChunk().Interleaved(6, 3)));
    EXPECT_EQ(2, movie->KeyEntryForFrame(1));
    EXPECT_EQ(3, movie->EntryAfterFrame(1));
    EXPECT_EQ(8, movie->KeyEntryForFrame(5));
    // Beyond the last frame the backward search from position 0 finds no key entry.
    EXPECT_EQ(6, movie->KeyEntryForFrame(7));
}

TEST_F(Opening, EmptyIndexAnswersFrameQueries)
{
    auto movie = Open(Write(TAviBuilder().Video()));
    ASSERT_TRUE(movie->Index.empty());
    EXPECT_EQ(0, movie->FrameCount);
    EXPECT_EQ(0, movie->KeyEntryForFrame(5));
    EXPECT_EQ(0, movie->EntryAfterFrame(5));
    EXPECT_EQ(0, movie->CountVideoFrames(0, 3));
}

// A movie without an index is rebuilt only when the user says Yes to the one question;
// No leaves the refusal it always had.
TEST_F(Opening, AMovieWithoutAnIndexIsRebuiltWhenTheUserSaysSo)
{
    const std::string path = Write(PlainMovie().NoIndex(), "noindex.avi");
    Scripted->QueueAnswer(TAnswer::No);
    try {
        TZendra declined(path, {}, TIndexRebuild::Ask);
        ADD_FAILURE() << "opened without an index";
    } catch (const EZendraError& e) {
        EXPECT_EQ(path + " does not have index.", std::string(e.what()));
    }
    Scripted->QueueAnswer(TAnswer::Yes);
    const TZendra accepted(path, {}, TIndexRebuild::Ask);
    EXPECT_TRUE(accepted.IndexRebuilt);
    EXPECT_EQ(60u, accepted.Index.size());
    EXPECT_EQ(30, accepted.VideoFrameCount());
    ASSERT_EQ(2u, Scripted->Questions().size());
    EXPECT_EQ(path + " has no index. Build one from its contents?", Scripted->Questions()[1].Text);
    EXPECT_EQ(TButtons::YesNo, Scripted->Questions()[1].Buttons);
}

int CountChunks(const TChunk& chunk)
{
    int count = 1;
    for (int i = 0; i < chunk.ChildCount(); ++i)
        count += CountChunks(*chunk.Child(i));
    return count;
}

// Lists sized to end inside their own child, the child sized far past them: read as they
// state, every pair made the lists around it walk the child's bytes again, doubling the work
// with each level (a 10 kB file took seconds and hundreds of megabytes).
TEST_F(Opening, ListsSizedShortOfTheirChildrenAreWalkedOnce)
{
    constexpr int kPairs = 15;
    TBytes bytes;
    const auto put = [&bytes](const std::string& text, std::uint32_t size) {
        bytes.insert(bytes.end(), text.begin(), text.end());
        bytes.resize(bytes.size() + 4);
        PutU32(&bytes[bytes.size() - 4], size);
    };
    put("RIFF", 0);
    bytes.insert(bytes.end(), {'A', 'V', 'I', ' '});
    put("LIST", 0x7FFFFF00);
    bytes.insert(bytes.end(), {'h', 'd', 'r', 'l'});
    for (int i = 0; i < kPairs; ++i) {
        put("LIST", 16);  // its type, then its child's header and type
        bytes.insert(bytes.end(), {'s', 't', 'r', 'l'});
        put("LIST", 0x7FFFFF00);
        bytes.insert(bytes.end(), {'s', 't', 'r', 'l'});
    }
    put("JUNK", 0);
    OverwriteU32(bytes, 4, static_cast<std::uint32_t>(bytes.size() - 8));
    auto file = TBinaryFile::OpenRead(Write(bytes));
    ASSERT_TRUE(file);
    TChunk root(file.get(), nullptr, ctFile);
    root.ReadTree();
    EXPECT_LE(CountChunks(root), 2 + 2 * kPairs + 1);
}

}  // namespace
}  // namespace zendra::test
