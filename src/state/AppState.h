// The application's one record of data and its constant tables (the
// numbers of the toolkit's objects: state/Numbers.h).
//
// Sections: colours; AppState; the windows beside the main one; start-up of
// the state.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "formats/GameFile.h"
#include "formats/TrackFile.h"
#include "state/Analysis.h"
#include "state/MessageLog.h"
#include "state/Numbers.h"
#include "toolkit/SystemServices.h"
#include "toolkit/Toolkit.h"

namespace vx {

// --- Colours -------------------------------------------------------------------

// The entries of the colour table, by what they paint (the others paint
// nothing).
enum class Paint : int {
    PostSquare = 0,      // (160, 160, 160) posts
    BuildingFill = 1,    // (180, 180, 180) buildings
    BarrierBrown = 4,    // (150, 140, 100) barriers of type 23
    MarkerWhite = 7,     // (246, 251, 254) trees, the centres of markers and posts
    BarrierWhite = 9,    // (255, 255, 255) barriers of types 1 and 29
    BarrierYellow = 10,  // (255, 255, 0) barriers of type 3
    MarkerRed = 11,      // (255, 0, 0) the rings of markers, barriers of type 2
    TableText = 13,      // (0, 0, 0) the driver table's and the gauges' texts
    GaugeFullScale = 16, // (200, 230, 239)
    GaugeValue = 17,     // (160, 180, 200)
    DialogFace = 18,     // (212, 208, 200) the gauge panel, the window
};

struct ColourTable {
    std::array<Colour, 22> Entries{};
    Colour operator[](Paint paint) const { return Entries[static_cast<std::size_t>(paint)]; }
};

// The palette index of each terrain code of the map's runs.
using TerrainPalette = std::array<std::int32_t, 18>;

// --- AppState -----------------------------------------------------------------

class SideWindow;

struct AppState {
    // Where the requesters start: the folder of the saved game chosen last,
    // and of the track chosen by hand last.
    std::string GameDirectory;
    std::string TrackDirectory;

    // The committed analysis, replaced whole by a load that succeeds and
    // left whole by one that does not.
    bool HasGame = false;         // a saved game has been committed
    std::string GamePath;         // its path
    std::int64_t GameLength = 0;  // and its length in bytes
    Sha256Digest GameDigest{};    // of its bytes: the race's key in the history
    GameData Game;
    bool HasTrack = false;        // a track has been committed (so a map drawn)
    std::string TrackPath;        // the track file read
    std::string TrackFileName;    // its name as shown: the saved game's spelling
    Sha256Digest LayoutDigest{};  // of its bytes before the best times: the layout's key
    TrackData Track;
    LapTrace Laps;                // the replay cut into laps

    // The lap shown: 0 the whole race.
    std::int32_t CurrentLap = 0;

    MessageLog Log;
    ColourTable Colours;
    TerrainPalette Terrain{};

    // True while "Load" runs: the lap navigation does nothing meanwhile.
    bool Loading = false;

    // Our own windows beside the main one, owned by the application: each
    // follows the lap shown and every committed analysis.
    std::vector<SideWindow*> SideWindows;
};

// --- The windows beside the main one --------------------------------------------

// A window of our own beside the main window (the lap comparison). It keeps
// its own state; the main window tells it what changed.
class SideWindow {
public:
    // The main window shows another lap (CurrentLap).
    virtual void LapShown(const AppState& state, Toolkit& toolkit) = 0;
    // A load was committed and the main window drew it, at lap 0. (A window
    // may say something of it in the log.)
    virtual void AnalysisCommitted(AppState& state, Toolkit& toolkit) = 0;

protected:
    ~SideWindow() = default;
};

// The highest lap the lap selector reaches: the committed laps, or 20 before
// the first load.
constexpr std::int32_t kInitialLapLimit = 20;
std::int32_t LapLimit(const AppState& state);

// Fills the state as the program starts: the tables, the folders and the
// message log.
void InitAppState(AppState& state, const std::string& currentFolder);

// Loads the two fonts of the pictures, with their glyphs ready to draw.
void LoadFonts(Toolkit& toolkit);

}  // namespace vx
