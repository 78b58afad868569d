// The processor clock for the About window.
#pragma once

#include <QString>

namespace zendra {

// "2400 MHz" from the first "cpu MHz" line of /proc/cpuinfo; empty when there is none.
QString GetCpuSpeedText();
// The same, read from cpuinfo text.
QString CpuSpeedFromCpuInfo(const QString& cpuInfo);

}  // namespace zendra
