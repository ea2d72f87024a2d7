// The lap analysis on courses driven along straight lines at a constant
// 4 pixels per sample (80 pixels a second), so that every crossing, sector
// and speed is known by hand.
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "laps/CompareFigures.h"
#include "laps/LapAnalysis.h"
#include "laps/LapTrace.h"

namespace vx {
namespace {

// With scale byte 200 a sample unit is 1/59 pixel, so whole pixels are exact.
constexpr std::uint8_t kScale = 200;
constexpr double kMicro = 1e-6;

// The lap line at x 302: crossed halfway through the move from x 300 to 304.
const LapLine kLine{302, 200, 302, 300};

class Course {
public:
    Course() { Add(200, 250); }
    // Drives to (x, y) at 4 pixels per sample; the way is a multiple of 4.
    Course& To(int x, int y)
    {
        const int steps = (std::abs(x - x_) + std::abs(y - y_)) / 4;
        const int dx = (x - x_) / steps, dy = (y - y_) / steps;
        for (int i = 0; i < steps; ++i)
            Add(x_ + dx, y_ + dy);
        return *this;
    }
    Course& Stop(int samples)
    {
        for (int i = 0; i < samples; ++i)
            Add(x_, y_);
        return *this;
    }
    // One lap of the 600-pixel rectangle, clockwise on the map from its
    // lower left corner (200, 250); stops at the middle of its top side.
    Course& Lap(int stopSamples = 0)
    {
        To(400, 250).To(400, 150).To(300, 150).Stop(stopSamples).To(200, 150).To(200, 250);
        return *this;
    }
    // The same, turning up at x 380 and waiting there: 560 pixels in 8 s.
    Course& ShortLap() { return To(380, 250).To(380, 150).Stop(20).To(200, 150).To(200, 250); }

    std::optional<LapAnalysis> Analyse(std::int32_t trackLength = 1200)
    {
        trace_ = TraceLaps(samples_, {kScale, kLine});
        AnalysisInput input;
        input.Samples = samples_;
        input.MapScale = kScale;
        input.LineX1 = kLine.x1, input.LineY1 = kLine.y1, input.LineX2 = kLine.x2, input.LineY2 = kLine.y2;
        input.TrackLength = trackLength;
        input.Laps = &trace_;
        return AnalyseLaps(input);
    }
    Course& Finish() { return To(304, 250); }  // over the line once more

private:
    void Add(int x, int y)
    {
        x_ = x, y_ = y;
        samples_.push_back({static_cast<std::uint16_t>(x * 59), static_cast<std::uint16_t>((511 - y) * 59)});
    }
    int x_ = 0, y_ = 0;
    std::vector<ReplaySample> samples_;
    LapTrace trace_;
};

TEST(LapAnalysis, TimesSectorsSpeedAndDeltaOfAKnownCourse)
{
    // Sample 26 (x 304) crosses first: the start, at 25.5 samples. Every lap
    // is 150 samples; lap 3 waits 10 samples at the middle of the top side.
    const auto a = Course{}.Lap().Lap().Lap(10).Lap().Finish().Analyse();
    ASSERT_TRUE(a);
    ASSERT_EQ(a->LapCount, 4);
    const double crossings[] = {25.5, 175.5, 325.5, 485.5, 635.5};
    for (int i = 0; i <= 4; ++i)
        EXPECT_NEAR(a->CrossingsS[i], crossings[i] / 20, kMicro) << "crossing " << i;
    const double precise[] = {8.775, 7.5, 8.0, 7.5};
    for (int k = 1; k <= 4; ++k) {
        const LapFigures& lap = a->Lap(k);
        EXPECT_NEAR(lap.PreciseS, precise[k - 1], kMicro) << "lap " << k;
        ASSERT_TRUE(lap.SectorsS[0] && lap.SectorsS[1] && lap.SectorsS[2]) << "lap " << k;
        EXPECT_NEAR(*lap.SectorsS[0] + *lap.SectorsS[1] + *lap.SectorsS[2], lap.PreciseS, kMicro);
        EXPECT_NEAR(*lap.TopSpeedKmh, 576.0, kMicro);  // 40 pixels x 2 m in 0.5 s
    }
    EXPECT_EQ(a->ReferenceLap, 2);  // laps 2 and 4 tie: the lower number
    EXPECT_NEAR(*a->MetresPerPixel, 2.0, kMicro);  // 1200 m over 600 pixels

    // The gates at 200 and 400 pixels from the line, across the top side
    // (going left) and the left side (going down).
    ASSERT_TRUE(a->Gates);
    const Gate& g1 = (*a->Gates)[0];
    const Gate& g2 = (*a->Gates)[1];
    EXPECT_NEAR(g1.End1.x, 398, kMicro);
    EXPECT_NEAR(g1.End1.y, 166, kMicro);
    EXPECT_NEAR(g1.End2.y, 134, kMicro);
    EXPECT_NEAR(g2.End1.x, 216, kMicro);
    EXPECT_NEAR(g2.End1.y, 152, kMicro);
    EXPECT_NEAR(g2.End2.x, 184, kMicro);

    // Lap 1 runs from the first sample: 300 pixels to the first gate.
    EXPECT_NEAR(*a->Lap(1).SectorsS[0], 75.5 / 20, kMicro);
    EXPECT_NEAR(*a->Lap(2).SectorsS[1], 2.5, kMicro);
    EXPECT_NEAR(*a->Lap(3).SectorsS[1], 3.0, kMicro);  // the wait is in the middle sector
    EXPECT_NEAR(*a->Lap(3).SectorsS[2], 2.5, kMicro);
    for (int g = 0; g < 3; ++g)
        EXPECT_NEAR(*a->BestSectorsS[g], 2.5, kMicro);
    EXPECT_NEAR(*a->TheoreticalBestS, 7.5, kMicro);

    // The speed is the chord from five samples before to five after: 0 only
    // at the middle one of the 11 samples of the wait; at the first corner
    // (sample 50), one sample on, the chord from 24 pixels before it to 16
    // pixels up the next side is 8 sqrt(13) pixels: 115.2 sqrt(13) km/h.
    EXPECT_NEAR(*a->SpeedAt(325 + 75 + 5), 0.0, kMicro);
    EXPECT_GT(*a->SpeedAt(325 + 75 + 4), 0.0);
    EXPECT_NEAR(*a->SpeedAt(51), 115.2 * std::sqrt(13.0), kMicro);
    // Five samples at either end of the replay (samples 0..636) have none.
    EXPECT_FALSE(a->SpeedAt(4) || a->SpeedAt(632));
    EXPECT_TRUE(a->SpeedAt(5) && a->SpeedAt(631));

    // Lap 3 is level with the reference until the wait, half a second down
    // after it and at the line.
    const LapProfile reference = ProfileOf(*a, a->ReferenceLap);
    EXPECT_NEAR(DeltaAt(ProfileOf(*a, 3), reference, 0.25), 0.0, kMicro);
    EXPECT_NEAR(DeltaAt(ProfileOf(*a, 3), reference, 0.6), 0.5, kMicro);
    EXPECT_NEAR(DeltaAt(ProfileOf(*a, 3), reference, 1.0), 0.5, kMicro);
    const MapPoint middle = PointAt(ProfileOf(*a, 2), 0.5);
    EXPECT_NEAR(middle.x, 298, kMicro);  // 300 pixels on from the line: 98 right, 100 up, 102 left
    EXPECT_NEAR(middle.y, 150, kMicro);

    // All three later laps are within 7 % of 7.5 s.
    EXPECT_EQ(a->CleanCount, 3);
    EXPECT_NEAR(*a->CleanMeanS, 23.0 / 3, kMicro);
    EXPECT_NEAR(*a->CleanStdevS, std::sqrt(1.0 / 12), kMicro);
}

TEST(LapAnalysis, AbsentFiguresStayAbsent)
{
    // Lap 2 turns early and never meets the first gate (at x 398, on lap
    // 3's path): its first two sectors are absent, the last one is there.
    // Without a track length there is no speed.
    const auto a = Course{}.Lap().ShortLap().Lap().Finish().Analyse(0);
    ASSERT_TRUE(a);
    ASSERT_EQ(a->LapCount, 3);
    EXPECT_EQ(a->ReferenceLap, 3);
    const LapFigures& lap2 = a->Lap(2);
    EXPECT_FALSE(lap2.SectorsS[0] || lap2.SectorsS[1]);
    EXPECT_TRUE(lap2.SectorsS[2]);
    EXPECT_FALSE(a->MetresPerPixel || lap2.TopSpeedKmh || a->SpeedAt(100));

    // One lap: the reference is lap 1; no best sector, no clean lap.
    const auto one = Course{}.Lap().Lap().Analyse();
    ASSERT_TRUE(one);
    EXPECT_EQ(one->LapCount, 1);
    EXPECT_EQ(one->ReferenceLap, 1);
    EXPECT_FALSE(one->BestSectorsS[0] || one->TheoreticalBestS || one->CleanMeanS);
    EXPECT_EQ(one->CleanCount, 0);

    // No lap, or no map scale: no analysis.
    EXPECT_FALSE(Course{}.Lap().Analyse());
}

// --- The comparison's figures ----------------------------------------------------

TEST(CompareFigures, SpeedsOfALapAndAtItsCrossings)
{
    // Lap 2 waits a second on the top side: 0 km/h there, 576 elsewhere.
    const auto a = Course{}.Lap().Lap(20).Lap().Finish().Analyse();
    ASSERT_TRUE(a);
    const LapProfile lap = ProfileOf(*a, 2);
    const auto range = SpeedRangeOf(lap);
    ASSERT_TRUE(range);
    EXPECT_NEAR(range->Low, 0.0, kMicro);
    EXPECT_NEAR(range->High, 576.0, kMicro);
    // A crossing of the line has no sample: the sample beside it gives the speed.
    ASSERT_FALSE(lap.SpeedKmh.front() || lap.SpeedKmh.back());
    EXPECT_NEAR(*SpeedAt(lap, 0.0), 576.0, kMicro);
    EXPECT_NEAR(*SpeedAt(lap, 1.0), 576.0, kMicro);

    // Without a track length no lap has a speed.
    EXPECT_FALSE(SpeedRangeOf(ProfileOf(*Course{}.Lap().Lap().Lap().Analyse(0), 1)));
    EXPECT_TRUE(ProfileOf(*a, 9).Path.empty());  // a lap not driven
}

TEST(CompareFigures, AnotherLapToCompareAgainstChangesOnlyTheDeltaAndTheLapBeside)
{
    // Lap 2 turns early (560 pixels, 8 s with its wait), lap 3 is the
    // reference (600 pixels, 7.5 s), lap 4 waits half a second. Measured on
    // lap 2, the metres per pixel would make every speed 7 % higher.
    const auto a = Course{}.Lap().ShortLap().Lap().Lap(10).Finish().Analyse();
    ASSERT_TRUE(a);
    ASSERT_EQ(a->ReferenceLap, 3);
    const CompareFigures onReference = CompareLaps(*a, 4, 0);
    const CompareFigures onShort = CompareLaps(*a, 4, 2);
    EXPECT_EQ(onReference.Against.Lap, 3);
    EXPECT_EQ(onShort.Against.Lap, 2);
    EXPECT_EQ(CompareLaps(*a, 4, 9).Against.Lap, 3);  // a lap not driven: the reference

    // Lap 4 as drawn and measured is the same lap whatever it is compared against.
    EXPECT_EQ(onShort.Lap.Path.size(), onReference.Lap.Path.size());
    EXPECT_EQ(onShort.Lap.SpeedKmh, onReference.Lap.SpeedKmh);
    ASSERT_TRUE(onShort.LapSpeeds);
    EXPECT_NEAR(onShort.LapSpeeds->High, 576.0, kMicro);  // 1200 m over the reference's 600 pixels
    EXPECT_NEAR(*a->Lap(4).TopSpeedKmh, 576.0, kMicro);
    EXPECT_NEAR(*a->Lap(4).SectorsS[1], 3.0, kMicro);  // gates on the reference lap's path

    // Only the delta follows the choice: at the line, the difference of the precise times.
    EXPECT_NEAR(DeltaAt(onReference.Lap, onReference.Against, 1.0), 0.5, kMicro);
    EXPECT_NEAR(DeltaAt(onShort.Lap, onShort.Against, 1.0), 0.0, kMicro);
    ASSERT_TRUE(onShort.AgainstSpeeds);
    EXPECT_NEAR(onShort.AgainstSpeeds->Low, 0.0, kMicro);  // lap 2's wait
}

TEST(CompareFigures, ALapOfAnotherRaceIsMeasuredFromItsOwnStartWithTheSpeedsItKept)
{
    // This race's lap 3 (7.5 s) against lap 2 of another race, which waits a
    // second on the top side (8.5 s), kept as the history keeps it: times in
    // that race's replay, which had run a lap already.
    const auto race = Course{}.Lap().Lap().Lap().Finish().Analyse();
    const auto other = Course{}.Lap().Lap(20).Lap().Finish().Analyse();
    ASSERT_TRUE(race && other);
    const LapProfile theirs = ProfileOf(*other, 2);
    const LapProfile kept = ProfileOfKeptLap(2, "2026-12-01", other->Lap(2).PreciseS, theirs.Path, theirs.SpeedKmh);
    ASSERT_GT(kept.StartS, 7.0);
    EXPECT_EQ(kept.Race, "2026-12-01");
    const CompareFigures figures = CompareLaps(ProfileOf(*race, 3), kept);
    // Level until the wait in the middle of the way, then a second ahead.
    EXPECT_NEAR(DeltaAt(figures.Lap, figures.Against, 0.25), 0.0, kMicro);
    EXPECT_NEAR(DeltaAt(figures.Lap, figures.Against, 0.75), -1.0, kMicro);
    EXPECT_NEAR(DeltaAt(figures.Lap, figures.Against, 1.0), -1.0, kMicro);
    ASSERT_TRUE(figures.AgainstSpeeds);
    EXPECT_NEAR(figures.AgainstSpeeds->Low, 0.0, kMicro);
    EXPECT_NEAR(*SpeedAt(figures.Against, 0.0), 576.0, kMicro);  // beside the crossing it starts at

    // Kept without speeds: the path and times stay, no speed is made up.
    const LapProfile bare = ProfileOfKeptLap(2, "", other->Lap(2).PreciseS, theirs.Path, {});
    EXPECT_EQ(bare.SpeedKmh.size(), bare.Path.size());
    EXPECT_FALSE(SpeedRangeOf(bare));
    EXPECT_NEAR(TimeAt(bare, 0.75), TimeAt(kept, 0.75), kMicro);
}

TEST(CompareFigures, TheComparedLapIsTheShownOneOrTheFastest)
{
    const auto a = Course{}.Lap().Lap(20).Lap(10).Finish().Analyse();
    ASSERT_TRUE(a);
    ASSERT_EQ(a->ReferenceLap, 3);
    EXPECT_EQ(ComparedLap(*a, 2, 1), 2);  // the lap shown
    EXPECT_EQ(ComparedLap(*a, 0, 1), 1);  // the whole race: the lap view's fastest
    EXPECT_EQ(ComparedLap(*a, 0, 0), 3);  // no lap under a minute: the reference
    EXPECT_EQ(ComparedLap(*a, 7, 0), 3);  // a lap the analysis has not
}

TEST(CompareFigures, TheBestPreciseTimeAndSectorsAreFlyingLapsOnly)
{
    // Lap 1 (8.775 s from the first sample) is faster than laps 2 (9.5 s)
    // and 3 (9.0 s), which wait in their middle sectors.
    const auto a = Course{}.Lap().Lap(40).Lap(30).Finish().Analyse();
    ASSERT_TRUE(a);
    ASSERT_LT(a->Lap(1).PreciseS, a->Lap(3).PreciseS);
    const LapTableBests bests = LapTableBestsOf(*a, 1);
    EXPECT_EQ(bests.FastestTimeLap, 1);
    EXPECT_EQ(bests.FastestPreciseLap, 3);
    EXPECT_NEAR(*bests.TopSpeedKmh, 576.0, kMicro);

    const BestCells first = BestCellsOf(*a, bests, 1);
    EXPECT_TRUE(first.Time);
    EXPECT_FALSE(first.Precise);
    EXPECT_TRUE(first.TopSpeed);  // every lap reaches the top speed
    const BestCells third = BestCellsOf(*a, bests, 3);
    EXPECT_TRUE(third.Precise);
    EXPECT_TRUE(third.Sectors[1]);  // the shorter wait
    EXPECT_FALSE(BestCellsOf(*a, bests, 2).Sectors[1]);
    EXPECT_TRUE(third.TopSpeed);
}

}  // namespace
}  // namespace vx
