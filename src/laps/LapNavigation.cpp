#include "laps/LapNavigation.h"

#include <algorithm>

#include "laps/LapView.h"
#include "toolkit/Text.h"

namespace vx {

void PrevLapStep(AppState& state, Toolkit& toolkit)
{
    if (state.CurrentLap > 0)
        SelectLap(state, toolkit, std::int64_t{state.CurrentLap} - 1);
}

void NextLapStep(AppState& state, Toolkit& toolkit)
{
    if (state.CurrentLap < LapLimit(state))
        SelectLap(state, toolkit, std::int64_t{state.CurrentLap} + 1);
}

void SelectLap(AppState& state, Toolkit& toolkit, std::int64_t lap)
{
    state.CurrentLap = static_cast<std::int32_t>(std::clamp<std::int64_t>(lap, 0, LapLimit(state)));
    toolkit.SetControlText(LapNumberLabel, IntToText(state.CurrentLap));
    toolkit.SetControlValue(LapSlider, state.CurrentLap);
    ShowSelectedLap(state, toolkit);
}

void LapSliderMoved(AppState& state, Toolkit& toolkit)
{
    SelectLap(state, toolkit, toolkit.GetControlValue(LapSlider));
}

void ShowSelectedLap(AppState& state, Toolkit& toolkit)
{
    if (!toolkit.ImageExists(MapMasterImage))
        return;  // no map has been drawn yet
    toolkit.CopyImageSlot(MapMasterImage, MapImage);
    DrawLapView(state, toolkit);
    for (SideWindow* window : state.SideWindows)
        window->LapShown(state, toolkit);
}

void ShowLapSelector(const AppState& state, Toolkit& toolkit)
{
    toolkit.SetControlAttribute(LapSlider, SliderMaximum, LapLimit(state));
    toolkit.SetControlText(LapNumberLabel, IntToText(state.CurrentLap));
    toolkit.SetControlValue(LapSlider, state.CurrentLap);
}

}  // namespace vx
