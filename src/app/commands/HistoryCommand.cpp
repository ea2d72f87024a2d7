// "vxanalyser history": the race history on the command line.
//
// Sections: the words; texts (JSON, CSV, the readable tables); the tracks;
// one track; add; forget; running.
#include "app/commands/HistoryCommand.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <optional>
#include <sstream>

#include "history/HistoryAdd.h"
#include "history/HistoryStore.h"
#include "load/LoadFiles.h"
#include "load/LoadWorkflow.h"
#include "toolkit/Text.h"

namespace vx {

const char* const kHistoryUsage =
    "  vxanalyser history [TRACK] [--history FILE] [--json | --csv]\n"
    "  vxanalyser history add PATH... [--history FILE]\n"
    "  vxanalyser history forget RACEKEY... [--history FILE]\n";

const char* const kHistoryHelp =
    "  history  the race history: every race the program has recorded. Alone,\n"
    "           the tracks with their races and personal best (and per car);\n"
    "           with TRACK (a name as listed, letter case ignored, or a layout\n"
    "           key prefix) its races in date order with their best lap,\n"
    "           clean mean and PB marks; --json or --csv for a program.\n"
    "           \"history add PATH...\" records the saved games in these files\n"
    "           and folders (folders with everything inside); a file seen\n"
    "           before, unchanged, is not read again; Ctrl+C stops after the\n"
    "           current file. \"history forget RACEKEY...\" removes races (a\n"
    "           key prefix of 8 or more digits). The history lives in\n"
    "           $XDG_DATA_HOME/vxanalyser/history.sqlite3 (on Windows in\n"
    "           %LOCALAPPDATA%\\vxanalyser\\); --history FILE uses another file.\n"
    "           report, render and samples never write it.\n";

namespace {

enum ExitStatus { kOk = 0, kInputError = 3, kInterrupted = 130 };

constexpr std::size_t kKeyPrefixDigits = 8;

// --- The words ------------------------------------------------------------------------

struct HistoryWords {
    std::string action;  // "" (tracks or one track), "add" or "forget"
    std::vector<std::string> operands;
    std::string historyFile;
    bool json = false;
    bool csv = false;
};

bool ParseWords(const std::vector<std::string>& words, HistoryWords& parsed, std::string& error)
{
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word == "--history") {
            if (i + 1 >= words.size()) {
                error = "--history needs a value";
                return false;
            }
            parsed.historyFile = words[++i];
        } else if (word == "--json") {
            parsed.json = true;
        } else if (word == "--csv") {
            parsed.csv = true;
        } else if (!word.empty() && word[0] == '-') {
            error = "unknown option " + word;
            return false;
        } else if (parsed.action.empty() && parsed.operands.empty() && (word == "add" || word == "forget")) {
            parsed.action = word;
        } else {
            parsed.operands.push_back(word);
        }
    }
    if (parsed.json && parsed.csv) {
        error = "--json and --csv do not go together";
        return false;
    }
    if (!parsed.action.empty() && (parsed.json || parsed.csv)) {
        error = "history " + parsed.action + " prints no table: no --json or --csv";
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

std::string JsonString(const std::string& utf8)
{
    std::string out = "\"";
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

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

std::string Seconds(double value)
{
    return RealToText(value, 3);
}

std::string OptionalSeconds(const std::optional<double>& value, const char* absent)
{
    return value ? Seconds(*value) : std::string(absent);
}

std::string CsvField(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (const char c : text)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string CsvRow(const std::vector<std::string>& fields)
{
    std::string row;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i != 0)
            row += ',';
        row += CsvField(fields[i]);
    }
    return row + "\r\n";
}

// "2026-12-01 19:04:11" for the readable tables.
std::string ShortDate(std::int64_t unixNs)
{
    std::string date = DateText(unixNs);
    date[10] = ' ';
    date.pop_back();
    return date;
}

// --- The tracks ---------------------------------------------------------------------------

void PrintTracks(const std::vector<TrackSummary>& tracks, const HistoryWords& words)
{
    std::ostringstream out;
    if (words.json) {
        out << "{ \"tracks\": [";
        for (std::size_t t = 0; t < tracks.size(); ++t) {
            const TrackSummary& track = tracks[t];
            const BestLapOfRace& best = track.PersonalBest;
            out << (t == 0 ? "\n" : ",\n") << "  { \"name\": " << JsonString(track.Name)
                << ", \"layout_key\": \"" << KeyHex(track.Layout) << "\", \"races\": " << track.Races
                << ",\n    \"personal_best_s\": " << Seconds(best.BestS) << ", \"personal_best_race\": \""
                << KeyHex(best.Race) << "\", \"personal_best_date\": \"" << DateText(best.DateNs)
                << "\",\n    \"cars\": [";
            for (std::size_t c = 0; c < track.Cars.size(); ++c) {
                const CarSummary& car = track.Cars[c];
                out << (c == 0 ? "\n" : ",\n") << "      { \"car\": " << JsonString(car.Car)
                    << ", \"races\": " << car.Races << ", \"personal_best_s\": "
                    << Seconds(car.PersonalBest.BestS) << ", \"personal_best_race\": \""
                    << KeyHex(car.PersonalBest.Race) << "\" }";
            }
            out << (track.Cars.empty() ? "] }" : " ] }");
        }
        out << (tracks.empty() ? "] }\n" : "\n] }\n");
    } else if (words.csv) {
        out << CsvRow({"name", "layout_key", "car", "races", "personal_best_s", "personal_best_race",
                       "personal_best_date"});
        for (const TrackSummary& track : tracks) {
            const BestLapOfRace& best = track.PersonalBest;
            out << CsvRow({track.Name, KeyHex(track.Layout), "", std::to_string(track.Races),
                           Seconds(best.BestS), KeyHex(best.Race), DateText(best.DateNs)});
            for (const CarSummary& car : track.Cars)
                out << CsvRow({track.Name, KeyHex(track.Layout), car.Car, std::to_string(car.Races),
                               Seconds(car.PersonalBest.BestS), KeyHex(car.PersonalBest.Race),
                               DateText(car.PersonalBest.DateNs)});
        }
    } else if (tracks.empty()) {
        out << "No race in the history yet: \"vxanalyser history add FOLDER\" records the saved games "
               "of a folder.\n";
    } else {
        char line[512];
        std::snprintf(line, sizeof line, "%-24s %6s %14s  %-19s  %s\n", "Track", "Races", "Personal best",
                      "Set on (UTC)", "Race");
        out << line;
        for (const TrackSummary& track : tracks) {
            const BestLapOfRace& best = track.PersonalBest;
            std::snprintf(line, sizeof line, "%-24s %6d %12s s  %-19s  %s  (layout %s)\n",
                          track.Name.c_str(), track.Races, Seconds(best.BestS).c_str(),
                          ShortDate(best.DateNs).c_str(), KeyHex(best.Race).substr(0, 8).c_str(),
                          KeyHex(track.Layout).substr(0, 8).c_str());
            out << line;
            for (const CarSummary& car : track.Cars) {
                std::snprintf(line, sizeof line, "  %-22s %6d %12s s  %-19s  %s\n",
                              car.Car.empty() ? "(no car)" : car.Car.c_str(), car.Races,
                              Seconds(car.PersonalBest.BestS).c_str(),
                              ShortDate(car.PersonalBest.DateNs).c_str(),
                              KeyHex(car.PersonalBest.Race).substr(0, 8).c_str());
                out << line;
            }
        }
    }
    std::cout << out.str();
}

// --- One track ----------------------------------------------------------------------------

// The track a word names: its name as listed (letter case ignored), else a
// layout-key prefix; none, with the reason, when it names none or several.
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
            error += KeyHex(track->Layout).substr(0, 8);
            error += " (" + track->Name + ")";
        }
    }
    return std::nullopt;
}

void PrintProgress(const TrackSummary& track, const std::vector<ProgressRow>& rows, const HistoryWords& words)
{
    std::ostringstream out;
    if (words.json) {
        out << "{ \"track\": { \"name\": " << JsonString(track.Name) << ", \"layout_key\": \""
            << KeyHex(track.Layout) << "\", \"personal_best_s\": " << Seconds(track.PersonalBest.BestS)
            << " },\n  \"races\": [";
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const ProgressRow& row = rows[i];
            out << (i == 0 ? "\n" : ",\n") << "    { \"race_key\": \"" << KeyHex(row.Race)
                << "\", \"date\": \"" << DateText(row.DateNs) << "\", \"file\": "
                << JsonString(PathText(row.FileName)) << ",\n      \"folder\": "
                << JsonString(FolderText(row.Folder))
                << ", \"file_present\": " << (FileStillThere(row) ? "true" : "false")
                << ", \"driver\": " << JsonString(row.Driver) << ",\n      \"car\": " << JsonString(row.Car)
                << ", \"laps\": " << row.Laps << ", \"best_lap\": " << row.BestLap
                << ", \"best_s\": " << Seconds(row.BestS) << ", \"clean_laps\": " << row.CleanLaps
                << ", \"clean_mean_s\": " << OptionalSeconds(row.CleanMeanS, "null")
                << ", \"pb\": " << (row.PersonalBest ? "true" : "false") << " }";
        }
        out << (rows.empty() ? "] }\n" : "\n  ] }\n");
    } else if (words.csv) {
        out << CsvRow({"race_key", "date", "file", "folder", "file_present", "driver", "car", "laps", "best_lap",
                       "best_s", "clean_laps", "clean_mean_s", "pb"});
        for (const ProgressRow& row : rows)
            out << CsvRow({KeyHex(row.Race), DateText(row.DateNs), PathText(row.FileName),
                           FolderText(row.Folder), FileStillThere(row) ? "1" : "0", row.Driver, row.Car,
                           std::to_string(row.Laps), std::to_string(row.BestLap), Seconds(row.BestS),
                           std::to_string(row.CleanLaps), OptionalSeconds(row.CleanMeanS, ""),
                           row.PersonalBest ? "1" : "0"});
    } else {
        out << track.Name << " (layout " << KeyHex(track.Layout).substr(0, 8) << "): " << rows.size()
            << (rows.size() == 1 ? " race" : " races") << ", personal best "
            << Seconds(track.PersonalBest.BestS) << " s\n\n";
        char line[1024];
        std::snprintf(line, sizeof line, "%-19s  %-8s  %4s  %16s  %15s  %-2s  %s\n", "Date (UTC)", "Race",
                      "Laps", "Best lap", "Clean mean", "", "Driver, car, file");
        out << line;
        for (const ProgressRow& row : rows) {
            const std::string best = std::to_string(row.BestLap) + ": " + Seconds(row.BestS) + " s";
            const std::string clean = OptionalSeconds(row.CleanMeanS, "-") + " s (" +
                                      std::to_string(row.CleanLaps) + ")";
            std::string who = row.Driver.empty() ? std::string("no driver") : row.Driver;
            who += ", " + (row.Car.empty() ? std::string("no car") : row.Car) + ", " + PathText(row.FileName);
            if (!FileStillThere(row))
                who += " (file gone or changed)";
            std::snprintf(line, sizeof line, "%-19s  %-8s  %4d  %16s  %15s  %-2s  %s\n",
                          ShortDate(row.DateNs).c_str(), KeyHex(row.Race).substr(0, 8).c_str(), row.Laps,
                          best.c_str(), clean.c_str(), row.PersonalBest ? "PB" : "", who.c_str());
            out << line;
        }
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
        std::string name = PathText(path);
        constexpr std::size_t kRoom = 56;
        if (name.size() > kRoom)
            name = "..." + name.substr(name.size() - kRoom + 3);
        std::string text = "[" + std::to_string(done) + "/" + std::to_string(total) + "] " + name;
        const std::size_t width = text.size();
        if (text.size() < width_)
            text.append(width_ - text.size(), ' ');
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

int RunAdd(HistoryStore& store, const std::vector<std::string>& operands)
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
    const auto summary = [&] {
        return "Recorded " + std::to_string(add.Recorded()) + ", already known " + std::to_string(add.Known()) +
               ", refused " + std::to_string(add.Refused());
    };
    if (!add.StoreFailure().empty()) {
        std::cerr << "vxanalyser: History unavailable: " << add.StoreFailure() << "\n";
        std::cout << summary() << "; stopped after " << add.Done() << " of " << add.Total() << " files\n";
        return kInputError;
    }
    const bool interrupted = !add.Finished();
    std::cout << summary();
    if (interrupted)
        std::cout << "; stopped by the interrupt key after " << add.Done() << " of " << add.Total() << " files";
    std::cout << "\n";
    if (interrupted)
        return kInterrupted;
    return add.Refused() > 0 ? kInputError : kOk;
}

// --- forget -----------------------------------------------------------------------------------

int RunForget(HistoryStore& store, const std::vector<std::string>& keys)
{
    int status = kOk;
    for (const std::string& key : keys) {
        const std::string prefix = *ParseKeyPrefix(key, kKeyPrefixDigits);
        const auto matches = store.FindRaces(prefix);
        if (!matches) {
            std::cerr << "vxanalyser: History unavailable: " << store.LastFailure().message << "\n";
            return kInputError;
        }
        if (matches->size() != 1) {
            std::cerr << "vxanalyser: "
                      << (matches->empty() ? "no race " + key + " in the history"
                                           : key + " names " + std::to_string(matches->size()) +
                                                 " races: give more of its digits")
                      << "\n";
            status = kInputError;
            continue;
        }
        const RaceMatch& match = matches->front();
        const auto forgot = store.Forget(match.Race);
        if (!forgot) {
            std::cerr << "vxanalyser: History unavailable: " << store.LastFailure().message << "\n";
            return kInputError;
        }
        std::cout << "Forgot race " << KeyHex(match.Race).substr(0, 8) << " (" << match.TrackName << ", "
                  << PathText(match.FileName) << ", " << DateText(match.DateNs) << ")\n";
    }
    return status;
}

}  // namespace

// --- Running --------------------------------------------------------------------------------------

int RunHistoryCommand(const std::vector<std::string>& args,
                      const std::function<int(const std::string&)>& usageError)
{
    HistoryWords words;
    std::string error;
    if (!ParseWords(args, words, error))
        return usageError(error);
    FileSystem& platform = SystemFiles();
    const std::string path =
        words.historyFile.empty() ? DefaultHistoryPath() : platform.AbsolutePath(words.historyFile);
    // Looking never creates the history: there is nothing in one that is not there.
    if (words.action.empty() && !path.empty() && platform.KindOf(path) == PathKind::None) {
        if (!words.operands.empty()) {
            std::cerr << "vxanalyser: no track " << words.operands[0] << " in the history\n";
            return kInputError;
        }
        PrintTracks({}, words);
        return kOk;
    }
    // Listing only reads: nothing created, moved or written.
    HistoryOpening opening = words.action.empty() ? OpenHistoryToRead(path) : OpenHistory(path);
    if (!opening.SetAsideTo.empty())
        std::cerr << "vxanalyser: the history was damaged (" << opening.SetAsideReason << "); it was set aside as "
                  << PathText(opening.SetAsideTo) << " and a new one started\n";
    if (!opening.Store) {
        std::cerr << "vxanalyser: History unavailable: " << opening.Problem << "\n";
        return kInputError;
    }
    HistoryStore& store = *opening.Store;
    if (!opening.ReadOnlyNote.empty()) {
        if (!words.action.empty()) {
            std::cerr << "vxanalyser: History unavailable: " << opening.ReadOnlyNote << "\n";
            return kInputError;
        }
        std::cerr << "vxanalyser: " << opening.ReadOnlyNote << "\n";
    }
    if (words.action == "add")
        return RunAdd(store, words.operands);
    if (words.action == "forget")
        return RunForget(store, words.operands);
    const auto tracks = store.Tracks();
    if (!tracks) {
        std::cerr << "vxanalyser: History unavailable: " << store.LastFailure().message << "\n";
        return kInputError;
    }
    // The rows left out as damaged, said once each.
    const auto sayDamaged = [&] {
        for (const DamagedRow& row : store.DamagedRows())
            std::cerr << "vxanalyser: " << DamagedRowText(row) << "\n";
    };
    if (words.operands.empty()) {
        PrintTracks(*tracks, words);
        sayDamaged();
        return kOk;
    }
    const auto track = FindTrack(*tracks, words.operands[0], error);
    if (!track) {
        std::cerr << "vxanalyser: " << error << "\n";
        return kInputError;
    }
    const auto rows = store.Progress(track->Layout);
    if (!rows) {
        std::cerr << "vxanalyser: History unavailable: " << store.LastFailure().message << "\n";
        return kInputError;
    }
    PrintProgress(*track, *rows, words);
    sayDamaged();
    return kOk;
}

}  // namespace vx
