#include "laps/LapView.h"

#include "formats/ReplayBlock.h"
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

void Show(Toolkit& toolkit, int box, int image)
{
    toolkit.SetControlValue(box, static_cast<std::int64_t>(toolkit.ImageHandleOf(image)));
}

}  // namespace

void DrawLapView(AppState& state, Toolkit& toolkit)
{
    LapViewState& view = state.LapView;
    view = LapViewState{};
    state.LapCount = 0;

    const std::optional<ReplayBlock>& block = state.Game.Replay;
    if (state.Game.RaceFlag == 0 || !block) {
        Show(toolkit, LapChartBox, PlaceholderImage);
        Show(toolkit, LapSummaryBox, PlaceholderImage);
        return;
    }
    view.SampleCount = block->SampleCount;
    view.SampleScale = SampleScaleOf(state.Track.MapScale);

    LapTraceSetup setup;
    setup.MapScale = state.Track.MapScale;
    setup.CurrentLap = state.CurrentLap;
    if (state.Track.HasLapLine)
        setup.Line = LapLine{state.Track.LapLineX1, state.Track.LapLineY1, state.Track.LapLineX2,
                             state.Track.LapLineY2};

    toolkit.BeginDrawing(toolkit.ImageDrawTarget(MapImage));
    Image* map = toolkit.DrawingImage();
    // Only the whole samples that lie inside the saved game are walked.
    const LapTrace trace = TraceLaps(
        std::ssize(block->Samples), [&](std::int64_t j) { return block->Samples[static_cast<std::size_t>(j)]; },
        setup,
        [&](MapPixel pixel) {
            if (map != nullptr)
                PlotSampleBlock(*map, pixel, kBlue);
        });
    if (trace.StartPoint && map != nullptr) {
        view.HasStartPoint = true;
        view.StartPointX = trace.StartPoint->x;
        view.StartPointY = trace.StartPoint->y;
        PlotSampleBlock(*map, *trace.StartPoint, kRed);
    }
    if (setup.Line)
        toolkit.DrawSegment(setup.Line->x1, setup.Line->y1, setup.Line->x2, setup.Line->y2, kRed);
    toolkit.EndDrawing();
    Show(toolkit, MapBox, MapImage);

    state.LapCount = trace.LapCount;
    view.LapTimeList = trace.LapTimeList;
    const LapExtremes extremes = FindLapExtremes(view.LapTimeList, state.LapCount);
    view.FastestLapTime = extremes.FastestLapTime;
    view.SlowestLapTime = extremes.SlowestLapTime;
    view.FastestLapText = extremes.FastestLapText;
    view.SlowestLapText = extremes.SlowestLapText;

    if (state.LapCount == 0) {
        // Nothing to chart: never leave the pictures of an earlier game.
        Show(toolkit, LapChartBox, PlaceholderImage);
        Show(toolkit, LapSummaryBox, PlaceholderImage);
        return;
    }
    if (state.CurrentLap == 0) {
        DrawLapSummary(state, toolkit, view.LapTimeList, view.FastestLapText,
                       RealToText(state.Game.AverageAILevel, 2));
        if (toolkit.ImageExists(LapSummaryImage))
            Show(toolkit, LapSummaryBox, LapSummaryImage);
    }
    DrawLapChart(state, toolkit, view.LapTimeList, view.FastestLapText, view.SlowestLapText,
                 state.LapCount, state.CurrentLap);
    if (toolkit.ImageExists(LapChartImage))
        Show(toolkit, LapChartBox, LapChartImage);
}

void DrawLapChart(AppState&, Toolkit& toolkit, const std::string& lapTimeList,
                  const std::string& fastestLapText, const std::string& slowestLapText,
                  std::int32_t lapCount, std::int32_t currentLap)
{
    const LapChartGeometry chart =
        LapChartOf(lapTimeList, fastestLapText, slowestLapText, lapCount, currentLap);
    toolkit.CreateImageSlot(LapChartImage, 800, 140);
    toolkit.BeginDrawing(toolkit.ImageDrawTarget(LapChartImage));
    toolkit.FillBox(0, 0, 800, 140, kChartBackground);
    for (std::size_t i = 1; i < chart.Points.size(); ++i)
        toolkit.DrawSegment(chart.Points[i - 1].x, chart.Points[i - 1].y, chart.Points[i].x,
                            chart.Points[i].y, kBlue);
    toolkit.DrawSegment(chart.ClosingTop.x, chart.ClosingTop.y, chart.ClosingTop.x, 130, kBlue);
    toolkit.DrawLineBy(75, 130, 720, 0, kBlue);   // baseline
    toolkit.DrawLineBy(75, 130, 0, -120, kBlue);  // axis
    toolkit.FloodFillArea(80, 110, kBlue, kChartFill);
    toolkit.DrawLineBy(75, 110, 720, 0, kRed);    // the fastest level, over the fill
    toolkit.DrawLineBy(75, 10, -5, 0, kBlue);     // ticks
    toolkit.DrawLineBy(75, 110, -5, 0, kBlue);
    if (currentLap != 0 && chart.CurrentPoint)
        toolkit.DrawSegment(chart.CurrentPoint->x, 130, chart.CurrentPoint->x,
                            chart.CurrentPoint->y, kWhite);
    toolkit.DrawTextAt(20, 5, chart.SlowestLabel, kBlack);
    toolkit.DrawTextAt(20, 105, chart.FastestLabel, kBlack);
    toolkit.EndDrawing();
}

}  // namespace vx
