// Trash and GUID on QtCore, shared by every platform implementation.
#pragma once

#include <string>

namespace zendra {

// Moves an existing file to the user's trash; false when it is missing or the move fails.
bool MoveFileToTrash(const std::string& fileName);
// A new GUID in registry form: braces, upper-case hex 8-4-4-4-12.
std::string CreateGuidText();

}  // namespace zendra
