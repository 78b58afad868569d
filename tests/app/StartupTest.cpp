// Start-up pieces: the single-instance guard, the CPU speed, the About window, the folder browser.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLocalServer>
#include <QTimer>
#include <QtTest/QTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "platform/forms/AboutForm.h"
#include "platform/forms/CpuSpeed.h"
#include "platform/forms/ShellDirDialog.h"
#include "platform/forms/SingleInstance.h"
#include "platform/Dialogs.h"
#include "platform/QtPlatform.h"
#include "platform/ScriptedPlatform.h"
#include "tests/app/GuiTestKit.h"
#include "tests/testkit/Samples.h"

namespace zendra::test {
namespace {

QString UniqueName(const char* what)
{
    return QStringLiteral("ZendraTest-%1-%2").arg(QString::fromLatin1(what)).arg(getpid());
}

TEST(SingleInstance, SecondStartWakesTheFirst)
{
    const QString name = UniqueName("wake");
    TInstanceGuard first;
    ASSERT_TRUE(first.Acquire(name));
    int wakes = 0;
    QObject::connect(&first, &TInstanceGuard::WakeUpRequested, [&] { ++wakes; });

    TInstanceGuard second;
    EXPECT_FALSE(second.Acquire(name));
    EXPECT_EQ(wakes, 0);  // finding the first instance does not wake it yet
    EXPECT_TRUE(TInstanceGuard::WakeRunning(name));
    EXPECT_TRUE(WaitUntil([&] { return wakes == 1; }));
}

TEST(SingleInstance, SocketLeftByACrashDoesNotBlock)
{
    const QString name = UniqueName("stale");
    const std::string path = TInstanceGuard::ServerPath(name).toStdString();
    // A bound socket file that nobody listens on any more, as a killed instance leaves it.
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    close(fd);
    ASSERT_TRUE(std::filesystem::exists(path));

    EXPECT_FALSE(TInstanceGuard::WakeRunning(name));
    TInstanceGuard guard;
    EXPECT_TRUE(guard.Acquire(name));
    TInstanceGuard second;
    EXPECT_FALSE(second.Acquire(name));
}

TEST(CpuSpeed, ReadsTheFirstProcessorClock)
{
    EXPECT_EQ(CpuSpeedFromCpuInfo("processor\t: 0\ncpu MHz\t\t: 2399.998\ncpu MHz\t\t: 800.000\n"), "2400 MHz");
    EXPECT_EQ(CpuSpeedFromCpuInfo("processor\t: 0\nmodel name\t: ARM\n"), "");
    EXPECT_EQ(CpuSpeedFromCpuInfo("cpu MHz\t: unknown\n"), "");
}

TEST(AboutWindow, ShowsVersionAndSpeedAndClosesOnAnyKey)
{
    TScriptedPlatform platform;
    platform.Install();
    TAboutForm about;
    about.show();
    EXPECT_EQ(about.size(), QSize(332, 239));
    EXPECT_EQ(about.lbVersion->text(), "Version 1.32");
    EXPECT_TRUE(about.lbCPUSpeed->text().startsWith("CPU speed:"));
    EXPECT_EQ(about.lbCPUSpeed->text(), "CPU speed:" + GetCpuSpeedText());

    // A press on a link opens it and leaves the window open.
    QTest::mouseClick(about.Label13, Qt::LeftButton);
    QTest::mouseClick(about.Label12, Qt::LeftButton);
    EXPECT_TRUE(about.isVisible());
    ASSERT_EQ(platform.Opened().size(), 2u);
    EXPECT_EQ(platform.Opened()[1], std::string("mailto:") + TAboutForm::SupportAddress);

    QTest::mouseClick(about.lbVersion, Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
    about.show();
    QTest::keyClick(&about, Qt::Key_A);
    EXPECT_FALSE(about.isVisible());
}

// The title fonts may be missing: their stand-ins must still fit the window.
TEST(AboutWindow, TitlesFitTheWindow)
{
    TAboutForm about;
    about.show();
    for (const QLabel* label : about.findChildren<QLabel*>()) {
        const QRect shown = label->geometry();
        EXPECT_LE(shown.right(), about.width() - 1) << label->text().toStdString();
        EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text())) << label->text().toStdString();
    }
}

TEST(FolderBrowser, ExplanationIsShownInTheDialogsBody)
{
    TQtDialogs dialogs;
    const QString comment = QStringLiteral("Select the base location.\nA new folder is added for each run.");
    QString title;
    QString body;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            title = dialog->windowTitle();
            if (const auto* label = dialog->findChild<QLabel*>(QStringLiteral("Comment")))
                body = label->isVisibleTo(dialog) ? label->text() : QString();
            dialog->reject();
        }
    });
    poll.start(20);
    EXPECT_EQ(dialogs.ChooseFolder(comment.toStdString(), "/tmp"), "");
    EXPECT_EQ(body, comment);
    EXPECT_NE(title, comment);
    EXPECT_FALSE(title.isEmpty());
}

TEST(FolderBrowser, CancelKeepsTheFolderAndAMissingStartIsNotOffered)
{
    TScriptedDialogs dialogs;
    SetDialogs(&dialogs);
    TShellDirDialog browser;
    browser.Directory = "/no/such/folder";
    browser.Comment = "Pick one";
    EXPECT_FALSE(browser.Execute());
    EXPECT_EQ(browser.Directory, "/no/such/folder");
    EXPECT_EQ(dialogs.Titles.back(), "Pick one");

    const std::string folder = MakeTempDir();
    dialogs.FolderAnswers.push_back(folder + "/");
    EXPECT_TRUE(browser.Execute());
    EXPECT_EQ(browser.Directory, QString::fromStdString(folder));
    SetDialogs(nullptr);
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace zendra::test
