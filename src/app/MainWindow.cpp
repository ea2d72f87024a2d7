#include "app/MainWindow.h"

#include <algorithm>

#include "state/EmbeddedPictures.h"
#include "app/Export.h"
#include "app/LoadWorkflow.h"
#include "laps/LapView.h"
#include "toolkit/Text.h"

namespace vx {

namespace {

std::int32_t ClampToInt32(std::int64_t value)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
}

}  // namespace

void MakePlaceholderImage(Toolkit& toolkit)
{
    toolkit.CatchBitmapImage(PlaceholderImage, PlaceholderBitmap());
}

void OpenMainWindow(AppState& state, Toolkit& toolkit)
{
    const WindowHandle window =
        toolkit.CreateAppWindow(MainWindow, 5, 5, kClientWidth, kClientHeight, kWindowTitle,
                                kFixedWindowStyle);
    if (toolkit.AttachControlList(window) == 0)
        return;
    toolkit.AddLabel(LapCaption, 10, 625, 50, 24, "Lap:");
    toolkit.AddLabel(LapNumberLabel, 55, 625, 30, 24, "");
    toolkit.AddButton(PrevLapButton, 120, 620, 25, 24, "<");
    toolkit.AddButton(NextLapButton, 155, 620, 25, 24, ">");
    toolkit.AddPictureBox(MapBox, 5, 5, 512, 560, 0);
    toolkit.AddButton(LoadButton, 120, 580, 60, 24, "Load");
    toolkit.AddPictureBox(GaugeBox, 520, 150, 512, 140, 0);
    toolkit.AddPictureBox(DriverTableBox, 520, 5, 480, 140, 0);
    toolkit.AddPictureBox(LapSummaryBox, 520, 295, 480, 270, 0);
    toolkit.AddPictureBox(LapChartBox, 200, 570, 800, 140, 0);
    toolkit.AddSlider(LapSlider, 10, 660, 180, 30, 0, kInitialSliderMaximum, 1);
    // Beyond the lap selector: picture export and the message log.
    toolkit.AddButton(SaveButton, 10, 580, 60, 24, "Save");
    toolkit.SetControlEnabled(SaveButton, false);
    toolkit.AddLabel(LogLabel, 10, 694, 185, 22, "", kLabelEndEllipsis);
    ShowLog(state, toolkit);
    toolkit.AcceptDrops(MainWindow, true);
    // The pictures are coloured to sit on the dialog colour.
    toolkit.SetWindowBackground(MainWindow, state.ColourTable[18]);

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
    const int tabOrder[] = {SaveButton, LoadButton, PrevLapButton, NextLapButton, LapSlider};
    toolkit.SetTabOrder(tabOrder);
}

void PrevLapStep(AppState& state, Toolkit& toolkit)
{
    const std::int64_t n = TextToInt(toolkit.GetControlText(LapNumberLabel)) - 1;
    if (n < 0) {
        state.LapCounter = 0;
        return;
    }
    state.LapCounter = ClampToInt32(n);
    toolkit.SetControlText(LapNumberLabel, IntToText(state.LapCounter));
    toolkit.SetControlValue(LapSlider, state.LapCounter);
    ShowSelectedLap(state, toolkit);
}

void NextLapStep(AppState& state, Toolkit& toolkit)
{
    const std::int64_t n = TextToInt(toolkit.GetControlText(LapNumberLabel)) + 1;
    const int maximum = toolkit.GetControlAttribute(LapSlider, 2);
    if (n > maximum) {
        state.LapCounter = maximum;
        return;
    }
    state.LapCounter = ClampToInt32(n);
    toolkit.SetControlText(LapNumberLabel, IntToText(state.LapCounter));
    toolkit.SetControlValue(LapSlider, state.LapCounter);
    ShowSelectedLap(state, toolkit);
}

void SelectLap(AppState& state, Toolkit& toolkit, std::int64_t lap)
{
    const int maximum = toolkit.GetControlAttribute(LapSlider, 2);
    state.LapCounter = ClampToInt32(std::clamp<std::int64_t>(lap, 0, maximum));
    toolkit.SetControlText(LapNumberLabel, IntToText(state.LapCounter));
    toolkit.SetControlValue(LapSlider, state.LapCounter);
    ShowSelectedLap(state, toolkit);
}

void LapSliderMoved(AppState& state, Toolkit& toolkit)
{
    state.LapCounter = ClampToInt32(toolkit.GetControlValue(LapSlider));
    toolkit.SetControlText(LapNumberLabel, IntToText(state.LapCounter));
    ShowSelectedLap(state, toolkit);
}

void ShowSelectedLap(AppState& state, Toolkit& toolkit)
{
    if (!toolkit.ImageExists(MapMasterImage))
        return;  // no map has been drawn yet
    state.CurrentLap = ClampToInt32(TextToInt(toolkit.GetControlText(LapNumberLabel)));
    toolkit.CopyImageSlot(MapMasterImage, MapImage);
    DrawLapView(state, toolkit);
}

// --- Application --------------------------------------------------------------

bool Application::StartUp()
{
    if (!InitAppState(state_, toolkit_))
        return false;
    MakePlaceholderImage(toolkit_);
    OpenMainWindow(state_, toolkit_);
    return true;
}

std::int64_t Application::ShownLap() const
{
    return TextToInt(toolkit_.GetControlText(LapNumberLabel));
}

int Application::LapPageStep() const
{
    return std::max(1, toolkit_.GetControlAttribute(LapSlider, 2) / 5);
}

bool Application::HandleEvent(int event)
{
    state_.LastEvent = event;
    if (event == kControlEvent) {
        switch (toolkit_.EventControl()) {
        case LoadButton: LoadGame(state_, toolkit_); break;
        case PrevLapButton: PrevLapStep(state_, toolkit_); break;
        case NextLapButton: NextLapStep(state_, toolkit_); break;
        case LapSlider: LapSliderMoved(state_, toolkit_); break;
        case SaveButton: SavePicture(state_, toolkit_); break;
        case FirstLapCommand: SelectLap(state_, toolkit_, 0); break;
        case LastLapCommand: SelectLap(state_, toolkit_, toolkit_.GetControlAttribute(LapSlider, 2)); break;
        case PageBackCommand: SelectLap(state_, toolkit_, ShownLap() - LapPageStep()); break;
        case PageForwardCommand: SelectLap(state_, toolkit_, ShownLap() + LapPageStep()); break;
        default: break;
        }
    } else if (event == kDropEvent) {
        const std::string& dropped = toolkit_.DroppedPath();
        if (IsSavedGameName(dropped))
            LoadGameFrom(state_, toolkit_, dropped);
        else
            LogFailure(state_, toolkit_, "Not a saved game: " + FileNamePart(dropped));
    }
    return !(state_.LastEvent == kCloseEvent || state_.QuitFlag != 0);
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
