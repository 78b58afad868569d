// The Split tab's size mode: its field, the part count it gives, the run, and project files.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/SpinEdit.h"
#include "app/jobs/SplitMode.h"
#include "engine/Zendra.h"
#include "tests/app/JobsFixture.h"

namespace fs = std::filesystem;

namespace zendra::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kSizeItem = SplitModeNumber(TSplitMode::BySize);

Bytes ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

class SplitBySizeTest : public JobsFixture {
protected:
    void SetUp() override
    {
        JobsFixture::SetUp();
        Movie = SamplePath(TSample::Mpeg4Mp3);
        ASSERT_TRUE(Open(Movie));
    }
    // 0.06 MB (the field's steps are hundredths): a few parts of the 10-second sample.
    static constexpr std::uint64_t kSmallLimit = 62915;
    void PickSize(double megabytes = 0.06) { FForm->seSplitSize->setValue(megabytes); }

    std::size_t PlannedParts(std::uint64_t bytes) const
    {
        std::vector<std::int32_t> starts;
        TZendra(Movie).PlanPartsBySize(starts, bytes);
        return starts.size();
    }

    std::string Movie;
};

TEST_F(SplitBySizeTest, TheModeComesAfterCustomAndASizePicksIt)
{
    ASSERT_EQ(FForm->cbMode->count(), 5);
    EXPECT_EQ(FForm->cbMode->itemText(3), "Custom");
    EXPECT_EQ(FForm->cbMode->itemText(4), "By size");
    EXPECT_EQ(FForm->cbMode->currentText(), "Optimal");

    PickSize();
    EXPECT_EQ(FForm->cbMode->currentIndex(), kSizeItem);
    EXPECT_EQ(FForm->SplitSizeBytes(), kSmallLimit);
    EXPECT_EQ(static_cast<std::size_t>(FForm->seSplitMax->Value()), PlannedParts(kSmallLimit));

    // Typing a count of one's own still means "Custom".
    FForm->seSplitMax->SetText("3");
    EXPECT_EQ(FForm->cbMode->currentText(), "Custom");
    FForm->cbMode->setCurrentIndex(kSizeItem);
    FForm->cbModeChange();
    EXPECT_EQ(static_cast<std::size_t>(FForm->seSplitMax->Value()), PlannedParts(kSmallLimit));
}

TEST_F(SplitBySizeTest, StartWritesPartsWithinTheSize)
{
    PickSize();
    const std::string folder = FForm->eSplitOutDir->text().toStdString();
    FForm->bStartClick();
    const auto parts = AviFilesIn(folder);
    EXPECT_EQ(parts.size(), PlannedParts(kSmallLimit));
    ASSERT_GE(parts.size(), 2u);
    long frames = 0;
    for (const std::string& part : parts) {
        EXPECT_LE(fs::file_size(part), kSmallLimit) << part;
        frames += Probe(part).Frames;
    }
    EXPECT_EQ(frames, Probe(Movie).Frames);
}

TEST_F(SplitBySizeTest, ASizeBelowOneGroupIsRefusedAtStart)
{
    PickSize(0.01);  // 10 KiB: the sample's first group alone is larger
    EXPECT_EQ(FForm->cbMode->currentIndex(), kSizeItem);
    EXPECT_TRUE(FForm->seSplitSize->toolTip().startsWith("Can not split into parts of at most 10486 bytes"))
        << FForm->seSplitSize->toolTip().toStdString();
    const std::string folder = FForm->eSplitOutDir->text().toStdString();
    try {
        FForm->bStartClick();
        ADD_FAILURE() << "Start went on";
    } catch (const EZendraError& e) {
        EXPECT_NE(std::string(e.what()).find("alone makes a part of"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(AviFilesIn(folder).empty());
    PickSize();
    EXPECT_TRUE(FForm->seSplitSize->toolTip().isEmpty());
}

TEST_F(SplitBySizeTest, ProjectFilesKeepTheModeAndTheSize)
{
    // A project of another mode is written exactly as before: nothing after the join rows.
    FForm->seSplitMax->SetText("4");
    const std::string custom = FFolder + "/custom.kvx";
    FDialogs.FileAnswers.push_back(custom);
    FForm->SaveProjectas1Click();

    PickSize(0.5);
    const std::string sized = FFolder + "/sized.kvx";
    FDialogs.FileAnswers.push_back(sized);
    FForm->SaveProjectas1Click();
    const Bytes a = ReadBytes(custom), b = ReadBytes(sized);
    ASSERT_EQ(b.size(), a.size() + 5);  // the mode's number, and the size as a 32-bit integer
    const Bytes tail(b.end() - 5, b.end());
    EXPECT_EQ(tail, Bytes({0x04, 0x00, 0x00, 0x08, 0x00}));  // 512 KiB

    FForm->NewProject1Click();
    FForm->seSplitSize->setValue(700);
    FDialogs.FileAnswers.push_back(sized);
    ASSERT_TRUE(FForm->LoadProjectFile());
    EXPECT_EQ(FForm->cbMode->currentIndex(), kSizeItem);
    EXPECT_EQ(FForm->SplitSizeBytes(), 512u * 1024);

    FDialogs.FileAnswers.push_back(custom);
    ASSERT_TRUE(FForm->LoadProjectFile());
    EXPECT_EQ(FForm->cbMode->currentText(), "Custom");
    EXPECT_EQ(FForm->seSplitMax->Value(), 4);
}

}  // namespace
}  // namespace zendra::test
