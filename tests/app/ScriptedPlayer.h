// A preview player that answers from a script and records what it was told.
#pragma once

#include <QWidget>

#include <stdexcept>
#include <vector>

#include "platform/MoviePlayer.h"

namespace zendra::test {

class TScriptedPlayer : public QWidget, public IMoviePlayer {
public:
    explicit TScriptedPlayer(QWidget* parent = nullptr) : QWidget(parent) {}

    double Frames = 250;
    double Seconds = 10;
    bool GetsReady = true;
    bool ThrowOnLoad = false;
    std::vector<double> Seeks;
    int Plays = 0;
    int Stops = 0;

    QWidget* Widget() override { return this; }
    void SetFileName(const QString& fileName, const TMovieLength&) override
    {
        if (ThrowOnLoad && !fileName.isEmpty())
            throw std::runtime_error("The preview broke down");
        FFileName = fileName;
        FPosition = 0;
    }
    QString FileName() const override { return FFileName; }
    void SetDisplayMode(int mode) override { FMode = mode; }
    int DisplayMode() const override { return FMode; }
    double Duration() const override { return FMode == 1 ? Frames : Seconds; }
    double CurrentPosition() const override { return FPosition; }
    void SetCurrentPosition(double seconds) override
    {
        Seeks.push_back(seconds);
        FPosition = seconds;
    }
    TReadyState ReadyState() const override
    {
        return GetsReady && !FFileName.isEmpty() ? TReadyState::Ready : TReadyState::Empty;
    }
    bool LoadFailed() const override { return false; }
    void Play() override { ++Plays; }
    void Stop() override { ++Stops; }
    // Playback moving on by itself.
    void PlayTo(double seconds) { FPosition = seconds; }

private:
    QString FFileName;
    int FMode = 0;
    double FPosition = 0;
};

}  // namespace zendra::test
