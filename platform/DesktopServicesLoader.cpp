#include "platform/DesktopServicesLoader.h"

#include <cstddef>
#include <dlfcn.h>
#include <stdexcept>

namespace zendra {

namespace {

// Found next to the program: the program's run path names its own folder.
constexpr const char* kModuleName = "libzendra-desktop.so";

struct TDesktopModule {
    int (*MoveToTrash)(const char*) = nullptr;
    int (*CreateGuid)(char*, std::size_t) = nullptr;
    std::string Error;
};

template <typename T>
T Symbol(void* handle, const char* name)
{
    return reinterpret_cast<T>(::dlsym(handle, name));
}

const TDesktopModule& Module()
{
    static const TDesktopModule module = [] {
        TDesktopModule loaded;
        void* handle = ::dlopen(kModuleName, RTLD_NOW | RTLD_LOCAL);
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
