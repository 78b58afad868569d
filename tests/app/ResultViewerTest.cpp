// Handing a finished result to the desktop's video player.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/ResultViewer.h"
#include "tests/testkit/Samples.h"

namespace fs = std::filesystem;

namespace zendra::test {
namespace {

TEST(ResultViewer, DesktopEntryExecLinesTakeTheFileWhole)
{
    TPlayerCommand vlc = CommandFromExecLine("/usr/bin/vlc --started-from-file %U", "/films/my holiday.avi");
    EXPECT_EQ(vlc.Program, "/usr/bin/vlc");
    EXPECT_EQ(vlc.Arguments, QStringList({"--started-from-file", "/films/my holiday.avi"}));
    EXPECT_EQ(vlc.Text(), "/usr/bin/vlc --started-from-file \"/films/my holiday.avi\"");

    // Field codes that carry nothing here are dropped; without %f the file goes last.
    TPlayerCommand totem = CommandFromExecLine("totem %i --class=x", "/a.avi");
    EXPECT_EQ(totem.Program, "totem");
    EXPECT_EQ(totem.Arguments, QStringList({"--class=x", "/a.avi"}));
    EXPECT_EQ(CommandFromExecLine("\"/opt/my player/play\" %f", "/a.avi").Program, "/opt/my player/play");
}

// Runs with a PATH and XDG folders of its own, so no desktop default is found.
class ResultViewerOnPath : public ::testing::Test {
protected:
    void SetUp() override
    {
        FFolder = MakeTempDir("zendra-viewer");
        fs::create_directories(FFolder + "/bin");
        fs::create_directories(FFolder + "/xdg");
        for (const char* name : {"PATH", "XDG_DATA_DIRS", "XDG_DATA_HOME", "XDG_CONFIG_HOME"})
            FSaved.emplace_back(name, qgetenv(name));
        qputenv("PATH", QByteArray::fromStdString(FFolder + "/bin"));
        for (const char* name : {"XDG_DATA_DIRS", "XDG_DATA_HOME", "XDG_CONFIG_HOME"})
            qputenv(name, QByteArray::fromStdString(FFolder + "/xdg"));
    }

    void TearDown() override
    {
        for (const auto& [name, value] : FSaved)
            qputenv(name.c_str(), value);
        fs::remove_all(FFolder);
    }

    std::string FFolder;
    std::vector<std::pair<std::string, QByteArray>> FSaved;
};

TEST_F(ResultViewerOnPath, KnownPlayerOnThePathIsStartedAndWaitedFor)
{
    const std::string log = FFolder + "/played.txt";
    const std::string player = FFolder + "/bin/mpv";
    // Sleeps a little so the wait is a real one; the log appears only at its end.
    std::ofstream(player) << "#!/bin/sh\n/bin/sleep 0.3\nprintf '%s\\n' \"$@\" > '" << log << "'\n";
    fs::permissions(player, fs::perms::owner_all);

    const QString movie = QString::fromStdString(FFolder + "/my result.avi");
    EXPECT_EQ(FindVideoPlayer(movie).Program.toStdString(), player);
    EXPECT_TRUE(ViewResult(movie));
    std::ifstream in(log);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, movie.toStdString());
}

// The box of the next ViewResult: its caption and text.
struct TBox {
    QString Caption;
    QString Text;
};

TBox ViewAndReadBox(const QString& movie, bool* shown)
{
    TBox seen;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            seen = {box->windowTitle(), box->text()};
            box->accept();
        }
    });
    poll.start(20);
    *shown = ViewResult(movie);
    return seen;
}

TEST_F(ResultViewerOnPath, PlayerThatCannotStartIsReportedInItsBox)
{
    // A player on the PATH whose interpreter is missing: found, but it can not start.
    const std::string player = FFolder + "/bin/mpv";
    std::ofstream(player) << "#!/no/such/shell\n";
    fs::permissions(player, fs::perms::owner_all);
    bool shown = true;
    const TBox box = ViewAndReadBox(QStringLiteral("/films/result.avi"), &shown);
    EXPECT_FALSE(shown);
    EXPECT_EQ(box.Caption, "Could not create process:");
    EXPECT_EQ(box.Text.toStdString(), player + " /films/result.avi");
}

TEST_F(ResultViewerOnPath, NoPlayerAtAllIsSaid)
{
    bool shown = true;
    const TBox box = ViewAndReadBox(QStringLiteral("/films/result.avi"), &shown);
    EXPECT_FALSE(shown);
    EXPECT_EQ(box.Caption, "No video player found");
    EXPECT_TRUE(box.Text.startsWith("No video player was found to show /films/result.avi.")) << box.Text.toStdString();
}

TEST_F(ResultViewerOnPath, PlayerThatFailsAtOnceIsSaid)
{
    const std::string player = FFolder + "/bin/mpv";
    std::ofstream(player) << "#!/bin/sh\nexit 3\n";
    fs::permissions(player, fs::perms::owner_all);
    bool shown = true;
    const TBox box = ViewAndReadBox(QStringLiteral("/films/result.avi"), &shown);
    EXPECT_FALSE(shown);
    EXPECT_EQ(box.Caption, "The video player ended at once");
    EXPECT_EQ(box.Text.toStdString(),
              player + " /films/result.avi\nended at once with exit code 3 without showing /films/result.avi");
}

}  // namespace
}  // namespace zendra::test
