// The preview player as the main window sees it; the program uses TWMPlayer (libmpv),
// tests a scripted one.
#pragma once

#include <QString>

#include <cstdint>
#include <functional>

class QWidget;

namespace zendra {

// The movie's length as its own index counts it (the window reads it with the engine).
// The player reports it rather than the decoder's estimate, which is off by a frame at
// times and may follow a longer audio track.
struct TMovieLength {
    std::int32_t Frames = 0;  // video entries of the index
    double Seconds = 0;       // the same frames at the header's rate; 0: the decoder's length
};

// How far loading a movie got.
enum class TReadyState {
    Empty,    // nothing loaded, or loading failed
    Loading,  // the file was handed to the player
    Opened,   // the player opened it; no picture yet
    Ready,    // the first picture is up: Duration is valid
};

class IMoviePlayer {
public:
    virtual ~IMoviePlayer() = default;

    // The widget that shows the picture.
    virtual QWidget* Widget() = 0;

    // Writing a path loads that movie of that length, the empty text unloads; reading tells
    // what is loaded.
    virtual void SetFileName(const QString& fileName, const TMovieLength& length) = 0;
    virtual QString FileName() const = 0;
    // 1: Duration counts frames; 0: seconds.
    virtual void SetDisplayMode(int mode) = 0;
    virtual int DisplayMode() const = 0;
    virtual double Duration() const = 0;
    // Seconds.
    virtual double CurrentPosition() const = 0;
    virtual void SetCurrentPosition(double seconds) = 0;
    virtual TReadyState ReadyState() const = 0;
    // The movie could not be loaded; ReadyState will not become Ready.
    virtual bool LoadFailed() const = 0;
    virtual void Play() = 0;
    virtual void Stop() = 0;
};

using TPlayerFactory = std::function<IMoviePlayer*(QWidget* parent)>;

}  // namespace zendra
