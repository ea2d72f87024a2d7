// The lap analysis as text: the JSON member of the report and the two CSV
// tables (RFC 4180, lines ending in CRLF). Numbers always with ".": seconds
// with three decimals, km/h with one, metres per pixel with four, map
// coordinates with two; an absent figure is null in JSON and an empty field
// in CSV.
#pragma once

#include <optional>
#include <span>
#include <string>

#include "formats/ReplayBlock.h"
#include "laps/LapAnalysis.h"

namespace vx {

// The "analysis" member's value ("null" without an analysis); indent is put
// before every line but the first. more: further members after the others
// ("name": value, with no indent), none when empty.
std::string AnalysisJson(const std::optional<LapAnalysis>& analysis, const LapTrace& laps,
                         const std::string& indent, const std::string& more = {});

// One row per lap: lap,time,precise_s,sector1_s,sector2_s,sector3_s,top_speed_kmh,clean.
std::string LapTableCsv(const std::optional<LapAnalysis>& analysis, const LapTrace& laps);

// One row per sample read: sample,time_s,x,y,lap,speed_kmh,on_map. Without a
// map scale the positions are empty.
std::string SampleTableCsv(std::span<const ReplaySample> samples, std::uint8_t mapScale,
                           const std::optional<LapAnalysis>& analysis);

}  // namespace vx
