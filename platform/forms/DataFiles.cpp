#include "platform/forms/DataFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#ifndef ZENDRA_DATA_FROM_PROGRAM
#define ZENDRA_DATA_FROM_PROGRAM "../share/zendra"
#endif

namespace zendra {

QString ProgramDataFile(const QString& name)
{
    const QDir programFolder(QCoreApplication::applicationDirPath());
    const QString beside = programFolder.filePath(name);
    if (QFileInfo::exists(beside))
        return beside;
    // Relative to the program, so an install under any prefix (or a staged one) finds it.
    const QString installed =
        QDir::cleanPath(programFolder.filePath(QStringLiteral(ZENDRA_DATA_FROM_PROGRAM "/") + name));
    return QFileInfo::exists(installed) ? installed : beside;
}

}  // namespace zendra
