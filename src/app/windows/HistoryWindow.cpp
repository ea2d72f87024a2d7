// Sections: the history at start-up and after each load; the window; the
// tables; the standings; a race clicked or chosen; adding a folder; events.
#include "app/windows/HistoryWindow.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "app/windows/CompareWindow.h"
#include "app/windows/HistoryLayout.h"
#include "app/windows/LapFiles.h"
#include "app/windows/MainWindowLayout.h"
#include "history/HistoryMessages.h"
#include "history/Recording.h"
#include "load/Export.h"
#include "load/LoadWorkflow.h"
#include "toolkit/Format.h"
#include "toolkit/Text.h"

namespace vx {

namespace layout = history_window;

namespace {

constexpr int kWheelRows = 3;  // table rows per notch of the wheel

// The setting the window keeps in the history.
constexpr const char* kAddFolderSetting = "add_folder";

int VisibleRaceRows()
{
    return ListRowsIn(layout::RaceTable.At.h);
}

int VisibleTrackRows()
{
    return ListRowsIn(layout::TrackList.At.h);
}

int VisibleStandingRows()
{
    return ListRowsIn(layout::StandingsTable.At.h);
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

void HistoryWindow::AnalysisCommitted(AppState& state, Toolkit& toolkit)
{
    if (!IsOpen(toolkit))
        return;
    // A new race is read with its track; a race known already (one clicked
    // here) changes only which row is the shown one.
    if (history_.RecordedLast()) {
        Refresh(state, toolkit, false);
    } else {
        ShowMarks(state, toolkit);
        ShowButtons(state, toolkit);
    }
}

void HistoryWindow::RaceRecorded(AppState& state, Toolkit& toolkit)
{
    compare_.HistoryChanged(toolkit);
    if (IsOpen(toolkit))
        Refresh(state, toolkit, false);
}

// --- The window -------------------------------------------------------------------------------

bool HistoryWindow::IsOpen(const Toolkit& toolkit) const
{
    return toolkit.NativeWindowHandle(layout::Number) != 0;
}

void HistoryWindow::Open(AppState& state, Toolkit& toolkit)
{
    if (!Store()) {
        toolkit.ShowMessageBox(MainWindow, MessageKind::Error, "Race history",
                               "The race history is unavailable: " + FileNameToCp1252(history_.Unavailable()));
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
        AddButton(toolkit, layout::ExportLap);
        AddButton(toolkit, layout::UseAsReference);
        toolkit.AddCheckBox(layout::Standings.Number, layout::Standings.At.x, layout::Standings.At.y,
                            layout::Standings.At.w, layout::Standings.At.h, layout::Standings.Text);
        toolkit.SetControlToolTip(layout::Standings.Number,
                                  "Shows the track's standings instead of its progress chart: every driver's "
                                  "best lap there, yours and the laps of other drivers kept from lap files.");
        toolkit.SetControlToolTip(layout::ExportLap.Number,
                                  "Writes the best lap of the race chosen here, or the kept lap chosen in the "
                                  "standings, as a lap file.");
        for (const layout::Control& caption : {layout::DriverCaption, layout::CarCaption})
            toolkit.AddLabel(caption.Number, caption.At.x, caption.At.y, caption.At.w, caption.At.h, caption.Text);
        for (const layout::Control& label : {layout::DriverLabel, layout::CarLabel})
            toolkit.AddLabel(label.Number, label.At.x, label.At.y, label.At.w, label.At.h, "", kLabelEndEllipsis);
        for (const layout::Control& button : {layout::PrevDriver, layout::NextDriver, layout::PrevCar, layout::NextCar})
            AddButton(toolkit, button);
        toolkit.SetControlToolTip(layout::DriverLabel.Number,
                                  "Whose races are shown: each player's personal bests are their own.");
        toolkit.SetControlToolTip(layout::CarLabel.Number, "All the driver's cars, or one of them.");
        toolkit.AddLabel(layout::Hint.Number, layout::Hint.At.x, layout::Hint.At.y, layout::Hint.At.w,
                         layout::Hint.At.h, layout::Hint.Text, kLabelEndEllipsis);
        toolkit.SetControlToolTip(layout::AddFolder.Number,
                                  Store()->ReadOnly()
                                      ? "This window records nothing in the history (--no-history, or a "
                                        "history of a newer version)."
                                      : "Records every saved game in a folder and the folders inside it.");
        toolkit.SetControlToolTip(layout::UseAsReference.Number,
                                  "Compares the lap shown in the main window with the best lap of the race "
                                  "chosen here (a right click or Shift+click on its row), or with the kept "
                                  "lap chosen in the standings.");
        toolkit.TrackPointer(layout::TrackList.Control, true);
        toolkit.TrackPointer(layout::RaceTable.Control, true);
        toolkit.TrackPointer(layout::ProgressChart.Control, true);
        chartTip_.clear();
        toolkit.SetWindowBackground(layout::Number, state.Colours[Paint::DialogFace]);
        toolkit.AddKeyCommand(layout::Number, Key::Escape, layout::CancelAdd.Number);
        const int tabOrder[] = {layout::TrackScroll.Number, layout::PrevDriver.Number, layout::NextDriver.Number,
                                layout::PrevCar.Number,     layout::NextCar.Number,    layout::Standings.Number,
                                layout::RaceScroll.Number,  layout::AddFolder.Number,  layout::CancelAdd.Number,
                                layout::ExportLap.Number,   layout::UseAsReference.Number};
        toolkit.SetTabOrder(tabOrder);
        chosenRace_.reset();
        chosenLap_.reset();
        standingsTop_ = 0;
        PlaceWindow(toolkit);
    }
    Refresh(state, toolkit, true);
}

// Where it was last closed; the first time, beside the main window, on the
// screen the main window is on.
void HistoryWindow::PlaceWindow(Toolkit& toolkit) const
{
    if (place_) {
        toolkit.MoveAppWindow(layout::Number, place_->x, place_->y);
        return;
    }
    const ScreenArea work = toolkit.WorkAreaOf(MainWindow);
    const ScreenArea main = toolkit.WindowFrameOf(MainWindow);
    const ScreenArea own = toolkit.WindowFrameOf(layout::Number);
    if (work.width <= 0 || work.height <= 0 || main.width <= 0 || own.width <= 0)
        return;
    // The main window's controls on the screen: its client area, at the
    // screen's scale, sits on its frame's bottom edge, centred across. The
    // scale is taken from the frame's width (its borders, a few pixels, make
    // it a little larger): near enough to tell which places cover controls.
    const double scale = static_cast<double>(main.width) / kClientWidth;
    const auto scaled = [&](int length) { return static_cast<int>(std::lround(length * scale)); };
    const int clientX = main.x + (main.width - scaled(kClientWidth)) / 2;
    const int clientY = main.y + main.height - scaled(kClientHeight);
    std::vector<ScreenArea> controls;
    for (const main_window::Place& at : main_window::Controls)
        controls.push_back({clientX + scaled(at.x), clientY + scaled(at.y), scaled(at.w), scaled(at.h)});
    const ScreenPlace at = PlaceBeside(work, main, controls, own.width, own.height);
    toolkit.MoveAppWindow(layout::Number, at.x, at.y);
}

void HistoryWindow::Close(Toolkit& toolkit)
{
    const ScreenArea frame = toolkit.WindowFrameOf(layout::Number);
    if (frame.width > 0)
        place_ = ScreenPlace{frame.x, frame.y};
    toolkit.DestroyAppWindow(layout::Number);
    chartRows_.clear();
    tracks_.clear();
    rows_.clear();
    files_.clear();
    standings_.clear();
    chosenTrack_ = -1;
    chosenRace_.reset();
    chosenLap_.reset();
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
    tracks_ = Store()->Tracks().value_or(std::vector<TrackSummary>{});
    if (!Store()->LastFailure().message.empty() && tracks_.empty())
        LogFailure(state, toolkit, "History unavailable: " + Store()->LastFailure().message);
    chosenTrack_ = tracks_.empty() ? -1 : 0;
    for (std::size_t i = 0; layoutChosen && i < tracks_.size(); ++i)
        if (tracks_[i].Layout == *layoutChosen)
            chosenTrack_ = static_cast<std::int32_t>(i);
    ChooseDriverAmong(state, toShownRace);
    ReadRaces();
    ReadStandings();
    // The rows left out as damaged (Tracks reads every race), said once each.
    for (const auto& damaged = Store()->DamagedRows(); damagedSaid_ < damaged.size(); ++damagedSaid_)
        LogFailure(state, toolkit, DamagedRowText(damaged[damagedSaid_]));
    // What was chosen stays chosen while the window still shows it.
    if (chosenRace_ &&
        std::none_of(rows_.begin(), rows_.end(), [&](const ProgressRow& row) { return row.Race == *chosenRace_; }) &&
        std::none_of(standings_.begin(), standings_.end(), [&](const StandingRow& row) {
            return row.Kind == StandingRow::Of::OwnRace && row.Race == *chosenRace_;
        }))
        chosenRace_.reset();
    if (chosenLap_ && std::none_of(standings_.begin(), standings_.end(), [&](const StandingRow& row) {
            return row.Kind == StandingRow::Of::KeptLap && row.Kept == *chosenLap_;
        }))
        chosenLap_.reset();

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
    ShowChoosers(toolkit);
    ShowChart(state, toolkit);
    ShowRaces(state, toolkit);
    ShowButtons(state, toolkit);
}

// --- Whose races ---------------------------------------------------------------------------------

namespace {

std::string DriverText(const std::string& driver)
{
    return driver.empty() ? std::string("(no driver)") : driver;
}

std::string CarText(const std::string& car)
{
    return car.empty() ? std::string("(no car)") : car;
}

}  // namespace

void HistoryWindow::ChooseDriverAmong(const AppState& state, bool toShownRace)
{
    std::map<std::string, std::int64_t> races;
    for (const TrackSummary& track : tracks_)
        for (const DriverSummary& driver : track.Drivers)
            races[driver.Driver] += driver.Races;
    drivers_.clear();
    for (const auto& [driver, count] : races)
        drivers_.push_back(driver);
    const auto known = [&](const std::optional<std::string>& driver) {
        return driver && races.count(*driver) != 0;
    };
    if (toShownRace && state.HasGame && known(HumanDriverOf(state))) {
        if (driver_ != HumanDriverOf(state))
            car_.reset();
        driver_ = HumanDriverOf(state);
    }
    if (!known(driver_)) {
        driver_.reset();
        car_.reset();
        std::int64_t most = 0;
        for (const auto& [driver, count] : races)
            if (count > most) {
                most = count;
                driver_ = driver;
            }
    }
}

// The cars of the driver chosen on the track chosen, by name.
std::vector<std::string> HistoryWindow::CarsOfChoice() const
{
    std::vector<std::string> cars;
    if (chosenTrack_ < 0 || !driver_)
        return cars;
    for (const DriverSummary& driver : tracks_[static_cast<std::size_t>(chosenTrack_)].Drivers)
        if (driver.Driver == *driver_)
            for (const CarSummary& car : driver.Cars)
                cars.push_back(car.Car);
    return cars;
}

void HistoryWindow::ReadRaces()
{
    chartRows_.clear();
    const std::vector<std::string> cars = CarsOfChoice();
    if (car_ && std::find(cars.begin(), cars.end(), *car_) == cars.end())
        car_.reset();  // the driver has no race in it on this track
    if (chosenTrack_ >= 0 && driver_)
        chartRows_ = Store()->DriverProgress(tracks_[static_cast<std::size_t>(chosenTrack_)].Layout, *driver_, car_)
                         .value_or(std::vector<ProgressRow>{});
    figures_ = ProgressChartOf(chartRows_);
    files_.clear();
    rows_ = chartRows_;
    if (sort_ != RaceSort{}) {
        // The saved game's column is sorted by what the files are now.
        std::vector<RaceFile> files;
        if (sort_.Column == RaceColumn::SavedGame)
            for (const ProgressRow& row : rows_)
                files.push_back(files_.emplace(row.Race, RaceFileOf(row)).first->second);
        SortRaces(rows_, sort_, files);
    }
}

std::string HistoryWindow::ChartTitle() const
{
    if (chosenTrack_ < 0)
        return "No race recorded yet";
    std::string title = tracks_[static_cast<std::size_t>(chosenTrack_)].Name;
    if (driver_)
        title += ", " + DriverText(*driver_) + (car_ ? " in " + CarText(*car_) : std::string());
    return title;
}

void HistoryWindow::ShowChoosers(Toolkit& toolkit)
{
    toolkit.SetControlText(layout::DriverLabel.Number, driver_ ? FileNameToCp1252(DriverText(*driver_)) : "");
    toolkit.SetControlText(layout::CarLabel.Number,
                           !driver_ ? std::string() : car_ ? FileNameToCp1252(CarText(*car_)) : "All cars");
    toolkit.SetControlEnabled(layout::PrevDriver.Number, drivers_.size() > 1);
    toolkit.SetControlEnabled(layout::NextDriver.Number, drivers_.size() > 1);
    const bool cars = CarsOfChoice().size() > 1;
    toolkit.SetControlEnabled(layout::PrevCar.Number, cars);
    toolkit.SetControlEnabled(layout::NextCar.Number, cars);
}

void HistoryWindow::StepDriver(const AppState& state, Toolkit& toolkit, int step)
{
    if (drivers_.size() < 2 || !driver_)
        return;
    const auto at = std::find(drivers_.begin(), drivers_.end(), *driver_) - drivers_.begin();
    const auto count = std::ssize(drivers_);
    driver_ = drivers_[static_cast<std::size_t>(((at + step) % count + count) % count)];
    car_.reset();
    chosenRace_.reset();
    ReadRaces();
    ScrollRacesToNewest(toolkit);
    Redraw(state, toolkit);
}

// All cars, then each car in turn.
void HistoryWindow::StepCar(const AppState& state, Toolkit& toolkit, int step)
{
    const std::vector<std::string> cars = CarsOfChoice();
    if (cars.size() < 2)
        return;
    const auto count = std::ssize(cars) + 1;  // 0: all cars
    const std::int64_t at = car_ ? std::find(cars.begin(), cars.end(), *car_) - cars.begin() + 1 : 0;
    const std::int64_t next = ((at + step) % count + count) % count;
    car_ = next == 0 ? std::nullopt : std::optional<std::string>(cars[static_cast<std::size_t>(next - 1)]);
    chosenRace_.reset();
    ReadRaces();
    ScrollRacesToNewest(toolkit);
    Redraw(state, toolkit);
}

void HistoryWindow::SortBy(const AppState& state, Toolkit& toolkit, RaceColumn column)
{
    // The same column again turns its order round.
    sort_ = {column, sort_.Column == column && !sort_.Descending};
    ReadRaces();
    ScrollRaces(state, toolkit, RaceTop(toolkit));
}

void HistoryWindow::ScrollRacesToNewest(Toolkit& toolkit)
{
    const int lastRaceTop = std::max(0, static_cast<int>(rows_.size()) - VisibleRaceRows());
    toolkit.SetControlAttribute(layout::RaceScroll.Number, SliderMaximum, lastRaceTop);
    toolkit.SetControlValue(layout::RaceScroll.Number, sort_ == RaceSort{} ? lastRaceTop : 0);
}

std::optional<std::size_t> HistoryWindow::RaceAtChartPoint(int x, int y) const
{
    return RaceAtChart(chartRows_, figures_, layout::kPictures, x, y);
}

// --- The tables ----------------------------------------------------------------------------------

void HistoryWindow::ShowTracks(Toolkit& toolkit)
{
    const auto top = static_cast<std::int32_t>(toolkit.GetControlValue(layout::TrackScroll.Number));
    // Each track's races and personal best are the chosen driver's.
    std::vector<TrackSummary> shown = tracks_;
    for (TrackSummary& track : shown) {
        if (!driver_)
            break;
        const auto own = std::find_if(track.Drivers.begin(), track.Drivers.end(),
                                      [&](const DriverSummary& d) { return d.Driver == *driver_; });
        track.Races = own != track.Drivers.end() ? own->Races : 0;
        track.PersonalBest = own != track.Drivers.end() ? own->PersonalBest : BestLapOfRace{};
    }
    DrawTrackList(shown, top, chosenTrack_, layout::kPictures, toolkit);
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
    DrawRaceTable(rows_, top, ShownFiles(top), marks, layout::kPictures, toolkit, sort_);
    drawnMarks_ = marks;
    Show(toolkit, layout::RaceTable);
}

// Draws again the rows whose marks changed since the table was drawn (a
// race loaded from its row): two rows at most, not the whole table.
void HistoryWindow::ShowMarks(const AppState& state, Toolkit& toolkit)
{
    if (StandingsShown(toolkit))
        ShowChart(state, toolkit);  // a dozen rows: drawn again whole
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
    toolkit.SetControlEnabled(layout::AddFolder.Number, !add_ && !Store()->ReadOnly());
    toolkit.SetControlEnabled(layout::CancelAdd.Number, add_ != nullptr);
    // A race chosen: when its best lap cannot be compared with the race
    // shown (another track, the same race, no laps), the button says why.
    const bool chosen = chosenRace_.has_value() || chosenLap_.has_value();
    toolkit.SetControlEnabled(layout::UseAsReference.Number, chosen && state.HasGame);
    toolkit.SetControlEnabled(layout::ExportLap.Number, chosen);
}

void HistoryWindow::ChooseTrack(const AppState& state, Toolkit& toolkit, std::int64_t index)
{
    if (index < 0 || index >= std::ssize(tracks_) || index == chosenTrack_)
        return;
    chosenTrack_ = static_cast<std::int32_t>(index);
    chosenRace_.reset();
    chosenLap_.reset();
    standingsTop_ = 0;
    ReadRaces();
    ReadStandings();
    ScrollRacesToNewest(toolkit);
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

// --- The standings ------------------------------------------------------------------------------

bool HistoryWindow::StandingsShown(const Toolkit& toolkit) const
{
    return toolkit.GetControlValue(layout::Standings.Number) != 0;
}

void HistoryWindow::ReadStandings()
{
    standings_.clear();
    if (chosenTrack_ >= 0)
        standings_ = Store()->Standings(tracks_[static_cast<std::size_t>(chosenTrack_)].Layout)
                         .value_or(std::vector<StandingRow>{});
    const int last = std::max(0, static_cast<int>(standings_.size()) - VisibleStandingRows());
    standingsTop_ = std::clamp(standingsTop_, 0, last);
}

// The chart's box: the progress chart, or the standings while ticked.
void HistoryWindow::ShowChart(const AppState& state, Toolkit& toolkit)
{
    if (!StandingsShown(toolkit)) {
        DrawProgressChart(ChartTitle(), chartRows_, figures_, layout::kPictures, toolkit);
        Show(toolkit, layout::ProgressChart);
        return;
    }
    StandingMarks marks;
    if (state.HasGame)
        marks.Shown = state.GameDigest;
    marks.ChosenRace = chosenRace_;
    marks.ChosenLap = chosenLap_;
    DrawStandings(standings_, standingsTop_, marks, layout::kPictures, toolkit);
    Show(toolkit, layout::StandingsTable);
}

std::optional<std::size_t> HistoryWindow::StandingAtY(int y) const
{
    const std::optional<int> row = ListRowAt(y);
    if (!row || *row >= VisibleStandingRows())
        return std::nullopt;
    const std::int64_t index = std::int64_t{standingsTop_} + *row;
    if (index >= std::ssize(standings_))
        return std::nullopt;
    return static_cast<std::size_t>(index);
}

void HistoryWindow::ScrollStandings(const AppState& state, Toolkit& toolkit, std::int64_t top)
{
    const int last = std::max(0, static_cast<int>(standings_.size()) - VisibleStandingRows());
    standingsTop_ = static_cast<std::int32_t>(std::clamp<std::int64_t>(top, 0, last));
    ShowChart(state, toolkit);
}

// A row pointed at is named in the box's tip; a click chooses it (one of
// your races as a click on its dot does, or the kept lap); the wheel
// scrolls the rows.
void HistoryWindow::PointerOverStandings(const AppState& state, Toolkit& toolkit)
{
    const PointerAction action = toolkit.EventPointerAction();
    if (action == PointerAction::Wheel) {
        ScrollStandings(state, toolkit, std::int64_t{standingsTop_} - std::int64_t{toolkit.WheelSteps()} * kWheelRows);
        return;
    }
    std::optional<std::size_t> index;
    if (action != PointerAction::Leave)
        index = StandingAtY(toolkit.PointerY());
    std::string tip;
    if (index) {
        const StandingRow& row = standings_[*index];
        const bool own = row.Kind == StandingRow::Of::OwnRace;
        tip = IntToText(row.Place) + ". " + FileNameToCp1252(DriverText(row.Driver)) + ", " +
              FileNameToCp1252(CarText(row.Car)) + ": " + SecondsText(row.BestS) + " s" +
              (row.Place == 1 ? std::string() : " (+" + SecondsText(row.GapS) + " s)") + ", lap " +
              IntToText(row.Lap) + " on " + DateText(row.DateNs, DateForm::Readable) + ", " +
              (own ? "in " + FileNameToCp1252(row.FileName) : std::string("a kept lap of another driver"));
    }
    if (tip != chartTip_) {
        chartTip_ = tip;
        toolkit.SetControlToolTip(layout::StandingsTable.Control, tip);
    }
    if (action != PointerAction::Press || !index)
        return;
    const StandingRow& row = standings_[*index];
    if (row.Kind == StandingRow::Of::OwnRace) {
        chosenRace_ = row.Race;
        chosenLap_.reset();
    } else {
        chosenLap_ = row.Kept;
        chosenRace_.reset();
    }
    ShowMarks(state, toolkit);
    ShowButtons(state, toolkit);
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
    if (chosenLap_) {
        UseChosenLapAsReference(state, toolkit);
        return;
    }
    if (!chosenRace_ || chosenTrack_ < 0)
        return;
    const std::string name = ChosenRaceName();
    const std::string why = compare_.CompareAgainstRace(state, toolkit, *chosenRace_,
                                                        tracks_[static_cast<std::size_t>(chosenTrack_)].Layout);
    if (!why.empty())
        SayFailure(state, toolkit, layout::Number, "Not used as reference: " + name + " (" + why + ")");
    else
        LogMessage(state, toolkit, "Compared against the best lap of " + name);
}

std::string HistoryWindow::ChosenRaceName() const
{
    if (!chosenRace_)
        return {};
    for (const ProgressRow& row : rows_)
        if (row.Race == *chosenRace_)
            return FileNameToUtf8(row.FileName);
    for (const StandingRow& row : standings_)
        if (row.Kind == StandingRow::Of::OwnRace && row.Race == *chosenRace_)
            return FileNameToUtf8(row.FileName);
    return "the race chosen";
}

// The kept lap chosen in the standings becomes the lap compared against, as
// a lap file's lap does; of another track than the race shown, the user is
// told so in front of this window.
void HistoryWindow::UseChosenLapAsReference(AppState& state, Toolkit& toolkit)
{
    auto lap = Store()->LapFileOfKept(*chosenLap_);
    if (!lap) {
        SayFailure(state, toolkit, layout::Number,
                   "Not used as reference: the kept lap (History unavailable: " + Store()->LastFailure().message +
                       ")");
        return;
    }
    const std::string name = LapFileLapName(*lap);
    std::string why;
    if (state.HasGame && lap->Layout != state.LayoutDigest)
        why = "it was driven on another track than the race shown";
    else
        why = compare_.CompareAgainstLap(state, toolkit, std::move(*lap), "it");
    if (!why.empty())
        SayFailure(state, toolkit, layout::Number, "Not used as reference: " + name + " (" + why + ")");
    else
        compare_.SayComparedAgainst(state, toolkit, "the race history");
}

// "Export lap...": the chosen race's best lap, or the chosen kept lap, as a
// lap file (LapFiles.h: the comparison's export).
void HistoryWindow::ExportChosen(AppState& state, Toolkit& toolkit)
{
    std::optional<LapFile> lap;
    std::string what;
    if (chosenLap_) {
        lap = Store()->LapFileOfKept(*chosenLap_);
        what = "the kept lap";
        if (lap)
            what = LapFileLapName(*lap);
    } else if (chosenRace_) {
        lap = Store()->LapFileOf(*chosenRace_);
        what = "the best lap of " + ChosenRaceName();
    } else {
        return;
    }
    const std::optional<std::string> whyNot =
        lap ? WhyNoLapFile(*lap) : "History unavailable: " + Store()->LastFailure().message;
    if (whyNot) {
        SayFailure(state, toolkit, layout::Number, "Lap not exported: " + what + " (" + *whyNot + ")");
        return;
    }
    what[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(what[0])));
    ExportLapFile(state, toolkit, layout::Number, *lap, what);
}

// --- Adding a folder ----------------------------------------------------------------------------

void HistoryWindow::StartAdding(AppState& state, Toolkit& toolkit)
{
    if (add_ || Store()->ReadOnly())
        return;
    std::string start = Store()->Setting(kAddFolderSetting).value_or(state.GameDirectory);
    const std::string folder = toolkit.AskFolder(layout::Number, "Add a folder to the race history", start);
    if (folder.empty())
        return;
    Store()->SetSetting(kAddFolderSetting, folder);  // where the requester starts next time, if it can be kept
    addFolder_ = folder;
    add_ = std::make_unique<HistoryAdd>(*Store(), std::vector<std::string>{folder},
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
    if (action == PointerAction::Press && !ListRowAt(toolkit.PointerY())) {
        if (const auto column = RaceColumnAt(toolkit.PointerX()))
            SortBy(state, toolkit, *column);
        return;
    }
    const auto index = RaceAtTableY(toolkit, toolkit.PointerY());
    if (!index)
        return;
    if (action == PointerAction::RightPress || toolkit.PointerShift()) {
        // Chosen for "Use as reference"; chosen again, no longer.
        const RaceKey race = rows_[*index].Race;
        chosenRace_ = chosenRace_ == race ? std::nullopt : std::optional<RaceKey>(race);
        chosenLap_.reset();
        ShowMarks(state, toolkit);
        ShowButtons(state, toolkit);
        return;
    }
    ClickRace(state, toolkit, *index);
}

// A dot pointed at names its race in the chart's tip; a click chooses its
// row (brought into view) as a right click on the row does.
void HistoryWindow::PointerOverChart(const AppState& state, Toolkit& toolkit)
{
    if (StandingsShown(toolkit)) {
        PointerOverStandings(state, toolkit);
        return;
    }
    const PointerAction action = toolkit.EventPointerAction();
    std::optional<std::size_t> index;
    if (action != PointerAction::Leave)
        index = RaceAtChartPoint(toolkit.PointerX(), toolkit.PointerY());
    const std::size_t at = index.value_or(0);
    std::string tip;
    if (index) {
        const ProgressRow& race = chartRows_[at];
        tip = DateText(race.DateNs, DateForm::Readable) + "  " + FileNameToCp1252(race.FileName) +
              ": best lap " + IntToText(race.BestLap) + ", " + SecondsText(race.BestS) + " s, " +
              FileNameToCp1252(CarText(race.Car)) + (race.PersonalBest ? " (PB)" : "");
    }
    if (tip != chartTip_) {
        chartTip_ = tip;
        toolkit.SetControlToolTip(layout::ProgressChart.Control, tip);
    }
    if (action != PointerAction::Press || !index)
        return;
    const RaceKey race = chartRows_[at].Race;
    chosenRace_ = race;
    chosenLap_.reset();
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i].Race != race)
            continue;
        const std::int64_t top = RaceTop(toolkit);
        const auto at = static_cast<std::int64_t>(i);
        if (at < top || at >= top + VisibleRaceRows())
            ScrollRaces(state, toolkit, at - VisibleRaceRows() / 2);
    }
    ShowMarks(state, toolkit);
    ShowButtons(state, toolkit);
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
        case layout::ExportLap.Number: ExportChosen(state, toolkit); return true;
        case layout::Standings.Number:
            standingsTop_ = 0;
            ShowChart(state, toolkit);
            return true;
        case layout::PrevDriver.Number: StepDriver(state, toolkit, -1); return true;
        case layout::NextDriver.Number: StepDriver(state, toolkit, 1); return true;
        case layout::PrevCar.Number: StepCar(state, toolkit, -1); return true;
        case layout::NextCar.Number: StepCar(state, toolkit, 1); return true;
        default: return false;
        }
    }
    if (event == kPointerEvent) {
        switch (toolkit.EventControl()) {
        case layout::TrackList.Control: PointerOverTracks(state, toolkit); return true;
        case layout::RaceTable.Control: PointerOverRaces(state, toolkit); return true;
        case layout::ProgressChart.Control: PointerOverChart(state, toolkit); return true;
        default: return false;
        }
    }
    return false;
}

}  // namespace vx
