// A lap's path as a lap file carries it: from the lap's start, and without
// the repeated point where the line was crossed at a sample.
#include "laps/LapFilePath.h"

#include <gtest/gtest.h>

namespace vx {
namespace {

LapProfile Profile(std::vector<PathVertex> path, std::vector<std::optional<double>> speeds)
{
    LapProfile lap;
    lap.Lap = 4;
    lap.StartsAtCrossing = true;
    lap.StartS = path.front().t;
    lap.PreciseS = path.back().t - path.front().t;
    lap.Path = std::move(path);
    lap.SpeedKmh = std::move(speeds);
    return lap;
}

TEST(LapFilePath, TimesCountFromTheLapsStartAndSpeedsFollowTheirVertices)
{
    // Times whose differences a double holds exactly.
    const LapProfile lap = Profile({{10, 20, 40.5}, {11, 21, 40.625}, {12, 22, 40.75}, {13, 23, 40.8125}},
                                   {std::nullopt, 150.5, 151.25, std::nullopt});
    const std::vector<LapVertex> expected = {
        {10, 20, 0, std::nullopt}, {11, 21, 0.125, 150.5}, {12, 22, 0.25, 151.25}, {13, 23, 0.3125, std::nullopt}};
    EXPECT_EQ(LapFilePathOf(lap), expected);
}

TEST(LapFilePath, ACrossingAtASampleKeepsTheCrossingAndDropsTheSample)
{
    // Crossed at sample 813 to start (fraction 1) and at sample 815 to end
    // (fraction 0): each crossing repeats the point and time of its sample.
    const LapProfile lap = Profile({{10, 20, 40.5}, {10, 20, 40.5}, {11, 21, 40.625}, {12, 22, 40.75}, {12, 22, 40.75}},
                                   {std::nullopt, 150.0, 151.0, 152.0, std::nullopt});
    const std::vector<LapVertex> path = LapFilePathOf(lap);
    ASSERT_EQ(path.size(), 3u);
    EXPECT_EQ(path[0], (LapVertex{10, 20, 0, std::nullopt}));
    EXPECT_EQ(path[1].SpeedKmh, 151.0);
    EXPECT_EQ(path[2].X, 12);
    EXPECT_EQ(path[2].SpeedKmh, std::nullopt) << "the end is the crossing, which has no speed";
    EXPECT_EQ(path[2].T, lap.PreciseS);
}

}  // namespace
}  // namespace vx
