// The application's one record of data, its numbered objects and its
// constant tables.
//
// Sections: numbers of images, controls and fonts; sizes of the data block;
// AppState; start-up of the state.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "formats/GameFile.h"
#include "formats/TrackFile.h"
#include "state/Analysis.h"
#include "toolkit/Toolkit.h"

namespace vx {

// --- Numbered objects -------------------------------------------------------

constexpr int MainWindow = 0;

// Images.
constexpr int MapImage = 1;
constexpr int PlaceholderImage = 3;
constexpr int GaugeImage = 5;
constexpr int DriverTableImage = 7;
constexpr int LapSummaryImage = 10;
constexpr int LapChartImage = 11;
constexpr int MapMasterImage = 13;

// Controls.
constexpr int MapBox = 1;
constexpr int LoadButton = 3;
constexpr int GaugeBox = 6;
constexpr int LapChartBox = 7;
constexpr int DriverTableBox = 8;
constexpr int LapSummaryBox = 9;
constexpr int LapCaption = 11;
constexpr int LapNumberLabel = 12;
constexpr int PrevLapButton = 13;
constexpr int NextLapButton = 14;
constexpr int LapSlider = 15;
constexpr int SaveButton = 16;
constexpr int LogLabel = 17;

// Commands of keys that no control carries (control events of no control).
constexpr int FirstLapCommand = 20;
constexpr int LastLapCommand = 21;
constexpr int PageBackCommand = 22;
constexpr int PageForwardCommand = 23;

// Fonts.
constexpr int LabelFont = 1;
constexpr int TableFont = 2;

// The file number every read uses.
constexpr int ReadFile = 0;

// --- The data block ---------------------------------------------------------

constexpr std::int64_t kTrackArea = 1'000'000;
constexpr std::int64_t kMapBitmapArea = 1'000'000;
constexpr std::int64_t kGameArea = 2'000'000;
constexpr std::int64_t kDataBlockSize = kTrackArea + kMapBitmapArea + kGameArea;

// --- AppState -----------------------------------------------------------------

struct AppState {
    // The data block and its three areas. Each area holds the committed file
    // of the current analysis; its length field says how many bytes are valid.
    std::uint8_t* DataBlock = nullptr;
    std::uint8_t* TrackBuffer = nullptr;
    std::uint8_t* MapBitmapArea = nullptr;
    std::uint8_t* GameBuffer = nullptr;
    std::int32_t TrackFileLength = 0;
    std::int32_t GameLength = 0;

    std::string GameDirectory;
    std::string TrackDirectory;
    std::string TrackPath;
    std::string TrackAltPath;
    std::string GameFileName;
    std::string TrackFileName;
    std::string PictureName;

    std::int32_t LastEvent = 0;
    std::uint8_t QuitFlag = 0;
    std::int32_t LapCounter = 0;
    std::int32_t CurrentLap = 0;

    // The message log: slots 1..LogLineCount hold the last messages, oldest
    // first.
    std::string LineBreak;
    std::int32_t LogLineCount = 0;
    std::array<std::string, 8> LogLines;
    std::string LogText;
    // The newest message whole and as composed (file names as the system
    // gives them): the command line prints it.
    std::string NewestMessage;
    // The newest message says that something failed (shown in red).
    bool NewestIsFailure = false;

    std::array<Colour, 22> ColourTable{};
    std::array<std::int32_t, 18> TerrainPalette{};

    // The parsed files of the current analysis.
    GameData Game;
    TrackData Track;
    bool HasGame = false;   // a saved game has been committed
    std::string GamePath;   // its path
    bool HasTrack = false;  // a track has been committed

    // The committed replay cut into laps.
    LapTrace Laps;

    // True while "Load" runs: the lap navigation does nothing meanwhile.
    bool Loading = false;
};

// The bytes of the committed files.
inline std::span<const std::uint8_t> GameBytes(const AppState& state)
{
    return {state.GameBuffer, state.GameBuffer ? static_cast<std::size_t>(state.GameLength) : 0};
}
inline std::span<const std::uint8_t> TrackBytes(const AppState& state)
{
    return {state.TrackBuffer,
            state.TrackBuffer ? static_cast<std::size_t>(state.TrackFileLength) : 0};
}

// Fills the state as the program starts: tables, data block, folders, fonts
// and the message log. False when the data block cannot be allocated.
bool InitAppState(AppState& state, Toolkit& toolkit);

}  // namespace vx
