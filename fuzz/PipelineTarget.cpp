// The pipeline harness's work on one input: what "Load" does once the
// requesters have answered, then the lap navigation.
#include "FuzzTargets.h"
#include "laps/LapNavigation.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "FuzzCheck.h"
#include "app/windows/CompareWindow.h"
#include "app/windows/MainWindow.h"
#include "laps/CompareFigures.h"
#include "laps/LapTrace.h"
#include "load/LoadFiles.h"
#include "load/LoadWorkflow.h"
#include "toolkit/Text.h"

namespace vx {

namespace {

std::vector<std::uint32_t> Pixels(const Image* image)
{
    if (image == nullptr)
        return {};
    return {image->Words(),
            image->Words() + static_cast<std::size_t>(image->Width()) * image->Height()};
}

bool IsMapSized(const Image* image)
{
    return image != nullptr && image->Width() == 512 && image->Height() == 560;
}

}  // namespace

PipelineSession::PipelineSession()
    : toolkit_(std::make_unique<Toolkit>()), app_(std::make_unique<Application>(*toolkit_))
{
    app_->StartUp();
}

// The application goes before the toolkit it draws with.
PipelineSession::~PipelineSession() = default;

Toolkit& PipelineSession::Tk()
{
    return *toolkit_;
}

PipelineSession::Outcome PipelineSession::Run(std::span<const std::uint8_t> input)
{
    Outcome outcome;
    const PipelineInput parts = SplitPipelineInput(input);
    if (static_cast<std::int64_t>(parts.Game.size()) > kMaxGameFileBytes ||
        static_cast<std::int64_t>(parts.Track.size()) > kMaxTrackFileBytes)
        return outcome;  // the program refuses such files unread
    CheckGameInput(parts.Game);
    CheckTrackInput(parts.Track);

    Parsed<GameData> game = ParseGameFile(parts.Game);
    Parsed<TrackData> track = ParseTrackFile(parts.Track);
    if (!game.ok() || !track.ok())
        return outcome;  // "Load" stops here and keeps the previous analysis

    Toolkit& tk = *toolkit_;
    AppState& state = app_->State();
    // The track is found beside the saved game under its stored name; a name
    // that cannot be a file name goes to the track requester instead.
    const std::string& stored = game.value->TrackFileName;
    const std::string trackPath = UnsafeTrackName(stored)
                                      ? std::string(kPipelineChosenTrackPath)
                                      : kPipelineTrackFolder + FileNamePart(stored);
    StagedLoad staged;
    staged.GamePath = kPipelineGamePath;
    staged.GameLength = std::ssize(parts.Game);
    staged.Game = std::move(*game.value);
    staged.TrackPath = trackPath;
    staged.TrackFileName = FileNamePart(trackPath);
    staged.Track = std::move(*track.value);
    CommitLoad(state, std::move(staged));
    DrawAnalysis(state, tk);
    outcome.Committed = true;
    outcome.LapCount = state.Laps.LapCount;

    FuzzCheck(IsMapSized(tk.FindImage(MapImage)) && IsMapSized(tk.FindImage(MapMasterImage)),
              "a committed analysis has its 512 x 560 map and its master copy");
    FuzzCheck(tk.ImageExists(GaugeImage) && tk.ImageExists(DriverTableImage),
              "a committed saved game has its gauges and driver table");
    FuzzCheck(tk.ControlEnabled(SaveButton), "a committed map can be saved");
    FuzzCheck(state.Laps.LapCount >= 0 && tk.GetControlAttribute(LapSlider, 2) == state.Laps.LapCount,
              "the slider ends at the last completed lap");
    FuzzCheck(tk.GetControlText(LapNumberLabel) == "0" && tk.GetControlValue(LapSlider) == 0,
              "a new analysis opens on lap 0");
    FuzzCheck(std::ssize(state.Laps.LapTimes) == state.Laps.LapCount,
              "one lap time per completed lap");

    // The comparison, open while the laps below are shown, with its cursor
    // at the start, the middle and the end of the lap.
    CompareWindow& compare = app_->Compare();
    compare.Open(state, tk);
    FuzzCheck(compare.IsOpen(tk) && compare.Analysis().has_value() == (outcome.LapCount > 0),
              "the comparison analyses every race with a lap");
    if (compare.Analysis()) {
        const LapAnalysis& analysis = *compare.Analysis();
        FuzzCheck(analysis.LapCount == outcome.LapCount && analysis.ReferenceLap >= 1 &&
                      analysis.ReferenceLap <= analysis.LapCount,
                  "the reference is one of the laps");
        for (const double cursor : {0.0, 0.5, 1.0})
            compare.PointAt(tk, cursor);
    }

    // Two more laps, as the user reaches them: the next-lap button, then the
    // slider dragged to the last lap.
    const std::vector<std::uint32_t> master = Pixels(tk.FindImage(MapMasterImage));
    const std::vector<std::int64_t> lapTimes = state.Laps.LapTimes;
    const auto checkLapView = [&] {
        FuzzCheck(state.Laps.LapCount == outcome.LapCount && state.Laps.LapTimes == lapTimes,
                  "the laps found do not depend on the lap shown");
        FuzzCheck(Pixels(tk.FindImage(MapMasterImage)) == master,
                  "a lap view leaves the master map alone");
        FuzzCheck(IsMapSized(tk.FindImage(MapImage)), "a lap view keeps the map");
    };

    NextLapStep(state, tk);
    const std::int32_t next = std::min(1, outcome.LapCount);
    FuzzCheck(tk.GetControlText(LapNumberLabel) == IntToText(next),
              "the next-lap button moves one lap on, never past the last");
    if (next == 1) {
        FuzzCheck(state.CurrentLap == 1, "the next-lap button shows lap 1");
        outcome.LapsShown.push_back(state.CurrentLap);
        checkLapView();
    }

    tk.SetControlValue(LapSlider, outcome.LapCount);
    LapSliderMoved(state, tk);
    FuzzCheck(state.CurrentLap == outcome.LapCount &&
                  tk.GetControlText(LapNumberLabel) == IntToText(outcome.LapCount),
              "the slider at its end shows the last lap");
    outcome.LapsShown.push_back(state.CurrentLap);
    checkLapView();
    FuzzCheck(compare.Lap() == (compare.Analysis() ? ComparedLap(*compare.Analysis(), state.CurrentLap,
                                                                 state.Laps.FastestLap)
                                                   : 0),
              "the comparison follows the lap shown");
    compare.Close(tk);
    return outcome;
}

}  // namespace vx
