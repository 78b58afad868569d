// Shows a finished result in the desktop's video player and waits until it is closed.
#pragma once

#include <QString>
#include <QStringList>

namespace zendra {

struct TPlayerCommand {
    QString Program;
    QStringList Arguments;
    QString Text() const;  // the command line, for the failure message
};

// The desktop's default player for AVI (its .desktop entry), else a known player on the PATH.
TPlayerCommand FindVideoPlayer(const QString& fileName);

// Starts the player on fileName and waits until it ends; the window repaints meanwhile
// but takes no input. A player that can not be started is reported in a box captioned
// "Could not create process:"; none found, or one that fails at once, is reported too.
// Pauses 1000 ms before returning when the player ran.
bool ViewResult(const QString& fileName);

// Builds the command of a desktop entry's Exec line for fileName (field codes replaced).
TPlayerCommand CommandFromExecLine(const QString& exec, const QString& fileName);

}  // namespace zendra
