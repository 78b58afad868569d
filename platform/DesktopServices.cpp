#include "platform/DesktopServices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUuid>

namespace zendra {

bool MoveFileToTrash(const std::string& fileName)
{
    const QString name = QString::fromStdString(fileName);
    const QFileInfo info(name);
    if (!info.exists() || info.isDir())
        return false;
    // The trash below the data folder is made only where that folder exists; an account
    // may not have it yet, and the move would then land in the current folder.
    QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    return QFile::moveToTrash(info.absoluteFilePath());
}

std::string CreateGuidText()
{
    return QUuid::createUuid().toString(QUuid::WithBraces).toUpper().toStdString();
}

}  // namespace zendra
