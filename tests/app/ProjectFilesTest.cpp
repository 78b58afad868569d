// Project files: saved and loaded settings, their bytes, and files that lie about themselves.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTabWidget>
#include <QTreeWidget>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/CombiSort.h"
#include "app/SpinEdit.h"
#include "engine/AviRecords.h"
#include "tests/app/JobsFixture.h"

namespace fs = std::filesystem;

namespace zendra::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

class ProjectFilesTest : public JobsFixture {
protected:
    Bytes ReadBytes(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }

    void WriteBytes(const std::string& path, const Bytes& bytes)
    {
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
    }

    static bool Contains(const Bytes& haystack, const Bytes& needle)
    {
        return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
    }

    bool SaveAs(const std::string& path)
    {
        FDialogs.FileAnswers.push_back(path);
        FForm->SaveProjectas1Click();
        return fs::exists(path);
    }

    bool Load(const std::string& path)
    {
        FDialogs.FileAnswers.push_back(path);
        return FForm->LoadProjectFile();
    }

    // The message of the error a load raises; empty when it raised none.
    std::string LoadError(const Bytes& bytes)
    {
        const std::string path = FFolder + "/hostile.kvx";
        WriteBytes(path, bytes);
        try {
            Load(path);
        } catch (const EZendraError& error) {
            return error.what();
        }
        return {};
    }

    void AddRow(const QStringList& texts)
    {
        auto* row = new TCombiItem;
        for (int c = 0; c < texts.size(); ++c)
            row->setText(c, texts[c]);
        FForm->lvCombine->addTopLevelItem(row);
    }
};

TEST_F(ProjectFilesTest, SavedProjectRestoresEverySetting)
{
    const std::string movie = SamplePath(TSample::Mpeg4Mp3);
    ASSERT_TRUE(Open(movie));
    FForm->seSplitMax->SetText("7");
    FForm->eSplitFilename->setText("holiday");
    FForm->UpdateOutputFolder();
    FForm->ClipStartFrame = 0;
    FForm->ClipEndFrame = 150000;
    FForm->eJoinFilename->setText(QString::fromStdString(FFolder + "/joined.avi"));
    FForm->OutFileDlg.FileName = QString::fromStdString(FFolder + "/joined.avi");
    AddRow({"a00001.avi", "00001", "0h:00m:04s:00ms", "{A}", "/x/a00001.avi"});
    AddRow({"b00002.avi", "00002", "0h:00m:06s:00ms", "{B}", "/x/b00002.avi"});
    const QString folder = FForm->eSplitOutDir->text();

    // A project in a folder that is not there yet: created on OK.
    const std::string project = FFolder + "/projects/work.kvx";
    ASSERT_TRUE(SaveAs(project));
    EXPECT_EQ(FPlatform->Questions().back().Text, "Folder " + FFolder + "/projects/ does not exists. Create it?");
    const Bytes bytes = ReadBytes(project);
    ASSERT_GE(bytes.size(), 8u);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 8), Bytes({0x06, 0x03, 0x6B, 0x76, 0x78, 0x03, 0xE8, 0x03}));
    EXPECT_TRUE(Contains(bytes, {0x02, 0x00, 0x04, 0xF0, 0x49, 0x02, 0x00}));
    EXPECT_TRUE(Contains(bytes, {0x02, 0x03, 0x02, 0x07, 0x02, 0x05, 0x02, 0x02}));  // Custom, 7; 5 columns, 2 rows

    FForm->NewProject1Click();
    EXPECT_FALSE(FForm->MovieLoaded);
    EXPECT_TRUE(FForm->MovieFileName.isEmpty());
    EXPECT_TRUE(FForm->SaveProjDlg.FileName.isEmpty());
    FForm->seSplitMax->SetText("3");
    FForm->cbMode->setCurrentIndex(0);
    FForm->eJoinFilename->clear();
    FForm->lvCombine->clear();

    ASSERT_TRUE(Load(project));
    EXPECT_EQ(FForm->MovieFileName.toStdString(), movie);
    EXPECT_TRUE(FForm->MovieUsable);
    EXPECT_EQ(FForm->OutFileDlg.FileName.toStdString(), FFolder + "/joined.avi");
    EXPECT_EQ(FForm->eJoinFilename->text().toStdString(), FFolder + "/joined.avi");
    EXPECT_EQ(FForm->ClipStartFrame, 0);
    EXPECT_EQ(FForm->ClipEndFrame, 150000);
    EXPECT_EQ(FForm->eSplitFilename->text(), "holiday");
    EXPECT_EQ(FForm->eSplitOutDir->text(), folder);
    EXPECT_EQ(FForm->cbMode->currentIndex(), 3);
    EXPECT_EQ(FForm->seSplitMax->Value(), 7);
    ASSERT_EQ(FForm->lvCombine->topLevelItemCount(), 2);
    EXPECT_EQ(FForm->lvCombine->topLevelItem(1)->text(jcLocation), "/x/b00002.avi");
    EXPECT_EQ(FForm->lvCombine->topLevelItem(0)->text(jcBatchIdentity), "{A}");
    EXPECT_TRUE(!FForm->lbCombiWarning->isHidden());
    EXPECT_EQ(FForm->JoinTotalText, "Result around: 0h: 00m: 10s ");

    // "Save Project" writes back to the opened file without asking; after New it asks.
    const std::size_t asked = FDialogs.Titles.size();
    FForm->SaveProject1Click();
    EXPECT_EQ(FDialogs.Titles.size(), asked);
    EXPECT_EQ(FPlatform->Recycled().back(), project);
    EXPECT_EQ(ReadBytes(project), bytes);
    FForm->NewProject1Click();
    FForm->SaveProject1Click();
    EXPECT_EQ(FDialogs.Titles.back(), "Save Zendra Project File as");
}

TEST_F(ProjectFilesTest, TextsKeepTheirFormsAndAMissingMovieStillRestoresTheRest)
{
    const std::string movie = FFolder + "/Fériés/gone.avi";
    FForm->MovieFileName = QString::fromStdString(movie);
    FForm->eJoinFilename->setText(QString(255, QLatin1Char('a')));
    FForm->OutFileDlg.FileName = QString(256, QLatin1Char('b'));
    FForm->ClipStartFrame = 40;
    FForm->ClipEndFrame = 90;
    const std::string project = FFolder + "/texts.kvx";
    ASSERT_TRUE(SaveAs(project));
    const Bytes bytes = ReadBytes(project);
    EXPECT_TRUE(Contains(bytes, {0x06, 0xFF, 'a', 'a'}));
    EXPECT_TRUE(Contains(bytes, {0x0C, 0x00, 0x01, 0x00, 0x00, 'b', 'b'}));
    const auto utf8 = static_cast<std::uint8_t>(movie.size());
    EXPECT_TRUE(Contains(bytes, {0x14, utf8, 0x00, 0x00, 0x00}));
    // An empty join list ends the file with 5 and 0.
    EXPECT_EQ(Bytes(bytes.end() - 4, bytes.end()), Bytes({0x02, 0x05, 0x02, 0x00}));

    AddRow({"x", "00001", "0h:00m:01s:00ms", "{X}", "/x"});
    FPlatform->Clear();
    ASSERT_TRUE(Load(project));
    EXPECT_EQ(FPlatform->Messages().at(0), "File " + movie + " does not exists");
    EXPECT_EQ(FForm->MovieFileName.toStdString(), movie);
    EXPECT_EQ(FForm->eJoinFilename->text(), QString(255, QLatin1Char('a')));
    EXPECT_EQ(FForm->OutFileDlg.FileName, QString(256, QLatin1Char('b')));
    EXPECT_EQ(FForm->ClipStartFrame, 40);
    EXPECT_EQ(FForm->ClipEndFrame, 90);
    EXPECT_EQ(FForm->lvCombine->topLevelItemCount(), 0);
}

// The preview must not go on showing the movie of before under the gone movie's name.
TEST_F(ProjectFilesTest, ProjectNamingAGoneMovieLeavesThePreviewEmpty)
{
    const std::string gone = FFolder + "/gone.avi";
    FForm->MovieFileName = QString::fromStdString(gone);
    const std::string project = FFolder + "/gone.kvx";
    ASSERT_TRUE(SaveAs(project));
    ASSERT_TRUE(Open(SamplePath(TSample::Mpeg4Mp3)));
    ASSERT_TRUE(Load(project));
    EXPECT_FALSE(FForm->MovieLoaded);
    EXPECT_EQ(FPlayer->FileName(), "");
    EXPECT_EQ(FForm->TrackBar1->maximum(), 0);
    EXPECT_TRUE(FForm->StatusPanel(2).endsWith("/gone.avi")) << FForm->StatusPanel(2).toStdString();
}

TEST_F(ProjectFilesTest, RestoredRowsAreReadAgainWhenFilesAreAdded)
{
    ASSERT_TRUE(Open(SamplePath(TSample::Mpeg4Mp3)));
    FForm->seSplitMax->SetText("3");
    const std::string folder = FForm->eSplitOutDir->text().toStdString();
    FForm->bStartClick();
    const auto parts = AviFilesIn(folder);
    ASSERT_EQ(parts.size(), 3u);
    FForm->PageControl1->setCurrentIndex(TForm1::RejoinTab);
    FDialogs.FilesAnswers.push_back({parts[2], parts[1]});
    ASSERT_TRUE(FForm->SelectJoinFiles(false));
    const std::string project = FFolder + "/join.kvx";
    ASSERT_TRUE(SaveAs(project));
    ASSERT_TRUE(Load(project));
    EXPECT_EQ(RecordOf(FForm->lvCombine->topLevelItem(0)), nullptr);

    // The restored rows get their run, number and time from their files.
    FPlatform->Clear();
    FDialogs.FilesAnswers.push_back({parts[0], parts[2]});
    FForm->sbAddCombiClick();
    ASSERT_EQ(FForm->lvCombine->topLevelItemCount(), 3);
    for (int i = 0; i < 3; ++i) {
        const TCombiSort* record = RecordOf(FForm->lvCombine->topLevelItem(i));
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(record->FilePath.toStdString(), parts[static_cast<std::size_t>(i)]);
        EXPECT_EQ(record->Info.PartIndex(), i + 1);
    }
    EXPECT_EQ(FForm->JoinTotalText, "Result around: 0h: 00m: 10s ");
    EXPECT_EQ(FPlatform->Messages().back().substr(0, 18), "There are 1 file i");
}

TEST_F(ProjectFilesTest, FailuresSayWhatWentWrong)
{
    // Missing file, wrong mark, wrong kinds, short and hostile data.
    FDialogs.FileAnswers.push_back(FFolder + "/none.kvx");
    EXPECT_FALSE(FForm->LoadProjectFile());
    EXPECT_EQ(FPlatform->Messages().back(), "Project file " + FFolder + "/none.kvx does not exists");

    FForm->eJoinFilename->setText("kept");
    EXPECT_EQ(LoadError({0x06, 0x03, 'k', 'v', 'y', 0x03, 0xE8, 0x03, 0x06, 0x00}), "");
    EXPECT_EQ(FForm->eJoinFilename->text(), "kept");
    EXPECT_EQ(LoadError({0x02, 0x00}), "Invalid property value");
    EXPECT_EQ(LoadError({0x06, 0x03, 'k', 'v', 'x', 0x06, 0x01, 'x'}), "Invalid property value");
    EXPECT_EQ(LoadError({0x06, 0x03, 'k', 'v'}), "Stream read error");
    EXPECT_EQ(LoadError({}), "Stream read error");
    // Lengths past the end and huge counts are refused before anything is allocated by them.
    const Bytes head = {0x06, 0x03, 'k', 'v', 'x', 0x03, 0xE8, 0x03};
    Bytes longText = head;
    longText.insert(longText.end(), {0x14, 0xFF, 0xFF, 0xFF, 0x7F, 'a'});
    EXPECT_EQ(LoadError(longText), "Stream read error");
    Bytes wide = head;
    wide.insert(wide.end(), {0x12, 0xFF, 0xFF, 0xFF, 0xFF});
    EXPECT_EQ(LoadError(wide), "Stream read error");
    Bytes rows = head;
    rows.insert(rows.end(), {0x06, 0x00, 0x06, 0x00, 0x06, 0x00, 0x02, 0x00, 0x02, 0x00, 0x06, 0x00, 0x06, 0x01,
                             'x', 0x02, 0x00, 0x02, 0x05, 0x02, 0x05, 0x04, 0xFF, 0xFF, 0xFF, 0x7F, 0x06, 0x00});
    EXPECT_EQ(LoadError(rows), "Stream read error");
    EXPECT_EQ(FForm->eSplitFilename->text(), "x");  // what was read before the failure stays

    // Saving over a project that is in use.
    const std::string project = FFolder + "/busy.kvx";
    std::ofstream(project) << "x";
    const auto entriesBefore = std::distance(fs::directory_iterator(FFolder), fs::directory_iterator());
    auto readText = [](const std::string& path) {
        std::ifstream in(path);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    FPlatform->FailRecycle(true);
    FForm->SaveProjDlg.FileName = QString::fromStdString(project);
    EXPECT_FALSE(FForm->SaveProjectFile());
    EXPECT_EQ(FPlatform->Messages().back(), "Saving project is canceled. Project file " + project + " is in use");
    EXPECT_EQ(readText(project), "x");  // the old project stays whole, and nothing stands beside it
    EXPECT_EQ(std::distance(fs::directory_iterator(FFolder), fs::directory_iterator()), entriesBefore);
    FPlatform->FailRecycle(false);
    FPlatform->QueueAnswer(TAnswer::Cancel);
    FForm->SaveProjDlg.FileName = QString::fromStdString(FFolder + "/new/p.kvx");
    EXPECT_FALSE(FForm->SaveProjectFile());
    EXPECT_FALSE(fs::exists(FFolder + "/new"));
}

}  // namespace
}  // namespace zendra::test
