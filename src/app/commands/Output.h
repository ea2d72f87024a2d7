// What the commands print and how they end: the exit statuses, the one JSON
// writer, the one CSV writer, the columns of the text tables, and the words
// more than one command says (wrong usage, a refusal, the history).
//
// Sections: exit statuses; JSON; CSV; text tables; messages.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "history/HistoryStore.h"

namespace vx {

// --- Exit statuses ------------------------------------------------------------------

enum class ExitStatus : int {
    Ok = 0,
    OutputFailed = 1,  // an output could not be written
    WrongUsage = 2,
    InputRefused = 3,  // an input is missing, unreadable, too large or invalid
    Interrupted = 130  // stopped by the interrupt key (history add)
};

// --- JSON ---------------------------------------------------------------------------

// A JSON value whose members keep the order they were put in.
using Json = nlohmann::ordered_json;

// A measured value with its decimals, as the texts give it (RoundedValue):
// 43.6019999 with 3 is 43.602. Null when absent, and when not finite.
Json JsonNumber(const std::optional<double>& value, int decimals);

// Seconds carry three decimals.
Json JsonSeconds(const std::optional<double>& value);

enum class JsonLayout { Indented, OneLine };

// The one way the program writes JSON: indented by two spaces (or on one
// line), with a line end after it. Every text put in a value is UTF-8 (the
// files' texts decoded from Windows-1252, the system's names through
// FileNameToUtf8); should any not be, its bad bytes are written as U+FFFD
// rather than ending the program.
std::string JsonText(const Json& value, JsonLayout layout = JsonLayout::Indented);

// --- CSV ----------------------------------------------------------------------------

// One record: the fields joined by ",", a field holding ",", a double
// quote, CR or LF quoted with its quotes doubled, and CRLF after it.
std::string CsvRow(const std::vector<std::string>& fields);

// A measured value as a field: its decimals, empty when absent.
std::string CsvNumber(const std::optional<double>& value, int decimals);

// --- Text tables --------------------------------------------------------------------

// The characters (code points) of a UTF-8 text.
std::size_t Characters(const std::string& utf8);

// A UTF-8 text in a column of width characters, filled with spaces after
// (PadRight) or before it (PadLeft); a longer text keeps its length.
// Characters are counted, not bytes: "Vélo Sport" takes ten.
std::string PadRight(const std::string& text, std::size_t width);
std::string PadLeft(const std::string& text, std::size_t width);

// --- Messages -----------------------------------------------------------------------

// "vxanalyser: MESSAGE" on stderr.
void Say(const std::string& message);

// The message, then the usage: wrong usage.
ExitStatus WrongUsage(const std::string& message);

// The message (a load's refusal, a file or track not found): the input is refused.
ExitStatus Refused(const std::string& message);

// "History unavailable: REASON": the history cannot be opened, read or written.
ExitStatus HistoryUnavailable(const std::string& reason);

// The history file a command names with --history FILE, or the user's own
// (empty when the system names no folder for the user's data).
std::string HistoryPathOf(const std::string& named);

// Opens the history to record in it, saying on stderr when a damaged one
// was set aside.
HistoryOpening OpenHistorySaid(const std::string& path);

}  // namespace vx
