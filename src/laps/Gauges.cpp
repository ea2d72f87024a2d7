#include "laps/Gauges.h"

#include "toolkit/Text.h"

namespace vx {

void NewGaugeImage(AppState& state, Toolkit& toolkit)
{
    toolkit.CreateImageSlot(GaugeImage, 480, 140, state.Colours[Paint::DialogFace]);
}

void DrawGauge(AppState& state, Toolkit& toolkit, int row, int value, int fullScale,
               const std::string& label, const std::string& valueText)
{
    const ColourTable& colours = state.Colours;
    Drawing drawing(toolkit, GaugeImage);
    if (drawing.Target() == nullptr)
        return;
    toolkit.SetDrawingMode(1);
    toolkit.SetDrawingFont(toolkit.FontHandleOf(TableFont));
    const int y = 20 * row + 8;
    toolkit.DrawTextAt(10, y, label, colours[Paint::TableText]);
    toolkit.FillBox(150, y, 250, 18, colours[Paint::GaugeFullScale]);
    const std::int64_t width = fullScale == 0 ? 0 : std::int64_t{value} * 250 / fullScale;
    toolkit.FillBox(150, y, width, 18, colours[Paint::GaugeValue]);
    const int textWidth = toolkit.MeasureTextWidth(valueText);
    toolkit.DrawTextAt(150 + (125 - textWidth / 2), y, valueText, colours[Paint::TableText]);
}

void DrawGaugePanel(AppState& state, Toolkit& toolkit)
{
    const GameData& game = state.Game;
    NewGaugeImage(state, toolkit);
    DrawGauge(state, toolkit, 1, game.TyresPercent, 100, "Tyres:", IntToText(game.TyresPercent) + " %");
    DrawGauge(state, toolkit, 2, game.ConsumptionPercent, 100, "Consumption:",
              IntToText(game.ConsumptionPercent) + " %");
    DrawGauge(state, toolkit, 3, game.FuelMassKg, 200, "Fuelmass:", IntToText(game.FuelMassKg) + " kg");
    DrawGauge(state, toolkit, 4, game.DamagePercent, 100, "Damage:", IntToText(game.DamagePercent) + " %");
    DrawGauge(state, toolkit, 5, game.SpeedPercent, 200, "Speed:", IntToText(game.SpeedPercent) + " %");
    if (toolkit.ImageExists(GaugeImage))
        toolkit.ShowImage(GaugeBox, GaugeImage);
}

}  // namespace vx
