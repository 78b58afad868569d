// File-system helpers of the jobs and the engine (standard library only).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zendra {

// Local last-write time in days since 30 December 1899, two-second resolution; 0 when unreadable.
double GetFileDateTime(const std::string& fileName);
// The local date and time now, same day count.
double NowDateTime();

bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
bool ForceDirectories(const std::string& path);
std::string ExtractFileDir(const std::string& path);
std::string ExtractFileName(const std::string& path);
std::string ExtractFileExt(const std::string& path);
std::string IncludeTrailingSeparator(const std::string& path);
std::string Trim(const std::string& text);
// -1 when the file cannot be examined.
std::int64_t FileSizeOf(const std::string& path);
// Names (without folder) of the regular files in folder whose extension is ext, ignoring case.
std::vector<std::string> ListFilesWithExt(const std::string& folder, const std::string& ext);
// "Can not open NAME: " and the system's reason, for a file that can not be opened for reading.
std::string CanNotOpenText(const std::string& path);
// Both paths name the same existing file (also through links or different spellings).
bool SameFile(const std::string& a, const std::string& b);

}  // namespace zendra
