// File and folder dialogs behind one seam, so tests can script the answers.
#pragma once

#include <string>
#include <vector>

namespace zendra {

class IDialogs {
public:
    virtual ~IDialogs() = default;
    // filter uses Qt's form: "AVI (*.avi);;All files (*)". Empty result: cancelled.
    virtual std::string OpenFile(const std::string& title, const std::string& filter, const std::string& folder) = 0;
    virtual std::vector<std::string> OpenFiles(const std::string& title, const std::string& filter,
                                               const std::string& folder) = 0;
    virtual std::string SaveFile(const std::string& title, const std::string& filter, const std::string& folder,
                                 const std::string& defaultSuffix) = 0;
    virtual std::string ChooseFolder(const std::string& comment, const std::string& startFolder) = 0;
};

IDialogs& Dialogs();
// Installs d (not owned); nullptr restores the default, which cancels every dialog.
void SetDialogs(IDialogs* d);

// Answers dialogs from queues, for tests; an empty queue cancels.
class TScriptedDialogs : public IDialogs {
public:
    std::vector<std::string> FileAnswers;              // OpenFile and SaveFile, in order
    std::vector<std::vector<std::string>> FilesAnswers;  // OpenFiles
    std::vector<std::string> FolderAnswers;            // ChooseFolder
    std::vector<std::string> Titles;                   // every title or comment asked with

    std::string OpenFile(const std::string& title, const std::string& filter, const std::string& folder) override;
    std::vector<std::string> OpenFiles(const std::string& title, const std::string& filter,
                                       const std::string& folder) override;
    std::string SaveFile(const std::string& title, const std::string& filter, const std::string& folder,
                         const std::string& defaultSuffix) override;
    std::string ChooseFolder(const std::string& comment, const std::string& startFolder) override;
};

}  // namespace zendra
