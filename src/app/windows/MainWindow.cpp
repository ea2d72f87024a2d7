#include "app/windows/MainWindow.h"

#include <algorithm>

#include "app/windows/LapFiles.h"
#include "app/windows/MainWindowLayout.h"
#include "app/windows/StartGuide.h"
#include "laps/LapChart.h"
#include "laps/LapNavigation.h"
#include "laps/LapView.h"
#include "load/Export.h"
#include "load/LoadFiles.h"
#include "load/LoadWorkflow.h"
#include "state/EmbeddedPictures.h"
#include "toolkit/Format.h"
#include "toolkit/Text.h"

namespace vx {

void MakePlaceholderImage(Toolkit& toolkit)
{
    toolkit.StoreImageSlot(PlaceholderImage, PlaceholderPicture());
}

void OpenMainWindow(AppState& state, Toolkit& toolkit)
{
    const WindowHandle window =
        toolkit.CreateAppWindow(MainWindow, 5, 5, kClientWidth, kClientHeight, kWindowTitle,
                                kFixedWindowStyle);
    if (toolkit.AttachControlList(window) == 0)
        return;
    namespace layout = main_window;
    const auto label = [&](int number, layout::Place at, const std::string& text, int flags = 0) {
        toolkit.AddLabel(number, at.x, at.y, at.w, at.h, text, flags);
    };
    const auto button = [&](int number, layout::Place at, const std::string& text) {
        toolkit.AddButton(number, at.x, at.y, at.w, at.h, text);
    };
    const auto pictureBox = [&](int number, layout::Place at) {
        toolkit.AddPictureBox(number, at.x, at.y, at.w, at.h, 0);
    };
    label(LapCaption, layout::LapCaption, "Lap:");
    label(LapNumberLabel, layout::LapNumberLabel, "");
    button(PrevLapButton, layout::PrevLapButton, "<");
    button(NextLapButton, layout::NextLapButton, ">");
    pictureBox(MapBox, layout::MapBox);
    button(LoadButton, layout::LoadButton, "Load");
    pictureBox(GaugeBox, layout::GaugeBox);
    pictureBox(DriverTableBox, layout::DriverTableBox);
    pictureBox(LapSummaryBox, layout::LapSummaryBox);
    pictureBox(LapChartBox, layout::LapChartBox);
    const layout::Place slider = layout::LapSlider;
    toolkit.AddSlider(LapSlider, slider.x, slider.y, slider.w, slider.h, 0, kInitialLapLimit, 1);
    // Beyond the lap selector: picture export, the comparison of a lap with
    // the reference lap, and the message log.
    button(SaveButton, layout::SaveButton, "Save");
    toolkit.SetControlEnabled(SaveButton, false);
    label(LogLabel, layout::LogLabel, "", kLabelWordWrap);
    button(CompareButton, layout::CompareButton, "Compare");
    toolkit.SetControlEnabled(CompareButton, false);
    // The races kept from every load, beside the log.
    button(HistoryButton, layout::HistoryButton, "History");
    // Each race the game saves beside the shown one, loaded as it settles.
    const layout::Place follow = layout::FollowCheckBox;
    toolkit.AddCheckBox(FollowCheckBox, follow.x, follow.y, follow.w, follow.h, "Follow folder");
    toolkit.SetControlToolTip(FollowCheckBox, "Follow the shown race's folder: each race the game saves there is "
                                              "loaded once written whole, kept in the history and said in the log.");
    // A lap's point on the lap chart names its lap and time, and a click
    // selects it.
    toolkit.TrackPointer(LapChartBox, true);
    ShowLog(state, toolkit);
    toolkit.AcceptDrops(MainWindow, true);
    // A saved game opened again from the file manager loads here.
    toolkit.ReceivePassedFiles(MainWindow);
    // The pictures are coloured to sit on the dialog colour.
    toolkit.SetWindowBackground(MainWindow, state.Colours[Paint::DialogFace]);

    // The keys a person tries first, wherever the focus is.
    toolkit.AddKeyCommand(MainWindow, Key::Left, PrevLapButton);
    toolkit.AddKeyCommand(MainWindow, Key::Right, NextLapButton);
    toolkit.AddKeyCommand(MainWindow, Key::PageUp, PageBackCommand);
    toolkit.AddKeyCommand(MainWindow, Key::PageDown, PageForwardCommand);
    toolkit.AddKeyCommand(MainWindow, Key::Home, FirstLapCommand);
    toolkit.AddKeyCommand(MainWindow, Key::End, LastLapCommand);
    toolkit.AddKeyCommand(MainWindow, Key::CtrlO, LoadButton);
    toolkit.AddKeyCommand(MainWindow, Key::CtrlS, SaveButton);
    // Tab follows the layout, row by row.
    const int tabOrder[] = {SaveButton,    CompareButton, LoadButton, PrevLapButton,
                            NextLapButton, FollowCheckBox, LapSlider, HistoryButton};
    toolkit.SetTabOrder(tabOrder);
    // How to begin, where the map will be.
    ShowStartGuide(state, toolkit);
}

// --- Application --------------------------------------------------------------

void Application::StartUp(const HistoryOptions& history)
{
    InitAppState(state_, toolkit_.CurrentFolder());
    // The history records the committed race before the windows show it; the
    // lap files last: a waiting lap is compared against once the comparison
    // has taken the new race.
    state_.SideWindows = {&raceHistory_, &compare_, &history_, &following_, &lapFiles_};
    LoadFonts(toolkit_);
    MakePlaceholderImage(toolkit_);
    OpenMainWindow(state_, toolkit_);
    raceHistory_.OnRecorded([this](AppState& state, Toolkit& toolkit) {
        // A race that waited for the history, recorded now.
        if (!state.Loading)
            history_.RaceRecorded(state, toolkit);
    });
    raceHistory_.Start(state_, toolkit_, history);
    // A lap file compared against in the window is kept as a lap of another
    // driver (once), where the history may be written.
    compare_.KeepLapFilesWith([this](const LapFile& lap) { KeepLap(lap); });
    following_.Start(state_, toolkit_);
}

int Application::LapPageStep() const
{
    return std::max(1, LapLimit(state_) / 5);
}

bool Application::HandleEvent(int event)
{
    if (raceHistory_.HandleEvent(state_, toolkit_, event) || compare_.HandleEvent(state_, toolkit_, event) ||
        history_.HandleEvent(state_, toolkit_, event) ||
        following_.HandleEvent(state_, toolkit_, event))
        return true;
    if (event == kPointerEvent && toolkit_.EventControl() == LapChartBox) {
        PointerOverLapChart();
    } else if (event == kControlEvent) {
        switch (toolkit_.EventControl()) {
        case LoadButton: LoadGame(state_, toolkit_, MainWindow); break;
        case PrevLapButton: PrevLapStep(state_, toolkit_); break;
        case NextLapButton: NextLapStep(state_, toolkit_); break;
        case LapSlider: LapSliderMoved(state_, toolkit_); break;
        case SaveButton: SavePicture(state_, toolkit_, MainWindow); break;
        case CompareButton: compare_.Open(state_, toolkit_); break;
        case HistoryButton: history_.Open(state_, toolkit_); break;
        case FirstLapCommand: SelectLap(state_, toolkit_, 0); break;
        case LastLapCommand: SelectLap(state_, toolkit_, LapLimit(state_)); break;
        case PageBackCommand: SelectLap(state_, toolkit_, state_.CurrentLap - LapPageStep()); break;
        case PageForwardCommand: SelectLap(state_, toolkit_, state_.CurrentLap + LapPageStep()); break;
        default: break;
        }
    } else if (event == kDropEvent) {
        OpenGivenFile(toolkit_.DroppedPath());
    }
    return event != kCloseEvent;
}

void Application::OpenGivenFile(const std::string& path)
{
    if (IsLapFileAt(toolkit_, path)) {
        OpenLapFile(path);
        return;
    }
    // Whatever its name: a file that parses as a saved game loads, a track
    // or a picture is refused for what it is.
    LoadGameFrom(state_, toolkit_, path, {}, MainWindow);
}

void Application::OpenLapFile(const std::string& path)
{
    lapFiles_.Open(state_, toolkit_, path, MainWindow);
}

void Application::KeepLap(const LapFile& lap)
{
    HistoryStore* store = raceHistory_.Store();
    if (store == nullptr || !raceHistory_.Records())
        return;
    if (!store->KeepLapFile(lap))
        LogFailure(state_, toolkit_, "Lap not kept: " + store->LastFailure().message);
}

void Application::CompareAgainstLap(AppState& state, Toolkit& toolkit, const LapFile& lap, const std::string& name)
{
    const std::string why = compare_.CompareAgainstLap(state, toolkit, lap, name);
    if (why.empty())
        compare_.SayComparedAgainst(state, toolkit, name);
    else
        SayFailure(state, toolkit, compare_.IsOpen(toolkit) ? CompareWindowNumber : MainWindow, why);
}

void Application::PointerOverLapChart()
{
    const PointerAction action = toolkit_.EventPointerAction();
    const std::int32_t lap = action == PointerAction::Leave
                                 ? 0
                                 : LapAtChartX(LapChartOf(state_.Laps, state_.CurrentLap), toolkit_.PointerX());
    // The point of a lap on the chart selects it, as the buttons would.
    if (action == PointerAction::Press && lap != 0)
        SelectLap(state_, toolkit_, lap);
    // The lap under the pointer, named with its time: the chart shows every
    // lap, the summary only the first forty.
    const std::string tip = lap == 0 ? std::string()
                                     : "Lap " + IntToText(lap) + ": " +
                                           LapTimeText(state_.Laps.LapTimes[static_cast<std::size_t>(lap - 1)]);
    if (tip != chartTip_) {
        chartTip_ = tip;
        toolkit_.SetControlToolTip(LapChartBox, tip);
    }
}

int Application::Run()
{
    while (HandleEvent(toolkit_.WaitEvent())) {
    }
    toolkit_.ShutdownToolkit();
    return 0;
}

bool Application::ProcessPendingEvents()
{
    for (int event = toolkit_.PollEvent(); event != 0; event = toolkit_.PollEvent())
        if (!HandleEvent(event))
            return false;
    return true;
}

}  // namespace vx
