#include "app/windows/LapFileOpening.h"

#include <utility>

#include "history/RaceRecord.h"
#include "load/LoadFiles.h"
#include "toolkit/Text.h"
#include "trackmap/MapPicture.h"

namespace vx {

void LapFileOpening::Open(AppState& state, Toolkit& toolkit, const std::string& path, int window)
{
    const std::string name = FileNamePart(path);
    Parsed<LapFile> read = ReadLapFileAt(toolkit, path, name);
    if (!read.ok()) {
        // Refused before anything changed: a lap already waiting still waits.
        SayFailure(state, toolkit, window, read.error);
        return;
    }
    LapFile& lap = *read.value;
    keep_(state, toolkit, lap, name);
    if (ShowsTrackOf(state, lap)) {
        waiting_.reset();
        compare_(state, toolkit, lap, name);
        return;
    }
    LogMessage(state, toolkit, LoadTrackOfLapMessage(state, lap, name));
    waiting_ = OpenedLap{std::move(lap), name};
}

void LapFileOpening::AnalysisCommitted(AppState& state, Toolkit& toolkit)
{
    if (!waiting_ || !ShowsTrackOf(state, waiting_->lap))
        return;
    const OpenedLap opened = std::move(*waiting_);
    waiting_.reset();
    compare_(state, toolkit, opened.lap, opened.name);
}

bool ShowsTrackOf(const AppState& state, const LapFile& lap)
{
    return state.HasGame && state.HasTrack && state.LayoutDigest == lap.Layout;
}

std::string LoadTrackOfLapMessage(const AppState& state, const LapFile& lap, const std::string& name)
{
    // Two tracks may bear one name: the one shown is then not the lap's.
    const bool sameName =
        state.HasTrack && SameIgnoringLetterCase(Cp1252ToUtf8(TrackNameOf(state.TrackFileName)), lap.TrackName);
    const std::string track = sameName ? lap.TrackName + " (layout " + KeyHex(lap.Layout).substr(0, 8) + ")"
                                       : lap.TrackName;
    return name + " is a lap of " + track + ": load a race of " + track + " to compare against it";
}

}  // namespace vx
