// Project files of the split tab's size mode: one value more, and only for that mode.
#include <gtest/gtest.h>

#include "app/jobs/ProjectFile.h"
#include "engine/AviRecords.h"

namespace zendra::test {
namespace {

TProjectData SampleProject(std::int32_t mode)
{
    TProjectData p;
    p.MovieFile = "/m/holiday.avi";
    p.SplitFolder = "/m/Output/holiday001/";
    p.SplitBaseName = "holiday";
    p.SplitMode = mode;
    p.PartCount = 7;
    p.SplitMaxSize = 734003200;  // 700 MiB
    p.Rows = {{"a00001.avi", "00001", "0h:00m:04s:00ms", "{A}", "/x/a00001.avi"}};
    return p;
}

TEST(ProjectSizeMode, OtherModesAreWrittenWithoutTheSize)
{
    for (std::int32_t mode = 0; mode < kSplitBySizeMode; ++mode) {
        TProjectData withoutSize = SampleProject(mode);
        withoutSize.SplitMaxSize = 0;
        EXPECT_EQ(EncodeProject(SampleProject(mode)), EncodeProject(withoutSize)) << mode;
    }
}

TEST(ProjectSizeMode, TheSizeFollowsTheRows)
{
    const TProjectBytes custom = EncodeProject(SampleProject(3));
    const TProjectBytes sized = EncodeProject(SampleProject(kSplitBySizeMode));
    ASSERT_EQ(sized.size(), custom.size() + 5);
    EXPECT_TRUE(std::equal(custom.begin(), custom.end(), sized.begin(), [](std::uint8_t a, std::uint8_t b) {
        return a == b || (a == 3 && b == 4);  // only the mode's number differs
    }));

    // Read back in the fixed order, the rows first, then the size.
    TProjectReader reader(sized);
    EXPECT_EQ(reader.ReadText(), kProjectMark);
    EXPECT_EQ(reader.ReadInteger(), kProjectVersion);
    for (int i = 0; i < 3; ++i)
        reader.ReadText();
    reader.ReadInteger();
    reader.ReadInteger();
    reader.ReadText();
    reader.ReadText();
    EXPECT_EQ(reader.ReadInteger(), kSplitBySizeMode);
    EXPECT_EQ(reader.ReadInteger(), 7);
    EXPECT_EQ(reader.ReadInteger(), 5);
    EXPECT_EQ(reader.ReadInteger(), 1);
    for (int c = 0; c < 5; ++c)
        reader.ReadText();
    ASSERT_FALSE(reader.AtEnd());
    EXPECT_EQ(reader.ReadInteger(), 734003200);
    EXPECT_TRUE(reader.AtEnd());
}

}  // namespace
}  // namespace zendra::test
