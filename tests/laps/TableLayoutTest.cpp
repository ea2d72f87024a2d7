#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "laps/TableLayout.h"

namespace vx {
namespace {

TEST(LapSummaryEntries, FillColumnsOfEightUpToForty)
{
    const std::vector<std::int64_t> times(41, 6170);
    const auto entries = LapSummaryEntries(times);
    ASSERT_EQ(entries.size(), 40u);  // the 41st would start at x 510
    EXPECT_EQ(entries[0].text, "1:  61.70");
    EXPECT_EQ(entries[0].x, 10);
    EXPECT_EQ(entries[0].y, 40);
    EXPECT_EQ(entries[7].y, 250);
    EXPECT_EQ(entries[8].x, 110);
    EXPECT_EQ(entries[8].y, 40);
    EXPECT_EQ(entries[39].x, 410);
    EXPECT_EQ(entries[39].y, 250);
}

TEST(LapSummaryEntries, ShowEachTimeWithTwoDecimals)
{
    const std::vector<std::int64_t> times = {5, 100, 12345};
    const auto entries = LapSummaryEntries(times);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].text, "1:  0.05");
    EXPECT_EQ(entries[1].text, "2:  1.00");
    EXPECT_EQ(entries[2].text, "3:  123.45");
}

TEST(DriverCellCorner, RowsStepBy20AndTheEighthFallsBelowThePicture)
{
    EXPECT_EQ(DriverCellCorner(1, 1).x, 10);
    EXPECT_EQ(DriverCellCorner(1, 1).y, 5);
    EXPECT_EQ(DriverCellCorner(7, 6).x, 400);
    EXPECT_EQ(DriverCellCorner(7, 6).y, 125);
    EXPECT_EQ(DriverCellCorner(8, 3).y, 145);
}

}  // namespace
}  // namespace vx
