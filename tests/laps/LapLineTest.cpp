#include <gtest/gtest.h>

#include "laps/LapLine.h"

namespace vx {
namespace {

// A move from (px, py) to (x, y) against a lap line.
struct Move {
    int px, py, x, y;
};
struct Line {
    int x1, y1, x2, y2;
};

std::int8_t Crossing(Move m, Line l)
{
    return CrossesLapLine(m.x, m.y, m.px, m.py, l.x1, l.y1, l.x2, l.y2);
}

TEST(CrossesLapLine, BoundingBoxesRejectWithTheLastTrueTest)
{
    const Move m{10, 10, 20, 20};
    EXPECT_EQ(Crossing(m, {30, 0, 40, 50}), kLineRightOrMissed);
    EXPECT_EQ(Crossing(m, {0, 0, 5, 50}), kLineLeft);
    EXPECT_EQ(Crossing(m, {0, 30, 50, 40}), kLineBelow);
    EXPECT_EQ(Crossing(m, {0, 0, 50, 5}), kLineAbove);
    EXPECT_EQ(Crossing(m, {30, 30, 40, 40}), kLineBelow);  // right and below: below wins
}

TEST(CrossesLapLine, CrossingMovesGiveZeroAndMissesOne)
{
    EXPECT_EQ(Crossing({0, 0, 10, 10}, {0, 10, 10, 0}), kMoveCrossesLine);
    EXPECT_EQ(Crossing({0, 0, 10, 10}, {6, 0, 10, 3}), kLineRightOrMissed);  // meet at x -18
    EXPECT_EQ(Crossing({0, 0, 10, 10}, {2, 0, 12, 10}), kLineParallel);
}

TEST(CrossesLapLine, MoveEndingExactlyOnTheLineCounts)
{
    EXPECT_EQ(Crossing({90, 100, 100, 100}, {0, 0, 200, 200}), kMoveCrossesLine);
    EXPECT_EQ(Crossing({90, 100, 99, 100}, {0, 0, 200, 200}), kLineRightOrMissed);  // a pixel short
}

TEST(CrossesLapLine, VerticalMovesAndLinesLeanByOnePixel)
{
    EXPECT_EQ(Crossing({50, 0, 50, 20}, {40, 10, 60, 10}), kMoveCrossesLine);
    EXPECT_EQ(Crossing({100, 0, 100, 20}, {100, 5, 100, 15}), kMoveCrossesLine);  // along the line
    EXPECT_EQ(Crossing({0, 50, 20, 50}, {10, 40, 10, 60}), kMoveCrossesLine);
}

TEST(CrossesLapLine, ArgumentsCountByTheirLowSixteenBits)
{
    // 65535 is -1: the move runs from x -1 to 1 over the line at x 0
    EXPECT_EQ(Crossing({65535, 5, 1, 5}, {0, 0, 0, 10}), kMoveCrossesLine);
    EXPECT_EQ(Crossing({65536 + 10, 5, 30, 5}, {20, 0, 20, 10}), kMoveCrossesLine);
}

}  // namespace
}  // namespace vx
