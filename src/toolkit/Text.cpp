#include "toolkit/Text.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <limits>
#include <optional>

namespace vx {

std::int64_t TextLength(std::string_view text)
{
    return static_cast<std::int64_t>(text.size());
}

std::string LeftText(std::string_view text, std::int64_t n)
{
    n = std::clamp<std::int64_t>(n, 0, TextLength(text));
    return std::string(text.substr(0, static_cast<std::size_t>(n)));
}

std::string RightText(std::string_view text, std::int64_t n)
{
    n = std::clamp<std::int64_t>(n, 0, TextLength(text));
    return std::string(text.substr(text.size() - static_cast<std::size_t>(n)));
}

std::string TrimBlanks(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    const std::size_t last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

std::string FieldOf(std::string_view text, std::int64_t k, std::string_view separator)
{
    if (k < 1)
        k = 1;
    if (separator.empty())
        return k == 1 ? std::string(text) : std::string();
    const char sep = separator.front();
    std::size_t start = 0;
    for (std::int64_t field = 1; field < k; ++field) {
        const std::size_t next = text.find(sep, start);
        if (next == std::string_view::npos)
            return {};
        start = next + 1;
    }
    const std::size_t end = text.find(sep, start);
    return std::string(text.substr(start, end == std::string_view::npos ? std::string_view::npos
                                                                          : end - start));
}

namespace {

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool MatchesAt(std::string_view text, std::size_t at, std::string_view find, bool ignoreCase)
{
    if (text.size() - at < find.size())
        return false;
    for (std::size_t i = 0; i < find.size(); ++i) {
        const char a = text[at + i], b = find[i];
        if (ignoreCase ? LowerAscii(a) != LowerAscii(b) : a != b)
            return false;
    }
    return true;
}

}  // namespace

std::string ReplaceText(std::string_view text, std::string_view find,
                        std::string_view replacement, int flags)
{
    if (find.empty())
        return std::string(text);
    const bool ignoreCase = (flags & 1) != 0;
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        if (MatchesAt(text, i, find, ignoreCase)) {
            out.append(replacement);
            i += find.size();
        } else {
            out.push_back(text[i++]);
        }
    }
    return out;
}

std::string IntToText(std::int64_t value)
{
    return std::to_string(value);
}

std::int64_t TextToInt(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    unsigned base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i < text.size() && text[i] == '%') {
        base = 2;
        ++i;
    }
    std::uint64_t value = 0;  // unsigned: the accumulation wraps instead of overflowing
    for (; i < text.size(); ++i) {
        const char c = text[i];
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            break;
        if (digit >= base)
            break;
        value = value * base + digit;
    }
    if (negative)
        value = 0 - value;
    return static_cast<std::int64_t>(value);
}

std::string RealToText(double value, int decimals)
{
    decimals = std::clamp(decimals, 0, 512);
    if (std::isnan(value))
        return std::signbit(value) ? "-nan" : "nan";
    if (std::isinf(value))
        return value < 0 ? "-inf" : "inf";
    // 309 integer digits, 512 decimals, sign and point fit.
    std::array<char, 1024> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed, decimals);
    if (result.ec != std::errc())
        return {};
    return std::string(buffer.data(), result.ptr);
}

float TextToReal(std::string_view text)
{
    // What atof reads in the "C" locale, "." the decimal point whatever
    // locale the user runs: blanks, a sign, then the longest number that
    // from_chars takes (decimal, "0x" hexadecimal, "inf", "nan").
    std::size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || (text[at] >= '\t' && text[at] <= '\r')))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-'))
        negative = text[at++] == '-';
    std::string_view number = text.substr(at);
    const bool hex = number.size() > 2 && number[0] == '0' && (number[1] == 'x' || number[1] == 'X');
    if (hex)
        number.remove_prefix(2);
    double value = 0.0;
    const std::from_chars_result read =
        std::from_chars(number.data(), number.data() + number.size(), value,
                        hex ? std::chars_format::hex : std::chars_format::general);
    if (read.ec == std::errc::result_out_of_range) {
        // Too large, or too small, for a double: as atof, infinity or zero.
        const std::string_view literal(number.data(), static_cast<std::size_t>(read.ptr - number.data()));
        const std::size_t exponent = literal.find_first_of(hex ? "pP" : "eE");
        const bool tiny = exponent != std::string_view::npos && exponent + 1 < literal.size() &&
                          literal[exponent + 1] == '-';
        value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    } else if (read.ec != std::errc()) {
        value = 0.0;
    }
    return static_cast<float>(negative ? -value : value);
}

std::int64_t TruncateReal(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= 9223372036854775807.0)
        return std::numeric_limits<std::int64_t>::max();
    if (value <= -9223372036854775808.0)
        return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(value);
}

std::string ReadTextAt(std::span<const std::uint8_t> buffer, std::int64_t position)
{
    return ReadTextAt(buffer, position, static_cast<std::int64_t>(buffer.size()));
}

std::string ReadTextAt(std::span<const std::uint8_t> buffer, std::int64_t position,
                       std::int64_t limit)
{
    const auto size = static_cast<std::int64_t>(buffer.size());
    if (position < 0 || position >= size || limit <= 0)
        return {};
    const std::int64_t end = std::min(size, position + std::min(limit, size));
    std::string text;
    for (std::int64_t i = position; i < end && buffer[static_cast<std::size_t>(i)] != 0; ++i)
        text.push_back(static_cast<char>(buffer[static_cast<std::size_t>(i)]));
    return text;
}

namespace {

std::string_view SkipLeadingQuote(std::string_view path)
{
    if (!path.empty() && path.front() == '"')
        path.remove_prefix(1);
    return path;
}

}  // namespace

std::string FileNamePart(std::string_view path)
{
    // Only a quoted path has a closing quote: here a file's name may hold a
    // double quote of its own.
    const bool quoted = !path.empty() && path.front() == '"';
    path = SkipLeadingQuote(path);
    const std::size_t separator = path.find_last_of("/\\");
    std::string_view name = separator == std::string_view::npos ? path : path.substr(separator + 1);
    if (quoted)
        name = name.substr(0, name.find('"'));
    return std::string(name);
}

std::string FolderPart(std::string_view path)
{
    path = SkipLeadingQuote(path);
    const std::size_t separator = path.find_last_of("/\\");
    if (separator == std::string_view::npos)
        return {};
    return std::string(path.substr(0, separator + 1));
}

namespace {

// Code points of Windows-1252's bytes 0x80..0x9F; 0 marks the five bytes it
// leaves undefined.
constexpr char32_t kHigh[32] = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
    0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};

// The code points of text when it is well-formed UTF-8 (shortest forms, no
// surrogates, nothing above U+10FFFF).
std::optional<std::u32string> DecodeUtf8(std::string_view text)
{
    std::u32string codes;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int more = lead < 0x80 ? 0 : lead >= 0xC2 && lead < 0xE0 ? 1
                         : lead >= 0xE0 && lead < 0xF0                ? 2
                         : lead >= 0xF0 && lead < 0xF5                ? 3
                                                                      : -1;
        if (more < 0 || text.size() - i <= static_cast<std::size_t>(more))
            return std::nullopt;
        char32_t code = more == 0 ? lead : lead & (0x3F >> more);
        for (int k = 1; k <= more; ++k) {
            const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0) != 0x80)
                return std::nullopt;
            code = (code << 6) | (next & 0x3F);
        }
        const bool shortest = more == 0 || (more == 1 && code >= 0x80) ||
                              (more == 2 && code >= 0x800) || (more == 3 && code >= 0x10000);
        if (!shortest || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
            return std::nullopt;
        codes.push_back(code);
        i += static_cast<std::size_t>(more) + 1;
    }
    return codes;
}

}  // namespace

std::string FileNameToCp1252(std::string_view name)
{
    const std::optional<std::u32string> codes = DecodeUtf8(name);
    if (!codes)
        return std::string(name);
    std::string out;
    out.reserve(codes->size());
    for (const char32_t code : *codes) {
        if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) {
            out.push_back(static_cast<char>(code));
            continue;
        }
        const char32_t* high = std::find(std::begin(kHigh), std::end(kHigh), code);
        out.push_back(high != std::end(kHigh) && code != 0
                          ? static_cast<char>(0x80 + (high - std::begin(kHigh)))
                          : '?');
    }
    return out;
}

std::string FileNameToUtf8(std::string_view name)
{
    return DecodeUtf8(name) ? std::string(name) : Cp1252ToUtf8(name);
}

namespace {

// Appends a character of the Basic Multilingual Plane in UTF-8.
void AppendUtf8(std::string& out, char32_t code)
{
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

}  // namespace

std::string Cp1252ToUtf8(std::string_view text)
{
    // The five bytes Windows-1252 leaves undefined are shown as U+FFFD.
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        char32_t code = byte;
        if (byte >= 0x80 && byte <= 0x9F)
            code = kHigh[byte - 0x80] ? kHigh[byte - 0x80] : 0xFFFD;
        AppendUtf8(out, code);
    }
    return out;
}

std::string FoldedLetterCase(std::string_view name)
{
    const std::optional<std::u32string> codes = DecodeUtf8(FileNameToUtf8(name));
    std::string out;
    out.reserve(name.size());
    for (char32_t code : codes.value_or(std::u32string())) {
        if ((code >= U'A' && code <= U'Z') || (code >= 0xC0 && code <= 0xDE && code != 0xD7))
            code += 0x20;
        else if (code == 0x160 || code == 0x152 || code == 0x17D)  // Š Œ Ž
            code += 1;
        else if (code == 0x178)  // Ÿ
            code = 0xFF;
        AppendUtf8(out, code);
    }
    return out;
}

bool SameIgnoringLetterCase(std::string_view a, std::string_view b)
{
    return FoldedLetterCase(a) == FoldedLetterCase(b);
}

bool EndsWithIgnoringCase(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() &&
           ReplaceText(RightText(text, TextLength(end)), end, "", 1).empty();
}

bool IsSavedGameName(const std::string& path)
{
    const std::string name = FileNamePart(path);
    return name.size() > 4 && EndsWithIgnoringCase(name, ".gam");
}

bool IsLapFileName(const std::string& path)
{
    const std::string name = FileNamePart(path);
    return name.size() > 6 && EndsWithIgnoringCase(name, ".vxlap");
}

}  // namespace vx
