// The preview on libmpv's software renderer, painted into a plain widget (no GPU).
#pragma once

#include <QImage>
#include <QWidget>

#include <cstdint>
#include <optional>

#include "platform/MoviePlayer.h"

struct mpv_handle;
struct mpv_render_context;
struct mpv_event_property;

namespace zendra {

class TWMPlayer : public QWidget, public IMoviePlayer {
    Q_OBJECT
public:
    // withAudio false plays without sound (tests, benchmarks).
    explicit TWMPlayer(QWidget* parent = nullptr, bool withAudio = true);
    ~TWMPlayer() override;

    QWidget* Widget() override { return this; }
    void SetFileName(const QString& fileName, const TMovieLength& length) override;
    QString FileName() const override { return FFileName; }
    void SetDisplayMode(int mode) override { FDisplayMode = mode; }
    int DisplayMode() const override { return FDisplayMode; }
    double Duration() const override;
    double CurrentPosition() const override;
    void SetCurrentPosition(double seconds) override;
    TReadyState ReadyState() const override { return FReadyState; }
    bool LoadFailed() const override { return FLoadFailed; }
    void Play() override;
    void Stop() override;

    // The last picture mpv rendered, at the movie's own size.
    const QImage& Frame() const { return FFrame; }
    // True while a seek is under way or waiting.
    bool Seeking() const { return FSeekInFlight || FWantedSeek.has_value(); }
    bool Valid() const { return FRender != nullptr; }

signals:
    // A seek finished and its picture was rendered; position in seconds.
    void SeekFinished(double position);

protected:
    void paintEvent(QPaintEvent* event) override;

private slots:
    void DrainEvents();
    void RenderFrame();

private:
    static void OnWakeup(void* self);
    static void OnRenderUpdate(void* self);
    void Command(const char* const* args);
    void SetPause(bool pause);
    void StartSeek(double seconds);
    void HandlePropertyChange(const mpv_event_property& property);

    mpv_handle* FMpv = nullptr;
    mpv_render_context* FRender = nullptr;
    QString FFileName;
    int FDisplayMode = 0;
    TReadyState FReadyState = TReadyState::Empty;
    bool FLoadFailed = false;
    bool FPaused = true;
    bool FFirstFrameShown = false;
    TMovieLength FIndexLength;
    double FMpvDuration = 0;
    double FTimePos = 0;
    bool FSeekInFlight = false;
    double FSeekTarget = 0;
    std::optional<double> FWantedSeek;
    QImage FFrame;
    int FVideoWidth = 0;
    int FVideoHeight = 0;
};

}  // namespace zendra
