// When a race is recorded and what is said of it: the step after every
// load that commits, and where a race's best lap stands against its
// driver's best before it.
#pragma once

#include <optional>
#include <string>

#include "history/HistoryStore.h"
#include "state/AppState.h"

namespace vx {

// The window's step after a load that committed: records its race, dated by
// the saved game's file. The message says what happened (or why nothing).
struct CommittedRecording {
    bool recorded = false;      // new in the history
    bool failed = false;        // the history could not record it
    std::string message;
    // Another program held the history's lock (failed is false): the race
    // to record once it lets go, nothing said yet.
    std::optional<RaceRecord> waiting;
};
CommittedRecording RecordCommittedRace(HistoryStore& store, const AppState& state);
// A race that waited, recorded now: the same outcome, waiting again while
// the lock is still held.
CommittedRecording RecordWaitingRace(HistoryStore& store, const RaceRecord& race);

// "Your best before this race", the one figure a race is measured against
// (following on the command line and in the window alike): the personal
// best of the race's driver on its layout set by another race than this one.
// Never the race itself, whether or not the history holds it already. None
// without another race of the driver there (or on failure: the store's
// LastFailure tells).
std::optional<BestLapOfRace> BestBefore(HistoryStore& store, const RaceRecord& race);

// Where a race's best lap stands against the best before it. A race the
// history held before it was loaded (kept) is Known, never new; the command
// line and the window say it in their own words.
struct BestLapStanding {
    enum class Kind { FirstOnTrack, Known, NewBest, EqualsBest, OffBest };
    Kind kind = Kind::FirstOnTrack;
    double gapS = 0;       // the race's best lap less the best before it
    double previousS = 0;  // the best before it
};
BestLapStanding StandingOf(const RaceRecord& race, const std::optional<BestLapOfRace>& bestBefore, bool kept);

}  // namespace vx
