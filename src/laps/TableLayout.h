// Where the texts of the driver table and the lap summary stand.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vx {

struct TextPlacement {
    int x = 0;
    int y = 0;
    std::string text;
};

// The top-left corner of a driver-table cell: row r from 1 at y 20(r - 1) + 5,
// columns 1..6 at x 10, 30, 140, 220, 320, 400 (other columns at x 0).
struct CellCorner {
    std::int64_t x = 0;
    std::int64_t y = 0;
};
CellCorner DriverCellCorner(int row, int column);

// The two header lines of the lap summary.
TextPlacement FastLapHeader(std::string_view fastestLapText);   // (10, 10)
TextPlacement AverageAIHeader(std::string_view averageText);    // (200, 10)

// The numbered entries of the lap summary: "i:  " and lap i's time, in
// columns of eight from (10, 40) downward by 30, the next column 100 to the
// right. The list ends after 40 entries, the 41st having no room left in the
// picture.
std::vector<TextPlacement> LapSummaryEntries(std::span<const std::int64_t> lapTimes);

}  // namespace vx
