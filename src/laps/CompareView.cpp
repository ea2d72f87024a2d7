#include "laps/CompareView.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "laps/ComparePaint.h"
#include "laps/LapAnalysis.h"
#include "toolkit/Format.h"
#include "toolkit/Text.h"
#include "trackmap/Geometry.h"

namespace vx {

void UseSmallFont(Toolkit& toolkit, const ComparePictures& pictures)
{
    toolkit.SetDrawingFont(toolkit.FontHandleOf(pictures.Font));
    toolkit.SetDrawingMode(1);
}

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

std::string LapName(const LapProfile& lap)
{
    const std::string name = lap.Driver.empty() ? LapName(lap.Lap) : lap.Driver + "'s " + LapName(lap.Lap);
    return lap.Race.empty() ? name : name + " (" + lap.Race + ")";
}

std::string SectorGateLabel(int gate)
{
    // Appended in steps: "S" + a temporary string draws a false overlap
    // warning from the Windows build's compiler.
    std::string label = "S";
    label += IntToText(gate + 1) + "|S" + IntToText(gate + 2);
    return label;
}

namespace {

// A chart's plot lies inside its picture with room for the title above,
// the speed or delta labels on the left and the lap fractions below.
constexpr int kPlotLeft = 50;
constexpr int kPlotTop = 22;
constexpr int kPlotRightMargin = 10;
constexpr int kPlotBottomMargin = 20;

// The lap table's rows and columns.
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
constexpr int kTimeColumn = 1, kPreciseColumn = 2, kFirstSectorColumn = 3, kTopSpeedColumn = 6;

// The map: the compared lap is a band of its speed colours, kLapHalfWidth
// pixels either side of its path, with a dark rim one pixel wide; the track
// map under the laps is faded toward white by kMapFadePercent. The stretch
// of the corner pointed at has a halo kPointedHaloWidth pixels wide around
// the rim.
constexpr int kLapHalfWidth = 2;
constexpr int kMapFadePercent = 45;
constexpr int kPointedHaloWidth = 3;

// The speed legend: the compared lap's scale on the first line, what the
// map's lines are on the second.
constexpr int kLegendScaleLeft = 86;  // or after a longer lap name
constexpr int kLegendBarWidth = 250;

std::string Seconds(double s)
{
    return SecondsText(s);
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

double ScaleFraction(const SpeedRange& range, double speed)
{
    return range.High > range.Low ? (speed - range.Low) / (range.High - range.Low) : 1.0;
}

// A round dot of this radius (a disc of whole pixels), the part inside the
// picture.
void Dot(Image& image, int x, int y, int radius, Colour colour)
{
    const std::uint32_t word = Image::WordOf(colour);
    for (int dy = -radius; dy <= radius; ++dy) {
        if (y + dy < 0 || y + dy >= image.Height())
            continue;
        for (int dx = -radius; dx <= radius; ++dx)
            if (dx * dx + dy * dy <= radius * radius + radius && x + dx >= 0 && x + dx < image.Width())
                image.Words()[static_cast<std::size_t>(y + dy) * image.Width() + (x + dx)] = word;
    }
}

// A line of round dots (2 radius + 1 pixels wide) from one map point to
// another, the part inside the picture: a sample far off the map draws its
// line to the edge.
void ThickLine(Image& image, double x0, double y0, double x1, double y1, int radius, Colour colour)
{
    // Clip to the picture with a margin (Liang-Barsky).
    const double xmin = -radius - 1, ymin = -radius - 1;
    const double xmax = image.Width() + radius, ymax = image.Height() + radius;
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
        Dot(image, static_cast<int>(std::lround(ax + t * (bx - ax))), static_cast<int>(std::lround(ay + t * (by - ay))),
            radius, colour);
    }
}

int ChartX(const ChartPlot& plot, double f)
{
    return plot.Left + static_cast<int>(std::lround(std::clamp(f, 0.0, 1.0) * (plot.Width - 1)));
}

// The frame of a chart with its title, and the x axis's labels.
void DrawChartFrame(Toolkit& toolkit, const ChartPlot& plot, const std::string& title)
{
    toolkit.FillBox(plot.Left, plot.Top, plot.Width, plot.Height, kWhite);
    toolkit.DrawLineBy(plot.Left - 1, plot.Top - 1, plot.Width + 1, 0, kGrey);
    toolkit.DrawLineBy(plot.Left - 1, plot.Top + plot.Height, plot.Width + 1, 0, kGrey);
    toolkit.DrawLineBy(plot.Left - 1, plot.Top - 1, 0, plot.Height + 1, kGrey);
    toolkit.DrawLineBy(plot.Left + plot.Width, plot.Top - 1, 0, plot.Height + 1, kGrey);
    toolkit.DrawTextAt(6, 3, title, kBlack);
    const int labelY = plot.Top + plot.Height + 3;
    toolkit.DrawTextAt(plot.Left - 4, labelY, "0 %", kBlack);
    toolkit.DrawTextAt(ChartX(plot, 0.5) - 12, labelY, "50 %", kBlack);
    toolkit.DrawTextAt(plot.Left + plot.Width - 34, labelY, "100 %", kBlack);
}

// Mixes every pixel of the map's area (not the strip below it) with white:
// the map steps back behind the laps.
void FadeMapArea(Image& image)
{
    std::uint32_t* word = image.Words();
    const std::uint32_t* end =
        word + static_cast<std::size_t>(image.Width()) * std::min(image.Height(), kMapAreaHeight);
    for (; word != end; ++word) {
        std::uint32_t faded = Image::kOpaque;
        for (const int shift : {0, 8, 16}) {
            const std::uint32_t c = *word >> shift & 0xFF;
            faded |= (c + (255 - c) * kMapFadePercent / 100) << shift;
        }
        *word = faded;
    }
}

// A label in a grey frame, on a white ground unless filled otherwise.
void DrawLabel(Toolkit& toolkit, const LabelBox& box, const std::string& text, Colour fill = kLabelFill)
{
    toolkit.FillBox(box.x, box.y, box.w, box.h, fill);
    toolkit.DrawLineBy(box.x, box.y, box.w, 0, kGrey);
    toolkit.DrawLineBy(box.x, box.y + box.h - 1, box.w, 0, kGrey);
    toolkit.DrawLineBy(box.x, box.y, 0, box.h, kGrey);
    toolkit.DrawLineBy(box.x + box.w - 1, box.y, 0, box.h, kGrey);
    toolkit.DrawTextAt(box.x + 2, box.y, text, kBlack);
}

// The halo around the compared lap's band over a stretch of it, from the
// point of the path at its first fraction to the point at its last.
void HaloAlong(Image& map, const LapProfile& lap, const CornerStretch& stretch)
{
    const double from = stretch.From * lap.LengthPx, to = stretch.To * lap.LengthPx;
    const MapPoint start = PointAt(lap, stretch.From), end = PointAt(lap, stretch.To);
    const int radius = kLapHalfWidth + 1 + kPointedHaloWidth;
    MapPoint last = start;
    for (const PathVertex& v : lap.Path) {
        if (v.distance <= from)
            continue;
        if (v.distance >= to)
            break;
        ThickLine(map, last.x, last.y, v.x, v.y, radius, kPointedHalo);
        last = {v.x, v.y};
    }
    ThickLine(map, last.x, last.y, end.x, end.y, radius, kPointedHalo);
}

void DrawMapBase(const LapAnalysis& a, const CompareFigures& figures, const std::optional<LapLine>& lapLine,
                 const CompareMapLabels& labels, const CornerMark& pointed, const ComparePictures& pictures,
                 Toolkit& toolkit)
{
    if (!toolkit.ImageExists(pictures.TrackMap))
        return;
    toolkit.CopyImageSlot(pictures.TrackMap, pictures.Map.Base);
    Drawing drawing(toolkit, pictures.Map.Base);
    Image* map = drawing.Target();
    if (map == nullptr)
        return;
    FadeMapArea(*map);
    const LapProfile& lap = figures.Lap;
    const auto& path = lap.Path;
    // The corner pointed at under everything: the band and the lap compared
    // against stay whole over it.
    if (pointed.Stretch && !path.empty())
        HaloAlong(*map, lap, *pointed.Stretch);
    // The rim first, under the whole band, so that the band stays whole
    // where the lap crosses itself.
    for (std::size_t i = 1; i < path.size(); ++i)
        ThickLine(*map, path[i - 1].x, path[i - 1].y, path[i].x, path[i].y, kLapHalfWidth + 1, kLapRim);
    for (std::size_t i = 1; i < path.size(); ++i) {
        // A move takes the colour of the sample it leaves (or reaches, from a crossing).
        auto speed = lap.SpeedKmh[i - 1];
        if (!speed)
            speed = lap.SpeedKmh[i];
        const Colour colour =
            figures.LapSpeeds && speed ? SpeedColour(ScaleFraction(*figures.LapSpeeds, *speed)) : kLapBlue;
        ThickLine(*map, path[i - 1].x, path[i - 1].y, path[i].x, path[i].y, kLapHalfWidth, colour);
    }
    // The lap compared against runs through the band, where they differ beside it.
    const auto& against = figures.Against.Path;
    for (std::size_t i = 1; i < against.size(); ++i)
        toolkit.DrawSegment(std::lround(against[i - 1].x), std::lround(against[i - 1].y),
                            std::lround(against[i].x), std::lround(against[i].y), kReference);
    if (lapLine)
        toolkit.DrawSegment(lapLine->x1, lapLine->y1, lapLine->x2, lapLine->y2, kRed);
    UseSmallFont(toolkit, pictures);
    if (a.Gates) {
        for (std::size_t g = 0; g < 2; ++g) {
            const Gate& gate = (*a.Gates)[g];
            const long x1 = std::lround(gate.End1.x), y1 = std::lround(gate.End1.y);
            const long x2 = std::lround(gate.End2.x), y2 = std::lround(gate.End2.y);
            toolkit.DrawSegment(x1, y1, x2, y2, kBlack);
            toolkit.DrawSegment(x1 + 1, y1, x2 + 1, y2, kWhite);
            if (g < labels.Sectors.size())
                DrawLabel(toolkit, labels.Sectors[g], SectorGateLabel(static_cast<int>(g)));
        }
    }
    // Each corner's number beside its apex, a short tick across the band
    // at the apex itself.
    for (std::size_t i = 0; i < a.Corners.size() && i < labels.Corners.size(); ++i) {
        const Gate& apex = a.Corners[i].Apex;
        const double nx = -apex.Direction.y, ny = apex.Direction.x;
        const double reach = kLapHalfWidth + 3;
        toolkit.DrawSegment(std::lround(apex.Centre.x - reach * nx), std::lround(apex.Centre.y - reach * ny),
                            std::lround(apex.Centre.x + reach * nx), std::lround(apex.Centre.y + reach * ny),
                            kBlack);
        const auto corner = static_cast<std::int32_t>(i + 1);
        DrawLabel(toolkit, labels.Corners[i], IntToText(corner), corner == pointed.Corner ? kPointedHalo : kLabelFill);
    }
}

// The lap compared against by name, "(reference)" when it is the reference lap.
std::string AgainstName(const LapAnalysis& a, const CompareFigures& figures)
{
    const std::int32_t against = figures.Against.Lap;
    if (!figures.Against.Race.empty())
        return LapName(figures.Against);
    return LapName(against) + (against == a.ReferenceLap ? " (reference)" : "");
}

void DrawLegend(const LapAnalysis& a, const CompareFigures& figures, const ComparePictures& pictures,
                Toolkit& toolkit)
{
    const PictureSlot& legend = pictures.Legend;
    toolkit.CreateImageSlot(legend.Image, legend.Width, legend.Height, kPaper);
    Drawing drawing(toolkit, legend.Image);
    UseSmallFont(toolkit, pictures);
    const std::int32_t lap = figures.Lap.Lap;
    const auto& range = figures.LapSpeeds;
    if (!range) {
        toolkit.DrawTextAt(6, 2, LapName(lap) + ": no speed, the track gives no length", kBlack);
    } else {
        const std::string name = LapName(lap) + " km/h";
        toolkit.DrawTextAt(6, 2, name, kBlack);
        const int lowLeft = std::max(kLegendScaleLeft, 6 + toolkit.MeasureTextWidth(name) + 6);
        const std::string low = FixedText(range->Low, 0);
        const int barLeft = lowLeft + 4 + toolkit.MeasureTextWidth(low);
        toolkit.DrawTextAt(lowLeft, 2, low, kBlack);
        for (int x = 0; x < kLegendBarWidth; ++x)
            toolkit.FillBox(barLeft + x, 4, 1, 10, SpeedColour(x / double(kLegendBarWidth - 1)));
        toolkit.DrawTextAt(barLeft + kLegendBarWidth + 4, 2, FixedText(range->High, 0), kBlack);
    }
    toolkit.FillBox(6, 22, 16, 2, kReference);
    const std::string against = AgainstName(a, figures);
    toolkit.DrawTextAt(26, 16, against, kBlack);
    // A long name (a lap file's driver and day) moves the other keys right,
    // and the last one says less to stay inside the picture.
    const int shift = std::max(0, 26 + toolkit.MeasureTextWidth(against) + 10 - 176);
    toolkit.FillBox(176 + shift, 18, 2, 10, kBlack);
    toolkit.DrawTextAt(182 + shift, 16, "sector gates", kBlack);
    toolkit.FillBox(276 + shift, 18, 2, 10, kRed);
    toolkit.DrawTextAt(282 + shift, 16, "lap line", kBlack);
    if (!a.Corners.empty()) {
        const LabelBox box{346 + shift, 15, toolkit.MeasureTextWidth("1") + 4, legend.Height - 16};
        DrawLabel(toolkit, box, "1");
        const int textX = box.x + box.w + 4;
        const char* words = "corners at their apexes";
        if (textX + toolkit.MeasureTextWidth(words) > legend.Width - 4)
            words = "corners";
        toolkit.DrawTextAt(textX, 16, words, kBlack);
    }
}

// Speeds of a lap as chart points: x from the lap fraction, y from the speed.
void DrawSpeedCurve(Toolkit& toolkit, const ChartPlot& plot, const LapProfile& lap, double top, Colour colour)
{
    bool have = false;
    long px = 0, py = 0;
    for (std::size_t i = 0; i < lap.Path.size(); ++i) {
        const auto& speed = lap.SpeedKmh[i];
        if (!speed)
            continue;
        const double f = lap.LengthPx > 0 ? lap.Path[i].distance / lap.LengthPx : 0;
        const long x = ChartX(plot, f);
        const long y = plot.Top + plot.Height - 1 - std::lround(std::min(*speed / top, 1.0) * (plot.Height - 1));
        if (have)
            toolkit.DrawSegment(px, py, x, y, colour);
        have = true;
        px = x, py = y;
    }
}

// The stretch of the corner pointed at, shaded over the plot's whole height.
void ShadeStretch(Toolkit& toolkit, const ChartPlot& plot, const std::optional<CornerStretch>& pointed)
{
    if (!pointed)
        return;
    const int from = ChartX(plot, pointed->From), to = ChartX(plot, pointed->To);
    toolkit.FillBox(from, plot.Top, to - from + 1, plot.Height, kPointedShade);
}

void DrawSpeedBase(const LapAnalysis& a, const CompareFigures& figures, const std::optional<CornerStretch>& pointed,
                   const ComparePictures& pictures, Toolkit& toolkit)
{
    const CursorPictureSlot& chart = pictures.SpeedChart;
    const ChartPlot plot = ChartPlotOf(chart.Width, chart.Height);
    toolkit.CreateImageSlot(chart.Base, chart.Width, chart.Height, kPaper);
    Drawing drawing(toolkit, chart.Base);
    UseSmallFont(toolkit, pictures);
    DrawChartFrame(toolkit, plot, "Speed (km/h)");
    ShadeStretch(toolkit, plot, pointed);
    const int plotRight = plot.Left + plot.Width;
    // The lap of another race has a longer name: both names move left as
    // far as it needs.
    const std::string againstName = AgainstName(a, figures);
    const int againstX = std::min(plotRight - 110, plotRight - 4 - toolkit.MeasureTextWidth(againstName));
    toolkit.DrawTextAt(againstX - 60, 3, LapName(figures.Lap.Lap), kLapBlue);
    toolkit.DrawTextAt(againstX, 3, againstName, kReference);
    const auto& lapRange = figures.LapSpeeds;
    const auto& refRange = figures.AgainstSpeeds;
    if (!lapRange && !refRange) {
        toolkit.DrawTextAt(plot.Left + 10, plot.Top + 50, "No speed: the track gives no length.", kBlack);
        return;
    }
    // Every speed fits: a jump across the map shows as a spike.
    const double highest = std::max({lapRange ? lapRange->High : 0.0, refRange ? refRange->High : 0.0, 1.0});
    const double top = highest > 100 ? std::ceil(highest / 50) * 50 : NiceCeiling(highest);
    for (int level = 1; level <= 3; ++level) {
        const int y = plot.Top + plot.Height - 1 - level * (plot.Height - 1) / 4;
        toolkit.DrawLineBy(plot.Left, y, plot.Width, 0, kLightGrey);
    }
    toolkit.DrawTextAt(6, plot.Top - 6, FixedText(top, 0), kBlack);
    toolkit.DrawTextAt(6, plot.Top + plot.Height / 2 - 7, FixedText(top / 2, 0), kBlack);
    toolkit.DrawTextAt(6, plot.Top + plot.Height - 10, "0", kBlack);
    DrawSpeedCurve(toolkit, plot, figures.Against, top, kReference);
    DrawSpeedCurve(toolkit, plot, figures.Lap, top, kLapBlue);
}

void DrawDeltaBase(const CompareFigures& figures, const std::optional<CornerStretch>& pointed,
                   const ComparePictures& pictures, Toolkit& toolkit)
{
    const CursorPictureSlot& chart = pictures.DeltaChart;
    const ChartPlot plot = ChartPlotOf(chart.Width, chart.Height);
    toolkit.CreateImageSlot(chart.Base, chart.Width, chart.Height, kPaper);
    Drawing drawing(toolkit, chart.Base);
    UseSmallFont(toolkit, pictures);
    DrawChartFrame(toolkit, plot,
                   "Delta (s): " + LapName(figures.Lap.Lap) + " against " + LapName(figures.Against));
    ShadeStretch(toolkit, plot, pointed);
    toolkit.DrawTextAt(plot.Left + plot.Width - 150, 3, "red: losing  green: gaining", kGrey);
    const auto columns = static_cast<std::size_t>(std::max(plot.Width, 0));
    std::vector<double> delta(columns);
    double largest = 0;
    for (std::size_t x = 0; x < columns; ++x) {
        delta[x] = DeltaAt(figures.Lap, figures.Against, static_cast<double>(x) / double(plot.Width - 1));
        largest = std::max(largest, std::abs(delta[x]));
    }
    const double range = NiceCeiling(std::max(largest, 0.1));
    const int zero = plot.Top + plot.Height / 2;
    const auto yOf = [&](double d) {
        return zero - static_cast<int>(std::lround(d / range * (plot.Height / 2 - 1)));
    };
    // Behind the curve, the columns where the lap loses time and gains it.
    for (std::size_t x = 0; x < columns; ++x) {
        const double d = delta[x];
        const double before = delta[x == 0 ? 0 : x - 1];
        const double after = delta[std::min(x + 1, columns - 1)];
        const double slope = x == 0 ? after - d : d - before;
        if (slope == 0)
            continue;
        const int y = yOf(d);
        toolkit.FillBox(plot.Left + static_cast<int>(x), std::min(y, zero), 1, std::abs(y - zero) + 1,
                        slope > 0 ? kLosing : kGaining);
    }
    toolkit.DrawLineBy(plot.Left, zero, plot.Width, 0, kGrey);
    for (std::size_t x = 1; x < columns; ++x)
        toolkit.DrawSegment(plot.Left + static_cast<int>(x) - 1, yOf(delta[x - 1]), plot.Left + static_cast<int>(x),
                            yOf(delta[x]), kBlack);
    toolkit.DrawTextAt(6, plot.Top - 6, SignedSeconds(range), kBlack);
    toolkit.DrawTextAt(6, zero - 7, "0", kBlack);
    toolkit.DrawTextAt(6, plot.Top + plot.Height - 10, SignedSeconds(-range), kBlack);
}

// The ideal lap (the best corners) beside the theoretical best (the best
// sectors), both against the reference lap:
// "Ideal lap 43.326 s (9 corners), theoretical best 43.366 s: -0.276 and -0.236 s on lap 10".
std::string BestLapsText(const LapAnalysis& a)
{
    const std::string corners = IntToText(static_cast<std::int64_t>(a.Corners.size()));
    const std::string ideal = a.Corners.empty() ? "Ideal lap: none (no corners)"
                              : a.IdealLapS ? "Ideal lap " + Seconds(*a.IdealLapS) + " s (" + corners + " corners)"
                                            : "Ideal lap: none (a corner has no time)";
    const std::string best = a.TheoreticalBestS ? "theoretical best " + Seconds(*a.TheoreticalBestS) + " s"
                                                : "theoretical best: none (a sector has no time)";
    // What each would gain on the reference lap, of those there are.
    std::vector<std::string> gains;
    for (const auto& time : {a.IdealLapS, a.TheoreticalBestS})
        if (time)
            gains.push_back(SignedSeconds(*time - a.Lap(a.ReferenceLap).PreciseS));
    std::string on;
    if (!gains.empty())
        on = ": " + (gains.size() == 2 ? gains[0] + " and " + gains[1] : gains[0]) + " s on " +
             LapName(a.ReferenceLap);
    return ideal + ", " + best + on;
}

// The figures under the map: the compared lap against the lap compared
// against, the theoretical best and the clean laps (both of the analysis's
// reference lap), and what the cursor points at.
void DrawFigures(const LapAnalysis& a, const CompareFigures& figures, std::optional<double> cursor,
                 const ComparePictures& pictures, Toolkit& toolkit)
{
    const PictureSlot& info = pictures.Figures;
    toolkit.CreateImageSlot(info.Image, info.Width, info.Height, kPaper);
    Drawing drawing(toolkit, info.Image);
    UseSmallFont(toolkit, pictures);
    const LapProfile& lap = figures.Lap;
    const LapProfile& reference = figures.Against;
    const std::string referenceTime = reference.Race.empty() ? " (" + Seconds(reference.PreciseS) + " s)"
                                                              : ", " + Seconds(reference.PreciseS) + " s";
    toolkit.DrawTextAt(6, 3, LapName(lap.Lap) + ": " + Seconds(lap.PreciseS) + " s, " +
                                 SignedSeconds(lap.PreciseS - reference.PreciseS) + " s against " +
                                 LapName(reference) + referenceTime,
                       kBlack);
    toolkit.DrawTextAt(6, 19, BestLapsText(a), kBlack);
    std::string clean = "Clean laps (within " + IntToText(kCleanLapPercent) + " % of " + LapName(a.ReferenceLap) +
                        "): " + IntToText(a.CleanCount);
    if (a.CleanMeanS)
        clean += ", mean " + Seconds(*a.CleanMeanS) + " s";
    if (a.CleanStdevS)
        clean += ", deviation " + Seconds(*a.CleanStdevS) + " s";
    toolkit.DrawTextAt(6, 35, clean, kBlack);
    if (!cursor) {
        toolkit.DrawTextAt(6, 55,
                           a.Corners.empty() ? "Point at the speed or delta chart to compare the two laps there."
                                             : "Point at a chart to compare the two laps there, or at a corner to "
                                               "mark it.",
                           kGrey);
        return;
    }
    const double f = *cursor;
    const auto speedText = [&](const LapProfile& profile) {
        const auto speed = SpeedAt(profile, f);
        return speed ? FixedText(*speed, 1) + " km/h" : std::string("no speed");
    };
    toolkit.DrawTextAt(6, 55, "At " + FixedText(f * 100, 1) + " % of the lap: " + LapName(lap.Lap) + " " +
                                  speedText(lap) + ", " + LapName(reference) + " " + speedText(reference) +
                                  ", delta " + SignedSeconds(DeltaAt(lap, reference, f)) + " s",
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

}  // namespace

void DrawCompareBase(const LapAnalysis& analysis, const CompareFigures& figures,
                     const std::optional<LapLine>& lapLine, const CompareMapLabels& labels, const CornerMark& pointed,
                     const ComparePictures& pictures, Toolkit& toolkit)
{
    DrawMapBase(analysis, figures, lapLine, labels, pointed, pictures, toolkit);
    DrawLegend(analysis, figures, pictures, toolkit);
    DrawSpeedBase(analysis, figures, pointed.Stretch, pictures, toolkit);
    DrawDeltaBase(figures, pointed.Stretch, pictures, toolkit);
}

void DrawCompareCursor(const LapAnalysis& analysis, const CompareFigures& figures, std::optional<double> cursor,
                       const ComparePictures& pictures, Toolkit& toolkit)
{
    toolkit.CopyImageSlot(pictures.Map.Base, pictures.Map.Image);
    toolkit.CopyImageSlot(pictures.SpeedChart.Base, pictures.SpeedChart.Image);
    toolkit.CopyImageSlot(pictures.DeltaChart.Base, pictures.DeltaChart.Image);
    if (cursor) {
        const double f = *cursor;
        if (Image* map = toolkit.FindImage(pictures.Map.Image)) {
            Marker(*map, PointAt(figures.Against, f), kReference);
            Marker(*map, PointAt(figures.Lap, f), kLapBlue);
        }
        for (const CursorPictureSlot& chart : {pictures.SpeedChart, pictures.DeltaChart}) {
            const ChartPlot plot = ChartPlotOf(chart.Width, chart.Height);
            Drawing drawing(toolkit, chart.Image);
            toolkit.DrawLineBy(ChartX(plot, f), plot.Top, 0, plot.Height - 1, kGrey);
        }
    }
    DrawFigures(analysis, figures, cursor, pictures, toolkit);
}

void DrawLapTable(const LapAnalysis& a, const LapTableBests& bests, std::span<const std::int64_t> lapTimes,
                  std::int32_t comparedLap, std::int32_t againstLap, std::int32_t firstRow,
                  const ComparePictures& pictures, Toolkit& toolkit)
{
    const PictureSlot& table = pictures.Table;
    toolkit.CreateImageSlot(table.Image, table.Width, table.Height, kRowFill);
    Drawing drawing(toolkit, table.Image);
    UseSmallFont(toolkit, pictures);
    const auto rightText = [&](int column, int y, const std::string& text, Colour colour) {
        toolkit.DrawTextAt(kColumns[static_cast<std::size_t>(column)].right - toolkit.MeasureTextWidth(text),
                           y, text, colour);
    };
    toolkit.FillBox(0, 0, table.Width, kHeaderHeight, kHeaderFill);
    for (int col = 0; col < static_cast<int>(kColumns.size()); ++col)
        rightText(col, 3, kColumns[static_cast<std::size_t>(col)].title, kBlack);

    const int rows = TableRowsIn(table.Height);
    for (int row = 0; row < rows; ++row) {
        const std::int64_t k64 = std::int64_t{firstRow} + row + 1;
        if (k64 > a.LapCount)
            break;
        const auto k = static_cast<std::int32_t>(k64);
        const LapFigures& lap = a.Lap(k);
        const int y = kHeaderHeight + row * kRowHeight;
        toolkit.FillBox(0, y, table.Width, kRowHeight,
                        k == comparedLap ? kComparedRowFill : (k % 2 == 0 ? kOtherRowFill : kRowFill));
        const auto best = [&](int column) {
            const int left = column == 0 ? 0 : kColumns[static_cast<std::size_t>(column - 1)].right + 4;
            toolkit.FillBox(left, y, kColumns[static_cast<std::size_t>(column)].right + 3 - left, kRowHeight,
                            kBestFill);
        };
        const BestCells cells = BestCellsOf(a, bests, k);
        if (cells.Time)
            best(kTimeColumn);
        if (cells.Precise)
            best(kPreciseColumn);
        for (std::size_t g = 0; g < 3; ++g)
            if (cells.Sectors[g])
                best(kFirstSectorColumn + static_cast<int>(g));
        if (cells.TopSpeed)
            best(kTopSpeedColumn);
        const int textY = y + 1;
        // The lap compared against in its colour; R marks the reference lap,
        // which places the gates and gives the speeds.
        rightText(0, textY, IntToText(k), k == againstLap ? kReference : kBlack);
        if (k == a.ReferenceLap)
            toolkit.DrawTextAt(kColumns[0].right + 2, textY, "R", k == againstLap ? kReference : kBlack);
        const auto time = static_cast<std::size_t>(k - 1) < lapTimes.size()
                              ? LapTimeText(lapTimes[static_cast<std::size_t>(k - 1)])
                              : std::string();
        rightText(kTimeColumn, textY, time, kBlack);
        rightText(kPreciseColumn, textY, Seconds(lap.PreciseS), kBlack);
        for (std::size_t g = 0; g < 3; ++g)
            if (lap.SectorsS[g])
                rightText(kFirstSectorColumn + static_cast<int>(g), textY, Seconds(*lap.SectorsS[g]), kBlack);
        if (lap.TopSpeedKmh)
            rightText(kTopSpeedColumn, textY, FixedText(*lap.TopSpeedKmh, 1), kBlack);
    }
}

ChartPlot ChartPlotOf(int width, int height)
{
    return {kPlotLeft, kPlotTop, width - kPlotLeft - kPlotRightMargin, height - kPlotTop - kPlotBottomMargin};
}

double ChartFraction(const ChartPlot& plot, int x)
{
    return std::clamp((x - plot.Left) / double(plot.Width - 1), 0.0, 1.0);
}

int TableRowsIn(int height)
{
    return (height - kHeaderHeight) / kRowHeight;
}

std::optional<int> TableRowAt(int y)
{
    if (y < kHeaderHeight)
        return std::nullopt;
    return (y - kHeaderHeight) / kRowHeight;
}

}  // namespace vx
