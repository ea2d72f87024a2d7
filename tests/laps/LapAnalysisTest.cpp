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

// --- Corners -------------------------------------------------------------------

TEST(CornerMarks, AWalkOverTheSpeedsThatTurnsOnlyAtTwentyKmh)
{
    const double none = std::nan("");
    const double speeds[] = {100, 120, 120, 100.5, 100,  90, 95, 110, 110, 130,
                             110, none, 105, 80,   80,   99.9, 100, 70, 60, 79.9};
    // 120 at 1 is the maximum (the equal 120 at 2 does not move it); 100.5 is
    // not 20 below it, 100 is. 90 at 5 is the minimum: 95 is not 20 above
    // it, 110 is. 130 at 9, confirmed by 110; the first 80 at 13, confirmed
    // by 100 (not by 99.9). The fall to 60 at 18 is never undone: no apex,
    // and the maximum before it at 16 ends no corner.
    EXPECT_EQ(CornerMarks(speeds), (std::vector<std::size_t>{5, 9, 13}));
    // A maximum alone, or no speed at all: no corner.
    EXPECT_TRUE(CornerMarks(std::vector<double>{100, 130, 105}).empty());
    EXPECT_TRUE(CornerMarks(std::vector<double>{none, none}).empty());
}

// Laps of the 600-pixel rectangle at 576 km/h: at each of its corners the
// chord cuts across, down to 288 sqrt(2) km/h at the corner itself, so the
// reference lap's apexes are the rectangle's corners. Along a side the speed
// is 576 from the fifth sample after a corner on, and the maximum stays at
// that first one.
constexpr double kApexKmh = 288 * 1.4142135623730951;

// Lap 2, the reference, runs samples 176..325: apexes at the corners
// (samples 200, 225, 275, 300), maxima 5 samples after the first three. Lap
// 3 waits a second on its way out of corner 1 and half a second on the top
// side before corner 3. Lap 4 turns up at x 380, inside the first two
// corners' gates, and waits at the fourth gate's vertex.
std::optional<LapAnalysis> RaceWithWaits()
{
    return Course{}
        .Lap()
        .Lap()
        .To(400, 250).To(400, 242).Stop(20).To(400, 150).To(300, 150).Stop(10).To(200, 150).To(200, 250)
        .ShortLap()
        .Lap()
        .Finish()
        .Analyse();
}

TEST(LapCorners, TheReferenceLapsApexesCutEveryLapIntoCorners)
{
    const auto a = RaceWithWaits();
    ASSERT_TRUE(a);
    ASSERT_EQ(a->ReferenceLap, 2);
    ASSERT_EQ(a->Corners.size(), 4u);
    EXPECT_EQ(a->Corners[1].ApexSample, 225);
    EXPECT_EQ(a->Corners[3].ApexSample, 300);
    EXPECT_EQ(a->Corners[0].EndSample, 205);  // 5 samples up, not 15 further where it brakes
    EXPECT_FALSE(a->Corners[3].End);  // the last corner ends at the line

    // Each gate is square to the way on from its vertex, 16 pixels either side.
    const struct { const Gate* gate; double x1, y1, x2, y2; } gates[] = {
        {&a->Corners[0].Apex, 384, 250, 416, 250},   // turning up
        {&a->Corners[2].Apex, 216, 150, 184, 150},   // turning down
        {&*a->Corners[1].End, 380, 166, 380, 134}};  // going left
    for (const auto& g : gates) {
        EXPECT_NEAR(g.gate->End1.x, g.x1, kMicro);
        EXPECT_NEAR(g.gate->End1.y, g.y1, kMicro);
        EXPECT_NEAR(g.gate->End2.x, g.x2, kMicro);
        EXPECT_NEAR(g.gate->End2.y, g.y2, kMicro);
    }

    // The reference lap from its crossing at 8.775 s through its gates at
    // 10, 10.25, 11.25, 11.5, 13.75, 14 and 15 s to its end at 16.275 s.
    const double entries[] = {1.225, 1.0, 2.25, 1.0};
    const double exits[] = {0.25, 0.25, 0.25, 1.275};
    for (std::size_t i = 0; i < 4; ++i) {
        const CornerFigures& c = a->Lap(2).Corners[i];
        EXPECT_NEAR(*c.EntryS, entries[i], kMicro) << "corner " << i + 1;
        EXPECT_NEAR(*c.ExitS, exits[i], kMicro) << "corner " << i + 1;
        EXPECT_NEAR(*c.MinSpeedKmh, kApexKmh, kMicro) << "corner " << i + 1;
    }
    // Lap 3's waits fall in corner 1's exit and corner 3's entry.
    const LapFigures& waits = a->Lap(3);
    EXPECT_NEAR(*waits.Corners[0].ExitS, 1.25, kMicro);
    EXPECT_NEAR(*waits.Corners[2].EntryS, 2.75, kMicro);
    EXPECT_NEAR(*waits.Corners[0].MinSpeedKmh, 0.0, kMicro);

    // Lap 4 misses the first three gates: corners 1 and 2 are absent. It
    // passes the fourth leaving its wait there, searched from the lap's
    // start; its slowest sample in corner 3 is that last one of the wait,
    // 20 pixels behind the one 5 samples on (288 km/h); the one before it
    // lies before the corner.
    const LapFigures& shortLap = a->Lap(4);
    for (std::size_t i = 0; i < 2; ++i)
        EXPECT_FALSE(shortLap.Corners[i].EntryS || shortLap.Corners[i].ExitS || shortLap.Corners[i].MinSpeedKmh);
    EXPECT_NEAR(*shortLap.Corners[2].EntryS, 2.25, kMicro);
    EXPECT_NEAR(*shortLap.Corners[2].MinSpeedKmh, 288.0, kMicro);

    // A lap with every part adds up to its precise time.
    for (const std::int32_t k : {1, 2, 3, 5}) {
        double sum = 0;
        for (const CornerFigures& c : a->Lap(k).Corners)
            sum += *c.TimeS();
        EXPECT_NEAR(sum, a->Lap(k).PreciseS, 1e-9) << "lap " << k;
    }
    EXPECT_NEAR(*a->Corners[0].BestS, 1.475, kMicro);  // not lap 3's 2.475
    EXPECT_NEAR(*a->IdealLapS, 7.5, kMicro);
}

TEST(LapCorners, TheReferenceLapPassesItsOwnGatesAtItsSamples)
{
    // Laps 2 and 3 wait a second on the top side. The reference lap's apex
    // there is the first sample of no speed, five samples after it stopped
    // at x 300; lap 3, driven the same, passes that gate by the search on
    // arriving there, a quarter of a second earlier. The corner runs from
    // x 380 to x 280 and takes 2.25 s either way.
    const auto a = Course{}.Lap().Lap(20).Lap(20).Finish().Analyse();
    ASSERT_TRUE(a);
    ASSERT_EQ(a->ReferenceLap, 2);
    ASSERT_EQ(a->Corners.size(), 5u);
    const CornerFigures& own = a->Lap(2).Corners[2];
    const CornerFigures& searched = a->Lap(3).Corners[2];
    EXPECT_NEAR(*own.EntryS, 1.25, kMicro);
    EXPECT_NEAR(*own.ExitS, 1.0, kMicro);
    EXPECT_NEAR(*searched.EntryS, 1.0, kMicro);
    EXPECT_NEAR(*searched.ExitS, 1.25, kMicro);
    EXPECT_NEAR(*searched.MinSpeedKmh, 0.0, kMicro);
    // Lap 1 does not wait (1.25 s there) but is no flying lap.
    EXPECT_NEAR(*a->Lap(1).Corners[2].TimeS(), 1.25, kMicro);
    EXPECT_NEAR(*a->Corners[2].BestS, 2.25, kMicro);
}

TEST(LapCorners, ASlowingTheReferenceLapHasNotUndoneAtItsEndIsNoApex)
{
    // Laps turning down at x 296 and up again to the line at x 302: the last
    // turn is one sample before the reference lap's end, where the speed has
    // come back only to 115.2 sqrt(13) km/h, less than 20 above the turn's;
    // the next lap's first sample would confirm it.
    Course course;
    for (int lap = 0; lap < 3; ++lap)
        course.To(400, 250).To(400, 150).To(296, 150).To(296, 250);
    const auto a = course.To(400, 250).Analyse(816);  // 408 pixels: 2 m each
    ASSERT_TRUE(a);
    ASSERT_EQ(a->ReferenceLap, 2);
    ASSERT_EQ(a->Corners.size(), 3u);
    EXPECT_FALSE(a->Corners[2].End);
    // Corner 3 runs from its apex at (296, 150) down and along to the line: 26.5 samples.
    EXPECT_NEAR(*a->Lap(2).Corners[2].ExitS, 1.325, kMicro);
    EXPECT_NEAR(*a->Lap(3).Corners[2].ExitS, 1.325, kMicro);
}

TEST(LapCorners, OneMovePassesOneGateAtMost)
{
    // Gates across the x axis at x 10, 30 and 25, to be passed going right.
    // The first move (0 s to 1 s) meets all three but passes the first only;
    // the second gate is passed at the end of the way back along y 5 (at
    // 3 s, the lap's end, whose vertex counts in the corner) and the third,
    // searched after it, never.
    const auto across = [](double x) {
        Gate gate;
        gate.Centre = {x, 0};
        gate.Direction = {1, 0};
        gate.End1 = {x, -16};
        gate.End2 = {x, 16};
        return gate;
    };
    std::vector<Corner> corners(2);
    corners[0].Apex = across(10);
    corners[0].End = across(30);
    corners[1].Apex = across(25);
    const std::vector<PathVertex> path = {{0, 0, 0, 0}, {30, 0, 1, 30}, {0, 5, 2, 60}, {30, 5, 3, 90}};
    const std::vector<std::optional<double>> speeds = {std::nullopt, 90.0, 80.0, 70.0};
    const auto figures = CornerFiguresOfPath(corners, path, speeds, 0, 3);
    ASSERT_EQ(figures.size(), 2u);
    EXPECT_NEAR(*figures[0].EntryS, 1.0 / 3, kMicro);
    EXPECT_NEAR(*figures[0].ExitS, 3 - 1.0 / 3, kMicro);
    EXPECT_NEAR(*figures[0].MinSpeedKmh, 70.0, kMicro);
    EXPECT_FALSE(figures[1].EntryS || figures[1].ExitS || figures[1].MinSpeedKmh);
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

TEST(CompareFigures, CornerByCornerWhereTheTimeGoes)
{
    const auto a = RaceWithWaits();
    ASSERT_TRUE(a);
    // Lap 3 against the reference: a second lost on the way out of corner 1,
    // half a second on the way into corner 3; together the difference of
    // their precise times.
    const CornerComparison waits = CompareCorners(*a, 3, 0);
    ASSERT_EQ(waits.Deltas.size(), 4u);
    EXPECT_NEAR(*waits.Deltas[0].ExitS, 1.0, kMicro);
    EXPECT_NEAR(*waits.Deltas[2].EntryS, 0.5, kMicro);
    double sum = 0;
    for (const CornerDelta& delta : waits.Deltas)
        sum += *delta.TimeS;
    EXPECT_NEAR(sum, 1.5, kMicro);
    const std::vector<CornerLoss> most = MostTimeLost(waits, 2);
    ASSERT_EQ(most.size(), 2u);
    EXPECT_EQ(most[0].Corner, 1);
    EXPECT_NEAR(most[0].TimeS, 1.0, kMicro);
    EXPECT_TRUE(most[0].OnTheWayOut);
    EXPECT_EQ(most[1].Corner, 3);
    EXPECT_FALSE(most[1].OnTheWayOut);

    // Lap 4 has no corners 1 and 2 to compare, and loses nothing in the
    // others, which stay in lap order.
    const std::vector<CornerLoss> shortLap = MostTimeLost(CompareCorners(*a, 4, 2), 9);
    ASSERT_EQ(shortLap.size(), 2u);
    EXPECT_EQ(shortLap[0].Corner, 3);
    EXPECT_EQ(shortLap[1].Corner, 4);

    // A lap of another race, which waits a second on the top side: timed
    // through this race's gates from its own start, its slowest points from
    // the speeds it kept.
    const auto other = Course{}.Lap().Lap(20).Lap().Finish().Analyse();
    ASSERT_TRUE(other);
    const LapProfile theirs = ProfileOf(*other, 2);
    const LapProfile kept = ProfileOfKeptLap(2, "2026-12-01", other->Lap(2).PreciseS, theirs.Path, theirs.SpeedKmh);
    const CornerComparison against = CompareCorners(*a, 2, kept);
    ASSERT_EQ(against.Against.size(), 4u);
    EXPECT_NEAR(*against.Against[0].EntryS, 1.225, kMicro);
    EXPECT_NEAR(*against.Against[3].ExitS, 1.275, kMicro);
    EXPECT_NEAR(*against.Deltas[2].EntryS, -1.0, kMicro);
    EXPECT_NEAR(*against.Against[2].MinSpeedKmh, 0.0, kMicro);
    // Kept without speeds: the times stay, no slowest point is made up.
    const CornerComparison bare =
        CompareCorners(*a, 2, ProfileOfKeptLap(2, "", other->Lap(2).PreciseS, theirs.Path, {}));
    EXPECT_NEAR(*bare.Against[2].EntryS, 3.25, kMicro);
    EXPECT_FALSE(bare.Against[2].MinSpeedKmh);
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
