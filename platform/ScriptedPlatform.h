// A platform for tests: records every message and question, answers from a queue,
// and "trashes" files by moving them into a folder of its own.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace zendra {

class TScriptedPlatform : public IPlatform {
public:
    struct TQuestion {
        std::string Text;
        TButtons Buttons;
    };

    // Folder that receives trashed files; created on first use.
    explicit TScriptedPlatform(std::string trashFolder = {});
    ~TScriptedPlatform() override;  // uninstalls itself if installed

    void Install();

    // Answers for the next questions, in order; when none is left the answer is the
    // affirmative one (OK / Yes).
    void QueueAnswer(TAnswer answer) { FAnswers.push_back(answer); }
    // Runs on every ProcessMessages call (for instance to press Break mid-job).
    void OnProcessMessages(std::function<void()> hook) { FPumpHook = std::move(hook); }
    void FailRecycle(bool fail) { FFailRecycle = fail; }

    const std::vector<std::string>& Messages() const { return FMessages; }
    const std::vector<TQuestion>& Questions() const { return FQuestions; }
    const std::vector<std::string>& Recycled() const { return FRecycled; }
    const std::vector<std::string>& Opened() const { return FOpened; }
    long PumpCount() const { return FPumpCount; }
    void Clear();

    void ShowMessage(const std::string& text) override;
    TAnswer Confirm(const std::string& text, TButtons buttons) override;
    void ProcessMessages() override;
    bool RecycleFile(const std::string& fileName) override;
    std::string NewGuidText() override;
    bool ShellOpen(const std::string& target) override;

private:
    std::string FTrash;
    std::deque<TAnswer> FAnswers;
    std::function<void()> FPumpHook;
    bool FFailRecycle = false;
    std::vector<std::string> FMessages;
    std::vector<TQuestion> FQuestions;
    std::vector<std::string> FRecycled;
    std::vector<std::string> FOpened;
    long FPumpCount = 0;
    int FGuidCounter = 0;
};

}  // namespace zendra
