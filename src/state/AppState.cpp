#include "state/AppState.h"

#include "toolkit/Text.h"

namespace vx {

namespace {

void FillColourTable(std::array<Colour, 22>& table)
{
    table = {};
    const Colour colours[19] = {
        MakeRgb(160, 160, 160), MakeRgb(180, 180, 180), MakeRgb(144, 220, 96),
        MakeRgb(190, 200, 128), MakeRgb(150, 140, 100), MakeRgb(190, 180, 160),
        MakeRgb(240, 220, 210), MakeRgb(246, 251, 254), MakeRgb(220, 231, 240),
        MakeRgb(255, 255, 255), MakeRgb(255, 255, 0),   MakeRgb(255, 0, 0),
        MakeRgb(63, 63, 63),    MakeRgb(0, 0, 0),       MakeRgb(0, 0, 0),
        MakeRgb(0, 0, 0),       MakeRgb(200, 230, 239), MakeRgb(160, 180, 200),
        MakeRgb(212, 208, 200)};
    for (int i = 0; i < 19; ++i)
        table[i] = colours[i];
}

void FillTerrainPalette(std::array<std::int32_t, 18>& palette)
{
    palette = {23, 26, 42, 154, 59, 83, 89, 104, 100, 242, 245, 244, 9, 0, 0, 0, 0, 0};
}

}  // namespace

bool InitAppState(AppState& state, Toolkit& toolkit)
{
    state = AppState{};
    FillColourTable(state.ColourTable);
    FillTerrainPalette(state.TerrainPalette);

    state.TrackFileLength = static_cast<std::int32_t>(kGameArea);
    state.GameLength = static_cast<std::int32_t>(kGameArea);
    state.DataBlock = toolkit.AllocateMemory(state.TrackFileLength + state.GameLength);
    if (state.DataBlock == nullptr)
        return false;
    state.TrackBuffer = state.DataBlock;
    state.MapBitmapArea = state.DataBlock + kTrackArea;
    state.GameBuffer = state.DataBlock + kTrackArea + kMapBitmapArea;
    // Until a file is read, no byte of either area is valid.
    state.TrackFileLength = 0;
    state.GameLength = 0;

    state.GameDirectory = CurrentFolder();
    state.TrackDirectory = state.GameDirectory;
    state.LineBreak = "\r\n";

    toolkit.LoadFontSlot(LabelFont, "Lucida Console", 12);
    toolkit.LoadFontSlot(TableFont, "Arial", 10, kFontBold);

    state.LogLineCount = 6;
    for (int k = 1; k <= state.LogLineCount; ++k)
        state.LogLines[k] = "> ";
    state.LogText = "> ";
    return true;
}

}  // namespace vx
