// Installed, Zendra's desktop entry opens AVI files and may be the desktop's default for
// them; results must still go to a real player, never back to Zendra.
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include <QStandardPaths>
#include <gtest/gtest.h>

#include "platform/ResultViewer.h"

namespace fs = std::filesystem;

namespace {

class OwnDesktopEntryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable(QStringLiteral("xdg-mime")).isEmpty())
            GTEST_SKIP() << "xdg-mime not found (package xdg-utils)";
        FFolder = fs::temp_directory_path() / ("zendra-entry-" + std::to_string(::getpid()));
        fs::create_directories(FFolder / "bin");
        fs::create_directories(FFolder / "xdg" / "applications");
        for (const char* name : {"PATH", "XDG_DATA_DIRS", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CURRENT_DESKTOP"})
            FSaved.emplace_back(name, qgetenv(name));
        // xdg-mime itself needs the system's tools; the fake player comes first.
        qputenv("PATH", QByteArray::fromStdString((FFolder / "bin").string() + ":/usr/bin:/bin"));
        for (const char* name : {"XDG_DATA_DIRS", "XDG_DATA_HOME", "XDG_CONFIG_HOME"})
            qputenv(name, QByteArray::fromStdString((FFolder / "xdg").string()));
        qunsetenv("XDG_CURRENT_DESKTOP");
    }

    void TearDown() override
    {
        for (const auto& [name, value] : FSaved)
            value.isNull() ? qunsetenv(name.c_str()) : qputenv(name.c_str(), value);
        if (!FFolder.empty())
            fs::remove_all(FFolder);
    }

    void MakeDefaultForAvi(const std::string& entry)
    {
        fs::copy_file(fs::path(ZENDRA_SOURCE_DIR) / "dist" / entry, FFolder / "xdg" / "applications" / entry);
        std::ofstream(FFolder / "xdg" / "mimeapps.list")
            << "[Default Applications]\nvideo/x-msvideo=" << entry << "\n";
    }

    std::string MakePlayer(const std::string& name)
    {
        const fs::path player = FFolder / "bin" / name;
        std::ofstream(player) << "#!/bin/sh\n";
        fs::permissions(player, fs::perms::owner_all);
        return player.string();
    }

    fs::path FFolder;
    std::vector<std::pair<std::string, QByteArray>> FSaved;
};

TEST_F(OwnDesktopEntryTest, ResultsGoToAPlayerWhenZendraIsTheDefaultForAvi)
{
    MakeDefaultForAvi("org.example.Zendra.desktop");
    const std::string player = MakePlayer("mpv");
    EXPECT_EQ(zendra::FindVideoPlayer(QStringLiteral("/films/result.avi")).Program.toStdString(), player);
}

TEST_F(OwnDesktopEntryTest, ToolEntriesAreNoPlayersEither)
{
    MakeDefaultForAvi("org.example.Zendra.Viewer.desktop");
    const std::string player = MakePlayer("mpv");
    EXPECT_EQ(zendra::FindVideoPlayer(QStringLiteral("/films/result.avi")).Program.toStdString(), player);
}

}  // namespace
