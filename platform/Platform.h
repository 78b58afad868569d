// The services the engine and the jobs need from the desktop: messages, questions,
// the message pump and the trash. One implementation is installed per process.
#pragma once

#include <string>

namespace zendra {

enum class TButtons { OK, OKCancel, YesNo, YesNoCancel };
enum class TAnswer { OK, Cancel, Yes, No };

class IPlatform {
public:
    virtual ~IPlatform() = default;
    virtual void ShowMessage(const std::string& text) = 0;
    virtual TAnswer Confirm(const std::string& text, TButtons buttons) = 0;
    // Lets pending window messages run; a no-op where there is no window system.
    virtual void ProcessMessages() = 0;
    virtual bool RecycleFile(const std::string& fileName) = 0;
    // Removes a file the user agreed to delete (old AVI files in a split folder): for good
    // where a person answered the question, to the trash where a front end may answer it
    // unread.
    virtual bool DiscardFile(const std::string& fileName);
    virtual std::string NewGuidText() = 0;
    virtual bool ShellOpen(const std::string& target) = 0;
};

// The installed platform; one that declines every question until another is installed.
IPlatform& Platform();
// Installs p (not owned); nullptr restores the default.
void SetPlatform(IPlatform* p);

// Shorthands used throughout.
void ShowMessage(const std::string& text);
TAnswer Confirm(const std::string& text, TButtons buttons);
void ProcessMessages();
bool RecycleFile(const std::string& fileName);
bool DiscardFile(const std::string& fileName);
std::string NewGuidText();
bool ShellOpen(const std::string& target);

}  // namespace zendra
