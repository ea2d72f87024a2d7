#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "toolkit/Format.h"

namespace vx {
namespace {

TEST(FixedText, AValueThatRoundsToZeroHasNoSign)
{
    EXPECT_EQ(FixedText(-0.0004, 3), "0.000");
    EXPECT_EQ(FixedText(-0.0, 2), "0.00");
    EXPECT_EQ(FixedText(-0.4, 0), "0");
    EXPECT_EQ(FixedText(-0.0005001, 3), "-0.001");  // not zero once rounded
    EXPECT_EQ(FixedText(2.675, 2), "2.67");          // rounds as RealToText
}

TEST(RoundedValue, IsTheNumberOfTheTextFixedTextWrites)
{
    EXPECT_EQ(RoundedValue(43.6019999, 3), 43.602);
    EXPECT_EQ(RoundedValue(2.675, 2), 2.67);  // 2.675 is a little below: as the text rounds it
    EXPECT_EQ(RoundedValue(0.125, 2), 0.12);  // an exact tie goes to the even digit
    EXPECT_FALSE(std::signbit(RoundedValue(-0.0004, 3)));
    EXPECT_TRUE(std::isnan(RoundedValue(std::nan(""), 3)));
}

TEST(SignedFixedText, MarksOnlyWhatIsNotZeroOnceRounded)
{
    EXPECT_EQ(SignedFixedText(0.25, 3), "+0.250");
    EXPECT_EQ(SignedFixedText(-0.25, 3), "-0.250");
    EXPECT_EQ(SignedFixedText(0.0004, 3), "0.000");
    EXPECT_EQ(SignedFixedText(-0.0004, 3), "0.000");
}

TEST(LapTimeText, GivesSecondsWithTwoDecimals)
{
    const struct { std::int64_t t; const char* text; } cases[] = {
        {5835, "58.35"}, {5, "0.05"}, {0, "0.00"}, {100, "1.00"}, {555556, "5555.56"}, {-605, "-6.05"}};
    for (const auto& c : cases)
        EXPECT_EQ(LapTimeText(c.t), c.text) << "time " << c.t;
}

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

TEST(BestTimeText, PutsThePointBeforeTheLastTwoDigits)
{
    const struct { int time; const char* text; } cases[] = {
        {5432, "54.32"}, {1000, "10.00"}, {999, "9.99"}, {123, "1.23"},
        {85, "8.85"},    {12345, "12.45"}, {-5, "-.-5"}, {-1234, "-.34"}};
    for (const auto& c : cases)
        EXPECT_EQ(BestTimeText(c.time), c.text) << "time " << c.time;
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
    EXPECT_EQ(AverageSpeedKmh(10, 0, 2500), std::nullopt);  // and no number: there is no speed
}

TEST(AverageSpeedKmh, IsTheFloatOfTheHundredthsTheTextShows)
{
    EXPECT_EQ(AverageSpeedKmh(10, 61234, 2500), static_cast<double>(146.98f));
    EXPECT_EQ(AverageSpeedKmh(1, 360000, 12345), static_cast<double>(12.35f));
}

TEST(FormatAverageSpeed, ProductsPast64BitsDoNotWrap)
{
    // 30000 laps of 2^31 - 1 metres pass 2^63 once multiplied by 360000
    const std::string speed = FormatAverageSpeed(30000, 360000, 2147483647);
    EXPECT_NEAR(std::stod(speed), 64424509410.0, 1e4) << speed;
    const std::int64_t big = std::numeric_limits<std::int64_t>::max();
    EXPECT_EQ(FormatAverageSpeed(big, -1, big).front(), '-');
}

TEST(DateText, GivesTheSecondInUtcAsStampOrForReading)
{
    const std::int64_t ns = 1796152651'000'000'000 + 999'999'999;  // 2026-12-01 19:17:31.999999999 UTC
    EXPECT_EQ(DateText(ns), "2026-12-01T19:17:31Z");
    EXPECT_EQ(DateText(ns, DateForm::Readable), "2026-12-01 19:17:31");
    EXPECT_EQ(DateText(-1), "1969-12-31T23:59:59Z");  // rounded down before 1970 too
    EXPECT_EQ(DateText(0, DateForm::Readable), "1970-01-01 00:00:00");
}

TEST(GroupedNumber, PutsACommaBetweenGroupsOfThree)
{
    EXPECT_EQ(GroupedNumber(0), "0");
    EXPECT_EQ(GroupedNumber(999), "999");
    EXPECT_EQ(GroupedNumber(1000), "1,000");
    EXPECT_EQ(GroupedNumber(2000001), "2,000,001");
    EXPECT_EQ(GroupedNumber(-1234567), "-1,234,567");
    EXPECT_EQ(GroupedNumber(std::numeric_limits<std::int64_t>::min()), "-9,223,372,036,854,775,808");
}

}  // namespace
}  // namespace vx
