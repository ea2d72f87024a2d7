#include "history/Recording.h"

#include "toolkit/Platform.h"
#include "toolkit/Text.h"

namespace vx {

namespace {

bool Busy(const HistoryStore& store)
{
    return store.LastFailure().kind == DatabaseFailure::Busy;
}

CommittedRecording Unavailable(const HistoryStore& store)
{
    CommittedRecording result;
    result.failed = true;
    result.message = "History unavailable: " + store.LastFailure().message;
    return result;
}

}  // namespace

CommittedRecording RecordCommittedRace(HistoryStore& store, const AppState& state)
{
    CommittedRecording result;
    const std::string name = FileNameToUtf8(FileNamePart(state.GamePath));
    // A race known already is not analysed again: only where it was seen moves.
    bool busy = false;
    if (state.HasGame) {
        const auto again = store.SeenAgain(state.GameDigest, FileNamePart(state.GamePath), FolderPart(state.GamePath));
        if (!again && !Busy(store))
            return Unavailable(store);
        busy = !again;
        if (again && *again) {
            result.message = "Already in the history: " + name;
            return result;
        }
    }
    // The file's date is the race's: a file gone since the load leaves the
    // time of recording instead.
    FileStamp stamp;
    if (const auto found = StampOfPath(state.GamePath))
        stamp = *found;
    else
        stamp.modifiedNs = NowNs();
    std::string whyNot;
    auto record = RaceRecordOf(state, stamp, whyNot);
    if (!record) {
        result.message = "Not recorded in the history: " + name + " (" + whyNot + ")";
        return result;
    }
    if (busy) {
        result.waiting = std::move(*record);
        return result;
    }
    return RecordWaitingRace(store, *record);
}

CommittedRecording RecordWaitingRace(HistoryStore& store, const RaceRecord& race)
{
    CommittedRecording result;
    const auto recorded = store.Record(race);
    if (!recorded) {
        if (!Busy(store))
            return Unavailable(store);
        result.waiting = race;
        return result;
    }
    result.recorded = *recorded == HistoryStore::Recorded::New;
    result.message = (result.recorded ? "Recorded in the history: " : "Already in the history: ") +
                     FileNameToUtf8(race.FileName);
    return result;
}

std::optional<BestLapOfRace> BestBefore(HistoryStore& store, const RaceRecord& race)
{
    return store.BestOfOtherRaces(race.Layout, race.Race, race.Driver);
}

BestLapStanding StandingOf(const RaceRecord& race, const std::optional<BestLapOfRace>& bestBefore, bool kept)
{
    BestLapStanding standing;
    if (bestBefore)
        standing = {BestLapStanding::Kind::OffBest, race.BestS - bestBefore->BestS, bestBefore->BestS};
    if (kept)
        standing.kind = BestLapStanding::Kind::Known;
    else if (bestBefore && standing.gapS < -kPersonalBestTie)
        standing.kind = BestLapStanding::Kind::NewBest;
    else if (bestBefore && standing.gapS <= kPersonalBestTie)
        standing.kind = BestLapStanding::Kind::EqualsBest;
    return standing;
}

}  // namespace vx
