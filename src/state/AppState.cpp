#include "state/AppState.h"

namespace vx {

std::int32_t LapLimit(const AppState& state)
{
    return state.HasTrack ? state.Laps.LapCount : kInitialLapLimit;
}

void InitAppState(AppState& state, const std::string& currentFolder)
{
    state = AppState{};
    const Colour colours[19] = {
        MakeRgb(160, 160, 160), MakeRgb(180, 180, 180), MakeRgb(144, 220, 96),
        MakeRgb(190, 200, 128), MakeRgb(150, 140, 100), MakeRgb(190, 180, 160),
        MakeRgb(240, 220, 210), MakeRgb(246, 251, 254), MakeRgb(220, 231, 240),
        MakeRgb(255, 255, 255), MakeRgb(255, 255, 0),   MakeRgb(255, 0, 0),
        MakeRgb(63, 63, 63),    MakeRgb(0, 0, 0),       MakeRgb(0, 0, 0),
        MakeRgb(0, 0, 0),       MakeRgb(200, 230, 239), MakeRgb(160, 180, 200),
        MakeRgb(212, 208, 200)};
    for (int i = 0; i < 19; ++i)
        state.Colours.Entries[static_cast<std::size_t>(i)] = colours[i];
    state.Terrain = {23, 26, 42, 154, 59, 83, 89, 104, 100, 242, 245, 244, 9, 0, 0, 0, 0, 0};
    state.GameDirectory = currentFolder;
    state.TrackDirectory = currentFolder;
}

void LoadFonts(Toolkit& toolkit)
{
    toolkit.LoadFontSlot(LabelFont, "Lucida Console", 12);
    toolkit.LoadFontSlot(TableFont, "Arial", 10, kFontBold);

    // The first text drawn in a font makes the system find, load and render
    // its glyphs: done here, with every printable character, so that the
    // first load draws as fast as every later one.
    std::string printable;
    for (char c = ' '; c <= '~'; ++c)
        printable.push_back(c);
    toolkit.CreateImageSlot(ScratchImage, 1000, 20);
    Drawing drawing(toolkit, ScratchImage);
    for (const FontHandle font : {toolkit.FontHandleOf(LabelFont), toolkit.FontHandleOf(TableFont),
                                  kSystemFont}) {
        toolkit.SetDrawingFont(font);
        toolkit.DrawTextAt(0, 0, printable);
    }
}

}  // namespace vx
