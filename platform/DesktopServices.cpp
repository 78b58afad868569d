#include "platform/DesktopServices.h"

#include <QFile>
#include <QFileInfo>
#include <QUuid>

namespace zendra {

bool MoveFileToTrash(const std::string& fileName)
{
    const QString name = QString::fromStdString(fileName);
    const QFileInfo info(name);
    if (!info.exists() || info.isDir())
        return false;
    return QFile::moveToTrash(info.absoluteFilePath());
}

std::string CreateGuidText()
{
    return QUuid::createUuid().toString(QUuid::WithBraces).toUpper().toStdString();
}

}  // namespace zendra
