// Every command checks its input files here before it opens them: a FIFO or a device
// would block or never end, and an unreadable file must say why instead of failing later
// under another name ("not compressed", "not a part").
#pragma once

#include <string>

namespace zendra::cli {

// Why name cannot serve as an input ("NAME is not a regular file", "Can not open NAME: "
// and the reason); empty when it can.
std::string InputFileProblem(const std::string& name);
// Prints the problem to stderr; true when there is none.
bool CheckInputFile(const std::string& name);

}  // namespace zendra::cli
