// The read-back proof of outputs, and outputs that take their name only once proven.
#include "tests/engine/EngineFixture.h"

#include <filesystem>

#include "app/jobs/JobCore.h"
#include "engine/OutputFile.h"
#include "engine/OutputVerifier.h"
#include "platform/BinaryFile.h"

namespace zendra::test {
namespace {

namespace fs = std::filesystem;

class OutputVerifierTest : public EngineTest {
protected:
    std::string Clip()
    {
        TAviBuilder b;
        b.Video().Audio().Interleaved(30, 10);
        const std::string in = Write(b);
        EXPECT_TRUE(RunClipRange(in, 0, 30, PathOf("clip.avi"), {}));
        return PathOf("clip.avi");
    }
    static std::string Failure(const std::string& path) { return VerifyAviFile(path, {}).Failure; }
};

TEST_F(OutputVerifierTest, HandDamagedFilesFailWithWhatIsWrong)
{
    const std::string good = Clip();
    const TVerifyReport report = VerifyAviFile(good, {});
    EXPECT_EQ(report.Failure, "");
    EXPECT_EQ(report.Entries, 60u);
    EXPECT_EQ(report.VideoEntries, 30u);

    const TBytes bytes = ReadFileBytes(good);
    const std::size_t index = FindText(bytes, "idx1") + 8;
    TBytes damaged = bytes;
    OverwriteU32(damaged, 4, GetU32(&bytes[4]) + 2);
    EXPECT_NE(Failure(Write(damaged, "riff.avi")).find("RIFF size"), std::string::npos);

    damaged = bytes;
    OverwriteU32(damaged, index + 16 + 8, GetU32(&bytes[index + 16 + 8]) + 8);
    EXPECT_NE(Failure(Write(damaged, "entry.avi")).find("index entry 1 "), std::string::npos);

    damaged = bytes;
    const std::size_t firstChunk = FindText(bytes, "movi") + 4;
    OverwriteU32(damaged, firstChunk + 4, GetU32(&bytes[firstChunk + 4]) + 1);
    EXPECT_NE(Failure(Write(damaged, "size.avi")), "");

    damaged = bytes;
    const std::size_t avih = FindText(bytes, "avih") + 8;
    OverwriteU32(damaged, avih + 16, 29);
    EXPECT_NE(Failure(Write(damaged, "frames.avi")).find("the main header counts 29 frames, the index 30"),
              std::string::npos);

    damaged = bytes;
    const std::size_t movi = FindText(bytes, "movi");
    Overwrite(damaged, movi, "jjjj");
    EXPECT_NE(Failure(Write(damaged, "nomovi.avi")).find("0 movi lists"), std::string::npos);
}

TEST_F(OutputVerifierTest, ByteProofFindsAChunkThatDiffersFromItsSource)
{
    const std::string out = Clip();
    const std::string in = PathOf("movie.avi");
    auto proveAgainstSource = [&] {
        TZendra original(in);
        auto source = TBinaryFile::OpenRead(in);
        TChunkOrigins origins;
        for (const IndexEntry& e : original.Index)
            origins.Add(*source, std::int64_t{original.IndexBase()} + e.Offset);
        TVerifyRequest request;
        request.Origins = &origins;
        return VerifyAviFile(out, request).Failure;
    };
    EXPECT_EQ(proveAgainstSource(), "");
    TBytes bytes = ReadFileBytes(in);
    const std::size_t chunk = FindText(bytes, "movi") + 4 + 100 * 7;
    bytes[chunk + 20] ^= 0x40;
    Write(bytes);
    EXPECT_NE(proveAgainstSource().find("differs from the chunk it was copied from"), std::string::npos);
}

TEST_F(OutputVerifierTest, AFileThatFailsItsProofNeverTakesTheOutputsName)
{
    const std::string good = Clip();
    WriteFileBytes(PathOf("old.avi"), TBytes{1, 2, 3});
    TBytes damaged = ReadFileBytes(good);
    OverwriteU32(damaged, 4, 0);
    const std::string temporary = Write(damaged, ".old.avi.zendra-partial");
    TVerifyRequest request;
    EXPECT_FALSE(ProveAndPutInPlace(temporary, PathOf("old.avi"), request));
    EXPECT_EQ(ReadFileBytes(PathOf("old.avi")), (TBytes{1, 2, 3}));
    EXPECT_FALSE(fs::exists(temporary));
    ASSERT_FALSE(Scripted->Messages().empty());
    EXPECT_EQ(Scripted->Messages().back().rfind("Verification failed for " + PathOf("old.avi") + ": ", 0), 0u);
    EXPECT_TRUE(Scripted->Recycled().empty());
}

TEST_F(OutputVerifierTest, AFailedWriteLeavesNeitherTheNameNorATemporaryFile)
{
    TAviBuilder b;
    b.Video().Audio().Interleaved(30, 10, 4000);
    const std::string in = Write(b);
    fs::create_directories(PathOf("out"));
    WriteFileBytes(PathOf("out/clip.avi"), TBytes{9});
    FileFaults().WriteBudget = 50000;
    EXPECT_FALSE(RunClipRange(in, 0, 30, PathOf("out/clip.avi"), {}));
    FileFaults().WriteBudget = -1;
    EXPECT_EQ(FolderNames(PathOf("out")), std::vector<std::string>{"clip.avi"});
    EXPECT_EQ(ReadFileBytes(PathOf("out/clip.avi")), TBytes{9});  // the old file stays until a new one is proven

    ASSERT_TRUE(RunClipRange(in, 0, 30, PathOf("out/clip.avi"), {}));
    EXPECT_EQ(FolderNames(PathOf("out")), std::vector<std::string>{"clip.avi"});
    EXPECT_EQ(Scripted->Recycled().size(), 1u);
    EXPECT_EQ(Failure(PathOf("out/clip.avi")), "");
}

TEST_F(OutputVerifierTest, JobsWithTheByteProofCompareEveryCopiedByte)
{
    TAviBuilder b;
    b.Video().Audio();
    b.AudioChunk(30).AudioChunk(31);
    b.Interleaved(30, 10);
    const std::string in = Write(b);
    TJobHooks hooks;
    hooks.VerifyBytes = true;
    ASSERT_TRUE(RunClipRange(in, 12, 25, PathOf("clip.avi"), hooks));
    const TSplitResult split = RunSplitParts(in, {0, 22, 42}, 62, PathOf("parts/"), "p", hooks);
    ASSERT_TRUE(split.Finished);
    ASSERT_TRUE(RunJoinParts(split.Written[0], {split.Written[1], split.Written[2]}, PathOf("joined.avi"), hooks));
    EXPECT_EQ(VerifySplitRun(split.Written), "");
    EXPECT_NE(VerifySplitRun({split.Written[1], split.Written[0]}), "");
    fs::remove(split.Written[2]);
    EXPECT_NE(VerifySplitRun(split.Written).find("is not there"), std::string::npos);
}

TEST_F(OutputVerifierTest, ASplitWhoseFolderVanishesMidwayFailsAndSaysWhichPartIsGone)
{
    TAviBuilder b;
    b.Video().Audio().Interleaved(30, 10);
    const std::string in = Write(b);
    TJobHooks hooks;
    hooks.Writing = [&](const std::string& name) {
        if (name.find("p00003") != std::string::npos)
            fs::remove_all(PathOf("parts"));
    };
    const TSplitResult split = RunSplitParts(in, {0, 20, 40}, 60, PathOf("parts/"), "p", hooks);
    EXPECT_FALSE(split.Finished);
    ASSERT_FALSE(Scripted->Messages().empty());
    EXPECT_NE(Scripted->Messages().back().find("p00001.avi is not there"), std::string::npos)
        << Scripted->Messages().back();
}

TEST_F(OutputVerifierTest, JobsOnAMovieThatVanishedSayWhy)
{
    EXPECT_FALSE(RunClipRange(PathOf("gone.avi"), 0, 10, PathOf("clip.avi"), {}));
    ASSERT_FALSE(Scripted->Messages().empty());
    EXPECT_EQ(Scripted->Messages().back(), "Can not open " + PathOf("gone.avi") + ": No such file or directory");
    EXPECT_FALSE(RunSplitParts(PathOf("gone.avi"), {0}, 1, PathOf("parts/"), "p", {}).Finished);
    EXPECT_FALSE(fs::exists(PathOf("parts")));
    EXPECT_FALSE(RunJoinParts(PathOf("gone.avi"), {}, PathOf("joined.avi"), {}));
    EXPECT_EQ(Scripted->Messages().size(), 3u);
}

}  // namespace
}  // namespace zendra::test
