// The viewer on files far larger than its samples: an index of millions of entries, and
// megabytes of zero padding before the movie list.
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QAbstractItemModel>
#include <QTabWidget>
#include <QTreeWidget>

#include "tests/viewer/ViewerTestKit.h"
#include "viewer/FrameList.h"
#include "viewer/FrameListView.h"
#include "viewer/MainStruct.h"

namespace zendra::test {
namespace {

// A field of /proc/self/status in kB ("VmRSS:", "VmHWM:"), or -1.
std::int64_t StatusKb(const std::string& field)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.compare(0, field.size(), field) == 0)
            return std::stoll(line.substr(field.size()));
    return -1;
}

// Starts the peak resident size afresh; false where the kernel does not offer it.
bool ResetPeakMemory()
{
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return clear.good();
}

class LargeFileTest : public ViewerTest {
protected:
    // A one-frame movie whose idx1 holds `entries` key-frame entries.
    std::string LargeIndexMovie(std::uint32_t entries)
    {
        TAviBuilder builder;
        builder.Video().Frame(true, 100);
        TBytes bytes = builder.Build();
        const std::size_t indexAt = bytes.size() - 8 - 16;  // idx1 with its one entry ends the file
        EXPECT_EQ(0, std::memcmp(&bytes[indexAt], "idx1", 4));
        bytes.resize(indexAt);
        AppendFourCC(bytes, "idx1");
        AppendU32(bytes, entries * 16);
        const std::string path = Path("large-index.avi");
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        TBytes block;
        for (int i = 0; i < 4096; ++i) {
            AppendFourCC(block, "00dc");
            AppendU32(block, 0x10);
            AppendU32(block, 4);
            AppendU32(block, 100);
        }
        for (std::uint32_t written = 0; written < entries; written += 4096) {
            const std::uint32_t n = std::min<std::uint32_t>(4096, entries - written);
            out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(n * 16));
        }
        return path;
    }

    // A small movie with `padding` zero bytes (a hole, so no disk space) before its movi list.
    std::string PaddedMovie(std::uint64_t padding)
    {
        TAviBuilder builder;
        builder.Video().Audio().Interleaved(10, 5);
        const TBytes bytes = builder.Build();
        const std::size_t listAt = builder.MovieDataPosition() - 8;
        const std::string path = Path("padded.avi");
        WriteFileBytes(path, TBytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(listAt)));
        std::filesystem::resize_file(path, listAt + padding);
        std::ofstream out(path, std::ios::binary | std::ios::app);
        out.write(reinterpret_cast<const char*>(bytes.data() + listAt), static_cast<std::streamsize>(bytes.size() - listAt));
        return path;
    }

    bool HasDataSizeRow() const
    {
        return !RowValue(FForm.findChild<QTreeWidget*>(QStringLiteral("lvMainHeader")), QStringLiteral("Data size"))
                    .startsWith(QStringLiteral("<missing"));
    }
    const QAbstractItemModel* Lines() const { return FForm.findChild<TFrameListView*>(QStringLiteral("lbData"))->model(); }

    TMainStructForm FForm{nullptr};
};

// Each listed entry costs its 16 bytes and a few more, not a text and a list item of its own.
TEST_F(LargeFileTest, TwoMillionIndexEntriesStayWithinTheirMemoryBound)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer's shadow memory and red zones make the figure meaningless";
#endif
    constexpr std::uint32_t kEntries = 2000000;
    const std::string path = LargeIndexMovie(kEntries);
    FForm.show();
    FForm.findChild<QTabWidget*>(QStringLiteral("PageControl1"))->setCurrentIndex(1);
    QCoreApplication::processEvents();
    const bool peakKnown = ResetPeakMemory();
    const std::int64_t before = StatusKb("VmRSS:");
    ASSERT_GT(before, 0);
    ASSERT_TRUE(FForm.LoadFile(QString::fromStdString(path)));
    QCoreApplication::processEvents();  // the list lays itself out
    const std::int64_t after = StatusKb(peakKnown ? "VmHWM:" : "VmRSS:");
    RecordProperty("memory_growth_kb", static_cast<int>(after - before));
    RecordProperty("resident_growth_kb", static_cast<int>(StatusKb("VmRSS:") - before));
    EXPECT_LT((after - before) * 1024, (std::int64_t{64} << 20) + std::int64_t{24} * kEntries)
        << (peakKnown ? "peak" : "resident") << " growth " << (after - before) << " kB";

    ASSERT_EQ(static_cast<int>(kEntries), Lines()->rowCount());
    const TStructState& state = FForm.State();
    const IndexEntry& last = *state.VideoEntries[kEntries - 1];
    const std::string lastLine = FrameLineText(
        last, kEntries - 1, true, ChunkPosition(last, state.Records.RelativeIndex, state.Records.MovieDataPosition));
    EXPECT_EQ(lastLine, Lines()->index(kEntries - 1, 0).data().toString().toStdString());
    EXPECT_EQ(0u, lastLine.find("V    01999999  Key     "));
    FForm.hide();
}

// Zero padding is a chunk every 8 bytes: the search lets messages run and Escape stops it.
TEST_F(LargeFileTest, EscapeBreaksTheSearchThroughPadding)
{
    const std::uint64_t padding = std::uint64_t{256} << 20;
    const std::string path = PaddedMovie(padding);
    bool listFoundBeforeTheBreak = true;
    FPlatform.OnProcessMessages([&] {
        if (FPlatform.PumpCount() != 2)  // the first is the load's own
            return;
        listFoundBeforeTheBreak = HasDataSizeRow();
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(FForm.findChild<TFrameListView*>(QStringLiteral("lbData")), &release);
    });
    ASSERT_TRUE(FForm.LoadFile(QString::fromStdString(path)));
    EXPECT_FALSE(listFoundBeforeTheBreak);
    EXPECT_FALSE(HasDataSizeRow());
    EXPECT_EQ(0, Lines()->rowCount());
    EXPECT_TRUE(FForm.Loaded());

    // Unbroken, the search steps over the padding and finds the list behind it.
    FPlatform.OnProcessMessages({});
    FPlatform.Clear();
    ASSERT_TRUE(FForm.LoadFile(QString::fromStdString(path)));
    EXPECT_TRUE(HasDataSizeRow());
    EXPECT_EQ(20, Lines()->rowCount());
    EXPECT_GE(FPlatform.PumpCount(), static_cast<long>(padding / 8 / 4096));
}

}  // namespace
}  // namespace zendra::test
