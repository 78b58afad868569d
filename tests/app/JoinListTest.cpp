// The join list (order, warning, total, what is not taken) and the join job.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/CombiSort.h"
#include "app/SpinEdit.h"
#include "engine/Zendra.h"
#include "tests/app/JobsFixture.h"

namespace fs = std::filesystem;

namespace zendra::test {
namespace {

class JoinListTest : public JobsFixture {
protected:
    // Splits the sample into three parts; the parts, in order.
    std::vector<std::string> SplitRun()
    {
        if (FForm->MovieFileName.isEmpty()) {
            EXPECT_TRUE(Open(SamplePath(TSample::Mpeg4Mp3)));
        }
        FForm->PageControl1->setCurrentIndex(TForm1::SplitTab);
        FForm->seSplitMax->SetText("3");
        const std::string folder = FForm->eSplitOutDir->text().toStdString();
        FForm->bStartClick();
        auto parts = AviFilesIn(folder);
        EXPECT_EQ(parts.size(), 3u);
        FViewed.clear();
        return parts;
    }

    QStringList Column(int column) const
    {
        QStringList texts;
        for (int i = 0; i < FForm->lvCombine->topLevelItemCount(); ++i)
            texts << FForm->lvCombine->topLevelItem(i)->text(column);
        return texts;
    }

    QString Q(const std::string& text) const { return QString::fromStdString(text); }
};

TEST_F(JoinListTest, PartsOfTwoRunsAreGroupedAndWarnedAbout)
{
    const auto first = SplitRun();
    const auto second = SplitRun();
    FForm->PageControl1->setCurrentIndex(TForm1::RejoinTab);
    FPlatform->Clear();
    FDialogs.FilesAnswers.push_back({second[1], first[2], first[0], second[0], first[1], second[2]});
    ASSERT_TRUE(FForm->SelectJoinFiles(false));

    EXPECT_EQ(Column(jcLocation),
              QStringList({Q(first[0]), Q(first[1]), Q(first[2]), Q(second[0]), Q(second[1]), Q(second[2])}));
    EXPECT_EQ(Column(jcIdx), QStringList({"00001", "00002", "00003", "00001", "00002", "00003"}));
    EXPECT_EQ(Column(jcFilename)[0], QString::fromStdString(fs::path(first[0]).filename().string()));
    EXPECT_TRUE(!FForm->lbCombiWarning->isHidden());
    EXPECT_TRUE(FPlatform->Messages().empty());
    // Two runs of a 10-second movie.
    EXPECT_EQ(FForm->JoinTotalText, "Result around: 0h: 00m: 20s ");
    EXPECT_EQ(FForm->StatusPanel(1), FForm->JoinTotalText);
    EXPECT_TRUE(FForm->bStart->isEnabled());

    // Removing the second run's rows clears the warning; the total follows the list.
    for (int i = 3; i < 6; ++i)
        FForm->lvCombine->topLevelItem(i)->setSelected(true);
    FForm->sbRemoveCombi->click();
    EXPECT_EQ(FPlatform->Questions().back().Text, "Remove the selected items from the list?");
    EXPECT_EQ(FForm->lvCombine->topLevelItemCount(), 3);
    EXPECT_FALSE(!FForm->lbCombiWarning->isHidden());
    EXPECT_EQ(FForm->JoinTotalText, "Result around: 0h: 00m: 10s ");
    EXPECT_EQ(FForm->StatusPanel(1), FForm->JoinTotalText);

    FPlatform->QueueAnswer(TAnswer::Cancel);
    FForm->sbClearCombi->click();
    EXPECT_EQ(FForm->lvCombine->topLevelItemCount(), 3);
    FForm->sbClearCombi->click();
    EXPECT_EQ(FPlatform->Questions().back().Text, "Clear the item list?");
    EXPECT_EQ(FForm->lvCombine->topLevelItemCount(), 0);
    EXPECT_FALSE(FForm->bStart->isEnabled());
    EXPECT_EQ(FForm->StatusPanel(1), "Result: 0h: 00m: 00s");
}

TEST_F(JoinListTest, FilesNotTakenAreCountedAndSelectionsValidated)
{
    const auto parts = SplitRun();
    FForm->PageControl1->setCurrentIndex(TForm1::RejoinTab);
    const std::string text = FFolder + "/notes.txt";
    std::ofstream(text) << "not a movie";
    const std::string upper = FFolder + "/PART.AVI";
    fs::copy_file(parts[1], upper);
    FPlatform->Clear();

    // One file: the two-files message, then the dialog again; cancelling keeps the list.
    FDialogs.FilesAnswers.push_back({parts[0]});
    EXPECT_FALSE(FForm->SelectJoinFiles(false));
    EXPECT_EQ(FPlatform->Messages().at(0), "At least two files are needed to join.\nUse mouse click in combination "
                                           "with Shift key \nor Control key for multiple selection.");
    EXPECT_EQ(FDialogs.Titles.size(), 2u);
    EXPECT_EQ(FDialogs.Titles[0], "Select movies to join");

    // Neither a text file nor the source movie (no part record) nor a repeat is taken.
    FDialogs.FilesAnswers.push_back({text, SamplePath(TSample::Mpeg4Mp3)});
    EXPECT_FALSE(FForm->SelectJoinFiles(false));
    EXPECT_EQ(FPlatform->Messages().back(), "At least two valid files are needed to join.");
    FDialogs.FilesAnswers.push_back({parts[0], upper, text, SamplePath(TSample::Mpeg4Mp3), parts[0]});
    ASSERT_TRUE(FForm->SelectJoinFiles(false));
    EXPECT_EQ(FForm->lvCombine->topLevelItemCount(), 2);
    EXPECT_EQ(FPlatform->Messages().back(),
              "There are 3 files in the selection which has an unknown format,\n has been included in the list,\n or "
              "is not a result of a splitting by Zendra");

    // Add: one new part is taken, a part already listed is not (singular).
    FDialogs.FilesAnswers.push_back({parts[2], parts[1]});
    FForm->sbAddCombi->click();
    EXPECT_EQ(Column(jcIdx), QStringList({"00001", "00002", "00003"}));
    EXPECT_EQ(FPlatform->Messages().back(),
              "There are 1 file in the selection which has an unknown format,\n has been included in the list,\n or "
              "is not a result of a splitting by Zendra");
    EXPECT_FALSE(!FForm->lbCombiWarning->isHidden());
}

TEST_F(JoinListTest, JoinedMovieHasTheSourcesFramesAndIsOffered)
{
    const std::string movie = SamplePath(TSample::Mpeg4Mp3);
    const auto parts = SplitRun();
    FForm->PageControl1->setCurrentIndex(TForm1::RejoinTab);
    FDialogs.FilesAnswers.push_back({parts[2], parts[0], parts[1]});
    ASSERT_TRUE(FForm->SelectJoinFiles(false));

    // With no output name Start asks for one first; cancelling ends quietly.
    FPlatform->Clear();
    FForm->bStartClick();
    EXPECT_TRUE(FPlatform->Messages().empty());
    EXPECT_EQ(FDialogs.Titles.back(), "Save output file as");

    const std::string joined = FFolder + "/joined.avi";
    std::ofstream(joined) << "old";
    FDialogs.FileAnswers.push_back(joined);
    FForm->SpeedButton1->click();
    EXPECT_EQ(FForm->eJoinFilename->text(), Q(joined));
    FForm->bStartClick();
    EXPECT_EQ(FPlatform->Questions().at(0).Text, "File " + joined + " exists. Overwrite?");
    EXPECT_EQ(FPlatform->Recycled().at(0), joined);
    EXPECT_EQ(FPlatform->Questions().back().Text, "File " + joined + " is ready. See the result?");
    ASSERT_EQ(FViewed.size(), 1u);
    EXPECT_EQ(FViewed[0], Q(joined));
    EXPECT_EQ(VideoFrameHashes(joined), VideoFrameHashes(movie));
    EXPECT_TRUE(Probe(joined).Clean);
    EXPECT_EQ(FForm->Notebook1->currentIndex(), TForm1::DefaultPage);

    // An output that can not be moved out of the way is not written over.
    FPlatform->FailRecycle(true);
    FForm->bStartClick();
    EXPECT_EQ(FPlatform->Messages().back(), "Can not delete " + joined + ". File is in use.");
    EXPECT_EQ(FViewed.size(), 1u);
}

// A part whose idx1 was cut off is listed once the user agrees to build its index, and
// joins with it.
TEST_F(JoinListTest, APartWithoutAnIndexJoinsWhenTheUserHasItsIndexBuilt)
{
    const std::string movie = SamplePath(TSample::Mpeg4Mp3);
    const auto parts = SplitRun();
    std::ifstream in(parts[1], std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    std::ofstream(parts[1], std::ios::binary | std::ios::trunc) << bytes.substr(0, bytes.rfind("idx1"));

    FForm->PageControl1->setCurrentIndex(TForm1::RejoinTab);
    FPlatform->Clear();
    FDialogs.FilesAnswers.push_back({parts[0], parts[1], parts[2]});
    ASSERT_TRUE(FForm->SelectJoinFiles(false));
    ASSERT_FALSE(FPlatform->Questions().empty());
    EXPECT_EQ(FPlatform->Questions().front().Text, parts[1] + " has no index. Build one from its contents?");
    EXPECT_EQ(Column(jcLocation), (QStringList{Q(parts[0]), Q(parts[1]), Q(parts[2])}));

    const std::string joined = FFolder + "/joined.avi";
    FForm->eJoinFilename->setText(Q(joined));
    FForm->bStartClick();
    EXPECT_EQ(FPlatform->Questions().back().Text, "File " + joined + " is ready. See the result?");
    EXPECT_EQ(VideoFrameHashes(joined, false), VideoFrameHashes(movie, false));
}

TEST_F(JoinListTest, BreakDuringTheLastMemberAsksNothing)
{
    const auto parts = SplitRun();
    FForm->PageControl1->setCurrentIndex(TForm1::RejoinTab);
    FDialogs.FilesAnswers.push_back(parts);
    ASSERT_TRUE(FForm->SelectJoinFiles(false));
    const std::string joined = FFolder + "/joined.avi";
    FForm->eJoinFilename->setText(Q(joined));
    FPlatform->OnProcessMessages([&] {
        if (FForm->CurrentEngine && !FForm->CurrentEngine->Cancelled &&
            FForm->ProgressBar1->value() >= 200)  // the last member starts near frame 170
            FForm->bCancelClick();
    });
    FPlatform->Clear();
    EXPECT_FALSE(FForm->RunJoin());
    ASSERT_EQ(FPlatform->Questions().size(), 1u);
    EXPECT_EQ(FPlatform->Questions()[0].Text, "Stop the process?");
    EXPECT_TRUE(FViewed.empty());
    EXPECT_FALSE(fs::exists(joined));
    EXPECT_EQ(FForm->Notebook1->currentIndex(), TForm1::DefaultPage);
}

}  // namespace
}  // namespace zendra::test
