// Trash and GUID for the command line, from a module loaded on the first call.
// Loading QtCore costs a short run a good part of its time, and most runs need neither.
#pragma once

#include <string>

namespace zendra {

// False when the file is missing, the move fails or the module can't be loaded.
bool MoveFileToTrashOnDemand(const std::string& fileName);
// Throws std::runtime_error naming the module when it can't be loaded.
std::string CreateGuidTextOnDemand();

}  // namespace zendra
