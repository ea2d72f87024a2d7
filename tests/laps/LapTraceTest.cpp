#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

#include "laps/LapTrace.h"

namespace vx {
namespace {

// With scale byte 200 a sample unit is 1/59 pixel, so whole pixels are exact.
constexpr std::uint8_t kScale = 200;

ReplaySample SampleAt(int px, int py)
{
    return {static_cast<std::uint16_t>(px * 59), static_cast<std::uint16_t>((511 - py) * 59)};
}

// A vertical lap line at x 300; the car runs left to right across it.
const LapLine kLine{300, 100, 300, 400};

struct Replay {
    std::vector<ReplaySample> samples;

    // n samples on row y: one far left, n - 2 just left of the line (a move
    // wholly left of the line frees it), then one past the line.
    Replay& Cross(int y, int n)
    {
        samples.push_back(SampleAt(280, y));
        samples.insert(samples.end(), static_cast<std::size_t>(n - 2), SampleAt(290, y));
        samples.push_back(SampleAt(310, y));
        return *this;
    }
    Replay& Stay(int px, int py, int n)
    {
        samples.insert(samples.end(), static_cast<std::size_t>(n), SampleAt(px, py));
        return *this;
    }
};

LapTrace Trace(const Replay& r)
{
    return TraceLaps(r.samples, {kScale, kLine});
}

using Times = std::vector<std::int64_t>;

TEST(LapTiming, ThreeCrossingsGiveTwoLapsTimedFromTheFirstSample)
{
    // lap 1 spans samples 0 .. 1233 (the start crossing does not reset it),
    // lap 2 the 1167 samples from the second crossing on
    const LapTrace t = Trace(Replay{}.Cross(250, 3).Cross(250, 1232).Cross(250, 1167));
    EXPECT_EQ(t.LapCount, 2);
    EXPECT_EQ(t.LapTimes, (Times{6170, 5835}));  // samples x 5: hundredths
}

TEST(LapTiming, OneCrossingOrNoneCountsNoLap)
{
    EXPECT_EQ(Trace(Replay{}.Cross(250, 40)).LapCount, 0);
    const LapTrace none = Trace(Replay{}.Stay(290, 250, 40));
    EXPECT_EQ(none.LapCount, 0);
    EXPECT_TRUE(none.LapTimes.empty());
}

TEST(LapTiming, ThousandsOfLapsAreCounted)
{
    Replay r;
    for (int lap = 0; lap <= 1200; ++lap)
        r.Cross(250, 3);
    const LapTrace t = Trace(r);
    EXPECT_EQ(t.LapCount, 1200);
    EXPECT_EQ(t.LapTimes[1199], 15);
}

TEST(LapTiming, WobbleOverTheLineCountsOnce)
{
    Replay r;
    r.Cross(250, 3);
    for (int i = 0; i < 5; ++i)
        r.Stay(295, 250, 1).Stay(310, 250, 1);  // back and forth, never wholly left
    r.Cross(250, 3);
    EXPECT_EQ(Trace(r).LapCount, 1);
}

TEST(LapTiming, SamplesOffTheMapAreNeitherDrawnNorCounted)
{
    Replay r;
    r.Cross(250, 3).Stay(290, 250, 10).Stay(290, 511, 50).Cross(250, 20);
    const LapTrace t = Trace(r);
    EXPECT_EQ(t.LapTimes, (Times{160}));  // 3 + 10 + 19: the crossing sample starts lap 2
    const auto plotted = t.PixelsOf(0);
    EXPECT_EQ(plotted.size(), r.samples.size() - 50);
    EXPECT_TRUE(std::none_of(plotted.begin(), plotted.end(),
                             [](MapPixel p) { return p.y == 511; }));
}

TEST(LapTiming, MoveFromColumnZeroIsNotTested)
{
    // the move from x 0 over the line would start the race; untested, the car
    // goes round the line's lower end, and the race starts at the next crossing
    Replay r;
    r.Stay(0, 250, 1).Stay(310, 250, 1).Stay(310, 450, 1).Stay(280, 450, 1);
    r.Cross(250, 3).Cross(250, 3);
    const LapTrace t = Trace(r);
    EXPECT_EQ(t.LapCount, 1);
    EXPECT_EQ(t.LapTimes, (Times{40}));  // samples 1..8: the first lies off the map
}

TEST(LapTiming, NoLapLineOrNoScaleCountsNothing)
{
    Replay r;
    r.Cross(250, 3).Cross(250, 3).Cross(250, 3);
    const LapTrace noLine = TraceLaps(r.samples, {kScale, std::nullopt});
    EXPECT_EQ(noLine.LapCount, 0);
    EXPECT_EQ(noLine.PixelsOf(0).size(), r.samples.size());
    EXPECT_TRUE(noLine.PixelsOf(1).empty());
    EXPECT_EQ(noLine.StartPoint, (MapPixel{280, 250}));

    const LapTrace noScale = TraceLaps(r.samples, {0, kLine});
    EXPECT_EQ(noScale.LapCount, 0);
    EXPECT_TRUE(noScale.PixelsOf(0).empty());
    EXPECT_FALSE(noScale.StartPoint.has_value());
}

TEST(LapTracePlot, LapKShowsTheSamplesReachedAfterKMinusOneLaps)
{
    // each lap on its own row: the crossing sample is drawn with the lap it ends
    Replay r;
    r.Cross(150, 3).Cross(200, 4).Cross(250, 5).Cross(300, 6);
    const LapTrace t = Trace(r);
    for (int lap = 1; lap <= 3; ++lap) {
        const auto plotted = t.PixelsOf(lap);
        const int row = 150 + 50 * lap;
        EXPECT_EQ(plotted.size(), static_cast<std::size_t>(3 + lap)) << "lap " << lap;
        EXPECT_TRUE(std::all_of(plotted.begin(), plotted.end(),
                                [row](MapPixel p) { return p.y == row; }))
            << "lap " << lap;
    }
    EXPECT_TRUE(t.PixelsOf(4).empty());  // nothing after the last crossing
    EXPECT_TRUE(t.PixelsOf(5).empty());
    EXPECT_EQ(t.PixelsOf(0).size(), r.samples.size());  // the samples before the start too
}

TEST(LapTracePlot, StartPointIsTheFirstSampleEvenOffTheMap)
{
    EXPECT_EQ(Trace(Replay{}.Stay(0, 250, 1).Cross(250, 3)).StartPoint, (MapPixel{0, 250}));
    EXPECT_FALSE(Trace(Replay{}).StartPoint.has_value());
}

TEST(LapTracePlot, SampleBlockIsThreeByThreeAndClipped)
{
    Image image(512, 560, 0);
    PlotSampleBlock(image, {200, 300}, 0xFF0000);
    PlotSampleBlock(image, {0, 0}, 0xFF0000);
    int painted = 0;
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x)
            painted += image.At(x, y) == 0xFF0000;
    EXPECT_EQ(painted, 9 + 4);
    EXPECT_EQ(image.At(199, 299), 0xFF0000u);
    EXPECT_EQ(image.At(201, 301), 0xFF0000u);
    EXPECT_EQ(image.At(1, 1), 0xFF0000u);
}

TEST(SamplePixelOf, RoundsHalvesToEvenAndFlipsWith511)
{
    const float scale = SampleScaleOf(16);  // 4.72: 177 and 767 divide to 37.5 and 162.5
    EXPECT_EQ(SamplePixelOf({177, 0}, scale), (MapPixel{38, 511}));
    EXPECT_EQ(SamplePixelOf({767, 767}, scale), (MapPixel{162, 511 - 162}));
    EXPECT_EQ(SamplePixelOf({74, 1}, SampleScaleOf(100)), (MapPixel{3, 511}));  // 2.508, 0.034
    EXPECT_EQ(SamplePixelOf({65535, 0}, SampleScaleOf(1))->x, 222153);  // no wrap at 16 bits
    EXPECT_EQ(SamplePixelOf({59, 177}, scale), (MapPixel{13, 473}));  // 12.500001 and 37.5
    // (80 * 29.5f) / 100: 59 gives 2.4999998; multiplying by 0.295f would give 3
    EXPECT_EQ(SamplePixelOf({59, 0}, SampleScaleOf(80))->x, 2);
}

TEST(FindLapExtremes, FastestUnderSixtySecondsAndSlowest)
{
    const LapExtremes e = FindLapExtremes(Times{6170, 5835});
    EXPECT_EQ(e.FastestLap, 2);
    EXPECT_EQ(e.SlowestLap, 1);
    EXPECT_EQ(FindLapExtremes(Times{6000, 7550}).FastestLap, 0);  // none under 60 s
    EXPECT_EQ(FindLapExtremes(Times{}).SlowestLap, 0);
}

TEST(FindLapExtremes, EqualTimesKeepTheLowerLapNumber)
{
    EXPECT_EQ(FindLapExtremes(Times{5500, 5000, 5000}).FastestLap, 2);
    EXPECT_EQ(FindLapExtremes(Times{7000, 7000}).SlowestLap, 1);
}

TEST(LapTexts, ShowTheLapNumberAndItsTimeWithTwoDecimals)
{
    LapTrace t;
    t.LapTimes = {6170, 5805, 5, 500000};
    EXPECT_EQ(LapText(t, 2), "2 : 58.05");
    EXPECT_EQ(LapText(t, 3), "3 : 0.05");
    EXPECT_EQ(LapText(t, 4), "4 : 5000.00");
    EXPECT_EQ(LapText(t, 0), "");
    EXPECT_EQ(LapText(t, 5), "");
}

}  // namespace
}  // namespace vx
