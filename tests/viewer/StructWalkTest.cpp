// The viewer's own walk over files from the byte-level builder, well-formed and not.
#include <algorithm>
#include <cstring>
#include <functional>
#include <random>

#include "common/Bytes.h"
#include "tests/testkit/OpenDmlBuilder.h"
#include "tests/viewer/ViewerTestKit.h"
#include "viewer/FrameList.h"

namespace zendra::test {
namespace {

using TL = THeaderList;

TAviBuilder SmallMovie()
{
    TAviBuilder b;
    b.Video(320, 240, "XviD", 25).Audio(44100, 16, 2).Interleaved(30, 12, 100, 40);
    return b;
}

// Replaces the n-th occurrence (0-based) of from by to, both four characters.
void PatchFourCC(TBytes& bytes, const char* from, const char* to, int n)
{
    for (std::size_t i = 0; i + 4 <= bytes.size(); ++i)
        if (std::memcmp(&bytes[i], from, 4) == 0 && n-- == 0) {
            std::memcpy(&bytes[i], to, 4);
            return;
        }
    FAIL() << "no " << from;
}

// Position of the n-th occurrence (0-based) of id.
std::size_t FindFourCC(const TBytes& bytes, const char* id, int n = 0)
{
    for (std::size_t i = 0; i + 4 <= bytes.size(); ++i)
        if (std::memcmp(&bytes[i], id, 4) == 0 && n-- == 0)
            return i;
    return bytes.size();
}

class StructWalkTest : public ViewerTest {};

TEST_F(StructWalkTest, ListsEveryRowInOrderWithTheOffsetOfItsField)
{
    const std::string path = Write("small.avi", SmallMovie());
    TWalkRun run;
    Walk(path, run);
    ASSERT_TRUE(run.Done);
    const auto& rows = run.Sink.Rows;

    const std::vector<std::string> main = {
        "File size", "dwMicroSecPerFrame", "dwMaxBytesPerSec", "dwPaddingGranularity", "dwFlags", "dwTotalFrames",
        "dwInitialFrames", "dwStreams", "dwSuggestedBufferSize", "dwWidth", "dwHeight", "dwReserved 0",
        "dwReserved 1", "dwReserved 2", "dwReserved 3", "Data size"};
    const std::vector<std::string> stream = {"fccType", "fccHandler", "dwFlags", "wPriority", "wLanguage",
                                             "dwInitialFrames", "dwScale", "dwRate", "dwStart", "dwLength",
                                             "dwSuggestedBufferSize", "dwQuality", "dwSampleSize"};
    const std::vector<std::string> bitmap = {"biSize", "biWidth", "biHeight", "biPlanes", "biBitCount",
                                             "biCompression", "biSizeImage", "biXPelsPerMeter",
                                             "biYPelsPerMeter", "biClrUsed", "biClrImportant"};
    const std::vector<std::string> wave = {"WF.wFormatTag", "WF.nChannels", "WF.nSamplesPerSec",
                                           "WF.nAvgBytesPerSec", "WF.nBlockAlign", "WF.wBitsPerSample", "WF.cbSize",
                                           "wID", "fdwFlags", "nBlockSize", "nFramesPerBlock", "nCodecDelay",
                                           "Reserved ..."};
    EXPECT_EQ(main, run.Sink.Names(TL::MainHeader));
    EXPECT_EQ(stream, run.Sink.Names(TL::VidHeader));
    EXPECT_EQ(stream, run.Sink.Names(TL::AudHeader));
    EXPECT_EQ(bitmap, run.Sink.Names(TL::VidStruct));
    EXPECT_EQ(wave, run.Sink.Names(TL::AudStruct));

    // Every row's offset and width point at the bytes its value came from (the builder's
    // wave format is 18 bytes long; the layer-3 fields past it stay zero).
    const TBytes bytes = ReadFileBytes(path);
    const std::uint32_t waveEnd = run.Sink.Find(TL::AudStruct, "WF.wFormatTag")->Info.Offset + 18;
    for (const auto& row : rows) {
        if (!row.Info.Plain || (row.List == TL::AudStruct && row.Info.Offset >= waveEnd))
            continue;
        ASSERT_LE(row.Info.Offset + row.Info.Width, bytes.size()) << row.Name;
        const std::uint32_t stored =
            row.Info.Width == 2 ? GetU16(&bytes[row.Info.Offset]) : GetU32(&bytes[row.Info.Offset]);
        EXPECT_EQ(stored, row.Info.Value) << row.Name;
        EXPECT_EQ(row.TypeText == "WORD" ? 2 : 4, row.Info.Width) << row.Name;
    }
    const auto* reserved = run.Sink.Find(TL::AudStruct, "Reserved ...");
    EXPECT_FALSE(reserved->Info.Plain);
    EXPECT_EQ("DWORD", reserved->TypeText);

    EXPECT_EQ("XviD", run.Sink.Find(TL::VidHeader, "fccHandler")->ValueText);
    EXPECT_EQ("FourCC", run.Sink.Find(TL::VidHeader, "fccType")->TypeText);
    EXPECT_EQ("auds", run.Sink.Find(TL::AudHeader, "fccType")->ValueText);
    EXPECT_EQ("4294967295", run.Sink.Find(TL::VidHeader, "dwQuality")->ValueText);
    // The compression code shows as a number, not as characters.
    EXPECT_EQ(std::to_string(GetU32(reinterpret_cast<const std::uint8_t*>("XviD"))),
              run.Sink.Find(TL::VidStruct, "biCompression")->ValueText);
    EXPECT_EQ(bytes.size() - 8, std::stoul(run.Sink.Find(TL::MainHeader, "File size")->ValueText));
    EXPECT_EQ(4u, run.Sink.Find(TL::MainHeader, "File size")->Info.Offset);

    EXPECT_TRUE(run.State.Records.HasAudio);
    EXPECT_EQ(30u, run.State.VideoEntries.Count());
    EXPECT_EQ(30u, run.State.AudioEntries.Count());
    EXPECT_EQ(SmallMovie().MovieDataPosition(), run.State.Records.MovieDataPosition);
    EXPECT_TRUE(run.Sink.Ended);
}

TEST_F(StructWalkTest, FirstEntryDecidesWhetherOffsetsAreRelative)
{
    for (bool relative : {true, false}) {
        TAviBuilder builder = SmallMovie();
        builder.RelativeIndex(relative);
        const std::string path = Write("movie.avi", builder);
        TWalkRun run;
        Walk(path, run);
        EXPECT_EQ(relative, run.State.Records.RelativeIndex);
        // Either way every chunk position lands on the chunk's id in the file.
        const TBytes bytes = ReadFileBytes(path);
        for (const auto& [entry, video] : run.Sink.Lines) {
            const std::uint32_t at =
                ChunkPosition(entry, run.State.Records.RelativeIndex, run.State.Records.MovieDataPosition);
            ASSERT_LT(at + 4, bytes.size());
            EXPECT_EQ(entry.ChunkId, GetU32(&bytes[at]));
        }
    }
}

TEST_F(StructWalkTest, SecondStreamMustBeSpelledExactlyButMovieListInAnyCase)
{
    TBytes bytes = SmallMovie().Build();
    // The second "LIST" is the audio stream list (the first is hdrl, then the video strl).
    PatchFourCC(bytes, "LIST", "list", 2);
    PatchFourCC(bytes, "movi", "MoVi", 0);
    const std::string path = Write("cases.avi", bytes);
    TWalkRun run;
    Walk(path, run);
    EXPECT_TRUE(run.Done);
    EXPECT_FALSE(run.State.Records.HasAudio);
    EXPECT_FALSE(run.State.Records.HasAudioTrack);
    EXPECT_TRUE(run.Sink.Names(TL::AudHeader).empty());
    EXPECT_EQ(30u, run.State.VideoEntries.Count());
    EXPECT_EQ(30u, run.State.AudioEntries.Count());
}

TEST_F(StructWalkTest, PaletteAfterTheBitmapHeaderIsPassedOver)
{
    TAviBuilder builder;
    builder.Video(64, 48, "MRLE", 25);
    TBytes& format = builder.LastStream().Format;
    format.resize(40 + 256 * 4, 0x7E);
    builder.Audio(22050, 8, 1).Interleaved(5, 5);
    TWalkRun run;
    Walk(Write("palette.avi", builder), run);
    EXPECT_TRUE(run.Done);
    EXPECT_EQ(11u, run.Sink.Names(TL::VidStruct).size());
    EXPECT_TRUE(run.State.Records.HasAudio);
    EXPECT_EQ("22050", run.Sink.Find(TL::AudStruct, "WF.nSamplesPerSec")->ValueText);
}

// A movie that goes on in RIFF AVIX chunks lists the entries of its OpenDML index, every
// chunk at its file position, with a row for each further RIFF.
TEST_F(StructWalkTest, OpenDmlMoviesAreListedFromEveryRiff)
{
    for (const bool legacyIndex : {true, false}) {
        SCOPED_TRACE(legacyIndex ? "with idx1" : "without idx1");
        const TBytes bytes = BuildOpenDml(SmallMovie(), {25, false, legacyIndex});
        TWalkRun run;
        Walk(Write("opendml.avi", bytes), run);
        EXPECT_TRUE(run.Done);
        EXPECT_TRUE(run.State.Records.OpenDmlIndex);
        EXPECT_EQ(run.State.Records.ExtendedRiffs, 2);
        ASSERT_EQ(run.State.VideoEntries.Count(), 30u);
        ASSERT_EQ(run.State.AudioEntries.Count(), 30u);
        EXPECT_EQ(run.State.Records.TotalFrames(), 30u);
        for (const char* name : {"RIFF AVIX 1 size", "RIFF AVIX 2 size"}) {
            const TRecordedRow* row = run.Sink.Find(TL::MainHeader, name);
            ASSERT_NE(row, nullptr) << name;
            EXPECT_EQ(std::memcmp(&bytes[row->Info.Offset - 4], "RIFF", 4), 0) << name;
            EXPECT_EQ(std::memcmp(&bytes[row->Info.Offset + 4], "AVIX", 4), 0) << name;
        }
        const IndexEntry& last = *run.State.VideoEntries[29];
        const std::uint64_t at = ChunkPosition(last, run.State.Records.RelativeIndex, run.State.Records.MovieDataPosition);
        ASSERT_LT(at + 8, bytes.size());
        EXPECT_EQ(std::memcmp(&bytes[at], "00dc", 4), 0);
        EXPECT_GT(at, FindFourCC(bytes, "AVIX", 1));
    }
}

TEST_F(StructWalkTest, FileWithoutIndexKeepsItsHeaderRows)
{
    TAviBuilder builder = SmallMovie();
    builder.NoIndex();
    TWalkRun run;
    Walk(Write("noindex.avi", builder), run);
    EXPECT_FALSE(run.Done);
    EXPECT_EQ(16u, run.Sink.Names(TL::MainHeader).size());
    EXPECT_EQ(0u, run.State.VideoEntries.Count());
    EXPECT_TRUE(run.Sink.Ended);
}

TEST_F(StructWalkTest, StopsAtTheFirstDepartureKeepingWhatWasRead)
{
    struct TCase {
        const char* What;
        std::function<void(TBytes&)> Damage;
        std::size_t MainRows;
        std::size_t VideoRows;
    };
    const std::vector<TCase> cases = {
        {"not RIFF", [](TBytes& b) { b[0] = 'X'; }, 0, 0},
        {"main header not 56", [](TBytes& b) { PutU32(&b[FindFourCC(b, "avih") + 4], 60); }, 1, 0},
        {"short stream header",
         [](TBytes& b) { PutU32(&b[FindFourCC(b, "strh") + 4], 47); }, 15, 0},
        {"audio format above 128",
         [](TBytes& b) { PutU32(&b[FindFourCC(b, "strf", 1) + 4], 129); },
         15, 13},
    };
    for (const auto& c : cases) {
        TBytes bytes = SmallMovie().Build();
        c.Damage(bytes);
        TWalkRun run;
        Walk(Write("damaged.avi", bytes), run);
        EXPECT_FALSE(run.Done) << c.What;
        EXPECT_EQ(c.MainRows, run.Sink.Names(TL::MainHeader).size()) << c.What;
        EXPECT_EQ(c.VideoRows, run.Sink.Names(TL::VidHeader).size()) << c.What;
        EXPECT_TRUE(run.Sink.Names(TL::AudStruct).empty()) << c.What;
        EXPECT_FALSE(run.State.Records.HasAudio) << c.What;
    }
}

TEST_F(StructWalkTest, AbsurdSizesEndTheWalkWithoutReadingPastTheFile)
{
    const std::vector<std::pair<const char*, std::uint32_t>> patches = {
        {"movi", 0xFFFFFFFF}, {"idx1", 0xFFFFFFF0}, {"idx1", 0}, {"movi", 0}, {"strl", 0xFFFFFFFF}};
    for (const auto& [id, size] : patches) {
        TBytes bytes = SmallMovie().Build();
        const std::size_t at = FindFourCC(bytes, id);
        // movi and strl are list types: their size field sits before them.
        PutU32(&bytes[std::strcmp(id, "idx1") == 0 ? at + 4 : at - 4], size);
        TWalkRun run;
        Walk(Write("absurd.avi", bytes), run);
        EXPECT_LE(run.State.VideoEntries.Count() + run.State.AudioEntries.Count(), 60u) << id << " " << size;
        EXPECT_TRUE(run.Sink.Ended);
    }
}

// Every prefix of a real file, and a few hundred files with bytes changed at random,
// walk to an end; the entry lists never hold more entries than the file has room for.
TEST_F(StructWalkTest, TruncatedAndMangledFilesWalkToAnEnd)
{
    const TBytes original = SmallMovie().Build();
    for (std::size_t cut = 0; cut < original.size(); cut += 7) {
        TWalkRun run;
        Walk(Write("cut.avi", TBytes(original.begin(), original.begin() + cut)), run);
        EXPECT_FALSE(run.Done) << cut;
        EXPECT_LE((run.State.VideoEntries.Count() + run.State.AudioEntries.Count()) * 16, cut);
    }
    std::mt19937 random(6);
    for (int round = 0; round < 300; ++round) {
        TBytes bytes = original;
        const int changes = 1 + round % 8;
        for (int i = 0; i < changes; ++i) {
            const std::size_t at = random() % 400;  // the headers and the start of movi
            bytes[at] = static_cast<std::uint8_t>(random());
        }
        TWalkRun run;
        Walk(Write("mangled.avi", bytes), run);
        EXPECT_LE((run.State.VideoEntries.Count() + run.State.AudioEntries.Count()) * 16, bytes.size());
    }
}

}  // namespace
}  // namespace zendra::test
