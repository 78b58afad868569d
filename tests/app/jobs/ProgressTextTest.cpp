// The Working page's time-left wording and when an estimate is shown.
#include <gtest/gtest.h>

#include "app/jobs/ProgressText.h"

namespace zendra {
namespace {

double Seconds(double s)
{
    return s / 86400.0;
}

TEST(ProgressText, TimeLeftWording)
{
    EXPECT_EQ(TimeLeftText(Seconds(0)), "0 minute .");
    EXPECT_EQ(TimeLeftText(Seconds(45)), "0 minute 45 seconds.");
    EXPECT_EQ(TimeLeftText(Seconds(61)), "1 minute 1 second.");
    EXPECT_EQ(TimeLeftText(Seconds(180)), "3 minutes .");
    EXPECT_EQ(TimeLeftText(Seconds(3620)), "1 hour .");
    EXPECT_EQ(TimeLeftText(Seconds(2 * 3600 + 5 * 60 + 59)), "2 hours 5 minutes.");
    EXPECT_EQ(TimeLeftText(Seconds(7200)), "2 hours .");
    EXPECT_EQ(TimeLeftText(1.0 + Seconds(61)), "1 minute 1 second.");  // whole days are dropped
}

TEST(ProgressText, EstimateWaitsInTheFirstTwentiethUntilEnoughTimePassed)
{
    EXPECT_FALSE(EstimateText(100, 10000, Seconds(5)));
    EXPECT_EQ(EstimateText(100, 10000, Seconds(10)), "Estimated time left: 16 minutes 30 seconds.");
    EXPECT_EQ(EstimateText(100, 1000, Seconds(1)), "Estimated time left: 0 minute 9 seconds.");
    EXPECT_FALSE(EstimateText(0, 1000, Seconds(100)));
}

TEST(ProgressText, WholeJobProgressOfEachKind)
{
    // A split's parts report from their own start against the whole movie's index.
    EXPECT_EQ(WholeJobProgress(TJobKind::Split, 100, 50, 300, 900).Done, 400);
    EXPECT_EQ(WholeJobProgress(TJobKind::Split, 100, 50, 300, 900).Total, 900);
    EXPECT_EQ(WholeJobProgress(TJobKind::Join, 500, 600, 10, 900).Done, 510);
    EXPECT_EQ(WholeJobProgress(TJobKind::Join, 500, 600, 10, 900).Total, 600);
    EXPECT_EQ(WholeJobProgress(TJobKind::Clip, 500, 600, 10, 900).Done, 500);
    EXPECT_EQ(WholeJobProgress(TJobKind::Clip, 500, 600, 10, 900).Total, 600);
}

}  // namespace
}  // namespace zendra
