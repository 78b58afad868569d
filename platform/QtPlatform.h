// The desktop platform: Qt message boxes, the event loop, the trash, the desktop's opener.
#pragma once

#include <QElapsedTimer>

#include "platform/Dialogs.h"
#include "platform/Platform.h"

class QWidget;

namespace zendra {

class TQtPlatform : public IPlatform {
public:
    void ShowMessage(const std::string& text) override;
    TAnswer Confirm(const std::string& text, TButtons buttons) override;
    // Runs pending events at most every ~10 ms: copy loops call it once per chunk.
    void ProcessMessages() override;
    bool RecycleFile(const std::string& fileName) override;
    std::string NewGuidText() override;
    bool ShellOpen(const std::string& target) override;

private:
    QElapsedTimer FSinceEvents;
};

class TQtDialogs : public IDialogs {
public:
    std::string OpenFile(const std::string& title, const std::string& filter, const std::string& folder) override;
    std::vector<std::string> OpenFiles(const std::string& title, const std::string& filter,
                                       const std::string& folder) override;
    std::string SaveFile(const std::string& title, const std::string& filter, const std::string& folder,
                         const std::string& defaultSuffix) override;
    std::string ChooseFolder(const std::string& comment, const std::string& startFolder) override;
};

// The window dialogs and message boxes are parented to (the active window when none is set).
void SetDialogParent(QWidget* parent);

// The desktop platform and its dialogs, installed for the life of a program's windows.
class TDesktopSession {
public:
    TDesktopSession();
    ~TDesktopSession();
    TDesktopSession(const TDesktopSession&) = delete;
    TDesktopSession& operator=(const TDesktopSession&) = delete;

private:
    TQtPlatform FPlatform;
    TQtDialogs FDialogs;
};

}  // namespace zendra
