// The desktop program's start-up, shared by its entry point and the documentation's
// screenshot tool, which starts the same program and then photographs it.
#pragma once

#include <functional>

namespace zendra {

class TForm1;

// Runs the program to its end; started, when given, runs once the main window is shown.
int RunDesktopProgram(int argc, char** argv, const std::function<void(TForm1&)>& started = {});

}  // namespace zendra
