// libFuzzer harness of the saved-game parser and the replay search.
#include "FuzzCheck.h"
#include "ReplayWalk.h"
#include "formats/GameFile.h"

#include <cstddef>
#include <cstdint>
#include <span>

using namespace vx;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (static_cast<std::int64_t>(size) > kMaxGameFileBytes)
        return 0;  // the program refuses such files unread
    const std::span<const std::uint8_t> file(data, size);
    const auto length = static_cast<std::int64_t>(size);

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
    return 0;
}
