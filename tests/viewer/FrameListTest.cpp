// The frame list: the fixed-width lines, the frame modes, and zendra-cli's index listing.
#include <QComboBox>
#include <QAbstractItemModel>
#include <QToolButton>

#include "tests/testkit/Samples.h"
#include "tests/viewer/ViewerTestKit.h"
#include "viewer/FrameList.h"
#include "viewer/FrameListView.h"
#include "viewer/MainStruct.h"

namespace zendra::test {
namespace {

IndexEntry Entry(const char* id, std::uint32_t flags, std::uint32_t offset, std::uint32_t length)
{
    return {MakeFourCC(id[0], id[1], id[2], id[3]), flags, offset, length};
}

TEST(FrameLine, FixedWidthColumns)
{
    EXPECT_EQ("0001:2A3C", OffsetText(0x12A3C));
    EXPECT_EQ("FFFF:0000", OffsetText(0xFFFF0000));
    // Past 4 GiB (an OpenDML movie) the high word grows a digit rather than wrapping.
    EXPECT_EQ("14000:2A3C", OffsetText(0x140002A3CULL));

    const std::string key = FrameLineText(Entry("00dc", 0x10, 0, 4530), 12, true, 0x2A3C);
    EXPECT_EQ("V    00000012  Key     0000:2A3C       4530", key);
    EXPECT_EQ(43u, key.size());
    // Without the key flag, and for audio even with it, the flags show in hexadecimal.
    EXPECT_EQ("V    00000013  0000    0000:2A3C          0", FrameLineText(Entry("00dc", 0, 0, 0), 13, true, 0x2A3C));
    EXPECT_EQ("A    00000000  0010    0001:0000         40", FrameLineText(Entry("01wb", 0x10, 0, 40), 0, false, 0x10000));
    EXPECT_EQ("V    00000001  12345   ", FrameLineText(Entry("00db", 0x12345, 0, 1), 1, true, 0).substr(0, 23));
    for (std::uint32_t length : {0u, 99999999u, 4294967295u})
        EXPECT_EQ(43u, FrameLineText(Entry("01wb", 0xABCDEF12, 0, length), 99999999, false, 0).size());
}

TEST(FrameLine, ModesChooseTheEntries)
{
    const IndexEntry key = Entry("00dc", 0x10, 0, 1), delta = Entry("00dc", 0, 0, 1), audio = Entry("01wb", 0x10, 0, 1),
                      other = Entry("ix00", 0x10, 0, 1);
    const bool expected[4][4] = {// key, delta, audio, other
                                 {true, true, true, false},
                                 {false, false, true, false},
                                 {true, true, false, false},
                                 {true, false, false, false}};
    for (int mode = 0; mode < 4; ++mode) {
        EXPECT_EQ(expected[mode][0], FrameLineWanted(mode, key)) << mode;
        EXPECT_EQ(expected[mode][1], FrameLineWanted(mode, delta)) << mode;
        EXPECT_EQ(expected[mode][2], FrameLineWanted(mode, audio)) << mode;
        EXPECT_EQ(expected[mode][3], FrameLineWanted(mode, other)) << mode;
    }
}

class FrameListTest : public ViewerTest {
protected:
    QStringList Lines(const TMainStructForm& form)
    {
        QStringList lines;
        const QAbstractItemModel* list = form.findChild<TFrameListView*>(QStringLiteral("lbData"))->model();
        for (int i = 0; i < list->rowCount(); ++i)
            lines << list->index(i, 0).data().toString();
        return lines;
    }
};

TEST_F(FrameListTest, EachModeListsItsEntriesNumberedAmongAllOfTheirKind)
{
    TAviBuilder builder;
    builder.Video().Audio().Interleaved(30, 12);
    const std::string path = Write("modes.avi", builder);
    FDialogs.FileAnswers.push_back(path);

    TMainStructForm form(nullptr);
    auto* modes = form.findChild<QComboBox*>(QStringLiteral("cbFrameMode"));
    ASSERT_EQ(4, modes->count());
    EXPECT_EQ("Video and audio frame", modes->itemText(0).toStdString());
    EXPECT_EQ("Video key-frame only", modes->itemText(3).toStdString());
    // Opening a file switches to key frames only.
    form.findChild<QToolButton*>(QStringLiteral("sbOpen1"))->click();
    EXPECT_EQ(3, modes->currentIndex());
    QStringList lines = Lines(form);
    ASSERT_EQ(3, lines.size());
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(QStringLiteral("V    %1  Key").arg(i * 12, 8, 10, QLatin1Char('0')), lines[i].left(18));

    modes->setCurrentIndex(1);
    lines = Lines(form);
    ASSERT_EQ(30, lines.size());
    EXPECT_TRUE(lines.last().startsWith(QStringLiteral("A    00000029  0010")));

    modes->setCurrentIndex(2);
    EXPECT_EQ(30, Lines(form).size());
    EXPECT_TRUE(Lines(form)[1].startsWith(QStringLiteral("V    00000001  0000")));

    modes->setCurrentIndex(0);
    lines = Lines(form);
    ASSERT_EQ(60, lines.size());
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("V    00000000")));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("A    00000000")));
}

// zendra-cli reads the index with the engine; its lines must match the viewer's own walk.
TEST_F(FrameListTest, CommandLineIndexMatchesTheViewer)
{
    if (!HaveFfmpeg())
        GTEST_SKIP() << "ffmpeg is not installed";
    for (TSample sample : {TSample::Mpeg4Mp3, TSample::MjpegPcm}) {
        const std::string path = SamplePath(sample);
        TMainStructForm form(nullptr);
        // Mode 0 is the box's design-time choice.
        ASSERT_TRUE(form.LoadFile(QString::fromStdString(path)));
        std::string out;
        ASSERT_EQ(0, RunCommand(std::string(ZENDRA_CLI_PATH) + " info --index " + ShellQuote(path), &out));
        QStringList cliLines;
        for (const QString& line : QString::fromStdString(out).split('\n'))
            if (line.startsWith(QStringLiteral("V    ")) || line.startsWith(QStringLiteral("A    ")))
                cliLines << line;
        const QStringList viewerLines = Lines(form);
        EXPECT_GT(viewerLines.size(), 100);
        EXPECT_EQ(viewerLines, cliLines) << SampleName(sample);
    }
}

}  // namespace
}  // namespace zendra::test
