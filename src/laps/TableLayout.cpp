#include "laps/TableLayout.h"

#include "toolkit/Format.h"
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

std::vector<TextPlacement> LapSummaryEntries(std::span<const std::int64_t> lapTimes)
{
    std::vector<TextPlacement> entries;
    int x = 10, y = 40;
    for (std::size_t i = 1; i <= lapTimes.size() && x <= 480; ++i) {
        entries.push_back({x, y, IntToText(static_cast<std::int64_t>(i)) + ":  " +
                                     LapTimeText(lapTimes[i - 1])});
        y = y + 30;
        if (y > 260) {
            x = x + 100;
            y = 40;
        }
    }
    return entries;
}

}  // namespace vx
