// The preview player as the main window sees it; the program uses TWMPlayer (libmpv),
// tests a scripted one.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace zendra {

class IMoviePlayer {
public:
    virtual ~IMoviePlayer() = default;

    // The widget that shows the picture.
    virtual QWidget* Widget() = 0;

    // Writing a path loads that movie, the empty text unloads; reading tells what is loaded.
    virtual void SetFileName(const QString& fileName) = 0;
    virtual QString FileName() const = 0;
    // 1: Duration counts frames; 0: seconds.
    virtual void SetDisplayMode(int mode) = 0;
    virtual int DisplayMode() const = 0;
    virtual double Duration() const = 0;
    // Seconds.
    virtual double CurrentPosition() const = 0;
    virtual void SetCurrentPosition(double seconds) = 0;
    // Above 2 once the movie is loaded and Duration is valid.
    virtual int ReadyState() const = 0;
    // The movie could not be loaded; ReadyState will not rise.
    virtual bool LoadFailed() const = 0;
    virtual void Play() = 0;
    virtual void Stop() = 0;
};

using TPlayerFactory = std::function<IMoviePlayer*(QWidget* parent)>;

}  // namespace zendra
