// The lap view on replays written by the fixture builder: the trace over the
// map, lap by lap, the lap times, and what the summary and chart boxes show.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "app/windows/MainWindow.h"
#include "fixtures/GameFileBuilder.h"
#include "fixtures/TrackFileBuilder.h"
#include "laps/LapView.h"
#include "support/DrawingBench.h"
#include "trackmap/Geometry.h"
#include "trackmap/MapDrawing.h"
#include "trackmap/Objects.h"

namespace vx {
namespace {

using test::CountColour;
using test::CountColourIn;
using test::CountDifferences;
using test::DrawingBench;

constexpr Colour kBlue = MakeRgb(0, 0, 255);
constexpr Colour kRed = MakeRgb(255, 0, 0);

// With scale byte 200 a replay unit is 1/59 pixel, so whole pixels are exact.
constexpr std::uint8_t kScale = 200;

// A car's way over the map in steps of at most 10 pixels.
struct Path {
    std::vector<MapPixel> points;

    Path(int x, int y) { points.push_back({x, y}); }
    Path& To(int x, int y)
    {
        MapPixel p = points.back();
        while (p.x != x || p.y != y) {
            p.x += std::clamp(x - p.x, -10, 10);
            p.y += std::clamp(y - p.y, -10, 10);
            points.push_back(p);
        }
        return *this;
    }
    // Rightwards along y 200 over the lap line at x 200 (crossing it between
    // x 195 and 205), down the right side, back left below the line's lower
    // end and up the left side to (145, 200).
    Path& Loop(int bottom) { return To(255, 200).To(255, bottom).To(145, bottom).To(145, 200); }
};

std::vector<ReplayPoint> Samples(const std::vector<MapPixel>& points)
{
    std::vector<ReplayPoint> samples;
    for (const MapPixel p : points)
        samples.push_back({static_cast<std::uint16_t>(p.x * 59),
                           static_cast<std::uint16_t>((511 - p.y) * 59)});
    return samples;
}

std::vector<MapPixel> Slice(const std::vector<MapPixel>& points, std::size_t first,
                            std::size_t last)
{
    return {points.begin() + static_cast<std::ptrdiff_t>(first),
            points.begin() + static_cast<std::ptrdiff_t>(last) + 1};
}

// Two laps: samples 0..135. The car crosses the line at samples 6, 68 and
// 134; lap 1 is timed over samples 0..67 (3.40 s), lap 2 over 68..133
// (3.30 s). Samples 7..68 are drawn with lap 1, 69..134 with lap 2 and 135
// with lap 3; samples 0..6 only in the overview.
const std::vector<MapPixel> kRace = Path(145, 200).Loop(400).Loop(420).To(215, 200).points;

// The lap line from (200, 100) to (200, 300) in map pixels.
TrackFileBuilder LapTrack(std::uint8_t scale = kScale, bool lapLine = true)
{
    TrackFileBuilder track;
    track.SetMapScale(scale).SetMapRuns(std::vector<std::uint16_t>(65, MapRun(2, 4095)));
    if (lapLine)
        track.AddLine({.X1 = 400, .Y1 = 824, .X2 = 400, .Y2 = 424});
    return track;
}

GameFileBuilder RaceGame(const std::vector<ReplayPoint>& samples)
{
    GameFileBuilder game;
    game.AddDriver(HumanDriver("Max", "Falcon")).AddTrack("Oval");
    game.SetReplay({.Samples = samples});
    return game;
}

// The map drawn and copied to the master, as after a load; Show(k) restores
// the map from the master and draws lap k, as the lap buttons do.
class LapBench {
public:
    explicit LapBench(const TrackFileBuilder& track = LapTrack())
    {
        b.PutTrack(track.Build());
        DrawTrackPicture(b.state, b.tk);
        DrawWaterCells(b.state, b.tk);
        DrawTrackObjects(b.state, b.tk);
        b.tk.CopyImageSlot(MapImage, MapMasterImage);
    }
    void OpenWindow()
    {
        MakePlaceholderImage(b.tk);
        OpenMainWindow(b.state, b.tk);
    }
    // The saved game committed with the track: its replay cut into laps.
    void PutGame(const std::vector<std::uint8_t>& bytes)
    {
        b.PutGame(bytes);
        b.state.Laps = TraceReplay(b.state.Game, b.state.Track);
    }
    void PutGame(const GameFileBuilder& game) { PutGame(game.Build()); }
    void Show(int lap)
    {
        b.tk.CopyImageSlot(MapMasterImage, MapImage);
        b.state.CurrentLap = lap;
        DrawLapView(b.state, b.tk);
    }
    const Image& Map() const { return b.Map(); }
    const Image& Master() const { return b.Picture(MapMasterImage); }

    // The master with blue blocks on the given samples, the red start block
    // and the red lap line drawn over them.
    Image Expected(const std::vector<MapPixel>& blue, std::optional<MapPixel> start,
                   bool lapLine = true) const
    {
        Image expected = Master();
        for (const MapPixel p : blue)
            FillBox(expected, p.x - 1, p.y - 1, 3, 3, kBlue);
        if (start)
            FillBox(expected, start->x - 1, start->y - 1, 3, 3, kRed);
        if (lapLine)
            DrawSegment(expected, 200, 100, 200, 300, kRed);
        return expected;
    }

    DrawingBench b;
};

// --- Lap timing -----------------------------------------------------------------

TEST(LapViewTiming, ThreeCrossingsGiveTwoLapsTheFirstTimedFromTheFirstSample)
{
    LapBench lb;
    lb.PutGame(RaceGame(Samples(kRace)));
    lb.Show(0);
    EXPECT_EQ(lb.b.state.Laps.LapCount, 2);
    EXPECT_EQ(lb.b.state.Laps.LapTimes, (std::vector<std::int64_t>{340, 330}));
    EXPECT_EQ(lb.b.state.Laps.FastestLap, 2);
    EXPECT_EQ(lb.b.state.Laps.SlowestLap, 1);
    EXPECT_TRUE(lb.b.tk.ImageExists(LapSummaryImage));
    EXPECT_TRUE(lb.b.tk.ImageExists(LapChartImage));
}

TEST(LapViewTiming, SamplesOffTheMapAreNeitherDrawnNorCounted)
{
    // Three samples off the map (their blocks would reach into the picture)
    // in the middle of lap 1's bottom side.
    std::vector<ReplayPoint> samples = Samples(kRace);
    const std::vector<ReplayPoint> off = Samples({{511, 300}, {300, 511}, {0, 300}});
    samples.insert(samples.begin() + 36, off.begin(), off.end());
    LapBench lb;
    lb.PutGame(RaceGame(samples));
    lb.Show(0);
    EXPECT_EQ(lb.b.state.Laps.LapTimes, (std::vector<std::int64_t>{340, 330}));
    EXPECT_EQ(CountDifferences(lb.Map(), lb.Expected(kRace, kRace[0])), 0);
}

TEST(LapViewTiming, OnlyTheWholeSamplesInsideTheGameAreWalked)
{
    // The count promises 1000 samples; the game ends 10 bytes into sample 135.
    GameFileBuilder game = RaceGame(Samples(kRace));
    game.SetReplay({.Samples = Samples(kRace), .SampleCount = 1000});
    std::vector<std::uint8_t> bytes = game.Build();
    bytes.resize(static_cast<std::size_t>(game.SampleOffset(135) + 10));
    LapBench lb;
    lb.PutGame(bytes);
    lb.Show(0);
    EXPECT_EQ(lb.b.state.Laps.LapCount, 2);
    EXPECT_EQ(CountDifferences(lb.Map(), lb.Expected(Slice(kRace, 0, 134), kRace[0])), 0);
}

TEST(LapViewTiming, RacesOf999AndOf1001LapsAreCountedWhole)
{
    for (const int laps : {999, 1001}) {
        // Loops of 44 samples: lap 1 runs from sample 0 to the second
        // crossing at sample 50, every later lap 44 samples.
        Path path(145, 200);
        for (int i = 0; i < laps; ++i)
            path.Loop(310);
        path.To(215, 200);
        LapBench lb;
        lb.PutGame(RaceGame(Samples(path.points)));
        lb.Show(0);
        EXPECT_EQ(lb.b.state.Laps.LapCount, laps);
        std::vector<std::int64_t> expected(static_cast<std::size_t>(laps), 220);
        expected[0] = 250;
        EXPECT_EQ(lb.b.state.Laps.LapTimes, expected) << laps << " laps";
        EXPECT_EQ(lb.b.state.Laps.FastestLap, 2);
        EXPECT_EQ(lb.b.state.Laps.SlowestLap, 1);
        EXPECT_TRUE(lb.b.tk.ImageExists(LapChartImage));
    }
}

TEST(LapViewTiming, LapsAreCountedAndChartedEvenWithoutAMapToDrawOn)
{
    DrawingBench b;  // a track whose map was never drawn
    b.PutTrack(LapTrack().Build());
    b.PutGame(RaceGame(Samples(kRace)).Build());
    b.state.Laps = TraceReplay(b.state.Game, b.state.Track);
    DrawLapView(b.state, b.tk);
    EXPECT_FALSE(b.tk.ImageExists(MapImage));
    EXPECT_EQ(b.state.Laps.LapCount, 2);
    EXPECT_TRUE(b.tk.ImageExists(LapChartImage));
    EXPECT_TRUE(b.tk.ImageExists(LapSummaryImage));
}

// --- The trace on the map ---------------------------------------------------------

TEST(LapViewTrace, TheOverviewDrawsEverySampleWithTheStartBlockAndTheLapLine)
{
    LapBench lb;
    lb.PutGame(RaceGame(Samples(kRace)));
    lb.Show(0);
    EXPECT_EQ(CountDifferences(lb.Map(), lb.Expected(kRace, kRace[0])), 0);
    EXPECT_EQ(CountColour(lb.Map(), kRed), 9 + 201);
}

TEST(LapViewTrace, LapKShowsTheSamplesReachedWhileKMinusOneLapsAreComplete)
{
    LapBench lb;
    lb.PutGame(RaceGame(Samples(kRace)));
    lb.Show(1);
    EXPECT_EQ(CountDifferences(lb.Map(), lb.Expected(Slice(kRace, 7, 68), kRace[0])), 0);
    lb.Show(2);
    EXPECT_EQ(CountDifferences(lb.Map(), lb.Expected(Slice(kRace, 69, 134), kRace[0])), 0);
    lb.Show(3);  // the lap in progress when the replay ends
    EXPECT_EQ(CountDifferences(lb.Map(), lb.Expected({kRace[135]}, kRace[0])), 0);
    lb.Show(4);
    EXPECT_EQ(CountDifferences(lb.Map(), lb.Expected({}, kRace[0])), 0);
}

TEST(LapViewTrace, ScaleZeroPutsEverySampleOffTheMap)
{
    LapBench lb(LapTrack(0));
    lb.PutGame(RaceGame(Samples(kRace)));
    lb.Show(0);
    EXPECT_EQ(lb.b.state.Laps.LapCount, 0);
    EXPECT_EQ(CountDifferences(lb.Map(), lb.Expected({}, std::nullopt)), 0);  // the line alone
}

TEST(LapViewTrace, WithoutALapLineTheTraceIsDrawnButNoLapCounts)
{
    LapBench lb(LapTrack(kScale, false));
    lb.PutGame(RaceGame(Samples(kRace)));
    lb.Show(0);
    EXPECT_EQ(lb.b.state.Laps.LapCount, 0);
    EXPECT_EQ(CountDifferences(lb.Map(), lb.Expected(kRace, kRace[0], false)), 0);
    EXPECT_EQ(CountColour(lb.Map(), kRed), 9);
}

TEST(LapViewTrace, TheStartBlockComesOnlyFromTheReplayShown)
{
    for (const std::int32_t count : {0, -5}) {
        LapBench lb;
        lb.PutGame(RaceGame(Samples(kRace)));
        lb.Show(0);
        GameFileBuilder empty = RaceGame({});
        empty.SetReplay({.Samples = {}, .SampleCount = count});
        lb.PutGame(empty);
        lb.Show(0);
        EXPECT_EQ(lb.b.state.Laps.LapCount, 0);
        EXPECT_EQ(CountDifferences(lb.Map(), lb.Expected({}, std::nullopt)), 0)
            << "sample count " << count;
    }
}

TEST(LapViewTrace, AStartOnTheMapsEdgeIsClippedToThePicture)
{
    // The first sample at pixel (0, 300) is off the map, yet it is the start.
    std::vector<MapPixel> points = {{0, 300}};
    points.insert(points.end(), kRace.begin(), kRace.end());
    LapBench lb;
    lb.PutGame(RaceGame(Samples(points)));
    lb.Show(0);
    EXPECT_EQ(CountDifferences(lb.Map(), lb.Expected(kRace, MapPixel{0, 300})), 0);
    EXPECT_EQ(CountColourIn(lb.Map(), kRed, 0, 299, 2, 302), 6);
}

// --- What the boxes show --------------------------------------------------------

class LapViewBoxes : public testing::Test {
protected:
    void SetUp() override { lb.OpenWindow(); }

    bool ShowsPlaceholder(int box)
    {
        return lb.b.tk.ControlSize(box) == std::make_pair(32, 32) &&
               CountDifferences(test::ShownPicture(lb.b.tk, box),
                                lb.b.Picture(PlaceholderImage)) == 0;
    }
    bool Shows(int box, int image)
    {
        return CountDifferences(test::ShownPicture(lb.b.tk, box), lb.b.Picture(image)) == 0;
    }

    LapBench lb;
};

TEST_F(LapViewBoxes, WithoutTheRaceFlagBothShowThePlaceholderAndTheMapStays)
{
    GameFileBuilder game = RaceGame(Samples(kRace));
    game.SetRaceFlag(0);
    lb.PutGame(game);
    lb.Show(0);
    EXPECT_EQ(lb.b.state.Laps.LapCount, 0);
    EXPECT_TRUE(ShowsPlaceholder(LapChartBox));
    EXPECT_TRUE(ShowsPlaceholder(LapSummaryBox));
    EXPECT_EQ(CountDifferences(lb.Map(), lb.Master()), 0);
}

TEST_F(LapViewBoxes, WithoutAReplayBlockBothShowThePlaceholderAndTheMapStays)
{
    GameFileBuilder game;
    game.AddDriver(HumanDriver("Max", "Falcon")).AddTrack("Oval");
    lb.PutGame(game);
    lb.Show(0);
    EXPECT_EQ(lb.b.state.Laps.LapCount, 0);
    EXPECT_TRUE(ShowsPlaceholder(LapChartBox));
    EXPECT_TRUE(ShowsPlaceholder(LapSummaryBox));
    EXPECT_EQ(CountDifferences(lb.Map(), lb.Master()), 0);
}

TEST_F(LapViewBoxes, LapsShowTheSummaryAndTheChart)
{
    lb.PutGame(RaceGame(Samples(kRace)));
    lb.Show(0);
    EXPECT_EQ(lb.b.tk.ControlSize(LapChartBox), std::make_pair(800, 140));
    EXPECT_EQ(lb.b.tk.ControlSize(LapSummaryBox), std::make_pair(480, 270));
    EXPECT_TRUE(Shows(LapChartBox, LapChartImage));
    EXPECT_TRUE(Shows(LapSummaryBox, LapSummaryImage));
    EXPECT_TRUE(Shows(MapBox, MapImage));
}

TEST_F(LapViewBoxes, ARaceOfOneCrossingOrNoneShowsThePlaceholderNotTheEarlierPictures)
{
    const std::vector<MapPixel> oneCrossing = Path(145, 200).To(255, 200).To(255, 400).points;
    const std::vector<MapPixel> noCrossing = Path(145, 200).To(145, 400).To(100, 400).points;
    for (const auto& points : {oneCrossing, noCrossing}) {
        lb.PutGame(RaceGame(Samples(kRace)));
        lb.Show(0);
        ASSERT_TRUE(Shows(LapChartBox, LapChartImage));
        lb.PutGame(RaceGame(Samples(points)));
        lb.Show(0);
        EXPECT_EQ(lb.b.state.Laps.LapCount, 0);
        EXPECT_TRUE(ShowsPlaceholder(LapChartBox));
        EXPECT_TRUE(ShowsPlaceholder(LapSummaryBox));
        EXPECT_EQ(CountDifferences(lb.Map(), lb.Expected(points, points[0])), 0);
    }
}

TEST_F(LapViewBoxes, OnlyLapZeroRedrawsTheSummaryEveryLapRedrawsTheChart)
{
    lb.PutGame(RaceGame(Samples(kRace)));
    lb.Show(0);
    const Image summaryShown = test::ShownPicture(lb.b.tk, LapSummaryBox);
    const Colour mark = MakeRgb(1, 2, 3);
    lb.b.tk.FindImage(LapSummaryImage)->Set(0, 0, mark);
    lb.b.tk.FindImage(LapChartImage)->Set(0, 0, mark);

    lb.Show(2);
    EXPECT_EQ(lb.b.Picture(LapSummaryImage).At(0, 0), mark);
    EXPECT_NE(lb.b.Picture(LapChartImage).At(0, 0), mark);
    // The chart marks lap 2 of two at x 795 with a white line up from the baseline.
    EXPECT_EQ(CountColourIn(lb.b.Picture(LapChartImage), MakeRgb(255, 255, 255), 795, 110, 796,
                            131),
              21);
    EXPECT_EQ(CountDifferences(test::ShownPicture(lb.b.tk, LapSummaryBox), summaryShown), 0);
    EXPECT_TRUE(Shows(LapChartBox, LapChartImage));

    lb.Show(0);
    EXPECT_NE(lb.b.Picture(LapSummaryImage).At(0, 0), mark);
}

TEST_F(LapViewBoxes, TheSummaryHeadsWithTheFastestLapAndTheAverageWithTwoDecimals)
{
    lb.PutGame(RaceGame(Samples(kRace)));  // no computer driver: the average is 0
    lb.Show(0);
    const Image& summary = lb.b.Picture(LapSummaryImage);
    const FontHandle font = lb.b.tk.FontHandleOf(TableFont);
    const test::TextCell fastest = test::CellOf(lb.b.tk, font, 10, 10, "Fast Lap #2 : 3.30");
    const test::TextCell average = test::CellOf(lb.b.tk, font, 200, 10, "Average AI: 0.00");
    test::ExpectTextIn(summary, MakeRgb(0, 0, 0), fastest, "fastest lap header");
    test::ExpectTextIn(summary, MakeRgb(0, 0, 0), average, "average header");
}

}  // namespace
}  // namespace vx
