// "vxanalyser history": the race history on the command line.
//
// Sections: the words; texts; the tracks; one track; add; forget; running.
#include <iostream>
#include <optional>
#include <sstream>

#include "app/commands/Commands.h"
#include "history/HistoryAdd.h"
#include "history/HistoryStore.h"
#include "history/KeptSpeeds.h"
#include "load/LoadFiles.h"
#include "load/LoadWorkflow.h"
#include "toolkit/Format.h"
#include "toolkit/Text.h"

namespace vx {

namespace {

constexpr std::size_t kKeyPrefixDigits = 8;

// --- The words ------------------------------------------------------------------------

struct HistoryWords {
    std::string action;  // "" (tracks or one track), "add" or "forget"
    std::vector<std::string> operands;
    std::string historyFile;
    bool json = false;
    bool csv = false;
    bool standings = false;  // with --csv: the track's standings instead of its races
};

// The rules of the words once read; false with the problem on wrong usage.
bool CheckWords(HistoryWords& parsed, const std::vector<std::string>& operands, std::string& error)
{
    for (const std::string& word : operands) {
        if (parsed.action.empty() && parsed.operands.empty() && (word == "add" || word == "forget"))
            parsed.action = word;
        else
            parsed.operands.push_back(word);
    }
    if (parsed.json && parsed.csv) {
        error = "--json and --csv do not go together";
        return false;
    }
    if (!parsed.action.empty() && (parsed.json || parsed.csv)) {
        error = "history " + parsed.action + " prints no table: no --json or --csv";
        return false;
    }
    if (parsed.standings && (!parsed.csv || !parsed.action.empty() || parsed.operands.empty())) {
        error = "--standings goes with a track and --csv";
        return false;
    }
    if (parsed.action.empty() && parsed.operands.size() > 1) {
        error = "more than one track: " + parsed.operands[1];
        return false;
    }
    if (parsed.action == "add" && parsed.operands.empty()) {
        error = "history add needs a saved game or a folder";
        return false;
    }
    if (parsed.action == "forget") {
        if (parsed.operands.empty()) {
            error = "history forget needs a race key";
            return false;
        }
        for (const std::string& key : parsed.operands) {
            if (!ParseKeyPrefix(key, kKeyPrefixDigits)) {
                error = "not a race key (8 to 64 hexadecimal digits): " + key;
                return false;
            }
        }
    }
    return true;
}

// --- Texts ------------------------------------------------------------------------------

// A path as printed: the system's name in UTF-8.
std::string PathText(const std::string& path)
{
    return FileNameToUtf8(path);
}

// The folder as printed: without its trailing separator (the root keeps it).
std::string FolderText(const std::string& folder)
{
    std::string text = folder;
    if (text.size() > 1 && (text.back() == '/' || text.back() == '\\') && text[text.size() - 2] != ':')
        text.pop_back();
    return PathText(text);
}

std::string OptionalSeconds(const std::optional<double>& value, const char* absent)
{
    return value ? SecondsText(*value) : std::string(absent);
}

// The first eight digits of a key, as the tables show it.
std::string ShortKey(const Sha256Digest& key)
{
    return KeyHex(key).substr(0, 8);
}

// --- The tracks ---------------------------------------------------------------------------

// A personal best's members in JSON: its time, race and date.
Json BestMembers(Json members, const BestLapOfRace& best)
{
    members["personal_best_s"] = JsonSeconds(best.BestS);
    members["personal_best_race"] = KeyHex(best.Race);
    members["personal_best_date"] = DateText(best.DateNs);
    return members;
}

Json CarsJson(const std::vector<CarSummary>& cars)
{
    Json list = Json::array();
    for (const CarSummary& car : cars)
        list.push_back(BestMembers({{"car", car.Car}, {"races", car.Races}}, car.PersonalBest));
    return list;
}

void PrintTracks(const std::vector<TrackSummary>& tracks, const HistoryWords& words)
{
    std::ostringstream out;
    if (words.json) {
        Json list = Json::array();
        for (const TrackSummary& track : tracks) {
            // Each player's personal bests are their own: per driver, and per
            // car within a driver; the track's and its cars' over everyone.
            Json drivers = Json::array();
            for (const DriverSummary& driver : track.Drivers)
                drivers.push_back(BestMembers({{"driver", driver.Driver}, {"races", driver.Races}},
                                              driver.PersonalBest));
            for (std::size_t i = 0; i < track.Drivers.size(); ++i)
                drivers[i]["cars"] = CarsJson(track.Drivers[i].Cars);
            Json entry = BestMembers({{"name", track.Name}, {"layout_key", KeyHex(track.Layout)}, {"races", track.Races}},
                                     track.PersonalBest);
            entry["cars"] = CarsJson(track.Cars);
            entry["drivers"] = std::move(drivers);
            list.push_back(std::move(entry));
        }
        out << JsonText(Json{{"tracks", std::move(list)}});
    } else if (words.csv) {
        // The rows of the track and of its cars are over every driver (their
        // driver empty); then each driver's, overall and per car.
        out << CsvRow({"name", "layout_key", "driver", "car", "races", "personal_best_s", "personal_best_race",
                       "personal_best_date"});
        for (const TrackSummary& track : tracks) {
            const auto row = [&](const std::string& driver, const std::string& car, std::int32_t races,
                                 const BestLapOfRace& best) {
                out << CsvRow({track.Name, KeyHex(track.Layout), driver, car, std::to_string(races),
                               SecondsText(best.BestS), KeyHex(best.Race), DateText(best.DateNs)});
            };
            row("", "", track.Races, track.PersonalBest);
            for (const CarSummary& car : track.Cars)
                row("", car.Car, car.Races, car.PersonalBest);
            for (const DriverSummary& driver : track.Drivers) {
                row(driver.Driver, "", driver.Races, driver.PersonalBest);
                for (const CarSummary& car : driver.Cars)
                    row(driver.Driver, car.Car, car.Races, car.PersonalBest);
            }
        }
    } else if (tracks.empty()) {
        out << "No race in the history yet: \"vxanalyser history add FOLDER\" records the saved games "
               "of a folder.\n";
    } else {
        out << PadRight("Track", 24) << ' ' << PadLeft("Races", 6) << ' ' << PadLeft("Personal best", 14) << "  "
            << PadRight("Set on (UTC)", 19) << "  Race\n";
        const auto best = [](const BestLapOfRace& pb) {
            return PadLeft(SecondsText(pb.BestS), 12) + " s  " + PadRight(DateText(pb.DateNs, DateForm::Readable), 19) +
                   "  " + ShortKey(pb.Race);
        };
        // The track's best over everyone, then each driver's own, and per car
        // within the driver.
        for (const TrackSummary& track : tracks) {
            out << PadRight(track.Name, 24) << ' ' << PadLeft(std::to_string(track.Races), 6) << ' '
                << best(track.PersonalBest) << "  (layout " << ShortKey(track.Layout) << ")\n";
            for (const DriverSummary& driver : track.Drivers) {
                out << "  " << PadRight(driver.Driver.empty() ? "(no driver)" : driver.Driver, 22) << ' '
                    << PadLeft(std::to_string(driver.Races), 6) << ' ' << best(driver.PersonalBest) << "\n";
                for (const CarSummary& car : driver.Cars)
                    out << "    " << PadRight(car.Car.empty() ? "(no car)" : car.Car, 20) << ' '
                        << PadLeft(std::to_string(car.Races), 6) << ' ' << best(car.PersonalBest) << "\n";
            }
        }
    }
    std::cout << out.str();
}

// --- One track ----------------------------------------------------------------------------

}  // namespace

std::optional<TrackSummary> FindTrack(const std::vector<TrackSummary>& tracks, const std::string& word,
                                      std::string& error)
{
    std::vector<const TrackSummary*> found;
    const std::string folded = FoldedLetterCase(word);
    for (const TrackSummary& track : tracks)
        if (FoldedLetterCase(track.Name) == folded)
            found.push_back(&track);
    if (found.empty()) {
        if (const auto prefix = ParseKeyPrefix(word, kKeyPrefixDigits)) {
            for (const TrackSummary& track : tracks)
                if (KeyHex(track.Layout).rfind(*prefix, 0) == 0)
                    found.push_back(&track);
        }
    }
    if (found.size() == 1)
        return *found[0];
    if (found.empty()) {
        error = "no track " + word + " in the history";
    } else {
        error = word + " names " + std::to_string(found.size()) + " tracks; give one's layout key:";
        for (const TrackSummary* track : found) {
            error += ' ';
            error += ShortKey(track->Layout);
            error += " (" + track->Name + ")";
        }
    }
    return std::nullopt;
}

namespace {

// --- A track's standings ------------------------------------------------------------------

const char* StandingKind(const StandingRow& row)
{
    return row.Kind == StandingRow::Of::OwnRace ? "race" : "kept";
}

Json StandingsJson(const std::vector<StandingRow>& standings)
{
    Json list = Json::array();
    for (const StandingRow& row : standings) {
        const bool own = row.Kind == StandingRow::Of::OwnRace;
        list.push_back({{"place", row.Place},
                        {"driver", row.Driver},
                        {"car", row.Car},
                        {"kind", StandingKind(row)},
                        {"best_s", JsonSeconds(row.BestS)},
                        {"gap_s", JsonSeconds(row.GapS)},
                        {"date", DateText(row.DateNs)},
                        {"race_key", KeyHex(row.Race)},
                        {"lap", row.Lap},
                        {"file", own ? Json(PathText(row.FileName)) : Json(nullptr)},
                        {"lap_key", own ? Json(nullptr) : Json(KeyHex(row.Kept))}});
    }
    return list;
}

void PrintStandingsCsv(const std::vector<StandingRow>& standings, std::ostringstream& out)
{
    out << CsvRow({"place", "driver", "car", "kind", "best_s", "gap_s", "date", "race_key", "lap", "file", "lap_key"});
    for (const StandingRow& row : standings) {
        const bool own = row.Kind == StandingRow::Of::OwnRace;
        out << CsvRow({std::to_string(row.Place), row.Driver, row.Car, StandingKind(row), SecondsText(row.BestS),
                       SecondsText(row.GapS), DateText(row.DateNs), KeyHex(row.Race), std::to_string(row.Lap),
                       own ? PathText(row.FileName) : "", own ? "" : KeyHex(row.Kept)});
    }
}

void PrintStandingsText(const std::vector<StandingRow>& standings, std::ostringstream& out)
{
    out << "\nStandings: " << standings.size() << (standings.size() == 1 ? " best lap" : " best laps")
        << ", fastest first\n\n";
    const auto line = [&](const std::string& place, const std::string& driver, const std::string& car,
                          const std::string& best, const std::string& gap, const std::string& date,
                          const std::string& from) {
        out << PadLeft(place, 3) << "  " << PadRight(driver, 22) << "  " << PadRight(car, 20) << "  "
            << PadLeft(best, 12) << "  " << PadLeft(gap, 10) << "  " << PadRight(date, 19) << "  " << from << "\n";
    };
    line("#", "Driver", "Car", "Best lap", "Gap", "Set on (UTC)", "Lap");
    for (const StandingRow& row : standings) {
        const bool own = row.Kind == StandingRow::Of::OwnRace;
        std::string from = "lap " + std::to_string(row.Lap) + ", ";
        from += own ? "race " + ShortKey(row.Race) + ", " + PathText(row.FileName) : "kept lap " + ShortKey(row.Kept);
        line(std::to_string(row.Place), row.Driver.empty() ? std::string("no driver") : row.Driver,
             row.Car.empty() ? std::string("no car") : row.Car, SecondsText(row.BestS) + " s",
             row.Place == 1 ? std::string("-") : "+" + SecondsText(row.GapS) + " s",
             DateText(row.DateNs, DateForm::Readable), from);
    }
}

void PrintProgress(const TrackSummary& track, const std::vector<ProgressRow>& rows,
                   const std::vector<StandingRow>& standings, const HistoryWords& words)
{
    std::ostringstream out;
    if (words.csv && words.standings) {
        PrintStandingsCsv(standings, out);
    } else if (words.json) {
        Json races = Json::array();
        for (const ProgressRow& row : rows)
            races.push_back({{"race_key", KeyHex(row.Race)},
                             {"date", DateText(row.DateNs)},
                             {"file", PathText(row.FileName)},
                             {"folder", FolderText(row.Folder)},
                             {"file_present", FileStillThere(row)},
                             {"driver", row.Driver},
                             {"car", row.Car},
                             {"laps", row.Laps},
                             {"best_lap", row.BestLap},
                             {"best_s", JsonSeconds(row.BestS)},
                             {"clean_laps", row.CleanLaps},
                             {"clean_mean_s", JsonSeconds(row.CleanMeanS)},
                             {"pb", row.PersonalBest}});
        Json bests = Json::array();
        for (const DriverSummary& driver : track.Drivers)
            bests.push_back(BestMembers({{"driver", driver.Driver}}, driver.PersonalBest));
        out << JsonText(Json{{"track",
                              {{"name", track.Name},
                               {"layout_key", KeyHex(track.Layout)},
                               {"personal_best_s", JsonSeconds(track.PersonalBest.BestS)},
                               {"personal_bests", std::move(bests)}}},
                             {"races", std::move(races)},
                             {"standings", StandingsJson(standings)}});
    } else if (words.csv) {
        out << CsvRow({"race_key", "date", "file", "folder", "file_present", "driver", "car", "laps", "best_lap",
                       "best_s", "clean_laps", "clean_mean_s", "pb"});
        for (const ProgressRow& row : rows)
            out << CsvRow({KeyHex(row.Race), DateText(row.DateNs), PathText(row.FileName),
                           FolderText(row.Folder), FileStillThere(row) ? "1" : "0", row.Driver, row.Car,
                           std::to_string(row.Laps), std::to_string(row.BestLap), SecondsText(row.BestS),
                           std::to_string(row.CleanLaps), OptionalSeconds(row.CleanMeanS, ""),
                           row.PersonalBest ? "1" : "0"});
    } else {
        // Each driver's personal best; "PB" marks where a race lowered its
        // own driver's.
        out << track.Name << " (layout " << ShortKey(track.Layout) << "): " << rows.size()
            << (rows.size() == 1 ? " race" : " races") << (track.Drivers.size() > 1 ? ", personal bests " : ", personal best ");
        for (std::size_t i = 0; i < track.Drivers.size(); ++i) {
            const DriverSummary& driver = track.Drivers[i];
            out << (i > 0 ? ", " : "") << SecondsText(driver.PersonalBest.BestS) << " s ("
                << (driver.Driver.empty() ? "no driver" : driver.Driver) << ")";
        }
        out << "\n\n";
        const auto line = [&](const std::string& date, const std::string& race, const std::string& laps,
                              const std::string& best, const std::string& clean, const std::string& pb,
                              const std::string& who) {
            out << PadRight(date, 19) << "  " << PadRight(race, 8) << "  " << PadLeft(laps, 4) << "  "
                << PadLeft(best, 16) << "  " << PadLeft(clean, 15) << "  " << PadRight(pb, 2) << "  " << who << "\n";
        };
        line("Date (UTC)", "Race", "Laps", "Best lap", "Clean mean", "", "Driver, car, file");
        for (const ProgressRow& row : rows) {
            std::string who = row.Driver.empty() ? std::string("no driver") : row.Driver;
            who += ", " + (row.Car.empty() ? std::string("no car") : row.Car) + ", " + PathText(row.FileName);
            if (!FileStillThere(row))
                who += " (file gone or changed)";
            line(DateText(row.DateNs, DateForm::Readable), ShortKey(row.Race), std::to_string(row.Laps),
                 std::to_string(row.BestLap) + ": " + SecondsText(row.BestS) + " s",
                 OptionalSeconds(row.CleanMeanS, "-") + " s (" + std::to_string(row.CleanLaps) + ")",
                 row.PersonalBest ? "PB" : "", who);
        }
        PrintStandingsText(standings, out);
    }
    std::cout << out.str();
}

// --- add ------------------------------------------------------------------------------------

// The line of progress on a terminal: rewritten in place, cleared at the end.
class ProgressLine {
public:
    explicit ProgressLine(bool shown) : shown_(shown) {}
    void Show(std::size_t done, std::size_t total, const std::string& path)
    {
        if (!shown_)
            return;
        // The end of a long name, whole characters of it.
        std::string name = PathText(path);
        constexpr std::size_t kRoom = 56;
        if (Characters(name) > kRoom) {
            std::size_t from = name.size();
            for (std::size_t kept = 0; kept < kRoom - 3 && from > 0;)
                kept += (static_cast<unsigned char>(name[--from]) & 0xC0) != 0x80;
            name = "..." + name.substr(from);
        }
        std::string text = "[" + std::to_string(done) + "/" + std::to_string(total) + "] " + name;
        const std::size_t width = Characters(text);
        text = PadRight(text, width_);
        width_ = width;
        std::cerr << '\r' << text << std::flush;
    }
    void Clear()
    {
        if (!shown_ || width_ == 0)
            return;
        std::cerr << '\r' << std::string(width_, ' ') << '\r' << std::flush;
        width_ = 0;
    }

private:
    bool shown_;
    std::size_t width_ = 0;
};

ExitStatus RunAdd(HistoryStore& store, const std::vector<std::string>& operands)
{
    CatchInterrupts();
    ProgressLine progress(ErrorOutputIsTerminal());
    HistoryAdd add(store, operands, [&](const std::string& path, const std::string& message) {
        progress.Clear();
        std::cerr << PathText(path) << ": " << message << "\n";
    });
    for (;;) {
        if (InterruptRequested())
            break;
        if (!add.Listing() && add.Done() < add.Total())
            progress.Show(add.Done(), add.Total(), add.Next());
        if (!add.Step())
            break;
    }
    add.Finish();
    progress.Clear();
    // The speeds kept of races an older version recorded, worked out again
    // where their saved games are still there, unchanged.
    std::size_t speedsRedone = 0;
    if (add.StoreFailure().empty() && add.Finished() && !InterruptRequested()) {
        KeptSpeedsRedo speeds(store);
        while (!InterruptRequested() && speeds.Step()) {
        }
        speedsRedone = speeds.Redone();
    }
    const auto summary = [&] {
        return "Recorded " + std::to_string(add.Recorded()) + ", already known " + std::to_string(add.Known()) +
               ", refused " + std::to_string(add.Refused());
    };
    if (!add.StoreFailure().empty()) {
        HistoryUnavailable(add.StoreFailure());
        std::cout << summary() << "; stopped after " << add.Done() << " of " << add.Total() << " files\n";
        return ExitStatus::InputRefused;
    }
    const bool interrupted = !add.Finished();
    std::cout << summary();
    if (interrupted)
        std::cout << "; stopped by the interrupt key after " << add.Done() << " of " << add.Total() << " files";
    std::cout << "\n";
    if (speedsRedone > 0)
        std::cout << "Speeds worked out again for " << speedsRedone
                  << (speedsRedone == 1 ? " race" : " races") << " an older version recorded\n";
    if (interrupted)
        return ExitStatus::Interrupted;
    return add.Refused() > 0 ? ExitStatus::InputRefused : ExitStatus::Ok;
}

// --- forget -----------------------------------------------------------------------------------

ExitStatus RunForget(HistoryStore& store, const std::vector<std::string>& keys)
{
    ExitStatus status = ExitStatus::Ok;
    for (const std::string& key : keys) {
        const std::string prefix = *ParseKeyPrefix(key, kKeyPrefixDigits);
        const auto matches = store.FindRaces(prefix);
        if (!matches)
            return HistoryUnavailable(store.LastFailure().message);
        if (matches->size() != 1) {
            status = Refused(matches->empty() ? "no race " + key + " in the history"
                                              : key + " names " + std::to_string(matches->size()) +
                                                    " races: give more of its digits");
            continue;
        }
        const RaceMatch& match = matches->front();
        if (!store.Forget(match.Race).has_value())
            return HistoryUnavailable(store.LastFailure().message);
        std::cout << "Forgot race " << ShortKey(match.Race) << " (" << match.TrackName << ", "
                  << PathText(match.FileName) << ", " << DateText(match.DateNs) << ")\n";
    }
    return status;
}

}  // namespace

// --- Running --------------------------------------------------------------------------------------

ExitStatus RunHistoryCommand(const std::vector<std::string>& args)
{
    HistoryWords history;
    std::vector<std::string> operands;
    if (const auto ended = ReadCommandWords(args, Command::History, {{"--history", history.historyFile}},
                                            {{"--json", history.json}, {"--csv", history.csv},
                                             {"--standings", history.standings}},
                                            operands))
        return *ended;
    std::string error;
    if (!CheckWords(history, operands, error))
        return WrongUsage(error);
    const std::string path = HistoryPathOf(history.historyFile);
    // Looking never creates the history: there is nothing in one that is not there.
    if (history.action.empty() && !path.empty() && SystemFiles().KindOf(path) == PathKind::None) {
        if (!history.operands.empty())
            return Refused("no track " + history.operands[0] + " in the history");
        PrintTracks({}, history);
        return ExitStatus::Ok;
    }
    // Listing only reads: nothing created, moved or written.
    HistoryOpening opening = history.action.empty() ? OpenHistoryToRead(path) : OpenHistorySaid(path);
    if (!opening.Store)
        return HistoryUnavailable(opening.Problem);
    HistoryStore& store = *opening.Store;
    if (!opening.ReadOnlyNote.empty()) {
        if (!history.action.empty())
            return HistoryUnavailable(opening.ReadOnlyNote);
        Say(opening.ReadOnlyNote);
    }
    if (history.action == "add")
        return RunAdd(store, history.operands);
    if (history.action == "forget")
        return RunForget(store, history.operands);
    const auto tracks = store.Tracks();
    if (!tracks)
        return HistoryUnavailable(store.LastFailure().message);
    // The rows left out as damaged, said once each.
    const auto sayDamaged = [&] {
        for (const DamagedRow& row : store.DamagedRows())
            Say(DamagedRowText(row));
    };
    if (history.operands.empty()) {
        PrintTracks(*tracks, history);
        sayDamaged();
        return ExitStatus::Ok;
    }
    const auto track = FindTrack(*tracks, history.operands[0], error);
    if (!track)
        return Refused(error);
    const auto rows = store.Progress(track->Layout);
    if (!rows)
        return HistoryUnavailable(store.LastFailure().message);
    const auto standings = store.Standings(track->Layout);
    if (!standings)
        return HistoryUnavailable(store.LastFailure().message);
    PrintProgress(*track, *rows, *standings, history);
    sayDamaged();
    return ExitStatus::Ok;
}

}  // namespace vx
