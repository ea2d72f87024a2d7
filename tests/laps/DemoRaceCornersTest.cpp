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
#include "laps/LapFilePath.h"
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

TEST(DemoRaceLapFile, ARaceAgainstAFileOfItsOwnReferenceLapLosesAndGainsNothing)
{
    const DemoRace race("demo.gam");
    ASSERT_TRUE(race.analysis);
    const LapAnalysis& a = *race.analysis;
    const std::int32_t reference = a.ReferenceLap;
    const LapFile exported = LapFileOf(a, reference, 4360, {"Kestrelvale", {}, "Mara Quill", "Corvane GT", 0, {}});
    ASSERT_EQ(LapFault(exported), std::nullopt);

    // Export, then read: the same lap to the microsecond.
    const std::string text = WriteLapFile(exported);
    const auto read = ReadLapFile({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}, "own.vxlap");
    ASSERT_TRUE(read.ok()) << read.error;
    const LapFile& file = *read.value;
    ASSERT_EQ(file.Path.size(), exported.Path.size());
    EXPECT_EQ(file.PreciseS, exported.PreciseS);
    for (std::size_t i = 0; i < file.Path.size(); ++i) {
        EXPECT_NEAR(file.Path[i].T, exported.Path[i].T, 0.5e-6) << "vertex " << i;
        EXPECT_NEAR(file.Path[i].X, exported.Path[i].X, 1e-3) << "vertex " << i;
    }

    // Every lap against the file's lap as against its own reference lap; the
    // gates are passed where the file's positions (to 1/10000 of a map
    // pixel) meet them, within 10 us of where the samples do.
    const LapProfile against = ProfileOfLapFile(file);
    EXPECT_EQ(against.Driver, "Mara Quill");
    const CompareFigures figures = CompareLaps(ProfileOf(a, reference), against);
    for (const double f : {0.1, 0.25, 0.5, 0.75, 0.9, 1.0})
        EXPECT_NEAR(DeltaAt(figures.Lap, figures.Against, f), 0, 2e-6) << "at " << f;
    for (const std::int32_t lap : {3, reference}) {
        const CornerComparison own = CompareCorners(a, lap, reference);
        const CornerComparison filed = CompareCorners(a, lap, against);
        ASSERT_EQ(filed.Deltas.size(), a.Corners.size());
        for (std::size_t i = 0; i < filed.Deltas.size(); ++i) {
            ASSERT_TRUE(filed.Deltas[i].TimeS) << "corner " << i + 1;
            EXPECT_NEAR(*filed.Deltas[i].TimeS, *own.Deltas[i].TimeS, 1e-5) << "lap " << lap << ", corner " << i + 1;
            if (lap == reference) {
                EXPECT_NEAR(*filed.Deltas[i].TimeS, 0, 1e-5) << "corner " << i + 1;
            }
        }
    }
}

}  // namespace
}  // namespace vx
