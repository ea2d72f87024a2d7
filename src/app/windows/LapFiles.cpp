#include "app/windows/LapFiles.h"

#include <span>
#include <string_view>

#include "history/RaceRecord.h"
#include "laps/LapFilePath.h"
#include "laps/RaceLaps.h"
#include "load/Export.h"
#include "load/LoadFiles.h"
#include "state/MessageLog.h"
#include "toolkit/Format.h"
#include "toolkit/Text.h"
#include "trackmap/MapPicture.h"

namespace vx {

std::optional<LapFile> LapFileOfShownRace(const AppState& state, std::int32_t lap, const std::string& driver,
                                          std::string& whyNot)
{
    // The race as the history would keep it: the same track name, driver,
    // car and date.
    FileStamp stamp;
    if (const auto found = StampOfPath(state.GamePath))
        stamp = *found;
    else
        stamp.modifiedNs = NowNs();  // a saved game gone since its load: dated now
    const auto record = RaceRecordOf(state, stamp, whyNot);
    if (!record)
        return std::nullopt;
    if (lap < 1 || lap > static_cast<std::int32_t>(record->Laps.size())) {
        whyNot = "the race has laps 1 to " + IntToText(static_cast<std::int64_t>(record->Laps.size())) + " only";
        return std::nullopt;
    }
    LapFileRace race{record->TrackName, record->Layout, driver.empty() ? record->Driver : driver,
                     record->Car, record->DateNs, record->Race};
    if (race.Driver.empty()) {
        whyNot = kNoHumanDriver;
        return std::nullopt;
    }
    const auto analysis = AnalyseCommittedLaps(state);
    LapFile file = LapFileOf(*analysis, lap, record->Laps[static_cast<std::size_t>(lap - 1)].ViewTime,
                             std::move(race));
    if (auto why = WhyNoLapFile(file)) {
        whyNot = std::move(*why);
        return std::nullopt;
    }
    return file;
}

std::optional<std::string> WhyNoLapFile(const LapFile& lap)
{
    if (lap.Driver.empty())
        return kNoHumanDriver;
    if (auto fault = LapFault(lap))
        return "a lap file cannot carry it: " + *fault;
    return std::nullopt;
}

bool WriteLapFileTo(Toolkit& toolkit, const std::string& path, const LapFile& lap, std::string& error)
{
    const std::string text = WriteLapFile(lap);
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    return toolkit.System().files.ReplaceFile(path, bytes, error);
}

bool ExportLapFile(AppState& state, Toolkit& toolkit, int window, const LapFile& lap, const std::string& what)
{
    std::string chosen = toolkit.AskSaveFile(window, "Export lap", toolkit.CurrentFolder() + ProposedLapFileName(lap),
                                             "Lap files|*.vxlap", 0);
    if (chosen.empty())
        return false;
    if (!IsLapFileName(chosen) && FileNamePart(chosen).find('.') == std::string::npos)
        chosen += ".vxlap";  // a name typed without its ending
    std::string error;
    if (!WriteLapFileTo(toolkit, chosen, lap, error)) {
        SayFailure(state, toolkit, window, "Lap not exported: " + chosen + " (" + error + ")");
        return false;
    }
    LogMessage(state, toolkit, what + " exported: " + FileNamePart(chosen));
    return true;
}

std::optional<std::string> OtherTrackReason(const LapFile& lap, const std::string& shownName,
                                            const AppState& state)
{
    if (lap.Layout == state.LayoutDigest)
        return std::nullopt;
    const auto shortKey = [](const Sha256Digest& key) { return KeyHex(key).substr(0, 8); };
    return shownName + " was driven on " + lap.TrackName + " (layout " + shortKey(lap.Layout) +
           "); the race shown is on " + Cp1252ToUtf8(TrackNameOf(state.TrackFileName)) + " (layout " +
           shortKey(state.LayoutDigest) + ")";
}

std::string LapFileLapName(const LapFile& lap)
{
    return lap.Driver + "'s lap " + IntToText(lap.Lap) + " (" + DateText(lap.DateNs).substr(0, 10) + ")";
}

std::string ProposedLapFileName(const LapFile& lap)
{
    std::string name = lap.TrackName + " " + lap.Driver + " " + SecondsText(lap.PreciseS);
    for (char& c : name)
        if (!CanBeInFileName(c))
            c = '_';
    return name + ".vxlap";
}

bool IsLapFileAt(Toolkit& toolkit, const std::string& path)
{
    if (IsLapFileName(path))
        return true;
    const FileRead read = ReadWholeFile(toolkit, path, kMaxLapFileBytes);
    if (read.result != FileRead::Result::Ok)
        return false;
    const Parsed<LapFile> parsed = ReadLapFile(read.bytes, FileNamePart(path));
    return parsed.ok() || parsed.refusal == Refusal::Damaged;
}

}  // namespace vx
