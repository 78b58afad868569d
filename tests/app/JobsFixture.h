// A main window with scripted platform, dialogs and player, and a result viewer that only
// records what it was asked to show.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "app/MainWindow.h"
#include "platform/Dialogs.h"
#include "platform/ScriptedPlatform.h"
#include "tests/app/ScriptedPlayer.h"
#include "tests/testkit/Samples.h"

namespace zendra::test {

class JobsFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        FFolder = MakeTempDir("zendra-jobs");
        FPlatform = std::make_unique<TScriptedPlatform>(FFolder + "/trash");
        FPlatform->Install();
        SetDialogs(&FDialogs);
        FForm = std::make_unique<TForm1>([this](QWidget* parent) {
            FPlayer = new TScriptedPlayer(parent);
            return FPlayer;
        });
        FForm->ResultViewer = [this](const QString& name) {
            FViewed.push_back(name);
            return true;
        };
        FForm->show();
        FForm->OutputBaseFolder = QString::fromStdString(FFolder + "/Output/");
    }

    void TearDown() override
    {
        FForm.reset();
        SetDialogs(nullptr);
        FPlatform.reset();
        std::filesystem::remove_all(FFolder);
    }

    // Opens a 25 frames per second sample of 250 frames.
    bool Open(const std::string& path)
    {
        FPlayer->Frames = 250;
        FPlayer->Seconds = 10;
        FForm->MovieFileName = QString::fromStdString(path);
        return FForm->OpenMovie();
    }

    static std::vector<std::string> AviFilesIn(const std::string& folder)
    {
        std::vector<std::string> files;
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
            if (entry.path().extension() == ".avi")
                files.push_back(entry.path().string());
        std::sort(files.begin(), files.end());
        return files;
    }

    std::string FFolder;
    std::unique_ptr<TScriptedPlatform> FPlatform;
    TScriptedDialogs FDialogs;
    TScriptedPlayer* FPlayer = nullptr;
    std::unique_ptr<TForm1> FForm;
    std::vector<QString> FViewed;
};

}  // namespace zendra::test
