// The trash and GUID services as a module the command line loads on first use.
#include <cstddef>
#include <cstring>
#include <string>

#include "platform/DesktopServices.h"

extern "C" {

__attribute__((visibility("default"))) int ZendraMoveFileToTrash(const char* fileName)
{
    return zendra::MoveFileToTrash(fileName) ? 1 : 0;
}

// Writes the GUID text with its terminating zero; 0 when the buffer is too small.
__attribute__((visibility("default"))) int ZendraCreateGuidText(char* buffer, std::size_t size)
{
    const std::string text = zendra::CreateGuidText();
    if (text.size() >= size)
        return 0;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return 1;
}

}
