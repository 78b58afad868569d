#include "platform/ResultViewer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

namespace zendra {

namespace {

// Players that stay open until the user closes them, in order of preference.
const char* const kKnownPlayers[] = {"mpv", "vlc", "celluloid", "totem", "ffplay"};

QString DefaultPlayerEntry()
{
    QProcess query;
    query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("video/x-msvideo")});
    if (!query.waitForFinished(3000) || query.exitCode() != 0)
        return {};
    const QString entry = QString::fromUtf8(query.readAllStandardOutput()).trimmed();
    // Installed, Zendra's own entries open AVI files too, but they play nothing.
    return entry.startsWith(QLatin1String("org.example.Zendra")) ? QString() : entry;
}

QString ExecLineOf(const QString& desktopEntry)
{
    if (desktopEntry.isEmpty())
        return {};
    const QString path = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, desktopEntry);
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    bool inEntry = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('[')))
            inEntry = line == QLatin1String("[Desktop Entry]");
        else if (inEntry && line.startsWith(QLatin1String("Exec=")))
            return line.mid(5);
    }
    return {};
}

// Waits for the process while repainting, without taking user input.
void WaitRepainting(QProcess& process)
{
    while (!process.waitForFinished(20))
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void PauseRepainting(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QThread::msleep(10);
    }
}

// Ending sooner than this, and with a failure, counts as not having shown the file.
constexpr qint64 kAtOnceMs = 3000;

void Report(const QString& caption, const QString& text)
{
    QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok,
                    QApplication::focusWidget() ? QApplication::focusWidget()->window() : nullptr);
    box.exec();
}

}  // namespace

QString TPlayerCommand::Text() const
{
    QStringList parts{Program};
    for (const QString& a : Arguments)
        parts << (a.contains(QLatin1Char(' ')) ? QLatin1Char('"') + a + QLatin1Char('"') : a);
    return parts.join(QLatin1Char(' '));
}

TPlayerCommand CommandFromExecLine(const QString& exec, const QString& fileName)
{
    QStringList words = QProcess::splitCommand(exec);
    TPlayerCommand command;
    bool placed = false;
    for (const QString& word : words) {
        if (word == QLatin1String("%f") || word == QLatin1String("%F") || word == QLatin1String("%u") ||
            word == QLatin1String("%U")) {
            command.Arguments << fileName;
            placed = true;
        } else if (word.size() == 2 && word.startsWith(QLatin1Char('%'))) {
            continue;  // other field codes carry nothing we have
        } else if (command.Program.isEmpty()) {
            command.Program = word;
        } else {
            command.Arguments << word;
        }
    }
    if (!placed)
        command.Arguments << fileName;
    return command;
}

TPlayerCommand FindVideoPlayer(const QString& fileName)
{
    const QString exec = ExecLineOf(DefaultPlayerEntry());
    if (!exec.isEmpty())
        return CommandFromExecLine(exec, fileName);
    for (const char* player : kKnownPlayers) {
        const QString program = QStandardPaths::findExecutable(QString::fromLatin1(player));
        if (!program.isEmpty())
            return {program, {fileName}};
    }
    return {};  // no player at all
}

bool ViewResult(const QString& fileName)
{
    const TPlayerCommand command = FindVideoPlayer(fileName);
    if (command.Program.isEmpty()) {
        Report(QStringLiteral("No video player found"),
               QStringLiteral("No video player was found to show ") + fileName +
                   QStringLiteral(". Install one (mpv, VLC, Celluloid or Totem) or open the file yourself."));
        return false;
    }
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    QElapsedTimer running;
    running.start();
    process.start(command.Program, command.Arguments);
    const bool started = process.waitForStarted(10000);
    if (!started) {
        Report(QStringLiteral("Could not create process:"), command.Text());
        PauseRepainting(1000);
        return false;
    }
    WaitRepainting(process);
    // A player that hands the file to one already running ends at once too, but well.
    const bool failed = process.exitStatus() == QProcess::CrashExit || process.exitCode() != 0;
    if (failed && running.elapsed() < kAtOnceMs) {
        Report(QStringLiteral("The video player ended at once"),
               command.Text() + QStringLiteral("\nended at once with exit code ") +
                   QString::number(process.exitCode()) + QStringLiteral(" without showing ") + fileName);
        return false;
    }
    PauseRepainting(1000);
    return true;
}

}  // namespace zendra
