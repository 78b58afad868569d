// The main window with a scripted player, platform and dialogs, on real movies.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QStandardPaths>
#include <QDir>
#include <QRadioButton>
#include <QSlider>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QtTest/QTest>

#include <filesystem>
#include <fstream>

#include "app/Application.h"
#include "app/KeyFrameStrip.h"
#include "app/MainWindow.h"
#include "app/SpinEdit.h"
#include "common/TextHelpers.h"
#include "engine/Zendra.h"
#include "platform/Dialogs.h"
#include "platform/ScriptedPlatform.h"
#include "tests/app/GuiTestKit.h"
#include "tests/app/JobsFixture.h"
#include "tests/app/ScriptedPlayer.h"
#include "tests/testkit/AviBuilder.h"
#include "tests/testkit/Samples.h"

namespace fs = std::filesystem;

namespace zendra::test {
namespace {

// The jobs' fixture with the player's own defaults for what it reports.
class MainWindowTest : public JobsFixture {
protected:
    bool Open(const std::string& path)
    {
        FForm->MovieFileName = QString::fromStdString(path);
        return FForm->OpenMovie();
    }

    // An AVI with a known file size that the scripted player reports as frames/seconds.
    std::string SizedFile(const std::string& name, std::uintmax_t size)
    {
        const std::string path = FFolder + "/" + name;
        std::ofstream(path).close();
        fs::resize_file(path, size);
        return path;
    }

    std::string UncompressedMovie()
    {
        const std::string path = FFolder + "/raw.avi";
        TAviBuilder builder;
        builder.Video(64, 48, "DIB ").Interleaved(30, 1, 64 * 48 * 3, 0);
        builder.Write(path);
        return path;
    }

};

TEST_F(MainWindowTest, StartsWithTheClassicLayout)
{
    EXPECT_EQ(FForm->windowTitle(), "Zendra classic version 1.32");
    // Without a display name the window system appends nothing to the titles.
    EXPECT_TRUE(QGuiApplication::applicationDisplayName().isEmpty());
    EXPECT_EQ(FForm->size(), QSize(673, 589));
    EXPECT_FALSE(FForm->Tools1->menuAction()->isVisible());
    EXPECT_FALSE(FForm->bStart->isEnabled());
    EXPECT_FALSE(FForm->Startsplitting1->isEnabled());
    EXPECT_EQ(FForm->Startsplitting1->text(), "Start splitting");
    EXPECT_EQ(FForm->Notebook1->currentIndex(), TForm1::DefaultPage);
    EXPECT_EQ(FForm->StatusPanel(1), "Result: 0h: 00m: 00s");
    EXPECT_EQ(FForm->JoinTotalText, "Result: 0h: 00m: 00s");
    EXPECT_TRUE(FForm->sbStop1->isChecked());
    EXPECT_FALSE(FForm->sbOneLeft->isVisibleTo(FForm.get()));
    EXPECT_FALSE(FForm->cbMode->isEnabled());
    // Every named control is there under its name.
    for (const char* name : {"pTopPanel", "sbSelect", "bStart", "pPlayButtons", "sbPlay1", "sbStop1", "sbFirst1",
                             "sbLast1", "sbOneLeft", "sbOneRight", "sbSlowMotion", "sbFastMotion", "pBackground",
                             "lvCombine", "Panel3", "pWMPPanel", "WMP1", "sbTracker1", "pTrack1", "TrackBar1",
                             "Notebook1", "PageControl1", "tbSplitting", "TabSheet2", "tbCropping", "cbMode",
                             "seSplitMax", "eSplitFilename", "eSplitOutDir", "SpeedButton3", "rbStartDefault",
                             "rbEndCustom", "sbCustomStart", "sbLocateEnd", "lbStartCustom", "sbAddCombi",
                             "sbRemoveCombi", "sbClearCombi", "lbCombiWarning", "eJoinFilename", "SpeedButton1",
                             "lbWriting", "ProgressBar1", "lbProgress", "bBreak1", "SB1", "pKeyFrames",
                             "lbRealStart"})
        EXPECT_NE(FForm->findChild<QWidget*>(name), nullptr) << name;
    // The output folder beside the program was made.
    EXPECT_TRUE(fs::is_directory(QCoreApplication::applicationDirPath().toStdString() + "/Output"));
}

TEST_F(MainWindowTest, OpeningAUsableMovieEnablesTheJobs)
{
    const std::string movie = SamplePath(TSample::Mpeg4Mp3);
    FDialogs.FileAnswers.push_back(movie);
    FPlayer->Frames = 250;
    FPlayer->Seconds = 10;
    FForm->sbSelect->click();

    EXPECT_EQ(FDialogs.Titles.back(), "Select movie to split");
    EXPECT_TRUE(FForm->MovieLoaded);
    EXPECT_TRUE(FForm->MovieUsable);
    EXPECT_EQ(FForm->TotalFrames, 250);
    EXPECT_DOUBLE_EQ(FForm->FrameRate, 25.0);
    EXPECT_EQ(FForm->TrackBar1->maximum(), 250);
    EXPECT_EQ(FForm->ClipEndFrame, 250);
    EXPECT_TRUE(FForm->bStart->isEnabled());
    EXPECT_TRUE(FForm->cbMode->isEnabled());
    EXPECT_EQ(FForm->Notebook1->currentIndex(), TForm1::DefaultPage);
    EXPECT_EQ(FForm->eSplitFilename->text(), "mpeg4-mp3");
    EXPECT_EQ(FForm->eSplitOutDir->text(), QString::fromStdString(FFolder + "/Output/mpeg4-mp3001/"));
    EXPECT_EQ(FForm->StatusPanel(0), "0h:00m:00s:00ms [1]");  // the first frame is number 1
    // The name, shortened from the middle when the panel is too narrow.
    EXPECT_TRUE(FForm->StatusPanel(2).endsWith("/mpeg4-mp3.avi"));
    EXPECT_LE(FForm->fontMetrics().horizontalAdvance(FForm->StatusPanel(2)), FForm->SB1Panels[2]->width());
    // The modes: Optimal first, its part count in the spin edit, Smallest is the maximum.
    const TZendra engine(movie);
    EXPECT_EQ(FForm->cbMode->currentText(), "Optimal");
    EXPECT_EQ(FForm->seSplitMax->Value(), std::max(2, engine.PartCount(0)));
    EXPECT_EQ(FForm->seSplitMax->MaxValue, engine.PartCount(2));
    FForm->cbMode->setCurrentIndex(2);
    FForm->cbModeChange();
    EXPECT_EQ(FForm->seSplitMax->Value(), std::max(2, engine.PartCount(2)));
    EXPECT_EQ(FForm->cbMode->currentText(), "Smallest");
    EXPECT_TRUE(FPlatform->Messages().empty());
}

TEST_F(MainWindowTest, RefusedAndMissingMoviesAreNotTaken)
{
    ASSERT_TRUE(Open(SamplePath(TSample::Mpeg4Mp3)));

    const std::string missing = FFolder + "/gone.avi";
    EXPECT_FALSE(Open(missing));
    ASSERT_EQ(FPlatform->Messages().size(), 1u);
    EXPECT_EQ(FPlatform->Messages().back(), "File " + missing + " does not exists");

    const std::string raw = UncompressedMovie();
    EXPECT_FALSE(Open(raw));
    EXPECT_EQ(FPlatform->Messages().back(),
              "Video part in " + raw + " is not compressed and can not be processed");
    // The preview does not go on showing the earlier movie under the refused one's name.
    EXPECT_FALSE(FForm->MovieLoaded);
    EXPECT_FALSE(FForm->MovieUsable);
    EXPECT_FALSE(FForm->bStart->isEnabled());
    EXPECT_FALSE(FForm->TrackBar1->isEnabled());
    EXPECT_EQ(FPlayer->FileName(), "");
    EXPECT_TRUE(FForm->pKeyFrames->KeyFrames().empty());
    EXPECT_TRUE(FForm->StatusPanel(2).endsWith("/raw.avi"));

    // The same after a movie that is gone.
    ASSERT_TRUE(Open(SamplePath(TSample::Mpeg4Mp3)));
    EXPECT_FALSE(Open(missing));
    EXPECT_FALSE(FForm->MovieLoaded);
    EXPECT_EQ(FPlayer->FileName(), "");
}

TEST_F(MainWindowTest, MovieWithoutDurationLoadsButIsNotUsable)
{
    FPlayer->Seconds = 0;
    ASSERT_TRUE(Open(SamplePath(TSample::VideoOnly)));
    EXPECT_TRUE(FForm->MovieLoaded);
    EXPECT_FALSE(FForm->MovieUsable);
    EXPECT_TRUE(FForm->sbPlay1->isEnabled());
    EXPECT_TRUE(FForm->TrackBar1->isEnabled());
    EXPECT_FALSE(FForm->bStart->isEnabled());
    EXPECT_FALSE(FForm->cbMode->isEnabled());
    EXPECT_EQ(FForm->StatusPanel(1), "Result: 0h: 00m: 00s");
    // With no frame rate the track bar moves nothing.
    FPlayer->Seeks.clear();
    const QString before = FForm->StatusPanel(0);
    FForm->TrackBar1->setValue(40);
    EXPECT_TRUE(FPlayer->Seeks.empty());
    EXPECT_EQ(FForm->StatusPanel(0), before);
}

TEST_F(MainWindowTest, PlayerThatNeverGetsReadyEndsTheWait)
{
    FPlayer->GetsReady = false;
    FForm->PlayerReadyTimeoutMs = 200;
    EXPECT_FALSE(Open(SamplePath(TSample::VideoOnly)));
    EXPECT_FALSE(FForm->MovieLoaded);
    EXPECT_FALSE(FForm->MovieUsable);
    EXPECT_FALSE(FForm->bStart->isEnabled());
    EXPECT_EQ(FForm->Notebook1->currentIndex(), TForm1::DefaultPage);
    EXPECT_TRUE(FForm->sbSelect->isEnabled());
    EXPECT_EQ(FPlatform->Messages().size(), 1u);
}

TEST_F(MainWindowTest, TabsSwitchTheAreaAndTheStartCaption)
{
    ASSERT_TRUE(Open(SamplePath(TSample::Mpeg4Mp3)));
    FForm->JoinTotalText = "Result around: 1h: 02m: 05s ";
    FForm->PageControl1->setCurrentIndex(TForm1::RejoinTab);
    EXPECT_TRUE(FForm->lvCombine->isVisible());
    EXPECT_FALSE(FForm->Panel3->isVisible());
    EXPECT_FALSE(FForm->pPlayButtons->isVisible());
    EXPECT_EQ(FForm->Startsplitting1->text(), "Start joining");
    EXPECT_EQ(FForm->StatusPanel(1), "Result around: 1h: 02m: 05s ");
    EXPECT_EQ(FForm->StatusPanel(2), "");
    EXPECT_FALSE(FForm->bStart->isEnabled());  // fewer than two rows

    FForm->PageControl1->setCurrentIndex(TForm1::ClipTab);
    EXPECT_FALSE(FForm->lvCombine->isVisible());
    EXPECT_TRUE(FForm->Panel3->isVisible());
    EXPECT_TRUE(FForm->pPlayButtons->isVisible());
    EXPECT_EQ(FForm->Startsplitting1->text(), "Start clipping");
    EXPECT_EQ(FForm->StatusPanel(1), "Result: 0h: 00m: 10s [around " +
                                         QString::number(fs::file_size(SamplePath(TSample::Mpeg4Mp3)) / 1024) + "kb]");
    FForm->File1Click();
    EXPECT_TRUE(FForm->Startsplitting1->isEnabled());
    FDialogs.FileAnswers.push_back({});
    FForm->Open1Click();
    EXPECT_EQ(FDialogs.Titles.back(), "Select movie to crop");
}

TEST_F(MainWindowTest, StatusTextsFollowTheExamples)
{
    // 4500 frames at 25 frames per second in 3 parts of a 30 000 000-byte file.
    FForm->MovieFileName = QString::fromStdString(SizedFile("big.avi", 30000000));
    FForm->MovieUsable = true;
    FForm->TotalFrames = 4500;
    FForm->FrameRate = 25;
    {
        const QSignalBlocker quiet(FForm->seSplitMax);
        FForm->seSplitMax->SetText("3");
    }
    EXPECT_EQ(FForm->ResultText(), "0h: 01m: 00s  [around 9765kb] each");
    // A part count of 0 must not divide by zero.
    {
        const QSignalBlocker quiet(FForm->seSplitMax);
        FForm->seSplitMax->SetText("0");
    }
    EXPECT_EQ(FForm->ResultText(), "Result: 0h: 00m: 00s");

    // Frames 250 to 1000 at 25 frames per second of a 10 000 000-byte movie with 1000 frames.
    FForm->MovieFileName = QString::fromStdString(SizedFile("clip.avi", 10000000));
    FForm->TotalFrames = 1000;
    FForm->ClipStartFrame = 250;
    FForm->ClipEndFrame = 1000;
    FForm->PageControl1->setCurrentIndex(TForm1::ClipTab);
    EXPECT_EQ(FForm->ResultText(), "Result: 0h: 00m: 30s [around 7324kb]");
    // A mark shows its frame's time: frame 1 at 0 s.
    EXPECT_EQ(FForm->lbStartCustom->text(), "0h:00m:09s:96ms");
    EXPECT_EQ(FForm->lbEndCustom->text(), "0h:00m:39s:96ms");
    EXPECT_TRUE(FForm->rbStartCustom->isChecked());
    FForm->ClipStartFrame = FForm->ClipEndFrame;
    EXPECT_EQ(FForm->ResultText(), "Result: 0h: 00m: 00s");
}

TEST_F(MainWindowTest, SplitCountAndBaseNameAreCleanedAsTyped)
{
    ASSERT_TRUE(Open(SamplePath(TSample::Gop250)));
    FForm->seSplitMax->MaxValue = 50;
    const auto type = [&](const QString& text) {
        FForm->cbMode->setCurrentIndex(0);
        FForm->seSplitMax->SetText(text);
        return FForm->seSplitMax->Text();
    };
    EXPECT_EQ(type("1a5"), "15");
    EXPECT_EQ(FForm->cbMode->currentText(), "Custom");
    EXPECT_EQ(type("1"), "1");  // below the minimum only once the field is left
    FForm->seSplitMaxExit();
    EXPECT_EQ(FForm->seSplitMax->Text(), "2");
    EXPECT_EQ(type("700"), "50");
    EXPECT_EQ(type("99999999999999"), "50");
    EXPECT_EQ(type("abc"), "abc");
    EXPECT_EQ(FForm->cbMode->currentText(), "Optimal");
    EXPECT_EQ(type("0"), "0");
    EXPECT_EQ(FForm->cbMode->currentText(), "Optimal");
    FForm->seSplitMax->SetText(" ");
    FForm->seSplitMaxExit();
    EXPECT_EQ(FForm->seSplitMax->Text(), "2");

    // Typed key by key, a count from 10 to 19 gets through its first digit.
    FForm->seSplitMax->SetText({});
    FForm->seSplitMax->setFocus();
    QTest::keyClicks(FForm->seSplitMax, "15");
    EXPECT_EQ(FForm->seSplitMax->Text(), "15");

    FForm->eSplitFilename->setText("holiday.avi");
    EXPECT_EQ(FForm->eSplitFilename->text(), "holiday");
    EXPECT_TRUE(FForm->eSplitOutDir->text().endsWith("/holiday001/")) << FForm->eSplitOutDir->text().toStdString();
    // Dots of the name stay while typing, and the folder follows the name.
    FForm->eSplitFilename->clear();
    QTest::keyClicks(FForm->eSplitFilename, "trip.2024.part");
    EXPECT_EQ(FForm->eSplitFilename->text(), "trip.2024.part");
    EXPECT_TRUE(FForm->eSplitOutDir->text().endsWith("/trip.2024.part001/"))
        << FForm->eSplitOutDir->text().toStdString();
}

TEST_F(MainWindowTest, OutputFoldersAreNumberedBelowTheChosenBase)
{
    FForm->eSplitFilename->setText("trip");
    const std::string base = FFolder + "/Clips";
    fs::create_directories(base);
    FDialogs.FolderAnswers.push_back(base);
    FForm->SpeedButton3->setEnabled(true);
    FForm->Defaultoutputdirectory1Click();
    EXPECT_EQ(FDialogs.Titles.back(), "Select the base location for splitting results.\n"
                                      "A new output folder will be added later for each process.");
    EXPECT_EQ(FForm->eSplitOutDir->text(), QString::fromStdString(base + "/trip001/"));
    fs::create_directories(base + "/trip001");
    FForm->UpdateOutputFolder();
    EXPECT_EQ(FForm->eSplitOutDir->text(), QString::fromStdString(base + "/trip002/"));
    for (int n = 2; n <= 999; ++n)
        fs::create_directories(base + "/trip" + IntToZeroPadded(n, 3));
    EXPECT_EQ(FForm->NextFreeFolder(QString::fromStdString(base + "/trip")), QString::fromStdString(base + "/trip1000"));
    // Cancelling keeps the base.
    FForm->Defaultoutputdirectory1Click();
    EXPECT_EQ(FForm->OutputBaseFolder, QString::fromStdString(base));
}

// An installed program's folder is not writable: the results go to the user's videos folder.
TEST_F(MainWindowTest, DefaultOutputFolderIsBesideTheProgramOrInTheVideosFolder)
{
    EXPECT_EQ(DefaultOutputBase(QString::fromStdString(FFolder)), QString::fromStdString(FFolder + "/Output/"));
    EXPECT_TRUE(fs::is_directory(FFolder + "/Output"));

    // A program folder below a plain file can never hold the output folder (root writes anywhere else).
    const std::string file = FFolder + "/not-a-folder";
    std::ofstream(file) << "x";
    const QString videos = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    ASSERT_FALSE(videos.isEmpty());
    EXPECT_EQ(DefaultOutputBase(QString::fromStdString(file + "/bin")), QDir(videos).filePath("Zendra/"));
    EXPECT_TRUE(fs::is_directory(QDir(videos).filePath("Zendra").toStdString()));
}

TEST_F(MainWindowTest, WindowKeepsItsMinimumSize)
{
    FForm->resize(300, 100);
    EXPECT_EQ(FForm->width(), 520);
    EXPECT_GE(FForm->height(), 200);
    EXPECT_EQ(FForm->size(), FForm->minimumSize());
}

TEST_F(MainWindowTest, DroppingFilesOpensTheFirstAvi)
{
    const std::string text = FFolder + "/notes.txt";
    std::ofstream(text) << "not a movie";
    const std::string first = SamplePath(TSample::VideoOnly);
    const std::string second = SamplePath(TSample::Mpeg4Mp3);

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(FFolder)), QUrl::fromLocalFile(QString::fromStdString(text)),
                  QUrl::fromLocalFile(QString::fromStdString(first)), QUrl::fromLocalFile(QString::fromStdString(second))});
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    // Qt delivers a drop only during a real drag; hand it to the panel's handler as Qt would.
    EXPECT_TRUE(FForm->PanelWindowProc(&drop));
    EXPECT_EQ(FForm->MovieFileName, QString::fromStdString(first));
    EXPECT_EQ(FPlayer->FileName(), QString::fromStdString(first));

    // Capital extension, on any tab.
    const std::string capital = FFolder + "/COPY.AVI";
    fs::copy_file(second, capital);
    FForm->PageControl1->setCurrentIndex(TForm1::RejoinTab);
    FForm->HandleDroppedFiles({QString::fromStdString(text), QString::fromStdString(capital)});
    EXPECT_EQ(FPlayer->FileName(), QString::fromStdString(capital));
}

TEST_F(MainWindowTest, TrackBarSeeksThePlayerAndShowsThePosition)
{
    ASSERT_TRUE(Open(SamplePath(TSample::Mpeg4Mp3)));
    FPlayer->Seeks.clear();
    FForm->TrackBar1->setValue(100);
    ASSERT_EQ(FPlayer->Seeks.size(), 1u);
    EXPECT_DOUBLE_EQ(FPlayer->Seeks[0], 4.0);
    EXPECT_EQ(FForm->StatusPanel(0), "0h:00m:04s:00ms [101]");  // position 100 shows frame 101
    FForm->TrackBar1Change();  // the same position again: no second seek
    EXPECT_EQ(FPlayer->Seeks.size(), 1u);

    // During playback the bar follows the player; dragging does not seek.
    FForm->sbPlay1->click();
    EXPECT_EQ(FPlayer->Plays, 1);
    FForm->TrackBar1->setValue(30);
    EXPECT_EQ(FPlayer->Seeks.size(), 1u);
    FPlayer->PlayTo(6.0);
    FForm->TrackTimer1Timer();
    EXPECT_EQ(FForm->TrackBar1->value(), 150);
    EXPECT_TRUE(FForm->TrackTimer1->isActive());
    FForm->sbStop1->click();
    EXPECT_EQ(FForm->PlayingMark, 0);

    FForm->sbLast1->click();
    EXPECT_EQ(FForm->TrackBar1->value(), 250);
    EXPECT_DOUBLE_EQ(FPlayer->Seeks.back(), 10.0);
    FForm->sbFirst1->click();
    EXPECT_EQ(FForm->TrackBar1->value(), 0);
    EXPECT_TRUE(FForm->sbStop1->isChecked());
}

TEST_F(MainWindowTest, FastMotionStopsOnTheLastFrame)
{
    ASSERT_TRUE(Open(SamplePath(TSample::Mpeg4Mp3)));
    FForm->TrackBar1->setValue(220);
    FForm->sbFastMotion->setChecked(true);
    FForm->sbSlowMotionClick();
    EXPECT_TRUE(FForm->tmSlowMotion->isActive());
    FForm->tmSlowMotionTimer();
    EXPECT_EQ(FForm->TrackBar1->value(), 250);
    EXPECT_TRUE(FForm->sbStop1->isChecked());
    EXPECT_FALSE(FForm->tmSlowMotion->isActive());

    // Stepping: one frame at once, then on with the timer until released.
    FForm->sbOneLeftMouseDown(FForm->sbOneLeft);
    FForm->TmStep1Timer();
    EXPECT_EQ(FForm->TrackBar1->value(), 249);
    EXPECT_EQ(FForm->TmStep1->interval(), 500);
    FForm->TmStep1Timer();
    EXPECT_EQ(FForm->TrackBar1->value(), 248);
    EXPECT_EQ(FForm->TmStep1->interval(), 100);
    FForm->sbOneLeftMouseUp();
    EXPECT_FALSE(FForm->TmStep1->isActive());
}

TEST_F(MainWindowTest, PlayerStaysCentredInItsPanel)
{
    FForm->pWMPPanel->resize(300, 200);
    FForm->WMP1->Widget()->setFixedSize(400, 179);
    FForm->pWMPPanelResize();
    EXPECT_EQ(FForm->WMP1->Widget()->x(), -50);
    EXPECT_EQ(FForm->WMP1->Widget()->y(), 10);
}

TEST_F(MainWindowTest, StartRefusesFewerThanTwoPartsAndAlwaysFreesTheTopPanel)
{
    ASSERT_TRUE(Open(SamplePath(TSample::Mpeg4Mp3)));
    {
        const QSignalBlocker quiet(FForm->seSplitMax);
        FForm->seSplitMax->SetText("0");
    }
    FForm->bStart->click();
    EXPECT_EQ(FPlatform->Messages().back(), "The minimum number of splitting is 2.");
    EXPECT_FALSE(FForm->Busy);
    EXPECT_TRUE(FForm->sbSelect->isEnabled());
    EXPECT_TRUE(FForm->bStart->isEnabled());

    // A count typed below the minimum is raised when Start is pressed.
    FForm->seSplitMax->SetText("1");
    FPlatform->Clear();
    FPlatform->QueueAnswer(TAnswer::Cancel);  // not into the new folder
    FForm->bStart->click();
    EXPECT_EQ(FForm->seSplitMax->Text(), "2");
    EXPECT_TRUE(FPlatform->Messages().empty());
    ASSERT_EQ(FPlatform->Questions().size(), 1u);
    EXPECT_TRUE(FPlatform->Questions()[0].Text.find("Splitting results will be put in a new folder") == 0);
}

TEST_F(MainWindowTest, EscapedErrorIsShownAndTheWindowRecovers)
{
    auto* app = static_cast<TApplication*>(QCoreApplication::instance());
    app->SetErrorCleanup([this] { FForm->RecoverFromError(); });
    FPlayer->ThrowOnLoad = true;
    FDialogs.FileAnswers.push_back(SamplePath(TSample::Mpeg4Mp3));
    // Through the event loop, as a user's click arrives.
    QMetaObject::invokeMethod(FForm->sbSelect, "click", Qt::QueuedConnection);
    ASSERT_TRUE(WaitUntil([&] { return !FPlatform->Messages().empty(); }));
    app->SetErrorCleanup({});
    EXPECT_EQ(FPlatform->Messages().back(), "The preview broke down");
    EXPECT_EQ(FForm->Notebook1->currentIndex(), TForm1::DefaultPage);
    EXPECT_TRUE(FForm->sbSelect->isEnabled());
    EXPECT_TRUE(FForm->menuBar()->isEnabled());
    EXPECT_TRUE(FForm->PageControl1->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(FForm->bStart->isEnabled());
}

TEST_F(MainWindowTest, HelpAndHomePageOpenBesideTheProgram)
{
    FForm->Helpcontents1Click();
    FForm->Website1Click();
    ASSERT_EQ(FPlatform->Opened().size(), 2u);
    EXPECT_EQ(FPlatform->Opened()[0], QCoreApplication::applicationDirPath().toStdString() + "/help/Default.htm");
    EXPECT_EQ(FPlatform->Opened()[1], QCoreApplication::applicationDirPath().toStdString() + "/README.md");
}

}  // namespace
}  // namespace zendra::test
