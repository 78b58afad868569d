// Where a part's sound starts against its picture, and the stream traits that trouble
// players after a cut.
#include "tests/engine/EngineFixture.h"

#include <cmath>
#include <map>
#include <sstream>

#include "app/jobs/JobCore.h"
#include "engine/AvSync.h"

namespace zendra::test {
namespace {

constexpr std::uint32_t kFrameAudio = 7056;  // 40 ms of 44.1 kHz 16-bit stereo: one video frame at 25 fps

// MP3 as VBR muxers write it: one 1152-sample frame per chunk of any length.
TAviBuilder& VbrMp3(TAviBuilder& b)
{
    TStreamSpec s;
    s.Type = "auds";
    s.Handler = std::string("\x55\0\0\0", 4);
    s.Scale = 1152;
    s.Rate = 44100;
    AppendU16(s.Format, 0x55);
    AppendU16(s.Format, 2);
    AppendU32(s.Format, 44100);
    AppendU32(s.Format, 16000);
    AppendU16(s.Format, 1152);
    AppendU16(s.Format, 0);
    AppendU16(s.Format, 0);
    return b.Stream(s);
}

TBytes Mpeg4Chunk(std::initializer_list<std::uint8_t> startCodes, const std::string& userData = {})
{
    TBytes data;
    for (std::uint8_t code : startCodes) {
        data.insert(data.end(), {0, 0, 1, code});
        if (code == 0xB2)
            data.insert(data.end(), userData.begin(), userData.end());
        const TBytes body = Pattern(40, code);
        for (std::uint8_t b : body)
            data.push_back(b == 0 ? 0x55 : b);  // no stray start codes in the filler
    }
    return data;
}

class AvSync : public EngineTest {
protected:
    TPartSync SyncAtKey(const std::string& file, int keyNumber)
    {
        Movie = Open(file);
        std::vector<std::int32_t> keys, sizes;
        Movie->ListKeyGroups(keys, sizes);
        const auto k = static_cast<std::size_t>(keyNumber);
        return PartSync(*Movie, k == 0 ? 0 : keys[k], k + 1 < keys.size() ? keys[k + 1] - 1 : -1);
    }
    std::unique_ptr<TZendra> Movie;
};

TEST_F(AvSync, ConstantBitRateCountsBytes)
{
    // Frame i is followed by the audio of its 40 ms: every cut is in sync.
    const std::string file = Write(TAviBuilder().Video().Audio().Interleaved(30, 10, 100, kFrameAudio));
    const TPartSync first = SyncAtKey(file, 0);
    EXPECT_EQ(first.FirstFrame, 1);
    EXPECT_EQ(first.LastFrame, 10);
    ASSERT_TRUE(first.HasAudio);
    EXPECT_NEAR(first.OffsetSeconds, 0, 1e-9);
    const TPartSync second = SyncAtKey(file, 1);
    EXPECT_EQ(second.FirstFrame, 11);
    EXPECT_EQ(second.LastFrame, 20);
    EXPECT_NEAR(second.OffsetSeconds, 0, 1e-9);
    EXPECT_NEAR(second.ChunkSeconds, 0.040, 1e-9);
    EXPECT_FALSE(second.OffByMoreThanAChunk);
}

TEST_F(AvSync, SoundThatFallsBehindIsMoreThanAChunkOff)
{
    // Half the audio a frame needs: at frame 11 the part's sound is from 200 ms, the picture from 400 ms.
    const std::string file = Write(TAviBuilder().Video().Audio().Interleaved(30, 10, 100, kFrameAudio / 2));
    const TPartSync second = SyncAtKey(file, 1);
    EXPECT_NEAR(second.OffsetSeconds, -0.200, 1e-9);
    EXPECT_NEAR(second.ChunkSeconds, 0.020, 1e-9);
    EXPECT_TRUE(second.OffByMoreThanAChunk);
    EXPECT_FALSE(SyncAtKey(file, 0).OffByMoreThanAChunk);
}

TEST_F(AvSync, LeadAudioPlaysBeforeTheOwnSoundOfLaterParts)
{
    // Three chunks ahead of the first frame (120 ms) go into every part; their sound delays the part's own.
    TAviBuilder b;
    b.Video().Audio().AudioChunk(kFrameAudio).AudioChunk(kFrameAudio).AudioChunk(kFrameAudio);
    b.Interleaved(30, 10, 100, kFrameAudio);
    const std::string file = Write(b);
    EXPECT_NEAR(SyncAtKey(file, 0).OffsetSeconds, 0, 1e-9);
    // Own sound at frame 11 belongs at 3 + 10 chunks = 520 ms against the picture's 400 ms, played after 120 ms.
    const TPartSync second = SyncAtKey(file, 1);
    EXPECT_NEAR(second.OffsetSeconds, 0, 1e-9);
    EXPECT_FALSE(second.OffByMoreThanAChunk);
}

TEST_F(AvSync, VbrMp3CountsFrames)
{
    TAviBuilder b;
    b.Video();
    VbrMp3(b);
    // 25 fps against 38.28 MP3 frames a second: one chunk (26.1 ms) after every frame loses 13.9 ms a frame.
    b.Interleaved(30, 10, 100, 209);
    const std::string file = Write(b);
    Movie = Open(file);
    EXPECT_TRUE(IsVbrMp3(*Movie));
    EXPECT_TRUE(IsVbrAudio(*Movie));
    const TPartSync second = SyncAtKey(file, 1);
    const double chunk = 1152.0 / 44100;
    EXPECT_NEAR(second.ChunkSeconds, chunk, 1e-9);
    EXPECT_NEAR(second.OffsetSeconds, 10 * chunk - 0.4, 1e-9);
    EXPECT_TRUE(second.OffByMoreThanAChunk);

    EXPECT_FALSE(IsVbrMp3(*Open(Write(TAviBuilder().Video().Audio().Interleaved(3, 1), "pcm.avi"))));
}

TEST_F(AvSync, VideoOnlyHasNoAudioLine)
{
    const TPartSync sync = SyncAtKey(Write(TAviBuilder().Video().Frame(true).Frame(true)), 1);
    EXPECT_FALSE(sync.HasAudio);
    EXPECT_EQ(sync.FirstFrame, 2);
}

TEST_F(AvSync, PackedBitstreamIsFoundByItsSecondVopOrItsUserData)
{
    const auto movieWith = [&](const TBytes& second, const std::string& name) {
        TAviBuilder b;
        b.Video(64, 48, "DX50");
        b.Chunk({"00dc", kKeyFrameFlag, Mpeg4Chunk({0xB0, 0xB5, 0x00, 0x20, 0xB6})});
        b.Chunk({"00dc", 0, second});
        b.Chunk({"00dc", 0, Mpeg4Chunk({0xB6})});
        return Open(Write(b, name));
    };
    EXPECT_FALSE(HasPackedBitstream(*movieWith(Mpeg4Chunk({0xB6}), "plain.avi")));
    EXPECT_TRUE(HasPackedBitstream(*movieWith(Mpeg4Chunk({0xB6, 0xB6}), "two-vops.avi")));
    EXPECT_TRUE(HasPackedBitstream(*movieWith(Mpeg4Chunk({0xB2, 0xB6}, "DivX503b1393p"), "divx-p.avi")));
    EXPECT_FALSE(HasPackedBitstream(*movieWith(Mpeg4Chunk({0xB2, 0xB6}, "DivX503b1393"), "divx.avi")));

    // Pictures of other codecs may hold those bytes by chance.
    TAviBuilder jpeg;
    jpeg.Video(64, 48, "MJPG");
    TBytes picture{0xFF, 0xD8, 0xFF, 0xE0};
    const TBytes codes = Mpeg4Chunk({0xB6, 0xB6});
    picture.insert(picture.end(), codes.begin(), codes.end());
    jpeg.Chunk({"00dc", kKeyFrameFlag, picture});
    EXPECT_FALSE(HasPackedBitstream(*Open(Write(jpeg, "mjpeg.avi"))));
}

TEST_F(AvSync, PartsAreFoundInTheirSource)
{
    TAviBuilder b;
    b.Video().Audio().AudioChunk(300).Interleaved(40, 8, 100, 40);
    const std::string file = Write(b);
    TZendra movie(file);
    std::vector<std::int32_t> starts;
    ASSERT_TRUE(movie.PlanPartsBySize(starts, movie.PartFileSize(0, -1, true) / 3));
    ASSERT_GE(starts.size(), 3u);
    const TSplitResult result =
        RunSplitParts(file, starts, static_cast<std::int32_t>(movie.Index.size()), PathOf("run/"), "part", {});
    ASSERT_TRUE(result.Finished);
    for (std::size_t r = 1; r <= starts.size(); ++r) {
        const TZendra part(result.Written[r - 1]);
        std::int32_t start = -1, end = -1;
        ASSERT_TRUE(LocatePartInSource(part, movie, start, end)) << "part " << r;
        const auto expected = PartRange(starts, r);
        EXPECT_EQ(start, expected.first) << "part " << r;
        EXPECT_EQ(end, expected.second < 0 ? static_cast<std::int32_t>(movie.Index.size()) - 1 : expected.second);
    }
    std::int32_t start = 0, end = 0;
    EXPECT_FALSE(LocatePartInSource(TZendra(result.Written[1]),
                                    TZendra(Write(TAviBuilder().Video().Audio().Interleaved(40, 8, 101, 40), "other.avi")),
                                    start, end));
}

class AvSyncSamples : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        if (!HaveFfmpeg())
            GTEST_SKIP() << "ffmpeg is not installed";
    }
};

TEST_F(AvSyncSamples, FfmpegMoviesAreReadAsTheyAre)
{
    EXPECT_TRUE(IsVbrMp3(TZendra(SamplePath(TSample::Mpeg4Mp3))));
    EXPECT_FALSE(IsVbrMp3(TZendra(SamplePath(TSample::Mpeg4Pcm))));
    // ffmpeg stores every B-frame in a chunk of its own: not packed.
    EXPECT_FALSE(HasPackedBitstream(TZendra(SamplePath(TSample::Mpeg4BFrames))));

    // ffmpeg interleaves by time, so cuts of its movies stay within a chunk or two.
    for (TSample sample : {TSample::Mpeg4Pcm, TSample::Mpeg4Mp3}) {
        const TZendra movie(SamplePath(sample));
        std::vector<std::int32_t> starts;
        std::vector<std::int64_t> accumulators;
        ASSERT_TRUE(movie.PlanParts(starts, accumulators, 0));
        for (std::size_t r = 1; r <= starts.size(); ++r) {
            const auto [s, e] = PartRange(starts, r);
            const TPartSync sync = PartSync(movie, s, e);
            ASSERT_TRUE(sync.HasAudio);
            EXPECT_LE(std::fabs(sync.OffsetSeconds), 2 * sync.ChunkSeconds + 0.040) << SampleName(sample) << " part " << r;
        }
    }
}

struct TProbedPacket {
    double Pts = 0;
    double Duration = 0;
};

// ffprobe's timing of every packet, by the file position of its data.
std::map<long long, TProbedPacket> ProbePackets(const std::string& path)
{
    std::string text;
    RunCommand("ffprobe -v error -show_entries packet=pts_time,duration_time,pos -of csv=p=0 " + ShellQuote(path), &text);
    std::map<long long, TProbedPacket> packets;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string pts, duration, pos;
        if (std::getline(fields, pts, ',') && std::getline(fields, duration, ',') && std::getline(fields, pos, ',') &&
            pts != "N/A" && !pos.empty())
            packets[std::stoll(pos)] = {std::stod(pts), duration == "N/A" ? 0 : std::stod(duration)};
    }
    return packets;
}

TEST_F(AvSyncSamples, OffsetsAgreeWithFfprobesTimestamps)
{
    for (TSample sample : {TSample::Mpeg4Pcm, TSample::Mpeg4Mp3, TSample::MjpegPcm}) {
        SCOPED_TRACE(SampleName(sample));
        const TZendra movie(SamplePath(sample));
        const auto packets = ProbePackets(movie.MovieFile);
        ASSERT_FALSE(packets.empty());
        const auto probed = [&](std::size_t i) {
            const auto it = packets.find(std::int64_t{movie.IndexBase()} + movie.Index[i].Offset + 8);
            EXPECT_NE(it, packets.end()) << "entry " << i;
            return it == packets.end() ? TProbedPacket{} : it->second;
        };
        double lead = 0;
        for (std::size_t i = 0; i < movie.Index.size() && !IsVideoEntry(movie.Index[i]); ++i)
            lead += probed(i).Duration;

        // Parts of about a second: each has sound of its own.
        std::vector<std::int32_t> starts;
        std::vector<std::int64_t> accumulators;
        ASSERT_TRUE(movie.PlanParts(starts, accumulators, movie.TotalDataSize() / 8));
        ASSERT_GE(starts.size(), 4u);
        for (std::size_t r = 2; r <= starts.size(); ++r) {
            const auto [s, e] = PartRange(starts, r);
            ASSERT_TRUE(PartSync(movie, s, e).HasAudio);
            auto audio = static_cast<std::size_t>(s);
            while (IsVideoEntry(movie.Index[audio]))
                ++audio;
            const double expected = probed(audio).Pts - probed(static_cast<std::size_t>(s)).Pts - lead;
            EXPECT_NEAR(PartSync(movie, s, e).OffsetSeconds, expected, 1e-5) << "part " << r;
        }
    }
}

TEST_F(AvSyncSamples, FfmpegFramesPackedIntoOneChunkAreFound)
{
    // The B-frame sample's chunks, each P-frame with the B-frame after it in one chunk and
    // an empty chunk where the B-frame was, as packing muxers store them.
    const TZendra source(SamplePath(TSample::Mpeg4BFrames));
    const TBytes bytes = ReadFileBytes(source.MovieFile);
    const auto dataOf = [&](const IndexEntry& e) {
        const auto at = static_cast<std::ptrdiff_t>(source.IndexBase() + e.Offset + 8);
        return TBytes(bytes.begin() + at, bytes.begin() + at + static_cast<std::ptrdiff_t>(e.Length));
    };
    TAviBuilder packed;
    packed.Video(160, 120, "DX50");
    std::vector<const IndexEntry*> video;
    for (const IndexEntry& e : source.Index)
        if (IsVideoEntry(e))
            video.push_back(&e);
    for (std::size_t i = 0; i < video.size(); ++i) {
        TBytes data = dataOf(*video[i]);
        if (i + 1 < video.size() && !IsKeyEntry(*video[i + 1]) && i % 3 == 1) {
            const TBytes next = dataOf(*video[++i]);
            data.insert(data.end(), next.begin(), next.end());
            packed.Chunk({"00dc", video[i - 1]->Flags, data});
            packed.Chunk({"00dc", 0, {}});
            continue;
        }
        packed.Chunk({"00dc", video[i]->Flags, data});
    }
    EXPECT_TRUE(HasPackedBitstream(*Open(Write(packed, "packed.avi"))));
}

}  // namespace
}  // namespace zendra::test
