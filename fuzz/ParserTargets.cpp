// The saved-game, track and lap-file harnesses' work on one file.
#include "FuzzTargets.h"

#include "FuzzCheck.h"
#include "ReplayWalk.h"

#include <string>
#include <string_view>
#include "formats/GameFile.h"
#include "formats/LapFile.h"
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
        FuzzCheck(game.DriverCount() >= 0 && game.DriverCount() <= kMaxDrivers, "0..11 drivers");
        FuzzCheck(game.CurrentTrackIndex >= 0 && game.CurrentTrackIndex < game.TrackListCount,
                  "the raced track is in the list");
        FuzzCheck(game.RaceSummaryBase + 12 <= length, "RaceFlag lies inside the file");
        FuzzCheck(game.AIDriverCount + (game.HumanDriverIndex > 0 ? 1 : 0) <= 6 &&
                      game.HumanDriverIndex <= 6,
                  "kinds come from drivers 1..6");
        for (int k = 1; k <= game.DriverCount(); ++k)
            FuzzCheck(game.Drivers[static_cast<std::size_t>(k - 1)].Named == (k <= 6),
                      "drivers 1..6 have a name and a kind, no other");
        FuzzCheck(game.Replay == FindReplayBlock(file), "the replay is the one the search finds");
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
        FuzzCheck(track.MapRunCount >= 0 && track.ZoneCount >= 0 && track.LineCount >= 0,
                  "counts are not negative");
        const auto words = std::ssize(track.MapRuns);
        FuzzCheck(words == std::int64_t{track.MapRunCount} + 1 &&
                      track.HeightGridBase == kMapRunDataOffset + 2 * words,
                  "the height grid follows the map words");
        FuzzCheck(track.HeightGridBase + kHeightGridBytes <= length, "the height grid is inside");
        FuzzCheck(track.ObjectTableBase + 2 + kObjectEntryBytes * track.ObjectCount() <= length,
                  "the object table is inside");
        FuzzCheck(track.LineTableBase + 1 + kLineEntryBytes * track.LineCount <= length,
                  "the line table is inside");
        FuzzCheck(track.TrackInfoBase >= 4 && std::int64_t{track.TrackInfoBase} + 2 <= length,
                  "the track info is inside");
        FuzzCheck(track.HasLapLine == (track.LineCount > 0), "a lap line exactly with lines");
        FuzzCheck(track.BestTimeName1.size() <= 12 && track.BestTimeName2.size() <= 12 &&
                      track.BestTimeCarName.size() <= 12,
                  "best-time names hold at most 12 characters");
        // The decoded tables are the bytes the file holds there.
        FuzzCheck(words == 0 || track.MapRuns.back() == (data[kMapRunDataOffset + 2 * words - 2] |
                                                         data[kMapRunDataOffset + 2 * words - 1] << 8),
                  "the last map word is decoded");
        FuzzCheck(track.HeightGrid[4095] == data[track.HeightGridBase + 4095],
                  "the last height is decoded");
        FuzzCheck(track.ObjectCount() == 0 ||
                      track.Objects.back().Heading ==
                          data[track.ObjectTableBase + 2 + kObjectEntryBytes * (track.ObjectCount() - 1) + 7],
                  "the last object is decoded");
    } else {
        FuzzCheck(!parsed.error.empty(), "a refused file has a reason");
    }
    WalkReplay(file);
}

void CheckLapFileInput(std::span<const std::uint8_t> file)
{
    constexpr std::string_view kName = "fuzz.vxlap";
    const Parsed<LapFile> parsed = ReadLapFile(file, kName);
    if (!parsed.ok()) {
        FuzzCheck(parsed.error.starts_with(std::string(kName) + " "), "a refusal begins with the file's name");
        FuzzCheck(parsed.error.find('\n') == std::string::npos && parsed.error.find('\r') == std::string::npos,
                  "a refusal is one line");
        FuzzCheck(parsed.error.size() < 400, "a refusal is short");
        return;
    }
    const LapFile& lap = *parsed.value;
    FuzzCheck(parsed.error.empty(), "an accepted file has no reason");
    FuzzCheck(!LapFault(lap), "an accepted lap keeps every rule");
    FuzzCheck(lap.Path.size() >= kMinLapVertices && lap.Path.size() <= kMaxLapVertices,
              "a path of 2 to 50,000 vertices");
    FuzzCheck(lap.Path.front().T == 0, "a path starts at 0 s");
    // What is read can be sent on: written again, it is read again, and
    // written from there it is the same text.
    const std::string text = WriteLapFile(lap);
    const Parsed<LapFile> again = ReadLapFile(
        {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}, kName);
    FuzzCheck(again.ok(), "an accepted lap written again is read again");
    FuzzCheck(again.value->Path.size() == lap.Path.size() && again.value->Driver == lap.Driver &&
                  again.value->PreciseS == lap.PreciseS,
              "a lap written again keeps its path, driver and precise time");
    FuzzCheck(WriteLapFile(*again.value) == text, "a lap read back is written as it was");
}

}  // namespace vx
