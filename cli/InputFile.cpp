#include "cli/InputFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <sys/stat.h>
#include <unistd.h>

namespace zendra::cli {

std::string InputFileProblem(const std::string& name)
{
    struct stat st {};
    // stat, unlike open, never waits for the writer of a FIFO.
    if (::stat(name.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return "File " + name + " does not exists";
        return "Can not open " + name + ": " + std::strerror(errno);
    }
    if (!S_ISREG(st.st_mode))
        return name + " is not a regular file";
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return "Can not open " + name + ": " + std::strerror(errno);
    ::close(fd);
    return {};
}

bool CheckInputFile(const std::string& name)
{
    const std::string problem = InputFileProblem(name);
    if (problem.empty())
        return true;
    std::cerr << problem << std::endl;
    return false;
}

}  // namespace zendra::cli
