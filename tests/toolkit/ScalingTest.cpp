#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "toolkit/Scaling.h"

namespace vx {
namespace {

constexpr PixelSize kClient{1010, 720};

TEST(FitScale, KeepsTheScreensScaleWhereTheWindowFits)
{
    EXPECT_EQ(FitScale(1.5, kClient, {0, 0}, {1920, 1080}), 1.5);  // 1515 x 1080 exactly
    EXPECT_EQ(FitScale(1.3, kClient, {16, 39}, {2560, 1400}), 1.3);
    EXPECT_EQ(FitScale(0.75, kClient, {0, 0}, {640, 480}), 0.75);  // never enlarged
}

TEST(FitScale, OtherwiseTakesTheLargestWhole96thThatFitsFrameIncluded)
{
    // 720 * 133/96 = 997.5 -> 998, + 39 = 1037 <= 1040; 134/96 gives 1005 + 39.
    EXPECT_DOUBLE_EQ(FitScale(2.0, kClient, {16, 39}, {1920, 1040}), 133 / 96.0);
    // A narrow screen: the width decides (1010 * 121/96 = 1273; 122/96 gives 1284).
    EXPECT_DOUBLE_EQ(FitScale(2.0, kClient, {0, 0}, {1280, 1600}), 121 / 96.0);
    // Too small even at 1: the program's own pixels, not fewer.
    EXPECT_EQ(FitScale(1.25, kClient, {16, 39}, {800, 600}), 1.0);
}

TEST(PicturePixelAt, NamesThePixelWhoseSpanHoldsTheScreenPixelsCentre)
{
    const int fourOnSix[] = {0, 1, 1, 2, 3, 3};  // 150 %
    for (int at = 0; at < 6; ++at)
        EXPECT_EQ(PicturePixelAt(at, 4, 6), fourOnSix[at]) << at;
    EXPECT_EQ(PicturePixelAt(-1, 4, 6), -1);  // before the picture
    EXPECT_EQ(PicturePixelAt(6, 4, 6), 4);    // past it
    EXPECT_EQ(PicturePixelAt(-3, 4, 4), -3);  // 1:1, beyond included
    EXPECT_EQ(PicturePixelAt(9, 4, 4), 9);
    // A lap chart 800 pixels wide at 150 %: screen 225 shows pixel 150, 226 shows 151.
    EXPECT_EQ(PicturePixelAt(225, 800, 1200), 150);
    EXPECT_EQ(PicturePixelAt(226, 800, 1200), 151);
}

TEST(ScaleNearest, EnlargesEachPixelToABlockOfItsOwnColour)
{
    const std::vector<std::uint32_t> picture = {1, 2, 3,   // a 3 x 2 picture
                                                4, 5, 6};
    std::vector<std::uint32_t> doubled(6 * 4);
    ScaleNearest(picture, 3, 2, doubled, 6, 4);
    EXPECT_EQ(doubled, (std::vector<std::uint32_t>{1, 1, 2, 2, 3, 3,
                                                   1, 1, 2, 2, 3, 3,
                                                   4, 4, 5, 5, 6, 6,
                                                   4, 4, 5, 5, 6, 6}));
    // 5/3 across and 3/2 down: columns 0 0 1 2 2, rows 0 1 1.
    std::vector<std::uint32_t> uneven(5 * 3);
    ScaleNearest(picture, 3, 2, uneven, 5, 3);
    EXPECT_EQ(uneven, (std::vector<std::uint32_t>{1, 1, 2, 3, 3,
                                                  4, 4, 5, 6, 6,
                                                  4, 4, 5, 6, 6}));
}


TEST(KeptInside, ATipPastAnEdgeComesBackInsideTheWorkAreaAndOneInsideStays)
{
    const ScreenArea work{0, 0, 1280, 1000};  // a task bar below 1000
    EXPECT_EQ(KeptInside({100, 200, 300, 40}, work), (ScreenArea{100, 200, 300, 40}));
    EXPECT_EQ(KeptInside({1100, 980, 300, 40}, work), (ScreenArea{980, 960, 300, 40}));
    EXPECT_EQ(KeptInside({-20, -5, 300, 40}, work), (ScreenArea{0, 0, 300, 40}));
    // A second screen left of the first; a tip wider than the area starts at its left.
    EXPECT_EQ(KeptInside({-100, 50, 300, 40}, {-1920, 0, 1920, 1080}), (ScreenArea{-300, 50, 300, 40}));
    EXPECT_EQ(KeptInside({500, 50, 1500, 40}, work), (ScreenArea{0, 50, 1500, 40}));
}

}  // namespace
}  // namespace vx
