// Keeps one copy of the program per user: the first start listens on a local socket,
// a later start tells the user, wakes the first one and ends.
#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace zendra {

class TInstanceGuard : public QObject {
    Q_OBJECT
public:
    explicit TInstanceGuard(QObject* parent = nullptr);
    ~TInstanceGuard() override;

    // True when no other instance answers under name; this guard then listens.
    // A socket left behind by a crashed instance is removed.
    bool Acquire(const QString& name);
    // Asks the running instance to come to the front; false when nobody answered.
    static bool WakeRunning(const QString& name);
    // The per-user socket path for name.
    static QString ServerPath(const QString& name);

signals:
    void WakeUpRequested();

private:
    void OnNewConnection();
    QLocalServer* FServer = nullptr;
};

// The process-wide guard, made by CheckSingleInstance.
TInstanceGuard* InstanceGuard();

// True when this is the only instance; otherwise shows "<name> is already running",
// wakes the running instance and ends the process with exit code 0.
bool CheckSingleInstance(const QString& name);

}  // namespace zendra
