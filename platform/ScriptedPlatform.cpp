#include "platform/ScriptedPlatform.h"

#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;

namespace zendra {

TScriptedPlatform::TScriptedPlatform(std::string trashFolder) : FTrash(std::move(trashFolder))
{
    if (FTrash.empty())
        FTrash = (fs::temp_directory_path() / "zendra-test-trash").string();
}

TScriptedPlatform::~TScriptedPlatform()
{
    if (&Platform() == this)
        SetPlatform(nullptr);
}

void TScriptedPlatform::Install()
{
    SetPlatform(this);
}

void TScriptedPlatform::Clear()
{
    FAnswers.clear();
    FMessages.clear();
    FQuestions.clear();
    FRecycled.clear();
    FOpened.clear();
    FPumpCount = 0;
}

void TScriptedPlatform::ShowMessage(const std::string& text)
{
    FMessages.push_back(text);
}

TAnswer TScriptedPlatform::Confirm(const std::string& text, TButtons buttons)
{
    FQuestions.push_back({text, buttons});
    if (!FAnswers.empty()) {
        const TAnswer answer = FAnswers.front();
        FAnswers.pop_front();
        return answer;
    }
    return buttons == TButtons::OK || buttons == TButtons::OKCancel ? TAnswer::OK : TAnswer::Yes;
}

void TScriptedPlatform::ProcessMessages()
{
    ++FPumpCount;
    if (FPumpHook)
        FPumpHook();
}

bool TScriptedPlatform::RecycleFile(const std::string& fileName)
{
    std::error_code ec;
    if (FFailRecycle || !fs::is_regular_file(fileName, ec))
        return false;
    fs::create_directories(FTrash, ec);
    const fs::path target = fs::path(FTrash) / (std::to_string(FRecycled.size()) + "-" + fs::path(fileName).filename().string());
    fs::rename(fileName, target, ec);
    if (ec) {
        fs::copy_file(fileName, target, fs::copy_options::overwrite_existing, ec);
        if (ec || !fs::remove(fileName, ec))
            return false;
    }
    FRecycled.push_back(fileName);
    return true;
}

std::string TScriptedPlatform::NewGuidText()
{
    char text[40];
    ++FGuidCounter;
    std::snprintf(text, sizeof text, "{%08X-0000-4000-8000-%012X}", FGuidCounter, FGuidCounter);
    return text;
}

bool TScriptedPlatform::ShellOpen(const std::string& target)
{
    FOpened.push_back(target);
    return true;
}

}  // namespace zendra
