#include "laps/CompareView.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "laps/LapTrace.h"
#include "laps/LapView.h"
#include "toolkit/Format.h"
#include "toolkit/Text.h"

namespace vx {

namespace {

constexpr Colour kWhite = MakeRgb(255, 255, 255);
constexpr Colour kBlack = MakeRgb(0, 0, 0);
constexpr Colour kGrey = MakeRgb(128, 128, 128);
constexpr Colour kLightGrey = MakeRgb(220, 220, 220);
constexpr Colour kPaper = MakeRgb(250, 250, 250);
constexpr Colour kRed = MakeRgb(255, 0, 0);
constexpr Colour kLapBlue = MakeRgb(0, 0, 255);          // the compared lap
constexpr Colour kReference = MakeRgb(255, 0, 255);      // the reference lap
constexpr Colour kLosing = MakeRgb(255, 190, 190);       // delta rising: time lost
constexpr Colour kGaining = MakeRgb(185, 235, 185);      // delta falling: time gained
constexpr Colour kHeaderFill = MakeRgb(200, 200, 200);
constexpr Colour kRowFill = MakeRgb(255, 255, 255);
constexpr Colour kOtherRowFill = MakeRgb(242, 242, 242);
constexpr Colour kComparedRowFill = MakeRgb(205, 225, 255);
constexpr Colour kBestFill = MakeRgb(170, 225, 170);

// The plot inside a chart's picture.
constexpr int kPlotLeft = 50;
constexpr int kPlotTop = 22;
constexpr int kPlotWidth = 483 - kPlotLeft - 10;
constexpr int kPlotHeight = 160 - kPlotTop - 20;

// The sector table's rows and columns.
constexpr int kHeaderHeight = 20;
constexpr int kRowHeight = 16;
struct Column {
    int right;  // the text ends here
    const char* title;
};
constexpr std::array<Column, 7> kColumns{{{40, "Lap"},
                                          {100, "Time"},
                                          {170, "Precise"},
                                          {240, "S1"},
                                          {310, "S2"},
                                          {380, "S3"},
                                          {455, "Top km/h"}}};

std::string Seconds(double s)
{
    return FixedText(s, 3);
}

std::string SignedSeconds(double s)
{
    return SignedFixedText(s, 3);
}

// Slow to fast: blue, cyan, green, yellow, red.
Colour SpeedColour(double fraction)
{
    static constexpr std::array<std::array<int, 3>, 5> stops{
        {{0, 0, 255}, {0, 200, 255}, {0, 200, 0}, {255, 220, 0}, {255, 0, 0}}};
    if (!(fraction > 0))
        fraction = 0;
    fraction = std::min(fraction, 1.0) * 4;
    const auto i = std::min(static_cast<std::size_t>(fraction), std::size_t{3});
    const double t = fraction - static_cast<double>(i);
    const auto mix = [&](std::size_t c) {
        return static_cast<int>(std::lround(stops[i][c] + t * (stops[i + 1][c] - stops[i][c])));
    };
    return MakeRgb(mix(0), mix(1), mix(2));
}

// The compared lap's lowest and highest speed, for the colour scale.
struct SpeedRange {
    double low = 0;
    double high = 0;
};
std::optional<SpeedRange> SpeedRangeOf(const LapAnalysis& a, std::int32_t lap)
{
    std::optional<SpeedRange> range;
    const auto path = a.PathOf(lap);
    for (std::size_t i = 0; i < path.size(); ++i) {
        const auto speed = a.SpeedAt(SampleOfVertex(a, lap, i));
        if (!speed)
            continue;
        if (!range)
            range = SpeedRange{*speed, *speed};
        range->low = std::min(range->low, *speed);
        range->high = std::max(range->high, *speed);
    }
    return range;
}

double ScaleFraction(const SpeedRange& range, double speed)
{
    return range.high > range.low ? (speed - range.low) / (range.high - range.low) : 1.0;
}

// A line of blocks (2 half + 1 pixels wide) from one map point to another,
// the part inside the picture: a sample far off the map draws its line to
// the edge.
void ThickLine(Image& image, double x0, double y0, double x1, double y1, Colour colour)
{
    // Clip to the picture with a margin (Liang-Barsky).
    const double xmin = -2, ymin = -2, xmax = image.Width() + 1, ymax = image.Height() + 1;
    double t0 = 0, t1 = 1;
    const double dx = x1 - x0, dy = y1 - y0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0 - xmin, xmax - x0, y0 - ymin, ymax - y0};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return;
            continue;
        }
        const double r = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, r);
        else
            t1 = std::min(t1, r);
        if (t0 > t1)
            return;
    }
    const double ax = x0 + t0 * dx, ay = y0 + t0 * dy;
    const double bx = x0 + t1 * dx, by = y0 + t1 * dy;
    const int steps = static_cast<int>(std::ceil(std::max(std::abs(bx - ax), std::abs(by - ay))));
    for (int s = 0; s <= steps; ++s) {
        const double t = steps == 0 ? 0 : static_cast<double>(s) / steps;
        PlotSampleBlock(image,
                        {static_cast<int>(std::lround(ax + t * (bx - ax))),
                         static_cast<int>(std::lround(ay + t * (by - ay)))},
                        colour);
    }
}

int ChartX(double f)
{
    return kPlotLeft + static_cast<int>(std::lround(std::clamp(f, 0.0, 1.0) * (kPlotWidth - 1)));
}

// The frame of a chart with its title, and the x axis's labels.
void DrawChartFrame(Toolkit& toolkit, const std::string& title)
{
    toolkit.FillBox(kPlotLeft, kPlotTop, kPlotWidth, kPlotHeight, kWhite);
    toolkit.DrawLineBy(kPlotLeft - 1, kPlotTop - 1, kPlotWidth + 1, 0, kGrey);
    toolkit.DrawLineBy(kPlotLeft - 1, kPlotTop + kPlotHeight, kPlotWidth + 1, 0, kGrey);
    toolkit.DrawLineBy(kPlotLeft - 1, kPlotTop - 1, 0, kPlotHeight + 1, kGrey);
    toolkit.DrawLineBy(kPlotLeft + kPlotWidth, kPlotTop - 1, 0, kPlotHeight + 1, kGrey);
    toolkit.DrawTextAt(6, 3, title, kBlack);
    const int labelY = kPlotTop + kPlotHeight + 3;
    toolkit.DrawTextAt(kPlotLeft - 4, labelY, "0 %", kBlack);
    toolkit.DrawTextAt(ChartX(0.5) - 12, labelY, "50 %", kBlack);
    toolkit.DrawTextAt(kPlotLeft + kPlotWidth - 34, labelY, "100 %", kBlack);
}

void UseSmallFont(Toolkit& toolkit)
{
    toolkit.SetDrawingFont(toolkit.FontHandleOf(CompareFont));
    toolkit.SetDrawingMode(1);
}

// A round number at least value: 1, 1.5, 2, 3, 4, 5, 6 or 8 times a power
// of ten.
double NiceCeiling(double value)
{
    const double power = std::pow(10.0, std::floor(std::log10(value)));
    for (const double step : {1.0, 1.5, 2.0, 3.0, 4.0, 5.0, 6.0, 8.0, 10.0})
        if (step * power >= value * (1 - 1e-12))
            return step * power;
    return 10 * power;
}

std::string LapName(std::int32_t lap)
{
    return "lap " + IntToText(lap);
}

void DrawMapBase(const AppState& state, const Comparison& c, Toolkit& toolkit)
{
    if (!toolkit.ImageExists(MapMasterImage))
        return;
    toolkit.CopyImageSlot(MapMasterImage, CompareMapBaseImage);
    Drawing drawing(toolkit, CompareMapBaseImage);
    Image* map = drawing.Target();
    const LapAnalysis& a = *c.Analysis;
    const auto path = a.PathOf(c.Lap);
    const auto range = SpeedRangeOf(a, c.Lap);
    for (std::size_t i = 1; i < path.size(); ++i) {
        // A move takes the colour of the sample it leaves (or reaches, from a crossing).
        auto speed = a.SpeedAt(SampleOfVertex(a, c.Lap, i - 1));
        if (!speed)
            speed = a.SpeedAt(SampleOfVertex(a, c.Lap, i));
        const Colour colour = range && speed ? SpeedColour(ScaleFraction(*range, *speed)) : kLapBlue;
        ThickLine(*map, path[i - 1].x, path[i - 1].y, path[i].x, path[i].y, colour);
    }
    const auto reference = a.PathOf(a.ReferenceLap);
    for (std::size_t i = 1; i < reference.size(); ++i)
        toolkit.DrawSegment(std::lround(reference[i - 1].x), std::lround(reference[i - 1].y),
                            std::lround(reference[i].x), std::lround(reference[i].y), kReference);
    if (state.Track.HasLapLine)
        toolkit.DrawSegment(state.Track.LapLineX1, state.Track.LapLineY1, state.Track.LapLineX2,
                            state.Track.LapLineY2, kRed);
    if (a.Gates) {
        UseSmallFont(toolkit);
        for (int g = 0; g < 2; ++g) {
            const Gate& gate = (*a.Gates)[static_cast<std::size_t>(g)];
            const long x1 = std::lround(gate.End1.x), y1 = std::lround(gate.End1.y);
            const long x2 = std::lround(gate.End2.x), y2 = std::lround(gate.End2.y);
            toolkit.DrawSegment(x1, y1, x2, y2, kBlack);
            toolkit.DrawSegment(x1 + 1, y1, x2 + 1, y2, kWhite);
            std::string label = "S";
            label += IntToText(g + 1) + "|S" + IntToText(g + 2);
            toolkit.DrawTextAt(static_cast<int>(x2) + 3, static_cast<int>(y2) - 6, label, kBlack);
        }
    }
}

void DrawLegend(const Comparison& c, Toolkit& toolkit)
{
    toolkit.CreateImageSlot(SpeedLegendImage, kSpeedLegendBox.w, kSpeedLegendBox.h, kPaper);
    Drawing drawing(toolkit, SpeedLegendImage);
    UseSmallFont(toolkit);
    const LapAnalysis& a = *c.Analysis;
    const auto range = SpeedRangeOf(a, c.Lap);
    if (!range) {
        toolkit.DrawTextAt(6, 2, LapName(c.Lap) + ": no speed, the track gives no length", kBlack);
    } else {
        const std::string name = LapName(c.Lap) + " km/h";
        toolkit.DrawTextAt(6, 2, name, kBlack);
        // The scale starts at x 86, or after a longer lap name.
        const int lowLeft = std::max(86, 6 + toolkit.MeasureTextWidth(name) + 6);
        const std::string low = RealToText(range->low, 0);
        const int barLeft = lowLeft + 4 + toolkit.MeasureTextWidth(low);
        const int barWidth = 250;
        toolkit.DrawTextAt(lowLeft, 2, low, kBlack);
        for (int x = 0; x < barWidth; ++x)
            toolkit.FillBox(barLeft + x, 4, 1, 10, SpeedColour(x / double(barWidth - 1)));
        toolkit.DrawTextAt(barLeft + barWidth + 4, 2, RealToText(range->high, 0), kBlack);
    }
    toolkit.FillBox(6, 22, 16, 2, kReference);
    toolkit.DrawTextAt(26, 16, LapName(a.ReferenceLap) + " (reference)", kBlack);
    toolkit.FillBox(176, 18, 2, 10, kBlack);
    toolkit.DrawTextAt(182, 16, "sector gates", kBlack);
    toolkit.FillBox(276, 18, 2, 10, kRed);
    toolkit.DrawTextAt(282, 16, "lap line", kBlack);
}

// Speeds of a lap as chart points: x from the lap fraction, y from the speed.
void DrawSpeedCurve(Toolkit& toolkit, const LapAnalysis& a, std::int32_t lap, double top, Colour colour)
{
    const auto path = a.PathOf(lap);
    const double length = a.Lap(lap).LengthPx;
    bool have = false;
    long px = 0, py = 0;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const auto speed = a.SpeedAt(SampleOfVertex(a, lap, i));
        if (!speed)
            continue;
        const double f = length > 0 ? path[i].distance / length : 0;
        const long x = ChartX(f);
        const long y = kPlotTop + kPlotHeight - 1 -
                       std::lround(std::min(*speed / top, 1.0) * (kPlotHeight - 1));
        if (have)
            toolkit.DrawSegment(px, py, x, y, colour);
        have = true;
        px = x, py = y;
    }
}

void DrawSpeedBase(const Comparison& c, Toolkit& toolkit)
{
    const LapAnalysis& a = *c.Analysis;
    toolkit.CreateImageSlot(SpeedChartBaseImage, kSpeedChartBox.w, kSpeedChartBox.h, kPaper);
    Drawing drawing(toolkit, SpeedChartBaseImage);
    UseSmallFont(toolkit);
    DrawChartFrame(toolkit, "Speed (km/h)");
    toolkit.DrawTextAt(kPlotLeft + kPlotWidth - 170, 3, LapName(c.Lap), kLapBlue);
    toolkit.DrawTextAt(kPlotLeft + kPlotWidth - 110, 3, LapName(a.ReferenceLap) + " (reference)", kReference);
    const auto lapRange = SpeedRangeOf(a, c.Lap);
    const auto refRange = SpeedRangeOf(a, a.ReferenceLap);
    if (!lapRange && !refRange) {
        toolkit.DrawTextAt(kPlotLeft + 10, kPlotTop + 50, "No speed: the track gives no length.", kBlack);
        return;
    }
    // Every speed fits: a jump across the map shows as a spike.
    const double highest = std::max({lapRange ? lapRange->high : 0.0, refRange ? refRange->high : 0.0, 1.0});
    const double top = highest > 100 ? std::ceil(highest / 50) * 50 : NiceCeiling(highest);
    for (int level = 1; level <= 3; ++level) {
        const int y = kPlotTop + kPlotHeight - 1 - level * (kPlotHeight - 1) / 4;
        toolkit.DrawLineBy(kPlotLeft, y, kPlotWidth, 0, kLightGrey);
    }
    toolkit.DrawTextAt(6, kPlotTop - 6, RealToText(top, 0), kBlack);
    toolkit.DrawTextAt(6, kPlotTop + kPlotHeight / 2 - 7, RealToText(top / 2, 0), kBlack);
    toolkit.DrawTextAt(6, kPlotTop + kPlotHeight - 10, "0", kBlack);
    DrawSpeedCurve(toolkit, a, a.ReferenceLap, top, kReference);
    DrawSpeedCurve(toolkit, a, c.Lap, top, kLapBlue);
}

void DrawDeltaBase(const Comparison& c, Toolkit& toolkit)
{
    const LapAnalysis& a = *c.Analysis;
    toolkit.CreateImageSlot(DeltaChartBaseImage, kDeltaChartBox.w, kDeltaChartBox.h, kPaper);
    Drawing drawing(toolkit, DeltaChartBaseImage);
    UseSmallFont(toolkit);
    DrawChartFrame(toolkit, "Delta (s): " + LapName(c.Lap) + " against " + LapName(a.ReferenceLap));
    toolkit.DrawTextAt(kPlotLeft + kPlotWidth - 150, 3, "red: losing  green: gaining", kGrey);
    std::array<double, kPlotWidth> delta{};
    double largest = 0;
    for (int x = 0; x < kPlotWidth; ++x) {
        delta[static_cast<std::size_t>(x)] = DeltaAtFraction(a, c.Lap, x / double(kPlotWidth - 1));
        largest = std::max(largest, std::abs(delta[static_cast<std::size_t>(x)]));
    }
    const double range = NiceCeiling(std::max(largest, 0.1));
    const int zero = kPlotTop + kPlotHeight / 2;
    const auto yOf = [&](double d) {
        return zero - static_cast<int>(std::lround(d / range * (kPlotHeight / 2 - 1)));
    };
    // Behind the curve, the columns where the lap loses time and gains it.
    for (int x = 0; x < kPlotWidth; ++x) {
        const double d = delta[static_cast<std::size_t>(x)];
        const double before = delta[static_cast<std::size_t>(std::max(x - 1, 0))];
        const double after = delta[static_cast<std::size_t>(std::min(x + 1, kPlotWidth - 1))];
        const double slope = x == 0 ? after - d : d - before;
        if (slope == 0)
            continue;
        const int y = yOf(d);
        toolkit.FillBox(kPlotLeft + x, std::min(y, zero), 1, std::abs(y - zero) + 1,
                        slope > 0 ? kLosing : kGaining);
    }
    toolkit.DrawLineBy(kPlotLeft, zero, kPlotWidth, 0, kGrey);
    for (int x = 1; x < kPlotWidth; ++x)
        toolkit.DrawSegment(kPlotLeft + x - 1, yOf(delta[static_cast<std::size_t>(x - 1)]), kPlotLeft + x,
                            yOf(delta[static_cast<std::size_t>(x)]), kBlack);
    toolkit.DrawTextAt(6, kPlotTop - 6, SignedSeconds(range), kBlack);
    toolkit.DrawTextAt(6, zero - 7, "0", kBlack);
    toolkit.DrawTextAt(6, kPlotTop + kPlotHeight - 10, SignedSeconds(-range), kBlack);
}

void DrawInfo(const Comparison& c, Toolkit& toolkit)
{
    const LapAnalysis& a = *c.Analysis;
    toolkit.CreateImageSlot(CompareInfoImage, kCompareInfoBox.w, kCompareInfoBox.h, kPaper);
    Drawing drawing(toolkit, CompareInfoImage);
    UseSmallFont(toolkit);
    const LapFigures& lap = a.Lap(c.Lap);
    const LapFigures& reference = a.Lap(a.ReferenceLap);
    toolkit.DrawTextAt(6, 3, LapName(c.Lap) + ": " + Seconds(lap.PreciseS) + " s, " +
                                 SignedSeconds(lap.PreciseS - reference.PreciseS) + " s against " +
                                 LapName(a.ReferenceLap) + " (" + Seconds(reference.PreciseS) + " s)",
                       kBlack);
    std::string best = "Theoretical best: none (a sector has no time)";
    if (a.TheoreticalBestS)
        best = "Theoretical best " + Seconds(*a.TheoreticalBestS) + " s, " +
               SignedSeconds(*a.TheoreticalBestS - reference.PreciseS) + " s on " + LapName(a.ReferenceLap);
    toolkit.DrawTextAt(6, 19, best, kBlack);
    std::string clean = "Clean laps (within " + IntToText(kCleanLapPercent) + " % of " + LapName(a.ReferenceLap) + "): " + IntToText(a.CleanCount);
    if (a.CleanMeanS)
        clean += ", mean " + Seconds(*a.CleanMeanS) + " s";
    if (a.CleanStdevS)
        clean += ", deviation " + Seconds(*a.CleanStdevS) + " s";
    toolkit.DrawTextAt(6, 35, clean, kBlack);
    if (!c.Cursor) {
        toolkit.DrawTextAt(6, 55, "Point at the speed or delta chart to compare the two laps there.", kGrey);
        return;
    }
    const double f = *c.Cursor;
    const auto speedText = [&](std::int32_t k) {
        const auto speed = SpeedAtFraction(a, k, f);
        return speed ? RealToText(*speed, 1) + " km/h" : std::string("no speed");
    };
    toolkit.DrawTextAt(6, 55, "At " + RealToText(f * 100, 1) + " % of the lap: " + LapName(c.Lap) + " " +
                                  speedText(c.Lap) + ", " + LapName(a.ReferenceLap) + " " +
                                  speedText(a.ReferenceLap) + ", delta " +
                                  SignedSeconds(DeltaAtFraction(a, c.Lap, f)) + " s",
                       kBlack);
}

void Marker(Image& image, MapPoint p, Colour fill)
{
    const int x = static_cast<int>(std::lround(p.x)), y = static_cast<int>(std::lround(p.y));
    for (int dy = -4; dy <= 4; ++dy)
        for (int dx = -4; dx <= 4; ++dx) {
            const bool edge = std::abs(dx) == 4 || std::abs(dy) == 4;
            const std::int64_t px = std::int64_t{x} + dx, py = std::int64_t{y} + dy;
            if (px >= 0 && py >= 0 && px < image.Width() && py < image.Height())
                image.Words()[py * image.Width() + px] = Image::WordOf(edge ? kBlack : fill);
        }
}

void ShowPlaceholders(Toolkit& toolkit)
{
    for (const int box : {CompareMapBox, SpeedLegendBox, SpeedChartBox, DeltaChartBox, SectorTableBox,
                          CompareInfoBox})
        toolkit.ShowImage(box, PlaceholderImage);
}

}  // namespace

std::int32_t ComparedLap(const AppState& state, const Comparison& comparison)
{
    if (!comparison.Analysis)
        return 0;
    if (state.CurrentLap >= 1 && state.CurrentLap <= comparison.Analysis->LapCount)
        return state.CurrentLap;
    if (state.Laps.FastestLap >= 1 && state.Laps.FastestLap <= comparison.Analysis->LapCount)
        return state.Laps.FastestLap;
    return comparison.Analysis->ReferenceLap;
}

void Recompare(Comparison& comparison, const AppState& state)
{
    comparison.Analysis = AnalyseCommittedLaps(state, comparison.ReferenceChoice);
    comparison.Lap = ComparedLap(state, comparison);
    if (!comparison.Analysis) {
        comparison.ReferenceChoice = 0;
        comparison.Cursor.reset();
    }
}

int VisibleTableRows()
{
    return (kSectorTableBox.h - kHeaderHeight) / kRowHeight;
}

double ChartFraction(int x)
{
    return std::clamp((x - kPlotLeft) / double(kPlotWidth - 1), 0.0, 1.0);
}

std::int32_t TableLapAt(const Comparison& comparison, int y)
{
    if (!comparison.Analysis || y < kHeaderHeight)
        return 0;
    const std::int64_t lap = std::int64_t{comparison.TableTop} + (y - kHeaderHeight) / kRowHeight + 1;
    return lap <= comparison.Analysis->LapCount ? static_cast<std::int32_t>(lap) : 0;
}

void DrawSectorTable(const AppState& state, const Comparison& c, Toolkit& toolkit)
{
    if (!c.Analysis)
        return;
    const LapAnalysis& a = *c.Analysis;
    toolkit.CreateImageSlot(SectorTableImage, kSectorTableBox.w, kSectorTableBox.h, kRowFill);
    Drawing drawing(toolkit, SectorTableImage);
    UseSmallFont(toolkit);
    const auto rightText = [&](int column, int y, const std::string& text, Colour colour) {
        toolkit.DrawTextAt(kColumns[static_cast<std::size_t>(column)].right - toolkit.MeasureTextWidth(text),
                           y, text, colour);
    };
    toolkit.FillBox(0, 0, kSectorTableBox.w, kHeaderHeight, kHeaderFill);
    for (int col = 0; col < static_cast<int>(kColumns.size()); ++col)
        rightText(col, 3, kColumns[static_cast<std::size_t>(col)].title, kBlack);

    // The best of each column: the lap view's fastest time; the precise
    // times and sectors of laps 2 on (lap 1 starts standing); the top speed
    // of any lap.
    const std::int32_t fastestTime = state.Laps.FastestLap;
    std::int32_t fastestPrecise = 0;
    std::optional<double> topSpeed;
    for (std::int32_t k = 1; k <= a.LapCount; ++k) {
        const LapFigures& lap = a.Lap(k);
        if (k >= kFirstFlyingLap && (fastestPrecise == 0 || lap.PreciseS < a.Lap(fastestPrecise).PreciseS))
            fastestPrecise = k;
        if (lap.TopSpeedKmh && (!topSpeed || *lap.TopSpeedKmh > *topSpeed))
            topSpeed = lap.TopSpeedKmh;
    }
    const int rows = VisibleTableRows();
    for (int row = 0; row < rows; ++row) {
        const std::int64_t k64 = std::int64_t{c.TableTop} + row + 1;
        if (k64 > a.LapCount)
            break;
        const auto k = static_cast<std::int32_t>(k64);
        const LapFigures& lap = a.Lap(k);
        const int y = kHeaderHeight + row * kRowHeight;
        toolkit.FillBox(0, y, kSectorTableBox.w, kRowHeight,
                        k == c.Lap ? kComparedRowFill : (k % 2 == 0 ? kOtherRowFill : kRowFill));
        const auto best = [&](int column) {
            const int left = column == 0 ? 0 : kColumns[static_cast<std::size_t>(column - 1)].right + 4;
            toolkit.FillBox(left, y, kColumns[static_cast<std::size_t>(column)].right + 3 - left, kRowHeight,
                            kBestFill);
        };
        if (k == fastestTime)
            best(1);
        if (k == fastestPrecise)
            best(2);
        for (std::size_t g = 0; g < 3; ++g)
            if (k >= kFirstFlyingLap && lap.SectorsS[g] && a.BestSectorsS[g] && *lap.SectorsS[g] == *a.BestSectorsS[g])
                best(static_cast<int>(3 + g));
        if (lap.TopSpeedKmh && topSpeed && *lap.TopSpeedKmh == *topSpeed)
            best(6);
        const int textY = y + 1;
        rightText(0, textY, IntToText(k), k == a.ReferenceLap ? kReference : kBlack);
        if (k == a.ReferenceLap)
            toolkit.DrawTextAt(kColumns[0].right + 2, textY, "R", kReference);
        const auto time = static_cast<std::size_t>(k - 1) < state.Laps.LapTimes.size()
                              ? LapTimeText(state.Laps.LapTimes[static_cast<std::size_t>(k - 1)])
                              : std::string();
        rightText(1, textY, time, kBlack);
        rightText(2, textY, Seconds(lap.PreciseS), kBlack);
        for (std::size_t g = 0; g < 3; ++g)
            if (lap.SectorsS[g])
                rightText(static_cast<int>(3 + g), textY, Seconds(*lap.SectorsS[g]), kBlack);
        if (lap.TopSpeedKmh)
            rightText(6, textY, RealToText(*lap.TopSpeedKmh, 1), kBlack);
    }
    toolkit.ShowImage(SectorTableBox, SectorTableImage);
}

void DrawCompareCursor(const AppState&, const Comparison& c, Toolkit& toolkit)
{
    if (!c.Analysis || c.Lap == 0)
        return;
    const LapAnalysis& a = *c.Analysis;
    toolkit.CopyImageSlot(CompareMapBaseImage, CompareMapImage);
    toolkit.CopyImageSlot(SpeedChartBaseImage, SpeedChartImage);
    toolkit.CopyImageSlot(DeltaChartBaseImage, DeltaChartImage);
    if (c.Cursor) {
        const double f = *c.Cursor;
        if (Image* map = toolkit.FindImage(CompareMapImage)) {
            Marker(*map, PointAtFraction(a, a.ReferenceLap, f), kReference);
            Marker(*map, PointAtFraction(a, c.Lap, f), kLapBlue);
        }
        for (const int chart : {SpeedChartImage, DeltaChartImage}) {
            Drawing drawing(toolkit, chart);
            toolkit.DrawLineBy(ChartX(f), kPlotTop, 0, kPlotHeight - 1, kGrey);
        }
    }
    DrawInfo(c, toolkit);
    toolkit.ShowImage(CompareMapBox, CompareMapImage);
    toolkit.ShowImage(SpeedChartBox, SpeedChartImage);
    toolkit.ShowImage(DeltaChartBox, DeltaChartImage);
    toolkit.ShowImage(CompareInfoBox, CompareInfoImage);
}

void DrawComparison(const AppState& state, Comparison& c, Toolkit& toolkit)
{
    c.Lap = ComparedLap(state, c);
    if (!c.Analysis || c.Lap == 0) {
        ShowPlaceholders(toolkit);
        return;
    }
    DrawMapBase(state, c, toolkit);
    DrawLegend(c, toolkit);
    DrawSpeedBase(c, toolkit);
    DrawDeltaBase(c, toolkit);
    DrawSectorTable(state, c, toolkit);
    DrawCompareCursor(state, c, toolkit);
    toolkit.ShowImage(SpeedLegendBox, SpeedLegendImage);
}

}  // namespace vx
