#include "platform/forms/CpuSpeed.h"

#include <QFile>
#include <QStringList>

#include <cmath>

namespace zendra {

QString CpuSpeedFromCpuInfo(const QString& cpuInfo)
{
    for (const QString& line : cpuInfo.split(QLatin1Char('\n'))) {
        const int colon = line.indexOf(QLatin1Char(':'));
        if (colon < 0 || line.left(colon).trimmed() != QStringLiteral("cpu MHz"))
            continue;
        bool ok = false;
        const double mhz = line.mid(colon + 1).trimmed().toDouble(&ok);
        if (!ok || mhz <= 0)
            return {};
        return QString::number(std::llround(mhz)) + QStringLiteral(" MHz");
    }
    return {};
}

QString GetCpuSpeedText()
{
    QFile file(QStringLiteral("/proc/cpuinfo"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return CpuSpeedFromCpuInfo(QString::fromLatin1(file.readAll()));
}

}  // namespace zendra
