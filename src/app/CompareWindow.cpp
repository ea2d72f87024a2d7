#include "app/CompareWindow.h"

#include <algorithm>

#include "app/CompareLayout.h"
#include "app/MainWindow.h"
#include "laps/CompareView.h"
#include "laps/LapView.h"
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
        againstChoice_ = 0;
        cursor_.reset();
        toolkit.LoadFontSlot(layout::Font, layout::FontFace, layout::FontPoints);
        for (const layout::PictureBox& box : {layout::Map, layout::SpeedLegend, layout::SpeedChart,
                                              layout::DeltaChart, layout::LapTable, layout::Figures})
            AddBox(toolkit, box);
        const layout::Place& scroll = layout::TableScroll.At;
        toolkit.AddScrollBar(layout::TableScroll.Number, scroll.x, scroll.y, scroll.w, scroll.h, 0, 0,
                             VisibleTableRows());
        AddLabel(toolkit, layout::AgainstCaption);
        AddButton(toolkit, layout::PrevAgainst);
        AddLabel(toolkit, layout::AgainstLabel);
        AddButton(toolkit, layout::NextAgainst);
        for (const layout::PictureBox& box : {layout::SpeedChart, layout::DeltaChart, layout::LapTable})
            toolkit.TrackPointer(box.Control, true);
        toolkit.SetWindowBackground(layout::Number, state.Colours[Paint::DialogFace]);
        // The main window's lap keys work here too.
        toolkit.AddKeyCommand(layout::Number, Key::Left, PrevLapButton);
        toolkit.AddKeyCommand(layout::Number, Key::Right, NextLapButton);
        toolkit.AddKeyCommand(layout::Number, Key::Home, FirstLapCommand);
        toolkit.AddKeyCommand(layout::Number, Key::End, LastLapCommand);
        const int tabOrder[] = {layout::PrevAgainst.Number, layout::NextAgainst.Number,
                                layout::TableScroll.Number};
        toolkit.SetTabOrder(tabOrder);
    }
    Analyse(state);
    Redraw(state, toolkit);
}

void CompareWindow::Close(Toolkit& toolkit)
{
    toolkit.DestroyAppWindow(layout::Number);
    *this = CompareWindow{};
}

void CompareWindow::LapShown(const AppState& state, Toolkit& toolkit)
{
    const std::int32_t lap = analysis_ ? ComparedLap(*analysis_, state.CurrentLap, state.Laps.FastestLap) : 0;
    if (IsOpen(toolkit) && lap != Lap())
        Redraw(state, toolkit);
}

void CompareWindow::AnalysisCommitted(const AppState& state, Toolkit& toolkit)
{
    if (!IsOpen(toolkit))
        return;
    // The new laps against their own reference lap, from the top.
    againstChoice_ = 0;
    toolkit.SetControlValue(layout::TableScroll.Number, 0);
    cursor_.reset();
    Analyse(state);
    Redraw(state, toolkit);
}

void CompareWindow::Analyse(const AppState& state)
{
    analysis_ = AnalyseCommittedLaps(state);
    bests_ = analysis_ ? LapTableBestsOf(*analysis_, state.Laps.FastestLap) : LapTableBests{};
    if (!analysis_) {
        againstChoice_ = 0;
        cursor_.reset();
    }
}

void CompareWindow::Redraw(const AppState& state, Toolkit& toolkit)
{
    figures_.reset();
    if (analysis_) {
        const std::int32_t lap = ComparedLap(*analysis_, state.CurrentLap, state.Laps.FastestLap);
        figures_ = CompareLaps(*analysis_, lap, againstChoice_);
    }
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
    DrawCompareBase(*analysis_, *figures_, LapLineOf(state.Track), layout::kPictures, toolkit);
    ShowTable(state, toolkit, top);
    PointAt(toolkit, cursor_);
    Show(toolkit, layout::SpeedLegend);
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
    for (const layout::PictureBox& box : {layout::Map, layout::SpeedLegend, layout::SpeedChart, layout::DeltaChart,
                                          layout::LapTable, layout::Figures})
        toolkit.ShowImage(box.Control, PlaceholderImage);
}

// The label of the lap compared against and the buttons that choose another.
void CompareWindow::ShowChoices(Toolkit& toolkit) const
{
    const std::int32_t against = Against();
    toolkit.SetControlText(layout::AgainstLabel.Number, against > 0 ? IntToText(against) : "");
    toolkit.SetControlEnabled(layout::PrevAgainst.Number, against > 1);
    toolkit.SetControlEnabled(layout::NextAgainst.Number, analysis_ && against > 0 && against < analysis_->LapCount);
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
    if (!analysis_ || Against() == 0)
        return;
    againstChoice_ = std::clamp(Against() + step, 1, analysis_->LapCount);
    Redraw(state, toolkit);
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
    } else if (toolkit.EventPointerAction() == PointerAction::Press) {
        // A lap's row makes it the main window's lap, and so the lap compared.
        if (const std::int32_t lap = LapAtTableY(toolkit, toolkit.PointerY()))
            SelectLap(state, toolkit, lap);
    }
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
        case layout::TableScroll.Number:
            ScrollTable(state, toolkit, toolkit.GetControlValue(layout::TableScroll.Number));
            return true;
        default: return false;
        }
    }
    if (event == kPointerEvent) {
        switch (toolkit.EventControl()) {
        case layout::SpeedChart.Control:
        case layout::DeltaChart.Control: PointerOverChart(toolkit, toolkit.EventControl()); return true;
        case layout::LapTable.Control: PointerOverTable(state, toolkit); return true;
        default: return false;
        }
    }
    return false;
}

}  // namespace vx
