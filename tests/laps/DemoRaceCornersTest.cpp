// The corners of the demo races in samples/, the worked example of the
// analysis: the demo race on Kestrelvale and the long race on the same track.
#include <cmath>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "formats/GameFile.h"
#include "formats/TrackFile.h"
#include "laps/CompareFigures.h"
#include "laps/LapAnalysis.h"
#include "laps/LapTrace.h"

namespace vx {
namespace {

std::vector<std::uint8_t> SampleFile(const std::string& relative)
{
    std::ifstream in(std::string(VX_SOURCE_DIR) + "/samples/" + relative, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The analysis of a saved game on Kestrelvale, as a load commits it.
struct DemoRace {
    explicit DemoRace(const std::string& game)
    {
        const auto parsedGame = ParseGameFile(SampleFile("Saves/" + game));
        const auto parsedTrack = ParseTrackFile(SampleFile("Tracks/Kestrelvale.trk"));
        if (!parsedGame.ok() || !parsedTrack.ok() || !parsedGame.value->Replay) {
            ADD_FAILURE() << "the demo files do not load: " << parsedGame.error << parsedTrack.error;
            return;
        }
        samples = parsedGame.value->Replay->Samples;
        const TrackData& track = *parsedTrack.value;
        trace = TraceLaps(samples, {track.MapScale, LapLine{track.LapLineX1, track.LapLineY1, track.LapLineX2,
                                                            track.LapLineY2}, false});
        AnalysisInput input;
        input.Samples = samples;
        input.MapScale = track.MapScale;
        input.LineX1 = track.LapLineX1, input.LineY1 = track.LapLineY1;
        input.LineX2 = track.LapLineX2, input.LineY2 = track.LapLineY2;
        input.TrackLength = track.TrackLength;
        input.Laps = &trace;
        analysis = AnalyseLaps(input);
    }
    std::vector<ReplaySample> samples;
    LapTrace trace;
    std::optional<LapAnalysis> analysis;
};

constexpr double kMilli = 0.0005;  // shown with three decimals
constexpr double kTenth = 0.05;    // shown with one

TEST(DemoRaceCorners, NineCornersAndWhereLapThreeLosesItsTime)
{
    const DemoRace race("demo.gam");
    ASSERT_TRUE(race.analysis);
    const LapAnalysis& a = *race.analysis;
    ASSERT_EQ(a.ReferenceLap, 10);
    ASSERT_EQ(a.Corners.size(), 9u);

    const Gate& apex1 = a.Corners[0].Apex;
    EXPECT_NEAR(apex1.End1.x, 434.12, 0.005);
    EXPECT_NEAR(apex1.End1.y, 403.20, 0.005);
    EXPECT_NEAR(apex1.End2.x, 464.59, 0.005);
    EXPECT_NEAR(apex1.End2.y, 412.97, 0.005);
    EXPECT_NEAR(*a.Corners[0].BestS, 5.079, kMilli);
    EXPECT_FALSE(a.Corners[8].End);
    EXPECT_NEAR(*a.Corners[8].BestS, 8.170, kMilli);

    const CornerFigures& first = a.Lap(10).Corners[0];
    EXPECT_NEAR(*first.EntryS, 3.661, kMilli);
    EXPECT_NEAR(*first.ExitS, 1.450, kMilli);
    EXPECT_NEAR(*first.MinSpeedKmh, 137.0, kTenth);
    EXPECT_NEAR(*a.IdealLapS, 43.326, kMilli);
    EXPECT_NEAR(*a.TheoreticalBestS, 43.366, kMilli);

    // Lap 3 against lap 10: most in corner 5, most of that on the way out.
    const CornerComparison lap3 = CompareCorners(a, 3, 10);
    const std::vector<CornerLoss> most = MostTimeLost(lap3, 1);
    ASSERT_EQ(most.size(), 1u);
    EXPECT_EQ(most[0].Corner, 5);
    EXPECT_NEAR(most[0].TimeS, 1.823, kMilli);
    EXPECT_NEAR(most[0].ExitS, 1.454, kMilli);
    EXPECT_TRUE(most[0].OnTheWayOut);
    EXPECT_NEAR(*lap3.Lap[4].MinSpeedKmh, 85.7, kTenth);
    EXPECT_NEAR(*lap3.Against[4].MinSpeedKmh, 121.3, kTenth);
    double sum = 0;
    for (const CornerDelta& delta : lap3.Deltas)
        sum += *delta.TimeS;
    EXPECT_NEAR(sum, 2.865, kMilli);
    EXPECT_NEAR(sum, a.Lap(3).PreciseS - a.Lap(10).PreciseS, 1e-9);
}

TEST(DemoRaceCorners, TheLongRacesTopSpeedIsThatOfTheCar)
{
    // Over a tenth of a second the positions' steps made it read 339 km/h.
    const DemoRace race("long.gam");
    ASSERT_TRUE(race.analysis);
    double top = 0;
    for (std::int32_t k = 1; k <= race.analysis->LapCount; ++k)
        top = std::max(top, race.analysis->Lap(k).TopSpeedKmh.value_or(0.0));
    EXPECT_NEAR(top, 317.1, kTenth);
}

}  // namespace
}  // namespace vx
