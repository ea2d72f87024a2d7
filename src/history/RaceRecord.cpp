#include "history/RaceRecord.h"

#include <chrono>

#include "laps/CompareFigures.h"
#include "laps/LapView.h"
#include "toolkit/Text.h"
#include "trackmap/MapPicture.h"

namespace vx {

std::string KeyHex(std::span<const std::uint8_t> key)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(key.size() * 2);
    for (const std::uint8_t byte : key) {
        hex.push_back(kDigits[byte >> 4]);
        hex.push_back(kDigits[byte & 15]);
    }
    return hex;
}

std::optional<std::string> ParseKeyPrefix(std::string_view text, std::size_t minimum)
{
    if (text.size() < minimum || text.size() > 64)
        return std::nullopt;
    std::string digits;
    for (const char c : text) {
        if (c >= '0' && c <= '9')
            digits.push_back(c);
        else if (c >= 'a' && c <= 'f')
            digits.push_back(c);
        else if (c >= 'A' && c <= 'F')
            digits.push_back(static_cast<char>(c - 'A' + 'a'));
        else
            return std::nullopt;
    }
    return digits;
}

std::pair<Sha256Digest, Sha256Digest> KeyRangeOf(const std::string& hexPrefix)
{
    // The prefix filled up with zero digits, and filled up with f digits.
    Sha256Digest low{}, high{};
    high.fill(0xff);
    for (std::size_t i = 0; i < hexPrefix.size() && i < 64; ++i) {
        const char c = hexPrefix[i];
        const int nibble = c <= '9' ? c - '0' : c - 'a' + 10;
        const std::size_t byte = i / 2;
        if (i % 2 == 0) {
            low[byte] = static_cast<std::uint8_t>(nibble << 4);
            high[byte] = static_cast<std::uint8_t>(nibble << 4 | 0x0f);
        } else {
            low[byte] = static_cast<std::uint8_t>(low[byte] | nibble);
            high[byte] = static_cast<std::uint8_t>((high[byte] & 0xf0) | nibble);
        }
    }
    return {low, high};
}

std::int64_t NowNs()
{
    using namespace std::chrono;
    return duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count();
}

std::string HumanDriverOf(const AppState& state)
{
    const GameData& game = state.Game;
    if (!state.HasGame || game.HumanDriverIndex < 1 || game.HumanDriverIndex > game.Drivers.size())
        return {};
    return Cp1252ToUtf8(game.Drivers[game.HumanDriverIndex - 1u].Name);
}

std::optional<RaceRecord> RaceRecordOf(const AppState& state, const FileStamp& gameStamp,
                                       std::string& whyNot)
{
    if (!state.HasGame || !state.HasTrack) {
        whyNot = "no saved game";
        return std::nullopt;
    }
    const auto analysis = AnalyseCommittedLaps(state);
    if (!analysis || analysis->LapCount == 0) {
        whyNot = state.Track.MapScale == 0 && state.Laps.LapCount == 0
                     ? "the track has no map scale, so the race has no lap"
                     : "the race has no lap";
        return std::nullopt;
    }
    const GameData& game = state.Game;
    const TrackData& track = state.Track;
    RaceRecord record;
    record.Race = state.GameDigest;
    record.Layout = state.LayoutDigest;
    record.TrackName = Cp1252ToUtf8(TrackNameOf(state.TrackFileName));
    record.FileName = FileNamePart(state.GamePath);
    record.Folder = FolderPart(state.GamePath);
    record.DateNs = gameStamp.modifiedNs;
    record.FileSize = state.GameLength;
    record.Driver = HumanDriverOf(state);
    if (game.HumanDriverIndex >= 1 && game.HumanDriverIndex <= game.Drivers.size())
        record.Car = Cp1252ToUtf8(game.Drivers[game.HumanDriverIndex - 1u].CarName);
    record.RaceFlag = game.RaceFlag;
    for (std::int32_t k = 1; k <= analysis->LapCount; ++k) {
        const LapFigures& figures = analysis->Lap(k);
        RaceLap lap;
        lap.Lap = k;
        lap.ViewTime = state.Laps.LapTimes[static_cast<std::size_t>(k - 1)];
        lap.PreciseS = figures.PreciseS;
        lap.SectorsS = figures.SectorsS;
        lap.TopSpeedKmh = figures.TopSpeedKmh;
        lap.Clean = figures.Clean;
        record.Laps.push_back(lap);
    }
    record.BestLap = analysis->ReferenceLap;
    record.BestS = analysis->Lap(analysis->ReferenceLap).PreciseS;
    LapProfile best = ProfileOf(*analysis, analysis->ReferenceLap);
    record.BestPath = std::move(best.Path);
    record.BestSpeedsKmh = std::move(best.SpeedKmh);
    record.CleanLaps = analysis->CleanCount;
    record.CleanMeanS = analysis->CleanMeanS;
    record.RecordTime = track.BestTime1;
    record.RecordDriver = Cp1252ToUtf8(track.BestTimeName1);
    record.RecordCar = Cp1252ToUtf8(track.BestTimeCarName);
    return record;
}

}  // namespace vx
