// "vxanalyser lap import", "lap forget" and "lap export --best": lap files
// kept in the race history as laps of other drivers, and your personal best
// taken out of it as a lap file.
//
// Sections: texts; import; forget; export --best.
#include "app/commands/LapHistoryCommands.h"

#include <iostream>
#include <optional>

#include "app/commands/Commands.h"
#include "history/HistoryStore.h"
#include "load/LoadFiles.h"
#include "toolkit/Format.h"
#include "toolkit/Text.h"

namespace vx {

namespace {

constexpr std::size_t kKeyDigits = 8;  // a key as the lists show it, and the least one may give

// --- Texts ------------------------------------------------------------------------------

// "Ada Morrow's lap 5 on Kestrelvale, 44.287 s".
std::string LapText(const std::string& driver, std::int32_t lap, const std::string& track, double preciseS)
{
    return (driver.empty() ? std::string("no driver") : driver) + "'s lap " + std::to_string(lap) + " on " + track +
           ", " + SecondsText(preciseS) + " s";
}

std::string ShortKey(const Sha256Digest& key)
{
    return KeyHex(key).substr(0, kKeyDigits);
}

// The history named (or the user's) opened to keep or forget laps; none,
// with the status said, when it cannot be written.
std::optional<HistoryOpening> OpenToWrite(const std::string& named, ExitStatus& status)
{
    HistoryOpening opening = OpenHistorySaid(HistoryPathOf(named));
    if (!opening.Store) {
        status = HistoryUnavailable(opening.Problem);
        return std::nullopt;
    }
    if (!opening.ReadOnlyNote.empty()) {
        status = HistoryUnavailable(opening.ReadOnlyNote);
        return std::nullopt;
    }
    return opening;
}

}  // namespace

// --- import ------------------------------------------------------------------------------

ExitStatus RunLapImport(const std::vector<std::string>& args)
{
    std::string historyFile;
    std::vector<std::string> files;
    if (const auto ended = ReadCommandWords(args, Command::Lap, {{"--history", historyFile}}, {}, files))
        return *ended;
    if (files.empty())
        return WrongUsage("lap import needs a lap file");
    ExitStatus status = ExitStatus::Ok;
    auto opening = OpenToWrite(historyFile, status);
    if (!opening)
        return status;
    HistoryStore& store = *opening->Store;
    Toolkit toolkit;
    int kept = 0, known = 0, refused = 0;
    for (const std::string& file : files) {
        // Each file on its own: a refused one is said, and the rest kept.
        const Parsed<LapFile> read = ReadLapFileAt(toolkit, file, file);
        if (!read.ok()) {
            std::cerr << read.error << "\n";
            ++refused;
            continue;
        }
        const LapFile& lap = *read.value;
        const auto outcome = store.KeepLapFile(lap);
        if (!outcome) {
            HistoryUnavailable(store.LastFailure().message);
            std::cout << "Kept " << kept << ", already kept " << known << ", refused " << refused << "; stopped at "
                      << FileNameToUtf8(file) << "\n";
            return ExitStatus::InputRefused;
        }
        const std::string what = LapText(lap.Driver, lap.Lap, lap.TrackName, lap.PreciseS);
        const std::string key = ShortKey(LapKeyOf(lap.Race, lap.Lap, lap.Driver));
        if (*outcome == HistoryStore::Kept::New) {
            ++kept;
            std::cout << "Kept " << what << " (lap " << key << ")";
            // Its track's standings are listed with your races there; a lap
            // of one of your races stands there as that race.
            const auto races = store.Progress(lap.Layout);
            if (races && races->empty())
                std::cout << "; no race of yours on " << lap.TrackName << " yet";
            else if (store.Holds(lap.Race).value_or(false))
                std::cout << "; a lap of your race " << ShortKey(lap.Race) << ", which the standings count";
            std::cout << "\n";
        } else {
            ++known;
            std::cout << "Already kept: " << what << " (lap " << key << ")\n";
        }
    }
    std::cout << "Kept " << kept << ", already kept " << known << ", refused " << refused << "\n";
    return refused > 0 ? ExitStatus::InputRefused : ExitStatus::Ok;
}

// --- forget ------------------------------------------------------------------------------

ExitStatus RunLapForget(const std::vector<std::string>& args)
{
    std::string historyFile;
    std::vector<std::string> keys;
    if (const auto ended = ReadCommandWords(args, Command::Lap, {{"--history", historyFile}}, {}, keys))
        return *ended;
    if (keys.empty())
        return WrongUsage("lap forget needs a lap key");
    for (const std::string& key : keys)
        if (!ParseKeyPrefix(key, kKeyDigits))
            return WrongUsage("not a lap key (8 to 64 hexadecimal digits): " + key);
    ExitStatus status = ExitStatus::Ok;
    auto opening = OpenToWrite(historyFile, status);
    if (!opening)
        return status;
    HistoryStore& store = *opening->Store;
    for (const std::string& key : keys) {
        const auto matches = store.FindKeptLaps(*ParseKeyPrefix(key, kKeyDigits));
        if (!matches)
            return HistoryUnavailable(store.LastFailure().message);
        if (matches->size() != 1) {
            status = Refused(matches->empty() ? "no kept lap " + key + " in the history"
                                              : key + " names " + std::to_string(matches->size()) +
                                                    " kept laps: give more of its digits");
            continue;
        }
        const KeptLapMatch& match = matches->front();
        if (!store.ForgetLap(match.Key).has_value())
            return HistoryUnavailable(store.LastFailure().message);
        std::cout << "Forgot " << LapText(match.Driver, match.Lap, match.TrackName, match.PreciseS) << " (lap "
                  << ShortKey(match.Key) << ")\n";
    }
    return status;
}

// --- export --best -------------------------------------------------------------------------

ExitStatus RunLapExportBest(const std::vector<std::string>& args)
{
    std::string trackWord, car, driver, historyFile, out;
    std::vector<std::string> operands;
    if (const auto ended = ReadCommandWords(
            args, Command::Lap,
            {{"--best", trackWord}, {"--car", car}, {"--driver", driver}, {"--history", historyFile}, {"--out", out}},
            {}, operands))
        return *ended;
    if (trackWord.empty())
        return WrongUsage("lap export needs --best TRACK");
    if (!operands.empty())
        return WrongUsage("lap export --best takes no saved game: " + operands[0]);
    if (out.empty())
        return WrongUsage("lap export needs --out FILE.vxlap");
    // Exporting only reads the history: nothing created, moved or written.
    HistoryOpening opening = OpenHistoryToRead(HistoryPathOf(historyFile));
    if (!opening.Store)
        return HistoryUnavailable(opening.Problem);
    HistoryStore& store = *opening.Store;
    const auto tracks = store.Tracks();
    if (!tracks)
        return HistoryUnavailable(store.LastFailure().message);
    std::string error;
    const auto track = FindTrack(*tracks, trackWord, error);
    if (!track)
        return Refused(error);
    // Your personal best there: over every race of yours, or in one car.
    BestLapOfRace best = track->PersonalBest;
    if (!car.empty()) {
        const CarSummary* found = nullptr;
        for (const CarSummary& summary : track->Cars)
            if (SameIgnoringLetterCase(summary.Car, car))
                found = &summary;
        if (found == nullptr)
            return Refused("no race in " + car + " on " + track->Name + " in the history");
        best = found->PersonalBest;
    }
    auto lap = store.LapFileOf(best.Race);
    if (!lap)
        return HistoryUnavailable(store.LastFailure().message);
    if (!driver.empty())
        lap->Driver = driver;
    if (const auto fault = LapFault(*lap))
        return Refused("the personal best on " + track->Name + " cannot be written as a lap file: " + *fault +
                       (lap->Driver.empty() ? "; give the driver's name with --driver" : ""));
    const std::string text = WriteLapFile(*lap);
    const std::span bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    if (!SystemFiles().ReplaceFile(out, bytes, error)) {
        Say("cannot write " + FileNameToUtf8(out) + ": " + error);
        return ExitStatus::OutputFailed;
    }
    std::cout << "Wrote " << LapText(lap->Driver, lap->Lap, lap->TrackName, lap->PreciseS) << " (race "
              << ShortKey(lap->Race) << ", " << DateText(lap->DateNs, DateForm::Readable) << ") to "
              << FileNameToUtf8(out) << "\n";
    return ExitStatus::Ok;
}

}  // namespace vx
