#include "formats/LapFile.h"

#include "toolkit/Format.h"
#include "toolkit/Text.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <cmath>
#include <map>
#include <set>
#include <utility>

namespace vx {

namespace {

using Json = nlohmann::json;

// --- Texts ----------------------------------------------------------------------

constexpr std::size_t kValid = static_cast<std::size_t>(-1);

// The offset of the first byte that does not belong to well-formed UTF-8
// (RFC 3629: no overlong forms, no surrogates, nothing above U+10FFFF);
// kValid when there is none.
std::size_t Utf8FaultAt(std::span<const std::uint8_t> bytes)
{
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        const std::uint8_t b = bytes[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = 0;
        std::uint8_t low = 0x80, high = 0xBF;  // the range of the second byte
        if (b >= 0xC2 && b <= 0xDF) {
            length = 2;
        } else if (b >= 0xE0 && b <= 0xEF) {
            length = 3;
            if (b == 0xE0)
                low = 0xA0;  // overlong below
            else if (b == 0xED)
                high = 0x9F;  // surrogates above
        } else if (b >= 0xF0 && b <= 0xF4) {
            length = 4;
            if (b == 0xF0)
                low = 0x90;
            else if (b == 0xF4)
                high = 0x8F;  // above U+10FFFF
        } else {
            return i;
        }
        if (i + 1 >= n || bytes[i + 1] < low || bytes[i + 1] > high)
            return i;
        for (std::size_t k = 2; k < length; ++k)
            if (i + k >= n || (bytes[i + k] & 0xC0) != 0x80)
                return i;
        i += length;
    }
    return kValid;
}

std::span<const std::uint8_t> BytesOf(std::string_view text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// Code points of well-formed UTF-8: the bytes that do not continue one.
std::int64_t CodePoints(std::string_view text)
{
    return std::count_if(text.begin(), text.end(),
                         [](char c) { return (static_cast<std::uint8_t>(c) & 0xC0) != 0x80; });
}

// U+0000..U+001F, U+007F and U+0080..U+009F (encoded C2 80..C2 9F): what
// would break a line of the standings, or a terminal.
bool HasControlCharacter(std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto b = static_cast<std::uint8_t>(text[i]);
        if (b < 0x20 || b == 0x7F)
            return true;
        if (b == 0xC2 && i + 1 < text.size() && static_cast<std::uint8_t>(text[i + 1]) <= 0x9F)
            return true;
    }
    return false;
}

// The text with each control character (as HasControlCharacter finds them)
// shown as "?": a refusal stays on one line, and a terminal shows it as it is.
std::string OneLine(std::string_view text)
{
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto b = static_cast<std::uint8_t>(text[i]);
        if (b == 0xC2 && i + 1 < text.size() && static_cast<std::uint8_t>(text[i + 1]) <= 0x9F) {
            shown += '?';
            ++i;
        } else {
            shown += b < 0x20 || b == 0x7F ? '?' : text[i];
        }
    }
    return shown;
}

// The file's name as a refusal shows it.
std::string ShownName(std::string_view name)
{
    return OneLine(name);
}

// A text from the file quoted in a refusal: on one line, and cut short
// after 40 characters.
std::string Quoted(std::string_view text)
{
    constexpr std::size_t kShown = 40;
    std::size_t points = 0, end = 0;
    while (end < text.size() && ((static_cast<std::uint8_t>(text[end]) & 0xC0) == 0x80 || ++points <= kShown))
        ++end;
    std::string quoted = "\"";
    quoted += OneLine(text.substr(0, end));
    if (end < text.size())
        quoted += "...";
    quoted += '"';
    return quoted;
}

// A number in a refusal: fixed decimals, or the exponent form when it is
// far too large for that.
std::string NumberText(double value, int decimals)
{
    if (!std::isfinite(value) || std::fabs(value) < 1e9)
        return FixedText(value, decimals);
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::scientific, 3);
    return std::string(buffer.data(), result.ptr);
}

std::string Seconds(double value)
{
    std::string text = NumberText(value, 3);
    text += " s";
    return text;
}

// --- Keys, dates and lap-view times ----------------------------------------------

std::string Hex(const Sha256Digest& key)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(64);
    for (const std::uint8_t byte : key) {
        hex.push_back(kDigits[byte >> 4]);
        hex.push_back(kDigits[byte & 15]);
    }
    return hex;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<Sha256Digest> ParseHexKey(std::string_view text)
{
    if (text.size() != 64)
        return std::nullopt;
    Sha256Digest key{};
    for (std::size_t i = 0; i < key.size(); ++i) {
        const int high = HexDigit(text[2 * i]), low = HexDigit(text[2 * i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        key[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    return key;
}

// Dates from 1970-01-01 up to 2262-01-01 (exclusive): nanoseconds since 1970
// hold them.
constexpr int kFirstYear = 1970;
constexpr int kYearAfterLast = 2262;

std::chrono::sys_seconds FirstDate()
{
    using namespace std::chrono;
    return sys_days(year(kFirstYear) / January / 1);
}

std::chrono::sys_seconds DateAfterLast()
{
    using namespace std::chrono;
    return sys_days(year(kYearAfterLast) / January / 1);
}

// The nanoseconds since 1970 of a date written so, from 1970 up to 2262;
// none for any other text.
std::optional<std::int64_t> ParseDate(std::string_view text)
{
    using namespace std::chrono;
    static constexpr std::string_view kShape = "dddd-dd-ddTdd:dd:ddZ";
    if (text.size() != kShape.size())
        return std::nullopt;
    for (std::size_t i = 0; i < kShape.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (kShape[i] == 'd' ? !digit : text[i] != kShape[i])
            return std::nullopt;
    }
    const auto number = [&](std::size_t at, std::size_t digits) {
        int value = 0;
        for (std::size_t i = at; i < at + digits; ++i)
            value = value * 10 + (text[i] - '0');
        return value;
    };
    const year_month_day date{year(number(0, 4)), month(static_cast<unsigned>(number(5, 2))),
                              day(static_cast<unsigned>(number(8, 2)))};
    const int h = number(11, 2), m = number(14, 2), s = number(17, 2);
    if (!date.ok() || h > 23 || m > 59 || s > 59)
        return std::nullopt;
    const sys_seconds at = sys_days(date) + hours(h) + minutes(m) + std::chrono::seconds(s);
    if (at < FirstDate() || at >= DateAfterLast())
        return std::nullopt;
    return duration_cast<nanoseconds>(at.time_since_epoch()).count();
}

// "44.30" as 4430: digits without a leading zero (but "0.05"), a point and
// two digits, as LapTimeText writes them.
std::optional<std::int64_t> ParseViewTime(std::string_view text)
{
    const std::size_t point = text.find('.');
    if (point == std::string_view::npos || point == 0 || point > 6 || text.size() != point + 3)
        return std::nullopt;
    if (point > 1 && text[0] == '0')
        return std::nullopt;
    std::int64_t hundredths = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i == point)
            continue;
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        hundredths = hundredths * 10 + (text[i] - '0');
    }
    return hundredths;
}

// --- The bytes before the parser ---------------------------------------------------

struct Refused {
    Refusal Kind = Refusal::Damaged;
    std::string Why;
};

// What the bytes show before any JSON is parsed: emptiness, a byte-order
// mark, text that is not UTF-8, nesting deeper than kMaxLapFileDepth (the
// brackets outside strings; the parser need never go deeper).
std::optional<Refused> CheckBytes(std::span<const std::uint8_t> bytes)
{
    if (bytes.empty())
        return Refused{Refusal::NotThisKind, "it is empty"};
    if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF)
        return Refused{Refusal::NotThisKind, "it begins with a byte-order mark"};
    if (const std::size_t at = Utf8FaultAt(bytes); at != kValid)
        return Refused{Refusal::NotThisKind, "it is not UTF-8 text (byte " + IntToText(static_cast<std::int64_t>(at) + 1) + ")"};
    int depth = 0;
    bool inString = false;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const std::uint8_t b = bytes[i];
        if (inString) {
            if (b == '\\')
                ++i;
            else if (b == '"')
                inString = false;
        } else if (b == '"') {
            inString = true;
        } else if (b == '[' || b == '{') {
            if (++depth > kMaxLapFileDepth)
                return Refused{Refusal::NotThisKind,
                               "it nests lists and objects more than " + IntToText(kMaxLapFileDepth) +
                                   " deep (byte " + IntToText(static_cast<std::int64_t>(i) + 1) + ")"};
        } else if (b == ']' || b == '}') {
            depth = std::max(depth - 1, 0);
        }
    }
    return std::nullopt;
}

// --- The JSON ---------------------------------------------------------------------

// A member of the file's object as the reader keeps it: its value when it
// is text or a number, else only that it is something else.
struct Scalar {
    enum class Kind { Text, Whole, Number, Null, Other };
    Kind Type = Kind::Other;
    std::string Text;
    std::int64_t Whole = 0;  // saturated to 64 bits
    double Number = 0;       // of a whole number too
};

std::string VertexName(std::size_t index)
{
    return "vertex " + IntToText(static_cast<std::int64_t>(index) + 1);
}

// What the parser reports, kept as the lap needs it: the members of the
// file's object (the last of a name), the path's vertices read as they come
// (no tree of the whole file is built), the first member named twice in one
// object (the parser itself would keep the last silently), the first vertex
// that is no list of four numbers, and the first syntax error.
class LapEvents final : public nlohmann::json_sax<Json> {
public:
    explicit LapEvents(std::size_t fileBytes) : fileBytes_(fileBytes) {}

    bool IsObject = false;
    std::map<std::string, Scalar, std::less<>> Members;
    bool HasPath = false;
    bool PathIsList = false;
    std::size_t PathCount = 0;  // its elements, all of them
    std::vector<LapVertex> Path;  // up to kMaxLapVertices of them
    std::optional<std::string> PathFault;
    std::optional<std::string> Repeated;
    std::optional<Refused> Error;

    bool null() override { return Value(Scalar{Scalar::Kind::Null, {}, 0, 0}, false); }
    bool boolean(bool) override { return Value(Scalar{}, false); }
    bool number_integer(number_integer_t value) override
    {
        return Value(Scalar{Scalar::Kind::Whole, {}, value, static_cast<double>(value)}, true);
    }
    bool number_unsigned(number_unsigned_t value) override
    {
        const std::int64_t whole = value > static_cast<std::uint64_t>(INT64_MAX) ? INT64_MAX : static_cast<std::int64_t>(value);
        return Value(Scalar{Scalar::Kind::Whole, {}, whole, static_cast<double>(value)}, true);
    }
    bool number_float(number_float_t value, const string_t&) override
    {
        return Value(Scalar{Scalar::Kind::Number, {}, 0, value}, true);
    }
    bool string(string_t& value) override
    {
        if (open_.size() != 1)
            return Value(Scalar{}, false);
        return Value(Scalar{Scalar::Kind::Text, std::move(value), 0, 0}, false);
    }
    bool binary(binary_t&) override { return Value(Scalar{}, false); }

    bool start_object(std::size_t) override
    {
        if (open_.empty())
            IsObject = true;
        else
            Value(Scalar{}, false);
        open_.push_back({false, {}});
        return true;
    }
    bool key(string_t& name) override
    {
        if (!open_.back().Names.insert(name).second && !Repeated)
            Repeated = name;
        if (open_.size() == 1)
            key_ = std::move(name);
        return true;
    }
    bool end_object() override
    {
        open_.pop_back();
        return true;
    }

    bool start_array(std::size_t) override
    {
        if (open_.size() == 1 && key_ == "path") {
            HasPath = PathIsList = true;
            PathCount = 0;
            Path.clear();
            PathFault.reset();
        } else if (InPath() && open_.size() == 2) {
            ++PathCount;
            vertex_ = {};
            components_ = 0;
            vertexFault_.reset();
        } else {
            Value(Scalar{}, false);
        }
        open_.push_back({true, {}});
        return true;
    }
    bool end_array() override
    {
        open_.pop_back();
        if (InPath() && open_.size() == 2)
            EndVertex();
        return true;
    }

    // position: the bytes read, up to the one that is wrong (the number's
    // last, for a number); token: what was read of the value there.
    bool parse_error(std::size_t position, const std::string& token, const nlohmann::detail::exception& error) override
    {
        if (error.id == 406) {  // out_of_range: a number beyond the range of double
            const std::size_t first = position >= token.size() ? position - token.size() + 1 : 1;
            Error = Refused{Refusal::Damaged, "it holds a number too large to be finite (byte " +
                                                  IntToText(static_cast<std::int64_t>(first)) + ")"};
        } else {
            std::string why = "it is not JSON (";
            why += position > fileBytes_ ? "it ends early, at byte " : "syntax error at byte ";
            why += IntToText(static_cast<std::int64_t>(std::min(position, fileBytes_)));
            why += ')';
            Error = Refused{Refusal::NotThisKind, why};
        }
        return false;
    }

private:
    struct Open {
        bool List = false;
        std::set<std::string, std::less<>> Names;  // an object's, so far
    };

    // Inside the path: the file's object, then the path's list, open.
    bool InPath() const { return open_.size() >= 2 && open_[1].List && key_ == "path" && PathIsList; }

    // A value that is no list: a member of the file's object, an element of
    // the path (which is then no vertex), a vertex's component, or anything
    // deeper (ignored).
    bool Value(Scalar value, bool number)
    {
        if (open_.size() == 1) {
            if (key_ == "path") {
                HasPath = true;
                PathIsList = false;
            }
            Members[key_] = std::move(value);
        } else if (InPath() && open_.size() == 2) {
            ++PathCount;
            if (!PathFault)
                PathFault = VertexName(PathCount - 1) + " is not a list of x, y, t and speed";
        } else if (InPath() && open_.size() == 3) {
            Component(value, number);
        }
        return true;
    }

    void Component(const Scalar& value, bool number)
    {
        static const char* const kNames[] = {"x", "y", "t"};
        const std::size_t k = components_++;
        if (k < 3 && !number && !vertexFault_)
            vertexFault_ = VertexName(PathCount - 1) + "'s " + kNames[k] + " is not a number";
        if (k == 3 && !number && value.Type != Scalar::Kind::Null && !vertexFault_)
            vertexFault_ = VertexName(PathCount - 1) + "'s speed is neither a number nor null";
        if (!number)
            return;
        if (k == 0)
            vertex_.X = value.Number;
        else if (k == 1)
            vertex_.Y = value.Number;
        else if (k == 2)
            vertex_.T = value.Number;
        else if (k == 3)
            vertex_.SpeedKmh = value.Number;
    }

    void EndVertex()
    {
        if (PathFault)
            return;
        if (components_ != 4)
            PathFault = VertexName(PathCount - 1) + " is not a list of x, y, t and speed";
        else if (vertexFault_)
            PathFault = vertexFault_;
        else if (Path.size() < kMaxLapVertices)
            Path.push_back(vertex_);
    }

    std::size_t fileBytes_;
    std::vector<Open> open_;
    std::string key_;  // the member of the file's object being read
    LapVertex vertex_;
    std::size_t components_ = 0;
    std::optional<std::string> vertexFault_;
};

std::string Member(std::string_view name)
{
    std::string text = "\"";
    text += name;
    text += '"';
    return text;
}

// Reads the members of the file's object into a lap, refusing a member
// missing or of another type; the values themselves are LapFault's.
class MemberReader {
public:
    explicit MemberReader(const LapEvents& file) : file_(file) {}

    const std::optional<std::string>& Fault() const { return fault_; }

    const Scalar* Find(const char* name)
    {
        if (fault_)
            return nullptr;
        const auto it = file_.Members.find(name);
        if (it == file_.Members.end()) {
            fault_ = "it has no " + Member(name);
            return nullptr;
        }
        return &it->second;
    }

    std::string Text(const char* name)
    {
        const Scalar* value = Find(name);
        if (value && value->Type != Scalar::Kind::Text)
            fault_ = "its " + Member(name) + " is not text";
        return fault_ ? std::string() : value->Text;
    }

    double Number(const char* name)
    {
        const Scalar* value = Find(name);
        if (value && value->Type != Scalar::Kind::Number && value->Type != Scalar::Kind::Whole)
            fault_ = "its " + Member(name) + " is not a number";
        return fault_ ? 0.0 : value->Number;
    }

    std::int64_t Whole(const char* name)
    {
        const Scalar* value = Find(name);
        if (value && value->Type != Scalar::Kind::Whole)
            fault_ = "its " + Member(name) + " is not a whole number";
        return fault_ ? 0 : value->Whole;
    }

    Sha256Digest Key(const char* name)
    {
        const std::string text = Text(name);
        const std::optional<Sha256Digest> key = fault_ ? std::nullopt : ParseHexKey(text);
        if (!fault_ && !key)
            fault_ = "its " + Member(name) + " is not 64 hexadecimal digits";
        return key.value_or(Sha256Digest{});
    }

    std::int64_t Date(const char* name)
    {
        const std::string text = Text(name);
        const std::optional<std::int64_t> ns = fault_ ? std::nullopt : ParseDate(text);
        if (!fault_ && !ns)
            fault_ = "its " + Member(name) + " is not a date from 1970 to 2261 written as \"2027-05-06T14:03:11Z\"";
        return ns.value_or(0);
    }

    std::int64_t ViewTime(const char* name)
    {
        const std::string text = Text(name);
        const std::optional<std::int64_t> hundredths = fault_ ? std::nullopt : ParseViewTime(text);
        if (!fault_ && !hundredths)
            fault_ = "its " + Member(name) + " is not a lap time written as \"44.30\"";
        return hundredths.value_or(0);
    }

    std::vector<LapVertex> Path()
    {
        if (fault_)
            return {};
        if (!file_.HasPath)
            fault_ = "it has no " + Member("path");
        else if (!file_.PathIsList)
            fault_ = "its " + Member("path") + " is not a list";
        else if (file_.PathCount < kMinLapVertices || file_.PathCount > kMaxLapVertices)
            fault_ = PathCountFault(file_.PathCount);
        else if (file_.PathFault)
            fault_ = file_.PathFault;
        return fault_ ? std::vector<LapVertex>() : file_.Path;
    }

    static std::string PathCountFault(std::size_t count)
    {
        std::string why = "its path has " + GroupedNumber(static_cast<std::int64_t>(count));
        why += count == 1 ? " vertex" : " vertices";
        if (count < kMinLapVertices)
            why += ", fewer than " + IntToText(kMinLapVertices);
        else
            why += ", more than " + GroupedNumber(kMaxLapVertices);
        return why;
    }

private:
    const LapEvents& file_;
    std::optional<std::string> fault_;
};

// --- Values --------------------------------------------------------------------------

std::optional<std::string> NameFault(const char* whose, const std::string& name, bool mayBeEmpty)
{
    std::string what = "the ";
    what += whose;
    what += "'s name";
    if (Utf8FaultAt(BytesOf(name)) != kValid)
        return what + " is not UTF-8 text";
    if (name.empty() && !mayBeEmpty)
        return what + " is empty";
    if (const std::int64_t n = CodePoints(name); n > kMaxLapNameCharacters)
        return what + " has " + IntToText(n) + " characters, more than " + IntToText(kMaxLapNameCharacters);
    if (HasControlCharacter(name))
        return what + " holds a control character";
    return std::nullopt;
}

// Two times as a refusal shows them side by side: with six decimals when
// three would show two different times alike.
std::pair<std::string, std::string> TwoTimes(double a, double b)
{
    std::pair<std::string, std::string> texts{Seconds(a), Seconds(b)};
    if (a != b && texts.first == texts.second)
        texts = {NumberText(a, 6) + " s", NumberText(b, 6) + " s"};
    return texts;
}

// Every text is made only once a rule is broken: the checks run for tens of
// thousands of vertices.
std::optional<std::string> VertexFault(const LapVertex& v, std::size_t index, const LapVertex* before)
{
    const auto which = [&] { return VertexName(index); };
    const std::pair<const char*, double> coordinates[] = {{"x", v.X}, {"y", v.Y}, {"time", v.T}};
    for (const auto& [name, value] : coordinates)
        if (!std::isfinite(value))
            return which() + "'s " + name + " is not a finite number";
    for (const auto& [name, value] : {std::pair{"x", v.X}, std::pair{"y", v.Y}})
        if (std::fabs(value) > kMaxLapPositionPx)
            return which() + "'s " + name + " " + NumberText(value, 3) + " lies outside -" +
                   IntToText(static_cast<std::int64_t>(kMaxLapPositionPx)) + " to " +
                   IntToText(static_cast<std::int64_t>(kMaxLapPositionPx)) + " map pixels";
    if (!before && v.T != 0)
        return which() + "'s time " + Seconds(v.T) + " is not 0: a path starts at 0 s";
    if (before && !(v.T > before->T)) {
        const auto [mine, theirs] = TwoTimes(v.T, before->T);
        return which() + "'s time " + mine + " does not come after " + VertexName(index - 1) + "'s " + theirs;
    }
    if (v.SpeedKmh) {
        const double speed = *v.SpeedKmh;
        const auto shown = [&] { return which() + "'s speed " + NumberText(speed, 2) + " km/h"; };
        if (!std::isfinite(speed))
            return which() + "'s speed is not a finite number";
        if (speed < 0)
            return shown() + " is below 0";
        if (speed > kMaxLapSpeedKmh)
            return shown() + " is above " + GroupedNumber(static_cast<std::int64_t>(kMaxLapSpeedKmh)) + " km/h";
    }
    return std::nullopt;
}

std::string LapNumberFault(std::int64_t number)
{
    return "its lap number " + IntToText(number) + " is not from 1 to " + GroupedNumber(INT32_MAX);
}

std::string RefusalText(std::string_view fileName, const Refused& refused)
{
    std::string message = ShownName(fileName);
    message += refused.Kind == Refusal::NotThisKind ? " is not a lap file: " : " is damaged: ";
    message += refused.Why;
    return message;
}

// --- Writing -------------------------------------------------------------------------

// The value rounded to `decimals` decimals: the double nearest that decimal
// (both the count of units and the power of ten are exact, so their
// quotient is rounded once), which the JSON's shortest form writes with at
// most that many decimals.
double Rounded(double value, double scale)
{
    const double units = std::round(value * scale);
    return std::fabs(units) < 9e15 ? units / scale : value;
}

std::string NumberJson(double value)
{
    return Json(value).dump();
}

std::string TextJson(const std::string& text)
{
    return Json(text).dump(-1, ' ', false, Json::error_handler_t::replace);
}

}  // namespace

std::optional<std::string> LapFault(const LapFile& lap)
{
    if (auto fault = NameFault("track", lap.TrackName, false))
        return fault;
    if (auto fault = NameFault("driver", lap.Driver, false))
        return fault;
    if (auto fault = NameFault("car", lap.Car, true))
        return fault;
    using namespace std::chrono;
    const std::int64_t first = duration_cast<nanoseconds>(FirstDate().time_since_epoch()).count();
    const std::int64_t afterLast = duration_cast<nanoseconds>(DateAfterLast().time_since_epoch()).count();
    if (lap.DateNs < first || lap.DateNs >= afterLast)
        return "the race's date " + DateText(lap.DateNs) + " is not from 1970 to 2261";
    if (lap.Lap < 1)
        return LapNumberFault(lap.Lap);
    if (lap.ViewTime < 0 || lap.ViewTime > kMaxLapViewTime)
        return "its lap-view time " + LapTimeText(lap.ViewTime) + " is not from 0.00 to " + LapTimeText(kMaxLapViewTime);
    if (!std::isfinite(lap.PreciseS))
        return std::string("its precise time is not a finite number");
    if (!(lap.PreciseS > 0) || lap.PreciseS >= kMaxLapPreciseS)
        return "its precise time " + Seconds(lap.PreciseS) + " is not above 0 s and below " +
               GroupedNumber(static_cast<std::int64_t>(kMaxLapPreciseS)) + " s";
    if (lap.Path.size() < kMinLapVertices || lap.Path.size() > kMaxLapVertices)
        return MemberReader::PathCountFault(lap.Path.size());
    for (std::size_t i = 0; i < lap.Path.size(); ++i)
        if (auto fault = VertexFault(lap.Path[i], i, i == 0 ? nullptr : &lap.Path[i - 1]))
            return fault;
    const double end = lap.Path.back().T;
    if (std::fabs(end - lap.PreciseS) > kLapEndToleranceS)
        return "its path ends at " + Seconds(end) + ", not at its precise time " + Seconds(lap.PreciseS);
    return std::nullopt;
}

Parsed<LapFile> ReadLapFile(std::span<const std::uint8_t> bytes, std::string_view fileName)
{
    if (static_cast<std::int64_t>(bytes.size()) > kMaxLapFileBytes)
        return Invalid{LapFileTooLargeReason(fileName, static_cast<std::int64_t>(bytes.size())), Refusal::NotThisKind};
    const auto refuse = [&](Refusal kind, std::string why) {
        return Invalid{RefusalText(fileName, {kind, std::move(why)}), kind};
    };
    if (std::optional<Refused> refused = CheckBytes(bytes))
        return refuse(refused->Kind, refused->Why);
    LapEvents file(bytes.size());
    Json::sax_parse(bytes.begin(), bytes.end(), &file);
    if (file.Error)
        return refuse(file.Error->Kind, file.Error->Why);

    if (!file.IsObject)
        return refuse(Refusal::NotThisKind, "it is JSON, but not an object");
    const auto format = file.Members.find("format");
    if (format == file.Members.end())
        return refuse(Refusal::NotThisKind, "it has no \"format\"");
    if (format->second.Type != Scalar::Kind::Text)
        return refuse(Refusal::NotThisKind, "its \"format\" is not text");
    if (format->second.Text != kLapFileFormat)
        return refuse(Refusal::NotThisKind, "its format is " + Quoted(format->second.Text) + ", not " +
                                                Quoted(kLapFileFormat));
    if (file.Repeated)
        return refuse(Refusal::Damaged, "it names " + Quoted(*file.Repeated) + " twice in one object");

    MemberReader members(file);
    const std::int64_t version = members.Whole("version");
    if (members.Fault())
        return refuse(Refusal::Damaged, *members.Fault());
    if (version > kLapFileVersion) {
        std::string message = ShownName(fileName);
        message += " was written by a newer vxanalyser (version ";
        message += IntToText(version);
        message += ')';
        return Invalid{message, Refusal::NotThisKind};
    }
    if (version < 1)
        return refuse(Refusal::Damaged, "its version " + IntToText(version) + " is below 1");

    LapFile lap;
    lap.TrackName = members.Text("track");
    lap.Layout = members.Key("layout_key");
    lap.Driver = members.Text("driver");
    lap.Car = members.Text("car");
    lap.DateNs = members.Date("date");
    lap.Race = members.Key("race_key");
    const std::int64_t number = members.Whole("lap");
    lap.ViewTime = members.ViewTime("time");
    lap.PreciseS = members.Number("precise_s");
    lap.Path = members.Path();
    if (members.Fault())
        return refuse(Refusal::Damaged, *members.Fault());
    if (number < 1 || number > INT32_MAX)
        return refuse(Refusal::Damaged, LapNumberFault(number));
    lap.Lap = static_cast<std::int32_t>(number);
    if (std::optional<std::string> fault = LapFault(lap))
        return refuse(Refusal::Damaged, *fault);
    return lap;
}

std::string WriteLapFile(const LapFile& lap)
{
    std::string text = "{\n";
    const auto member = [&](const char* name, const std::string& json, bool last = false) {
        text += "  \"";
        text += name;
        text += "\": ";
        text += json;
        text += last ? "\n" : ",\n";
    };
    member("format", TextJson(kLapFileFormat));
    member("version", IntToText(kLapFileVersion));
    member("track", TextJson(lap.TrackName));
    member("layout_key", TextJson(Hex(lap.Layout)));
    member("driver", TextJson(lap.Driver));
    member("car", TextJson(lap.Car));
    member("date", TextJson(DateText(lap.DateNs)));
    member("race_key", TextJson(Hex(lap.Race)));
    member("lap", IntToText(lap.Lap));
    member("time", TextJson(LapTimeText(lap.ViewTime)));
    member("precise_s", NumberJson(lap.PreciseS));

    // Times to the microsecond, but where a time rounds to the microsecond
    // of a neighbour (or below it) both are written whole: the times of a
    // path that increase still increase once read.
    const std::size_t n = lap.Path.size();
    std::vector<double> times(n);
    for (std::size_t i = 0; i < n; ++i)
        times[i] = Rounded(lap.Path[i].T, 1e6);
    std::vector<bool> whole(n, false);
    for (std::size_t i = 1; i < n; ++i)
        if (!(times[i] > times[i - 1]))
            whole[i] = whole[i - 1] = true;
    // So is the last time where rounding would take it more than the
    // tolerance away from the precise time.
    if (n > 0 && std::fabs(times[n - 1] - lap.PreciseS) > kLapEndToleranceS)
        whole[n - 1] = true;
    text += "  \"path\": [";
    for (std::size_t i = 0; i < n; ++i) {
        const LapVertex& v = lap.Path[i];
        text += i == 0 ? "\n    [" : ",\n    [";
        text += NumberJson(Rounded(v.X, 1e4));
        text += ", ";
        text += NumberJson(Rounded(v.Y, 1e4));
        text += ", ";
        text += NumberJson(whole[i] ? v.T : times[i]);
        text += ", ";
        text += v.SpeedKmh ? NumberJson(Rounded(*v.SpeedKmh, 1e2)) : std::string("null");
        text += ']';
    }
    text += n == 0 ? "]\n}\n" : "\n  ]\n}\n";
    return text;
}

std::string LapFileTooLargeReason(std::string_view fileName, std::int64_t bytes)
{
    std::string message = ShownName(fileName);
    message += " is too large to be a lap file (";
    message += GroupedNumber(bytes);
    message += " bytes; at most 2 MiB)";
    return message;
}

std::string LapFileNameShown(std::string_view fileName)
{
    return ShownName(fileName);
}

}  // namespace vx
