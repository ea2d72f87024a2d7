#include "app/CompareWindow.h"

#include <algorithm>

#include "app/MainWindow.h"
#include "laps/CompareView.h"
#include "toolkit/Text.h"

namespace vx {

namespace {

constexpr int kWheelRows = 3;  // table rows per notch of the wheel

void AddBox(Toolkit& toolkit, int number, const CompareBox& box)
{
    toolkit.AddPictureBox(number, box.x, box.y, box.w, box.h, 0);
}

int LastTableTop(const Comparison& c)
{
    return c.Analysis ? std::max(0, c.Analysis->LapCount - VisibleTableRows()) : 0;
}

// The table's scroll bar and the reference's label for the analysis.
void ShowChoices(const AppState& state, Toolkit& toolkit)
{
    const Comparison& c = state.Compare;
    toolkit.SetControlAttribute(SectorTableScroll, SliderMaximum, LastTableTop(c));
    toolkit.SetControlValue(SectorTableScroll, c.TableTop);
    toolkit.SetControlText(ReferenceLabel, c.Analysis ? IntToText(c.Analysis->ReferenceLap) : "");
    const bool laps = c.Analysis.has_value();
    toolkit.SetControlEnabled(PrevReferenceButton, laps && c.Analysis->ReferenceLap > 1);
    toolkit.SetControlEnabled(NextReferenceButton, laps && c.Analysis->ReferenceLap < c.Analysis->LapCount);
}

// Scrolls the table so that the compared lap's row is in view.
void KeepLapInView(Comparison& c)
{
    if (c.Lap == 0)
        return;
    const int row = c.Lap - 1;
    if (row < c.TableTop)
        c.TableTop = row;
    else if (row >= c.TableTop + VisibleTableRows())
        c.TableTop = row - VisibleTableRows() + 1;
    c.TableTop = std::clamp(c.TableTop, 0, LastTableTop(c));
}

void Redraw(AppState& state, Toolkit& toolkit)
{
    Comparison& c = state.Compare;
    c.Lap = ComparedLap(state, c);
    KeepLapInView(c);
    DrawComparison(state, c, toolkit);
    ShowChoices(state, toolkit);
}

void ScrollTable(AppState& state, Toolkit& toolkit, std::int64_t top)
{
    Comparison& c = state.Compare;
    c.TableTop = static_cast<std::int32_t>(std::clamp<std::int64_t>(top, 0, LastTableTop(c)));
    toolkit.SetControlValue(SectorTableScroll, c.TableTop);
    DrawSectorTable(state, c, toolkit);
}

void ChooseReference(AppState& state, Toolkit& toolkit, std::int32_t step)
{
    Comparison& c = state.Compare;
    if (!c.Analysis)
        return;
    c.ReferenceChoice = std::clamp(c.Analysis->ReferenceLap + step, 1, c.Analysis->LapCount);
    Recompare(c, state);
    Redraw(state, toolkit);
}

void PointerOverChart(AppState& state, Toolkit& toolkit)
{
    Comparison& c = state.Compare;
    if (toolkit.EventPointerAction() == PointerAction::Move)
        c.Cursor = ChartFraction(toolkit.PointerX());
    else if (toolkit.EventPointerAction() == PointerAction::Leave)
        c.Cursor.reset();
    else
        return;
    DrawCompareCursor(state, c, toolkit);
}

void PointerOverTable(AppState& state, Toolkit& toolkit)
{
    Comparison& c = state.Compare;
    if (toolkit.EventPointerAction() == PointerAction::Wheel) {
        ScrollTable(state, toolkit, std::int64_t{c.TableTop} - std::int64_t{toolkit.WheelSteps()} * kWheelRows);
    } else if (toolkit.EventPointerAction() == PointerAction::Press) {
        // A lap's row makes it the main window's lap, and so the lap compared.
        if (const std::int32_t lap = TableLapAt(c, toolkit.PointerY()))
            SelectLap(state, toolkit, lap);
    }
}

}  // namespace

void OpenComparison(AppState& state, Toolkit& toolkit)
{
    Comparison& c = state.Compare;
    if (!c.Open) {
        const WindowHandle window = toolkit.CreateAppWindow(CompareWindow, 40, 40, kCompareWidth, kCompareHeight,
                                                            kCompareTitle, kFixedWindowStyle);
        if (toolkit.AttachControlList(window) == 0)
            return;
        c.Open = true;
        c.ReferenceChoice = 0;
        c.TableTop = 0;
        c.Cursor.reset();
        toolkit.LoadFontSlot(CompareFont, "Arial", 9);
        AddBox(toolkit, CompareMapBox, kCompareMapBox);
        AddBox(toolkit, SpeedLegendBox, kSpeedLegendBox);
        AddBox(toolkit, SpeedChartBox, kSpeedChartBox);
        AddBox(toolkit, DeltaChartBox, kDeltaChartBox);
        AddBox(toolkit, SectorTableBox, kSectorTableBox);
        AddBox(toolkit, CompareInfoBox, kCompareInfoBox);
        toolkit.AddScrollBar(SectorTableScroll, kTableScrollBox.x, kTableScrollBox.y, kTableScrollBox.w,
                             kTableScrollBox.h, 0, 0, VisibleTableRows());
        toolkit.AddLabel(ReferenceCaption, 10, 607, 95, 20, "Reference lap:");
        toolkit.AddButton(PrevReferenceButton, 110, 603, 25, 24, "<");
        toolkit.AddLabel(ReferenceLabel, 142, 607, 40, 20, "");
        toolkit.AddButton(NextReferenceButton, 185, 603, 25, 24, ">");
        for (const int box : {SpeedChartBox, DeltaChartBox, SectorTableBox})
            toolkit.TrackPointer(box, true);
        toolkit.SetWindowBackground(CompareWindow, state.Colours[Paint::DialogFace]);
        // The main window's lap keys work here too.
        toolkit.AddKeyCommand(CompareWindow, Key::Left, PrevLapButton);
        toolkit.AddKeyCommand(CompareWindow, Key::Right, NextLapButton);
        toolkit.AddKeyCommand(CompareWindow, Key::Home, FirstLapCommand);
        toolkit.AddKeyCommand(CompareWindow, Key::End, LastLapCommand);
        const int tabOrder[] = {PrevReferenceButton, NextReferenceButton, SectorTableScroll};
        toolkit.SetTabOrder(tabOrder);
    }
    Recompare(c, state);
    Redraw(state, toolkit);
}

void CloseComparison(AppState& state, Toolkit& toolkit)
{
    toolkit.DestroyAppWindow(CompareWindow);
    state.Compare = Comparison{};
}

void FollowSelectedLap(AppState& state, Toolkit& toolkit)
{
    Comparison& c = state.Compare;
    if (c.Open && ComparedLap(state, c) != c.Lap)
        Redraw(state, toolkit);
}

void FollowLoad(AppState& state, Toolkit& toolkit)
{
    Comparison& c = state.Compare;
    if (!c.Open)
        return;
    c.ReferenceChoice = 0;
    c.TableTop = 0;
    c.Cursor.reset();
    Recompare(c, state);
    Redraw(state, toolkit);
}

bool HandleCompareEvent(AppState& state, Toolkit& toolkit, int event)
{
    if (event == kCloseEvent) {
        if (toolkit.EventWindow() != CompareWindow)
            return false;
        CloseComparison(state, toolkit);
        return true;
    }
    if (event == kControlEvent) {
        switch (toolkit.EventControl()) {
        case PrevReferenceButton: ChooseReference(state, toolkit, -1); return true;
        case NextReferenceButton: ChooseReference(state, toolkit, +1); return true;
        case SectorTableScroll: ScrollTable(state, toolkit, toolkit.GetControlValue(SectorTableScroll)); return true;
        default: return false;
        }
    }
    if (event == kPointerEvent) {
        switch (toolkit.EventControl()) {
        case SpeedChartBox:
        case DeltaChartBox: PointerOverChart(state, toolkit); return true;
        case SectorTableBox: PointerOverTable(state, toolkit); return true;
        default: return false;
        }
    }
    return false;
}

}  // namespace vx
