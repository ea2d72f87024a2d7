#include "laps/TableLayout.h"

#include "laps/LapTrace.h"
#include "toolkit/Text.h"

namespace vx {

CellCorner DriverCellCorner(int row, int column)
{
    static constexpr int kColumnX[] = {10, 30, 140, 220, 320, 400};
    const int x = column >= 1 && column <= 6 ? kColumnX[column - 1] : 0;
    return {x, 20 * (std::int64_t{row} - 1) + 5};
}

TextPlacement FastLapHeader(std::string_view fastestLapText)
{
    return {10, 10, "Fast Lap #" + std::string(fastestLapText)};
}

TextPlacement AverageAIHeader(std::string_view averageText)
{
    return {200, 10, "Average AI: " + std::string(averageText)};
}

std::vector<TextPlacement> LapSummaryEntries(std::string_view lapTimeList)
{
    std::vector<TextPlacement> entries;
    const std::vector<std::string_view> fields = LapTimeFields(lapTimeList);
    int x = 10, y = 40;
    for (std::size_t i = 1; i <= fields.size() && x <= 480; ++i) {
        const std::string_view f = fields[i - 1];
        if (f.empty())
            break;
        entries.push_back({x, y, IntToText(static_cast<std::int64_t>(i)) + ":  " + std::string(f)});
        y = y + 30;
        if (y > 260) {
            x = x + 100;
            y = 40;
        }
    }
    return entries;
}

}  // namespace vx
