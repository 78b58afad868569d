// A clip proves only the index entries it needs before copying, and the ones it copies by
// reading the clip back: whatever entry names no chunk, the clip must come out exactly as
// it does from an index proven whole on opening.
#include "tests/engine/EngineFixture.h"

#include <functional>

#include "app/jobs/JobCore.h"
#include "engine/OutputVerifier.h"

namespace zendra::test {
namespace {

// Two sound chunks ahead of 60 frames with a key frame every 10 and a sound chunk after
// each: frame f (from 0) is entry 2 + 2f, its sound entry 3 + 2f. The header counts 59
// frames, so that the movie still opens when one frame's entry is left out.
TAviBuilder SixtyFrames()
{
    TAviBuilder b;
    b.Video().Audio().AudioChunk(30).AudioChunk(31).Interleaved(60, 10).TotalFrames(59);
    return b;
}

// The idx1 entry k of a built file, patched.
TBytes WithEntry(TBytes file, std::size_t k, const std::function<void(std::uint8_t*)>& patch)
{
    const std::size_t entries = FindText(file, "idx1") + 8;
    patch(&file[entries + k * IndexEntry::kSize]);
    return file;
}

void RenameChunk(std::uint8_t* entry)
{
    entry[3] = entry[3] == 'c' ? 'b' : 'c';  // 00dc -> 00db, 01wb -> 01wc: same stream, no such chunk
}

void ShortenChunk(std::uint8_t* entry)
{
    PutU32(entry + IndexEntry::kLength, GetU32(entry + IndexEntry::kLength) - 2);
}

void MoveChunk(std::uint8_t* entry)
{
    PutU32(entry + IndexEntry::kOffset, GetU32(entry + IndexEntry::kOffset) + 2);
}

class EntryProofTest : public EngineTest {
protected:
    // The clip of frames [from, to] as an engine that proved every entry on opening writes it.
    TBytes ClipFromWholeProof(const std::string& in, std::int32_t from, std::int32_t to)
    {
        TZendra movie(in);
        const auto [start, end] = ClipRange(movie, from, to);
        EXPECT_TRUE(movie.SaveToFile(PathOf("whole.avi"), start, nullptr, end));
        return ReadFileBytes(PathOf("whole.avi"));
    }
};

TEST_F(EntryProofTest, AClipComesOutAsFromAWhollyProvenIndexWhereverAnEntryNamesNoChunk)
{
    // Frames 25 to 40 make entries 42 (the key frame at 20) to 81 (the sound after frame 39),
    // after the lead entries 0 and 1.
    struct TCase {
        std::size_t Entry;
        void (*Patch)(std::uint8_t*);
        const char* Where;
    };
    const TCase cases[] = {
        {1, RenameChunk, "a sound chunk ahead of the first frame"},
        {12, RenameChunk, "a frame ahead of the clip"},
        {13, ShortenChunk, "a sound chunk ahead of the clip"},
        {42, RenameChunk, "the key frame the clip starts at"},
        {62, RenameChunk, "a frame inside the clip"},
        {63, ShortenChunk, "a sound chunk inside the clip"},
        {64, MoveChunk, "a frame inside the clip, overlapping the next chunk"},
        {80, ShortenChunk, "the clip's last frame"},
        {81, RenameChunk, "the entry that ends the clip"},
        {82, RenameChunk, "the frame after the clip"},
        {102, RenameChunk, "a frame far after the clip"},
    };
    const TBytes intact = SixtyFrames().Build();
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Where);
        const std::string in = Write(WithEntry(intact, c.Entry, c.Patch));
        const TBytes expected = ClipFromWholeProof(in, 25, 40);
        ASSERT_TRUE(RunClipRange(in, 25, 40, PathOf("clip.avi"), {}))
            << (Scripted->Messages().empty() ? "" : Scripted->Messages().back());
        EXPECT_EQ(ReadFileBytes(PathOf("clip.avi")), expected);
        EXPECT_EQ(VerifyAviFile(PathOf("clip.avi"), {}).Failure, "");
        EXPECT_TRUE(Scripted->Messages().empty()) << Scripted->Messages().front();
        EXPECT_EQ(FolderNames(Folder), (std::vector<std::string>{"clip.avi", "movie.avi", "whole.avi"}));
        Scripted->Clear();
        std::filesystem::remove(PathOf("clip.avi"));
        std::filesystem::remove(PathOf("whole.avi"));
    }
}

TEST_F(EntryProofTest, AStartPastTheFramesTheIndexReallyHoldsIsRefusedWithTheirCount)
{
    // The last frame's entry names no chunk: the movie holds 59 frames, not the 60 its index lists.
    const std::string in = Write(WithEntry(SixtyFrames().Build(), 120, RenameChunk));
    EXPECT_FALSE(RunClipRange(in, 60, 60, PathOf("clip.avi"), {}));
    ASSERT_FALSE(Scripted->Messages().empty());
    EXPECT_EQ(Scripted->Messages().back(), "The starting frame 60 is beyond the last frame 59 of " + in + ".");
    EXPECT_EQ(FolderNames(Folder), std::vector<std::string>{"movie.avi"});
}

TEST_F(EntryProofTest, EntriesLeftToBeProvenEndAsTheOnesProvenOnOpening)
{
    TAviBuilder b = SixtyFrames();
    b.LeadingIndexEntry({MakeFourCC('7', 'F', 'x', 'x'), 0, 0, 0});
    TBytes file = WithEntry(b.Build(), 1 + 30, RenameChunk);
    file = WithEntry(file, 1 + 45, ShortenChunk);
    const std::string in = Write(file);

    const TZendra whole(in);
    TZendra asNeeded(in, {}, TIndexRebuild::Refuse, TEntryProof::AsNeeded);
    EXPECT_EQ(asNeeded.LeftOutEntries, 1);  // the dummy names no stream: no need to read for that
    EXPECT_TRUE(asNeeded.HasUnprovenEntries(0, asNeeded.Index.size()));
    EXPECT_EQ(asNeeded.ProveEntries(40, asNeeded.Index.size()), 1);
    EXPECT_EQ(asNeeded.ProveEntries(0, asNeeded.Index.size()), 1);
    EXPECT_FALSE(asNeeded.HasUnprovenEntries(0, asNeeded.Index.size()));
    EXPECT_EQ(asNeeded.ProveEntries(0, asNeeded.Index.size()), 0);
    EXPECT_EQ(asNeeded.LeftOutEntries, whole.LeftOutEntries);
    ASSERT_EQ(asNeeded.Index.size(), whole.Index.size());
    for (std::size_t i = 0; i < whole.Index.size(); ++i)
        EXPECT_EQ(asNeeded.Index[i].Offset, whole.Index[i].Offset) << i;
}

}  // namespace
}  // namespace zendra::test
