// When a race is recorded and what is said of it: the step after every
// load that commits, and where a new race's best lap stands against the
// personal best before it.
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
};
CommittedRecording RecordCommittedRace(HistoryStore& store, const AppState& state);

// Where a new race's best lap stands against the personal best of its
// track before it (none: its first race there). The command line and the
// window say it in their own words.
struct BestLapStanding {
    enum class Kind { FirstOnTrack, YourBest, NewBest, EqualsBest, OffBest };
    Kind kind = Kind::FirstOnTrack;
    double gapS = 0;       // the race's best lap less the personal best
    double previousS = 0;  // the personal best
};
BestLapStanding StandingOf(const RaceRecord& race, const std::optional<BestLapOfRace>& previousBest);

}  // namespace vx
