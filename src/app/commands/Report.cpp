#include "app/commands/Report.h"

#include <optional>
#include <vector>

#include "laps/AnalysisText.h"
#include "laps/DriverTable.h"
#include "laps/LapView.h"
#include "toolkit/Format.h"
#include "toolkit/Text.h"
#include "trackmap/MapDrawing.h"

namespace vx {

std::string JsonString(const std::string& text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (byte < 0x20) {
                out += "\\u00";
                out += kHex[byte >> 4];
                out += kHex[byte & 15];
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

namespace {

// Texts from the files (Windows-1252) and paths from the system.
std::string JsonText(const std::string& raw)
{
    return JsonString(Cp1252ToUtf8(raw));
}

std::string JsonPath(const std::string& path)
{
    return JsonString(FileNameToUtf8(path));
}

std::string Int(std::int64_t value)
{
    return IntToText(value);
}

// The text in a column of at least width bytes, filled with spaces after it
// (PadRight) or before it (PadLeft); a longer text keeps its length.
std::string PadRight(const std::string& text, std::size_t width)
{
    return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

std::string PadLeft(const std::string& text, std::size_t width)
{
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

std::vector<std::string> LapTimes(const AppState& state)
{
    std::vector<std::string> times;
    for (const std::int64_t time : state.Laps.LapTimes)
        times.push_back(LapTimeText(time));
    return times;
}

// The analysis as a table of laps under a line of totals.
std::string ReadableAnalysis(const LapAnalysis& a)
{
    const auto seconds = [](const std::optional<double>& value) {
        return value ? FixedText(*value, 3) : std::string("-");
    };
    std::string out = "\nAnalysis    reference lap " + Int(a.ReferenceLap) + ", theoretical best " +
                      seconds(a.TheoreticalBestS) + " s, clean laps " + Int(a.CleanCount) + " (mean " +
                      seconds(a.CleanMeanS) + " s, stdev " + seconds(a.CleanStdevS) + " s)\n";
    out += "  lap   precise        S1        S2        S3  top km/h\n";
    for (std::int32_t k = 1; k <= a.LapCount; ++k) {
        const LapFigures& lap = a.Lap(k);
        out += "  ";
        out += PadLeft(Int(k), 3);
        for (const std::string& cell : {FixedText(lap.PreciseS, 3), seconds(lap.SectorsS[0]),
                                        seconds(lap.SectorsS[1]), seconds(lap.SectorsS[2]),
                                        lap.TopSpeedKmh ? FixedText(*lap.TopSpeedKmh, 1) : std::string("-")})
        {
            out += ' ';
            out += PadLeft(cell, 9);
        }
        out += "\n";
    }
    return out;
}

// The report's JSON; with named, the analysis names the race it is measured
// against too.
std::string JsonReport(const AppState& state, const std::optional<BestLapOfRace>& against, bool named)
{
    const GameData& game = state.Game;
    const TrackData& track = state.Track;
    const MapLabels labels = MapLabelsOfTrack(state);
    std::string out = "{\n";
    out += "  \"game\": { \"path\": " + JsonPath(state.GamePath) + ", \"bytes\": " + Int(state.GameLength) +
           ", \"track_file_name\": " + JsonText(game.TrackFileName) + ", \"race_flag\": " + Int(game.RaceFlag) +
           ", \"average_ai_level\": " + JsonText(RealToText(game.AverageAILevel, 2)) + ",\n";
    out += "            \"gauges\": { \"tyres\": " + Int(game.TyresPercent) +
           ", \"consumption\": " + Int(game.ConsumptionPercent) + ", \"fuel_mass_kg\": " + Int(game.FuelMassKg) +
           ", \"damage\": " + Int(game.DamagePercent) + ", \"speed\": " + Int(game.SpeedPercent) + " },\n";
    out += "            \"drivers\": [";
    for (int k = 1; k <= game.DriverCount(); ++k) {
        out += (k == 1 ? "\n" : ",\n");
        out += "              { \"row\": " + JsonText(DriverRowText(game.Drivers[static_cast<std::size_t>(k - 1)])) +
               ", \"cells\": [";
        const auto cells = DriverTableCells(state, k);
        for (std::size_t c = 0; c < cells.size(); ++c)
            out += (c == 0 ? "" : ", ") + JsonText(cells[c]);
        out += "] }";
    }
    out += game.DriverCount() > 0 ? "\n            ] },\n" : "] },\n";
    out += "  \"track\": { \"path\": " + JsonPath(state.TrackPath) + ", \"length_m\": " + Int(track.TrackLength) +
           ", \"map_scale\": " + Int(track.MapScale) + ", \"water_level\": " + Int(track.WaterLevel) +
           ", \"object_count\": " + Int(track.ObjectCount()) + ",\n";
    out += "             \"lap_line\": [" + Int(track.LapLineX1) + ", " + Int(track.LapLineY1) + ", " +
           Int(track.LapLineX2) + ", " + Int(track.LapLineY2) + "]" +
           ", \"best_time_text\": " + JsonText(labels.TimeText) + ", \"holder_line\": " +
           JsonText(labels.HolderLine) + ", \"picture_name\": " + JsonText(labels.PictureName) + " },\n";
    const LapTrace& laps = state.Laps;
    out += "  \"laps\": { \"count\": " + Int(laps.LapCount) + ", \"times\": [";
    const auto times = LapTimes(state);
    for (std::size_t i = 0; i < times.size(); ++i)
        out += (i == 0 ? "" : ", ") + JsonText(times[i]);
    out += "],\n            \"fastest\": " + JsonText(LapText(laps, laps.FastestLap)) +
           ", \"slowest\": " + JsonText(LapText(laps, laps.SlowestLap)) + ", \"start_point\": ";
    out += laps.StartPoint ? "[" + Int(laps.StartPoint->x) + ", " + Int(laps.StartPoint->y) + "]"
                           : std::string("null");
    out += " },\n";
    const auto analysis = AnalyseCommittedLaps(state);
    std::string reference;
    if (named) {
        reference = "\"reference_race\": ";
        if (!against || !analysis) {
            reference += "null";
        } else {
            reference += "{ \"race_key\": \"" + KeyHex(against->Race) + "\", \"date\": \"" +
                         DateText(against->DateNs) + "\", \"file\": " + JsonPath(against->FileName) +
                         ", \"lap\": " + Int(against->Lap) + ", \"precise_s\": " + FixedText(against->BestS, 3) +
                         ",\n      \"lap_deltas_s\": [";
            for (std::int32_t k = 1; k <= analysis->LapCount; ++k)
                reference += (k == 1 ? "" : ", ") + FixedText(analysis->Lap(k).PreciseS - against->BestS, 3);
            reference += "] }";
        }
    }
    out += "  \"analysis\": " + AnalysisJson(analysis, laps, "  ", reference) + "\n}\n";
    return out;
}

}  // namespace

std::string ReportJson(const AppState& state)
{
    return JsonReport(state, std::nullopt, false);
}

std::string ReportJson(const AppState& state, const std::optional<BestLapOfRace>& against)
{
    return JsonReport(state, against, true);
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
    const auto times = LapTimes(state);
    for (std::size_t i = 0; i < times.size(); ++i)
        out += "  " + Int(static_cast<std::int64_t>(i + 1)) + ": " + times[i] + " s\n";
    if (laps.FastestLap != 0)
        out += "Fastest     lap " + LapText(laps, laps.FastestLap) + " s\n";
    if (laps.SlowestLap != 0)
        out += "Slowest     lap " + LapText(laps, laps.SlowestLap) + " s\n";
    if (const auto analysis = AnalyseCommittedLaps(state))
        out += ReadableAnalysis(*analysis);
    return out;
}

}  // namespace vx
