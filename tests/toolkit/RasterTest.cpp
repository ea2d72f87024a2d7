#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "toolkit/Image.h"

namespace vx {
namespace {

using test::CountColour;
using test::CountColourIn;

constexpr Colour kBlack = MakeRgb(0, 0, 0);
constexpr Colour kWhite = MakeRgb(255, 255, 255);
constexpr Colour kRed = MakeRgb(255, 0, 0);
constexpr Colour kBlue = MakeRgb(0, 0, 255);

TEST(ImagePixels, ReadBackExactlyTheColourDrawn)
{
    Image image(3, 2);
    EXPECT_EQ(image.At(0, 0), kBlack);
    image.Set(2, 1, MakeRgb(1, 2, 3));
    EXPECT_EQ(image.At(2, 1), 0x030201u);
    image.Set(0, 0, 0xFFFFFF);
    EXPECT_EQ(image.At(0, 0), 0xFFFFFFu);
}

TEST(FillBox, PaintsWidthByHeightPixelsFromTheCorner)
{
    Image image(30, 30);
    FillBox(image, 10, 10, 8, 8, kWhite);
    EXPECT_EQ(CountColour(image, kWhite), 64);
    EXPECT_EQ(CountColourIn(image, kWhite, 10, 10, 18, 18), 64);
}

TEST(FillBox, NegativeSizesExtendLeftAndUp)
{
    Image image(8, 8);
    FillBox(image, 4, 4, -1, 1, kWhite);
    EXPECT_EQ(image.At(3, 4), kWhite);
    EXPECT_EQ(CountColour(image, kWhite), 1);

    Image other(8, 8);
    FillBox(other, 4, 4, -1, -1, kWhite);
    EXPECT_EQ(other.At(3, 3), kWhite);
    EXPECT_EQ(CountColour(other, kWhite), 1);

    Image wide(8, 8);
    FillBox(wide, 5, 6, -3, -2, kWhite);
    EXPECT_EQ(CountColourIn(wide, kWhite, 2, 4, 5, 6), 6);
    EXPECT_EQ(CountColour(wide, kWhite), 6);
}

TEST(FillBox, PlusOnePaintsOnePixelAndZeroPaintsNothing)
{
    Image image(4, 4);
    FillBox(image, 1, 2, 1, 1, kWhite);
    EXPECT_EQ(image.At(1, 2), kWhite);
    EXPECT_EQ(CountColour(image, kWhite), 1);
    FillBox(image, 0, 0, 0, 3, kRed);
    FillBox(image, 0, 0, 3, 0, kRed);
    EXPECT_EQ(CountColour(image, kRed), 0);
}

TEST(FillBox, ClipsAtEveryEdge)
{
    Image image(10, 10);
    FillBox(image, -5, -5, 8, 8, kWhite);   // top-left
    FillBox(image, 8, 8, 100, 100, kRed);   // bottom-right
    EXPECT_EQ(CountColour(image, kWhite), 9);
    EXPECT_EQ(CountColour(image, kRed), 4);
    FillBox(image, -2000000000, 0, 4000000000, 1, kBlue);  // wider than any int
    EXPECT_EQ(CountColourIn(image, kBlue, 0, 0, 10, 1), 10);
}

TEST(Lines, ASegmentPaintsBothEndsAndALineByLeavesOutItsEnd)
{
    Image segment(10, 3);
    DrawSegment(segment, 0, 0, 3, 0, kWhite);
    EXPECT_EQ(CountColour(segment, kWhite), 4);
    EXPECT_EQ(segment.At(3, 0), kWhite);

    Image lineBy(10, 3);
    DrawLineBy(lineBy, 0, 0, 3, 0, kWhite);
    EXPECT_EQ(CountColour(lineBy, kWhite), 3);
    EXPECT_EQ(lineBy.At(3, 0), kBlack);
}

TEST(Lines, AZeroLengthSegmentIsOnePixelAndAZeroLineByIsNone)
{
    Image image(4, 4);
    DrawSegment(image, 2, 2, 2, 2, kWhite);
    EXPECT_EQ(CountColour(image, kWhite), 1);
    DrawLineBy(image, 1, 1, 0, 0, kRed);
    EXPECT_EQ(CountColour(image, kRed), 0);
}

TEST(Lines, DiagonalAndSteepLinesStepOnePixelPerMajorStep)
{
    Image diagonal(10, 10);
    DrawSegment(diagonal, 0, 0, 5, 5, kWhite);
    for (int i = 0; i <= 5; ++i)
        EXPECT_EQ(diagonal.At(i, i), kWhite) << i;
    EXPECT_EQ(CountColour(diagonal, kWhite), 6);

    Image steep(10, 20);
    DrawSegment(steep, 1, 0, 3, 10, kWhite);
    EXPECT_EQ(CountColour(steep, kWhite), 11);  // one pixel per row
    for (int y = 0; y <= 10; ++y)
        EXPECT_EQ(CountColourIn(steep, kWhite, 0, y, 10, y + 1), 1) << y;
    EXPECT_EQ(steep.At(1, 0), kWhite);
    EXPECT_EQ(steep.At(3, 10), kWhite);
}

TEST(Lines, RunTheSameWayWhateverTheDirection)
{
    Image up(10, 20);
    DrawLineBy(up, 75 - 70, 15, 0, -12, kBlue);  // an axis drawn upward
    EXPECT_EQ(CountColour(up, kBlue), 12);
    EXPECT_EQ(up.At(5, 15), kBlue);
    EXPECT_EQ(up.At(5, 3), kBlack);  // the end pixel stays out

    Image left(20, 3);
    DrawLineBy(left, 10, 1, -5, 0, kBlue);  // a tick drawn leftward
    EXPECT_EQ(CountColour(left, kBlue), 5);
    EXPECT_EQ(left.At(10, 1), kBlue);
    EXPECT_EQ(left.At(5, 1), kBlack);
}

TEST(Lines, ClipToTheImageAndPassFarAwayEndsCheaply)
{
    Image image(10, 10);
    DrawSegment(image, -100, 5, 100, 5, kWhite);
    EXPECT_EQ(CountColour(image, kWhite), 10);
    DrawSegment(image, 5, -1000000000, 5, 1000000000, kRed);  // no two-billion-step walk
    EXPECT_EQ(CountColourIn(image, kRed, 5, 0, 6, 10), 10);
    DrawSegment(image, INT64_MAX, 0, INT64_MIN, 9, kBlue);  // out of any range: ignored
    EXPECT_EQ(CountColour(image, kBlue), 0);
}

TEST(Lines, ClippedLinesKeepThePixelsOfTheWholeLine)
{
    Image whole(40, 40), clipped(20, 40);
    DrawSegment(whole, 3, 1, 37, 30, kWhite);
    DrawSegment(clipped, 3, 1, 37, 30, kWhite);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 20; ++x)
            EXPECT_EQ(clipped.At(x, y), whole.At(x, y)) << x << "," << y;
}

TEST(FloodFill, FillsTheRegionInsideTheBoundary)
{
    Image image(10, 10, kWhite);
    for (int i = 2; i <= 7; ++i) {
        image.Set(i, 2, kBlue), image.Set(i, 7, kBlue);
        image.Set(2, i, kBlue), image.Set(7, i, kBlue);
    }
    image.Set(4, 4, kRed);  // another colour inside is filled over
    FloodFillArea(image, 4, 5, kBlue, MakeRgb(0, 1, 255));
    EXPECT_EQ(CountColour(image, MakeRgb(0, 1, 255)), 16);
    EXPECT_EQ(CountColour(image, kRed), 0);
    EXPECT_EQ(image.At(1, 1), kWhite);
}

TEST(FloodFill, DoesNotLeakThroughDiagonalSteps)
{
    // A diagonal line splits the image: 4-connected spreading stops at it.
    Image image(8, 8, kWhite);
    DrawSegment(image, 0, 7, 7, 0, kBlue);
    FloodFillArea(image, 0, 0, kBlue, kRed);
    EXPECT_EQ(CountColour(image, kRed), 28);  // the triangle above the line
    EXPECT_EQ(image.At(7, 7), kWhite);
}

TEST(FloodFill, StartedOnTheBoundaryColourChangesNothing)
{
    Image image(5, 5, kBlue);
    FloodFillArea(image, 2, 2, kBlue, kRed);
    EXPECT_EQ(CountColour(image, kRed), 0);
}

TEST(FloodFill, SurfaceModeFillsTheConnectedRegionOfTheStartColour)
{
    Image image(6, 1, kWhite);
    image.Set(3, 0, kBlack);
    FloodFillArea(image, 0, 0, kSurfaceFill, kRed);
    EXPECT_EQ(CountColour(image, kRed), 3);
    EXPECT_EQ(image.At(4, 0), kWhite);
    FloodFillArea(image, 4, 0, kSurfaceFill, kWhite);  // same colour: nothing changes, no hang
    EXPECT_EQ(CountColour(image, kWhite), 2);
}

TEST(FloodFill, StartedOutsideTheImageDoesNothing)
{
    Image image(4, 4, kWhite);
    FloodFillArea(image, -1, 0, kBlue, kRed);
    FloodFillArea(image, 4, 0, kBlue, kRed);
    EXPECT_EQ(CountColour(image, kRed), 0);
}

TEST(FloodFill, FillsAMillionPixelMazeWithoutDeepRecursion)
{
    // A serpentine of walls makes the longest possible chain of spans.
    Image image(1000, 1000, kWhite);
    for (int y = 1; y < 1000; y += 2) {
        const int gap = (y / 2) % 2 == 0 ? 999 : 0;
        for (int x = 0; x < 1000; ++x)
            if (x != gap)
                image.Set(x, y, kBlue);
    }
    FloodFillArea(image, 0, 0, kBlue, kRed);
    EXPECT_EQ(CountColour(image, kRed), 500 * 1000 + 500);
}

}  // namespace
}  // namespace vx
