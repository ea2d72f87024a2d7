#include "laps/DriverTable.h"

#include <algorithm>

#include "laps/LapTrace.h"
#include "laps/TableLayout.h"
#include "toolkit/Format.h"
#include "toolkit/Text.h"

namespace vx {

namespace {

constexpr Colour kTableBackground = MakeRgb(212, 212, 212);

}  // namespace

void NewDriverTableImage(Toolkit& toolkit)
{
    toolkit.CreateImageSlot(DriverTableImage, 480, 140, kTableBackground);
}

void DrawDriverCell(AppState& state, Toolkit& toolkit, int row, int column,
                    const std::string& text)
{
    Drawing drawing(toolkit, DriverTableImage);
    if (drawing.Target() == nullptr)
        return;
    const CellCorner corner = DriverCellCorner(row, column);
    toolkit.SetDrawingMode(1);
    toolkit.SetDrawingFont(toolkit.FontHandleOf(TableFont));
    toolkit.DrawTextAt(static_cast<int>(corner.x), static_cast<int>(corner.y), text,
                       state.Colours[Paint::TableText]);
}

std::string DriverKindText(const DriverRecord& driver)
{
    if (!driver.Named)
        return {};
    return driver.Human ? "human" : "AI " + IntToText(driver.AILevel);
}

std::array<std::string, 6> DriverTableCells(const AppState& state, int k)
{
    const DriverRecord& d = state.Game.Drivers[static_cast<std::size_t>(k - 1)];
    return {IntToText(d.Position), d.Name, DriverKindText(d), d.CarName, FormatTime(d.RaceTime),
            FormatAverageSpeed(d.LapsDriven, d.RaceTime, state.Track.TrackLength)};
}

std::string DriverRowText(const DriverRecord& d)
{
    const std::string fields[] = {
        d.Name,                 DriverKindText(d),       d.CarName,
        IntToText(d.Position),  IntToText(d.LapsDriven), IntToText(d.RaceTime),
        IntToText(d.Record20),  IntToText(d.Record168),  IntToText(d.Record170),
        IntToText(d.Record172), IntToText(d.Record174),  IntToText(d.Record12),
        IntToText(d.AILevel),   IntToText(d.SecondIndex)};
    std::string text = fields[0];
    for (std::size_t i = 1; i < std::size(fields); ++i)
        text += "," + fields[i];
    return text;
}

void FillDriverTable(AppState& state, Toolkit& toolkit)
{
    NewDriverTableImage(toolkit);
    for (int k = 1; k <= state.Game.DriverCount(); ++k) {
        const auto cells = DriverTableCells(state, k);
        for (int column = 1; column <= 6; ++column)
            DrawDriverCell(state, toolkit, k, column, cells[static_cast<std::size_t>(column - 1)]);
    }
    if (toolkit.ImageExists(DriverTableImage))
        toolkit.ShowImage(DriverTableBox, DriverTableImage);
}

void DrawLapSummary(AppState& state, Toolkit& toolkit)
{
    const std::string fastestLapText = LapText(state.Laps, state.Laps.FastestLap);
    const std::string averageText = RealToText(state.Game.AverageAILevel, 2);
    toolkit.CreateImageSlot(LapSummaryImage, 480, 270, kTableBackground);
    Drawing drawing(toolkit, LapSummaryImage);
    toolkit.SetDrawingMode(1);
    toolkit.SetDrawingFont(toolkit.FontHandleOf(TableFont));
    for (const TextPlacement& header :
         {FastLapHeader(fastestLapText), AverageAIHeader(averageText)})
        toolkit.DrawTextAt(header.x, header.y, header.text);
    for (const TextPlacement& entry : LapSummaryEntries(state.Laps.LapTimes))
        toolkit.DrawTextAt(entry.x, entry.y, entry.text);
}

}  // namespace vx
