#include "platform/forms/SingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

#include <cstdlib>
#include <unistd.h>

#include "platform/Platform.h"

namespace zendra {

namespace {

constexpr int kConnectTimeoutMs = 1000;
const QByteArray kWakeWord = "wake\n";

TInstanceGuard* processGuard = nullptr;

}  // namespace

TInstanceGuard::TInstanceGuard(QObject* parent) : QObject(parent) {}

TInstanceGuard::~TInstanceGuard() = default;

QString TInstanceGuard::ServerPath(const QString& name)
{
    // Per user: the runtime folder belongs to the user alone; /tmp gets the user id.
    const QString runtime = QString::fromLocal8Bit(qgetenv("XDG_RUNTIME_DIR"));
    if (!runtime.isEmpty() && QDir(runtime).exists())
        return QDir(runtime).filePath(name);
    return QDir(QDir::tempPath()).filePath(name + QStringLiteral("-") + QString::number(getuid()));
}

bool TInstanceGuard::Acquire(const QString& name)
{
    const QString path = ServerPath(name);
    {
        QLocalSocket probe;
        probe.connectToServer(path);
        if (probe.waitForConnected(kConnectTimeoutMs))
            return false;
    }
    // Nobody answers: whatever socket file is left belongs to a crashed instance.
    QLocalServer::removeServer(path);
    FServer = new QLocalServer(this);
    FServer->setSocketOptions(QLocalServer::UserAccessOption);
    if (!FServer->listen(path))
        return true;  // no guard possible; start normally
    connect(FServer, &QLocalServer::newConnection, this, &TInstanceGuard::OnNewConnection);
    return true;
}

void TInstanceGuard::OnNewConnection()
{
    while (QLocalSocket* socket = FServer->nextPendingConnection()) {
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->readAll().contains(kWakeWord))
                emit WakeUpRequested();
        });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    }
}

bool TInstanceGuard::WakeRunning(const QString& name)
{
    QLocalSocket socket;
    socket.connectToServer(ServerPath(name));
    if (!socket.waitForConnected(kConnectTimeoutMs))
        return false;
    socket.write(kWakeWord);
    const bool sent = socket.waitForBytesWritten(kConnectTimeoutMs);
    socket.disconnectFromServer();
    return sent;
}

TInstanceGuard* InstanceGuard()
{
    return processGuard;
}

bool CheckSingleInstance(const QString& name)
{
    if (!processGuard)
        processGuard = new TInstanceGuard();
    if (processGuard->Acquire(name))
        return true;
    ShowMessage((name + QStringLiteral(" is already running")).toStdString());
    // Woken only after the box was closed, as the user expects.
    TInstanceGuard::WakeRunning(name);
    std::exit(0);
}

}  // namespace zendra
