// The speeds the history keeps of races recorded before speeds were chords
// over half a second, worked out again from their saved games: a race whose
// saved game is still where it was seen last, with the race's bytes, gets
// the speeds of the analysis of today; any other keeps those it has (and is
// looked at again the next time). In steps, like adding a folder, so that
// the window keeps answering.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "history/HistoryStore.h"
#include "state/AppState.h"

namespace vx {

class KeptSpeedsRedo {
public:
    explicit KeptSpeedsRedo(HistoryStore& store);
    ~KeptSpeedsRedo();
    KeptSpeedsRedo(const KeptSpeedsRedo&) = delete;
    KeptSpeedsRedo& operator=(const KeptSpeedsRedo&) = delete;

    // Looks at the next race: false once none is left, or when the history
    // failed (StoreFailure).
    bool Step();
    // Every step at once.
    void RunAll()
    {
        while (Step()) {
        }
    }

    std::size_t Redone() const { return redone_; }
    // Races whose saved game is gone or changed: their speeds stay.
    std::size_t Kept() const { return kept_; }
    const std::string& StoreFailure() const { return storeFailure_; }

private:
    HistoryStore& store_;
    std::unique_ptr<Toolkit> toolkit_;
    AppState state_;  // the load of one saved game after another, never drawn
    std::vector<ProgressRow> races_;
    std::size_t next_ = 0;
    std::size_t redone_ = 0, kept_ = 0;
    std::string storeFailure_;
};

}  // namespace vx
