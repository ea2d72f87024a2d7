// The lap file (*.vxlap): one lap as a player sends it to another, its
// writer and its reader. docs/lap-file.md sets the format down member by
// member; the limits below are its limits.
//
//   LapFile, LapVertex      one lap as the file carries it
//   WriteLapFile            a lap as the file's UTF-8 JSON text
//   ReadLapFile             the file's bytes as a lap, or why it is refused
//   LapFault                what is wrong with a lap's values, if anything
//   LapFileTooLargeReason   the refusal of a file too large to be read
//
// A lap file comes from outside: the reader takes nothing on trust. It
// checks the bytes (UTF-8 without a byte-order mark, nesting bounded) before
// the JSON parser sees them, refuses a member named twice in one object, and
// then every member's type and value. It is pure: bytes in, a record or one
// line of refusal out.
#pragma once

#include "formats/Parsed.h"
#include "toolkit/SystemServices.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vx {

constexpr std::int64_t kMaxLapFileBytes = 2 * 1024 * 1024;  // larger files are refused unread
constexpr const char* kLapFileFormat = "vxanalyser lap";
constexpr std::int64_t kLapFileVersion = 1;
// Lists and objects inside one another, the file's own object counting 1:
// the format needs 3 (the object, its path, a vertex).
constexpr int kMaxLapFileDepth = 16;
constexpr std::int64_t kMaxLapNameCharacters = 64;  // code points of a track, driver or car name
constexpr std::size_t kMinLapVertices = 2;
constexpr std::size_t kMaxLapVertices = 50'000;
constexpr double kMaxLapPositionPx = 4096;  // |x| and |y|, map pixels
constexpr double kMaxLapSpeedKmh = 1000;
// The last vertex's time and the precise time may differ by this much.
constexpr double kLapEndToleranceS = 0.001;
// The lap-view time is written with two decimals and at most six digits
// before the point; the precise time lies below a million seconds.
constexpr std::int64_t kMaxLapViewTime = 99'999'999;  // hundredths
constexpr double kMaxLapPreciseS = 1'000'000;

// One vertex of the lap's path: its map position (unrounded map pixels, as
// the analysis gives it), its time from the lap's start and the speed there
// (none at a crossing of the line, or where the sample has none).
struct LapVertex {
    double X = 0;
    double Y = 0;
    double T = 0;  // seconds from the lap's first vertex
    std::optional<double> SpeedKmh;
    bool operator==(const LapVertex&) const = default;
};

// One lap as a lap file carries it. Texts are UTF-8.
struct LapFile {
    std::string TrackName;  // as the label strip shows it
    Sha256Digest Layout{};  // the track's layout key
    std::string Driver;     // who drove it: never empty
    std::string Car;        // may be empty
    // The race's date, nanoseconds since 1970 (UTC). The file holds it to
    // the second: the writer rounds it down, the reader gives whole seconds.
    std::int64_t DateNs = 0;
    Sha256Digest Race{};  // the race key of the saved game it was driven in
    std::int32_t Lap = 0;  // its number in that race, from 1
    std::int64_t ViewTime = 0;  // the lap view's time, hundredths ("44.30" in the file)
    double PreciseS = 0;
    std::vector<LapVertex> Path;
    bool operator==(const LapFile&) const = default;
};

// The lap as the file's text: UTF-8 JSON, one member a line and one vertex
// a line. Positions are written to 1/10000 of a map pixel, times to the
// microsecond (with every digit where two times would round alike, or the
// last one away from the precise time, so that a sound lap stays sound once
// read), speeds to 1/100 km/h and the precise time exactly. Write only a lap that LapFault finds sound: the
// reader refuses any other (the writer writes it all the same, never
// throwing: text that is not UTF-8 is replaced, a number that is not finite
// is written null).
std::string WriteLapFile(const LapFile& lap);

// The lap in a lap file's bytes, or a one-line refusal that begins with the
// file's name as given (control characters shown as "?") and says what is
// wrong: "friend.vxlap was written by a newer vxanalyser (version 2)". A file
// whose bytes, JSON or format show it is no lap file of this program is
// refused as NotThisKind (so is a newer version's), any other as Damaged.
// Refuses a file over kMaxLapFileBytes too, unread; the caller should not
// read one (LapFileTooLargeReason).
Parsed<LapFile> ReadLapFile(std::span<const std::uint8_t> bytes, std::string_view fileName);

// What is wrong with the lap's values, in the reader's words without the
// file's name ("vertex 12's speed -3.00 km/h is below 0"); none when it is a
// lap a lap file may carry. The reader refuses with it; an export checks a
// lap with it before writing.
std::optional<std::string> LapFault(const LapFile& lap);

// "big.vxlap is too large to be a lap file (3,145,728 bytes; at most 2 MiB)".
std::string LapFileTooLargeReason(std::string_view fileName, std::int64_t bytes);

// The file's name as a refusal shows it: control characters as "?".
std::string LapFileNameShown(std::string_view fileName);

}  // namespace vx
