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

}  // namespace
}  // namespace zendra
