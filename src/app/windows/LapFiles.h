// Lap files (formats/LapFile.h) of the race shown: a lap written as one, a
// lap file checked against the race shown, and the names the
// program gives them. The window, report, render and "lap export" share
// these.
//
//   LapFileOfShownRace      a lap of the race shown as a lap file
//   WhyNoLapFile            why a lap cannot be written as a lap file
//   WriteLapFileTo          a lap file written whole or not at all
//   ExportLapFile           "Export lap...": a save requester, then the file
//   OtherTrackReason        why a lap file's lap is no lap of the race's track
//   LapFileLapName          "Ada Morrow's lap 5 (2027-05-06)"
//   ProposedLapFileName     "Kestrelvale Ada Morrow 43.602.vxlap"
//   IsLapFileAt             a file to take as a lap file
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "formats/LapFile.h"
#include "state/AppState.h"

namespace vx {

// Why a lap is not written when the saved game names nobody as its driver.
constexpr const char* kNoHumanDriver = "the saved game names no human driver";

// Lap lap of the committed race as a lap file: the track as the label strip
// names it, the layout and race keys, the saved game's human driver and car
// (driver, when not empty, names another driver) and the saved game's date.
// None, with the reason in whyNot, when there is no such lap, nobody to name
// as its driver, or the lap is one a lap file may not carry (LapFault).
std::optional<LapFile> LapFileOfShownRace(const AppState& state, std::int32_t lap, const std::string& driver,
                                          std::string& whyNot);

// Why lap cannot be written as a lap file: nobody named as its driver
// (kNoHumanDriver), or a lap a lap file may not carry (LapFault). None when
// it can.
std::optional<std::string> WhyNoLapFile(const LapFile& lap);

// The lap file's text written at path whole or not at all (a temporary file
// beside it, then put in its place); false with the reason in error.
bool WriteLapFileTo(Toolkit& toolkit, const std::string& path, const LapFile& lap, std::string& error);

// "Export lap..." of either window: asks in front of window for a file
// name (proposing ProposedLapFileName in the current folder; ".vxlap" added
// to a name typed without an ending), writes lap there with WriteLapFileTo
// and says so in the log ("<what> exported: NAME"), or why not in front of
// window. what names the lap ("Lap 5"). True when written.
bool ExportLapFile(AppState& state, Toolkit& toolkit, int window, const LapFile& lap, const std::string& what);

// Why the lap file's lap (named shownName) cannot be compared with the race
// shown: "lap.vxlap was driven on Oval (layout 1a2b3c4d); the race shown is
// on Kestrelvale (layout 38d941b6)". None when the layouts agree.
std::optional<std::string> OtherTrackReason(const LapFile& lap, const std::string& shownName,
                                            const AppState& state);

// The lap by its driver, number and race's day (UTF-8).
std::string LapFileLapName(const LapFile& lap);

// The name a save requester proposes for the lap: the track, the driver and
// the precise time with three decimals, then ".vxlap"; every character a
// file name may not hold on either system (control characters and
// \ / : * ? " < > |) replaced by "_".
std::string ProposedLapFileName(const LapFile& lap);

// The file at path is to be taken as a lap file: its name ends in ".vxlap",
// or, whatever its name, it reads as a lap file of this program (sound or
// damaged). Anything else (a saved game, a picture, a file gone) is not.
bool IsLapFileAt(Toolkit& toolkit, const std::string& path);

}  // namespace vx
