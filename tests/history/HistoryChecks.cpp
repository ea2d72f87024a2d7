#include "history/HistoryChecks.h"

#include "history/HistoryStore.h"

namespace vx::test {

testing::AssertionResult EveryRaceWhole(const std::string& path, int& races)
{
    races = 0;
    HistoryOpening opening = OpenHistory(path, true);
    if (!opening.Store || !opening.SetAsideTo.empty())
        return testing::AssertionFailure() << "the history does not open whole: " << opening.Problem;
    HistoryStore& store = *opening.Store;
    const auto tracks = store.Tracks();
    if (!tracks)
        return testing::AssertionFailure() << store.LastFailure().message;
    for (const TrackSummary& track : *tracks) {
        const auto rows = store.Progress(track.Layout);
        if (!rows || static_cast<int>(rows->size()) != track.Races)
            return testing::AssertionFailure() << "the progress of " << track.Name << " is not its races";
        for (const ProgressRow& row : *rows) {
            const auto laps = store.Laps(row.Race);
            const auto path = store.BestLapPath(row.Race);
            if (!laps || static_cast<int>(laps->size()) != row.Laps)
                return testing::AssertionFailure() << "race " << KeyHex(row.Race) << " lacks laps";
            for (std::size_t k = 0; k < laps->size(); ++k)
                if ((*laps)[k].Lap != static_cast<int>(k) + 1)
                    return testing::AssertionFailure() << "race " << KeyHex(row.Race) << " lacks lap " << k + 1;
            if (!path || path->size() < 2)
                return testing::AssertionFailure() << "race " << KeyHex(row.Race) << " lacks its best lap's path";
            ++races;
        }
    }
    return testing::AssertionSuccess();
}

}  // namespace vx::test
