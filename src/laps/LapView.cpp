#include "laps/LapView.h"

#include "laps/DriverTable.h"
#include "laps/LapChart.h"
#include "laps/LapTrace.h"
#include "toolkit/Text.h"

namespace vx {

namespace {

constexpr Colour kBlue = MakeRgb(0, 0, 255);
constexpr Colour kRed = MakeRgb(255, 0, 0);
constexpr Colour kWhite = MakeRgb(255, 255, 255);
constexpr Colour kBlack = MakeRgb(0, 0, 0);
constexpr Colour kChartBackground = MakeRgb(250, 250, 250);
constexpr Colour kChartFill = MakeRgb(0, 1, 255);  // one step of green away from the outline

}  // namespace

void DrawLapView(AppState& state, Toolkit& toolkit)
{
    if (state.Game.RaceFlag == 0 || !state.Game.Replay) {
        toolkit.ShowImage(LapChartBox, PlaceholderImage);
        toolkit.ShowImage(LapSummaryBox, PlaceholderImage);
        return;
    }
    const LapTrace& trace = state.Laps;
    const TrackData& track = state.Track;

    {
        Drawing drawing(toolkit, MapImage);
        if (Image* map = drawing.Target()) {
            for (const MapPixel pixel : trace.PixelsOf(state.CurrentLap))
                PlotSampleBlock(*map, pixel, kBlue);
            if (trace.StartPoint)
                PlotSampleBlock(*map, *trace.StartPoint, kRed);
        }
        if (track.HasLapLine)
            toolkit.DrawSegment(track.LapLineX1, track.LapLineY1, track.LapLineX2,
                                track.LapLineY2, kRed);
    }
    toolkit.ShowImage(MapBox, MapImage);

    if (trace.LapCount == 0) {
        // Nothing to chart: never leave the pictures of an earlier game.
        toolkit.ShowImage(LapChartBox, PlaceholderImage);
        toolkit.ShowImage(LapSummaryBox, PlaceholderImage);
        return;
    }
    if (state.CurrentLap == 0) {
        DrawLapSummary(state, toolkit);
        if (toolkit.ImageExists(LapSummaryImage))
            toolkit.ShowImage(LapSummaryBox, LapSummaryImage);
    }
    DrawLapChart(state, toolkit);
    if (toolkit.ImageExists(LapChartImage))
        toolkit.ShowImage(LapChartBox, LapChartImage);
}

void DrawLapChart(AppState& state, Toolkit& toolkit)
{
    const LapChartGeometry chart = LapChartOf(state.Laps, state.CurrentLap);
    // The curve, its fill and the frame depend on the laps alone: they are
    // drawn with the overview (lap 0, which every load shows first) and
    // copied for the other laps; the marker, then the labels over it, are
    // drawn for each.
    if (state.CurrentLap == 0 || !toolkit.ImageExists(LapChartBaseImage)) {
        toolkit.CreateImageSlot(LapChartBaseImage, kChartWidth, kChartHeight, kChartBackground);
        Drawing drawing(toolkit, LapChartBaseImage);
        for (std::size_t i = 1; i < chart.Points.size(); ++i)
            toolkit.DrawSegment(chart.Points[i - 1].x, chart.Points[i - 1].y, chart.Points[i].x,
                                chart.Points[i].y, kBlue);
        toolkit.DrawSegment(chart.ClosingTop.x, chart.ClosingTop.y, chart.ClosingTop.x, kChartBaselineY, kBlue);
        toolkit.DrawLineBy(kChartAxisX, kChartBaselineY, kChartLapsWidth, 0, kBlue);
        toolkit.DrawLineBy(kChartAxisX, kChartBaselineY, 0, kChartSlowestY - kChartBaselineY, kBlue);
        toolkit.FloodFillArea(kChartFillX, kChartFastestY, kBlue, kChartFill);
        // The fastest level over the fill, and the levels' ticks.
        toolkit.DrawLineBy(kChartAxisX, kChartFastestY, kChartLapsWidth, 0, kRed);
        toolkit.DrawLineBy(kChartAxisX, kChartSlowestY, -kChartTickLength, 0, kBlue);
        toolkit.DrawLineBy(kChartAxisX, kChartFastestY, -kChartTickLength, 0, kBlue);
    }
    toolkit.CopyImageSlot(LapChartBaseImage, LapChartImage);
    Drawing drawing(toolkit, LapChartImage);
    if (state.CurrentLap != 0 && chart.CurrentPoint)
        toolkit.DrawSegment(chart.CurrentPoint->x, kChartBaselineY, chart.CurrentPoint->x,
                            chart.CurrentPoint->y, kWhite);
    toolkit.DrawTextAt(kChartLabelX, kChartSlowestY - kChartLabelAbove, chart.SlowestLabel, kBlack);
    toolkit.DrawTextAt(kChartLabelX, kChartFastestY - kChartLabelAbove, chart.FastestLabel, kBlack);
}

}  // namespace vx
