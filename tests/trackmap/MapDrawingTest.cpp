// The map picture as drawn into MapImage: terrain runs through the palette,
// the label strip with the best time, the water cells, and the map box.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "app/windows/MainWindow.h"
#include "fixtures/TrackFileBuilder.h"
#include "support/DrawingBench.h"
#include "trackmap/MapDrawing.h"
#include "trackmap/Objects.h"

namespace vx {
namespace {

using test::CountColour;
using test::CountColourIn;
using test::DrawingBench;

constexpr Colour kBackground = MakeRgb(0, 100, 150);
constexpr Colour kWater = MakeRgb(0, 64, 255);
constexpr Colour kWhite = MakeRgb(255, 255, 255);

// The colour each terrain code takes on the map.
constexpr Colour kTerrainColour[16] = {
    MakeRgb(158, 158, 158), MakeRgb(179, 179, 179), MakeRgb(145, 202, 91),
    MakeRgb(190, 210, 130), MakeRgb(160, 135, 110), MakeRgb(211, 172, 158),
    MakeRgb(250, 220, 210), MakeRgb(245, 250, 255), MakeRgb(220, 230, 239),
    MakeRgb(255, 255, 255), MakeRgb(255, 255, 0),   MakeRgb(255, 0, 0),
    MakeRgb(62, 62, 62),    MakeRgb(0, 0, 0),       MakeRgb(0, 0, 0),
    MakeRgb(0, 0, 0)};

constexpr int kMapArea = 512 * 512;
constexpr int kStripPixels = 512 * 48;

// The track drawn as far as its picture (and its water cells, when asked).
void DrawPicture(DrawingBench& b, const TrackFileBuilder& track, bool water = false)
{
    b.PutTrack(track.Build());
    DrawTrackPicture(b.state, b.tk);
    if (water)
        DrawWaterCells(b.state, b.tk);
    ASSERT_NE(b.tk.FindImage(MapImage), nullptr);
    ASSERT_EQ(b.Map().Width(), 512);
    ASSERT_EQ(b.Map().Height(), 560);
}

// --- Terrain runs -------------------------------------------------------------

TEST(MapPictureRuns, CountZeroPaintsExactlyTheOneWord)
{
    // The height grid follows the single word; read as a second word its first
    // two bytes would paint 21 pixels of terrain 2.
    TrackFileBuilder track;
    track.SetMapRuns({MapRun(3, 5)}).SetHeight(0, 0x52).SetHeight(1, 0x01);
    DrawingBench b;
    DrawPicture(b, track);
    EXPECT_EQ(CountColourIn(b.Map(), kTerrainColour[3], 0, 511, 5, 512), 5);
    EXPECT_EQ(CountColourIn(b.Map(), kBackground, 5, 0, 512, 512), 507 * 512);
    EXPECT_EQ(CountColour(b.Map(), kTerrainColour[2]), 0);
}

TEST(MapPictureRuns, AShortStreamLeavesTheRestOfItsRowAndTheRowsAboveInTheBackground)
{
    TrackFileBuilder track;
    track.SetMapRuns({MapRun(1, 3 * 512 + 100)});  // three rows and 100 pixels of a fourth
    DrawingBench b;
    DrawPicture(b, track);
    const Image& map = b.Map();
    EXPECT_EQ(CountColourIn(map, kTerrainColour[1], 0, 509, 512, 512), 3 * 512);
    EXPECT_EQ(CountColourIn(map, kTerrainColour[1], 0, 508, 100, 509), 100);
    EXPECT_EQ(CountColourIn(map, kBackground, 100, 508, 512, 509), 412);
    EXPECT_EQ(CountColourIn(map, kBackground, 0, 0, 512, 508), 508 * 512);
}

TEST(MapPictureRuns, ARunCarriesOnAtTheLeftEndOfTheRowAbove)
{
    TrackFileBuilder track;
    track.SetMapRuns({MapRun(0, 500), MapRun(2, 30)});  // 12 pixels in row 511, 18 in row 510
    DrawingBench b;
    DrawPicture(b, track);
    const Image& map = b.Map();
    EXPECT_EQ(CountColourIn(map, kTerrainColour[0], 0, 511, 500, 512), 500);
    EXPECT_EQ(CountColourIn(map, kTerrainColour[2], 500, 511, 512, 512), 12);
    EXPECT_EQ(CountColourIn(map, kTerrainColour[2], 0, 510, 18, 511), 18);
    EXPECT_EQ(CountColour(map, kTerrainColour[2]), 30);
    EXPECT_EQ(map.At(18, 510), kBackground);
}

TEST(MapPictureRuns, AStreamLongerThanTheMapAreaStopsAtItsTopRow)
{
    // 65 runs of 4095 pixels: 266,175 pixels for an area of 262,144.
    TrackFileBuilder track;
    track.SetMapRuns(std::vector<std::uint16_t>(65, MapRun(2, 4095)));
    DrawingBench b;
    DrawPicture(b, track);
    const Image& map = b.Map();
    EXPECT_EQ(CountColourIn(map, kTerrainColour[2], 0, 0, 512, 512), kMapArea);
    // The label strip holds only its background and the white label texts.
    EXPECT_EQ(CountColourIn(map, kTerrainColour[2], 0, 512, 512, 560), 0);
    EXPECT_EQ(CountColourIn(map, kBackground, 0, 512, 512, 560) +
                  CountColourIn(map, kWhite, 0, 512, 512, 560),
              kStripPixels);
}

TEST(MapPictureColours, EveryTerrainCodeTakesItsPaletteColour)
{
    std::vector<std::uint16_t> runs;
    for (int code = 0; code < 16; ++code)
        runs.push_back(MapRun(code, 20));
    TrackFileBuilder track;
    track.SetMapRuns(runs);
    DrawingBench b;
    DrawPicture(b, track);
    for (int code = 0; code < 16; ++code)
        EXPECT_EQ(CountColourIn(b.Map(), kTerrainColour[code], 20 * code, 511, 20 * code + 20, 512),
                  20)
            << "terrain code " << code;
    EXPECT_EQ(CountColourIn(b.Map(), kBackground, 320, 511, 512, 512), 192);
}

TEST(MapPictureColours, AnUnpaintedMapIsTheBackgroundEverywhereButTheLabels)
{
    DrawingBench b;
    DrawPicture(b, TrackFileBuilder{});  // one run of length 0
    EXPECT_EQ(CountColourIn(b.Map(), kBackground, 0, 0, 512, 512), kMapArea);
    EXPECT_EQ(CountColour(b.Map(), kBackground) + CountColour(b.Map(), kWhite), 512 * 560);
}

TEST(MapPictureRebuild, DiscardsEverythingDrawnOnTheEarlierMap)
{
    TrackFileBuilder track;
    track.SetMapRuns({MapRun(1, 5000)});
    DrawingBench b;
    DrawPicture(b, track);
    const Image first = b.Map();
    b.tk.BeginDrawing(b.tk.ImageDrawTarget(MapImage));  // an earlier lap view, say
    b.tk.FillBox(100, 100, 200, 300, MakeRgb(0, 0, 255));
    b.tk.EndDrawing();
    DrawTrackPicture(b.state, b.tk);
    EXPECT_EQ(test::CountDifferences(b.Map(), first), 0);
}

// --- Water cells ----------------------------------------------------------------

TEST(WaterCells, LevelZeroPaintsNoCell)
{
    TrackFileBuilder track;  // every height 0
    track.SetWaterLevel(0);
    DrawingBench b;
    DrawPicture(b, track, true);
    EXPECT_EQ(CountColour(b.Map(), kWater), 0);
}

TEST(WaterCells, Level255PaintsEveryCellBelowIt)
{
    TrackFileBuilder track;
    track.SetWaterLevel(255).SetHeight(65, 255);  // row 1, column 1 stays dry
    DrawingBench b;
    DrawPicture(b, track, true);
    const Image& map = b.Map();
    // 4095 cells of 64 pixels, less the top line of the 64 cells of row 63.
    EXPECT_EQ(CountColour(map, kWater), 4095 * 64 - 64 * 8);
    EXPECT_EQ(CountColourIn(map, kBackground, 8, 495, 16, 503), 64);
    EXPECT_EQ(CountColourIn(map, kWater, 0, 511, 512, 560), 0);  // bottom row and strip
}

TEST(WaterCells, RowZeroEndsAboveTheBottomLineAndRow63LosesItsTopLine)
{
    TrackFileBuilder track;
    track.SetWaterLevel(100);
    for (int cell = 0; cell < 4096; ++cell)
        track.SetHeight(cell, 255);
    track.SetHeight(0, 10).SetHeight(63 * 64, 10).SetHeight(4095, 10);
    DrawingBench b;
    DrawPicture(b, track, true);
    const Image& map = b.Map();
    EXPECT_EQ(CountColourIn(map, kWater, 0, 503, 8, 511), 64);   // cell 0: y 503..510
    EXPECT_EQ(CountColourIn(map, kWater, 0, 0, 8, 7), 56);      // cell 4032: y 0..6
    EXPECT_EQ(CountColourIn(map, kWater, 504, 0, 512, 7), 56);  // cell 4095
    EXPECT_EQ(CountColour(map, kWater), 64 + 56 + 56);
}

TEST(WaterCells, HeightsAndLevelCompareAsUnsignedBytes)
{
    TrackFileBuilder track;
    track.SetWaterLevel(200);
    for (int cell = 0; cell < 4096; ++cell)
        track.SetHeight(cell, 255);
    track.SetHeight(0, 100).SetHeight(1, 199).SetHeight(2, 200);
    DrawingBench b;
    DrawPicture(b, track, true);
    EXPECT_EQ(CountColourIn(b.Map(), kWater, 0, 503, 16, 511), 128);  // cells 0 and 1
    EXPECT_EQ(CountColour(b.Map(), kWater), 128);                     // 200 is not below 200
}

// --- Label strip ----------------------------------------------------------------

struct Labels {
    const char* time;
    const char* trackName;
    const char* holderDrawn;  // the holder line less trailing blanks, which leave no pixel
    const char* pictureName;
};

void ExpectLabels(DrawingBench& b, const Labels& expected)
{
    const FontHandle font = b.tk.FontHandleOf(LabelFont);
    const std::vector<test::TextCell> cells = {
        test::CellOf(b.tk, font, 20, 530, expected.time),
        test::CellOf(b.tk, font, 90, 520, expected.trackName),
        test::CellOf(b.tk, font, 90, 540, expected.holderDrawn)};
    const Image& map = b.Map();
    test::ExpectTextIn(map, kWhite, cells[0], "time text");
    test::ExpectTextIn(map, kWhite, cells[1], "track name");
    test::ExpectTextIn(map, kWhite, cells[2], "holder line");
    for (const test::TextCell& c : cells) {  // glyphs on cells of the strip's own colour
        const std::int64_t area = std::int64_t{c.width} * c.height;
        EXPECT_GT(CountColourIn(map, kBackground, c.x, c.y, c.x + c.width, c.y + c.height),
                  area / 2);
    }
    EXPECT_EQ(test::CountOutsideCells(map, kWhite, cells, 0, 512, 512, 560), 0);
    EXPECT_EQ(CountColourIn(map, kBackground, 0, 512, 512, 560) +
                  CountColourIn(map, kWhite, 0, 512, 512, 560),
              kStripPixels);
    EXPECT_EQ(PictureNameOf(b.state), expected.pictureName);
}

TEST(MapLabelStrip, ShowsTheFirstBestTimeWithItsHolderAndCar)
{
    TrackFileBuilder track;
    track.SetBestTime2(7000, "Bea").SetBestTime1(5432, "Anna").SetBestTimeCarName("Comet");
    DrawingBench b;
    b.PutTrack(track.Build(), "/races/Tracks/Oval.trk");
    DrawTrackPicture(b.state, b.tk);
    ExpectLabels(b, {"54.32", "Oval", "Anna / Comet", "Oval_5432_Anna"});
}

TEST(MapLabelStrip, ShowsTheSecondBestTimeWhenItIsATime)
{
    TrackFileBuilder track;
    track.SetBestTime2(5999, "Bea").SetBestTime1(5432, "Anna").SetBestTimeCarName("Comet");
    DrawingBench b;
    b.PutTrack(track.Build(), "/races/Tracks/Oval.trk");
    DrawTrackPicture(b.state, b.tk);
    ExpectLabels(b, {"59.99", "Oval", "Bea /", "Oval_5999_Bea"});
}

TEST(MapLabelStrip, WithoutABestTimeTheHolderLineSaysSo)
{
    TrackFileBuilder track;
    track.SetBestTime1(9999, "Anna");
    DrawingBench b;
    b.PutTrack(track.Build(), "/races/Tracks/Hilly Ring.trk");
    DrawTrackPicture(b.state, b.tk);
    ExpectLabels(b, {"99.99", "Hilly Ring", "no Best Time", "Hilly Ring_9999"});
}

// --- The map box ------------------------------------------------------------------

TEST(MapBox, ShowsTheMapAfterEachOfTheThreeSteps)
{
    TrackFileBuilder track;
    track.SetMapRuns({MapRun(2, 9000)}).SetWaterLevel(1).SetHeight(100, 0);
    track.AddObject({.Type = 10, .X = 100, .Y = 100});
    DrawingBench b;
    MakePlaceholderImage(b.tk);
    OpenMainWindow(b.state, b.tk);
    b.PutTrack(track.Build());

    DrawTrackPicture(b.state, b.tk);
    EXPECT_EQ(test::CountDifferences(test::ShownPicture(b.tk, MapBox), b.Map()), 0);
    DrawWaterCells(b.state, b.tk);
    ASSERT_GT(CountColour(b.Map(), kWater), 0);
    EXPECT_EQ(test::CountDifferences(test::ShownPicture(b.tk, MapBox), b.Map()), 0);
    DrawTrackObjects(b.state, b.tk);
    ASSERT_GT(CountColour(b.Map(), b.state.Colours[Paint::MarkerWhite]), 0);
    EXPECT_EQ(test::CountDifferences(test::ShownPicture(b.tk, MapBox), b.Map()), 0);
}

}  // namespace
}  // namespace vx
