#include "platform/Dialogs.h"

namespace zendra {

namespace {

class TCancellingDialogs : public IDialogs {
public:
    std::string OpenFile(const std::string&, const std::string&, const std::string&) override { return {}; }
    std::vector<std::string> OpenFiles(const std::string&, const std::string&, const std::string&) override
    {
        return {};
    }
    std::string SaveFile(const std::string&, const std::string&, const std::string&, const std::string&) override
    {
        return {};
    }
    std::string ChooseFolder(const std::string&, const std::string&) override { return {}; }
};

IDialogs* installed = nullptr;

template <typename T>
T TakeFirst(std::vector<T>& queue)
{
    if (queue.empty())
        return {};
    T first = queue.front();
    queue.erase(queue.begin());
    return first;
}

}  // namespace

IDialogs& Dialogs()
{
    static TCancellingDialogs cancelling;
    return installed ? *installed : cancelling;
}

void SetDialogs(IDialogs* d)
{
    installed = d;
}

std::string TScriptedDialogs::OpenFile(const std::string& title, const std::string&, const std::string&)
{
    Titles.push_back(title);
    return TakeFirst(FileAnswers);
}

std::vector<std::string> TScriptedDialogs::OpenFiles(const std::string& title, const std::string&,
                                                     const std::string&)
{
    Titles.push_back(title);
    return TakeFirst(FilesAnswers);
}

std::string TScriptedDialogs::SaveFile(const std::string& title, const std::string&, const std::string&,
                                       const std::string&)
{
    Titles.push_back(title);
    return TakeFirst(FileAnswers);
}

std::string TScriptedDialogs::ChooseFolder(const std::string& comment, const std::string&)
{
    Titles.push_back(comment);
    return TakeFirst(FolderAnswers);
}

}  // namespace zendra
