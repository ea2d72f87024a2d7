// What the comparison compares a lap against, without a window: laps of
// stated precise times, so that the reference lap and the next fastest are
// known.
#include <gtest/gtest.h>

#include <vector>

#include "app/windows/CompareChoice.h"

namespace vx {
namespace {

// Laps of these precise times; the reference lap is the fastest of laps 2..
LapAnalysis LapsOf(std::vector<double> times, std::int32_t reference)
{
    LapAnalysis analysis;
    analysis.LapCount = static_cast<std::int32_t>(times.size());
    analysis.ReferenceLap = reference;
    for (const double t : times) {
        LapFigures lap;
        lap.PreciseS = t;
        analysis.Laps.push_back(lap);
    }
    return analysis;
}

TEST(CompareChoice, ALapIsNeverComparedWithItself)
{
    // Lap 3 is the reference lap, lap 5 the next fastest (lap 1's 43 s is
    // the standing start's and does not count).
    const LapAnalysis race = LapsOf({43.0, 45.0, 44.0, 46.0, 44.5}, 3);
    CompareChoice choice;
    EXPECT_EQ(choice.AgainstLap(race, 2), 3);
    EXPECT_EQ(choice.AgainstLap(race, 3), 5);  // the reference lap against the next fastest

    choice.PickLap(4);
    EXPECT_EQ(choice.AgainstLap(race, 2), 4);
    EXPECT_EQ(choice.AgainstLap(race, 4), 3);  // the lap chosen, shown: against the reference lap

    // With two laps the reference lap is lap 2, and lap 1 the only other;
    // a race of one lap has nothing else to compare with.
    EXPECT_EQ(CompareChoice().AgainstLap(LapsOf({50.0, 45.0}, 2), 2), 1);
    EXPECT_EQ(CompareChoice().AgainstLap(LapsOf({50.0}, 1), 1), 1);
}

TEST(CompareChoice, StepsGoPastTheLapComparedAndStopAtTheEnds)
{
    const LapAnalysis race = LapsOf({43.0, 45.0, 44.0, 46.0, 44.5}, 3);
    CompareChoice choice;
    EXPECT_EQ(choice.Stepped(race, 2, +1), 4);
    EXPECT_EQ(choice.Stepped(race, 2, -1), 1);  // lap 2 itself is passed over
    choice.PickLap(5);
    EXPECT_EQ(choice.Stepped(race, 2, +1), std::nullopt);
    EXPECT_EQ(choice.Stepped(race, 2, -1), 4);
    choice.PickLap(1);
    EXPECT_EQ(choice.Stepped(race, 2, -1), std::nullopt);
    EXPECT_EQ(choice.Stepped(race, 2, +1), 3);
}

TEST(CompareChoice, AnotherRacesLapHoldsForItsRaceAndStepsBackBesideTheReferenceLap)
{
    const LapAnalysis race = LapsOf({43.0, 45.0, 44.0, 46.0, 44.5}, 3);
    const Sha256Digest game{1}, layout{2}, otherGame{3};
    BestLapOfRace kept;
    kept.Race = otherGame;
    kept.Lap = 7;
    kept.FileName = "cup.gam";
    kept.DateNs = 1764615851'000000000;  // 2025-12-01

    CompareChoice choice;
    choice.HoldFor(game, layout);
    choice.PickKeptLap(kept, LapProfile{}, true);
    EXPECT_EQ(choice.AgainstLap(race, 3), 0);  // no lap of this race
    EXPECT_EQ(choice.OtherRaceText(), "PB: 2025-12-01 cup.gam, lap 7");
    EXPECT_EQ(choice.Stepped(race, 2, +1), 4);
    EXPECT_EQ(choice.Stepped(race, 4, +1), 5);  // the lap compared is passed over

    choice.HoldFor(game, layout);  // the same race loaded again
    EXPECT_TRUE(choice.OtherRace().has_value());
    choice.HoldFor(otherGame, layout);
    EXPECT_FALSE(choice.OtherRace().has_value());
    EXPECT_EQ(choice.AgainstLap(race, 2), 3);
    EXPECT_EQ(choice.OtherRaceText(), "");
}

TEST(CompareChoice, TheCornersAreTimedOnTheLapChosen)
{
    // One corner, every lap a second longer into it than the one before.
    LapAnalysis race = LapsOf({43.0, 45.0, 44.0}, 3);
    race.Corners.resize(1);
    for (std::int32_t k = 1; k <= 3; ++k)
        race.Laps[static_cast<std::size_t>(k - 1)].Corners = {{double(k), 1.0, std::nullopt}};
    CompareChoice choice;
    EXPECT_EQ(*choice.CornersOf(race, 2).Deltas[0].EntryS, -1.0);  // against the reference lap, 3
    choice.PickLap(1);
    EXPECT_EQ(*choice.CornersOf(race, 2).Deltas[0].EntryS, 1.0);
    // Another race's lap kept without a path passes no gate: nothing to compare.
    choice.PickKeptLap(BestLapOfRace{}, LapProfile{}, false);
    const CornerComparison kept = choice.CornersOf(race, 2);
    ASSERT_EQ(kept.Deltas.size(), 1u);
    EXPECT_FALSE(kept.Deltas[0].EntryS);
    EXPECT_EQ(*kept.Lap[0].EntryS, 2.0);
}

}  // namespace
}  // namespace vx
