// What the start-up of each tool program shares: its names, its command line, and the
// desktop session its dialogs and errors go through.
#pragma once

#include <QApplication>
#include <QStringList>

#include <initializer_list>

#include "platform/QtPlatform.h"

namespace zendra {

struct TFileArgument {
    const char* Name;
    const char* Description;
    const char* Syntax;
};

class TToolProgram {
public:
    TToolProgram(int& argc, char** argv, const char* name);
    TToolProgram(const TToolProgram&) = delete;
    TToolProgram& operator=(const TToolProgram&) = delete;

    // Reads --help, --version and the file arguments; a count outside 0..arguments, or one
    // of the counts in refused, shows the help and ends with exit code 2. The files come
    // back as absolute paths.
    QStringList FileArguments(const char* description, std::initializer_list<TFileArgument> arguments,
                              std::initializer_list<int> refused = {});

private:
    QApplication FApplication;
    const TDesktopSession FSession;
};

}  // namespace zendra
