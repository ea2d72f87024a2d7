// The program's texts of numbers and times: one definition of each, for the
// pictures, the report, the JSON and the CSV alike. Numbers are written with
// "." whatever the user's locale (RealToText).
//
//   FixedText, SignedFixedText   a measured value with a number of decimals
//   SecondsText                  a time in seconds, to the thousandth: "43.602"
//   RoundedValue                 the number FixedText writes, as a number
//   LapTimeText                  whole hundredths as seconds: "58.35"
//   FormatTime                   whole hundredths as minutes and seconds: "10:12.34"
//   BestTimeText                 a track's best time as its label strip shows it
//   FormatAverageSpeed           a driver's average speed: "146.98 kmh"
//   AverageSpeedKmh              the same speed as a number
//   GroupedNumber                digits in groups of three: "1,234,567"
//   DateText                     a moment in UTC: "2026-12-01T19:04:11Z" or "2026-12-01 19:04:11"
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vx {

// value with exactly `decimals` decimals, rounded as RealToText rounds. A
// value that rounds to zero is written without a sign: -0.0004 with three
// decimals is "0.000", never "-0.000".
std::string FixedText(double value, int decimals);

// The same with "+" before a value that is above zero once rounded: a time
// lost is "+0.250", a time gained "-0.250", neither "0.000".
std::string SignedFixedText(double value, int decimals);

// A time in seconds as the program's own texts give it: three decimals,
// never "-0.000" (FixedText(value, 3)).
std::string SecondsText(double value);

// The value FixedText(value, decimals) writes, as the nearest double to that
// decimal text: 43.6019999 with three decimals is 43.602, so that a number
// given to a program (JSON) is the one the texts show. A value that rounds to
// zero is +0; infinities and NaN are kept as they are.
double RoundedValue(double value, int decimals);

// Whole hundredths as seconds with two decimals: 5835 is "58.35", 5 is
// "0.05"; a negative time is "-" followed by the time. Exact for every value;
// the quotient held as a 32-bit float gives the same text for every time
// below 131072 s, far beyond any lap a saved game can hold.
std::string LapTimeText(std::int64_t hundredths);

// Hundredths of a second as minutes ":" two-digit seconds "." hundredths
// (61234 gives "10:12.34"); minutes are neither padded nor limited, and a
// negative time shows as "-" followed by the time.
std::string FormatTime(std::int64_t hundredths);

// A track's best time as its label shows it: the point goes before the last
// two digits, after the first two digits of a time above 999 and after the
// first digit otherwise; 85 gives "8.85" and 12345 gives "12.45". A negative
// time keeps its "-" in the digits.
std::string BestTimeText(std::int64_t time);

// The average speed of laps of trackLength metres in raceTime hundredths, as
// km/h with two decimals and " kmh", rounded half up to the hundredth; a race
// time of 0 gives "0 kmh".
std::string FormatAverageSpeed(std::int64_t laps, std::int64_t raceTime, std::int64_t trackLength);

// The speed FormatAverageSpeed writes, in km/h (its hundredths as a 32-bit
// float, divided by 100); none for a race time of 0, which has no speed.
std::optional<double> AverageSpeedKmh(std::int64_t laps, std::int64_t raceTime, std::int64_t trackLength);

// "1,234,567"; a negative number keeps its "-" before the first group.
std::string GroupedNumber(std::int64_t value);

// A moment given as nanoseconds since 1970, in UTC, rounded down to the
// second (also before 1970: a date never moves to the next second). Stamp:
// "YYYY-MM-DDTHH:MM:SSZ", for programs and the history's own records;
// Readable: "YYYY-MM-DD HH:MM:SS", for the tables and lines people read.
enum class DateForm { Stamp, Readable };
std::string DateText(std::int64_t unixNs, DateForm form = DateForm::Stamp);

}  // namespace vx
