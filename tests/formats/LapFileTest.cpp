// The lap file: what the reader accepts and refuses (a file hand-written
// here, changed one rule at a time), what a written lap reads back as, and
// the example of docs/lap-file.md.
#include "formats/LapFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace vx {
namespace {

const std::string kLayoutHex = "00112233445566778899aabbccddeeff0123456789abcdef0f1e2d3c4b5a6978";
const std::string kRaceHex = "ffeeddccbbaa99887766554433221100fedcba98765432100123456789abcdef";

// A sound lap file, on one line so that a case can change one member.
const std::string kSound =
    R"({"format": "vxanalyser lap", "version": 1, "track": "Oval", "layout_key": ")" + kLayoutHex +
    R"(", "driver": "Ada Morrow", "car": "Falcon", "date": "2027-05-06T14:03:11Z", "race_key": ")" +
    kRaceHex +
    R"(", "lap": 5, "time": "44.30", "precise_s": 1.5, "path": [[10, 20, 0, null], [11.5, 20.25, 0.75, 150.5], [13, 21, 1.5, null]]})";

std::string Replaced(std::string text, const std::string& from, const std::string& to)
{
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << "the sound file holds no " << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

Parsed<LapFile> Read(const std::string& text, const std::string& name = "lap.vxlap")
{
    return ReadLapFile({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}, name);
}

std::string Repeat(const std::string& text, std::size_t times)
{
    std::string all;
    for (std::size_t i = 0; i < times; ++i)
        all += text;
    return all;
}

// A path of n vertices a millisecond apart, ending at (n - 1) ms.
std::string PathOf(std::size_t n)
{
    std::string path = "[";
    for (std::size_t i = 0; i < n; ++i)
        path += (i ? ", [1, 2, " : "[1, 2, ") + std::to_string(i) + "e-3, null]";
    return path + "]";
}

std::string WithPath(std::size_t n)
{
    const std::string precise = std::to_string(static_cast<double>(n - 1) / 1000);
    std::string text = Replaced(kSound, R"("precise_s": 1.5)", R"("precise_s": )" + precise);
    return Replaced(text, text.substr(text.find("[[")), PathOf(n) + "}");
}

TEST(LapFileReader, ReadsEveryMemberOfASoundFile)
{
    const Parsed<LapFile> parsed = Read(kSound);
    ASSERT_TRUE(parsed.ok()) << parsed.error;
    const LapFile& lap = *parsed.value;
    EXPECT_EQ(lap.TrackName, "Oval");
    EXPECT_EQ(lap.Layout[0], 0x00);
    EXPECT_EQ(lap.Layout[31], 0x78);
    EXPECT_EQ(lap.Race[0], 0xFF);
    EXPECT_EQ(lap.Driver, "Ada Morrow");
    EXPECT_EQ(lap.Car, "Falcon");
    EXPECT_EQ(lap.DateNs, 1809612191LL * 1'000'000'000);  // date -u -d 2027-05-06T14:03:11Z +%s
    EXPECT_EQ(lap.Lap, 5);
    EXPECT_EQ(lap.ViewTime, 4430);
    EXPECT_EQ(lap.PreciseS, 1.5);
    const std::vector<LapVertex> path = {
        {10, 20, 0, std::nullopt}, {11.5, 20.25, 0.75, 150.5}, {13, 21, 1.5, std::nullopt}};
    EXPECT_EQ(lap.Path, path);
}

TEST(LapFileReader, AcceptsWhatTheRulesAllow)
{
    const std::string e64 = Repeat("\xC3\xA9", 64);  // 64 characters in 128 bytes
    const std::string nested = Repeat("[", 15) + Repeat("]", 15);  // 16 deep with the file's object
    const struct {
        const char* what;
        std::string text;
    } cases[] = {
        {"keys in capitals", Replaced(kSound, kLayoutHex, "00112233445566778899AABBCCDDEEFF0123456789ABCDEF0F1E2D3C4B5A6978")},
        {"a name of 64 characters", Replaced(kSound, "Ada Morrow", e64)},
        {"brackets and an escaped quote in a name", Replaced(kSound, "Ada Morrow", R"(A\"[[[[[[[[[[[[[[[[[[[[)")},
        {"no car", Replaced(kSound, R"("Falcon")", R"("")")},
        {"members it does not know, nested 16 deep", Replaced(kSound, R"("lap": 5)", R"("lap": 5, "x": )" + nested)},
        {"a path inside a member it does not know", Replaced(kSound, R"("lap": 5)", R"("lap": 5, "x": {"path": 7, "y": [[1]]})")},
        {"one name in two objects", Replaced(kSound, R"("lap": 5)", R"("lap": 5, "x": [{"a": 1}, {"a": 2}])")},
        {"the members in another order", Replaced(Replaced(kSound, R"("car": "Falcon", )", ""), R"("lap": 5)", R"("car": "Falcon", "lap": 5)")},
        {"the last time within 1 ms of the precise time", Replaced(kSound, R"("precise_s": 1.5)", R"("precise_s": 1.5009)")},
        {"positions at the limits", Replaced(kSound, "[11.5, 20.25", "[-4096, 4096")},
        {"speeds at the limits", Replaced(Replaced(kSound, "0.75, 150.5]", "0.75, 1000]"), "0, null]", "0, 0]")},
        {"50,000 vertices", WithPath(50'000)},
        {"2 vertices", WithPath(2)},
    };
    for (const auto& c : cases) {
        const Parsed<LapFile> parsed = Read(c.text);
        EXPECT_TRUE(parsed.ok()) << c.what << ": " << parsed.error;
    }
}

TEST(LapFileReader, RefusesEachBrokenRuleWithItsOwnReason)
{
    const std::string start = kSound.substr(0, kSound.find("[[") + 1);
    const auto byteOf = [](const std::string& text, const std::string& what, std::size_t past) {
        return std::to_string(text.find(what) + past + 1);
    };
    const std::string badUtf8 = Replaced(kSound, "Ada Morrow", "Ada \xC3\x28Morrow");
    const std::string deep = Replaced(kSound, R"("lap": 5)", R"("lap": 5, "x": )" + Repeat("[", 16) + Repeat("]", 16));
    const std::string tooLong = WithPath(50'001);
    const std::string huge = Replaced(kSound, R"("precise_s": 1.5)", R"("precise_s": 1e400)");
    const struct {
        const char* what;
        std::string text;
        std::string message;  // after "lap.vxlap "
        Refusal kind;
    } cases[] = {
        // The bytes and the JSON.
        {"empty", "", "is not a lap file: it is empty", Refusal::NotThisKind},
        {"byte-order mark", "\xEF\xBB\xBF" + kSound, "is not a lap file: it begins with a byte-order mark", Refusal::NotThisKind},
        {"invalid UTF-8", badUtf8, "is not a lap file: it is not UTF-8 text (byte " + byteOf(badUtf8, "\xC3\x28", 0) + ")", Refusal::NotThisKind},
        {"overlong UTF-8", Replaced(kSound, "Oval", "O\xC0\xAFval"), "is not a lap file: it is not UTF-8 text (byte " + byteOf(kSound, "Oval", 1) + ")", Refusal::NotThisKind},
        {"a surrogate in UTF-8", Replaced(kSound, "Oval", "O\xED\xA0\x80val"), "is not a lap file: it is not UTF-8 text (byte " + byteOf(kSound, "Oval", 1) + ")", Refusal::NotThisKind},
        {"above U+10FFFF", Replaced(kSound, "Oval", "O\xF4\x90\x80\x80val"), "is not a lap file: it is not UTF-8 text (byte " + byteOf(kSound, "Oval", 1) + ")", Refusal::NotThisKind},
        {"truncated", start, "is not a lap file: it is not JSON (it ends early, at byte " + std::to_string(start.size()) + ")", Refusal::NotThisKind},
        {"syntax error", Replaced(kSound, R"("lap": 5)", R"("lap": 5,,)"), "is not a lap file: it is not JSON (syntax error at byte " + byteOf(kSound, R"("lap": 5)", 9) + ")", Refusal::NotThisKind},
        {"not an object", "[1, 2]", "is not a lap file: it is JSON, but not an object", Refusal::NotThisKind},
        {"17 deep", deep, "is not a lap file: it nests lists and objects more than 16 deep (byte " + byteOf(deep, "[[", 15) + ")", Refusal::NotThisKind},
        {"a million deep", Repeat("[", 1'000'000), "is not a lap file: it nests lists and objects more than 16 deep (byte 17)", Refusal::NotThisKind},
        {"a number beyond double", huge, "is damaged: it holds a number too large to be finite (byte " + byteOf(huge, "1e400", 0) + ")", Refusal::Damaged},
        // The format and its version.
        {"no format", Replaced(kSound, R"("format": "vxanalyser lap", )", ""), "is not a lap file: it has no \"format\"", Refusal::NotThisKind},
        {"another format", Replaced(kSound, "vxanalyser lap", R"(ghost\nlap)"), "is not a lap file: its format is \"ghost?lap\", not \"vxanalyser lap\"", Refusal::NotThisKind},
        {"a member twice", Replaced(kSound, R"("lap": 5)", R"("lap": 5, "lap": 6)"), "is damaged: it names \"lap\" twice in one object", Refusal::Damaged},
        {"a member twice, nested", Replaced(kSound, R"("lap": 5)", R"("lap": 5, "x": [{"a": 1, "a": 1}])"), "is damaged: it names \"a\" twice in one object", Refusal::Damaged},
        {"newer", Replaced(kSound, R"("version": 1)", R"("version": 2)"), "was written by a newer vxanalyser (version 2)", Refusal::NotThisKind},
        {"version 0", Replaced(kSound, R"("version": 1)", R"("version": 0)"), "is damaged: its version 0 is below 1", Refusal::Damaged},
        {"version 1.0", Replaced(kSound, R"("version": 1)", R"("version": 1.0)"), "is damaged: its \"version\" is not a whole number", Refusal::Damaged},
        // Members missing or of another type.
        {"no driver", Replaced(kSound, R"("driver": "Ada Morrow", )", ""), "is damaged: it has no \"driver\"", Refusal::Damaged},
        {"a number as text", Replaced(kSound, R"("lap": 5)", R"("lap": "5")"), "is damaged: its \"lap\" is not a whole number", Refusal::Damaged},
        {"text as a number", Replaced(kSound, R"("precise_s": 1.5)", R"("precise_s": "1.5")"), "is damaged: its \"precise_s\" is not a number", Refusal::Damaged},
        {"a name as a number", Replaced(kSound, R"("Oval")", "7"), "is damaged: its \"track\" is not text", Refusal::Damaged},
        {"a path that is no list", Replaced(kSound, R"("path": [)", R"("path": {"a": [)") + "}", "is damaged: its \"path\" is not a list", Refusal::Damaged},
        {"a vertex of three", Replaced(kSound, "[11.5, 20.25, 0.75, 150.5]", "[11.5, 20.25, 0.75]"), "is damaged: vertex 2 is not a list of x, y, t and speed", Refusal::Damaged},
        {"a vertex as an object", Replaced(kSound, "[11.5, 20.25, 0.75, 150.5]", R"({"x": 11.5})"), "is damaged: vertex 2 is not a list of x, y, t and speed", Refusal::Damaged},
        {"a list as a coordinate", Replaced(kSound, "[11.5, 20.25", "[11.5, [20.25]"), "is damaged: vertex 2's y is not a number", Refusal::Damaged},
        {"a coordinate as text", Replaced(kSound, "[11.5, 20.25", R"([11.5, "20.25")"), "is damaged: vertex 2's y is not a number", Refusal::Damaged},
        {"a speed as text", Replaced(kSound, "150.5]", R"("fast"])"), "is damaged: vertex 2's speed is neither a number nor null", Refusal::Damaged},
        // Names, keys, date, lap and its time.
        {"a name of 65 characters", Replaced(kSound, "Ada Morrow", Repeat("\xC3\xA9", 65)), "is damaged: the driver's name has 65 characters, more than 64", Refusal::Damaged},
        {"a control character", Replaced(kSound, "Falcon", R"(Fal\u0007con)"), "is damaged: the car's name holds a control character", Refusal::Damaged},
        {"a C1 control character", Replaced(kSound, "Falcon", R"(Fal\u009bcon)"), "is damaged: the car's name holds a control character", Refusal::Damaged},
        {"no track name", Replaced(kSound, R"("Oval")", R"("")"), "is damaged: the track's name is empty", Refusal::Damaged},
        {"a short layout key", Replaced(kSound, kLayoutHex, kLayoutHex.substr(1)), "is damaged: its \"layout_key\" is not 64 hexadecimal digits", Refusal::Damaged},
        {"a race key not hex", Replaced(kSound, kRaceHex, "g" + kRaceHex.substr(1)), "is damaged: its \"race_key\" is not 64 hexadecimal digits", Refusal::Damaged},
        {"30 February", Replaced(kSound, "2027-05-06", "2027-02-30"), "is damaged: its \"date\" is not a date from 1970 to 2261 written as \"2027-05-06T14:03:11Z\"", Refusal::Damaged},
        {"before 1970", Replaced(kSound, "2027-05-06T14:03:11Z", "1969-12-31T23:59:59Z"), "is damaged: its \"date\" is not a date from 1970 to 2261 written as \"2027-05-06T14:03:11Z\"", Refusal::Damaged},
        {"a date without its zone", Replaced(kSound, "14:03:11Z", "14:03:11"), "is damaged: its \"date\" is not a date from 1970 to 2261 written as \"2027-05-06T14:03:11Z\"", Refusal::Damaged},
        {"lap 0", Replaced(kSound, R"("lap": 5)", R"("lap": 0)"), "is damaged: its lap number 0 is not from 1 to 2,147,483,647", Refusal::Damaged},
        {"a lap time of one decimal", Replaced(kSound, "44.30", "44.3"), "is damaged: its \"time\" is not a lap time written as \"44.30\"", Refusal::Damaged},
        {"a lap time with a leading zero", Replaced(kSound, "44.30", "044.30"), "is damaged: its \"time\" is not a lap time written as \"44.30\"", Refusal::Damaged},
        // The path.
        {"1 vertex", WithPath(1), "is damaged: its path has 1 vertex, fewer than 2", Refusal::Damaged},
        {"50,001 vertices", tooLong, "is damaged: its path has 50,001 vertices, more than 50,000", Refusal::Damaged},
        {"a late start", Replaced(kSound, "[10, 20, 0,", "[10, 20, 0.25,"), "is damaged: vertex 1's time 0.250 s is not 0: a path starts at 0 s", Refusal::Damaged},
        {"a time repeated", Replaced(kSound, "[13, 21, 1.5", "[13, 21, 0.75"), "is damaged: vertex 3's time 0.750 s does not come after vertex 2's 0.750 s", Refusal::Damaged},
        // Six decimals where three would show both times alike.
        {"a time going back by microseconds", Replaced(kSound, "[13, 21, 1.5", "[13, 21, 0.749996"), "is damaged: vertex 3's time 0.749996 s does not come after vertex 2's 0.750000 s", Refusal::Damaged},
        {"an end away from the precise time", Replaced(kSound, R"("precise_s": 1.5)", R"("precise_s": 1.502)"), "is damaged: its path ends at 1.500 s, not at its precise time 1.502 s", Refusal::Damaged},
        {"a position off the map", Replaced(kSound, "[11.5, 20.25", "[11.5, -4096.5"), "is damaged: vertex 2's y -4096.500 lies outside -4096 to 4096 map pixels", Refusal::Damaged},
        {"a speed below 0", Replaced(kSound, "150.5]", "-0.5]"), "is damaged: vertex 2's speed -0.50 km/h is below 0", Refusal::Damaged},
        {"a speed above 1,000 km/h", Replaced(kSound, "150.5]", "1000.5]"), "is damaged: vertex 2's speed 1000.50 km/h is above 1,000 km/h", Refusal::Damaged},
    };
    for (const auto& c : cases) {
        const Parsed<LapFile> parsed = Read(c.text);
        ASSERT_FALSE(parsed.ok()) << c.what;
        EXPECT_EQ(parsed.error, "lap.vxlap " + c.message) << c.what;
        EXPECT_EQ(parsed.refusal, c.kind) << c.what;
    }
}

TEST(LapFileReader, NamesTheFileAsGivenOnOneLine)
{
    EXPECT_EQ(Read("[]", "My Laps/friend\n.vxlap").error, "My Laps/friend?.vxlap is not a lap file: it is JSON, but not an object");
    const std::string big(static_cast<std::size_t>(kMaxLapFileBytes) + 1, ' ');
    EXPECT_EQ(Read(big, "big.vxlap").error, "big.vxlap is too large to be a lap file (2,097,153 bytes; at most 2 MiB)");
    EXPECT_EQ(LapFileTooLargeReason("big.vxlap", 3'145'728), "big.vxlap is too large to be a lap file (3,145,728 bytes; at most 2 MiB)");
}

// A lap as an export makes it: 45 s around an oval, 901 vertices, times
// and positions at every digit a double holds.
LapFile FortyFiveSecondLap()
{
    LapFile lap;
    lap.TrackName = "Kestrelvale";
    lap.Layout.fill(0x38);
    lap.Race.fill(0xC7);
    lap.Driver = "Mara Quill";
    lap.Car = "Corvane GT";
    lap.DateNs = 1'809'612'191'999'999'999;  // the file keeps the second
    lap.Lap = 17;
    lap.ViewTime = 4500;
    const double start = 812.0 / 20 + 0.0137493;  // the line crossed between two samples
    lap.PreciseS = (812.0 + 900) / 20 + 0.0071234 - start;
    lap.Path.push_back({299.71428571428572, 447.33333333333331, 0, std::nullopt});
    for (int j = 813; j < 1712; ++j) {
        const double a = (j - 813) * 0.006981317007977318;
        lap.Path.push_back({256 + 190.33333333333334 * std::cos(a), 300 - 147.14285714285714 * std::sin(a),
                            j / 20.0 - start, 180 + 130.0 / 3 * std::sin(3 * a)});
    }
    // Two vertices a fifth of a microsecond apart, in the same microsecond,
    // still come one after the other.
    lap.Path[400].T = std::round(lap.Path[400].T * 1e6) / 1e6 + 1e-7;
    lap.Path[401].T = lap.Path[400].T + 2e-7;
    lap.Path.push_back({299.85714285714283, 447.1111111111111, lap.PreciseS, std::nullopt});
    return lap;
}

TEST(LapFileWriter, AWrittenLapReadsBackToTheMicrosecondAndTheThousandthOfAPixel)
{
    const LapFile lap = FortyFiveSecondLap();
    ASSERT_EQ(LapFault(lap), std::nullopt);
    const std::string text = WriteLapFile(lap);
    EXPECT_LT(text.size(), 60'000u) << "a 45 s lap is small enough to send anywhere";
    const Parsed<LapFile> parsed = Read(text);
    ASSERT_TRUE(parsed.ok()) << parsed.error;
    const LapFile& read = *parsed.value;
    EXPECT_EQ(read.TrackName, lap.TrackName);
    EXPECT_EQ(read.Layout, lap.Layout);
    EXPECT_EQ(read.Race, lap.Race);
    EXPECT_EQ(read.Driver, lap.Driver);
    EXPECT_EQ(read.Car, lap.Car);
    EXPECT_EQ(read.DateNs, 1'809'612'191'000'000'000);
    EXPECT_EQ(read.Lap, lap.Lap);
    EXPECT_EQ(read.ViewTime, lap.ViewTime);
    EXPECT_EQ(read.PreciseS, lap.PreciseS);
    ASSERT_EQ(read.Path.size(), lap.Path.size());
    for (std::size_t i = 0; i < lap.Path.size(); ++i) {
        const LapVertex& a = lap.Path[i];
        const LapVertex& b = read.Path[i];
        EXPECT_LE(std::fabs(a.X - b.X), 0.001) << "vertex " << i;
        EXPECT_LE(std::fabs(a.Y - b.Y), 0.001) << "vertex " << i;
        EXPECT_LT(std::fabs(a.T - b.T), 1e-6) << "vertex " << i;
        ASSERT_EQ(a.SpeedKmh.has_value(), b.SpeedKmh.has_value()) << "vertex " << i;
        if (a.SpeedKmh) {
            EXPECT_LE(std::fabs(*a.SpeedKmh - *b.SpeedKmh), 0.005) << "vertex " << i;
        }
    }
    EXPECT_EQ(WriteLapFile(read), text) << "a lap read is written again as it was";
}

TEST(LapFileWriter, AnEndJustWithinTheToleranceStaysWithinIt)
{
    // The end 0.9998 ms before the precise time, and 0.4 microseconds into
    // its microsecond: rounded, it would lie 1.0002 ms away.
    LapFile lap = FortyFiveSecondLap();
    LapVertex& end = lap.Path.back();
    end.T = std::floor(end.T * 1e6) / 1e6 + 4e-7;
    lap.PreciseS = end.T + 0.0009998;
    ASSERT_EQ(LapFault(lap), std::nullopt);
    const Parsed<LapFile> parsed = Read(WriteLapFile(lap));
    EXPECT_TRUE(parsed.ok()) << parsed.error;
}

TEST(LapFileFault, FindsWhatOnlyARecordCanHold)
{
    const struct {
        const char* what;
        void (*change)(LapFile&);
        std::string fault;
    } cases[] = {
        {"a name not UTF-8", [](LapFile& l) { l.Driver = "M\xE4ra"; }, "the driver's name is not UTF-8 text"},
        {"a coordinate not finite", [](LapFile& l) { l.Path[2].X = NAN; }, "vertex 3's x is not a finite number"},
        {"a speed not finite", [](LapFile& l) { l.Path[2].SpeedKmh = INFINITY; }, "vertex 3's speed is not a finite number"},
        {"a date before 1970", [](LapFile& l) { l.DateNs = -1; }, "the race's date 1969-12-31T23:59:59Z is not from 1970 to 2261"},
        {"a precise time not finite", [](LapFile& l) { l.PreciseS = NAN; }, "its precise time is not a finite number"},
        {"a lap-view time below 0", [](LapFile& l) { l.ViewTime = -5; }, "its lap-view time -0.05 is not from 0.00 to 999999.99"},
    };
    for (const auto& c : cases) {
        LapFile lap = FortyFiveSecondLap();
        c.change(lap);
        EXPECT_EQ(LapFault(lap), c.fault) << c.what;
        EXPECT_NO_THROW(WriteLapFile(lap)) << c.what << ": the writer writes it all the same";
    }
}

// The example of docs/lap-file.md: a lap the reader accepts, written as the
// writer writes it.
TEST(LapFileDocument, TheExampleIsALapFileAsTheWriterWritesIt)
{
    std::ifstream in(std::string(VX_SOURCE_DIR) + "/docs/lap-file.md", std::ios::binary);
    const std::string doc((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string open = "```json\n";
    const std::size_t from = doc.find(open);
    ASSERT_NE(from, std::string::npos) << "docs/lap-file.md holds no example";
    const std::size_t to = doc.find("```", from + open.size());
    ASSERT_NE(to, std::string::npos);
    const std::string example = doc.substr(from + open.size(), to - from - open.size());
    const Parsed<LapFile> parsed = Read(example, "example.vxlap");
    ASSERT_TRUE(parsed.ok()) << parsed.error;
    EXPECT_EQ(WriteLapFile(*parsed.value), example);
}

}  // namespace
}  // namespace vx
