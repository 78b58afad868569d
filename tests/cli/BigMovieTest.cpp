// Movies past 1 GiB as ffmpeg and GStreamer write them (OpenDML: a RIFF AVIX after the
// first RIFF, indexes per stream), made once per test in a folder the test removes.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/testkit/MuxerSamples.h"
#include "tests/testkit/Samples.h"
#include "tests/testkit/SparseMovie.h"

namespace zendra::test {
namespace {

namespace fs = std::filesystem;

// Two seconds of high-bit-rate MPEG-4 (noise at a fine quantiser, key frames every 12) with
// PCM sound, which each recipe below makes into a movie past 1 GiB.
#define NOISE_SECONDS                                                                           \
    "ffmpeg -nostdin -v error -f lavfi -i 'nullsrc=s=720x576:r=25,geq=random(1)*255:128:128' "  \
    "-f lavfi -i sine=sample_rate=48000 -t 2 -c:v mpeg4 -q:v 2 -g 12 -sc_threshold 1000000000 " \
    "-c:a pcm_s16le -ac 2 small.avi && "

// Looped by ffmpeg's stream copy.
const char kFfmpegRecipe[] = NOISE_SECONDS
    "ffmpeg -nostdin -v error -stream_loop 45 -i small.avi -c copy -fflags +bitexact big.avi && rm small.avi";
// The same past 3 GiB: its halves are parts over 1 GiB.
const char kFfmpeg3GiBRecipe[] = NOISE_SECONDS
    "ffmpeg -nostdin -v error -stream_loop 130 -i small.avi -c copy -fflags +bitexact big.avi && rm small.avi";
// Joined 46 times by mencoder: its dmlh counts the first RIFF's frames only.
const char kMencoderRecipe[] = NOISE_SECONDS
    "mencoder -really-quiet $(for i in $(seq 46); do echo small.avi; done) -ovc copy -oac copy -o big.avi "
    ">/dev/null && rm small.avi";
// Looped into Matroska and remuxed by VLC, which writes one RIFF past 1 GiB with an idx1 and
// no OpenDML index (it refuses to run as root).
const char kVlcRecipe[] = NOISE_SECONDS
    "ffmpeg -nostdin -v error -stream_loop 45 -i small.avi -c copy big.mkv && rm small.avi && chmod 0777 . && "
    "setpriv --reuid=65534 --regid=65534 --clear-groups env HOME=\"$PWD\" "
    "cvlc -q --no-interact big.mkv --sout '#std{access=file,mux=avi,dst=big.avi}' vlc://quit >/dev/null && "
    "rm big.mkv";
// Raw I420 pictures (every frame a key frame) with PCM sound.
const char kGstreamerRecipe[] =
    "gst-launch-1.0 -q videotestsrc num-buffers=1800 ! video/x-raw,format=I420,width=720,height=576,framerate=25/1 ! "
    "avimux name=mux ! filesink location=big.avi audiotestsrc num-buffers=1688 samplesperbuffer=1024 ! "
    "audio/x-raw,format=S16LE,rate=24000,channels=1 ! mux.";

// Gigabytes go to disk even where the temporary folder is kept in memory.
std::string MakeDiskFolder()
{
    std::string pattern = "/var/tmp/zendra-big-XXXXXX";
    return mkdtemp(pattern.data()) ? pattern : MakeTempDir("zendra-big");
}

class BigMovieTest : public ::testing::Test {
protected:
    void SetUp() override { Folder = MakeDiskFolder(); }

    // Skips a test whose files would not fit the disk.
    bool EnoughDisk(std::uintmax_t bytes)
    {
        std::error_code error;
        const auto space = fs::space(Folder, error);
        return !error && space.available >= bytes;
    }
    void TearDown() override { fs::remove_all(Folder); }

    std::string PathOf(const std::string& name) const { return Folder + "/" + name; }

    // Makes big.avi; skips the test where the muxer is missing.
    void Make(const char* needs, const char* recipe, std::uintmax_t atLeast = std::uintmax_t{1} << 30)
    {
        if (!HaveFfmpeg() || RunCommand(std::string("{ ") + needs + " ; } >/dev/null 2>&1") != 0)
            GTEST_SKIP() << needs << " is not there";
        std::string log;
        ASSERT_EQ(RunCommand("cd " + ShellQuote(Folder) + " && " + recipe + " </dev/null 2>&1", &log), 0) << log;
        ASSERT_GT(fs::file_size(PathOf("big.avi")), atLeast);
        Video = VideoFrameHashes(PathOf("big.avi"), false);
        Audio = AudioPacketHashes(PathOf("big.avi")).value_or(std::vector<std::string>{});
        ASSERT_FALSE(Video.empty());
        ASSERT_FALSE(Audio.empty());
    }

    TCliRun Run(const std::string& arguments) const { return RunCli(Folder, arguments); }

    void ExpectSound(const std::string& path) const
    {
        EXPECT_EQ(ProbeErrors(path), "") << path;
        const TCliRun verify = Run("verify " + ShellQuote(path));
        EXPECT_EQ(verify.Exit, 0) << path << ": " << verify.Out << verify.Err;
    }

    // An output past 1 GiB goes on in RIFF AVIX chunks and is read by its OpenDML index.
    void ExpectOpenDml(const std::string& path) const
    {
        const TCliRun info = Run("info " + ShellQuote(path) + " --json");
        EXPECT_NE(info.Out.find("\"opendml_index\": true"), std::string::npos) << path << ": " << info.Out;
    }

    // Split into parts, each part sound, the parts' pictures the movie's; their join the movie.
    // (Every part begins with the sound that stands ahead of the movie's first picture, so
    // only the join gives the sound back as it was.)
    void SplitAndRejoin(int partCount = 3, bool openDmlSource = true)
    {
        const TCliRun info = Run("info big.avi --json");
        ASSERT_EQ(info.Exit, 0) << info.Err;
        const std::string index = openDmlSource ? "\"opendml_index\": true" : "\"opendml_index\": false";
        EXPECT_NE(info.Out.find(index), std::string::npos) << info.Out;
        EXPECT_NE(info.Out.find("\"frames\": " + std::to_string(Video.size())), std::string::npos) << info.Out;

        const TCliRun split = Run("split big.avi -n " + std::to_string(partCount) + " -o parts -b p -y");
        ASSERT_EQ(split.Exit, 0) << split.Err;
        std::vector<std::string> parts;
        for (const auto& entry : fs::directory_iterator(PathOf("parts")))
            parts.push_back(entry.path().string());
        std::sort(parts.begin(), parts.end());
        ASSERT_EQ(parts.size(), static_cast<std::size_t>(partCount)) << split.Out;
        std::vector<std::string> video;
        std::string members;
        for (const std::string& part : parts) {
            ExpectSound(part);
            if (fs::file_size(part) > std::uintmax_t{1} << 30)
                ExpectOpenDml(part);
            const auto partVideo = VideoFrameHashes(part, false);
            video.insert(video.end(), partVideo.begin(), partVideo.end());
            members += ShellQuote(part) + " ";
        }
        EXPECT_EQ(video, Video);

        const TCliRun join = Run("join " + members + "-o joined.avi -y");
        ASSERT_EQ(join.Exit, 0) << join.Err;
        fs::remove_all(PathOf("parts"));
        ExpectSound(PathOf("joined.avi"));
        ExpectOpenDml(PathOf("joined.avi"));
        EXPECT_EQ(VideoFrameHashes(PathOf("joined.avi"), false), Video);
        EXPECT_EQ(AudioPacketHashes(PathOf("joined.avi")).value_or(std::vector<std::string>{}), Audio);
        fs::remove(PathOf("joined.avi"));
    }

    // A muxer's OpenDML movie: made, split, rejoined, and clipped from start to end.
    void CutEveryWay(const char* needs, const char* recipe, std::size_t start, std::size_t end, std::size_t group)
    {
        ASSERT_NO_FATAL_FAILURE(Make(needs, recipe));
        if (IsSkipped())
            return;
        SplitAndRejoin();
        ClipAcrossRiffs(start, end, group);
    }

    // A clip across the end of the first RIFF (or the first GiB of a single one) holds a run
    // of the movie's pictures that begins at most a group before its start and reaches its end.
    void ClipAcrossRiffs(std::size_t start, std::size_t end, std::size_t group)
    {
        const TCliRun clip = Run("clip big.avi --start " + std::to_string(start) + " --end " + std::to_string(end) +
                                 " -o clip.avi -y");
        ASSERT_EQ(clip.Exit, 0) << clip.Err;
        ExpectSound(PathOf("clip.avi"));
        const auto video = VideoFrameHashes(PathOf("clip.avi"), false);
        ASSERT_FALSE(video.empty());
        bool found = false;
        for (std::size_t first = start >= group ? start - group : 0; first <= start && !found; ++first)
            found = first + video.size() <= Video.size() && first + video.size() >= end &&
                    std::equal(video.begin(), video.end(), Video.begin() + static_cast<std::ptrdiff_t>(first));
        EXPECT_TRUE(found) << video.size() << " pictures that are no run of the movie's from its key frame";
    }

    std::string Folder;
    std::vector<std::string> Video, Audio;
};

TEST_F(BigMovieTest, FfmpegOpenDmlMovieIsSplitRejoinedAndClipped)
{
    CutEveryWay("command -v ffmpeg", kFfmpegRecipe, 2000, 2200, 12);
}

TEST_F(BigMovieTest, GstreamerOpenDmlMovieIsSplitRejoinedAndClipped)
{
    CutEveryWay("command -v gst-launch-1.0 && gst-inspect-1.0 avimux", kGstreamerRecipe, 1650, 1790, 1);
}

TEST_F(BigMovieTest, MencoderOpenDmlMovieIsSplitRejoinedAndClipped)
{
    CutEveryWay("command -v mencoder", kMencoderRecipe, 2050, 2290, 12);
}

TEST_F(BigMovieTest, VlcMovieOfOneRiffPastAGibibyteRejoinsAsOpenDml)
{
    ASSERT_NO_FATAL_FAILURE(Make("command -v cvlc && command -v setpriv", kVlcRecipe));
    if (IsSkipped())
        return;
    const TCliRun info = Run("info big.avi --json");
    EXPECT_NE(info.Out.find("\"continues_past_first_riff\": false"), std::string::npos) << info.Out;
    SplitAndRejoin(3, false);
    ClipAcrossRiffs(1000, 2290, 12);
}

TEST_F(BigMovieTest, MovieOf3GiBSplitsIntoOpenDmlPartsAndRejoins)
{
    // The suite runs this beside the 5 GiB test: room for both.
    if (!EnoughDisk(std::uintmax_t{24} << 30))
        GTEST_SKIP() << "less than 24 GiB of free disk for a movie of 3 GiB and its parts (and the 5 GiB test's)";
    ASSERT_NO_FATAL_FAILURE(Make("command -v ffmpeg", kFfmpeg3GiBRecipe, std::uintmax_t{3} << 30));
    if (IsSkipped())
        return;
    SplitAndRejoin(2);
    ClipAcrossRiffs(3000, 6000, 12);
    ExpectOpenDml(PathOf("clip.avi"));
}

// Positions past 4 GiB: a sparse movie of 5.1 GiB (pictures numbered in their first bytes).
TEST_F(BigMovieTest, SparseMovieOf5GiBIsCutAcrossTheFourGiBLine)
{
    if (!HaveFfmpeg())
        GTEST_SKIP() << "ffmpeg is not installed";
    if (!EnoughDisk(std::uintmax_t{24} << 30))
        GTEST_SKIP() << "less than 24 GiB of free disk for the outputs of a movie of 5 GiB (and the 3 GiB test's)";
    TSparseMovie sparse;
    ASSERT_TRUE(WriteSparseMovie(PathOf("big.avi"), sparse));
    ASSERT_GT(fs::file_size(PathOf("big.avi")), std::uintmax_t{5} << 30);
    Video = VideoFrameHashes(PathOf("big.avi"), false);
    Audio = AudioPacketHashes(PathOf("big.avi")).value_or(std::vector<std::string>{});
    ASSERT_EQ(Video.size(), sparse.Frames);

    // Frames 1050 to 1100 lie past 4 GiB.
    ClipAcrossRiffs(1050, 1100, sparse.Gop);
    const TCliRun proof = Run("verify clip.avi --source big.avi");
    EXPECT_EQ(proof.Exit, 0) << proof.Out << proof.Err;
    fs::remove(PathOf("clip.avi"));
    SplitAndRejoin(2);
}

}  // namespace
}  // namespace zendra::test
