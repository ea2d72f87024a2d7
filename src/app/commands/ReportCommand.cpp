// "vxanalyser report GAME.gam": the window's load without drawing, and what
// it shows, printed as a readable report, as one JSON object or as the lap
// table in CSV (with --corners: each lap's figures in each corner).
//
// Sections: the JSON object (the game, the track, the laps, the analysis);
// the readable report (with the corner table); the CSV tables; running.
#include <iostream>
#include <vector>

#include "app/commands/Commands.h"
#include "app/windows/LapFiles.h"
#include "history/HistoryStore.h"
#include "laps/CompareFigures.h"
#include "laps/DriverTable.h"
#include "laps/LapFilePath.h"
#include "laps/LapAnalysis.h"
#include "laps/LapTrace.h"
#include "laps/LapView.h"
#include "laps/RaceLaps.h"
#include "load/LoadFiles.h"
#include "load/LoadWorkflow.h"
#include "toolkit/Format.h"
#include "toolkit/Text.h"
#include "trackmap/MapDrawing.h"

namespace vx {

namespace {

// --- The JSON object --------------------------------------------------------------------

// Texts from the files are Windows-1252; the system's names come as they are.
Json FileText(const std::string& raw)
{
    return Cp1252ToUtf8(raw);
}

Json PathText(const std::string& path)
{
    return FileNameToUtf8(path);
}

// Lap k's time as the lap view gives it ("" for a lap it does not time).
std::string LapTimeOf(const LapTrace& laps, std::int32_t lap)
{
    const auto i = static_cast<std::size_t>(lap - 1);
    return i < laps.LapTimes.size() ? LapTimeText(laps.LapTimes[i]) : "";
}

Json DriverJson(const AppState& state, int k)
{
    const DriverRecord& driver = state.Game.Drivers[static_cast<std::size_t>(k - 1)];
    Json cells = Json::array();
    for (const std::string& cell : DriverTableCells(state, k))
        cells.push_back(FileText(cell));
    // The race time, the speed and the strength the cells show as texts,
    // as numbers: the strength only for a computer's car.
    return {{"row", FileText(DriverRowText(driver))},
            {"cells", std::move(cells)},
            {"race_time_s", JsonNumber(driver.RaceTime / 100.0, 2)},
            {"average_speed_kmh",
             JsonNumber(AverageSpeedKmh(driver.LapsDriven, driver.RaceTime, state.Track.TrackLength), 2)},
            {"ai_strength", driver.Named && !driver.Human ? Json(driver.AILevel) : Json(nullptr)}};
}

Json GameJson(const AppState& state)
{
    const GameData& game = state.Game;
    Json drivers = Json::array();
    for (int k = 1; k <= game.DriverCount(); ++k)
        drivers.push_back(DriverJson(state, k));
    return {{"path", PathText(state.GamePath)},
            {"bytes", state.GameLength},
            {"track_file_name", FileText(game.TrackFileName)},
            {"race_flag", game.RaceFlag},
            {"average_ai_level", RealToText(game.AverageAILevel, 2)},
            {"gauges",
             {{"tyres", game.TyresPercent},
              {"consumption", game.ConsumptionPercent},
              {"fuel_mass_kg", game.FuelMassKg},
              {"damage", game.DamagePercent},
              {"speed", game.SpeedPercent}}},
            {"drivers", std::move(drivers)}};
}

Json TrackJson(const AppState& state)
{
    const TrackData& track = state.Track;
    const MapLabels labels = MapLabelsOfTrack(state);
    return {{"path", PathText(state.TrackPath)},
            {"length_m", track.TrackLength},
            {"map_scale", track.MapScale},
            {"water_level", track.WaterLevel},
            {"object_count", track.ObjectCount()},
            {"lap_line", {track.LapLineX1, track.LapLineY1, track.LapLineX2, track.LapLineY2}},
            {"best_time_text", FileText(labels.TimeText)},
            {"holder_line", FileText(labels.HolderLine)},
            {"picture_name", FileText(labels.PictureName)}};
}

Json LapsJson(const LapTrace& laps)
{
    Json times = Json::array();
    for (const std::int64_t time : laps.LapTimes)
        times.push_back(LapTimeText(time));
    return {{"count", laps.LapCount},
            {"times", std::move(times)},
            {"fastest", LapText(laps, laps.FastestLap)},
            {"slowest", LapText(laps, laps.SlowestLap)},
            {"start_point", laps.StartPoint ? Json{laps.StartPoint->x, laps.StartPoint->y} : Json(nullptr)}};
}

// A gate as its two ends, map coordinates to the hundredth.
Json GateJson(const Gate& gate)
{
    return {JsonNumber(gate.End1.x, 2), JsonNumber(gate.End1.y, 2), JsonNumber(gate.End2.x, 2),
            JsonNumber(gate.End2.y, 2)};
}

Json SecondsList(std::span<const std::optional<double>> values)
{
    Json list = Json::array();
    for (const std::optional<double>& value : values)
        list.push_back(JsonSeconds(value));
    return list;
}

// A lap's figures in each corner, in lap order.
Json LapCornersJson(const LapFigures& lap)
{
    Json list = Json::array();
    for (const CornerFigures& corner : lap.Corners)
        list.push_back({{"entry_s", JsonSeconds(corner.EntryS)},
                        {"exit_s", JsonSeconds(corner.ExitS)},
                        {"min_speed_kmh", JsonNumber(corner.MinSpeedKmh, 1)}});
    return list;
}

// The reference lap's corners: the gate at each apex, the gate that ends
// each but the last, and the best time through each.
Json CornersJson(const LapAnalysis& a)
{
    Json list = Json::array();
    for (std::size_t i = 0; i < a.Corners.size(); ++i) {
        const Corner& corner = a.Corners[i];
        list.push_back({{"corner", i + 1},
                        {"apex_gate", GateJson(corner.Apex)},
                        {"end_gate", corner.End ? GateJson(*corner.End) : Json(nullptr)},
                        {"best_s", JsonSeconds(corner.BestS)}});
    }
    return list;
}

// A lap file given with --against, as its path was given.
struct ReferenceFile {
    std::string Path;
    LapFile Lap;
};

// Corner figures in order, as each lap's "corners" gives them.
Json CornerFiguresJson(const std::vector<CornerFigures>& corners)
{
    Json list = Json::array();
    for (const CornerFigures& corner : corners)
        list.push_back({{"entry_s", JsonSeconds(corner.EntryS)},
                        {"exit_s", JsonSeconds(corner.ExitS)},
                        {"min_speed_kmh", JsonNumber(corner.MinSpeedKmh, 1)}});
    return list;
}

// The lap of a lap file the race is measured against: who drove it where,
// its race, its time and each lap's against it; its own figures in the
// race's corners (its path through this race's gates) and, lap by lap, the
// time each corner lost (above zero) or gained on it.
Json ReferenceFileJson(const LapAnalysis& a, const ReferenceFile& reference)
{
    const LapFile& file = reference.Lap;
    const LapProfile profile = ProfileOfLapFile(file);
    Json deltas = Json::array();
    Json cornerDeltas = Json::array();
    CornerComparison comparison;
    for (std::int32_t k = 1; k <= a.LapCount; ++k) {
        deltas.push_back(JsonSeconds(a.Lap(k).PreciseS - file.PreciseS));
        comparison = CompareCorners(a, k, profile);
        Json lap = Json::array();
        for (const CornerDelta& delta : comparison.Deltas)
            lap.push_back(JsonSeconds(delta.TimeS));
        cornerDeltas.push_back(std::move(lap));
    }
    return {{"race_key", KeyHex(file.Race)},
            {"date", DateText(file.DateNs)},
            {"file", PathText(reference.Path)},
            {"lap", file.Lap},
            {"precise_s", JsonSeconds(file.PreciseS)},
            {"lap_deltas_s", std::move(deltas)},
            {"driver", file.Driver},
            {"car", file.Car},
            {"track", file.TrackName},
            {"corners", CornerFiguresJson(comparison.Against)},
            {"lap_corner_deltas_s", std::move(cornerDeltas)}};
}

// The lap analysis; against: the best lap of another race it is measured
// against too, when named is set ("reference_race", null without one); file:
// the lap of a lap file it is measured against ("reference_file").
Json AnalysisJson(const LapAnalysis& a, const LapTrace& laps, const std::optional<BestLapOfRace>& against,
                  bool named, const std::optional<ReferenceFile>& file)
{
    Json crossings = Json::array();
    for (const double crossing : a.CrossingsS)
        crossings.push_back(JsonSeconds(crossing));
    Json lapList = Json::array();
    for (std::int32_t k = 1; k <= a.LapCount; ++k) {
        const LapFigures& lap = a.Lap(k);
        lapList.push_back({{"lap", k},
                           {"time", LapTimeOf(laps, k)},
                           {"precise_s", JsonSeconds(lap.PreciseS)},
                           {"sectors_s", SecondsList(lap.SectorsS)},
                           {"top_speed_kmh", JsonNumber(lap.TopSpeedKmh, 1)},
                           {"clean", lap.Clean},
                           {"corners", LapCornersJson(lap)}});
    }
    Json analysis = {{"crossings_s", std::move(crossings)},
                     {"reference_lap", a.ReferenceLap},
                     {"gates", a.Gates ? Json{GateJson((*a.Gates)[0]), GateJson((*a.Gates)[1])} : Json(nullptr)},
                     {"metres_per_pixel", JsonNumber(a.MetresPerPixel, 4)},
                     {"laps", std::move(lapList)},
                     {"best_sectors_s", SecondsList(a.BestSectorsS)},
                     {"theoretical_best_s", JsonSeconds(a.TheoreticalBestS)},
                     {"clean_laps",
                      {{"count", a.CleanCount}, {"mean_s", JsonSeconds(a.CleanMeanS)},
                       {"stdev_s", JsonSeconds(a.CleanStdevS)}}},
                     {"corners", CornersJson(a)},
                     {"ideal_lap_s", JsonSeconds(a.IdealLapS)}};
    if (named) {
        Json reference = nullptr;
        if (against) {
            Json deltas = Json::array();
            for (std::int32_t k = 1; k <= a.LapCount; ++k)
                deltas.push_back(JsonSeconds(a.Lap(k).PreciseS - against->BestS));
            reference = {{"race_key", KeyHex(against->Race)},
                         {"date", DateText(against->DateNs)},
                         {"file", PathText(against->FileName)},
                         {"lap", against->Lap},
                         {"precise_s", JsonSeconds(against->BestS)},
                         {"lap_deltas_s", std::move(deltas)}};
        }
        analysis["reference_race"] = std::move(reference);
    }
    if (file)
        analysis["reference_file"] = ReferenceFileJson(a, *file);
    return analysis;
}

Json ReportJson(const AppState& state, const std::optional<BestLapOfRace>& against, bool named,
                const std::optional<ReferenceFile>& file)
{
    const auto analysis = AnalyseCommittedLaps(state);
    return {{"game", GameJson(state)},
            {"track", TrackJson(state)},
            {"laps", LapsJson(state.Laps)},
            {"analysis", analysis ? AnalysisJson(*analysis, state.Laps, against, named, file) : Json(nullptr)}};
}

// --- The readable report ------------------------------------------------------------------

std::string Int(std::int64_t value)
{
    return IntToText(value);
}

std::string SecondsOrDash(const std::optional<double>& value)
{
    return value ? SecondsText(*value) : std::string("-");
}

std::string KmhOrDash(const std::optional<double>& value)
{
    return value ? FixedText(*value, 1) : std::string("-");
}

std::string LossOrDash(const std::optional<double>& value)
{
    return value ? SignedFixedText(*value, 3) : std::string("-");
}

// The way a corner's loss went: the larger of its entry's and its exit's.
std::string WayOf(const CornerLoss& loss)
{
    return loss.OnTheWayOut ? "on the way out" : "on the way in";
}

// The corners of the lap the comparison shows for the whole race (the lap
// view's fastest lap) against the lap it compares that with (the reference
// lap, or for the reference lap the next fastest): a row per corner with
// the lap's entry, exit and time, the time lost or gained through the
// corner and both laps' slowest speeds; then the three corners where the
// most time went, in words.
std::string ReadableCorners(const LapAnalysis& a, std::int32_t fastestLap)
{
    if (a.Corners.empty()) {
        const std::string why = a.MetresPerPixel ? "the reference lap never slows by " +
                                                       FixedText(kCornerSpeedStepKmh, 0) +
                                                       " km/h and picks up as much again"
                                                 : "the laps have no speed";
        return "\nCorners     none: " + why + "\n";
    }
    const std::int32_t lap = ComparedLap(a, 0, fastestLap);
    const std::int32_t against = DefaultAgainstLap(a, lap);
    const bool alone = against == lap;  // a race of one lap has none to compare with
    const CornerComparison comparison = CompareCorners(a, lap, against);
    std::string out = "\nCorners     lap " + Int(lap) + (alone ? "" : " against lap " + Int(against)) + "\n";
    out += "  corner     entry      exit      time  gain/loss  slowest km/h\n";
    for (std::size_t i = 0; i < comparison.Lap.size(); ++i) {
        const CornerFigures& mine = comparison.Lap[i];
        const std::string cells[] = {Int(static_cast<std::int64_t>(i + 1)), SecondsOrDash(mine.EntryS),
                                     SecondsOrDash(mine.ExitS), SecondsOrDash(mine.TimeS()),
                                     alone ? std::string("-") : LossOrDash(comparison.Deltas[i].TimeS)};
        const std::size_t widths[] = {8, 10, 10, 10, 11};
        for (std::size_t c = 0; c < std::size(cells); ++c)
            out += PadLeft(cells[c], widths[c]);
        out += "  ";
        out += KmhOrDash(mine.MinSpeedKmh);
        if (!alone) {
            out += " against ";
            out += KmhOrDash(comparison.Against[i].MinSpeedKmh);
        }
        out += '\n';
    }
    if (alone)
        return out;

    // Only a loss that shows as one: "+0.000 s" is none.
    const std::string heading = "Most time lost: ";
    std::vector<CornerLoss> losses = MostTimeLost(comparison, 3);
    std::erase_if(losses, [](const CornerLoss& loss) { return !(RoundedValue(loss.TimeS, 3) > 0); });
    if (losses.empty())
        return out + heading + "no corner\n";
    for (std::size_t k = 0; k < losses.size(); ++k) {
        const CornerLoss& loss = losses[k];
        const auto i = static_cast<std::size_t>(loss.Corner - 1);
        out += k == 0 ? heading : std::string(Characters(heading), ' ');
        out += "corner " + Int(loss.Corner) + ", " + SignedFixedText(loss.TimeS, 3) + " s, " + WayOf(loss);
        const auto& slowest = comparison.Lap[i].MinSpeedKmh;
        const auto& theirs = comparison.Against[i].MinSpeedKmh;
        if (slowest && theirs)
            out += " (slowest " + FixedText(*slowest, 1) + " against " + FixedText(*theirs, 1) + " km/h)";
        out += "\n";
    }
    return out;
}

// The analysis as a table of laps under a line of totals, then the corners.
std::string ReadableAnalysis(const LapAnalysis& a, std::int32_t fastestLap)
{
    std::string out = "\nAnalysis    reference lap " + Int(a.ReferenceLap) + ", theoretical best " +
                      SecondsOrDash(a.TheoreticalBestS) + " s, ideal lap " + SecondsOrDash(a.IdealLapS) +
                      " s, clean laps " + Int(a.CleanCount) + " (mean " + SecondsOrDash(a.CleanMeanS) +
                      " s, stdev " + SecondsOrDash(a.CleanStdevS) + " s)\n";
    out += "  lap   precise        S1        S2        S3  top km/h\n";
    for (std::int32_t k = 1; k <= a.LapCount; ++k) {
        const LapFigures& lap = a.Lap(k);
        out += "  ";
        out += PadLeft(Int(k), 3);
        for (const std::string& cell : {SecondsText(lap.PreciseS), SecondsOrDash(lap.SectorsS[0]),
                                        SecondsOrDash(lap.SectorsS[1]), SecondsOrDash(lap.SectorsS[2]),
                                        KmhOrDash(lap.TopSpeedKmh)})
        {
            out += ' ';
            out += PadLeft(cell, 9);
        }
        out += "\n";
    }
    return out + ReadableCorners(a, fastestLap);
}

std::string ReportText(const AppState& state)
{
    const GameData& game = state.Game;
    const TrackData& track = state.Track;
    const MapLabels labels = MapLabelsOfTrack(state);
    std::string out = "Saved game  " + FileNameToUtf8(state.GamePath) + " (" + GroupedNumber(state.GameLength) +
                      " bytes)\n";
    out += "Track       " + FileNameToUtf8(state.TrackPath) + "\n";
    out += "            length " + Int(track.TrackLength) + " m, scale " + Int(track.MapScale) +
           ", water level " + Int(track.WaterLevel) + ", " + Int(track.ObjectCount()) + " objects\n";
    out += "Best time   " + Cp1252ToUtf8(labels.TimeText) + "  " + Cp1252ToUtf8(labels.HolderLine) + "\n";
    out += "Gauges      tyres " + Int(game.TyresPercent) + " %, consumption " + Int(game.ConsumptionPercent) +
           " %, fuel mass " + Int(game.FuelMassKg) + " kg, damage " + Int(game.DamagePercent) + " %, speed " +
           Int(game.SpeedPercent) + " %\n";
    out += "Average AI  " + RealToText(game.AverageAILevel, 2) + "\n\n";
    out += "Drivers\n";
    for (int k = 1; k <= game.DriverCount(); ++k) {
        const auto cells = DriverTableCells(state, k);
        out += "  " + PadRight(cells[0], 3) + " " + PadRight(Cp1252ToUtf8(cells[1]), 16) + " " +
               PadRight(cells[2], 8) + " " + PadRight(Cp1252ToUtf8(cells[3]), 14) + " " + PadLeft(cells[4], 10) +
               "  " + cells[5] + "\n";
    }
    const LapTrace& laps = state.Laps;
    out += "\nLaps        " + Int(laps.LapCount) + "\n";
    for (std::size_t i = 0; i < laps.LapTimes.size(); ++i)
        out += "  " + Int(static_cast<std::int64_t>(i + 1)) + ": " + LapTimeText(laps.LapTimes[i]) + " s\n";
    if (laps.FastestLap != 0)
        out += "Fastest     lap " + LapText(laps, laps.FastestLap) + " s\n";
    if (laps.SlowestLap != 0)
        out += "Slowest     lap " + LapText(laps, laps.SlowestLap) + " s\n";
    if (const auto analysis = AnalyseCommittedLaps(state))
        out += ReadableAnalysis(*analysis, laps.FastestLap);
    return out;
}

// --- The CSV tables --------------------------------------------------------------------------

std::string LapTableCsv(const std::optional<LapAnalysis>& analysis, const LapTrace& laps)
{
    std::string out =
        CsvRow({"lap", "time", "precise_s", "sector1_s", "sector2_s", "sector3_s", "top_speed_kmh", "clean"});
    for (std::int32_t k = 1; analysis && k <= analysis->LapCount; ++k) {
        const LapFigures& lap = analysis->Lap(k);
        out += CsvRow({Int(k), LapTimeOf(laps, k), SecondsText(lap.PreciseS), CsvNumber(lap.SectorsS[0], 3),
                       CsvNumber(lap.SectorsS[1], 3), CsvNumber(lap.SectorsS[2], 3), CsvNumber(lap.TopSpeedKmh, 1),
                       lap.Clean ? "1" : "0"});
    }
    return out;
}

// A row per lap and corner: the entry, the exit, their sum and the slowest
// speed; the header alone for a race without laps or corners.
std::string CornerTableCsv(const std::optional<LapAnalysis>& analysis)
{
    std::string out = CsvRow({"lap", "corner", "entry_s", "exit_s", "time_s", "min_speed_kmh"});
    for (std::int32_t k = 1; analysis && k <= analysis->LapCount; ++k) {
        const std::vector<CornerFigures>& corners = analysis->Lap(k).Corners;
        for (std::size_t i = 0; i < corners.size(); ++i)
            out += CsvRow({Int(k), Int(static_cast<std::int64_t>(i + 1)), CsvNumber(corners[i].EntryS, 3),
                           CsvNumber(corners[i].ExitS, 3), CsvNumber(corners[i].TimeS(), 3),
                           CsvNumber(corners[i].MinSpeedKmh, 1)});
    }
    return out;
}

// --- Running ----------------------------------------------------------------------------------

struct ReportWords {
    std::string game;
    std::string track;
    std::string history;  // the history read for --against-pb; the user's own when empty
    std::string against;  // a lap file to measure the laps against
    bool json = false;
    bool csv = false;
    bool corners = false;  // the CSV's rows are laps in corners
    bool againstPb = false;
};

// The personal best of the race's driver on the track from another race (another
// player's races never count), read from the history
// and never written; the status to end with when the history cannot say.
std::optional<ExitStatus> BestOfOtherRaces(const AppState& state, const std::string& history,
                                           std::optional<BestLapOfRace>& best)
{
    const HistoryOpening opening = OpenHistoryToRead(HistoryPathOf(history));
    if (!opening.Store)
        return HistoryUnavailable(opening.Problem);
    best = opening.Store->BestOfOtherRaces(state.LayoutDigest, state.GameDigest, HumanDriverOf(state));
    if (!best && !opening.Store->LastFailure().message.empty())
        return HistoryUnavailable(opening.Store->LastFailure().message);
    if (!best)
        Say("the history holds no best lap of this track from another race");
    return std::nullopt;
}

}  // namespace

bool LoadToPrint(AppState& state, Toolkit& toolkit, const std::string& game, const std::string& track)
{
    InitAppState(state, toolkit.CurrentFolder());
    if (LoadGameData(state, toolkit, game, track, Naming::AsGiven))
        return true;
    Refused(state.Log.NewestWhole());
    return false;
}

ExitStatus RunReportCommand(const std::vector<std::string>& args)
{
    ReportWords report;
    std::vector<std::string> operands;
    if (const auto ended = ReadCommandWords(args, Command::Report,
                                            {{"--track", report.track}, {"--history", report.history},
                                             {"--against", report.against}},
                                            {{"--json", report.json}, {"--csv", report.csv},
                                             {"--corners", report.corners}, {"--against-pb", report.againstPb}},
                                            operands))
        return *ended;
    if (const auto ended = OneSavedGame(operands, report.game))
        return *ended;
    if (report.json && report.csv)
        return WrongUsage("--json and --csv do not go together");
    if (report.corners && !report.csv)
        return WrongUsage("--corners goes with --csv");
    if (report.againstPb && !report.json)
        return WrongUsage("--against-pb goes with --json");
    if (!report.against.empty() && !report.json)
        return WrongUsage("--against goes with --json");

    // The report needs no window, no font and no image: the load's numbers.
    Toolkit toolkit;
    AppState state;
    if (!LoadToPrint(state, toolkit, report.game, report.track))
        return ExitStatus::InputRefused;
    if (report.csv) {
        const auto analysis = AnalyseCommittedLaps(state);
        std::cout << (report.corners ? CornerTableCsv(analysis) : LapTableCsv(analysis, state.Laps));
    } else if (report.json) {
        std::optional<ReferenceFile> file;
        if (!report.against.empty()) {
            // Refused whole, before anything is printed: a file the reader
            // refuses, or a lap of another track.
            Parsed<LapFile> read = ReadLapFileAt(toolkit, report.against, report.against);
            if (!read.ok())
                return Refused(read.error);
            if (const auto other = OtherTrackReason(*read.value, report.against, state))
                return Refused(*other);
            file = ReferenceFile{report.against, std::move(*read.value)};
        }
        std::optional<BestLapOfRace> best;
        if (report.againstPb) {
            if (const auto ended = BestOfOtherRaces(state, report.history, best))
                return *ended;
        }
        std::cout << JsonText(ReportJson(state, best, report.againstPb, file));
    } else {
        std::cout << ReportText(state);
    }
    return ExitStatus::Ok;
}

}  // namespace vx
