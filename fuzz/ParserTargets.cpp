// The saved-game and track harnesses' work on one file.
#include "FuzzTargets.h"

#include "FuzzCheck.h"
#include "ReplayWalk.h"
#include "formats/GameFile.h"
#include "formats/TrackFile.h"

namespace vx {

void CheckGameInput(std::span<const std::uint8_t> file)
{
    if (static_cast<std::int64_t>(file.size()) > kMaxGameFileBytes)
        return;  // the program refuses such files unread
    const auto length = static_cast<std::int64_t>(file.size());

    const Parsed<GameData> parsed = ParseGameFile(file);
    if (parsed.ok()) {
        const GameData& game = *parsed.value;
        FuzzCheck(parsed.error.empty(), "an accepted file has no reason");
        FuzzCheck(game.DriverCount >= 0 && game.DriverCount <= kMaxDrivers, "0..11 drivers");
        FuzzCheck(game.CurrentTrackIndex >= 0 && game.CurrentTrackIndex < game.TrackListCount,
                  "the raced track is in the list");
        FuzzCheck(game.RaceSummaryBase + 12 <= length, "RaceFlag lies inside the file");
        FuzzCheck(game.AIDriverCount + (game.HumanDriverIndex > 0 ? 1 : 0) <= 6 &&
                      game.HumanDriverIndex <= 6,
                  "kinds come from drivers 1..6");
        for (int k = 0; k <= kMaxDrivers; ++k) {
            const bool used = k >= 1 && k <= game.DriverCount;
            FuzzCheck(game.DriverRows[k].Text().empty() != used, "rows 1..n are filled, no other");
        }
    } else {
        FuzzCheck(!parsed.error.empty(), "a refused file has a reason");
    }
    WalkReplay(file);
}

void CheckTrackInput(std::span<const std::uint8_t> file)
{
    if (static_cast<std::int64_t>(file.size()) > kMaxTrackFileBytes)
        return;  // the program refuses such files unread
    const std::uint8_t* data = file.data();
    const auto length = static_cast<std::int64_t>(file.size());

    const Parsed<TrackData> parsed = ParseTrackFile(file);
    if (parsed.ok()) {
        const TrackData& track = *parsed.value;
        FuzzCheck(parsed.error.empty(), "an accepted file has no reason");
        FuzzCheck(track.MapRunCount >= 0 && track.ObjectCount >= 0 && track.ZoneCount >= 0 &&
                      track.LineCount >= 0,
                  "counts are not negative");
        FuzzCheck(track.MapRunWords == std::int64_t{track.MapRunCount} + 1 &&
                      track.HeightGridBase == kMapRunDataOffset + 2 * track.MapRunWords,
                  "the height grid follows the map words");
        FuzzCheck(track.HeightGridBase + kHeightGridBytes <= length, "the height grid is inside");
        FuzzCheck(track.ObjectTableBase + 2 + kObjectEntryBytes * track.ObjectCount <= length,
                  "the object table is inside");
        FuzzCheck(track.LineTableBase + 1 + kLineEntryBytes * track.LineCount <= length,
                  "the line table is inside");
        FuzzCheck(track.TrackInfoBase >= 4 && std::int64_t{track.TrackInfoBase} + 2 <= length,
                  "the track info is inside");
        FuzzCheck(track.HasLapLine == (track.LineCount > 0), "a lap line exactly with lines");
        FuzzCheck(track.BestTimeName1.size() <= 12 && track.BestTimeName2.size() <= 12 &&
                      track.BestTimeCarNames[0].size() <= 12,
                  "best-time names hold at most 12 characters");

        // Read in place what the map drawing reads.
        std::uint64_t sum = 0;
        for (std::int64_t w = 0; w < track.MapRunWords; ++w)
            sum += data[kMapRunDataOffset + 2 * w] + data[kMapRunDataOffset + 2 * w + 1];
        for (std::int64_t i = 0; i < kHeightGridBytes; ++i)
            sum += data[track.HeightGridBase + i];
        for (std::int64_t i = 0; i < track.ObjectCount; ++i)
            sum += data[track.ObjectTableBase + 2 + kObjectEntryBytes * i + 7];
        volatile std::uint64_t sink = sum;
        (void)sink;
    } else {
        FuzzCheck(!parsed.error.empty(), "a refused file has a reason");
    }
    WalkReplay(file);
}

}  // namespace vx
