// The race history's pictures: the tracks with their races and personal
// bests, a track's progress chart, its standings and its races table.
//
// The window that shows them (app/windows/HistoryWindow.h) hands over the images to
// draw into and their sizes; everything here is placed within those sizes
// and names no control. The figures come from the store (HistoryStore.h)
// and from ProgressChartOf, worked out apart from the drawing.
//
//   HistoryPictures        the images handed over
//   ProgressChartOf        the progress chart's figures
//   DrawTrackList          the tracks from a row on, the chosen one marked
//   DrawProgressChart      best lap and clean mean per race, PB steps, record
//   DrawRaceTable          the races from a row on, with their files' state
//   DrawRaceRow            one of its rows again
//   RaceAtChart            the race of the dot under the pointer
//   RaceColumnAt, SortRaces  the races table's columns, sorted by one
//   DrawStandings          a track's standings from a row on, marked
//   ListRowsIn, ListRowAt  the rows of both tables
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "history/HistoryStore.h"
#include "laps/CompareView.h"  // PictureSlot

namespace vx {

struct HistoryPictures {
    int Font = 0;  // the font number of the small text
    PictureSlot Tracks;
    PictureSlot Chart;
    PictureSlot Races;
    PictureSlot Standings;  // shown in the chart's place
};

// What the progress chart shows of a track's races (in date order).
struct ProgressChartFigures {
    std::int64_t FirstNs = 0;  // the dates along x
    std::int64_t LastNs = 0;
    double LowS = 0;           // the times along y, round values around every figure
    double HighS = 0;
    double StepS = 0;          // between the time lines
    // The track file's record as the newest race's track held it; none when
    // it held none (6000 hundredths or more).
    std::optional<double> RecordS;
    // The personal best as it fell: the date and best lap of each PB race.
    struct Point {
        std::int64_t DateNs = 0;
        double S = 0;
    };
    std::vector<Point> PersonalBests;
    // The cars of the races, by name: each race's best-lap dot has its car's
    // colour, the legend names them.
    std::vector<std::string> Cars;
};
ProgressChartFigures ProgressChartOf(std::span<const ProgressRow> rows);

// Each track with its races and personal best as given (a track of no race
// shows "-" for its best).
void DrawTrackList(std::span<const TrackSummary> tracks, std::int32_t firstRow, std::int32_t chosen,
                   const HistoryPictures& pictures, Toolkit& toolkit);

// title (UTF-8) names what the races are of ("Kestrelvale: Mara Quill, all
// cars"); the count of races follows it. Without races the chart says so.
void DrawProgressChart(const std::string& title, std::span<const ProgressRow> rows,
                       const ProgressChartFigures& figures, const HistoryPictures& pictures, Toolkit& toolkit);
// The race (an index into rows) whose best-lap dot is nearest to (x, y) in
// the chart's picture, within a few pixels; none elsewhere.
std::optional<std::size_t> RaceAtChart(std::span<const ProgressRow> rows, const ProgressChartFigures& figures,
                                       const HistoryPictures& pictures, int x, int y);

// How a race's row stands out.
struct RaceMarks {
    std::optional<RaceKey> Shown;   // the race of the main window
    std::optional<RaceKey> Chosen;  // the race chosen for "Use as reference"
};
// The races table's columns, and the order its rows are in: by one column,
// up or down (the header marks it).
enum class RaceColumn { Date, File, Laps, BestLap, CleanMean, PersonalBest, Driver, Car, SavedGame };
struct RaceSort {
    RaceColumn Column = RaceColumn::Date;
    bool Descending = false;
    bool operator==(const RaceSort&) const = default;
};
// The column whose header is at x in the table's picture.
std::optional<RaceColumn> RaceColumnAt(int x);
// The rows in the order of sort, rows of equal cells in date order;
// files[i] is the state of rows[i]'s file (the saved game column's order:
// there, changed, gone).
void SortRaces(std::vector<ProgressRow>& rows, const RaceSort& sort, std::span<const RaceFile> files = {});

// The races from row firstRow on; files[i] is the state of the file of row
// firstRow + i (the rows shown, no more).
void DrawRaceTable(std::span<const ProgressRow> rows, std::int32_t firstRow, std::span<const RaceFile> files,
                   const RaceMarks& marks, const HistoryPictures& pictures, Toolkit& toolkit,
                   const RaceSort& sort = {});
// One row of the table drawn again (row from 0, the first shown), as when
// its marks change.
void DrawRaceRow(std::span<const ProgressRow> rows, std::int32_t firstRow, int row, std::span<const RaceFile> files,
                 const RaceMarks& marks, const HistoryPictures& pictures, Toolkit& toolkit);

// How a standings row stands out: the row of the race of the main window,
// the row chosen (one of your races by its key, or a kept lap by its own).
struct StandingMarks {
    std::optional<RaceKey> Shown;
    std::optional<RaceKey> ChosenRace;
    std::optional<LapKey> ChosenLap;
};
// A track's standings (HistoryStore::Standings) from row firstRow on, in the
// races table's font, colours and rows: place, driver, car, best lap, gap to
// the fastest, the date of the race, and whose (your saved game, or a kept
// lap). Without rows it says so.
void DrawStandings(std::span<const StandingRow> rows, std::int32_t firstRow, const StandingMarks& marks,
                   const HistoryPictures& pictures, Toolkit& toolkit);

// The rows a table of this height shows at once, and the row (from 0, the
// first shown) at y in its picture; none in its header.
int ListRowsIn(int height);
std::optional<int> ListRowAt(int y);

}  // namespace vx
