#include "platform/DesktopServicesLoader.h"

#include <cstddef>
#include <dlfcn.h>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace zendra {

namespace {

constexpr const char* kModuleName = "libzendra-desktop.so";

struct TDesktopModule {
    int (*MoveToTrash)(const char*) = nullptr;
    int (*CreateGuid)(char*, std::size_t) = nullptr;
    std::string Error;
};

#ifndef ZENDRA_MODULE_FROM_PROGRAM
#define ZENDRA_MODULE_FROM_PROGRAM "../lib/zendra"
#endif

// The module sits next to the program in the build tree, and in the installed library
// folder (named relative to the program, so any install prefix works) once installed.
// The program's run path says so as well, but a run path is not followed when dlopen is
// wrapped (as sanitizers do), so the folders are named outright where the system tells them.
void* OpenModule()
{
    std::error_code error;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        const auto folder = program.parent_path();
        for (const auto& path : {folder / kModuleName, folder / ZENDRA_MODULE_FROM_PROGRAM / kModuleName})
            if (std::filesystem::exists(path, error))
                return ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    }
    return ::dlopen(kModuleName, RTLD_NOW | RTLD_LOCAL);
}

template <typename T>
T Symbol(void* handle, const char* name)
{
    return reinterpret_cast<T>(::dlsym(handle, name));
}

const TDesktopModule& Module()
{
    static const TDesktopModule module = [] {
        TDesktopModule loaded;
        void* handle = OpenModule();
        if (!handle) {
            const char* error = ::dlerror();
            loaded.Error = error ? error : kModuleName;
            return loaded;
        }
        loaded.MoveToTrash = Symbol<int (*)(const char*)>(handle, "ZendraMoveFileToTrash");
        loaded.CreateGuid = Symbol<int (*)(char*, std::size_t)>(handle, "ZendraCreateGuidText");
        if (!loaded.MoveToTrash || !loaded.CreateGuid)
            loaded.Error = std::string(kModuleName) + " lacks its entry points";
        return loaded;
    }();
    return module;
}

}  // namespace

bool MoveFileToTrashOnDemand(const std::string& fileName)
{
    const auto& module = Module();
    return module.MoveToTrash && module.MoveToTrash(fileName.c_str()) != 0;
}

std::string CreateGuidTextOnDemand()
{
    const auto& module = Module();
    char text[64];
    if (!module.CreateGuid)
        throw std::runtime_error("Can not load the desktop services: " + module.Error);
    if (module.CreateGuid(text, sizeof text) == 0)
        throw std::runtime_error("Can not create a GUID");
    return text;
}

}  // namespace zendra
