#include "common/FileHelpers.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace zendra {

namespace {

// Days from 30 December 1899 to 1 January 1970.
constexpr double kUnixEpochDays = 25569.0;

double LocalDateTime(std::time_t t, int evenSeconds)
{
    std::tm local{};
#if defined(_WIN32)
    localtime_s(&local, &t);
#else
    localtime_r(&t, &local);
#endif
    if (evenSeconds)
        local.tm_sec -= local.tm_sec % 2;
    // Broken-down local time back to a day count, independent of the zone offset.
    const int y = local.tm_year + 1900;
    const int m = local.tm_mon + 1;
    const int d = local.tm_mday;
    // Days from civil (Howard Hinnant's algorithm), relative to 1970-01-01.
    const int yy = y - (m <= 2);
    const int era = (yy >= 0 ? yy : yy - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(yy - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const double days = era * 146097.0 + doe - 719468.0;
    const double seconds = local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec;
    return kUnixEpochDays + days + seconds / 86400.0;
}

}  // namespace

double GetFileDateTime(const std::string& fileName)
{
    std::error_code ec;
    const auto written = fs::last_write_time(fileName, ec);
    if (ec || !fs::is_regular_file(fileName, ec))
        return 0;
    const auto sys = std::chrono::file_clock::to_sys(written);
    return LocalDateTime(std::chrono::system_clock::to_time_t(
                             std::chrono::time_point_cast<std::chrono::system_clock::duration>(sys)),
                         true);
}

double NowDateTime()
{
    using namespace std::chrono;
    const auto now = system_clock::now();
    const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    return LocalDateTime(system_clock::to_time_t(now), false) + (ms >= 0 ? ms : 0) / 86400000.0;
}

bool FileExists(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(path, ec);
}

bool DirectoryExists(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && fs::is_directory(path, ec);
}

bool ForceDirectories(const std::string& path)
{
    if (path.empty())
        return false;
    std::error_code ec;
    fs::create_directories(path, ec);
    return DirectoryExists(path);
}

std::string ExtractFileDir(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return {};
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string ExtractFileName(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ExtractFileExt(const std::string& path)
{
    const auto dot = path.find_last_of("./");
    if (dot == std::string::npos || path[dot] != '.')
        return {};
    return path.substr(dot);
}

std::string IncludeTrailingSeparator(const std::string& path)
{
    if (!path.empty() && path.back() == '/')
        return path;
    return path + "/";
}

std::string Trim(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

std::int64_t FileSizeOf(const std::string& path)
{
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    return ec ? -1 : static_cast<std::int64_t>(size);
}

std::vector<std::string> ListFilesWithExt(const std::string& folder, const std::string& ext)
{
    auto lower = [](std::string s) {
        std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
        return s;
    };
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        std::error_code typeError;
        if (!entry.is_regular_file(typeError))
            continue;
        const std::string name = entry.path().filename().string();
        if (lower(ExtractFileExt(name)) == lower(ext))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool SameFile(const std::string& a, const std::string& b)
{
    std::error_code ec;
    return fs::equivalent(a, b, ec) && !ec;
}

}  // namespace zendra

namespace zendra {

std::string CanNotOpenText(const std::string& path)
{
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    const int reason = errno;
    if (file)
        std::fclose(file);
    return "Can not open " + path + ": " + (reason != 0 ? std::strerror(reason) : "it is not a readable file");
}

}  // namespace zendra
