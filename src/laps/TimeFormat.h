// The time and speed texts of the driver table.
#pragma once

#include <cstdint>
#include <string>

namespace vx {

// Hundredths of a second as minutes ":" two-digit seconds "." hundredths
// (61234 gives "10:12.34"); minutes are neither padded nor limited, and a
// negative time shows as "-" followed by the time.
std::string FormatTime(std::int64_t hundredths);

// The average speed of laps of trackLength metres in raceTime hundredths, as
// km/h with two decimals and " kmh", rounded half up to the hundredth; a race
// time of 0 gives "0 kmh".
std::string FormatAverageSpeed(std::int64_t laps, std::int64_t raceTime, std::int64_t trackLength);

}  // namespace vx
