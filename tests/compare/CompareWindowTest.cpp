// The compare window driven through its buttons, with scripted answers to its questions.
#include <filesystem>
#include <fstream>

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <gtest/gtest.h>

#include "compare/BinaryCompare.h"
#include "compare/CompareCore.h"
#include "platform/Dialogs.h"
#include "platform/ScriptedPlatform.h"
#include "tests/testkit/AviBuilder.h"
#include "tests/testkit/Samples.h"

namespace zendra::test {
namespace {

class CompareWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FFolder = MakeTempDir("zendra-compare");
        FPlatform.Install();
        SetDialogs(&FDialogs);
    }
    void TearDown() override
    {
        SetDialogs(nullptr);
        SetPlatform(nullptr);
        std::error_code ec;
        std::filesystem::remove_all(FFolder, ec);
    }

    std::string File(const std::string& name, TBytes bytes)
    {
        WriteFileBytes(FFolder + "/" + name, bytes);
        return FFolder + "/" + name;
    }
    template <class T>
    T* Child(const char* name)
    {
        return FWindow.findChild<T*>(QString::fromLatin1(name));
    }
    // Picks both files through the Select buttons and presses Compare.
    void Compare(const std::string& first, const std::string& second)
    {
        FDialogs.FileAnswers = {first, second};
        Child<QToolButton>("sbSet1")->click();
        Child<QToolButton>("sbSet2")->click();
        ASSERT_TRUE(Child<QPushButton>("sbCompare")->isEnabled());
        Child<QPushButton>("sbCompare")->click();
    }
    std::vector<std::string> QuestionTexts() const
    {
        std::vector<std::string> texts;
        for (const auto& q : FPlatform.Questions())
            texts.push_back(q.Text);
        return texts;
    }
    void ExpectIdle()
    {
        EXPECT_FALSE(FWindow.Comparing());
        EXPECT_EQ("Close", Child<QPushButton>("sbClose")->text().toStdString());
        EXPECT_TRUE(Child<QPushButton>("sbCompare")->isEnabled());
        EXPECT_TRUE(Child<QLabel>("lbSoFar")->isHidden());
        EXPECT_TRUE(Child<QProgressBar>("ProgressBar1")->isHidden());
    }

    std::string FFolder;
    TScriptedPlatform FPlatform;
    TScriptedDialogs FDialogs;
    TBinaryCompare FWindow{nullptr};
};

TEST_F(CompareWindowTest, EqualFilesOfThreeBlocks)
{
    const TBytes bytes = Pattern(3000, 1);
    int maximum = -1;
    FPlatform.OnProcessMessages([&] { maximum = Child<QProgressBar>("ProgressBar1")->maximum(); });
    Compare(File("a.bin", bytes), File("b.bin", bytes));
    EXPECT_EQ(2, maximum);
    EXPECT_EQ(4, FPlatform.PumpCount());  // three blocks, then the end of the file
    EXPECT_TRUE(FPlatform.Questions().empty());
    EXPECT_EQ(std::vector<std::string>{"These two files are identical"}, FPlatform.Messages());
    ExpectIdle();
}

TEST_F(CompareWindowTest, SizeQuestionNamesBothSizesInWholeKilobytes)
{
    const std::string a = File("a.bin", TBytes(1048576, 7));
    const std::string b = File("b.bin", TBytes(1048000, 7));
    FPlatform.QueueAnswer(TAnswer::Cancel);
    Compare(a, b);
    ASSERT_EQ(1u, FPlatform.Questions().size());
    EXPECT_EQ("File size is different slightly.\n" + a + " size is :1024kb.\n" + b +
                  " size is :1023kb.\nContinue the binary compare?",
              FPlatform.Questions()[0].Text);
    EXPECT_EQ(TButtons::OKCancel, FPlatform.Questions()[0].Buttons);
    EXPECT_TRUE(FPlatform.Messages().empty());
    ExpectIdle();

    // A tenth larger: no " slightly"; OK compares the common length, which does not make
    // files of different sizes identical.
    FPlatform.Clear();
    Compare(File("c.bin", TBytes(1100, 7)), File("d.bin", TBytes(1000, 7)));
    EXPECT_EQ(0u, FPlatform.Questions()[0].Text.find("File size is different.\n"));
    EXPECT_EQ(std::vector<std::string>{"The first 1000 bytes are identical"}, FPlatform.Messages());
}

TEST_F(CompareWindowTest, AMillionthOfSizeDifferenceIsNotAsked)
{
    const TBytes bytes = Pattern(2000000, 2);
    Compare(File("a.bin", bytes), File("b.bin", TBytes(bytes.begin(), bytes.end() - 1)));
    EXPECT_TRUE(FPlatform.Questions().empty());
    EXPECT_EQ(std::vector<std::string>{"The first 1999999 bytes are identical"}, FPlatform.Messages());
}

// The shorter file's last block is not compared against stale bytes of an earlier block.
TEST_F(CompareWindowTest, LastBlocksOfDifferentLengthCompareWhatBothHold)
{
    TBytes longer = Pattern(2100, 3);
    TBytes shorter(longer.begin(), longer.begin() + 1100);
    for (auto [first, second] : {std::pair{longer, shorter}, std::pair{shorter, longer}}) {
        FPlatform.Clear();
        Compare(File("first.bin", first), File("second.bin", second));
        EXPECT_EQ(std::vector<std::string>{"The first 1100 bytes are identical"}, FPlatform.Messages());
    }
}

TEST_F(CompareWindowTest, FirstDifferenceOfABlockIsAskedAboutThenTheNextBlock)
{
    TBytes a = Pattern(5000, 4);
    TBytes b = a;
    b[5] ^= 1;
    b[10] ^= 1;
    b[4565] ^= 1;  // in the fifth block
    FPlatform.QueueAnswer(TAnswer::Yes);
    FPlatform.QueueAnswer(TAnswer::Yes);
    Compare(File("a.bin", a), File("b.bin", b));
    EXPECT_EQ((std::vector<std::string>{
                  "Difference is found at position 0000:0005\nSkip a little and continue to compare?",
                  "Difference is found at position 0000:11D5\nSkip a little and continue to compare?"}),
              QuestionTexts());
    EXPECT_EQ(TButtons::YesNo, FPlatform.Questions()[0].Buttons);
    // Differences were reported: the end brings no identical message.
    EXPECT_TRUE(FPlatform.Messages().empty());
    ExpectIdle();

    FPlatform.Clear();
    FPlatform.QueueAnswer(TAnswer::No);
    Child<QPushButton>("sbCompare")->click();
    EXPECT_EQ(1u, FPlatform.Questions().size());
}

TEST_F(CompareWindowTest, IndexHintOnlyInTheLastTenthOfAPerCent)
{
    const TBytes a(1000000, 0);
    for (std::int32_t position : {999500, 998000}) {
        TBytes b = a;
        b[static_cast<std::size_t>(position)] = 1;
        FPlatform.Clear();
        Compare(File("a.bin", a), File("b.bin", b));
        ASSERT_EQ(1u, FPlatform.Questions().size());
        const std::string hint = ".\nBase on the position, most likely the difference is on the index offset\n";
        EXPECT_EQ(position == 999500, FPlatform.Questions()[0].Text.find(hint) != std::string::npos)
            << FPlatform.Questions()[0].Text;
        EXPECT_EQ(0u, FPlatform.Questions()[0].Text.find("Difference is found at position " +
                                                          ComparePositionText(position)));
    }
    EXPECT_EQ("0001:2345", ComparePositionText(74565));
}

TEST_F(CompareWindowTest, BreakAsksToStopAtTheNextBlock)
{
    const TBytes bytes = Pattern(20 * 1024, 5);
    const std::string a = File("a.bin", bytes), b = File("b.bin", bytes);
    auto* closeButton = Child<QPushButton>("sbClose");
    std::string captionWhileComparing;
    FPlatform.OnProcessMessages([&] {
        if (FPlatform.PumpCount() == 3) {
            captionWhileComparing = closeButton->text().toStdString();
            closeButton->click();
        }
    });
    FPlatform.QueueAnswer(TAnswer::Cancel);  // go on after the first Break
    Compare(a, b);
    EXPECT_EQ("Break", captionWhileComparing);
    EXPECT_EQ(std::vector<std::string>{"Stop the process?"}, QuestionTexts());
    EXPECT_EQ(std::vector<std::string>{"These two files are identical"}, FPlatform.Messages());

    FPlatform.Clear();
    FPlatform.QueueAnswer(TAnswer::OK);
    Child<QPushButton>("sbCompare")->click();
    EXPECT_EQ(std::vector<std::string>{"Stop the process?"}, QuestionTexts());
    EXPECT_TRUE(FPlatform.Messages().empty());
    EXPECT_EQ(3, FPlatform.PumpCount());
    ExpectIdle();
}

TEST_F(CompareWindowTest, SelectingEnablesCompareOnlyForTwoExistingFiles)
{
    const std::string a = File("a.bin", TBytes(10, 1));
    auto* compare = Child<QPushButton>("sbCompare");
    EXPECT_FALSE(compare->isEnabled());
    FDialogs.FileAnswers = {a, a};
    Child<QToolButton>("sbSet1")->click();
    EXPECT_FALSE(compare->isEnabled());
    Child<QToolButton>("sbSet2")->click();
    EXPECT_TRUE(compare->isEnabled());
    // A cancelled dialog leaves Compare disabled although both edits still name files.
    Child<QToolButton>("sbSet2")->click();
    EXPECT_FALSE(compare->isEnabled());
    EXPECT_EQ(QString::fromStdString(a), Child<QLineEdit>("Edit2")->text());
}

// A file that shrinks or grows under the compare is never called identical, and nothing past
// the sizes taken at the start is read.
TEST_F(CompareWindowTest, AFileThatChangesDuringTheCompareIsReported)
{
    const TBytes bytes = Pattern(5000, 6);
    const std::string a = File("a.bin", bytes);
    const std::string b = File("b.bin", bytes);
    FPlatform.OnProcessMessages([&] {
        if (FPlatform.PumpCount() == 2)
            std::filesystem::resize_file(b, 1500);
    });
    Compare(a, b);
    EXPECT_TRUE(FPlatform.Questions().empty());
    EXPECT_EQ(std::vector<std::string>{b + " changed during the compare: its size went from 5000 to 1500 bytes.\n"
                                           "The first 1500 bytes are identical"},
              FPlatform.Messages());
    ExpectIdle();

    // The shorter file grows by bytes unlike the longer one's: they lie past its start size.
    FPlatform.Clear();
    const std::string c = File("c.bin", TBytes(bytes.begin(), bytes.begin() + 3000));
    FPlatform.OnProcessMessages([&] {
        if (FPlatform.PumpCount() == 2) {
            std::ofstream grow(c, std::ios::binary | std::ios::app);
            grow << std::string(4000, '\xEE');
        }
    });
    Compare(a, c);  // the size question is answered OK
    ASSERT_EQ(1u, FPlatform.Questions().size());
    EXPECT_EQ(0u, FPlatform.Questions()[0].Text.find("File size is different.\n"));
    EXPECT_EQ(std::vector<std::string>{c + " changed during the compare: its size went from 3000 to 7000 bytes.\n"
                                           "The first 3000 bytes are identical"},
              FPlatform.Messages());
}

TEST_F(CompareWindowTest, SelectButtonsAreDisabledWhileComparing)
{
    const TBytes bytes = Pattern(8 * 1024, 7);
    const std::string a = File("a.bin", bytes), b = File("b.bin", bytes);
    const std::string other = File("other.bin", TBytes(10, 1));
    auto* select1 = Child<QToolButton>("sbSet1");
    auto* select2 = Child<QToolButton>("sbSet2");
    bool enabledWhileComparing = true;
    FPlatform.OnProcessMessages([&] {
        if (FPlatform.PumpCount() != 3)
            return;
        enabledWhileComparing = select1->isEnabled() || select2->isEnabled();
        FDialogs.FileAnswers = {other};
        select1->click();
    });
    Compare(a, b);
    EXPECT_FALSE(enabledWhileComparing);
    EXPECT_EQ(QString::fromStdString(a), Child<QLineEdit>("Edit1")->text());
    EXPECT_EQ(std::vector<std::string>{"These two files are identical"}, FPlatform.Messages());
    EXPECT_TRUE(select1->isEnabled());
    EXPECT_TRUE(select2->isEnabled());
    ExpectIdle();
}

TEST_F(CompareWindowTest, EmptyOrTooLargeFiles)
{
    const std::string a = File("a.bin", TBytes(10, 1));
    Compare(a, File("empty.bin", {}));
    EXPECT_TRUE(FPlatform.Messages().empty());
    EXPECT_TRUE(FPlatform.Questions().empty());

    // A sparse file: 2 GiB without the disk space.
    const std::string large = FFolder + "/large.bin";
    WriteFileBytes(large, {1});
    std::filesystem::resize_file(large, std::uintmax_t{1} << 31);
    Compare(a, large);
    EXPECT_EQ(std::vector<std::string>{TooLargeText(large)}, FPlatform.Messages());
    EXPECT_TRUE(FPlatform.Questions().empty());
    EXPECT_EQ(0, FPlatform.PumpCount());
    EXPECT_FALSE(FWindow.Comparing());
}

}  // namespace
}  // namespace zendra::test
