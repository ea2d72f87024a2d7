// "vxanalyser samples GAME.gam": every replay sample as a row of CSV, with
// its time, its unrounded map position, its lap, its speed and whether the
// lap view counts it.
#include <iostream>

#include "app/commands/Commands.h"
#include "laps/LapAnalysis.h"
#include "laps/LapTrace.h"
#include "laps/RaceLaps.h"
#include "toolkit/Format.h"
#include "toolkit/Text.h"
#include "trackmap/Geometry.h"

namespace vx {

namespace {

// One row per sample read: sample,time_s,x,y,lap,speed_kmh,on_map. Without a
// map scale the positions are empty.
std::string SampleTableCsv(std::span<const ReplaySample> samples, std::uint8_t mapScale,
                           const std::optional<LapAnalysis>& analysis)
{
    std::string out = CsvRow({"sample", "time_s", "x", "y", "lap", "speed_kmh", "on_map"});
    out.reserve(samples.size() * 40);
    const float scale = SampleScaleOf(mapScale);
    std::int32_t lap = analysis && analysis->LapCount > 0 ? 1 : 0;
    for (std::size_t j = 0; j < samples.size(); ++j) {
        const auto sample = static_cast<std::int64_t>(j);
        while (lap != 0 && sample >= analysis->SampleStarts[static_cast<std::size_t>(lap)])
            lap = lap < analysis->LapCount ? lap + 1 : 0;  // after the last crossing: 0
        std::string x, y;
        bool onMap = false;
        if (scale > 0) {
            const MapPoint p = SampleMapPoint(samples[j], scale);
            x = FixedText(p.x, 2);
            y = FixedText(p.y, 2);
            const auto pixel = SamplePixelOf(samples[j], scale);
            onMap = pixel && InsideMarkerArea(pixel->x, pixel->y);
        }
        out += CsvRow({IntToText(sample), SecondsText(static_cast<double>(sample) * kSampleSeconds), x, y,
                       IntToText(lap), CsvNumber(analysis ? analysis->SpeedAt(sample) : std::nullopt, 1),
                       onMap ? "1" : "0"});
    }
    return out;
}

}  // namespace

ExitStatus RunSamplesCommand(const std::vector<std::string>& args)
{
    std::string game, track;
    std::vector<std::string> operands;
    if (const auto ended = ReadCommandWords(args, Command::Samples, {{"--track", track}}, {}, operands))
        return *ended;
    if (const auto ended = OneSavedGame(operands, game))
        return *ended;

    Toolkit toolkit;
    AppState state;
    if (!LoadToPrint(state, toolkit, game, track))
        return ExitStatus::InputRefused;
    const auto& samples = state.Game.Replay ? state.Game.Replay->Samples : std::vector<ReplaySample>{};
    std::cout << SampleTableCsv(samples, state.Track.MapScale, AnalyseCommittedLaps(state));
    return ExitStatus::Ok;
}

}  // namespace vx
