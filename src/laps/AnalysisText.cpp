#include "laps/AnalysisText.h"

#include <cmath>

#include "laps/LapTrace.h"
#include "toolkit/Format.h"
#include "toolkit/Text.h"
#include "trackmap/Geometry.h"

namespace vx {

namespace {

constexpr const char* kCrLf = "\r\n";

std::string JsonNumber(const std::optional<double>& value, int decimals)
{
    return value ? FixedText(*value, decimals) : "null";
}

std::string CsvNumber(const std::optional<double>& value, int decimals)
{
    return value ? FixedText(*value, decimals) : "";
}

std::string LapTimeOf(const LapTrace& laps, std::int32_t lap)
{
    const auto i = static_cast<std::size_t>(lap - 1);
    return i < laps.LapTimes.size() ? LapTimeText(laps.LapTimes[i]) : "";
}

std::string Point(MapPoint p)
{
    return FixedText(p.x, 2) + ", " + FixedText(p.y, 2);
}

}  // namespace

std::string AnalysisJson(const std::optional<LapAnalysis>& analysis, const LapTrace& laps,
                         const std::string& indent, const std::string& more)
{
    if (!analysis)
        return "null";
    const LapAnalysis& a = *analysis;
    const std::string in = indent + "  ";
    std::string out = "{\n" + in + "\"crossings_s\": [";
    for (std::size_t i = 0; i < a.CrossingsS.size(); ++i)
        out += (i == 0 ? "" : ", ") + FixedText(a.CrossingsS[i], 3);
    out += "],\n" + in + "\"reference_lap\": " + IntToText(a.ReferenceLap) + ",\n";
    out += in + "\"gates\": ";
    if (a.Gates) {
        out += "[[" + Point((*a.Gates)[0].End1) + ", " + Point((*a.Gates)[0].End2) + "], [" +
               Point((*a.Gates)[1].End1) + ", " + Point((*a.Gates)[1].End2) + "]]";
    } else {
        out += "null";
    }
    out += ",\n" + in + "\"metres_per_pixel\": " + JsonNumber(a.MetresPerPixel, 4) + ",\n";
    out += in + "\"laps\": [";
    for (std::int32_t k = 1; k <= a.LapCount; ++k) {
        const LapFigures& lap = a.Lap(k);
        out += (k == 1 ? "\n" : ",\n") + in + "  { \"lap\": " + IntToText(k) + ", \"time\": \"" +
               LapTimeOf(laps, k) + "\", \"precise_s\": " + FixedText(lap.PreciseS, 3) +
               ", \"sectors_s\": [" + JsonNumber(lap.SectorsS[0], 3) + ", " +
               JsonNumber(lap.SectorsS[1], 3) + ", " + JsonNumber(lap.SectorsS[2], 3) +
               "], \"top_speed_kmh\": " + JsonNumber(lap.TopSpeedKmh, 1) +
               ", \"clean\": " + (lap.Clean ? "true" : "false") + " }";
    }
    out += "\n" + in + "],\n";
    out += in + "\"best_sectors_s\": [" + JsonNumber(a.BestSectorsS[0], 3) + ", " +
           JsonNumber(a.BestSectorsS[1], 3) + ", " + JsonNumber(a.BestSectorsS[2], 3) + "],\n";
    out += in + "\"theoretical_best_s\": " + JsonNumber(a.TheoreticalBestS, 3) + ",\n";
    out += in + "\"clean_laps\": { \"count\": " + IntToText(a.CleanCount) +
           ", \"mean_s\": " + JsonNumber(a.CleanMeanS, 3) +
           ", \"stdev_s\": " + JsonNumber(a.CleanStdevS, 3) + " }" + (more.empty() ? "" : ",") + "\n";
    if (!more.empty())
        out += in + more + "\n";
    return out + indent + "}";
}

std::string LapTableCsv(const std::optional<LapAnalysis>& analysis, const LapTrace& laps)
{
    std::string out = "lap,time,precise_s,sector1_s,sector2_s,sector3_s,top_speed_kmh,clean";
    out += kCrLf;
    if (!analysis)
        return out;
    for (std::int32_t k = 1; k <= analysis->LapCount; ++k) {
        const LapFigures& lap = analysis->Lap(k);
        out += IntToText(k) + "," + LapTimeOf(laps, k) + "," + FixedText(lap.PreciseS, 3) + "," +
               CsvNumber(lap.SectorsS[0], 3) + "," + CsvNumber(lap.SectorsS[1], 3) + "," +
               CsvNumber(lap.SectorsS[2], 3) + "," + CsvNumber(lap.TopSpeedKmh, 1) + "," +
               (lap.Clean ? "1" : "0") + kCrLf;
    }
    return out;
}

std::string SampleTableCsv(std::span<const ReplaySample> samples, std::uint8_t mapScale,
                           const std::optional<LapAnalysis>& analysis)
{
    std::string out = "sample,time_s,x,y,lap,speed_kmh,on_map";
    out += kCrLf;
    out.reserve(samples.size() * 40);
    const float scale = SampleScaleOf(mapScale);
    std::int32_t lap = analysis && analysis->LapCount > 0 ? 1 : 0;
    for (std::size_t j = 0; j < samples.size(); ++j) {
        const auto sample = static_cast<std::int64_t>(j);
        while (lap != 0 && sample >= analysis->SampleStarts[static_cast<std::size_t>(lap)])
            lap = lap < analysis->LapCount ? lap + 1 : 0;  // after the last crossing: 0
        out += IntToText(sample) + "," + FixedText(static_cast<double>(sample) * kSampleSeconds, 3) + ",";
        bool onMap = false;
        if (scale > 0) {
            const MapPoint p = SampleMapPoint(samples[j], scale);
            out += FixedText(p.x, 2) + "," + FixedText(p.y, 2) + ",";
            const auto pixel = SamplePixelOf(samples[j], scale);
            onMap = pixel && InsideMarkerArea(pixel->x, pixel->y);
        } else {
            out += ",,";
        }
        out += IntToText(lap) + "," + CsvNumber(analysis ? analysis->SpeedAt(sample) : std::nullopt, 1) +
               "," + (onMap ? "1" : "0") + kCrLf;
    }
    return out;
}

}  // namespace vx
