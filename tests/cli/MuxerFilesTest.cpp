// Movies written by muxers other than ffmpeg's through zendra-cli split, join and clip,
// every output checked with ffmpeg, ffprobe and the test kit's own byte reader, never with
// Zendra itself. A muxer that is not installed skips its row.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/testkit/LayoutCheck.h"
#include "tests/testkit/MuxerSamples.h"
#include "tests/testkit/Samples.h"

namespace zendra::test {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (!line.empty())
            lines.push_back(line);
    return lines;
}

// Where two hash lists part, so that a failure names the packet.
std::string Difference(const std::vector<std::string>& expected, const std::vector<std::string>& actual)
{
    std::size_t same = 0;
    while (same < expected.size() && same < actual.size() && expected[same] == actual[same])
        ++same;
    return std::to_string(expected.size()) + " packets expected, " + std::to_string(actual.size()) +
           " found, first difference at packet " + std::to_string(same + 1);
}

// Frame numbers count the index's video entries; ffmpeg passes over the empty ones, so
// each frame is known by the number of pictures up to and including it.
struct TFrameMap {
    std::vector<std::size_t> EntryOfFrame;
    std::vector<std::size_t> PicturesUpTo;
    std::size_t Pictures = 0;
};

TFrameMap MapFrames(const std::vector<TIndexEntry>& index)
{
    TFrameMap map;
    for (std::size_t i = 0; i < index.size(); ++i) {
        if (!index[i].Video)
            continue;
        map.Pictures += index[i].Length > 0;
        map.EntryOfFrame.push_back(i);
        map.PicturesUpTo.push_back(map.Pictures);
    }
    return map;
}

class MuxerFilesTest : public ::testing::TestWithParam<TMuxer> {
protected:
    void SetUp() override
    {
        if (!HaveFfmpeg())
            GTEST_SKIP() << "ffmpeg is not installed";
        const TMuxerFile file = MuxerFile(GetParam());
        if (file.Missing)
            GTEST_SKIP() << file.Reason;
        ASSERT_FALSE(file.Path.empty()) << Muxer() << ": " << file.Reason;
        Source = file.Path;
        Folder = MakeTempDir("zendra-muxer-files");
        SourceVideo = VideoFrameHashes(Source, false);
        ASSERT_FALSE(SourceVideo.empty()) << Muxer() << ": ffmpeg reads no video packet from " << Source;
    }
    void TearDown() override
    {
        if (!Folder.empty())
            fs::remove_all(Folder);
    }

    std::string Muxer() const { return MuxerName(GetParam()); }
    std::string Job(const std::string& job) const { return Muxer() + ", " + job; }

    // Runs in the test's folder with stdin not a terminal.
    TCliRun Run(const std::string& arguments) const
    {
        return RunCli(Folder, arguments);
    }
    std::string PathOf(const std::string& name) const
    {
        return fs::path(name).is_absolute() ? name : Folder + "/" + name;
    }

    // The parts of a three-part split, in order; fails the test when the split fails.
    void SplitIntoThree(std::vector<std::string>* parts) const
    {
        const TCliRun split = Run("split " + ShellQuote(Source) + " -n 3 -y -o parts -b part");
        ASSERT_EQ(split.Exit, 0) << Job("split") << ": " << split.Err;
        for (const std::string& line : Lines(split.Out))
            parts->push_back(PathOf(line));
        ASSERT_GE(parts->size(), 2u) << Job("split") << ": parts printed: " << split.Out;
    }

    // ffprobe reads it without a word, and its layout holds what its index says: ffmpeg
    // trusts idx1 and reads past stray chunk headers in movi.
    // A job that fails leaves no file under its output's name.
    void ExpectNothingLeft(const TCliRun& run, const std::string& output, const std::string& job) const
    {
        if (run.Exit != 0) {
            EXPECT_FALSE(fs::exists(PathOf(output))) << Job(job) << ": the failed job left " << output;
        }
    }

    void ExpectClean(const std::string& path, const std::string& job) const
    {
        EXPECT_TRUE(Probe(path).Clean) << Job(job) << ": ffprobe: " << ProbeErrors(path);
        const std::string problem = LayoutProblem(path);
        EXPECT_EQ(problem, "") << Job(job) << ": layout";
    }

    void ExpectVideo(const std::string& path, const std::vector<std::string>& expected, const std::string& job) const
    {
        const std::vector<std::string> found = VideoFrameHashes(path, false);
        EXPECT_TRUE(found == expected) << Job(job) << ": video packets: " << Difference(expected, found);
    }

    std::string Source;
    std::string Folder;
    std::vector<std::string> SourceVideo;
};

TEST_P(MuxerFilesTest, SourceIsReadableAndInfoWorks)
{
    EXPECT_TRUE(Probe(Source).Clean) << Muxer() << ", source: ffprobe: " << ProbeErrors(Source);
    const TCliRun info = Run("info " + ShellQuote(Source));
    EXPECT_EQ(info.Exit, 0) << Job("info") << ": " << info.Err;
    EXPECT_NE(info.Out.find("Frames:"), std::string::npos) << Job("info") << ": " << info.Out;
}

TEST_P(MuxerFilesTest, SplitPartsHoldEverySourceFrame)
{
    std::vector<std::string> parts;
    SplitIntoThree(&parts);
    if (HasFatalFailure())
        return;
    std::vector<std::string> video;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::string job = "split part " + std::to_string(i + 1);
        ExpectClean(parts[i], job);
        const std::vector<std::string> partVideo = VideoFrameHashes(parts[i], false);
        EXPECT_FALSE(partVideo.empty()) << Job(job) << ": ffmpeg reads no video packet";
        video.insert(video.end(), partVideo.begin(), partVideo.end());
    }
    EXPECT_TRUE(video == SourceVideo) << Job("split") << ": video packets of the parts in turn: "
                                      << Difference(SourceVideo, video);
}

TEST_P(MuxerFilesTest, JoinOfThePartsHoldsEverySourcePacket)
{
    std::vector<std::string> parts;
    SplitIntoThree(&parts);
    if (HasFatalFailure())
        return;
    std::string members;
    for (const std::string& part : parts)
        members += " " + ShellQuote(part);
    const TCliRun join = Run("join" + members + " -o joined.avi");
    ExpectNothingLeft(join, "joined.avi", "join");
    ASSERT_EQ(join.Exit, 0) << Job("join") << ": " << join.Err;
    const std::string joined = PathOf("joined.avi");
    ExpectClean(joined, "join");
    ExpectVideo(joined, SourceVideo, "join");

    const auto sourceAudio = AudioPacketHashes(Source);
    ASSERT_TRUE(sourceAudio.has_value()) << Muxer() << ": ffmpeg cannot read the source's audio";
    const auto joinedAudio = AudioPacketHashes(joined);
    ASSERT_TRUE(joinedAudio.has_value()) << Job("join") << ": ffmpeg cannot read the audio";
    EXPECT_TRUE(*joinedAudio == *sourceAudio) << Job("join") << ": audio packets: "
                                              << Difference(*sourceAudio, *joinedAudio);
}

TEST_P(MuxerFilesTest, ClipHoldsTheStretchFromTheKeyFrameBeforeItsStart)
{
    const std::vector<TIndexEntry> index = IndexEntries(Source);
    const TFrameMap frames = MapFrames(index);
    const std::vector<bool> keys = VideoKeyFlags(Source);
    ASSERT_EQ(frames.Pictures, SourceVideo.size()) << Muxer() << ": pictures in idx1 against the packets ffmpeg reads";
    ASSERT_EQ(keys.size(), SourceVideo.size()) << Muxer() << ": ffprobe and ffmpeg disagree on the video packets";
    // Frames count from 1; a middle stretch whose start is seldom a key frame.
    const std::size_t count = frames.EntryOfFrame.size();
    const std::size_t start = count * 2 / 5 + 1, end = count * 3 / 4;
    ASSERT_LT(start, end) << Muxer() << ": too few frames (" << count << ")";
    const auto isKey = [&](std::size_t frame) {
        return index[frames.EntryOfFrame[frame - 1]].Length > 0 && keys[frames.PicturesUpTo[frame - 1] - 1];
    };
    std::size_t key = start;
    while (key > 1 && !isKey(key))
        --key;
    ASSERT_TRUE(isKey(key)) << Muxer() << ": ffprobe marks no key frame at or before frame " << start;
    // The clip ends with the index entry after its end frame's: the next frame when that
    // entry is a video entry.
    const std::size_t after = frames.EntryOfFrame[end - 1] + 1;
    const std::size_t last = after < index.size() && index[after].Video ? end + 1 : end;

    const std::string job = "clip " + std::to_string(start) + "-" + std::to_string(end);
    const TCliRun clip =
        Run("clip " + ShellQuote(Source) + " --start " + std::to_string(start) + " --end " + std::to_string(end) +
            " -o clip.avi");
    ExpectNothingLeft(clip, "clip.avi", job);
    ASSERT_EQ(clip.Exit, 0) << Job(job) << ": " << clip.Err;
    ExpectClean(PathOf("clip.avi"), job);
    const std::size_t firstPicture = frames.PicturesUpTo[key - 1] - 1, lastPicture = frames.PicturesUpTo[last - 1];
    const std::vector<std::string> expected(SourceVideo.begin() + static_cast<std::ptrdiff_t>(firstPicture),
                                            SourceVideo.begin() + static_cast<std::ptrdiff_t>(lastPicture));
    ExpectVideo(PathOf("clip.avi"), expected,
                job + " (frames " + std::to_string(key) + "-" + std::to_string(last) + " of the source)");
}

INSTANTIATE_TEST_SUITE_P(Muxers, MuxerFilesTest, ::testing::ValuesIn(AllMuxers()), [](const auto& info) {
    std::string name = MuxerName(info.param);
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
});

}  // namespace
}  // namespace zendra::test
