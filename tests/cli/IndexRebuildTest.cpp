// Movies whose idx1 was cut off: zendra-cli builds an index from the movi chunks, its key
// frames agree with ffprobe's, and a clip of the whole movie holds every source packet.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "engine/Zendra.h"
#include "tests/testkit/AviBuilder.h"
#include "tests/testkit/MuxerSamples.h"
#include "tests/testkit/Samples.h"

namespace zendra::test {
namespace {

namespace fs = std::filesystem;

class CliIndexRebuildTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!HaveFfmpeg())
            GTEST_SKIP() << "ffmpeg is not installed";
        Folder = MakeTempDir("zendra-cli-rebuild");
    }
    void TearDown() override
    {
        if (!Folder.empty())
            fs::remove_all(Folder);
    }

    // The movie up to its idx1, as a download cut short there leaves it.
    std::string WithoutIndex(const std::string& source, const std::string& name) const
    {
        std::ifstream in(source, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::size_t index = bytes.rfind("idx1");
        EXPECT_NE(index, std::string::npos);
        const std::string path = Folder + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes.substr(0, index);
        return path;
    }

    // Packet hashes of every stream, in order, as ffmpeg reads them.
    static std::vector<std::string> Packets(const std::string& path)
    {
        std::string text;
        RunCommand("ffmpeg -nostdin -v error -i " + ShellQuote(path) + " -map 0 -c copy -f framemd5 - 2>/dev/null",
                   &text);
        std::vector<std::string> packets;
        std::size_t at = 0;
        for (std::size_t end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
            if (text[at] != '#')
                packets.push_back(PacketHashOfFramemd5Line(text.substr(at, end - at)));
        return packets;
    }

    void ExpectRebuiltLikeTheSource(const std::string& source, const std::string& name)
    {
        SCOPED_TRACE(name);
        const std::string cut = WithoutIndex(source, name);
        std::size_t keys = 0;
        for (bool key : VideoKeyFlags(source))
            keys += key;
        const TCliRun info = RunCli(Folder, "info " + ShellQuote(cut) + " --json");
        EXPECT_EQ(info.Exit, 0) << info.Err;
        EXPECT_NE(info.Err.find("Built an index for " + cut + " from its contents"), std::string::npos) << info.Err;
        EXPECT_NE(info.Out.find("\"keyframes\": " + std::to_string(keys)), std::string::npos) << info.Out;

        const std::string clip = Folder + "/whole-" + name;
        const TCliRun run = RunCli(Folder, "clip " + ShellQuote(cut) + " --start 0 --end 999999 -o " +
                                               ShellQuote(clip) + " -y");
        ASSERT_EQ(run.Exit, 0) << run.Err;
        EXPECT_TRUE(Probe(clip).Clean);
        EXPECT_EQ(Packets(clip), Packets(source));
        // ffprobe takes an AVI's key flags from its index: the clip's are the rebuilt ones.
        EXPECT_EQ(VideoKeyFlags(clip), VideoKeyFlags(source));
        EXPECT_EQ(RunCli(Folder, "verify " + ShellQuote(clip)).Exit, 0);

        // Split and rejoined, the movie again holds every source packet.
        const std::string parts = Folder + "/parts-" + name;
        ASSERT_EQ(RunCli(Folder, "split " + ShellQuote(cut) + " -n 3 -o " + ShellQuote(parts) + " -b p -y").Exit, 0);
        std::string members;
        for (const auto& part : fs::directory_iterator(parts))
            members += ShellQuote(part.path().string()) + " ";
        const std::string joined = Folder + "/joined-" + name;
        const TCliRun join = RunCli(Folder, "join " + members + "-o " + ShellQuote(joined) + " -y");
        ASSERT_EQ(join.Exit, 0) << join.Err;
        EXPECT_EQ(Packets(joined), Packets(source));
    }

    std::string Folder;
};

TEST_F(CliIndexRebuildTest, Mpeg4AndMjpegMoviesGetTheirKeyFramesFromTheData)
{
    ExpectRebuiltLikeTheSource(SamplePath(TSample::Mpeg4Mp3), "mpeg4.avi");
    ExpectRebuiltLikeTheSource(SamplePath(TSample::MjpegPcm), "mjpeg.avi");
}

// A part whose idx1 was cut off still joins: its index is built from its chunks.
TEST_F(CliIndexRebuildTest, AJoinMemberWithoutAnIndexIsRebuilt)
{
    const std::string source = SamplePath(TSample::Mpeg4Mp3);
    const std::string parts = Folder + "/parts";
    ASSERT_EQ(RunCli(Folder, "split " + ShellQuote(source) + " -n 3 -o " + ShellQuote(parts) + " -b p -y").Exit, 0);
    std::vector<std::string> members;
    for (const auto& part : fs::directory_iterator(parts))
        members.push_back(part.path().string());
    std::sort(members.begin(), members.end());
    ASSERT_GE(members.size(), 2u);
    fs::rename(WithoutIndex(members[1], "cut.avi"), members[1]);

    std::string list;
    for (const std::string& member : members)
        list += ShellQuote(member) + " ";
    const TCliRun join = RunCli(Folder, "join " + list + "-o joined.avi -y");
    ASSERT_EQ(join.Exit, 0) << join.Err;
    EXPECT_NE(join.Err.find("Built an index for " + members[1] + " from its contents"), std::string::npos) << join.Err;
    EXPECT_EQ(Packets(Folder + "/joined.avi"), Packets(source));
    EXPECT_EQ(RunCli(Folder, "verify joined.avi").Exit, 0);
}

TEST_F(CliIndexRebuildTest, H264MoviesGetTheirKeyFramesFromTheData)
{
    const TMuxerFile h264 = MuxerFile(TMuxer::VlcH264Pcm);
    const TMuxerFile gst = MuxerFile(TMuxer::GstX264);
    if (h264.Path.empty() && gst.Path.empty())
        GTEST_SKIP() << "no H.264 movie can be made here: " << h264.Reason << "; " << gst.Reason;
    for (const TMuxerFile& file : {h264, gst})
        if (!file.Path.empty())
            ExpectRebuiltLikeTheSource(file.Path, fs::path(file.Path).filename().string());
}

// H.264 as MP4 holds it (each NAL unit behind its length, an avcC record in the format),
// copied into an AVI file by ffmpeg.
TEST_F(CliIndexRebuildTest, LengthPrefixedH264MoviesGetTheirKeyFramesFromTheData)
{
    const std::string mp4 = Folder + "/avc.mp4", avi = Folder + "/avc.avi";
    if (RunCommand("ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=64x48:rate=25:duration=4 -c:v libx264 "
                   "-g 12 -bf 0 -pix_fmt yuv420p " + ShellQuote(mp4) + " 2>&1") != 0)
        GTEST_SKIP() << "ffmpeg can not encode H.264 here";
    ASSERT_EQ(RunCommand("ffmpeg -nostdin -v error -y -i " + ShellQuote(mp4) + " -c copy " + ShellQuote(avi)), 0);
    ExpectRebuiltLikeTheSource(avi, "avc-cut.avi");
}

TEST_F(CliIndexRebuildTest, ACodecWhoseKeyFramesCanNotBeToldIsRefusedByName)
{
    TAviBuilder movie;
    movie.Video(64, 48, "WMV3").Audio().Interleaved(20, 5).NoIndex();
    const std::string path = Folder + "/wmv.avi";
    movie.Write(path);
    const TCliRun run = RunCli(Folder, "clip " + ShellQuote(path) + " --start 0 --end 10 -o c.avi -y");
    EXPECT_EQ(run.Exit, 1);
    EXPECT_NE(run.Err.find("No index can be built for " + path +
                           ": the key frames of its video (WMV3) can not be told from its data."),
              std::string::npos)
        << run.Err;
    EXPECT_FALSE(fs::exists(Folder + "/c.avi"));
}

}  // namespace
}  // namespace zendra::test
