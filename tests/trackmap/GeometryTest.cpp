#include <cmath>

#include <gtest/gtest.h>

#include "trackmap/Geometry.h"

namespace vx {
namespace {

TEST(MapPixelOf, HalvesTowardZeroAndFlipsWith511)
{
    EXPECT_EQ(MapPixelOf(-3, 0), (MapPixel{-1, 511}));  // a shift would give -2
    EXPECT_EQ(MapPixelOf(7, 400), (MapPixel{3, 311}));
}

TEST(InsideMarkerArea, KeepsTheThreeByThreeMarkerInsideTheMapArea)
{
    EXPECT_FALSE(InsideMarkerArea(MapPixelOf(0, 400).x, 311));     // px 0
    EXPECT_FALSE(InsideMarkerArea(200, MapPixelOf(400, 0).y));     // py 511
    EXPECT_TRUE(InsideMarkerArea(MapPixelOf(1021, 400).x, 311));   // px 510
    EXPECT_FALSE(InsideMarkerArea(MapPixelOf(1022, 400).x, 311));  // px 511
    EXPECT_TRUE(InsideMarkerArea(1, 1));
    EXPECT_FALSE(InsideMarkerArea(1, 0));
}

TEST(InsideFootprintMargin, KeepsTheHalfWidthFromEveryEdge)
{
    EXPECT_TRUE(InsideFootprintMargin(31, 479, 31));
    EXPECT_FALSE(InsideFootprintMargin(30, 200, 31));
    EXPECT_FALSE(InsideFootprintMargin(200, 480, 31));
    EXPECT_TRUE(InsideFootprintMargin(0, 510, 0));  // half-width 0: the whole 0..510
    EXPECT_FALSE(InsideFootprintMargin(511, 200, 0));
}

TEST(HeadingAngle, OffsetsByAQuarterTurnAndReducesAbove244)
{
    EXPECT_EQ(HeadingAngle(0), 1.5705f);
    EXPECT_NEAR(HeadingAngle(183), 6.282f, 1e-5f);  // h = 244 stays whole
    EXPECT_NEAR(HeadingAngle(184), 0.0257459f, 1e-7f);  // h = 1
}

TEST(HeadingAngle, TurnsClockwiseFromRightThroughDownLeftAndUp)
{
    const struct { std::uint8_t byte; double dx, dy; } cases[] = {
        {0, 1, 0}, {61, 0, 1}, {122, -1, 0}, {183, 0, -1}};
    for (const auto& c : cases) {
        const double theta = HeadingAngle(c.byte);
        EXPECT_NEAR(std::sin(theta), c.dx, 0.01) << "byte " << int{c.byte};
        EXPECT_NEAR(-std::cos(theta), c.dy, 0.01) << "byte " << int{c.byte};
    }
}

TEST(FootprintSize, HalvesTheScaledSizeInWholePixels)
{
    EXPECT_EQ(FootprintSize(15900, 6200, 100), (FootprintHalves{79, 31}));
    EXPECT_EQ(FootprintSize(3100, 400, 100), (FootprintHalves{15, 2}));
    EXPECT_EQ(FootprintSize(15900, 6200, 255), (FootprintHalves{31, 12}));
    EXPECT_EQ(FootprintSize(3100, 400, 255), (FootprintHalves{6, 0}));
    EXPECT_FALSE(FootprintSize(15900, 6200, 0).has_value());
}

void ExpectCornerPixels(const Footprint& f, MapPixel f1, MapPixel f2, MapPixel k1, MapPixel k2)
{
    EXPECT_EQ(f.F1.pixel, f1);
    EXPECT_EQ(f.F2.pixel, f2);
    EXPECT_EQ(f.K1.pixel, k1);
    EXPECT_EQ(f.K2.pixel, k2);
}

TEST(FootprintOf, LargeFootprintAtHeadingZeroLiesAlmostLevel)
{
    const MapPixel centre = MapPixelOf(400, 400);
    const Footprint f = FootprintOf(centre.x, centre.y, HeadingAngle(0), 79, 31);
    EXPECT_NEAR((f.F1.x + f.F2.x) / 2, 279.0f, 1e-4f);
    EXPECT_NEAR((f.F1.y + f.F2.y) / 2, 310.97659f, 1e-4f);
    EXPECT_NEAR(f.F2.x - f.F1.x, 2 * 0.0091870f, 1e-4f);  // D across, not along
    ExpectCornerPixels(f, {278, 279}, {279, 341}, {120, 280}, {121, 342});
}

TEST(FootprintOf, CornersTruncateTowardZero)
{
    // heading 61: corners at 202.0089 / 325.9988 and the like land on 202 / 325
    const Footprint f = FootprintOf(200, 311, HeadingAngle(61), 15, 2);
    ExpectCornerPixels(f, {202, 325}, {198, 326}, {201, 295}, {197, 296});
    const Footprint edge = FootprintOf(0, 0, HeadingAngle(0), 0, 2);  // F1 x is -0.0006
    EXPECT_LT(edge.F1.x, 0.0f);
    EXPECT_EQ(edge.F1.pixel.x, 0);  // not -1 as flooring would give
}

TEST(FootprintOf, HalfWidthZeroPutsAllEdgesOnOneLine)
{
    const Footprint f = FootprintOf(200, 311, HeadingAngle(30), 6, 0);
    EXPECT_EQ(f.F1.pixel, f.F2.pixel);
    EXPECT_EQ(f.K1.pixel, f.K2.pixel);
    EXPECT_NE(f.F1.pixel, f.K1.pixel);
}

TEST(StreamPixel, StartsBottomLeftAndClimbsARowEvery512)
{
    EXPECT_EQ(StreamPixel(0), (MapPixel{0, 511}));
    EXPECT_EQ(StreamPixel(511), (MapPixel{511, 511}));
    EXPECT_EQ(StreamPixel(512), (MapPixel{0, 510}));
    EXPECT_EQ(StreamPixel(512 * 512 - 1), (MapPixel{511, 0}));
    EXPECT_EQ(StreamPixel(512 * 512).y, -1);  // past the map area
}

TEST(HeightCellOrigin, RowZeroEndsAboveTheBottomLine)
{
    EXPECT_EQ(HeightCellOrigin(0), (MapPixel{0, 503}));  // covers 503..510, not 511
    EXPECT_EQ(HeightCellOrigin(63), (MapPixel{504, 503}));
    EXPECT_EQ(HeightCellOrigin(64), (MapPixel{0, 495}));
    EXPECT_EQ(HeightCellOrigin(4095), (MapPixel{504, -1}));
}

}  // namespace
}  // namespace vx
