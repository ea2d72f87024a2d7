#include "history/KeptSpeeds.h"

#include <limits>

#include "load/LoadWorkflow.h"
#include "toolkit/NoWindows.h"

namespace vx {

KeptSpeedsRedo::KeptSpeedsRedo(HistoryStore& store) : store_(store)
{
    // A toolkit of its own, without windows: a saved game whose track is not
    // found asks nobody, and the program's windows keep their events.
    toolkit_ = std::make_unique<Toolkit>(Platform{.files = SystemFiles(), .windows = NoWindowSystem()});
    InitAppState(state_, toolkit_->CurrentFolder());
    if (auto races = store_.RacesWithOldSpeeds(std::numeric_limits<std::size_t>::max()))
        races_ = std::move(*races);
    else
        storeFailure_ = store_.LastFailure().message;
}

KeptSpeedsRedo::~KeptSpeedsRedo() = default;

bool KeptSpeedsRedo::Step()
{
    if (!storeFailure_.empty() || next_ >= races_.size())
        return false;
    const ProgressRow& race = races_[next_++];
    // Read only when the file is still the race's (its size and time, or
    // its bytes), and kept only when the bytes read are the race's.
    if (RaceFileOf(race) != RaceFile::There ||
        !LoadGameData(state_, *toolkit_, race.Folder + race.FileName) || state_.GameDigest != race.Race) {
        ++kept_;
        return true;
    }
    FileStamp stamp;
    stamp.modifiedNs = race.DateNs;
    std::string whyNot;
    const auto record = RaceRecordOf(state_, stamp, whyNot);
    if (!record) {
        ++kept_;
        return true;
    }
    if (!store_.RedoSpeeds(*record)) {
        storeFailure_ = store_.LastFailure().message;
        return false;
    }
    ++redone_;
    return true;
}

}  // namespace vx
