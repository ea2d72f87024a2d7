// The text pictures: the gauge panel, the driver table and the lap summary.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "app/windows/MainWindow.h"
#include "fixtures/GameFileBuilder.h"
#include "fixtures/TrackFileBuilder.h"
#include "laps/DriverTable.h"
#include "laps/Gauges.h"
#include "support/DrawingBench.h"
#include "toolkit/Text.h"

namespace vx {
namespace {

using test::CountColour;
using test::CountColourIn;
using test::DrawingBench;
using test::TextCell;

constexpr Colour kBlack = MakeRgb(0, 0, 0);
constexpr Colour kPanel = MakeRgb(212, 208, 200);
constexpr Colour kTrack = MakeRgb(200, 230, 239);
constexpr Colour kBar = MakeRgb(160, 180, 200);
constexpr Colour kTableGrey = MakeRgb(212, 212, 212);

TextCell TableCell(DrawingBench& b, int x, int y, const std::string& text)
{
    return test::CellOf(b.tk, b.tk.FontHandleOf(TableFont), x, y, text);
}

bool InCell(const TextCell& c, int x, int y)
{
    return x >= c.x && x < c.x + c.width && y >= c.y && y < c.y + c.height;
}

// --- Gauge panel ----------------------------------------------------------------

struct Gauge {
    int row;
    const char* label;
    const char* valueText;
    int barWidth;  // as drawn, before the picture's edge
};

// Row r's 18 pixel rows from y = 20r + 8: the label at x 10, the track from x
// 150 to 399, the bar over it from x 150, the panel colour elsewhere, and the
// value text centred on x 275. Text pixels are black or leave what is beneath.
void ExpectGauge(DrawingBench& b, const Gauge& g)
{
    const Image& panel = b.Picture(GaugeImage);
    ASSERT_EQ(panel.Width(), 480);
    ASSERT_EQ(panel.Height(), 140);
    const int y = 20 * g.row + 8;
    const TextCell label = TableCell(b, 10, y, g.label);
    const int valueWidth = TableCell(b, 0, y, g.valueText).width;
    const TextCell value = TableCell(b, 275 - valueWidth / 2, y, g.valueText);
    int wrong = 0;
    for (int py = y; py < y + 18; ++py)
        for (int x = 0; x < 480; ++x) {
            const Colour beneath = x >= 150 && x < 150 + g.barWidth ? kBar
                                   : x >= 150 && x < 400            ? kTrack
                                                                    : kPanel;
            const Colour at = panel.At(x, py);
            const bool text = InCell(label, x, py) || InCell(value, x, py);
            wrong += at != beneath && !(text && at == kBlack);
        }
    EXPECT_EQ(wrong, 0) << g.label;
    test::ExpectTextIn(panel, kBlack, label, g.label);
    test::ExpectTextIn(panel, kBlack, value, g.valueText);
    const test::PixelBox ink = test::BoxOf(panel, kBlack, 150, y, 400, y + 18);
    EXPECT_NEAR((ink.left + ink.right) / 2.0, 275.0, 2.0) << g.valueText;
    EXPECT_EQ(CountColourIn(panel, kBlack, 0, y, 480, y + 18),
              CountColourIn(panel, kBlack, label.x, y, label.x + label.width, y + 18) +
                  CountColourIn(panel, kBlack, value.x, y, value.x + value.width, y + 18));
}

void OneGauge(DrawingBench& b, int row, int value, int fullScale, const std::string& label,
              const std::string& valueText)
{
    NewGaugeImage(b.state, b.tk);
    DrawGauge(b.state, b.tk, row, value, fullScale, label, valueText);
}

TEST(GaugeBars, TheBarIsTheValuesShareOf250Pixels)
{
    DrawingBench b;
    ASSERT_LE(b.tk.FontCellHeight(b.tk.FontHandleOf(TableFont)), 18);
    OneGauge(b, 3, 150, 200, "Fuelmass:", "150 kg");
    ExpectGauge(b, {3, "Fuelmass:", "150 kg", 187});
    OneGauge(b, 5, 120, 200, "Speed:", "120 %");
    ExpectGauge(b, {5, "Speed:", "120 %", 150});
}

TEST(GaugeBars, AValueOfZeroLeavesTheTrackAlone)
{
    DrawingBench b;
    OneGauge(b, 4, 0, 100, "Damage:", "0 %");
    ExpectGauge(b, {4, "Damage:", "0 %", 0});
    EXPECT_EQ(CountColour(b.Picture(GaugeImage), kBar), 0);
}

TEST(GaugeBars, AValueAboveFullScaleRunsToThePicturesEdge)
{
    DrawingBench b;
    OneGauge(b, 1, 255, 100, "Tyres:", "255 %");  // 637 pixels from x 150
    ExpectGauge(b, {1, "Tyres:", "255 %", 637});
    EXPECT_EQ(b.Picture(GaugeImage).At(479, 28 + 17), kBar);
    EXPECT_EQ(CountColour(b.Picture(GaugeImage), kTrack), 0);
}

TEST(GaugePanel, ShowsTheFiveSettingsInTheirRowsOnAFreshPanel)
{
    GameFileBuilder game;
    game.AddDriver(HumanDriver("Max", "Falcon")).AddTrack("Oval");
    game.SetGauges(80, 50, 10, 150, 120);  // tyres, consumption, damage, fuel, speed
    DrawingBench b;
    b.PutGame(game.Build());
    OneGauge(b, 2, 200, 100, "Stale:", "x");  // an earlier panel
    DrawGaugePanel(b.state, b.tk);
    ExpectGauge(b, {1, "Tyres:", "80 %", 200});
    ExpectGauge(b, {2, "Consumption:", "50 %", 125});
    ExpectGauge(b, {3, "Fuelmass:", "150 kg", 187});
    ExpectGauge(b, {4, "Damage:", "10 %", 25});
    ExpectGauge(b, {5, "Speed:", "120 %", 150});
    const Image& panel = b.Picture(GaugeImage);
    EXPECT_EQ(CountColourIn(panel, kPanel, 0, 0, 480, 28), 480 * 28);
    EXPECT_EQ(CountColourIn(panel, kPanel, 0, 126, 480, 140), 480 * 14);
    for (int gap = 46; gap < 126; gap += 20)
        EXPECT_EQ(CountColourIn(panel, kPanel, 0, gap, 480, gap + 2), 480 * 2) << gap;
}

TEST(GaugePanel, AGaugeWithoutAPanelDrawsNothing)
{
    DrawingBench b;
    DrawGauge(b.state, b.tk, 1, 50, 100, "Tyres:", "50 %");
    EXPECT_FALSE(b.tk.ImageExists(GaugeImage));
}

// --- Driver table ---------------------------------------------------------------

constexpr int kColumnX[6] = {10, 30, 140, 220, 320, 400};

// The six cells of driver row k as the table places them.
std::vector<TextCell> RowCells(DrawingBench& b, int k)
{
    const auto texts = DriverTableCells(b.state, k);
    std::vector<TextCell> cells;
    for (int column = 0; column < 6; ++column)
        cells.push_back(TableCell(b, kColumnX[column], 20 * (k - 1) + 5,
                                  texts[static_cast<std::size_t>(column)]));
    return cells;
}

GameDriver Driver(std::string name, int position, int laps, int raceTime, bool human = true,
                  int level = 0)
{
    GameDriver d = human ? HumanDriver(std::move(name), "Falcon")
                         : ComputerDriver(std::move(name), "Falcon", static_cast<std::uint8_t>(level));
    d.Position = static_cast<std::int8_t>(position - 1);
    d.LapsDriven = static_cast<std::int8_t>(laps);
    d.RaceTime = raceTime;
    return d;
}

// The saved game's drivers, with a track of 2500 m.
void PutDrivers(DrawingBench& b, const std::vector<GameDriver>& drivers)
{
    GameFileBuilder game;
    for (const GameDriver& d : drivers)
        game.AddDriver(d);
    game.AddTrack("Oval");
    TrackFileBuilder track;
    track.SetTrackLength(2500);
    b.PutTrack(track.Build());
    b.PutGame(game.Build());
}

TEST(DriverTableCells, AreThePositionNameKindCarTimeAndSpeed)
{
    DrawingBench b;
    PutDrivers(b, {Driver("Max", 2, 10, 61234), Driver("Eve", 1, 10, 60000, false, 85)});
    using Cells = std::array<std::string, 6>;
    EXPECT_EQ(DriverTableCells(b.state, 1),
              (Cells{"2", "Max", "human", "Falcon", "10:12.34", "146.98 kmh"}));
    EXPECT_EQ(DriverTableCells(b.state, 2),
              (Cells{"1", "Eve", "AI 85", "Falcon", "10:00.00", "150.00 kmh"}));
}

TEST(DriverTableCells, ARaceTimeOfZeroShowsZeroTimeAndSpeed)
{
    DrawingBench b;
    PutDrivers(b, {Driver("Max", 1, 0, 0)});
    EXPECT_EQ(DriverTableCells(b.state, 1)[4], "0:00.00");
    EXPECT_EQ(DriverTableCells(b.state, 1)[5], "0 kmh");
}

TEST(DriverTableCells, ACommaInANameStaysInItsCell)
{
    DrawingBench b;
    PutDrivers(b, {Driver("Max, Jr.", 1, 10, 61234)});
    const auto cells = DriverTableCells(b.state, 1);
    EXPECT_EQ(cells[1], "Max, Jr.");
    EXPECT_EQ(cells[2], "human");
    EXPECT_EQ(cells[3], "Falcon");
    FillDriverTable(b.state, b.tk);
    const std::vector<TextCell> row = RowCells(b, 1);
    test::ExpectTextIn(b.Picture(DriverTableImage), kBlack, row[1], "name with a comma");
    test::ExpectTextIn(b.Picture(DriverTableImage), kBlack, row[2], "kind");
}

TEST(DriverRowText, JoinsTheFourteenFieldsAndKeepsACommaInsideItsField)
{
    DriverRecord d;
    d.Named = true;
    d.Name = "Smith, J";
    d.AILevel = 200;
    d.CarName = "Falcon, GT";
    d.Position = 5;
    d.LapsDriven = -2;
    d.RaceTime = -70000;
    d.Record20 = 123456789;
    d.Record168 = -1;
    d.Record170 = 65535;
    d.Record172 = 40000;
    d.Record174 = 7;
    d.Record12 = -1;
    d.SecondIndex = 10;
    EXPECT_EQ(DriverRowText(d), "Smith, J,AI 200,Falcon, GT,5,-2,-70000,123456789,-1,65535,40000,7,-1,200,10");
    // Drivers 7..11 have neither a name nor a kind, and keep their columns.
    DriverRecord seventh;
    seventh.CarName = "Car7";
    seventh.Position = 7;
    seventh.LapsDriven = 10;
    seventh.AILevel = 50;
    seventh.SecondIndex = 1;
    EXPECT_EQ(DriverRowText(seventh), ",,Car7,7,10,0,0,0,0,0,0,0,50,1");
}

TEST(DriverTablePicture, RowsStand20ApartFromY5InSixColumns)
{
    DrawingBench b;
    PutDrivers(b, {Driver("Max", 2, 10, 61234), Driver("Eve", 1, 10, 60000, false, 85),
                   Driver("Ann", 3, 9, 0)});
    FillDriverTable(b.state, b.tk);
    const Image& table = b.Picture(DriverTableImage);
    ASSERT_EQ(table.Width(), 480);
    ASSERT_EQ(table.Height(), 140);
    std::vector<TextCell> cells;
    for (int k = 1; k <= 3; ++k)
        for (const TextCell& cell : RowCells(b, k)) {
            ASSERT_LE(cell.x + cell.width, 480);
            test::ExpectTextIn(table, kBlack, cell, "row " + std::to_string(k));
            cells.push_back(cell);
        }
    EXPECT_EQ(test::CountOutsideCells(table, kBlack, cells, 0, 0, 480, 140), 0);
    EXPECT_EQ(CountColour(table, kTableGrey) + CountColour(table, kBlack), 480 * 140);
    EXPECT_EQ(CountColourIn(table, kBlack, 0, 65, 480, 140), 0);
}

TEST(DriverTablePicture, TheSeventhRowIsTheLastInsideThePicture)
{
    std::vector<GameDriver> seven, eight;
    for (int k = 1; k <= 8; ++k) {
        const GameDriver d = Driver(k <= 6 ? "Driver" : "", k, 10, 60000 + k);
        if (k <= 7)
            seven.push_back(d);
        eight.push_back(d);
    }
    DrawingBench b7, b8;
    PutDrivers(b7, seven);
    PutDrivers(b8, eight);
    FillDriverTable(b7.state, b7.tk);
    FillDriverTable(b8.state, b8.tk);
    EXPECT_GT(CountColourIn(b7.Picture(DriverTableImage), kBlack, 0, 125, 480, 140), 0);
    EXPECT_EQ(test::CountDifferences(b8.Picture(DriverTableImage), b7.Picture(DriverTableImage)),
              0);
}

TEST(DriverTablePicture, EveryFillStartsFromAnEmptyTable)
{
    DrawingBench b;
    PutDrivers(b, {Driver("Max", 1, 10, 61234), Driver("Eve", 2, 10, 60000)});
    FillDriverTable(b.state, b.tk);
    PutDrivers(b, {Driver("Ann", 1, 10, 61234)});
    FillDriverTable(b.state, b.tk);
    EXPECT_GT(CountColourIn(b.Picture(DriverTableImage), kBlack, 0, 5, 480, 25), 0);
    EXPECT_EQ(CountColourIn(b.Picture(DriverTableImage), kBlack, 0, 25, 480, 140), 0);
}

TEST(DriverTablePicture, ASavedGameWithoutDriversGivesAnEmptyTable)
{
    DrawingBench b;
    PutDrivers(b, {Driver("Max", 1, 10, 61234)});
    FillDriverTable(b.state, b.tk);
    PutDrivers(b, {});
    FillDriverTable(b.state, b.tk);
    EXPECT_EQ(CountColour(b.Picture(DriverTableImage), kTableGrey), 480 * 140);
}

TEST(DriverTablePicture, ACellWithoutATableDrawsNothing)
{
    DrawingBench b;
    DrawDriverCell(b.state, b.tk, 1, 1, "1");
    EXPECT_FALSE(b.tk.ImageExists(DriverTableImage));
}

// --- Lap summary -----------------------------------------------------------------

// The two header cells, then the cells of laps 1..laps of "61.70" each.
std::vector<TextCell> SummaryCells(DrawingBench& b, const std::string& fastest,
                                   const std::string& average, const std::vector<std::string>& times)
{
    std::vector<TextCell> cells = {TableCell(b, 10, 10, "Fast Lap #" + fastest),
                                   TableCell(b, 200, 10, "Average AI: " + average)};
    for (int i = 1; i <= std::ssize(times); ++i)
        cells.push_back(TableCell(b, 10 + 100 * ((i - 1) / 8), 40 + 30 * ((i - 1) % 8),
                                  IntToText(i) + ":  " + times[static_cast<std::size_t>(i - 1)]));
    return cells;
}

void ExpectSummary(DrawingBench& b, const std::vector<TextCell>& cells)
{
    const Image& summary = b.Picture(LapSummaryImage);
    ASSERT_EQ(summary.Width(), 480);
    ASSERT_EQ(summary.Height(), 270);
    for (std::size_t i = 0; i < cells.size(); ++i) {
        ASSERT_LE(cells[i].x + cells[i].width, 480);
        test::ExpectTextIn(summary, kBlack, cells[i], "cell " + std::to_string(i));
    }
    EXPECT_EQ(test::CountOutsideCells(summary, kBlack, cells, 0, 0, 480, 270), 0);
    EXPECT_EQ(CountColour(summary, kTableGrey) + CountColour(summary, kBlack), 480 * 270);
}

TEST(LapSummaryPicture, ListsTheFirstFortyLapsInFiveColumnsOfEight)
{
    std::vector<std::int64_t> times(41, 6170);
    times[1] = 5835;
    std::vector<std::string> shown(40, "61.70");
    shown[1] = "58.35";
    DrawingBench b;
    b.PutLaps(times);
    b.state.Game.AverageAILevel = 3.5f;
    DrawLapSummary(b.state, b.tk);
    ExpectSummary(b, SummaryCells(b, "2 : 58.35", "3.50", shown));
}

TEST(LapSummaryPicture, WithoutALapUnderAMinuteTheFastestLapHeaderStaysBare)
{
    DrawingBench b;
    b.PutLaps({6170, 6170});
    b.state.Game.AverageAILevel = 85.0f;
    DrawLapSummary(b.state, b.tk);
    ExpectSummary(b, SummaryCells(b, "", "85.00", {"61.70", "61.70"}));
}

// --- The boxes --------------------------------------------------------------------

TEST(TableBoxes, ShowTheGaugePanelAndTheDriverTable)
{
    DrawingBench b;
    MakePlaceholderImage(b.tk);
    OpenMainWindow(b.state, b.tk);
    PutDrivers(b, {Driver("Max", 1, 10, 61234)});
    DrawGaugePanel(b.state, b.tk);
    FillDriverTable(b.state, b.tk);
    EXPECT_EQ(b.tk.ControlSize(GaugeBox), std::make_pair(480, 140));
    EXPECT_EQ(test::CountDifferences(test::ShownPicture(b.tk, GaugeBox), b.Picture(GaugeImage)), 0);
    EXPECT_EQ(test::CountDifferences(test::ShownPicture(b.tk, DriverTableBox),
                                     b.Picture(DriverTableImage)),
              0);
}

}  // namespace
}  // namespace vx
