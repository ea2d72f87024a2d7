// Sections: the figures; the tables' common parts; the track list; the
// progress chart; the races table; the standings.
#include "history/view/HistoryView.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "toolkit/Format.h"
#include "toolkit/Text.h"

namespace vx {

namespace {

constexpr Colour kWhite = MakeRgb(255, 255, 255);
constexpr Colour kBlack = MakeRgb(0, 0, 0);
constexpr Colour kGrey = MakeRgb(128, 128, 128);
constexpr Colour kLightGrey = MakeRgb(220, 220, 220);
constexpr Colour kPaper = MakeRgb(250, 250, 250);
constexpr Colour kCleanMean = MakeRgb(150, 150, 150);   // its clean laps' mean
constexpr Colour kPersonalBest = MakeRgb(220, 0, 0);    // the PB steps, the PB mark
constexpr Colour kRecord = MakeRgb(0, 140, 0);          // the track file's record
constexpr Colour kGone = MakeRgb(190, 0, 0);
constexpr Colour kHeaderFill = MakeRgb(200, 200, 200);
constexpr Colour kRowFill = MakeRgb(255, 255, 255);
constexpr Colour kOtherRowFill = MakeRgb(242, 242, 242);
constexpr Colour kShownRowFill = MakeRgb(205, 225, 255);   // as the comparison's compared lap
constexpr Colour kChosenRowFill = MakeRgb(255, 225, 170);

// The best-lap dots' colours, one per car in the order of their names (the
// first is the best lap's blue of a one-car chart); more cars take them again.
constexpr std::array<Colour, 8> kCarColours{MakeRgb(0, 0, 255),   MakeRgb(230, 120, 0), MakeRgb(140, 0, 180),
                                            MakeRgb(0, 150, 150), MakeRgb(140, 90, 30), MakeRgb(220, 0, 160),
                                            MakeRgb(120, 130, 0), MakeRgb(0, 60, 130)};

constexpr int kHeaderHeight = 20;
constexpr int kRowHeight = 16;

// The chart's plot inside its picture: room for the title and legend above
// (the cars' on a line of their own), the times on the left and the dates
// below.
constexpr int kPlotLeft = 52;
constexpr int kPlotTop = 36;
constexpr int kCarLegendY = 19;
constexpr int kDotReach = 5;  // pixels: a dot this near the pointer is under it
constexpr int kPlotRightMargin = 12;
constexpr int kPlotBottomMargin = 20;

constexpr std::int32_t kNoRecord = 6000;  // hundredths: a track file's "no record"

void UseSmallFont(Toolkit& toolkit, const HistoryPictures& pictures)
{
    toolkit.SetDrawingFont(toolkit.FontHandleOf(pictures.Font));
    toolkit.SetDrawingMode(1);
}

// A text of the store (UTF-8) as the pictures draw it, cut with "..." to fit
// width pixels.
std::string Fitted(Toolkit& toolkit, const std::string& utf8, int width)
{
    std::string text = FileNameToCp1252(utf8);
    if (toolkit.MeasureTextWidth(text) <= width)
        return text;
    while (!text.empty() && toolkit.MeasureTextWidth(text + "...") > width)
        text.pop_back();
    return text + "...";
}

std::string Seconds(double s)
{
    return SecondsText(s);
}

// "2026-12-01 19:04" of a date (UTC).
std::string DateAndMinute(std::int64_t unixNs)
{
    const std::string date = DateText(unixNs);  // YYYY-MM-DDTHH:MM:SSZ
    return date.substr(0, 10) + " " + date.substr(11, 5);
}

// A round step for about count lines over range: 1, 2 or 5 times a power of ten.
double RoundStep(double range, int count)
{
    const double raw = range / count;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double step : {1.0, 2.0, 5.0})
        if (step * power >= raw * (1 - 1e-12))
            return step * power;
    return 10 * power;
}

}  // namespace

// --- The figures --------------------------------------------------------------------------

ProgressChartFigures ProgressChartOf(std::span<const ProgressRow> rows)
{
    ProgressChartFigures figures;
    if (rows.empty())
        return figures;
    figures.FirstNs = rows.front().DateNs;
    figures.LastNs = rows.back().DateNs;
    const ProgressRow& newest = rows.back();
    if (newest.RecordTime > 0 && newest.RecordTime < kNoRecord)
        figures.RecordS = newest.RecordTime / 100.0;
    double low = rows.front().BestS, high = low;
    for (const ProgressRow& row : rows) {
        low = std::min(low, row.BestS);
        high = std::max(high, row.BestS);
        if (row.CleanMeanS)
            high = std::max(high, *row.CleanMeanS);
        if (row.PersonalBest)
            figures.PersonalBests.push_back({row.DateNs, row.BestS});
        figures.Cars.push_back(row.Car);
    }
    std::sort(figures.Cars.begin(), figures.Cars.end());
    figures.Cars.erase(std::unique(figures.Cars.begin(), figures.Cars.end()), figures.Cars.end());
    if (figures.RecordS) {
        low = std::min(low, *figures.RecordS);
        high = std::max(high, *figures.RecordS);
    }
    // At least a second from bottom to top, every figure off the frame.
    const double spread = std::max(high - low, 1.0);
    figures.StepS = RoundStep(spread, 4);
    figures.LowS = std::floor((low - spread * 0.04) / figures.StepS) * figures.StepS;
    figures.HighS = std::ceil((high + spread * 0.04) / figures.StepS) * figures.StepS;
    return figures;
}

// --- The tables -----------------------------------------------------------------------------

int ListRowsIn(int height)
{
    return std::max(0, (height - kHeaderHeight) / kRowHeight);
}

std::optional<int> ListRowAt(int y)
{
    if (y < kHeaderHeight)
        return std::nullopt;
    return (y - kHeaderHeight) / kRowHeight;
}

namespace {

// A column: where its text starts (left-aligned) or ends (right-aligned).
struct Column {
    int left;
    int right;
    bool alignRight;
    const char* title;
};

void DrawHeader(Toolkit& toolkit, const PictureSlot& table, std::span<const Column> columns)
{
    toolkit.FillBox(0, 0, table.Width, kHeaderHeight, kHeaderFill);
    for (const Column& column : columns) {
        const int x = column.alignRight ? column.right - toolkit.MeasureTextWidth(column.title) : column.left;
        toolkit.DrawTextAt(x, 3, column.title, kBlack);
    }
}

// A text of the store in its column, cut to fit.
void DrawCell(Toolkit& toolkit, const Column& column, int y, const std::string& utf8, Colour colour)
{
    const std::string text = Fitted(toolkit, utf8, column.right - column.left);
    const int x = column.alignRight ? column.right - toolkit.MeasureTextWidth(text) : column.left;
    toolkit.DrawTextAt(x, y, text, colour);
}

}  // namespace

// --- The track list ------------------------------------------------------------------------

void DrawTrackList(std::span<const TrackSummary> tracks, std::int32_t firstRow, std::int32_t chosen,
                   const HistoryPictures& pictures, Toolkit& toolkit)
{
    const PictureSlot& list = pictures.Tracks;
    static constexpr std::array<Column, 3> kColumns{{{6, 170, false, "Track"},
                                                    {174, 216, true, "Races"},
                                                    {220, 294, true, "Best (s)"}}};
    toolkit.CreateImageSlot(list.Image, list.Width, list.Height, kRowFill);
    Drawing drawing(toolkit, list.Image);
    UseSmallFont(toolkit, pictures);
    DrawHeader(toolkit, list, kColumns);
    if (tracks.empty()) {
        toolkit.DrawTextAt(6, kHeaderHeight + 4, "No race recorded yet.", kGrey);
        return;
    }
    const int rows = ListRowsIn(list.Height);
    for (int row = 0; row < rows; ++row) {
        const std::int64_t index = std::int64_t{firstRow} + row;
        if (index < 0 || index >= std::ssize(tracks))
            break;
        const TrackSummary& track = tracks[static_cast<std::size_t>(index)];
        const int y = kHeaderHeight + row * kRowHeight;
        toolkit.FillBox(0, y, list.Width, kRowHeight,
                        index == chosen ? kShownRowFill : (index % 2 == 1 ? kOtherRowFill : kRowFill));
        DrawCell(toolkit, kColumns[0], y + 1, track.Name, kBlack);
        DrawCell(toolkit, kColumns[1], y + 1, IntToText(track.Races), kBlack);
        DrawCell(toolkit, kColumns[2], y + 1, track.Races > 0 ? Seconds(track.PersonalBest.BestS) : "-", kBlack);
    }
}

// --- The progress chart ----------------------------------------------------------------------

namespace {

struct Plot {
    int left = 0, top = 0, width = 0, height = 0;
};

int XOfDate(const Plot& plot, const ProgressChartFigures& figures, std::int64_t dateNs)
{
    if (figures.LastNs <= figures.FirstNs)
        return plot.left + plot.width / 2;
    const double f = static_cast<double>(dateNs - figures.FirstNs) / static_cast<double>(figures.LastNs - figures.FirstNs);
    return plot.left + static_cast<int>(std::lround(std::clamp(f, 0.0, 1.0) * (plot.width - 1)));
}

int YOfTime(const Plot& plot, const ProgressChartFigures& figures, double s)
{
    const double f = (s - figures.LowS) / (figures.HighS - figures.LowS);
    return plot.top + plot.height - 1 - static_cast<int>(std::lround(std::clamp(f, 0.0, 1.0) * (plot.height - 1)));
}

void Dot(Toolkit& toolkit, int x, int y, int half, Colour colour)
{
    toolkit.FillBox(x - half, y - half, 2 * half + 1, 2 * half + 1, colour);
}

Plot PlotOf(const PictureSlot& chart)
{
    return {kPlotLeft, kPlotTop, chart.Width - kPlotLeft - kPlotRightMargin, chart.Height - kPlotTop - kPlotBottomMargin};
}

Colour CarColour(const ProgressChartFigures& figures, const std::string& car)
{
    const auto at = std::lower_bound(figures.Cars.begin(), figures.Cars.end(), car);
    return kCarColours[static_cast<std::size_t>(at - figures.Cars.begin()) % kCarColours.size()];
}

}  // namespace

void DrawProgressChart(const std::string& title, std::span<const ProgressRow> rows,
                       const ProgressChartFigures& figures, const HistoryPictures& pictures, Toolkit& toolkit)
{
    const PictureSlot& chart = pictures.Chart;
    toolkit.CreateImageSlot(chart.Image, chart.Width, chart.Height, kPaper);
    Drawing drawing(toolkit, chart.Image);
    UseSmallFont(toolkit, pictures);
    const Plot plot = PlotOf(chart);
    const std::string count =
        rows.empty() ? std::string() : ": " + IntToText(std::ssize(rows)) + (rows.size() == 1 ? " race" : " races");
    toolkit.DrawTextAt(6, 4, Fitted(toolkit, title, 300) + count, kBlack);
    // The legend, right to left from the chart's right edge.
    int x = chart.Width - kPlotRightMargin;
    const auto legend = [&](const std::string& text, Colour colour, bool line) {
        x -= toolkit.MeasureTextWidth(text);
        toolkit.DrawTextAt(x, 4, text, kBlack);
        x -= 14;
        if (line)
            toolkit.FillBox(x, 10, 10, 2, colour);
        else
            Dot(toolkit, x + 5, 11, 2, colour);
        x -= 12;
    };
    if (figures.RecordS)
        legend("track record", kRecord, true);
    legend("personal best", kPersonalBest, true);
    legend("clean mean", kCleanMean, false);
    // The best laps, a colour per car, left to right on the line below.
    if (!figures.Cars.empty()) {
        int carX = 6;
        const std::string lead = "best lap:";
        toolkit.DrawTextAt(carX, kCarLegendY, lead, kBlack);
        carX += toolkit.MeasureTextWidth(lead) + 8;
        for (const std::string& car : figures.Cars) {
            const std::string name = Fitted(toolkit, car.empty() ? std::string("no car") : car, 120);
            if (carX + 14 + toolkit.MeasureTextWidth(name) > chart.Width - kPlotRightMargin)
                break;
            Dot(toolkit, carX + 4, kCarLegendY + 7, 2, CarColour(figures, car));
            carX += 12;
            toolkit.DrawTextAt(carX, kCarLegendY, name, kBlack);
            carX += toolkit.MeasureTextWidth(name) + 12;
        }
    }

    toolkit.FillBox(plot.left, plot.top, plot.width, plot.height, kWhite);
    toolkit.DrawLineBy(plot.left - 1, plot.top - 1, plot.width + 1, 0, kGrey);
    toolkit.DrawLineBy(plot.left - 1, plot.top + plot.height, plot.width + 1, 0, kGrey);
    toolkit.DrawLineBy(plot.left - 1, plot.top - 1, 0, plot.height + 1, kGrey);
    toolkit.DrawLineBy(plot.left + plot.width, plot.top - 1, 0, plot.height + 1, kGrey);
    if (rows.empty()) {
        const std::string none = "No races yet";
        toolkit.DrawTextAt(plot.left + (plot.width - toolkit.MeasureTextWidth(none)) / 2,
                           plot.top + plot.height / 2 - 7, none, kGrey);
        return;
    }

    // The time lines with their seconds, the dates below.
    const int decimals = figures.StepS >= 1 ? 0 : 1;
    for (double s = figures.LowS; s <= figures.HighS + figures.StepS * 1e-6; s += figures.StepS) {
        const int y = YOfTime(plot, figures, s);
        if (y > plot.top && y < plot.top + plot.height - 1)
            toolkit.DrawLineBy(plot.left, y, plot.width, 0, kLightGrey);
        const std::string label = FixedText(s, decimals);
        toolkit.DrawTextAt(plot.left - 5 - toolkit.MeasureTextWidth(label), y - 7, label, kBlack);
    }
    const int dateY = plot.top + plot.height + 3;
    const std::string first = DateText(figures.FirstNs).substr(0, 10);
    const std::string last = DateText(figures.LastNs).substr(0, 10);
    toolkit.DrawTextAt(plot.left, dateY, first, kBlack);
    if (last != first)
        toolkit.DrawTextAt(plot.left + plot.width - toolkit.MeasureTextWidth(last), dateY, last, kBlack);

    if (figures.RecordS) {
        const int y = YOfTime(plot, figures, *figures.RecordS);
        toolkit.DrawLineBy(plot.left, y, plot.width, 0, kRecord);
        const ProgressRow& newest = rows.back();
        std::string holder = newest.RecordDriver;
        if (!newest.RecordCar.empty())
            holder += (holder.empty() ? "" : ", ") + newest.RecordCar;
        const std::string label = "record " + FixedText(*figures.RecordS, 2) +
                                  (holder.empty() ? std::string() : " (" + holder + ")");
        toolkit.DrawTextAt(plot.left + 4, y < plot.top + 16 ? y + 2 : y - 14, Fitted(toolkit, label, 300), kRecord);
    }
    for (const ProgressRow& row : rows)
        if (row.CleanMeanS)
            Dot(toolkit, XOfDate(plot, figures, row.DateNs), YOfTime(plot, figures, *row.CleanMeanS), 1, kCleanMean);
    for (const ProgressRow& row : rows)
        Dot(toolkit, XOfDate(plot, figures, row.DateNs), YOfTime(plot, figures, row.BestS), 1,
            CarColour(figures, row.Car));
    // The personal best as steps: level from each PB race to the next, which lowers it.
    const auto& steps = figures.PersonalBests;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const int x0 = XOfDate(plot, figures, steps[i].DateNs);
        const int x1 = XOfDate(plot, figures, i + 1 < steps.size() ? steps[i + 1].DateNs : figures.LastNs);
        const int y = YOfTime(plot, figures, steps[i].S);
        toolkit.DrawLineBy(x0, y, x1 - x0 + 1, 0, kPersonalBest);
        toolkit.DrawLineBy(x0, y + 1, x1 - x0 + 1, 0, kPersonalBest);
        if (i + 1 < steps.size()) {
            const int next = YOfTime(plot, figures, steps[i + 1].S);
            toolkit.DrawLineBy(x1, y, 0, next - y + 1, kPersonalBest);
        }
    }
}

std::optional<std::size_t> RaceAtChart(std::span<const ProgressRow> rows, const ProgressChartFigures& figures,
                                       const HistoryPictures& pictures, int x, int y)
{
    const Plot plot = PlotOf(pictures.Chart);
    std::optional<std::size_t> nearest;
    int nearestDistance = kDotReach * kDotReach + 1;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int dx = XOfDate(plot, figures, rows[i].DateNs) - x;
        const int dy = YOfTime(plot, figures, rows[i].BestS) - y;
        // Of dots equally near, the newest: it is drawn on top.
        if (dx * dx + dy * dy <= nearestDistance) {
            nearestDistance = dx * dx + dy * dy;
            nearest = i;
        }
    }
    return nearest;
}

// --- The races table ----------------------------------------------------------------------------

namespace {

constexpr std::array<Column, 9> kRaceColumns{{{6, 106, false, "Date (UTC)"},
                                             {112, 270, false, "File"},
                                             {276, 306, true, "Laps"},
                                             {312, 400, true, "Best lap"},
                                             {406, 502, true, "Clean mean"},
                                             {510, 530, false, ""},
                                             {536, 676, false, "Driver"},
                                             {682, 836, false, "Car"},
                                             {842, 976, false, "Saved game"}}};

// A small triangle beside a header's title: its point up for a column in
// ascending order, down for descending.
void SortMark(Toolkit& toolkit, int x, bool descending)
{
    for (int i = 0; i < 4; ++i) {
        const int y = descending ? 8 + i : 11 - i;
        toolkit.DrawLineBy(x + i, y, 7 - 2 * i, 0, kBlack);
    }
}

// A cell's order: its number, or its text.
struct SortKey {
    double number = 0;
    std::string text;
    bool operator<(const SortKey& other) const
    {
        return number != other.number ? number < other.number : text < other.text;
    }
};

SortKey KeyOf(const ProgressRow& row, RaceColumn column, RaceFile file)
{
    switch (column) {
    case RaceColumn::Date: return {static_cast<double>(row.DateNs), {}};
    case RaceColumn::File: return {0, FoldedLetterCase(FileNameToUtf8(row.FileName))};
    case RaceColumn::Laps: return {static_cast<double>(row.Laps), {}};
    case RaceColumn::BestLap: return {row.BestS, {}};
    // No clean lap after every clean mean.
    case RaceColumn::CleanMean: return {row.CleanMeanS.value_or(1e300), {}};
    case RaceColumn::PersonalBest: return {row.PersonalBest ? 0.0 : 1.0, {}};
    case RaceColumn::Driver: return {0, FoldedLetterCase(row.Driver)};
    case RaceColumn::Car: return {0, FoldedLetterCase(row.Car)};
    case RaceColumn::SavedGame: return {static_cast<double>(file), {}};
    }
    return {};
}

}  // namespace

std::optional<RaceColumn> RaceColumnAt(int x)
{
    // Each column reaches from its left edge to the next column's.
    for (std::size_t i = kRaceColumns.size(); i-- > 0;)
        if (x >= kRaceColumns[i].left - 4)
            return static_cast<RaceColumn>(i);
    return x >= 0 ? std::optional<RaceColumn>(RaceColumn::Date) : std::nullopt;
}

void SortRaces(std::vector<ProgressRow>& rows, const RaceSort& sort, std::span<const RaceFile> files)
{
    std::vector<std::size_t> order(rows.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::vector<SortKey> keys;
    keys.reserve(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        keys.push_back(KeyOf(rows[i], sort.Column, i < files.size() ? files[i] : RaceFile::There));
    // Equal cells keep the date order (the rows come in it) either way.
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return sort.Descending ? keys[b] < keys[a] : keys[a] < keys[b];
    });
    std::vector<ProgressRow> sorted;
    sorted.reserve(rows.size());
    for (const std::size_t i : order)
        sorted.push_back(std::move(rows[i]));
    rows = std::move(sorted);
}

void DrawRaceTable(std::span<const ProgressRow> rows, std::int32_t firstRow, std::span<const RaceFile> files,
                   const RaceMarks& marks, const HistoryPictures& pictures, Toolkit& toolkit, const RaceSort& sort)
{
    const PictureSlot& table = pictures.Races;
    toolkit.CreateImageSlot(table.Image, table.Width, table.Height, kRowFill);
    {
        Drawing drawing(toolkit, table.Image);
        UseSmallFont(toolkit, pictures);
        DrawHeader(toolkit, table, kRaceColumns);
        const Column& sorted = kRaceColumns[static_cast<std::size_t>(sort.Column)];
        const int titleWidth = toolkit.MeasureTextWidth(sorted.title);
        if (sorted.alignRight)
            SortMark(toolkit, sorted.right - titleWidth - 11, sort.Descending);
        else
            SortMark(toolkit, sorted.left + titleWidth + 4, sort.Descending);
    }
    for (int row = 0; row < ListRowsIn(table.Height); ++row)
        DrawRaceRow(rows, firstRow, row, files, marks, pictures, toolkit);
}

void DrawRaceRow(std::span<const ProgressRow> rows, std::int32_t firstRow, int row, std::span<const RaceFile> files,
                 const RaceMarks& marks, const HistoryPictures& pictures, Toolkit& toolkit)
{
    const PictureSlot& table = pictures.Races;
    const std::int64_t index = std::int64_t{firstRow} + row;
    if (row < 0 || row >= ListRowsIn(table.Height) || index < 0 || index >= std::ssize(rows))
        return;
    Drawing drawing(toolkit, table.Image);
    UseSmallFont(toolkit, pictures);
    const ProgressRow& race = rows[static_cast<std::size_t>(index)];
    const int y = kHeaderHeight + row * kRowHeight;
    Colour fill = index % 2 == 1 ? kOtherRowFill : kRowFill;
    if (marks.Shown && race.Race == *marks.Shown)
        fill = kShownRowFill;
    if (marks.Chosen && race.Race == *marks.Chosen)
        fill = kChosenRowFill;
    toolkit.FillBox(0, y, table.Width, kRowHeight, fill);
    const int textY = y + 1;
    // Dates, numbers and marks fit their columns; names are cut to fit.
    const auto plain = [&](std::size_t column, const std::string& text, Colour colour) {
        const Column& c = kRaceColumns[column];
        toolkit.DrawTextAt(c.alignRight ? c.right - toolkit.MeasureTextWidth(text) : c.left, textY, text, colour);
    };
    plain(0, DateAndMinute(race.DateNs), kBlack);
    DrawCell(toolkit, kRaceColumns[1], textY, FileNameToUtf8(race.FileName), kBlack);
    plain(2, IntToText(race.Laps), kBlack);
    plain(3, Seconds(race.BestS) + " (" + IntToText(race.BestLap) + ")", kBlack);
    plain(4, race.CleanMeanS ? Seconds(*race.CleanMeanS) + " (" + IntToText(race.CleanLaps) + ")"
                             : std::string("- (0)"),
          kBlack);
    if (race.PersonalBest)
        plain(5, "PB", kPersonalBest);
    DrawCell(toolkit, kRaceColumns[6], textY, race.Driver, kBlack);
    DrawCell(toolkit, kRaceColumns[7], textY, race.Car, kBlack);
    if (static_cast<std::size_t>(row) < files.size()) {
        const RaceFile file = files[static_cast<std::size_t>(row)];
        plain(8, file == RaceFile::There ? "there" : file == RaceFile::Changed ? "changed" : "gone",
              file == RaceFile::There ? kBlack : kGone);
    }
}

// --- The standings ---------------------------------------------------------------------------------

namespace {

constexpr std::array<Column, 7> kStandingColumns{{{6, 26, true, "#"},
                                                 {34, 184, false, "Driver"},
                                                 {190, 320, false, "Car"},
                                                 {326, 404, true, "Best lap"},
                                                 {410, 470, true, "Gap"},
                                                 {482, 582, false, "Set on (UTC)"},
                                                 {588, 668, false, "From"}}};

}  // namespace

void DrawStandings(std::span<const StandingRow> rows, std::int32_t firstRow, const StandingMarks& marks,
                   const HistoryPictures& pictures, Toolkit& toolkit)
{
    const PictureSlot& table = pictures.Standings;
    toolkit.CreateImageSlot(table.Image, table.Width, table.Height, kRowFill);
    Drawing drawing(toolkit, table.Image);
    UseSmallFont(toolkit, pictures);
    DrawHeader(toolkit, table, kStandingColumns);
    if (rows.empty()) {
        toolkit.DrawTextAt(6, kHeaderHeight + 4, "No best lap on this track yet.", kGrey);
        return;
    }
    for (int row = 0; row < ListRowsIn(table.Height); ++row) {
        const std::int64_t index = std::int64_t{firstRow} + row;
        if (index < 0 || index >= std::ssize(rows))
            break;
        const StandingRow& standing = rows[static_cast<std::size_t>(index)];
        const bool own = standing.Kind == StandingRow::Of::OwnRace;
        const int y = kHeaderHeight + row * kRowHeight;
        Colour fill = index % 2 == 1 ? kOtherRowFill : kRowFill;
        if (own && marks.Shown && standing.Race == *marks.Shown)
            fill = kShownRowFill;
        if (own ? marks.ChosenRace && standing.Race == *marks.ChosenRace
                : marks.ChosenLap && standing.Kept == *marks.ChosenLap)
            fill = kChosenRowFill;
        toolkit.FillBox(0, y, table.Width, kRowHeight, fill);
        const int textY = y + 1;
        const auto plain = [&](std::size_t column, const std::string& text) {
            const Column& c = kStandingColumns[column];
            toolkit.DrawTextAt(c.alignRight ? c.right - toolkit.MeasureTextWidth(text) : c.left, textY, text, kBlack);
        };
        plain(0, IntToText(standing.Place));
        DrawCell(toolkit, kStandingColumns[1], textY, standing.Driver.empty() ? "(no driver)" : standing.Driver,
                 kBlack);
        DrawCell(toolkit, kStandingColumns[2], textY, standing.Car.empty() ? "(no car)" : standing.Car, kBlack);
        plain(3, Seconds(standing.BestS) + " (" + IntToText(standing.Lap) + ")");
        plain(4, standing.Place == 1 ? std::string("-") : "+" + Seconds(standing.GapS));
        plain(5, DateAndMinute(standing.DateNs));
        // Yours by the saved game it was seen in; another driver's as kept.
        DrawCell(toolkit, kStandingColumns[6], textY, own ? FileNameToUtf8(standing.FileName) : "kept lap",
                 own ? kBlack : kGrey);
    }
}

}  // namespace vx
