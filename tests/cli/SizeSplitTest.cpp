// zendra-cli split --max-size and the A/V report of info --parts, on ffmpeg-made and
// hand-built movies.
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "engine/AviRecords.h"
#include "tests/testkit/AviBuilder.h"
#include "tests/testkit/Samples.h"

namespace zendra::test {
namespace {

namespace fs = std::filesystem;

using TResult = TCliRun;

class CliSizeSplit : public ::testing::Test {
protected:
    void SetUp() override { Folder = MakeTempDir("zendra-cli-size"); }
    void TearDown() override { fs::remove_all(Folder); }

    TResult Cli(const std::string& arguments) const
    {
        return RunCli(Folder, arguments);
    }
    std::string PathOf(const std::string& name) const { return Folder + "/" + name; }

    // The files the split wrote, in order, as it named them.
    static std::vector<std::string> WrittenParts(const std::string& out)
    {
        std::vector<std::string> parts;
        std::istringstream lines(out);
        std::string line;
        while (std::getline(lines, line))
            if (line.size() > 4 && line.compare(line.size() - 4, 4, ".avi") == 0)
                parts.push_back(line);
        return parts;
    }
    static std::vector<std::string> LinesWith(const std::string& out, const std::string& text)
    {
        std::vector<std::string> found;
        std::istringstream lines(out);
        std::string line;
        while (std::getline(lines, line))
            if (line.find(text) != std::string::npos)
                found.push_back(line);
        return found;
    }
    static std::string Trimmed(const std::string& line) { return line.substr(line.find_first_not_of(' ')); }

    std::string Folder;
};

TEST_F(CliSizeSplit, PartsStayWithinTheSizeAndRejoinToTheSource)
{
    if (!HaveFfmpeg())
        GTEST_SKIP() << "ffmpeg is not installed";
    for (TSample sample : {TSample::Mpeg4Mp3, TSample::MjpegPcm}) {
        SCOPED_TRACE(SampleName(sample));
        const std::string movie = SamplePath(sample);
        const std::string out = PathOf(std::string(SampleName(sample)) + "/");
        const TResult split = Cli("split " + ShellQuote(movie) + " --max-size 60K -o " + ShellQuote(out) + " -b p -y");
        ASSERT_EQ(split.Exit, 0) << split.Err;
        const auto parts = WrittenParts(split.Out);
        ASSERT_GE(parts.size(), 3u) << split.Out;
        for (const std::string& part : parts)
            EXPECT_LE(fs::file_size(part), 60u * 1024) << part;
        EXPECT_EQ(LinesWith(split.Err, "Part ").size(), parts.size()) << split.Err;

        std::string partArgs;
        for (const std::string& part : parts)
            partArgs += " " + ShellQuote(part);
        const TResult join = Cli("join" + partArgs + " -o " + ShellQuote(out + "joined.avi") + " -y");
        ASSERT_EQ(join.Exit, 0) << join.Err;
        EXPECT_EQ(VideoFrameHashes(out + "joined.avi", false), VideoFrameHashes(movie, false));
    }
}

TEST_F(CliSizeSplit, SizesTakeKMAndGAsPowersOf1024)
{
    TAviBuilder b;
    b.Video().Audio().Interleaved(40, 4, 1000, 100);
    b.Write(PathOf("movie.avi"));
    const auto partCount = [&](const std::string& size) {
        const TResult r = Cli("info " + ShellQuote(PathOf("movie.avi")) + " --parts --max-size " + size);
        EXPECT_EQ(r.Exit, 0) << size << ": " << r.Err;
        return LinesWith(r.Out, "Part ").size();
    };
    // The one part of the whole movie is the movie with the part record's chunk added.
    const auto whole = fs::file_size(PathOf("movie.avi")) + 8 + TPartRecord::kSize;
    EXPECT_EQ(partCount("4G"), 1u);
    EXPECT_EQ(partCount(std::to_string(whole)), 1u);
    EXPECT_GT(partCount(std::to_string(whole - 1)), 1u);
    EXPECT_EQ(partCount("12K"), partCount("12288"));
    EXPECT_EQ(partCount("12k"), partCount("12288"));
    EXPECT_GT(partCount("12K"), partCount("1M"));

    for (const char* bad : {"7X", "M", "0", "-5", "1.5G", "12MB", "''", "99999999999G"}) {
        const TResult r = Cli("split " + ShellQuote(PathOf("movie.avi")) + " --max-size " + bad + " -o " +
                              ShellQuote(PathOf("never/")) + " -y");
        EXPECT_EQ(r.Exit, 2) << bad;
        EXPECT_NE(r.Err.find("--max-size takes a size such as 700M"), std::string::npos) << bad << ": " << r.Err;
    }
    EXPECT_EQ(Cli("split " + ShellQuote(PathOf("movie.avi")) + " --max-size 1M -n 4").Exit, 2);
    EXPECT_FALSE(fs::exists(PathOf("never")));
}

TEST_F(CliSizeSplit, AGroupLargerThanTheSizeIsRefusedBeforeAnythingIsWritten)
{
    TAviBuilder b;
    b.Video().Frame(true, 500).Frame(false, 50).Frame(true, 9000).Frame(false, 50);
    b.Write(PathOf("movie.avi"));
    const TResult r = Cli("split " + ShellQuote(PathOf("movie.avi")) + " --max-size 8K -o " + ShellQuote(PathOf("run/")) + " -y");
    EXPECT_EQ(r.Exit, 1);
    EXPECT_NE(r.Err.find("Can not split into parts of at most 8192 bytes: the key-frame group at frame 3 alone makes a part of"),
              std::string::npos)
        << r.Err;
    EXPECT_FALSE(fs::exists(PathOf("run")));
}

TEST_F(CliSizeSplit, HelpNamesTheSizeOption)
{
    const TResult r = Cli("--help");
    EXPECT_NE(r.Out.find("--max-size SIZE"), std::string::npos);
    EXPECT_NE(r.Out.find("--parts"), std::string::npos);
}

TEST_F(CliSizeSplit, PartsReportTheirAudioOffsetFromTheirSource)
{
    // Half the sound each frame needs: later parts begin with sound from well before their picture.
    TAviBuilder b;
    b.Video().Audio().Interleaved(30, 10, 100, 3528);
    b.Write(PathOf("movie.avi"));
    const TResult plan = Cli("info " + ShellQuote(PathOf("movie.avi")) + " --parts -m smallest");
    ASSERT_EQ(plan.Exit, 0) << plan.Err;
    const auto lines = LinesWith(plan.Out, "first audio sample");
    ASSERT_EQ(lines.size(), 2u) << plan.Out;
    EXPECT_EQ(lines[0], "Part 1: frames 1-10, first audio sample +0.0 ms from the first video frame (audio chunk 20.0 ms)");
    EXPECT_EQ(lines[1], "Part 2: frames 11-30, first audio sample -200.0 ms from the first video frame (audio chunk 20.0 ms);"
                        " warning: more than one audio chunk off");

    const TResult split = Cli("split " + ShellQuote(PathOf("movie.avi")) + " -m smallest -o " + ShellQuote(PathOf("run/")) + " -y");
    ASSERT_EQ(split.Exit, 0) << split.Err;
    const auto splitLines = LinesWith(split.Err, "first audio sample");
    ASSERT_EQ(splitLines.size(), 2u);
    EXPECT_EQ(Trimmed(splitLines[1]), lines[1]);

    // The part finds its source in the folder above its run folder.
    const auto parts = WrittenParts(split.Out);
    ASSERT_EQ(parts.size(), 2u);
    const TResult part = Cli("info " + ShellQuote(parts[1]) + " --parts");
    ASSERT_EQ(part.Exit, 0) << part.Err;
    EXPECT_EQ(LinesWith(part.Out, "first audio sample"), std::vector<std::string>{lines[1]});

    fs::rename(PathOf("movie.avi"), PathOf("moved.avi"));
    const TResult lost = Cli("info " + ShellQuote(parts[1]) + " --parts");
    EXPECT_EQ(lost.Exit, 0);
    EXPECT_NE(lost.Out.find("Part 2: the source movie.avi was not found beside the part"), std::string::npos) << lost.Out;
}

TEST_F(CliSizeSplit, ASourceNameWithAFolderIsNotFollowed)
{
    TAviBuilder source;
    source.Video().Audio().Interleaved(20, 5);
    source.Write(PathOf("movie.avi"));
    TPartRecord record;
    record.SetPartIndex(1);
    record.SetSourceName("../movie.avi");
    fs::create_directories(PathOf("run/sub"));
    TAviBuilder(source).PartRecord(record).Write(PathOf("run/sub/part.avi"));
    const TResult r = Cli("info " + ShellQuote(PathOf("run/sub/part.avi")) + " --parts");
    EXPECT_EQ(r.Exit, 0) << r.Err;
    EXPECT_NE(r.Out.find("the source ../movie.avi was not found beside the part"), std::string::npos) << r.Out;
}

TEST_F(CliSizeSplit, InfoWarnsOfVbrMp3AndPackedBitstreams)
{
    if (!HaveFfmpeg())
        GTEST_SKIP() << "ffmpeg is not installed";
    const TResult mp3 = Cli("info " + ShellQuote(SamplePath(TSample::Mpeg4Mp3)));
    EXPECT_NE(mp3.Out.find("Warning:        VBR MP3 audio"), std::string::npos) << mp3.Out;
    const TResult pcm = Cli("info " + ShellQuote(SamplePath(TSample::Mpeg4Pcm)));
    EXPECT_EQ(pcm.Out.find("Warning:"), std::string::npos) << pcm.Out;
    const TResult json = Cli("info --json " + ShellQuote(SamplePath(TSample::Mpeg4Mp3)));
    EXPECT_NE(json.Out.find("\"vbr_mp3\": true, \"packed_bitstream\": false"), std::string::npos) << json.Out;
    // ffmpeg gives each B-frame a chunk of its own.
    const TResult bframes = Cli("info " + ShellQuote(SamplePath(TSample::Mpeg4BFrames)));
    EXPECT_EQ(bframes.Out.find("packed bitstream"), std::string::npos) << bframes.Out;

    TAviBuilder packed;
    packed.Video(64, 48, "DX50");
    TBytes key{0, 0, 1, 0xB0, 0xF5, 0, 0, 1, 0xB2};
    const std::string userData = "DivX503b1393p";
    key.insert(key.end(), userData.begin(), userData.end());
    key.insert(key.end(), {0, 0, 1, 0xB6, 0x10, 0x20});
    packed.Chunk({"00dc", kKeyFrameFlag, key});
    packed.Write(PathOf("packed.avi"));
    const TResult p = Cli("info " + ShellQuote(PathOf("packed.avi")));
    EXPECT_NE(p.Out.find("Warning:        packed bitstream video (a B-frame packed with the frame before it)"),
              std::string::npos)
        << p.Out;
}

}  // namespace
}  // namespace zendra::test
