// Seek-and-render time of the preview: random frames of a movie, one at a time,
// from the seek command until the new picture is rendered.
#include <QApplication>
#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "engine/Zendra.h"
#include "platform/WMPlayer.h"
#include "tests/testkit/EventWait.h"

using zendra::test::WaitUntil;

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s MOVIE [SEEKS]\n", argv[0]);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    const int seeks = argc > 2 ? std::atoi(argv[2]) : 200;

    // The length from the movie's own index, as the window hands it to the player.
    const zendra::TZendra movie(argv[1]);
    zendra::TMovieLength length;
    length.Frames = movie.VideoFrameCount();
    length.Seconds = static_cast<double>(length.Frames / movie.FrameRate);

    zendra::TWMPlayer player(nullptr, false);
    QElapsedTimer loading;
    loading.start();
    player.SetFileName(QString::fromLocal8Bit(argv[1]), length);
    const auto ready = [&] { return player.ReadyState() == zendra::TReadyState::Ready; };
    if (!WaitUntil([&] { return ready() || player.LoadFailed(); }, 10000) || player.LoadFailed()) {
        std::fprintf(stderr, "the movie did not load\n");
        return 1;
    }
    const double loadMs = loading.nsecsElapsed() / 1e6;
    player.SetDisplayMode(1);
    const int frames = static_cast<int>(std::lround(player.Duration()));
    player.SetDisplayMode(0);
    const double rate = frames / player.Duration();

    std::mt19937 random(12);
    std::uniform_int_distribution<int> pick(0, frames - 1);
    std::vector<double> times;
    for (int i = 0; i < seeks; ++i) {
        QElapsedTimer clock;
        clock.start();
        player.SetCurrentPosition(pick(random) / rate);
        if (!WaitUntil([&] { return !player.Seeking(); }, 5000)) {
            std::fprintf(stderr, "a seek did not finish\n");
            return 1;
        }
        times.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    const auto at = [&](double q) { return times[static_cast<std::size_t>(q * (times.size() - 1))]; };
    std::printf("movie %s: %d frames, %dx%d\n", argv[1], frames, player.Frame().width(), player.Frame().height());
    std::printf("load %.1f ms; %d seeks: median %.1f ms, p90 %.1f ms, max %.1f ms\n", loadMs, seeks, at(0.5),
                at(0.9), times.back());
    return 0;
}
