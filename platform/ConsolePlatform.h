// Messages and questions on the terminal, for the command-line front end.
#pragma once

#include "platform/Platform.h"

namespace zendra {

class TConsolePlatform : public IPlatform {
public:
    // yesToAll answers Yes/OK to every question without asking.
    void SetYesToAll(bool yes) { FYesToAll = yes; }

    void ShowMessage(const std::string& text) override;
    TAnswer Confirm(const std::string& text, TButtons buttons) override;
    void ProcessMessages() override {}
    bool RecycleFile(const std::string& fileName) override;
    bool DiscardFile(const std::string& fileName) override;
    std::string NewGuidText() override;
    bool ShellOpen(const std::string& target) override;

private:
    bool FYesToAll = false;
};

}  // namespace zendra
