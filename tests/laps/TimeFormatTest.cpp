#include <cstdint>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "laps/TimeFormat.h"

namespace vx {
namespace {

TEST(FormatTime, GivesMinutesAndTwoDigitSeconds)
{
    const struct { std::int64_t t; const char* text; } cases[] = {
        {0, "0:00.00"},       {605, "0:06.05"},       {999, "0:09.99"},
        {1000, "0:10.00"},    {5999, "0:59.99"},      {6000, "1:00.00"},
        {61234, "10:12.34"},  {360000, "60:00.00"},   {-605, "-0:06.05"},
        {-61234, "-10:12.34"}};
    for (const auto& c : cases)
        EXPECT_EQ(FormatTime(c.t), c.text) << "time " << c.t;
}

TEST(FormatTime, ExtremeTimesKeepEveryDigit)
{
    EXPECT_EQ(FormatTime(std::numeric_limits<std::int64_t>::max()), "1537228672809129:18.07");
    EXPECT_EQ(FormatTime(std::numeric_limits<std::int64_t>::min()), "-1537228672809129:18.08");
}

TEST(FormatAverageSpeed, RoundsHalfUpToTheHundredth)
{
    EXPECT_EQ(FormatAverageSpeed(10, 61234, 2500), "146.98 kmh");
    EXPECT_EQ(FormatAverageSpeed(1, 3600, 1000), "100.00 kmh");
    EXPECT_EQ(FormatAverageSpeed(1, 360000, 12345), "12.35 kmh");  // thousandths 12345
    EXPECT_EQ(FormatAverageSpeed(1, 360000, 12344), "12.34 kmh");
}

TEST(FormatAverageSpeed, RaceTimeZeroGivesZeroWithoutDecimals)
{
    EXPECT_EQ(FormatAverageSpeed(10, 0, 2500), "0 kmh");
}

TEST(FormatAverageSpeed, ProductsPast64BitsDoNotWrap)
{
    // 30000 laps of 2^31 - 1 metres pass 2^63 once multiplied by 360000
    const std::string speed = FormatAverageSpeed(30000, 360000, 2147483647);
    EXPECT_NEAR(std::stod(speed), 64424509410.0, 1e4) << speed;
    const std::int64_t big = std::numeric_limits<std::int64_t>::max();
    EXPECT_EQ(FormatAverageSpeed(big, -1, big).front(), '-');
}

}  // namespace
}  // namespace vx
