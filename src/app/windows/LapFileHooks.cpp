// The steps a lap file opened with the program is handed to. Keeping laps
// of other drivers belongs to the race history's store and comparing
// against a lap file to the comparison's choices; until they are joined
// here, keeping keeps nothing and comparing names the lap in the log
// (who drove it, when, its precise time), so that the user sees the file
// was read whole.
#include "app/windows/LapFileHooks.h"

#include "toolkit/Format.h"
#include "toolkit/Text.h"

namespace vx {

void KeepLapFile(AppState&, Toolkit&, HistoryWindow&, const LapFile&, const std::string&) {}

void CompareAgainstLapFile(AppState& state, Toolkit& toolkit, CompareWindow&, const LapFile& lap,
                           const std::string& name)
{
    LogMessage(state, toolkit,
               name + ": " + lap.Driver + "'s lap " + IntToText(lap.Lap) + " (" +
                   DateText(lap.DateNs, DateForm::Readable).substr(0, 10) + "), " + SecondsText(lap.PreciseS) +
                   " s, on " + lap.TrackName);
}

}  // namespace vx
