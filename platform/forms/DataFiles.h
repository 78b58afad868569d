// Files the desktop program opens from its own folder: the help guide and the README.
#pragma once

#include <QString>

namespace zendra {

// name (e.g. "help/Default.htm") beside the program, as in the build tree; else in the
// installed data folder when it is there; else beside the program again, for the message.
QString ProgramDataFile(const QString& name);

}  // namespace zendra
