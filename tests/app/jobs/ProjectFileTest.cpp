// The project file's value encoding, byte for byte, and hostile files.
#include <gtest/gtest.h>

#include <tuple>

#include "app/jobs/ProjectFile.h"
#include "engine/AviRecords.h"

namespace zendra {
namespace {

using TBytes = TProjectBytes;

TBytes Slice(const TBytes& bytes, std::size_t from, std::size_t count)
{
    return TBytes(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                  bytes.begin() + static_cast<std::ptrdiff_t>(from + count));
}

std::string ErrorOf(const TBytes& bytes, bool text)
{
    try {
        TProjectReader r(bytes);
        text ? (void)r.ReadText() : (void)r.ReadInteger();
    } catch (const EZendraError& e) {
        return e.what();
    }
    return {};
}

TEST(ProjectFile, HeaderAndClipRangeBytes)
{
    TProjectData p;
    p.ClipStart = 0;
    p.ClipEnd = 150000;
    const TBytes bytes = EncodeProject(p);
    EXPECT_EQ(Slice(bytes, 0, 8), (TBytes{0x06, 0x03, 'k', 'v', 'x', 0x03, 0xE8, 0x03}));
    // Three empty texts, then the clip range.
    EXPECT_EQ(Slice(bytes, 8, 6), (TBytes{6, 0, 6, 0, 6, 0}));
    EXPECT_EQ(Slice(bytes, 14, 7), (TBytes{0x02, 0x00, 0x04, 0xF0, 0x49, 0x02, 0x00}));
    // An empty join list ends the file with 5 columns and 0 rows.
    EXPECT_EQ(Slice(bytes, bytes.size() - 4, 4), (TBytes{2, 5, 2, 0}));
}

TEST(ProjectFile, IntegersTakeTheSmallestForm)
{
    const std::pair<std::int32_t, TBytes> cases[] = {
        {-128, {2, 0x80}}, {127, {2, 0x7F}}, {128, {3, 0x80, 0}}, {-32768, {3, 0x00, 0x80}},
        {32768, {4, 0, 0x80, 0, 0}}, {-2147483647 - 1, {4, 0, 0, 0, 0x80}}};
    for (const auto& [value, expected] : cases) {
        TProjectWriter w;
        w.WriteInteger(value);
        EXPECT_EQ(w.Bytes(), expected) << value;
        EXPECT_EQ(TProjectReader(w.Bytes()).ReadInteger(), value);
    }
}

TEST(ProjectFile, TextFormsAndRoundTrips)
{
    TProjectWriter w;
    w.WriteText(std::string(255, 'a'));
    w.WriteText(std::string(256, 'b'));
    w.WriteText("/home/jürgen/Filme/Urlaub.avi");
    const TBytes& b = w.Bytes();
    EXPECT_EQ(b[0], 6);
    EXPECT_EQ(b[1], 255);
    EXPECT_EQ(b[257], 12);
    EXPECT_EQ(Slice(b, 258, 4), (TBytes{0, 1, 0, 0}));
    EXPECT_EQ(b[262 + 256], 20);
    TProjectReader r(b);
    EXPECT_EQ(r.ReadText(), std::string(255, 'a'));
    EXPECT_EQ(r.ReadText(), std::string(256, 'b'));
    EXPECT_EQ(r.ReadText(), "/home/jürgen/Filme/Urlaub.avi");
    EXPECT_TRUE(r.AtEnd());
}

TEST(ProjectFile, ForeignTextFormsAreRead)
{
    // UTF-16 (tag 18) with a surrogate pair, and a code-page text with a Latin-1 byte.
    const TBytes wide = {18, 3, 0, 0, 0, 'A', 0, 0x3D, 0xD8, 0x00, 0xDE};
    EXPECT_EQ(TProjectReader(wide).ReadText(), "A\xF0\x9F\x98\x80");
    const TBytes latin = {6, 3, 'J', 0xFC, 'r'};
    EXPECT_EQ(TProjectReader(latin).ReadText(), "J\xC3\xBCr");
}

TEST(ProjectFile, WholeProjectReadsBackInOrder)
{
    TProjectData p;
    p.MovieFile = "/films/holiday.avi";
    p.JoinOutputFile = "/films/joined.avi";
    p.JoinFileName = "/films/joined.avi";
    p.ClipStart = 250;
    p.ClipEnd = 1000;
    p.SplitFolder = "/films/Output/holiday001/";
    p.SplitBaseName = "holiday";
    p.SplitMode = 3;
    p.PartCount = 12;
    p.Rows = {{"holiday00001.avi", "00001", "0h:00m:10s:00ms", "{A}", "/films/Output/holiday001/holiday00001.avi"},
              {"holiday00002.avi", "00002", "0h:00m:09s:00ms", "{A}", "/films/Output/holiday001/holiday00002.avi"}};
    TProjectReader r(EncodeProject(p));
    EXPECT_EQ(r.ReadText(), "kvx");
    EXPECT_EQ(r.ReadInteger(), 1000);
    EXPECT_EQ(r.ReadText(), p.MovieFile);
    EXPECT_EQ(r.ReadText(), p.JoinOutputFile);
    EXPECT_EQ(r.ReadText(), p.JoinFileName);
    EXPECT_EQ(r.ReadInteger(), 250);
    EXPECT_EQ(r.ReadInteger(), 1000);
    EXPECT_EQ(r.ReadText(), p.SplitFolder);
    EXPECT_EQ(r.ReadText(), p.SplitBaseName);
    EXPECT_EQ(r.ReadInteger(), 3);
    EXPECT_EQ(r.ReadInteger(), 12);
    ASSERT_EQ(r.ReadInteger(), 5);
    ASSERT_EQ(r.ReadInteger(), 2);
    for (const auto& row : p.Rows)
        for (const auto& text : row)
            EXPECT_EQ(r.ReadText(), text);
    EXPECT_TRUE(r.AtEnd());
}

TEST(ProjectFile, HostileValuesFailWithTheStreamMessages)
{
    EXPECT_EQ(ErrorOf({}, true), "Stream read error");
    EXPECT_EQ(ErrorOf({6, 10, 'a'}, true), "Stream read error");
    EXPECT_EQ(ErrorOf({12, 0xFF, 0xFF, 0xFF, 0x7F, 'a'}, true), "Stream read error");  // 2 GiB claimed
    EXPECT_EQ(ErrorOf({20, 0xFF, 0xFF, 0xFF, 0xFF}, true), "Stream read error");
    EXPECT_EQ(ErrorOf({18, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0}, true), "Stream read error");
    EXPECT_EQ(ErrorOf({4, 1, 2}, false), "Stream read error");
    EXPECT_EQ(ErrorOf({2, 5}, true), "Invalid property value");
    EXPECT_EQ(ErrorOf({6, 0}, false), "Invalid property value");
    EXPECT_EQ(ErrorOf({99}, false), "Invalid property value");
}

TEST(ProjectFile, DecodeReadsBackWhatEncodeWrote)
{
    TProjectData p;
    p.MovieFile = "/films/h\xC3\xBC" "bsch.avi";
    p.JoinFileName = "/films/joined.avi";
    p.ClipStart = 40000;
    p.ClipEnd = -1;
    p.SplitFolder = "/films/Output/holiday001/";
    p.SplitBaseName = "holiday";
    p.SplitMode = kSplitBySizeMode;
    p.PartCount = 4;
    p.SplitMaxSize = 734003200;
    p.Rows = {{"a00001.avi", "00001", "0h:00m:04s:00ms", "{A}", "/x/a00001.avi"}, {"b", "", "", "", ""}};
    const TProjectLoad load = DecodeProject(EncodeProject(p));
    EXPECT_TRUE(load.Marked);
    EXPECT_EQ(load.Error, "");
    EXPECT_EQ(load.Reached, TProjectField::End);
    EXPECT_NO_THROW(load.ThrowUnless(TProjectField::SplitMaxSize));
    EXPECT_EQ(load.Data.MovieFile, p.MovieFile);
    EXPECT_EQ(load.Data.JoinFileName, p.JoinFileName);
    EXPECT_EQ(load.Data.ClipStart, 40000);
    EXPECT_EQ(load.Data.ClipEnd, -1);
    EXPECT_EQ(load.Data.SplitBaseName, "holiday");
    EXPECT_EQ(load.Data.SplitMode, kSplitBySizeMode);
    EXPECT_EQ(load.Data.PartCount, 4);
    EXPECT_EQ(load.Data.Rows, p.Rows);
    EXPECT_TRUE(load.HasSplitMaxSize);
    EXPECT_EQ(load.Data.SplitMaxSize, 734003200);

    p.SplitMode = 3;  // the other modes write no limit
    EXPECT_FALSE(DecodeProject(EncodeProject(p)).HasSplitMaxSize);
}

TEST(ProjectFile, DecodeStopsAtTheBrokenValueAndKeepsWhatCameBefore)
{
    EXPECT_FALSE(DecodeProject({6, 3, 'k', 'v', 'y'}).Marked);
    EXPECT_EQ(DecodeProject({6, 3, 'k', 'v', 'y'}).Error, "");
    const TProjectLoad empty = DecodeProject({});
    EXPECT_EQ(empty.Error, "Stream read error");
    EXPECT_THROW(empty.ThrowUnless(TProjectField::Mark), EZendraError);

    TProjectData p;
    p.MovieFile = "/m.avi";
    p.SplitBaseName = "m";
    p.Rows = {{"a", "b", "c", "d", "e"}, {"f", "g", "h", "i", "j"}};
    TProjectBytes bytes = EncodeProject(p);
    bytes.resize(bytes.size() - 6);  // the second row's last two texts are cut off
    const TProjectLoad cut = DecodeProject(bytes);
    EXPECT_EQ(cut.Error, "Stream read error");
    EXPECT_EQ(cut.Reached, TProjectField::Rows);
    EXPECT_NO_THROW(cut.ThrowUnless(TProjectField::RowCount));
    EXPECT_THROW(cut.ThrowUnless(TProjectField::Rows), EZendraError);
    EXPECT_EQ(cut.Data.MovieFile, "/m.avi");
    ASSERT_EQ(cut.Data.Rows.size(), 2u);
    EXPECT_EQ(cut.Data.Rows[1], (std::vector<std::string>{"f", "g", "h"}));

    // A mode beyond the list, no columns, a negative row count, a limit of 0.
    for (const auto& [mode, columns, rows, limit] : {std::tuple{5, 5, 0, 1}, std::tuple{-1, 5, 0, 1},
                                                       std::tuple{0, 0, 0, 1}, std::tuple{0, 5, -1, 1},
                                                       std::tuple{4, 5, 0, 0}}) {
        TProjectWriter w;
        w.WriteText(kProjectMark);
        w.WriteInteger(kProjectVersion);
        for (int i = 0; i < 3; ++i)
            w.WriteText("");
        w.WriteInteger(0);
        w.WriteInteger(0);
        w.WriteText("");
        w.WriteText("");
        for (const std::int32_t value : {mode, 2, columns, rows, limit})
            w.WriteInteger(value);
        EXPECT_EQ(DecodeProject(w.Bytes()).Error, "Invalid property value") << mode << columns << rows << limit;
    }
}

}  // namespace
}  // namespace zendra
