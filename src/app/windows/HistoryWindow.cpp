// Sections: the history at start-up and after each load; the window; the
// tables; a race clicked or chosen; adding a folder; events.
#include "app/windows/HistoryWindow.h"

#include <algorithm>

#include "app/windows/CompareWindow.h"
#include "app/windows/HistoryLayout.h"
#include "history/HistoryMessages.h"
#include "history/Recording.h"
#include "load/Export.h"
#include "load/LoadWorkflow.h"
#include "toolkit/Text.h"

namespace vx {

namespace layout = history_window;

namespace {

constexpr int kWheelRows = 3;  // table rows per notch of the wheel

// The settings the window keeps in the history.
constexpr const char* kGameFolderSetting = "open_game_folder";
constexpr const char* kAddFolderSetting = "add_folder";

int VisibleRaceRows()
{
    return ListRowsIn(layout::RaceTable.At.h);
}

int VisibleTrackRows()
{
    return ListRowsIn(layout::TrackList.At.h);
}

void AddButton(Toolkit& toolkit, const layout::Control& control)
{
    toolkit.AddButton(control.Number, control.At.x, control.At.y, control.At.w, control.At.h, control.Text);
}

void AddScrollBar(Toolkit& toolkit, const layout::Control& control, int page)
{
    const layout::Place& at = control.At;
    toolkit.AddScrollBar(control.Number, at.x, at.y, at.w, at.h, 0, 0, page);
}

void Show(Toolkit& toolkit, const layout::PictureBox& box)
{
    toolkit.ShowImage(box.Control, box.Image);
}

std::string Plural(std::size_t count, const char* one, const char* many)
{
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

// --- The history at start-up and after each load ------------------------------------------

void HistoryWindow::Start(AppState& state, Toolkit& toolkit, const HistoryOptions& options)
{
    record_ = options.Record;
    if (options.Path.empty()) {
        unavailable_ = "this window was started without one";
        toolkit.SetControlToolTip(HistoryButton, "The race history is not used in this window.");
        return;
    }
    // Without recording the history is only read: nothing is made, moved
    // or migrated.
    HistoryOpening opening = record_ ? OpenHistory(options.Path) : OpenHistoryToRead(options.Path);
    if (!opening.SetAsideTo.empty())
        LogFailure(state, toolkit, SetAsideMessage(opening));
    if (!opening.Store && !record_ && !StampOfPath(options.Path)) {
        // Not recording, and nothing recorded yet: nothing to say.
        unavailable_ = "no race has been recorded yet";
        toolkit.SetControlToolTip(HistoryButton, "Race history: " + unavailable_ + " (this window records none).");
        return;
    }
    if (!opening.Store) {
        unavailable_ = opening.Problem;
        LogFailure(state, toolkit, "History unavailable: " + unavailable_);
        toolkit.SetControlToolTip(HistoryButton, "The race history is unavailable: " + unavailable_);
        return;
    }
    store_ = std::move(opening.Store);
    compare_.UseHistory(store_.get());
    if (!opening.ReadOnlyNote.empty()) {
        record_ = false;
        LogMessage(state, toolkit, opening.ReadOnlyNote);
    }
    toolkit.SetControlToolTip(HistoryButton,
                              record_ ? "Race history: every race loaded here is kept, with your progress "
                                        "and personal best on each track."
                                      : "Race history: the races kept (this window records none).");
    if (const auto folder = store_->Setting(kGameFolderSetting)) {
        savedGameFolder_ = *folder;
        if (toolkit.KindOf(*folder) == PathKind::Folder)
            state.GameDirectory = *folder;
    }
}

void HistoryWindow::SaveGameFolder(const AppState& state)
{
    if (!record_ || !store_ || state.GameDirectory.empty() || state.GameDirectory == savedGameFolder_)
        return;
    if (store_->SetSetting(kGameFolderSetting, state.GameDirectory))
        savedGameFolder_ = state.GameDirectory;
}

void HistoryWindow::AnalysisCommitted(AppState& state, Toolkit& toolkit)
{
    SaveGameFolder(state);
    bool recorded = false;
    if (record_ && store_ && state.HasGame) {
        const CommittedRecording recording = RecordCommittedRace(*store_, state);
        if (recording.failed)
            LogFailure(state, toolkit, recording.message);
        else if (recording.recorded || state.Laps.LapCount == 0)
            LogMessage(state, toolkit, recording.message);
        recorded = recording.recorded;
    }
    if (!IsOpen(toolkit))
        return;
    // A new race is read with its track; a race known already (one clicked
    // here) changes only which row is the shown one.
    if (recorded) {
        Refresh(state, toolkit, false);
    } else {
        ShowMarks(state, toolkit);
        ShowButtons(state, toolkit);
    }
}

// --- The window -------------------------------------------------------------------------------

bool HistoryWindow::IsOpen(const Toolkit& toolkit) const
{
    return toolkit.NativeWindowHandle(layout::Number) != 0;
}

void HistoryWindow::Open(AppState& state, Toolkit& toolkit)
{
    if (!store_) {
        toolkit.ShowMessageBox(MainWindow, MessageKind::Error, "Race history",
                               "The race history is unavailable: " + unavailable_);
        return;
    }
    if (!IsOpen(toolkit)) {
        const layout::Place& client = layout::Client;
        const WindowHandle window = toolkit.CreateAppWindow(layout::Number, client.x, client.y, client.w,
                                                            client.h, layout::Title, kFixedWindowStyle);
        if (toolkit.AttachControlList(window) == 0) {
            toolkit.DestroyAppWindow(layout::Number);
            return;
        }
        toolkit.LoadFontSlot(layout::Font, layout::FontFace, layout::FontPoints);
        for (const layout::PictureBox& box : {layout::TrackList, layout::ProgressChart, layout::RaceTable})
            toolkit.AddPictureBox(box.Control, box.At.x, box.At.y, box.At.w, box.At.h, 0);
        AddScrollBar(toolkit, layout::TrackScroll, VisibleTrackRows());
        AddScrollBar(toolkit, layout::RaceScroll, VisibleRaceRows());
        AddButton(toolkit, layout::AddFolder);
        AddButton(toolkit, layout::CancelAdd);
        toolkit.AddLabel(layout::AddProgress.Number, layout::AddProgress.At.x, layout::AddProgress.At.y,
                         layout::AddProgress.At.w, layout::AddProgress.At.h, "", kLabelEndEllipsis);
        AddButton(toolkit, layout::UseAsReference);
        toolkit.AddLabel(layout::Hint.Number, layout::Hint.At.x, layout::Hint.At.y, layout::Hint.At.w,
                         layout::Hint.At.h, layout::Hint.Text, kLabelEndEllipsis);
        toolkit.SetControlToolTip(layout::AddFolder.Number,
                                  store_->ReadOnly()
                                      ? "This window records nothing in the history (--no-history, or a "
                                        "history of a newer version)."
                                      : "Records every saved game in a folder and the folders inside it.");
        toolkit.SetControlToolTip(layout::UseAsReference.Number,
                                  "Compares the lap shown in the main window with the best lap of the race "
                                  "chosen here (a right click or Shift+click on its row).");
        toolkit.TrackPointer(layout::TrackList.Control, true);
        toolkit.TrackPointer(layout::RaceTable.Control, true);
        toolkit.SetWindowBackground(layout::Number, state.Colours[Paint::DialogFace]);
        toolkit.AddKeyCommand(layout::Number, Key::Escape, layout::CancelAdd.Number);
        const int tabOrder[] = {layout::TrackScroll.Number, layout::RaceScroll.Number, layout::AddFolder.Number,
                                layout::CancelAdd.Number, layout::UseAsReference.Number};
        toolkit.SetTabOrder(tabOrder);
        chosenRace_.reset();
    }
    Refresh(state, toolkit, true);
}

void HistoryWindow::Close(Toolkit& toolkit)
{
    toolkit.DestroyAppWindow(layout::Number);
    tracks_.clear();
    rows_.clear();
    files_.clear();
    chosenTrack_ = -1;
    chosenRace_.reset();
}

// Reads the tracks and the chosen track's races again. toShownRace: the
// shown race's track is chosen and its row brought into view (or the newest
// race); else the track chosen stays, and the rows on top.
void HistoryWindow::Refresh(AppState& state, Toolkit& toolkit, bool toShownRace)
{
    std::optional<LayoutKey> layoutChosen;
    if (chosenTrack_ >= 0 && chosenTrack_ < std::ssize(tracks_))
        layoutChosen = tracks_[static_cast<std::size_t>(chosenTrack_)].Layout;
    if (toShownRace && state.HasGame)
        layoutChosen = state.LayoutDigest;
    tracks_ = store_->Tracks().value_or(std::vector<TrackSummary>{});
    if (!store_->LastFailure().message.empty() && tracks_.empty())
        LogFailure(state, toolkit, "History unavailable: " + store_->LastFailure().message);
    chosenTrack_ = tracks_.empty() ? -1 : 0;
    for (std::size_t i = 0; layoutChosen && i < tracks_.size(); ++i)
        if (tracks_[i].Layout == *layoutChosen)
            chosenTrack_ = static_cast<std::int32_t>(i);
    rows_.clear();
    if (chosenTrack_ >= 0)
        rows_ = store_->Progress(tracks_[static_cast<std::size_t>(chosenTrack_)].Layout)
                    .value_or(std::vector<ProgressRow>{});
    figures_ = ProgressChartOf(rows_);
    files_.clear();
    // The rows left out as damaged (Tracks reads every race), said once each.
    for (const auto& damaged = store_->DamagedRows(); damagedSaid_ < damaged.size(); ++damagedSaid_)
        LogFailure(state, toolkit, FileNameToCp1252(DamagedRowText(damaged[damagedSaid_])));
    if (chosenRace_ && std::none_of(rows_.begin(), rows_.end(),
                                    [&](const ProgressRow& row) { return row.Race == *chosenRace_; }))
        chosenRace_.reset();

    const int lastTrackTop = std::max(0, static_cast<int>(tracks_.size()) - VisibleTrackRows());
    const int lastRaceTop = std::max(0, static_cast<int>(rows_.size()) - VisibleRaceRows());
    toolkit.SetControlAttribute(layout::TrackScroll.Number, SliderMaximum, lastTrackTop);
    toolkit.SetControlAttribute(layout::RaceScroll.Number, SliderMaximum, lastRaceTop);
    if (toShownRace) {
        std::int64_t top = lastRaceTop;
        for (std::size_t i = 0; state.HasGame && i < rows_.size(); ++i)
            if (rows_[i].Race == state.GameDigest)
                top = static_cast<std::int64_t>(i) - VisibleRaceRows() / 2;
        toolkit.SetControlValue(layout::RaceScroll.Number, std::clamp<std::int64_t>(top, 0, lastRaceTop));
        toolkit.SetControlValue(layout::TrackScroll.Number,
                                std::clamp(chosenTrack_ - VisibleTrackRows() + 1, 0, lastTrackTop));
    }
    Redraw(state, toolkit);
}

void HistoryWindow::Redraw(const AppState& state, Toolkit& toolkit)
{
    ShowTracks(toolkit);
    static const TrackSummary kNoTrack{};
    const TrackSummary& track = chosenTrack_ >= 0 ? tracks_[static_cast<std::size_t>(chosenTrack_)] : kNoTrack;
    DrawProgressChart(track, rows_, figures_, layout::kPictures, toolkit);
    Show(toolkit, layout::ProgressChart);
    ShowRaces(state, toolkit);
    ShowButtons(state, toolkit);
}

// --- The tables ----------------------------------------------------------------------------------

void HistoryWindow::ShowTracks(Toolkit& toolkit)
{
    const auto top = static_cast<std::int32_t>(toolkit.GetControlValue(layout::TrackScroll.Number));
    DrawTrackList(tracks_, top, chosenTrack_, layout::kPictures, toolkit);
    Show(toolkit, layout::TrackList);
}

std::int32_t HistoryWindow::RaceTop(const Toolkit& toolkit) const
{
    return static_cast<std::int32_t>(toolkit.GetControlValue(layout::RaceScroll.Number));
}

std::optional<std::size_t> HistoryWindow::RaceAtTableY(const Toolkit& toolkit, int y) const
{
    const std::optional<int> row = ListRowAt(y);
    if (!row || *row >= VisibleRaceRows())
        return std::nullopt;
    const std::int64_t index = std::int64_t{RaceTop(toolkit)} + *row;
    if (index >= std::ssize(rows_))
        return std::nullopt;
    return static_cast<std::size_t>(index);
}

// The files of the rows shown, each looked at once per refresh.
std::vector<RaceFile> HistoryWindow::ShownFiles(std::int32_t top)
{
    std::vector<RaceFile> files;
    for (std::int64_t i = top; i < std::min<std::int64_t>(top + VisibleRaceRows(), std::ssize(rows_)); ++i) {
        const ProgressRow& row = rows_[static_cast<std::size_t>(i)];
        auto known = files_.find(row.Race);
        if (known == files_.end())
            known = files_.emplace(row.Race, RaceFileOf(row)).first;
        files.push_back(known->second);
    }
    return files;
}

RaceMarks HistoryWindow::MarksOf(const AppState& state) const
{
    RaceMarks marks;
    if (state.HasGame)
        marks.Shown = state.GameDigest;
    marks.Chosen = chosenRace_;
    return marks;
}

void HistoryWindow::ShowRaces(const AppState& state, Toolkit& toolkit)
{
    const std::int32_t top = RaceTop(toolkit);
    const RaceMarks marks = MarksOf(state);
    DrawRaceTable(rows_, top, ShownFiles(top), marks, layout::kPictures, toolkit);
    drawnMarks_ = marks;
    Show(toolkit, layout::RaceTable);
}

// Draws again the rows whose marks changed since the table was drawn (a
// race loaded from its row): two rows at most, not the whole table.
void HistoryWindow::ShowMarks(const AppState& state, Toolkit& toolkit)
{
    const RaceMarks marks = MarksOf(state);
    if (marks.Shown == drawnMarks_.Shown && marks.Chosen == drawnMarks_.Chosen)
        return;
    const std::int32_t top = RaceTop(toolkit);
    const std::vector<RaceFile> files = ShownFiles(top);
    const auto marked = [](const RaceMarks& m, const RaceKey& race) { return m.Shown == race || m.Chosen == race; };
    for (int row = 0; row < static_cast<int>(files.size()); ++row) {
        const RaceKey& race = rows_[static_cast<std::size_t>(top + row)].Race;
        if (marked(marks, race) || marked(drawnMarks_, race))
            DrawRaceRow(rows_, top, row, files, marks, layout::kPictures, toolkit);
    }
    drawnMarks_ = marks;
    Show(toolkit, layout::RaceTable);
}

void HistoryWindow::ShowButtons(const AppState& state, Toolkit& toolkit)
{
    toolkit.SetControlEnabled(layout::AddFolder.Number, !add_ && !store_->ReadOnly());
    toolkit.SetControlEnabled(layout::CancelAdd.Number, add_ != nullptr);
    // A race chosen: when its best lap cannot be compared with the race
    // shown (another track, the same race, no laps), the button says why.
    toolkit.SetControlEnabled(layout::UseAsReference.Number, chosenRace_.has_value() && state.HasGame);
}

void HistoryWindow::ChooseTrack(const AppState& state, Toolkit& toolkit, std::int64_t index)
{
    if (index < 0 || index >= std::ssize(tracks_) || index == chosenTrack_)
        return;
    chosenTrack_ = static_cast<std::int32_t>(index);
    chosenRace_.reset();
    rows_ = store_->Progress(tracks_[static_cast<std::size_t>(index)].Layout).value_or(std::vector<ProgressRow>{});
    figures_ = ProgressChartOf(rows_);
    files_.clear();
    const int lastRaceTop = std::max(0, static_cast<int>(rows_.size()) - VisibleRaceRows());
    toolkit.SetControlAttribute(layout::RaceScroll.Number, SliderMaximum, lastRaceTop);
    toolkit.SetControlValue(layout::RaceScroll.Number, lastRaceTop);  // the newest races
    Redraw(state, toolkit);
}

void HistoryWindow::ScrollTracks(Toolkit& toolkit, std::int64_t top)
{
    const int last = std::max(0, static_cast<int>(tracks_.size()) - VisibleTrackRows());
    toolkit.SetControlValue(layout::TrackScroll.Number, std::clamp<std::int64_t>(top, 0, last));
    ShowTracks(toolkit);
}

void HistoryWindow::ScrollRaces(const AppState& state, Toolkit& toolkit, std::int64_t top)
{
    const int last = std::max(0, static_cast<int>(rows_.size()) - VisibleRaceRows());
    toolkit.SetControlValue(layout::RaceScroll.Number, std::clamp<std::int64_t>(top, 0, last));
    ShowRaces(state, toolkit);
}

// --- A race clicked or chosen --------------------------------------------------------------------

void HistoryWindow::ClickRace(AppState& state, Toolkit& toolkit, std::size_t index)
{
    const ProgressRow row = rows_[index];
    const std::string name = FileNameToUtf8(row.FileName);
    const RaceFile file = RaceFileOf(row);
    files_[row.Race] = file;
    if (file == RaceFile::Gone) {
        SayFailure(state, toolkit, layout::Number, "Saved game gone: " + name + " (its race stays in the history)");
        ShowRaces(state, toolkit);
        return;
    }
    // A file of another size or date may still hold the race's bytes (a
    // copy): the load tells, by their digest, and commits nothing else.
    if (!LoadRecordedRace(state, toolkit, row.Folder + row.FileName, row.Race, layout::Number) && !state.Loading) {
        files_[row.Race] = file == RaceFile::There ? RaceFile::Changed : file;
        ShowRaces(state, toolkit);
    }
}

// The chosen race's best lap becomes the lap compared against in the
// comparison window, which opens for it; when it cannot, the user is told why
// in front of this window.
void HistoryWindow::UseChosenAsReference(AppState& state, Toolkit& toolkit)
{
    if (!chosenRace_ || chosenTrack_ < 0)
        return;
    const auto row = std::find_if(rows_.begin(), rows_.end(),
                                  [&](const ProgressRow& r) { return r.Race == *chosenRace_; });
    const std::string name = row != rows_.end() ? FileNameToUtf8(row->FileName) : "the race chosen";
    const std::string why = compare_.CompareAgainstRace(state, toolkit, *chosenRace_,
                                                        tracks_[static_cast<std::size_t>(chosenTrack_)].Layout);
    if (!why.empty())
        SayFailure(state, toolkit, layout::Number, "Not used as reference: " + name + " (" + why + ")");
    else
        LogMessage(state, toolkit, "Compared against the best lap of " + name);
}

// --- Adding a folder ----------------------------------------------------------------------------

void HistoryWindow::StartAdding(AppState& state, Toolkit& toolkit)
{
    if (add_ || store_->ReadOnly())
        return;
    std::string start = store_->Setting(kAddFolderSetting).value_or(state.GameDirectory);
    const std::string folder = toolkit.AskFolder(layout::Number, "Add a folder to the race history", start);
    if (folder.empty())
        return;
    store_->SetSetting(kAddFolderSetting, folder);  // where the requester starts next time, if it can be kept
    addFolder_ = folder;
    add_ = std::make_unique<HistoryAdd>(*store_, std::vector<std::string>{folder},
                                        [&state, &toolkit](const std::string& path, const std::string& message) {
                                            LogMessage(state, toolkit,
                                                       FileNameToUtf8(FileNamePart(path)) + ": " + message);
                                        });
    toolkit.SetControlText(layout::AddProgress.Number, "Looking through " + FileNameToCp1252(folder) + "...");
    ShowButtons(state, toolkit);
    // One saved game whenever the windows have nothing else to do.
    toolkit.StartTimer(layout::AddTimer, 0);
}

void HistoryWindow::StepAdding(AppState& state, Toolkit& toolkit)
{
    if (!add_) {
        toolkit.StopTimer(layout::AddTimer);
        return;
    }
    if (!add_->Listing() && add_->Done() < add_->Total())
        toolkit.SetControlText(layout::AddProgress.Number,
                               "Recording " + std::to_string(add_->Done() + 1) + " of " +
                                   std::to_string(add_->Total()) + ": " +
                                   FileNameToCp1252(FileNamePart(add_->Next())));
    if (!add_->Step())
        StopAdding(state, toolkit, false);
}

void HistoryWindow::StopAdding(AppState& state, Toolkit& toolkit, bool cancelled)
{
    toolkit.StopTimer(layout::AddTimer);
    if (!add_)
        return;
    add_->Finish();
    std::string summary = "Added " + FileNameToUtf8(addFolder_) + ": " + Plural(add_->Recorded(), "race", "races") +
                          " recorded, " + std::to_string(add_->Known()) + " already known, " +
                          std::to_string(add_->Refused()) + " refused";
    if (cancelled || !add_->StoreFailure().empty())
        summary += "; stopped after " + std::to_string(add_->Done()) + " of " + std::to_string(add_->Total()) +
                   " files";
    const std::string failure = add_->StoreFailure();
    add_.reset();
    compare_.HistoryChanged(toolkit);
    if (!failure.empty())
        LogFailure(state, toolkit, "History unavailable: " + failure);
    LogMessage(state, toolkit, summary);
    if (IsOpen(toolkit)) {
        toolkit.SetControlText(layout::AddProgress.Number, FileNameToCp1252(summary));
        Refresh(state, toolkit, false);
    }
}

// --- Events --------------------------------------------------------------------------------------

void HistoryWindow::PointerOverTracks(const AppState& state, Toolkit& toolkit)
{
    const auto top = toolkit.GetControlValue(layout::TrackScroll.Number);
    if (toolkit.EventPointerAction() == PointerAction::Wheel) {
        ScrollTracks(toolkit, top - std::int64_t{toolkit.WheelSteps()} * kWheelRows);
    } else if (toolkit.EventPointerAction() == PointerAction::Press) {
        const std::optional<int> row = ListRowAt(toolkit.PointerY());
        if (row && *row < VisibleTrackRows())
            ChooseTrack(state, toolkit, top + *row);
    }
}

void HistoryWindow::PointerOverRaces(AppState& state, Toolkit& toolkit)
{
    const PointerAction action = toolkit.EventPointerAction();
    if (action == PointerAction::Wheel) {
        ScrollRaces(state, toolkit, std::int64_t{RaceTop(toolkit)} - std::int64_t{toolkit.WheelSteps()} * kWheelRows);
        return;
    }
    if (action != PointerAction::Press && action != PointerAction::RightPress)
        return;
    const auto index = RaceAtTableY(toolkit, toolkit.PointerY());
    if (!index)
        return;
    if (action == PointerAction::RightPress || toolkit.PointerShift()) {
        // Chosen for "Use as reference"; chosen again, no longer.
        const RaceKey race = rows_[*index].Race;
        chosenRace_ = chosenRace_ == race ? std::nullopt : std::optional<RaceKey>(race);
        ShowMarks(state, toolkit);
        ShowButtons(state, toolkit);
        return;
    }
    ClickRace(state, toolkit, *index);
}

bool HistoryWindow::HandleEvent(AppState& state, Toolkit& toolkit, int event)
{
    if (event == kTimerEvent) {
        if (toolkit.EventControl() != layout::AddTimer)
            return false;
        StepAdding(state, toolkit);
        return true;
    }
    if (event == kCloseEvent) {
        if (toolkit.EventWindow() != layout::Number)
            return false;
        StopAdding(state, toolkit, true);
        Close(toolkit);
        return true;
    }
    if (!IsOpen(toolkit))
        return false;
    if (event == kControlEvent) {
        switch (toolkit.EventControl()) {
        case layout::TrackScroll.Number: ScrollTracks(toolkit, toolkit.GetControlValue(layout::TrackScroll.Number)); return true;
        case layout::RaceScroll.Number:
            ScrollRaces(state, toolkit, toolkit.GetControlValue(layout::RaceScroll.Number));
            return true;
        case layout::AddFolder.Number: StartAdding(state, toolkit); return true;
        case layout::CancelAdd.Number: StopAdding(state, toolkit, true); return true;
        case layout::UseAsReference.Number: UseChosenAsReference(state, toolkit); return true;
        default: return false;
        }
    }
    if (event == kPointerEvent) {
        switch (toolkit.EventControl()) {
        case layout::TrackList.Control: PointerOverTracks(state, toolkit); return true;
        case layout::RaceTable.Control: PointerOverRaces(state, toolkit); return true;
        default: return false;
        }
    }
    return false;
}

}  // namespace vx
