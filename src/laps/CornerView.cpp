#include "laps/CornerView.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "laps/ComparePaint.h"
#include "laps/LapAnalysis.h"
#include "toolkit/Format.h"
#include "toolkit/Text.h"

namespace vx {

namespace {

// The corner table's columns: the corner, what the lap lost through it, on
// the way in and on the way out, and the two laps' slowest speeds in it.
constexpr std::array<int, 6> kCornerColumnRight{30, 90, 144, 198, 256, 312};
constexpr int kCornerColumn = 0, kLossColumn = 1, kSlowestColumn = 4, kAgainstSlowestColumn = 5;
// The header's two lines.
constexpr int kHeaderFirstLine = 2;
constexpr int kHeaderSecondLine = 17;

// A bar leaves this share of its slot free on either side.
constexpr int kBarGapDivisor = 6;
// Room for a bar's value above it (below it for a gain).
constexpr int kBarValueRoom = 14;

// The smallest time the table shows other than zero.
constexpr double kShownSecond = 0.0005;

std::string Seconds3(double s)
{
    return SignedFixedText(s, 3);
}

void UseFont(Toolkit& toolkit, int font)
{
    toolkit.SetDrawingFont(toolkit.FontHandleOf(font));
    toolkit.SetDrawingMode(1);
}

// The lap compared against in a column of its own: "lap 10", or "PB" and
// "other" for another race's lap and "file" for a lap file's, whose names
// are too long for the column.
std::string AgainstColumnName(const LapProfile& against)
{
    if (!against.Driver.empty())
        return "file";
    if (against.Race.empty())
        return LapName(against.Lap);
    return against.Race.rfind("PB", 0) == 0 ? "PB" : "other";
}

// The words of text in lines no wider than width, broken between words (a
// word wider than width has a line of its own).
std::vector<std::string> BreakLines(Toolkit& toolkit, const std::string& text, int width)
{
    std::vector<std::string> lines;
    std::string line;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t space = text.find(' ', at);
        const std::string word = text.substr(at, space == std::string::npos ? std::string::npos : space - at);
        at = space == std::string::npos ? text.size() : space + 1;
        const std::string longer = line.empty() ? word : line + " " + word;
        if (!line.empty() && toolkit.MeasureTextWidth(longer) > width) {
            lines.push_back(line);
            line = word;
        } else {
            line = longer;
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

}  // namespace

CompareMapLabels CompareMapLabelsOf(const LapAnalysis& analysis, const CompareFigures& figures,
                                    const ComparePictures& pictures, Toolkit& toolkit)
{
    // Measured in the font they are drawn in, on the track's map (nothing is
    // drawn on it): without the map there is nothing to label.
    if (!toolkit.ImageExists(pictures.TrackMap))
        return {};
    Drawing drawing(toolkit, pictures.TrackMap);
    UseSmallFont(toolkit, pictures);
    const int height = toolkit.FontCellHeight(toolkit.FontHandleOf(pictures.Font)) + 1;
    const auto size = [&](const std::string& text) { return LabelSize{toolkit.MeasureTextWidth(text) + 4, height}; };
    std::vector<LabelSize> sectors, corners;
    for (int g = 0; g < 2; ++g)
        sectors.push_back(size(SectorGateLabel(g)));
    for (std::size_t i = 0; i < analysis.Corners.size(); ++i)
        corners.push_back(size(IntToText(static_cast<std::int64_t>(i) + 1)));
    return PlaceMapLabels(analysis, figures, sectors, corners, pictures.Map.Width, pictures.Map.Height);
}

void DrawCornerTable(const LapAnalysis& analysis, const CompareFigures& figures, const CornerComparison& corners,
                     std::int32_t pointed, std::int32_t firstRow, const ComparePictures& pictures,
                     Toolkit& toolkit)
{
    const PictureSlot& table = pictures.CornerTable;
    toolkit.CreateImageSlot(table.Image, table.Width, table.Height, kPaper);
    Drawing drawing(toolkit, table.Image);
    UseSmallFont(toolkit, pictures);
    const auto rightText = [&](int column, int y, const std::string& text, Colour colour) {
        toolkit.DrawTextAt(kCornerColumnRight[static_cast<std::size_t>(column)] - toolkit.MeasureTextWidth(text), y,
                           text, colour);
    };
    const auto centredText = [&](int fromColumn, int toColumn, int y, const std::string& text) {
        const int left = kCornerColumnRight[static_cast<std::size_t>(fromColumn - 1)];
        const int right = kCornerColumnRight[static_cast<std::size_t>(toColumn)];
        toolkit.DrawTextAt((left + right - toolkit.MeasureTextWidth(text)) / 2 + 2, y, text, kBlack);
    };
    toolkit.FillBox(0, 0, table.Width, kCornerHeaderHeight, kHeaderFill);
    toolkit.DrawTextAt(4, kHeaderFirstLine, "Corner", kBlack);
    centredText(kLossColumn, 3, kHeaderFirstLine, "Time lost (s)");
    centredText(kSlowestColumn, kAgainstSlowestColumn, kHeaderFirstLine, "Slowest (km/h)");
    rightText(1, kHeaderSecondLine, "corner", kBlack);
    rightText(2, kHeaderSecondLine, "in", kBlack);
    rightText(3, kHeaderSecondLine, "out", kBlack);
    rightText(kSlowestColumn, kHeaderSecondLine, LapName(figures.Lap.Lap), kLapBlue);
    rightText(kAgainstSlowestColumn, kHeaderSecondLine, AgainstColumnName(figures.Against), kReference);

    const auto count = static_cast<std::int32_t>(corners.Deltas.size());
    if (count == 0) {
        const std::string why = !analysis.MetresPerPixel
                                    ? "No corners: without the track's length the laps have no speed."
                                    : "No corners: the reference lap never slows down by 20 km/h and picks "
                                      "up again.";
        int y = kCornerHeaderHeight + 6;
        for (const std::string& line : BreakLines(toolkit, why, table.Width - 12)) {
            toolkit.DrawTextAt(6, y, line, kGrey);
            y += kCornerRowHeight;
        }
        return;
    }
    const int rows = CornerTableRowsIn(table.Height);
    for (int row = 0; row < rows; ++row) {
        const std::int64_t corner = std::int64_t{firstRow} + row + 1;
        if (corner > count)
            break;
        const auto i = static_cast<std::size_t>(corner - 1);
        const CornerDelta& delta = corners.Deltas[i];
        const int y = kCornerHeaderHeight + row * kCornerRowHeight;
        toolkit.FillBox(0, y, table.Width, kCornerRowHeight,
                        corner == pointed ? kPointedShade : (corner % 2 == 0 ? kOtherRowFill : kRowFill));
        // The loss on the ground of the delta chart's colours.
        if (delta.TimeS && std::abs(*delta.TimeS) >= kShownSecond) {
            const int left = kCornerColumnRight[kCornerColumn] + 4;
            toolkit.FillBox(left, y + 1, kCornerColumnRight[kLossColumn] + 3 - left, kCornerRowHeight - 2,
                            *delta.TimeS > 0 ? kLosing : kGaining);
        }
        const int textY = y + 1;
        rightText(kCornerColumn, textY, IntToText(corner), kBlack);
        const std::optional<double> parts[] = {delta.TimeS, delta.EntryS, delta.ExitS};
        for (int p = 0; p < 3; ++p)
            if (parts[p])
                rightText(kLossColumn + p, textY, Seconds3(*parts[p]), kBlack);
        if (i < corners.Lap.size() && corners.Lap[i].MinSpeedKmh)
            rightText(kSlowestColumn, textY, FixedText(*corners.Lap[i].MinSpeedKmh, 1), kBlack);
        if (i < corners.Against.size() && corners.Against[i].MinSpeedKmh)
            rightText(kAgainstSlowestColumn, textY, FixedText(*corners.Against[i].MinSpeedKmh, 1), kBlack);
    }
}

void DrawCornerChart(const CornerComparison& corners, std::int32_t pointed,
                     const ComparePictures& pictures, Toolkit& toolkit)
{
    const PictureSlot& chart = pictures.CornerChart;
    toolkit.CreateImageSlot(chart.Image, chart.Width, chart.Height, kPaper);
    Drawing drawing(toolkit, chart.Image);
    UseSmallFont(toolkit, pictures);
    const auto count = static_cast<int>(corners.Deltas.size());
    const BarPlot plot = CornerBarsOf(chart.Width, chart.Height, count);
    toolkit.DrawTextAt(6, 3, "Time lost per corner (s)", kBlack);
    const std::string key = "red: lost  green: gained";
    toolkit.DrawTextAt(plot.Left + plot.Width - toolkit.MeasureTextWidth(key), 3, key, kGrey);
    toolkit.FillBox(plot.Left, plot.Top, plot.Width, plot.Height, kWhite);
    toolkit.DrawLineBy(plot.Left - 1, plot.Top - 1, plot.Width + 1, 0, kGrey);
    toolkit.DrawLineBy(plot.Left - 1, plot.Top + plot.Height, plot.Width + 1, 0, kGrey);
    toolkit.DrawLineBy(plot.Left - 1, plot.Top - 1, 0, plot.Height + 1, kGrey);
    toolkit.DrawLineBy(plot.Left + plot.Width, plot.Top - 1, 0, plot.Height + 1, kGrey);
    if (count == 0)
        return;

    // One scale for losses and gains: the two largest, one either side of
    // the zero line, reach the plot's edges less the room of their values.
    double lost = 0, gained = 0;
    for (const CornerDelta& delta : corners.Deltas) {
        if (delta.TimeS) {
            lost = std::max(lost, *delta.TimeS);
            gained = std::max(gained, -*delta.TimeS);
        }
    }
    const int top = plot.Top + kBarValueRoom, bottom = plot.Top + plot.Height - kBarValueRoom;
    const int zero = lost + gained > 0 ? top + static_cast<int>(std::lround((bottom - top) * lost / (lost + gained)))
                                       : (top + bottom) / 2;
    const double pixelsPerSecond = lost + gained > 0 ? (bottom - top) / (lost + gained) : 0;
    if (pointed >= 1 && pointed <= count)
        toolkit.FillBox(plot.SlotLeft(pointed - 1), plot.Top, plot.SlotWidth(pointed - 1), plot.Height,
                        kPointedShade);
    toolkit.DrawLineBy(plot.Left, zero, plot.Width, 0, kGrey);
    const int textHeight = toolkit.FontCellHeight(toolkit.FontHandleOf(pictures.Font));
    for (int i = 0; i < count; ++i) {
        const int slot = plot.SlotLeft(i), slotWidth = plot.SlotWidth(i);
        const std::string number = IntToText(i + 1);
        toolkit.DrawTextAt(slot + (slotWidth - toolkit.MeasureTextWidth(number)) / 2, plot.Top + plot.Height + 2,
                           number, i + 1 == pointed ? kBlack : kGrey);
        const auto& loss = corners.Deltas[static_cast<std::size_t>(i)].TimeS;
        if (!loss)
            continue;
        const int gap = std::max(1, slotWidth / kBarGapDivisor);
        const int length = static_cast<int>(std::lround(std::abs(*loss) * pixelsPerSecond));
        const int barTop = *loss > 0 ? zero - length : zero + 1;
        if (length > 0)
            toolkit.FillBox(slot + gap, barTop, slotWidth - 2 * gap, length, *loss > 0 ? kLostBar : kGainedBar);
        if (i + 1 == pointed && length > 0) {
            toolkit.DrawLineBy(slot + gap - 1, barTop - 1, slotWidth - 2 * gap + 1, 0, kBlack);
            toolkit.DrawLineBy(slot + gap - 1, barTop + length, slotWidth - 2 * gap + 1, 0, kBlack);
            toolkit.DrawLineBy(slot + gap - 1, barTop - 1, 0, length + 1, kBlack);
            toolkit.DrawLineBy(slot + slotWidth - gap, barTop - 1, 0, length + 1, kBlack);
        }
        // The value beyond the bar's end, where the slot holds it.
        const std::string value = SignedFixedText(*loss, 2);
        const int width = toolkit.MeasureTextWidth(value);
        if (width <= slotWidth || i + 1 == pointed) {
            const int y = *loss > 0 ? barTop - textHeight - 1 : zero + 1 + length + 1;
            toolkit.DrawTextAt(slot + (slotWidth - width) / 2, y, value, kBlack);
        }
    }
}

void DrawCornerWords(std::span<const std::string> words, const ComparePictures& pictures, Toolkit& toolkit)
{
    const PictureSlot& box = pictures.CornerWords;
    toolkit.CreateImageSlot(box.Image, box.Width, box.Height, kPaper);
    Drawing drawing(toolkit, box.Image);
    const int lineHeight = toolkit.FontCellHeight(toolkit.FontHandleOf(pictures.Font)) + 2;
    int y = 4;
    for (std::size_t k = 0; k < words.size(); ++k) {
        UseFont(toolkit, k == 0 ? pictures.BoldFont : pictures.Font);
        for (const std::string& line : BreakLines(toolkit, words[k], box.Width - 12)) {
            toolkit.DrawTextAt(6, y, line, kBlack);
            y += lineHeight;
        }
        y += 2;
    }
}

}  // namespace vx
