// A lap file opened with the program: given on the command line
// ("vxanalyser lap.vxlap", as the desktop opens it), passed by a later start
// to the window already open, or dropped on the main window. The file is
// read and checked before anything changes (a refused one changes nothing
// and is said with its reason); a sound one is kept in the race history and,
// when a race of its track is shown, compared against. Otherwise the log says
// which track to load, and the lap waits: the next race of its track that
// the window loads (by "Load", a drop, the history or a followed folder) is
// compared against it.
//
// What keeping and comparing do is the history's and the comparison's (the
// application hands them over as steps); this module decides when.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "formats/LapFile.h"
#include "state/AppState.h"

namespace vx {

class LapFileOpening final : public SideWindow {
public:
    // What is done with a sound lap file's lap: kept, then (on its track)
    // compared against. name is the file's name as the log gives it.
    using LapStep = std::function<void(AppState&, Toolkit&, const LapFile& lap, const std::string& name)>;

    LapFileOpening(LapStep keep, LapStep compare) : keep_(std::move(keep)), compare_(std::move(compare)) {}

    // Reads the lap file at path and goes on as above; a refusal is said in
    // the log and in front of window (NoWindow: the log alone).
    void Open(AppState& state, Toolkit& toolkit, const std::string& path, int window);

    void LapShown(const AppState&, Toolkit&) override {}
    // A race of the waiting lap's track is compared against it.
    void AnalysisCommitted(AppState& state, Toolkit& toolkit) override;

    // The file whose lap waits for a race of its track ("" for none).
    std::string Waiting() const { return waiting_ ? waiting_->name : std::string(); }

private:
    struct OpenedLap {
        LapFile lap;
        std::string name;
    };
    LapStep keep_;
    LapStep compare_;
    std::optional<OpenedLap> waiting_;
};

// Whether the race shown is on the lap's track: the same layout key.
bool ShowsTrackOf(const AppState& state, const LapFile& lap);

// "lap.vxlap is a lap of Oval: load a race of Oval to compare against it";
// when the race shown is on another layout of a track of the same name, the
// lap's layout key (its first 8 digits) is named too.
std::string LoadTrackOfLapMessage(const AppState& state, const LapFile& lap, const std::string& name);

}  // namespace vx
