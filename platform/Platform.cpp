#include "platform/Platform.h"

#include <cstdio>
#include <iostream>

namespace zendra {

namespace {

IPlatform* installed = nullptr;

// Until a front end installs its own: messages to stderr, every question declined,
// nothing trashed. Keeps the engine free of any toolkit.
class TNullPlatform : public IPlatform {
public:
    void ShowMessage(const std::string& text) override { std::cerr << text << std::endl; }
    TAnswer Confirm(const std::string&, TButtons buttons) override
    {
        return buttons == TButtons::YesNo ? TAnswer::No : TAnswer::Cancel;
    }
    void ProcessMessages() override {}
    bool RecycleFile(const std::string&) override { return false; }
    std::string NewGuidText() override { return {}; }
    bool ShellOpen(const std::string&) override { return false; }
};

IPlatform& DefaultPlatform()
{
    static TNullPlatform none;
    return none;
}

}  // namespace

bool IPlatform::DiscardFile(const std::string& fileName)
{
    return std::remove(fileName.c_str()) == 0;
}

IPlatform& Platform()
{
    return installed ? *installed : DefaultPlatform();
}

void SetPlatform(IPlatform* p)
{
    installed = p;
}

void ShowMessage(const std::string& text) { Platform().ShowMessage(text); }
TAnswer Confirm(const std::string& text, TButtons buttons) { return Platform().Confirm(text, buttons); }
void ProcessMessages() { Platform().ProcessMessages(); }
bool RecycleFile(const std::string& fileName) { return Platform().RecycleFile(fileName); }
bool DiscardFile(const std::string& fileName) { return Platform().DiscardFile(fileName); }
std::string NewGuidText() { return Platform().NewGuidText(); }
bool ShellOpen(const std::string& target) { return Platform().ShellOpen(target); }

}  // namespace zendra
