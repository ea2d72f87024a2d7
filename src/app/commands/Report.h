// The report of the committed analysis, as the "report" command prints it:
// readable, or as one JSON object. Each is made whole as one text.
#pragma once

#include <optional>
#include <string>

#include "history/HistoryStore.h"
#include "state/AppState.h"

namespace vx {

// The JSON object: the game, the track, the laps and the analysis.
std::string ReportJson(const AppState& state);

// The same, the laps measured against the best lap of another race too:
// "reference_race" in the analysis names that race and lap (null when there
// is none) and gives each lap's time against it.
std::string ReportJson(const AppState& state, const std::optional<BestLapOfRace>& against);

// The same facts as a readable report.
std::string ReportText(const AppState& state);

// A JSON string of UTF-8 text, quoted, with its control characters escaped.
std::string JsonString(const std::string& text);

}  // namespace vx
