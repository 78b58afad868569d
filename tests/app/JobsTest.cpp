// The three jobs of the main window on real movies: split, Break, clip, the join list and
// the join, with a scripted platform, dialogs and player.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>

#include <filesystem>
#include <fstream>

#include "app/MainWindow.h"
#include "app/SpinEdit.h"
#include "engine/Zendra.h"
#include "platform/Dialogs.h"
#include "platform/ScriptedPlatform.h"
#include "tests/app/JobsFixture.h"
#include "tests/testkit/Samples.h"

namespace fs = std::filesystem;

namespace zendra::test {
namespace {

using JobsTest = JobsFixture;

struct TPartFacts {
    std::string Batch;
    int Index = 0;
    double CreatedAt = 0;
};

TPartFacts ReadPartFacts(const std::string& path)
{
    TZendra part(path);
    EXPECT_TRUE(part.IsPart) << path;
    return {part.PartRecord.BatchIdentity(), part.PartRecord.PartIndex(), part.PartRecord.CreatedAt()};
}

TEST_F(JobsTest, SplitInEveryModeWritesANumberedRunOfReadableParts)
{
    const std::string movie = SamplePath(TSample::Mpeg4Mp3);
    ASSERT_TRUE(Open(movie));
    const long sourceFrames = Probe(movie).Frames;
    for (int mode = 0; mode < 4; ++mode) {
        SCOPED_TRACE(mode);
        FForm->cbMode->setCurrentIndex(mode);
        if (mode == 3)
            FForm->seSplitMax->SetText("4");
        else
            FForm->cbModeChange();
        const int expectedParts = FForm->seSplitMax->Value();
        const std::string folder = FForm->eSplitOutDir->text().toStdString();
        EXPECT_EQ(folder, FFolder + "/Output/mpeg4-mp3" + "00" + std::to_string(mode + 1) + "/");
        FPlatform->Clear();
        FForm->bStartClick();

        std::vector<std::string> parts = AviFilesIn(folder);
        if (mode < 3) {
            EXPECT_EQ(static_cast<int>(parts.size()), expectedParts);
        }
        ASSERT_GE(parts.size(), 2u);
        long frames = 0;
        std::string batch;
        for (std::size_t r = 0; r < parts.size(); ++r) {
            EXPECT_EQ(parts[r], folder + "mpeg4-mp3" + (r < 9 ? "0000" : "000") + std::to_string(r + 1) + ".avi");
            const TProbe probe = Probe(parts[r]);
            EXPECT_TRUE(probe.Clean) << parts[r];
            frames += probe.Frames;
            const TPartFacts facts = ReadPartFacts(parts[r]);
            EXPECT_EQ(facts.Index, static_cast<int>(r + 1));
            if (r == 0)
                batch = facts.Batch;
            EXPECT_EQ(facts.Batch, batch);
        }
        EXPECT_FALSE(batch.empty());
        EXPECT_EQ(frames, sourceFrames);
        // The finish question offers the first part; the run folder's next number is proposed.
        ASSERT_FALSE(FPlatform->Questions().empty());
        EXPECT_EQ(FPlatform->Questions().back().Text, "Splitting is finished. Play the first file " + parts[0] + "?");
        ASSERT_FALSE(FViewed.empty());
        EXPECT_EQ(FViewed.back(), QString::fromStdString(parts[0]));
        EXPECT_EQ(FForm->eSplitOutDir->text().toStdString(),
                  FFolder + "/Output/mpeg4-mp3" + "00" + std::to_string(mode + 2) + "/");
        EXPECT_EQ(FForm->Notebook1->currentIndex(), TForm1::DefaultPage);
        EXPECT_EQ(FForm->ProgressBar1->maximum(), static_cast<int>(TZendra(movie).Index.size()));
    }
}

TEST_F(JobsTest, BreakDuringPartThreeKeepsTwoPartsAndTrashesTheThird)
{
    ASSERT_TRUE(Open(SamplePath(TSample::Mpeg4Mp3)));
    FForm->seSplitMax->SetText("5");
    ASSERT_EQ(FForm->cbMode->currentIndex(), 3);
    const std::string folder = FForm->eSplitOutDir->text().toStdString();

    bool pressed = false;
    bool topPanelStayedDisabled = true;
    bool commandsBlocked = true;
    FPlatform->OnProcessMessages([&] {
        if (FForm->Notebook1->currentIndex() != TForm1::WorkingPage)
            return;
        // Handlers that refresh the controls mid-job must not free the top panel.
        FForm->UpdateControls();
        topPanelStayedDisabled = topPanelStayedDisabled && !FForm->sbSelect->isEnabled() &&
                                 !FForm->bStart->isEnabled() && !FForm->sbPlay1->isEnabled();
        commandsBlocked = commandsBlocked && !FForm->Open1->isEnabled() && !FForm->OpenProject1->isEnabled() &&
                          !FForm->NewProject1->isEnabled() && !FForm->Defaultoutputdirectory1->isEnabled() &&
                          !FForm->close();
        // Nor does a movie dropped on the preview replace the one being split.
        const QString movie = FForm->MovieFileName;
        FForm->HandleDroppedFiles({QString::fromStdString(SamplePath(TSample::MjpegPcm))});
        commandsBlocked = commandsBlocked && FForm->MovieFileName == movie;
        if (!pressed && FForm->lbWriting->text().endsWith("00003.avi") && FForm->ProgressBar1->value() > 0) {
            pressed = true;
            FForm->bBreak1->click();  // answered Yes
        }
    });
    FForm->bStartClick();

    ASSERT_TRUE(pressed);
    EXPECT_TRUE(topPanelStayedDisabled);
    EXPECT_TRUE(commandsBlocked);
    const std::vector<std::string> parts = AviFilesIn(folder);
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[1], folder + "mpeg4-mp300002.avi");
    for (const std::string& part : parts)
        EXPECT_TRUE(Probe(part).Clean);
    ASSERT_EQ(FPlatform->Recycled().size(), 1u);
    EXPECT_EQ(FPlatform->Recycled()[0], folder + "mpeg4-mp300003.avi");
    EXPECT_EQ(FPlatform->Questions().back().Text, "Stop the process?");
    EXPECT_TRUE(FViewed.empty());
    EXPECT_EQ(FForm->Notebook1->currentIndex(), TForm1::DefaultPage);
    EXPECT_EQ(FForm->CurrentEngine, nullptr);
    EXPECT_FALSE(FForm->Busy);
    EXPECT_TRUE(FForm->sbSelect->isEnabled());
    EXPECT_TRUE(FForm->Open1->isEnabled());
    EXPECT_TRUE(FForm->close());
}

TEST_F(JobsTest, BreakAnsweredNoGoesOnAndBreakWithoutAJobDoesNothing)
{
    FForm->bCancelClick();
    EXPECT_TRUE(FPlatform->Questions().empty());

    ASSERT_TRUE(Open(SamplePath(TSample::Mpeg4Mp3)));
    FForm->seSplitMax->SetText("3");
    const std::string folder = FForm->eSplitOutDir->text().toStdString();
    bool pressed = false;
    FPlatform->OnProcessMessages([&] {
        if (!pressed && FForm->lbWriting->text().endsWith("00002.avi")) {
            pressed = true;
            FPlatform->QueueAnswer(TAnswer::No);
            FForm->bCancelClick();
        }
    });
    FPlatform->QueueAnswer(TAnswer::OK);  // the new folder
    FForm->bStartClick();
    EXPECT_TRUE(pressed);
    EXPECT_EQ(AviFilesIn(folder).size(), 3u);
    EXPECT_EQ(FViewed.size(), 1u);
}

TEST_F(JobsTest, ProgressFollowsTheActiveTabsRules)
{
    FForm->Notebook1->setCurrentIndex(TForm1::WorkingPage);
    FForm->JobClock.start();

    // Split: the bar counts index positions of the whole movie from the part's base.
    FForm->PageControl1->setCurrentIndex(TForm1::SplitTab);
    FForm->ProgressBar1->setMaximum(900);
    FForm->ProgressBase = 300;
    FForm->lbProgress->setText("Estimated time left:...");
    FForm->ShowProgress(100, 50);
    EXPECT_EQ(FForm->ProgressBar1->value(), 400);
    EXPECT_TRUE(FForm->lbProgress->text().startsWith("Estimated time left: ")) << FForm->lbProgress->text().toStdString();

    // Clip: the bar takes the engine's total; a report of 0 only moves the bar.
    FForm->PageControl1->setCurrentIndex(TForm1::ClipTab);
    FForm->lbProgress->setText("Estimated time left:...");
    FForm->ShowProgress(0, 10000);
    EXPECT_EQ(FForm->ProgressBar1->maximum(), 10000);
    EXPECT_EQ(FForm->ProgressBar1->value(), 0);
    EXPECT_EQ(FForm->lbProgress->text(), "Estimated time left:...");
    // The first twentieth waits for 8.64 seconds before it estimates.
    FForm->ShowProgress(100, 10000);
    EXPECT_EQ(FForm->lbProgress->text(), "Estimated time left:...");

    // Rejoin: the join's own total, plus the base.
    FForm->PageControl1->setCurrentIndex(TForm1::RejoinTab);
    FForm->ProgressBase = 0;
    FForm->ShowProgress(500, 600);
    EXPECT_EQ(FForm->ProgressBar1->maximum(), 600);
    EXPECT_EQ(FForm->ProgressBar1->value(), 500);

    // A job started just before midnight: the time of day would give a negative elapsed
    // time; the steady clock keeps the estimate sound.
    FForm->JobStartTime = 0.99999;
    FForm->ShowProgress(599, 600);
    EXPECT_EQ(FForm->lbProgress->text(), "Estimated time left: 0 minute .");
}

TEST_F(JobsTest, ClipWritesFromTheKeyFrameBeforeTheStartToTheEnd)
{
    const std::string movie = SamplePath(TSample::Mpeg4Mp3);
    ASSERT_TRUE(Open(movie));
    const std::vector<std::string> source = VideoFrameHashes(movie);
    ASSERT_EQ(source.size(), 250u);
    FForm->PageControl1->setCurrentIndex(TForm1::ClipTab);

    // Frames count the index's video entries; the sample's second is an empty one (a dropped
    // frame), which ffmpeg does not list. Key frames stand on entries 1, 14, 26, ...: a start
    // at frame 20 begins at ffmpeg's frame 12, and frame 100 is ffmpeg's 98.
    const std::string clip = FFolder + "/clip.avi";
    FDialogs.FileAnswers.push_back(clip);
    FForm->ClipStartFrame = 20;
    FForm->ClipEndFrame = 100;
    FForm->bStartClick();
    std::vector<std::string> clipped = VideoFrameHashes(clip);
    EXPECT_EQ(clipped, std::vector<std::string>(source.begin() + 12, source.begin() + 99));
    EXPECT_EQ(FPlatform->Questions().back().Text, "File " + clip + " is ready. View the result?");
    ASSERT_EQ(FViewed.size(), 1u);
    EXPECT_EQ(FViewed[0], QString::fromStdString(clip));
    EXPECT_EQ(FForm->OutFileDlg.FileName, QString::fromStdString(clip));

    // "The beginning" to "The end" writes the whole movie, though the preview counts one
    // frame less than the index.
    const std::string whole = FFolder + "/whole.avi";
    FDialogs.FileAnswers.push_back(whole);
    FForm->rbStartDefault->click();
    FForm->rbEndDefault->click();
    EXPECT_EQ(FForm->ClipStartFrame, 0);
    EXPECT_EQ(FForm->ClipEndFrame, 250);
    FForm->bStartClick();
    EXPECT_EQ(VideoFrameHashes(whole), source);
    EXPECT_TRUE(Probe(whole).Clean);
    EXPECT_FALSE(TZendra(whole).IsPart);
}

TEST_F(JobsTest, ClipRefusesReversedEndsAndBreakLeavesNoFile)
{
    ASSERT_TRUE(Open(SamplePath(TSample::Mpeg4Mp3)));
    FForm->PageControl1->setCurrentIndex(TForm1::ClipTab);
    FForm->ClipStartFrame = 200;
    FForm->ClipEndFrame = 100;
    FForm->bStartClick();
    EXPECT_EQ(FPlatform->Messages().back(), "The starting position is located behind the ending position.");
    EXPECT_TRUE(FDialogs.Titles.empty());

    const std::string clip = FFolder + "/broken.avi";
    FDialogs.FileAnswers.push_back(clip);
    FForm->ClipStartFrame = 0;
    FForm->ClipEndFrame = 250;
    FPlatform->OnProcessMessages([&] {
        if (FForm->CurrentEngine && FForm->ProgressBar1->value() >= 100 && !FForm->CurrentEngine->Cancelled)
            FForm->bCancelClick();
    });
    FPlatform->Clear();
    FForm->bStartClick();
    EXPECT_FALSE(fs::exists(clip));
    ASSERT_EQ(FPlatform->Questions().size(), 1u);
    EXPECT_EQ(FPlatform->Questions()[0].Text, "Stop the process?");
    EXPECT_TRUE(FViewed.empty());
    EXPECT_EQ(FForm->Notebook1->currentIndex(), TForm1::DefaultPage);
}

TEST_F(JobsTest, ClipTabPicksAndLocatesTheEnds)
{
    ASSERT_TRUE(Open(SamplePath(TSample::Mpeg4Mp3)));
    FForm->PageControl1->setCurrentIndex(TForm1::ClipTab);
    // Track-bar position p shows frame p + 1: the marks take the frame shown.
    FForm->TrackBar1->setValue(250);
    FForm->sbCustomEnd->click();
    EXPECT_EQ(FForm->ClipEndFrame, 250);  // the end of the bar shows the last frame
    EXPECT_EQ(FForm->lbEndCustom->text(), "0h:00m:09s:96ms");
    FForm->TrackBar1->setValue(249);
    FForm->sbCustomEnd->click();
    EXPECT_EQ(FForm->ClipEndFrame, 250);
    FForm->TrackBar1->setValue(100);
    FForm->sbCustomEnd->click();
    EXPECT_EQ(FForm->ClipEndFrame, 101);
    EXPECT_EQ(FForm->lbEndCustom->text(), "0h:00m:04s:00ms");
    EXPECT_TRUE(FForm->rbEndCustom->isChecked());
    FForm->TrackBar1->setValue(30);
    FForm->sbCustomStart->click();
    EXPECT_EQ(FForm->ClipStartFrame, 31);
    EXPECT_TRUE(FForm->rbStartCustom->isChecked());
    EXPECT_EQ(FForm->lbStartCustom->text(), "0h:00m:01s:20ms");
    FForm->TrackBar1->setValue(0);
    FForm->sbLocateEnd->click();
    EXPECT_EQ(FForm->TrackBar1->value(), 100);
    FForm->sbLocateStart->click();
    EXPECT_EQ(FForm->TrackBar1->value(), 30);
    // "Custom" start at the bar's beginning is frame 1.
    FForm->TrackBar1->setValue(0);
    FForm->rbStartCustom->click();
    EXPECT_EQ(FForm->ClipStartFrame, 1);
    EXPECT_TRUE(FForm->rbStartCustom->isChecked());
    FForm->rbStartDefault->click();
    EXPECT_EQ(FForm->ClipStartFrame, 0);
    // "Custom" end takes the preview's own position.
    FPlayer->PlayTo(4.0);
    FForm->rbEndCustom->click();
    EXPECT_EQ(FForm->ClipEndFrame, 101);
    FForm->rbEndDefault->click();
    EXPECT_EQ(FForm->ClipEndFrame, 250);
}

// A start mark on a key frame starts the clip there, not a whole group earlier, and the
// Clip tab says where the clip starts before Start is pressed.
TEST_F(JobsTest, StartMarkOnAKeyFrameClipsFromThatKeyFrame)
{
    const std::string movie = SamplePath(TSample::Mpeg4Mp3);
    ASSERT_TRUE(Open(movie));
    const std::vector<std::string> source = VideoFrameHashes(movie);
    FForm->PageControl1->setCurrentIndex(TForm1::ClipTab);
    // Key frames on frames 1, 14, 26, ...; ffmpeg's list lacks the empty frame 2.
    FForm->TrackBar1->setValue(25);
    FForm->sbCustomStart->click();
    EXPECT_EQ(FForm->ClipStartFrame, 26);
    FForm->TrackBar1->setValue(99);
    FForm->sbCustomEnd->click();
    EXPECT_EQ(FForm->ClipEndFrame, 100);
    EXPECT_TRUE(FForm->lbRealStart->text().startsWith("Starts at key frame 26 (0h:00m:01s:00ms), on the mark; 75 frames, "))
        << FForm->lbRealStart->text().toStdString();
    FForm->TrackBar1->setValue(29);
    FForm->sbCustomStart->click();
    EXPECT_TRUE(FForm->lbRealStart->text().startsWith("Starts at key frame 26 (0h:00m:01s:00ms), 4 frames before the mark; "))
        << FForm->lbRealStart->text().toStdString();
    FForm->TrackBar1->setValue(120);
    FForm->sbCustomStart->click();
    EXPECT_EQ(FForm->lbRealStart->text(), "The starting position is located behind the ending position.");
    FForm->TrackBar1->setValue(25);
    FForm->sbCustomStart->click();

    const std::string clip = FFolder + "/on-key.avi";
    FDialogs.FileAnswers.push_back(clip);
    FForm->bStartClick();
    EXPECT_EQ(VideoFrameHashes(clip), std::vector<std::string>(source.begin() + 24, source.begin() + 99));
}

// A click on Start given while the result player ran is not replayed as a second job.
TEST_F(JobsTest, InputDuringTheResultPlayerIsDropped)
{
    ASSERT_TRUE(Open(SamplePath(TSample::Mpeg4Mp3)));
    FForm->PageControl1->setCurrentIndex(TForm1::ClipTab);
    FForm->ResultViewer = [this](const QString&) {
        const QPoint centre = FForm->bStart->rect().center();
        for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
            QCoreApplication::postEvent(FForm->bStart, new QMouseEvent(type, centre, FForm->bStart->mapToGlobal(centre),
                                                                       Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
        return true;
    };
    FDialogs.FileAnswers.push_back(FFolder + "/first.avi");
    FDialogs.FileAnswers.push_back(FFolder + "/second.avi");
    FForm->bStart->click();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_TRUE(fs::exists(FFolder + "/first.avi"));
    EXPECT_FALSE(fs::exists(FFolder + "/second.avi"));
    EXPECT_EQ(FDialogs.FileAnswers.size(), 1u);
    // Input after the wait still works.
    FForm->bStart->click();
    EXPECT_TRUE(fs::exists(FFolder + "/second.avi"));
}

}  // namespace
}  // namespace zendra::test
