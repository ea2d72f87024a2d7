#include "app/windows/CompareWindow.h"

#include "laps/LapNavigation.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "app/windows/CompareLayout.h"
#include "app/windows/LapFiles.h"
#include "app/windows/MainWindow.h"
#include "app/windows/MainWindowLayout.h"
#include "laps/CompareView.h"
#include "laps/CornerView.h"
#include "laps/LapFilePath.h"
#include "laps/LapView.h"
#include "load/Export.h"
#include "load/LoadFiles.h"
#include "load/LoadWorkflow.h"
#include "history/RaceRecord.h"
#include "toolkit/Text.h"

namespace vx {

namespace layout = compare_window;

namespace {

constexpr int kWheelRows = 3;  // table rows per notch of the wheel

void AddBox(Toolkit& toolkit, const layout::PictureBox& box)
{
    toolkit.AddPictureBox(box.Control, box.At.x, box.At.y, box.At.w, box.At.h, 0);
}

void AddButton(Toolkit& toolkit, const layout::Control& control)
{
    toolkit.AddButton(control.Number, control.At.x, control.At.y, control.At.w, control.At.h, control.Text);
}

void AddLabel(Toolkit& toolkit, const layout::Control& control)
{
    toolkit.AddLabel(control.Number, control.At.x, control.At.y, control.At.w, control.At.h, control.Text);
}

void Show(Toolkit& toolkit, const layout::PictureBox& box)
{
    toolkit.ShowImage(box.Control, box.Image);
}

int VisibleTableRows()
{
    return TableRowsIn(layout::LapTable.At.h);
}

int VisibleCornerRows()
{
    return CornerTableRowsIn(layout::CornerTable.At.h);
}

std::optional<LapLine> LapLineOf(const TrackData& track)
{
    if (!track.HasLapLine)
        return std::nullopt;
    return LapLine{track.LapLineX1, track.LapLineY1, track.LapLineX2, track.LapLineY2};
}

}  // namespace

bool CompareWindow::IsOpen(const Toolkit& toolkit) const
{
    return toolkit.NativeWindowHandle(layout::Number) != 0;
}

void CompareWindow::Open(const AppState& state, Toolkit& toolkit)
{
    if (!IsOpen(toolkit)) {
        const layout::Place& client = layout::Client;
        const WindowHandle window = toolkit.CreateAppWindow(layout::Number, client.x, client.y, client.w,
                                                            client.h, layout::Title, kFixedWindowStyle);
        if (toolkit.AttachControlList(window) == 0) {
            toolkit.DestroyAppWindow(layout::Number);
            return;
        }
        cursor_.reset();
        pointedCorner_ = 0;
        cornerTop_ = 0;
        toolkit.LoadFontSlot(layout::Font, layout::FontFace, layout::FontPoints);
        toolkit.LoadFontSlot(layout::BoldFont, layout::FontFace, layout::FontPoints, kFontBold);
        for (const layout::PictureBox& box :
             {layout::Map, layout::SpeedLegend, layout::SpeedChart, layout::DeltaChart, layout::LapTable,
              layout::Figures, layout::CornerWords, layout::CornerTable, layout::CornerChart})
            AddBox(toolkit, box);
        const layout::Place& scroll = layout::TableScroll.At;
        toolkit.AddScrollBar(layout::TableScroll.Number, scroll.x, scroll.y, scroll.w, scroll.h, 0, 0,
                             VisibleTableRows());
        AddLabel(toolkit, layout::AgainstCaption);
        AddButton(toolkit, layout::PrevAgainst);
        AddLabel(toolkit, layout::AgainstLabel);
        AddButton(toolkit, layout::NextAgainst);
        AddLabel(toolkit, layout::AgainstRace);  // another race's lap, or a lap file's
        if (history_) {
            AddButton(toolkit, layout::AgainstBest);
            toolkit.SetControlToolTip(layout::AgainstBest.Number,
                                      "Compare against your best lap of this track from another race");
        }
        AddButton(toolkit, layout::AgainstFile);
        AddButton(toolkit, layout::ExportLap);
        toolkit.SetControlToolTip(layout::AgainstFile.Number,
                                  "Compare against the lap of a lap file (*.vxlap), such as a friend's lap of "
                                  "this track; dropping one on the window does the same");
        toolkit.SetControlToolTip(layout::ExportLap.Number,
                                  "Write the compared lap as a lap file (*.vxlap) to send to another player");
        toolkit.AcceptDrops(layout::Number, true);
        for (const layout::PictureBox& box : {layout::Map, layout::SpeedChart, layout::DeltaChart, layout::LapTable,
                                              layout::CornerTable, layout::CornerChart})
            toolkit.TrackPointer(box.Control, true);
        toolkit.SetControlToolTip(layout::LapTable.Control,
                                  "Click: show this lap\n"
                                  "Right click or Shift+click: compare against this lap\n"
                                  "Return: compare against the lap shown");
        for (const layout::PictureBox& box : {layout::CornerTable, layout::CornerChart})
            toolkit.SetControlToolTip(box.Control, "Point at a corner to mark it on the map and the charts");
        toolkit.SetWindowBackground(layout::Number, state.Colours[Paint::DialogFace]);
        // Every key of the main window works here too; Up and Down go
        // through the table's rows.
        const std::pair<Key, int> keys[] = {
            {Key::Left, PrevLapButton},
            {Key::Right, NextLapButton},
            {Key::PageUp, PageBackCommand},
            {Key::PageDown, PageForwardCommand},
            {Key::Home, FirstLapCommand},
            {Key::End, LastLapCommand},
            {Key::CtrlO, layout::LoadCommand},
            {Key::CtrlS, layout::SaveCommand},
            {Key::Up, layout::RowUpCommand},
            {Key::Down, layout::RowDownCommand},
            {Key::Return, layout::AgainstShownCommand},
            {Key::Escape, layout::CloseCommand},
            {Key::CtrlW, layout::CloseCommand},
        };
        for (const auto& [key, command] : keys)
            toolkit.AddKeyCommand(layout::Number, key, command);
        const int tabOrder[] = {layout::PrevAgainst.Number, layout::NextAgainst.Number, layout::AgainstBest.Number,
                                layout::TableScroll.Number, layout::AgainstFile.Number, layout::ExportLap.Number};
        const int tabOrderWithoutHistory[] = {layout::PrevAgainst.Number, layout::NextAgainst.Number,
                                              layout::TableScroll.Number, layout::AgainstFile.Number,
                                              layout::ExportLap.Number};
        if (history_)
            toolkit.SetTabOrder(tabOrder);
        else
            toolkit.SetTabOrder(tabOrderWithoutHistory);
        PlaceWindow(toolkit);
    }
    KeepChoiceFor(state);
    Analyse(state);
    Redraw(state, toolkit);
}

void CompareWindow::Close(Toolkit& toolkit)
{
    const ScreenArea frame = toolkit.WindowFrameOf(layout::Number);
    if (frame.width > 0)
        place_ = ScreenPlace{frame.x, frame.y};
    toolkit.DestroyAppWindow(layout::Number);
    analysis_.reset();
    personalBest_.reset();
    bests_ = {};
    figures_.reset();
    corners_ = {};
    stretches_.clear();
    words_.clear();
    labels_ = {};
    cursor_.reset();
    pointedCorner_ = 0;
    cornerTop_ = 0;
}

// Where it was last closed; the first time, beside the main window, on the
// screen the main window is on.
void CompareWindow::PlaceWindow(Toolkit& toolkit) const
{
    if (place_) {
        toolkit.MoveAppWindow(layout::Number, place_->x, place_->y);
        return;
    }
    const ScreenArea work = toolkit.WorkAreaOf(MainWindow);
    const ScreenArea main = toolkit.WindowFrameOf(MainWindow);
    if (work.width <= 0 || work.height <= 0 || main.width <= 0)
        return;
    // Both windows have the same borders and title bar, at the same scale of
    // the screen: the two frames differ by the difference of the client
    // areas, scaled. The main window's client area sits on its frame's
    // bottom edge, centred across.
    const ScreenArea own = toolkit.WindowFrameOf(layout::Number);
    static_assert(layout::Client.w > kClientWidth);
    const double scale =
        own.width > main.width ? double(own.width - main.width) / (layout::Client.w - kClientWidth) : 1.0;
    const auto scaled = [&](int length) { return static_cast<int>(std::lround(length * scale)); };
    const int frameWidth = std::max(0, main.width - scaled(kClientWidth));
    const int frameHeight = std::max(0, main.height - scaled(kClientHeight));
    const int clientX = main.x + frameWidth / 2;
    const int clientY = main.y + main.height - scaled(kClientHeight) - frameWidth / 2;
    std::vector<ScreenArea> controls;
    for (const main_window::Place& at : main_window::Controls)
        controls.push_back({clientX + scaled(at.x), clientY + scaled(at.y), scaled(at.w), scaled(at.h)});
    const int width = own.width > 0 ? own.width : layout::Client.w + frameWidth;
    const int height = own.height > 0 ? own.height : layout::Client.h + frameHeight;
    const ScreenPlace at = PlaceBeside(work, main, controls, width, height);
    toolkit.MoveAppWindow(layout::Number, at.x, at.y);
}

// The lap chosen to compare against holds for its race: another race starts
// from its own reference lap.
void CompareWindow::KeepChoiceFor(const AppState& state)
{
    choice_.HoldFor(state.GameDigest, state.LayoutDigest, HumanDriverOf(state));
}

void CompareWindow::LapShown(const AppState& state, Toolkit& toolkit)
{
    const std::int32_t lap = analysis_ ? ComparedLap(*analysis_, state.CurrentLap, state.Laps.FastestLap) : 0;
    if (IsOpen(toolkit) && lap != Lap())
        Redraw(state, toolkit);
}

void CompareWindow::AnalysisCommitted(AppState& state, Toolkit& toolkit)
{
    KeepChoiceFor(state);
    if (!IsOpen(toolkit))
        return;
    // The new laps from the top; the lap compared against stays while the
    // race is the same.
    toolkit.SetControlValue(layout::TableScroll.Number, 0);
    cursor_.reset();
    pointedCorner_ = 0;
    cornerTop_ = 0;
    Analyse(state);
    Redraw(state, toolkit);
}

void CompareWindow::Analyse(const AppState& state)
{
    analysis_ = AnalyseCommittedLaps(state);
    bests_ = analysis_ ? LapTableBestsOf(*analysis_, state.Laps.FastestLap) : LapTableBests{};
    if (!analysis_) {
        choice_.Clear();
        cursor_.reset();
    }
    FindPersonalBest(state);
}

// The personal best of the shown race's layout from another race, when
// there is a history and a race to compare with it.
void CompareWindow::FindPersonalBest(const AppState&)
{
    personalBest_.reset();
    if (history_ && analysis_)
        personalBest_ = choice_.PersonalBestIn(*history_);
}

void CompareWindow::HistoryChanged(Toolkit& toolkit)
{
    if (!IsOpen(toolkit) || !analysis_)
        return;
    personalBest_.reset();
    if (history_)
        personalBest_ = choice_.PersonalBestIn(*history_);
    ShowChoices(toolkit);
}

std::string CompareWindow::CompareAgainstPersonalBest(const AppState& state, Toolkit& toolkit)
{
    if (!history_)
        return "there is no race history";
    const auto best = choice_.PersonalBestIn(*history_);
    if (!best)
        return history_->LastFailure().message.empty() ? "the history holds no best lap of this track from "
                                                         "another race"
                                                       : "History unavailable: " + history_->LastFailure().message;
    return CompareAgainstRace(state, toolkit, best->Race, state.LayoutDigest);
}

std::string CompareWindow::CompareAgainstRace(const AppState& state, Toolkit& toolkit, const RaceKey& race,
                                              const LayoutKey& layout)
{
    if (!history_)
        return "there is no race history";
    if (!state.HasGame || state.Laps.LapCount == 0)
        return "the main window shows no race with laps to compare with it";
    if (layout != state.LayoutDigest)
        return "it was raced on another track than the race shown";
    if (race == state.GameDigest)
        return "it is the race shown: compare against its laps in the comparison";
    if (const std::string why = OpenToCompare(state, toolkit); !why.empty())
        return why;
    return PickOtherRace(state, toolkit, race);
}

std::string CompareWindow::OpenToCompare(const AppState& state, Toolkit& toolkit)
{
    if (!IsOpen(toolkit))
        Open(state, toolkit);
    if (!IsOpen(toolkit))
        return "the comparison window could not be opened";
    if (!analysis_)
        return "the race shown has no lap to compare";
    return {};
}

std::string CompareWindow::PickOtherRace(const AppState& state, Toolkit& toolkit, const RaceKey& race)
{
    auto lap = history_->BestLap(race);
    if (!lap)
        return "History unavailable: " + history_->LastFailure().message;
    const bool personalBest = personalBest_ && personalBest_->Race == race;
    const std::string day = DateText(lap->Of.DateNs).substr(0, 10);
    LapProfile profile = ProfileOfKeptLap(lap->Of.Lap, (personalBest ? "PB " : "") + day, lap->Of.BestS,
                                          std::move(lap->Path), std::move(lap->SpeedsKmh));
    if (profile.Path.empty())
        return "the history keeps no path of its best lap";  // the choice before stays
    choice_.PickKeptLap(lap->Of, std::move(profile), personalBest);
    Redraw(state, toolkit);
    return {};
}

std::string CompareWindow::CompareAgainstLapFile(const AppState& state, Toolkit& toolkit, const std::string& path,
                                                 const std::string& shownName)
{
    Parsed<LapFile> read = ReadLapFileAt(toolkit, path, shownName);
    if (!read.ok())
        return read.error;
    return CompareAgainstLap(state, toolkit, std::move(*read.value), shownName);
}

std::string CompareWindow::CompareAgainstLap(const AppState& state, Toolkit& toolkit, LapFile file,
                                             const std::string& shownName)
{
    if (!state.HasGame || state.Laps.LapCount == 0)
        return shownName + " was driven on " + file.TrackName + " (layout " + KeyHex(file.Layout).substr(0, 8) +
               "): load a race on that track to compare against it";
    if (const auto other = OtherTrackReason(file, shownName, state))
        return *other;
    if (const std::string why = OpenToCompare(state, toolkit); !why.empty())
        return why;
    LapProfile profile = ProfileOfLapFile(file);
    choice_.PickFileLap(std::move(file), std::move(profile));
    Redraw(state, toolkit);
    return {};
}

bool CompareWindow::OpenLapFile(AppState& state, Toolkit& toolkit, const std::string& path, int window)
{
    const std::string name = FileNamePart(path);
    if (const std::string why = CompareAgainstLapFile(state, toolkit, path, name); !why.empty()) {
        SayFailure(state, toolkit, window, why);
        return false;
    }
    SayComparedAgainst(state, toolkit, name);
    // The lap the user chose to compare against is kept, in the race
    // history as a lap of its driver, so that it stays at hand.
    if (keepLapFile_)
        keepLapFile_(*choice_.FileLap());
    return true;
}

void CompareWindow::SayComparedAgainst(AppState& state, Toolkit& toolkit, const std::string& shownName) const
{
    LogMessage(state, toolkit, "Compared against " + LapFileLapName(*choice_.FileLap()) + " from " + shownName);
}

bool CompareWindow::ExportComparedLap(AppState& state, Toolkit& toolkit)
{
    if (!figures_)
        return false;
    const std::int32_t lap = Lap();
    std::string whyNot;
    const auto file = LapFileOfShownRace(state, lap, {}, whyNot);
    if (!file) {
        SayFailure(state, toolkit, layout::Number, "Lap not exported: lap " + IntToText(lap) + " (" + whyNot + ")");
        return false;
    }
    return ExportLapFile(state, toolkit, layout::Number, *file, "Lap " + IntToText(lap));
}

void CompareWindow::Redraw(const AppState& state, Toolkit& toolkit)
{
    figures_.reset();
    corners_ = {};
    stretches_.clear();
    words_.clear();
    labels_ = {};
    if (analysis_) {
        const std::int32_t lap = ComparedLap(*analysis_, state.CurrentLap, state.Laps.FastestLap);
        figures_ = choice_.FiguresOf(*analysis_, lap);
        corners_ = choice_.CornersOf(*analysis_, lap);
        stretches_ = CornerStretchesOf(figures_->Lap, corners_.Lap);
        words_ = vx::TimeLostWords(corners_);
    }
    if (pointedCorner_ > CornerCount())
        pointedCorner_ = 0;
    ScrollCorners(cornerTop_);
    // The compared lap's row in view.
    std::int32_t top = TableTop(toolkit);
    if (const std::int32_t row = Lap() - 1; row >= 0) {
        if (row < top)
            top = row;
        else if (row >= top + VisibleTableRows())
            top = row - VisibleTableRows() + 1;
        top = std::clamp(top, 0, LastTableTop());
    }
    toolkit.SetControlAttribute(layout::TableScroll.Number, SliderMaximum, LastTableTop());
    toolkit.SetControlValue(layout::TableScroll.Number, top);
    ShowChoices(toolkit);
    if (!figures_) {
        ShowPlaceholders(toolkit);
        return;
    }
    labels_ = CompareMapLabelsOf(*analysis_, *figures_, layout::kPictures, toolkit);
    DrawBases(state, toolkit);
    ShowTable(state, toolkit, top);
    ShowCorners(toolkit);
    PointAt(toolkit, cursor_);
    Show(toolkit, layout::SpeedLegend);
}

// The map and the charts under the cursor, the corner pointed at marked.
void CompareWindow::DrawBases(const AppState& state, Toolkit& toolkit) const
{
    CornerMark pointed{pointedCorner_, std::nullopt};
    if (pointedCorner_ >= 1 && pointedCorner_ <= std::ssize(stretches_))
        pointed.Stretch = stretches_[static_cast<std::size_t>(pointedCorner_ - 1)];
    DrawCompareBase(*analysis_, *figures_, LapLineOf(state.Track), labels_, pointed, layout::kPictures, toolkit);
}

void CompareWindow::ShowCorners(Toolkit& toolkit) const
{
    if (!figures_)
        return;
    DrawCornerTable(*analysis_, *figures_, corners_, pointedCorner_, cornerTop_, layout::kPictures, toolkit);
    DrawCornerChart(corners_, pointedCorner_, layout::kPictures, toolkit);
    DrawCornerWords(words_, layout::kPictures, toolkit);
    for (const layout::PictureBox& box : {layout::CornerTable, layout::CornerChart, layout::CornerWords})
        Show(toolkit, box);
}

void CompareWindow::ScrollCorners(std::int64_t top)
{
    cornerTop_ = static_cast<std::int32_t>(
        std::clamp<std::int64_t>(top, 0, std::max(0, CornerCount() - VisibleCornerRows())));
}

void CompareWindow::PointAtCorner(const AppState& state, Toolkit& toolkit, std::int32_t corner)
{
    if (corner < 0 || corner > CornerCount())
        corner = 0;
    if (corner == pointedCorner_ || !figures_)
        return;
    pointedCorner_ = corner;
    // Its row in view.
    if (corner != 0 && corner - 1 < cornerTop_)
        ScrollCorners(corner - 1);
    else if (corner != 0 && corner - 1 >= cornerTop_ + VisibleCornerRows())
        ScrollCorners(corner - VisibleCornerRows());
    DrawBases(state, toolkit);
    ShowCorners(toolkit);
    PointAt(toolkit, cursor_);
}

void CompareWindow::PointAt(Toolkit& toolkit, std::optional<double> f)
{
    cursor_ = f;
    if (!figures_)
        return;
    DrawCompareCursor(*analysis_, *figures_, cursor_, layout::kPictures, toolkit);
    for (const layout::PictureBox& box : {layout::Map, layout::SpeedChart, layout::DeltaChart, layout::Figures})
        Show(toolkit, box);
}

std::int32_t CompareWindow::TableTop(const Toolkit& toolkit) const
{
    return static_cast<std::int32_t>(toolkit.GetControlValue(layout::TableScroll.Number));
}

std::int32_t CompareWindow::LapAtTableY(const Toolkit& toolkit, int y) const
{
    const std::optional<int> row = TableRowAt(y);
    if (!analysis_ || !row)
        return 0;
    const std::int64_t lap = std::int64_t{TableTop(toolkit)} + *row + 1;
    return lap <= analysis_->LapCount ? static_cast<std::int32_t>(lap) : 0;
}

std::int32_t CompareWindow::LastTableTop() const
{
    return analysis_ ? std::max(0, analysis_->LapCount - VisibleTableRows()) : 0;
}

void CompareWindow::ShowPlaceholders(Toolkit& toolkit) const
{
    for (const layout::PictureBox& box :
         {layout::Map, layout::SpeedLegend, layout::SpeedChart, layout::DeltaChart, layout::LapTable,
          layout::Figures, layout::CornerWords, layout::CornerTable, layout::CornerChart})
        toolkit.ShowImage(box.Control, PlaceholderImage);
}

// The label of the lap compared against and the buttons that choose another.
void CompareWindow::ShowChoices(Toolkit& toolkit) const
{
    const std::int32_t against = Against();
    toolkit.SetControlText(layout::AgainstLabel.Number, against > 0 ? IntToText(against) : "");
    // Against another race's lap, either steps back to this race's laps.
    const auto can = [&](std::int32_t step) {
        return analysis_ && choice_.Stepped(*analysis_, Lap(), step).has_value();
    };
    toolkit.SetControlEnabled(layout::PrevAgainst.Number, can(-1));
    toolkit.SetControlEnabled(layout::NextAgainst.Number, can(+1));
    toolkit.SetControlEnabled(layout::AgainstFile.Number, analysis_.has_value());
    toolkit.SetControlEnabled(layout::ExportLap.Number, figures_.has_value());
    if (IsOpen(toolkit))
        toolkit.SetControlText(layout::AgainstRace.Number, OtherRaceText());
    if (history_ && IsOpen(toolkit))
        toolkit.SetControlEnabled(layout::AgainstBest.Number, personalBest_ && analysis_);
}

void CompareWindow::ShowTable(const AppState& state, Toolkit& toolkit, std::int32_t top) const
{
    if (!analysis_)
        return;
    DrawLapTable(*analysis_, bests_, state.Laps.LapTimes, Lap(), Against(), top, layout::kPictures, toolkit);
    Show(toolkit, layout::LapTable);
}

void CompareWindow::ScrollTable(const AppState& state, Toolkit& toolkit, std::int64_t top)
{
    const auto held = static_cast<std::int32_t>(std::clamp<std::int64_t>(top, 0, LastTableTop()));
    toolkit.SetControlValue(layout::TableScroll.Number, held);
    ShowTable(state, toolkit, held);
}

// Another lap to compare against: the analysis stays, only the delta and the
// lap drawn beside change.
void CompareWindow::StepAgainst(const AppState& state, Toolkit& toolkit, std::int32_t step)
{
    if (!analysis_)
        return;
    if (const auto lap = choice_.Stepped(*analysis_, Lap(), step))
        PickAgainst(state, toolkit, *lap);
}

void CompareWindow::PickAgainst(const AppState& state, Toolkit& toolkit, std::int32_t lap)
{
    if (!analysis_ || lap < 1 || lap > analysis_->LapCount)
        return;
    choice_.PickLap(lap);
    Redraw(state, toolkit);
}

// The lap of the row above or below the compared one becomes the main
// window's lap, and so the lap compared.
void CompareWindow::StepRow(AppState& state, Toolkit& toolkit, std::int32_t step)
{
    if (analysis_ && Lap() != 0)
        SelectLap(state, toolkit, std::clamp(Lap() + step, 1, analysis_->LapCount));
}

void CompareWindow::PointerOverChart(Toolkit& toolkit, int chart)
{
    const layout::Place& box = chart == layout::SpeedChart.Control ? layout::SpeedChart.At : layout::DeltaChart.At;
    if (toolkit.EventPointerAction() == PointerAction::Move)
        PointAt(toolkit, ChartFraction(ChartPlotOf(box.w, box.h), toolkit.PointerX()));
    else if (toolkit.EventPointerAction() == PointerAction::Leave)
        PointAt(toolkit, std::nullopt);
}

void CompareWindow::PointerOverTable(AppState& state, Toolkit& toolkit)
{
    if (toolkit.EventPointerAction() == PointerAction::Wheel) {
        ScrollTable(state, toolkit, std::int64_t{TableTop(toolkit)} - std::int64_t{toolkit.WheelSteps()} * kWheelRows);
    } else if (toolkit.EventPointerAction() == PointerAction::Press ||
               toolkit.EventPointerAction() == PointerAction::RightPress) {
        const std::int32_t lap = LapAtTableY(toolkit, toolkit.PointerY());
        if (lap == 0)
            return;
        // A right click or Shift+click on a lap's row makes it the lap
        // compared against; a click makes it the main window's lap, and so
        // the lap compared.
        if (toolkit.EventPointerAction() == PointerAction::RightPress || toolkit.PointerShift())
            PickAgainst(state, toolkit, lap);
        else
            SelectLap(state, toolkit, lap);
    }
}

// The corner under the pointer, over the map, the corner table or the loss
// chart, is marked; the wheel scrolls the corner table.
void CompareWindow::PointerOverCorners(const AppState& state, Toolkit& toolkit, int box)
{
    const PointerAction action = toolkit.EventPointerAction();
    if (action == PointerAction::Leave) {
        PointAtCorner(state, toolkit, 0);
        return;
    }
    if (box == layout::CornerTable.Control && action == PointerAction::Wheel) {
        ScrollCorners(std::int64_t{cornerTop_} - std::int64_t{toolkit.WheelSteps()} * kWheelRows);
        ShowCorners(toolkit);
        return;
    }
    if (action != PointerAction::Move || !analysis_)
        return;
    const int x = toolkit.PointerX(), y = toolkit.PointerY();
    std::int32_t corner = 0;
    if (box == layout::Map.Control)
        corner = CornerAtMapPoint(*analysis_, labels_, x, y);
    else if (box == layout::CornerTable.Control)
        corner = CornerAtTableY(y, cornerTop_, CornerCount());
    else
        corner = CornerAtBarX(CornerBarsOf(layout::CornerChart.At.w, layout::CornerChart.At.h, CornerCount()), x);
    PointAtCorner(state, toolkit, corner);
}

bool CompareWindow::HandleEvent(AppState& state, Toolkit& toolkit, int event)
{
    if (event == kCloseEvent) {
        if (toolkit.EventWindow() != layout::Number)
            return false;
        Close(toolkit);
        return true;
    }
    if (event == kControlEvent) {
        switch (toolkit.EventControl()) {
        case layout::PrevAgainst.Number: StepAgainst(state, toolkit, -1); return true;
        case layout::NextAgainst.Number: StepAgainst(state, toolkit, +1); return true;
        case layout::AgainstBest.Number:
            if (const std::string why = CompareAgainstPersonalBest(state, toolkit); !why.empty())
                SayFailure(state, toolkit, layout::Number, "No comparison against the PB: " + why);
            return true;
        case layout::TableScroll.Number:
            ScrollTable(state, toolkit, toolkit.GetControlValue(layout::TableScroll.Number));
            return true;
        case layout::AgainstFile.Number:
            if (const std::string path = toolkit.AskOpenFile(layout::Number, "Compare against a lap file",
                                                             state.GameDirectory, "Lap files|*.vxlap", 0);
                !path.empty())
                OpenLapFile(state, toolkit, path, layout::Number);
            return true;
        case layout::ExportLap.Number: ExportComparedLap(state, toolkit); return true;
        case layout::CloseCommand: Close(toolkit); return true;
        case layout::LoadCommand: LoadGame(state, toolkit, layout::Number); return true;
        case layout::SaveCommand:
            if (toolkit.ControlEnabled(SaveButton))  // as the main window's Ctrl+S
                SavePicture(state, toolkit, layout::Number);
            return true;
        case layout::RowUpCommand: StepRow(state, toolkit, -1); return true;
        case layout::RowDownCommand: StepRow(state, toolkit, +1); return true;
        case layout::AgainstShownCommand: PickAgainst(state, toolkit, Lap()); return true;
        default: return false;
        }
    }
    if (event == kPointerEvent) {
        switch (toolkit.EventControl()) {
        case layout::SpeedChart.Control:
        case layout::DeltaChart.Control: PointerOverChart(toolkit, toolkit.EventControl()); return true;
        case layout::LapTable.Control: PointerOverTable(state, toolkit); return true;
        case layout::Map.Control:
        case layout::CornerTable.Control:
        case layout::CornerChart.Control: PointerOverCorners(state, toolkit, toolkit.EventControl()); return true;
        default: return false;
        }
    }
    return false;
}

}  // namespace vx
