// The libmpv preview against ffmpeg's own decode: the frame shown is the frame asked for.
#include <gtest/gtest.h>

#include <cmath>

#include "app/KeyFrames.h"
#include "engine/Zendra.h"
#include "platform/WMPlayer.h"
#include "tests/app/GuiTestKit.h"
#include "tests/testkit/Samples.h"

namespace zendra::test {
namespace {

struct TLoaded {
    std::int32_t frames = 0;
    double seconds = 0;
};

TLoaded Load(TWMPlayer& player, const std::string& path)
{
    // The length as the window hands it over: the index's.
    player.SetFileName(QString::fromStdString(path), IndexLength(TZendra(path)));
    EXPECT_TRUE(WaitUntil([&] { return player.ReadyState() == TReadyState::Ready || player.LoadFailed(); }));
    TLoaded loaded;
    player.SetDisplayMode(1);
    loaded.frames = static_cast<std::int32_t>(std::nearbyint(player.Duration()));
    player.SetDisplayMode(0);
    loaded.seconds = player.Duration();
    return loaded;
}

void ExpectExactSeeks(TSample sample)
{
    if (!HaveFfmpeg())
        GTEST_SKIP() << "ffmpeg missing";
    const std::string path = SamplePath(sample);
    const TProbe probe = Probe(path);
    const std::vector<QImage> reference = DecodeAllFrames(path, probe.Width, probe.Height);
    ASSERT_FALSE(reference.empty());

    TWMPlayer player(nullptr, false);
    ASSERT_TRUE(player.Valid());
    const TLoaded loaded = Load(player, path);
    const std::vector<int> picture = PictureOfIndexFrame(path);
    ASSERT_EQ(static_cast<std::size_t>(loaded.frames), picture.size());
    ASSERT_EQ(static_cast<std::size_t>(picture.back() + 1), reference.size());
    const double rate = loaded.frames / loaded.seconds;
    EXPECT_NEAR(rate, probe.Fps, 1e-6);

    const int last = loaded.frames - 1;
    // The track bar's end position is the frame count itself: it shows the last frame.
    for (const auto& [asked, expected] : std::vector<std::pair<int, int>>{
             {0, 0}, {1, 1}, {13, 13}, {100, 100}, {last, last}, {loaded.frames, last}, {11, 11}, {12, 12}}) {
        player.SetCurrentPosition(asked / rate);
        ASSERT_TRUE(WaitUntil([&] { return !player.Seeking(); })) << "seek to " << asked;
        const int wanted = picture[static_cast<std::size_t>(expected)];
        const auto [nearest, difference] = Nearest(player.Frame(), reference, wanted);
        EXPECT_EQ(nearest, wanted) << "asked " << asked << ", mean difference " << difference;
        EXPECT_EQ(std::lround(player.CurrentPosition() * rate), asked);
    }
}

TEST(PreviewPlayer, ShowsExactlyTheFrameAskedFor)
{
    ExpectExactSeeks(TSample::Mpeg4Mp3);
}

TEST(PreviewPlayer, ShowsExactlyTheFrameAskedForWithBFrames)
{
    ExpectExactSeeks(TSample::Mpeg4BFrames);
}

TEST(PreviewPlayer, OnlyTheNewestOfManyQuickSeeksIsShown)
{
    if (!HaveFfmpeg())
        GTEST_SKIP() << "ffmpeg missing";
    const std::string path = SamplePath(TSample::Mpeg4Mp3);
    const TProbe probe = Probe(path);
    const std::vector<QImage> reference = DecodeAllFrames(path, probe.Width, probe.Height);
    TWMPlayer player(nullptr, false);
    const TLoaded loaded = Load(player, path);
    const double rate = loaded.frames / loaded.seconds;
    // Like dragging the track bar: many wishes, one seek at a time, the last one wins.
    for (int frame = 20; frame <= 140; frame += 7)
        player.SetCurrentPosition(frame / rate);
    ASSERT_TRUE(WaitUntil([&] { return !player.Seeking(); }));
    const int wanted = PictureOfIndexFrame(path)[139];
    EXPECT_EQ(Nearest(player.Frame(), reference, wanted).first, wanted);
}

TEST(PreviewPlayer, FileThatIsNoMovieFailsToLoad)
{
    const std::string folder = MakeTempDir();
    const std::string path = folder + "/noise.avi";
    FILE* file = fopen(path.c_str(), "wb");
    for (int i = 0; i < 4096; ++i)
        fputc((i * 7919) & 0xff, file);
    fclose(file);
    TWMPlayer player(nullptr, false);
    player.SetFileName(QString::fromStdString(path), {});
    EXPECT_TRUE(WaitUntil([&] { return player.LoadFailed() || player.ReadyState() == TReadyState::Ready; }));
    EXPECT_TRUE(player.LoadFailed());
    EXPECT_NE(player.ReadyState(), TReadyState::Ready);
}

}  // namespace
}  // namespace zendra::test
