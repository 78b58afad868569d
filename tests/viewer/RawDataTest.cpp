// The raw data grid: pages around a chunk, brackets outside it, and the readouts.
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QAbstractItemModel>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStatusBar>
#include <QTableWidget>
#include <QToolButton>

#include "tests/viewer/ViewerTestKit.h"
#include "viewer/FrameList.h"
#include "viewer/FrameListView.h"
#include "viewer/MainStruct.h"
#include "viewer/RawPage.h"

namespace zendra::test {
namespace {

class RawPageTest : public ViewerTest {
protected:
    // A file whose byte at position p holds p & 0xFF (zero every 256 bytes).
    std::string CountingFile(std::size_t size)
    {
        TBytes bytes(size);
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<std::uint8_t>(i);
        return Write("counting.bin", bytes);
    }
};

TEST_F(RawPageTest, BytesOutsideTheChunkAreBracketed)
{
    const std::string path = CountingFile(0x1600);
    TRawPage page;
    // A chunk at 0x1234 with 300 data bytes ends (after its 8-byte header) at 0x1368.
    ASSERT_TRUE(ReadRawPage(path, 0x1234, 300, 0, false, page));
    EXPECT_EQ(0x1200u, page.TopLeft);
    ASSERT_EQ(256u, page.Cells.size());
    EXPECT_EQ("[00]", page.Cells[0]);
    EXPECT_EQ("[33]", page.Cells[0x33]);
    EXPECT_EQ("34", page.Cells[0x34]);
    EXPECT_EQ("FF", page.Cells[0xFF]);

    ASSERT_TRUE(ReadRawPage(path, 0x1234, 300, 1, false, page));
    EXPECT_EQ(0x1300u, page.TopLeft);
    EXPECT_EQ("67", page.Cells[0x67]);
    EXPECT_EQ("[68]", page.Cells[0x68]);
    EXPECT_EQ("[FF]", page.Cells[0xFF]);

    // Char mode: bytes below 32 are two blanks, bracketed as well outside the chunk.
    ASSERT_TRUE(ReadRawPage(path, 0x1234, 300, 0, true, page));
    EXPECT_EQ("[  ]", page.Cells[0]);
    EXPECT_EQ("A", page.Cells[0x41]);
    ASSERT_TRUE(ReadRawPage(path, 0x1234, 300, 1, true, page));
    EXPECT_EQ("  ", page.Cells[0x1F]);
    EXPECT_EQ("[\xC3\xBF]", page.Cells[0xFF]);  // ÿ
}

TEST_F(RawPageTest, AChunkRunningPastTheEndShowsOnlyExistingBytes)
{
    const std::string path = CountingFile(0x1310);
    TRawPage page;
    ASSERT_TRUE(ReadRawPage(path, 0x1234, 0x100000, 1, false, page));
    EXPECT_EQ(16u, page.Cells.size());
    ASSERT_TRUE(ReadRawPage(path, 0x1234, 0x100000, 5, false, page));
    EXPECT_TRUE(page.Cells.empty());
    // Offsets far past the file (and the 32-bit end of a chunk) read nothing and do not wrap.
    ASSERT_TRUE(ReadRawPage(path, 0xFFFFFF00, 0xFFFFFFFF, 0x00FFFFFF, false, page));
    EXPECT_TRUE(page.Cells.empty());
    EXPECT_FALSE(ReadRawPage(Path("missing.bin"), 0, 10, 0, false, page));
}

TEST_F(RawPageTest, ReadoutsAreLittleEndianAndNeedFourBytes)
{
    TBytes bytes(64, 0);
    bytes[20] = 1, bytes[21] = 2, bytes[22] = 3, bytes[23] = 4;
    const std::string path = Write("values.bin", bytes);
    TCellValues values;
    ASSERT_TRUE(ReadCellValues(path, 20, values));
    EXPECT_EQ("As  Byte:           1", ReadoutText("As  Byte:", values.Byte));
    EXPECT_EQ("As  WORD:         513", ReadoutText("As  WORD:", values.Word));
    EXPECT_EQ("As DWORD:    67305985", ReadoutText("As DWORD:", values.DWord));
    EXPECT_TRUE(ReadCellValues(path, 60, values));
    EXPECT_FALSE(ReadCellValues(path, 61, values));
}

// The grid in the window: a chunk whose data begins with 01 02 03 04.
class RawDataGridTest : public ViewerTest {
protected:
    void LoadMovie(std::uint32_t firstLength)
    {
        TBytes data = Pattern(firstLength, 3);
        data[0] = 1, data[1] = 2, data[2] = 3, data[3] = 4;
        TAviBuilder builder;
        builder.Video().Chunk({"00dc", 0x10, data}).Frame(false, 255).Frame(false, 300);
        FBuilder = builder;
        FPath = Write("grid.avi", builder);
        ASSERT_TRUE(FForm.LoadFile(QString::fromStdString(FPath)));
        FList = FForm.findChild<TFrameListView*>(QStringLiteral("lbData"));
        FGrid = FForm.findChild<QTableWidget*>(QStringLiteral("sgData"));
        FScroll = FForm.findChild<QScrollBar*>(QStringLiteral("sbData"));
        FPanels = FForm.findChild<QStatusBar*>(QStringLiteral("StatusBar1"))->findChildren<QLabel*>();
    }
    QString Cell(std::uint64_t position) const
    {
        const std::uint64_t top = FChunk & ~0xFFull;
        const auto* item = FGrid->item(static_cast<int>((position - top) / 16), static_cast<int>((position - top) % 16));
        return item ? item->text() : QString();
    }
    void SelectLine(int row) { FList->setCurrentRow(row); }
    int LineCount() const { return FList->model()->rowCount(); }
    QString Label(const char* name) const { return FForm.findChild<QLabel*>(QString::fromLatin1(name))->text(); }

    TMainStructForm FForm{nullptr};
    TAviBuilder FBuilder;
    std::string FPath;
    std::uint32_t FChunk = 0;
    TFrameListView* FList = nullptr;
    QTableWidget* FGrid = nullptr;
    QScrollBar* FScroll = nullptr;
    QList<QLabel*> FPanels;
};

TEST_F(RawDataGridTest, SelectingALineShowsItsChunkAndClickingReadsValues)
{
    LoadMovie(40);
    EXPECT_FALSE(FScroll->isEnabled());
    ASSERT_EQ(3, LineCount());
    FChunk = FBuilder.MovieDataPosition() + 4;
    SelectLine(0);
    EXPECT_TRUE(FScroll->isEnabled());
    EXPECT_EQ(static_cast<int>(((FChunk & 0xFF) + 47) / 256), FScroll->maximum());
    EXPECT_EQ(QStringLiteral("Left top Position: ") + QString::fromStdString(OffsetText(FChunk & ~0xFFu)),
              FPanels[0]->text());
    EXPECT_EQ(QStringLiteral("30"), Cell(FChunk));        // '0' of "00dc"
    EXPECT_EQ(QStringLiteral("01"), Cell(FChunk + 8));
    EXPECT_TRUE(Cell(FChunk - 1).startsWith('['));
    EXPECT_FALSE(Cell(FChunk + 47).startsWith('['));
    // The next chunk's id, when it is on the same page.
    if (((FChunk + 48) & ~0xFFu) == (FChunk & ~0xFFu)) {
        EXPECT_EQ(QStringLiteral("[30]"), Cell(FChunk + 48));
    }

    const std::uint64_t at = FChunk + 8 - (FChunk & ~0xFFu);
    const int row = static_cast<int>(at / 16), column = static_cast<int>(at % 16);
    FGrid->setCurrentCell(row, column);
    emit FGrid->cellClicked(row, column);
    EXPECT_EQ("As  Byte:           1", Label("lbAsByte").toStdString());
    EXPECT_EQ("As  WORD:         513", Label("lbAsWORD").toStdString());
    EXPECT_EQ("As DWORD:    67305985", Label("lbAsDWORD").toStdString());

    const QRect cellRect = FGrid->visualRect(FGrid->model()->index(row, column));
    QMouseEvent move(QEvent::MouseMove, cellRect.center(), FGrid->viewport()->mapToGlobal(cellRect.center()),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(FGrid->viewport(), &move);
    EXPECT_EQ(QStringLiteral("Cell Position: ") + QString::fromStdString(OffsetText(FChunk + 8)), FPanels[1]->text());

    // Char mode redraws the same page.
    FForm.findChild<QToolButton*>(QStringLiteral("sbChar"))->click();
    EXPECT_EQ(QStringLiteral("0"), Cell(FChunk));
    EXPECT_EQ(QStringLiteral("  "), Cell(FChunk + 8));
}

// The last page holds the chunk's last byte wherever the chunk starts within its page.
TEST_F(RawDataGridTest, ScrollBarReachesTheLastByteOfTheChunk)
{
    LoadMovie(40);
    const TStructState& state = FForm.State();
    for (int line : {1, 2}) {  // 255 and 300 data bytes
        SCOPED_TRACE(line);
        SelectLine(line);
        const IndexEntry& entry = *state.VideoEntries[static_cast<std::size_t>(line)];
        FChunk = ChunkPosition(entry, state.Records.RelativeIndex, state.Records.MovieDataPosition);
        const std::uint32_t lastByte = FChunk + 8 + entry.Length - 1;
        EXPECT_EQ(static_cast<int>(((FChunk & 0xFF) + 8 + entry.Length - 1) / 256), FScroll->maximum());
        FScroll->setValue(FScroll->maximum());
        EXPECT_EQ(QStringLiteral("Left top Position: ") + QString::fromStdString(OffsetText(lastByte & ~0xFFu)),
                  FPanels[0]->text());
        const auto* cell = FGrid->item(static_cast<int>((lastByte & 0xFF) / 16), static_cast<int>(lastByte % 16));
        ASSERT_NE(nullptr, cell);
        EXPECT_FALSE(cell->text().startsWith('['));
    }
}

// The frame list draws its lines itself: keys and clicks choose a line as a list does.
TEST_F(RawDataGridTest, KeysAndClicksChooseALine)
{
    LoadMovie(40);
    FList->resize(300, 200);
    int chosen = -2;
    QObject::connect(FList, &TFrameListView::currentRowChanged, [&](int row) { chosen = row; });
    QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::NoModifier);
    QCoreApplication::sendEvent(FList, &end);
    EXPECT_EQ(2, chosen);
    EXPECT_EQ(1, FScroll->maximum());  // the 300-byte chunk's pages
    QKeyEvent up(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
    QCoreApplication::sendEvent(FList, &up);
    EXPECT_EQ(1, FList->currentRow());

    const int lineHeight = FList->fontMetrics().height() + 2;
    const QPointF onFirst(10, lineHeight / 2);
    QMouseEvent press(QEvent::MouseButtonPress, onFirst, FList->viewport()->mapToGlobal(onFirst), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(FList->viewport(), &press);
    EXPECT_EQ(0, chosen);
    EXPECT_TRUE(FScroll->isEnabled());
}

TEST_F(RawPageTest, LastPageHoldsTheLastByteOfTheChunk)
{
    // 0x1234 + 8 + 255 - 1 = 0x133A: page 1; the length alone would give page 0.
    EXPECT_EQ(1, LastRawPage(0x1234, 255));
    EXPECT_EQ(1, LastRawPage(0x1234, 300));
    EXPECT_EQ(0, LastRawPage(0x1200, 248));  // the last byte is 0x12FF
    EXPECT_EQ(1, LastRawPage(0x1200, 249));
    EXPECT_EQ(0, LastRawPage(0x12F8, 0));    // a chunk of its header only, up to 0x12FF
    EXPECT_EQ(1, LastRawPage(0x12F9, 0));
    EXPECT_EQ(0x1000000, LastRawPage(0xFFFFFF00, 0xFFFFFFFF));

    const std::string path = CountingFile(0x1600);
    TRawPage page;
    ASSERT_TRUE(ReadRawPage(path, 0x1234, 255, LastRawPage(0x1234, 255), false, page));
    EXPECT_EQ("3A", page.Cells[0x3A]);
    EXPECT_EQ("[3B]", page.Cells[0x3B]);
}

}  // namespace
}  // namespace zendra::test
