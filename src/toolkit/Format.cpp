#include "toolkit/Format.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>

#include "toolkit/Text.h"

namespace vx {

namespace {

// The magnitude is unsigned, so that even the most negative value has one.
std::uint64_t Magnitude(std::int64_t value)
{
    return value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
}

// "7" as "07": the two digits of 0..99.
std::string TwoDigits(std::uint64_t value)
{
    return {static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)};
}

bool HasNonZeroDigit(const std::string& text)
{
    return text.find_first_of("123456789") != std::string::npos;
}

}  // namespace

std::string FixedText(double value, int decimals)
{
    std::string text = RealToText(value, decimals);
    if (text.size() > 1 && text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos)
        text.erase(0, 1);
    return text;
}

std::string SignedFixedText(double value, int decimals)
{
    const std::string text = FixedText(value, decimals);
    return value > 0 && HasNonZeroDigit(text) ? "+" + text : text;
}

std::string SecondsText(double value)
{
    return FixedText(value, 3);
}

double RoundedValue(double value, int decimals)
{
    if (!std::isfinite(value))
        return value;
    // The decimal text read back: the one number whose shortest spelling is
    // that text, which no product with a power of ten gives in every case.
    const std::string text = FixedText(value, decimals);
    double rounded = 0;
    std::from_chars(text.data(), text.data() + text.size(), rounded);
    return rounded == 0 ? 0.0 : rounded;
}

// Texts are built by appending: GCC 12 takes a literal put before a
// std::string for a copy that may overlap and warns (-Wrestrict) in Release.

std::string LapTimeText(std::int64_t hundredths)
{
    const std::uint64_t t = Magnitude(hundredths);
    std::string text = hundredths < 0 ? "-" : "";
    text += std::to_string(t / 100);
    text += '.';
    text += TwoDigits(t % 100);
    return text;
}

std::string FormatTime(std::int64_t hundredths)
{
    const std::uint64_t t = Magnitude(hundredths);
    const std::uint64_t rest = t % 6000;  // 0..5999 hundredths
    std::string text = hundredths < 0 ? "-" : "";
    text += std::to_string(t / 6000);  // the minutes
    text += ':';
    text += TwoDigits(rest / 100);
    text += '.';
    text += TwoDigits(rest % 100);
    return text;
}

std::string BestTimeText(std::int64_t time)
{
    const std::string digits = IntToText(time);
    const int before = time > 999 ? 2 : 1;
    return LeftText(digits, before) + "." + RightText(digits, 2);
}

namespace {

__extension__ typedef __int128 Wide;  // the products of three file values fit

constexpr Wide kWideMax = static_cast<Wide>(~static_cast<unsigned __int128>(0) >> 1);

// a * b, held at the largest magnitude when it would not fit.
Wide SaturatingProduct(Wide a, Wide b)
{
    Wide product;
    if (!__builtin_mul_overflow(a, b, &product))
        return product;
    return (a < 0) != (b < 0) ? -kWideMax : kWideMax;
}

}  // namespace

std::string FormatAverageSpeed(std::int64_t laps, std::int64_t raceTime, std::int64_t trackLength)
{
    const auto speed = AverageSpeedKmh(laps, raceTime, trackLength);
    return speed ? RealToText(*speed, 2) + " kmh" : std::string("0 kmh");
}

std::optional<double> AverageSpeedKmh(std::int64_t laps, std::int64_t raceTime, std::int64_t trackLength)
{
    if (raceTime == 0)
        return std::nullopt;
    // Thousandths of a km/h; wide enough that no product of 64-bit values
    // wraps, and equal to the 64-bit result wherever that one does not.
    Wide q = SaturatingProduct(SaturatingProduct(laps, trackLength), 360000) / raceTime;
    const bool roundUp = q - 10 * (q / 10) > 4;  // last digit 5..9 of a positive q
    q = q / 10 + (roundUp ? 1 : 0);              // (q + 10) / 10 without passing the top
    // The hundredths as a 32-bit float: a speed past 2^24 hundredths keeps
    // the float's digits, as the driver table always showed it.
    return static_cast<float>(q) / 100.0f;
}

std::string GroupedNumber(std::int64_t value)
{
    const std::string digits = std::to_string(Magnitude(value));
    std::string out = value < 0 ? "-" : "";
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out.push_back(',');
        out.push_back(digits[i]);
    }
    return out;
}

std::string DateText(std::int64_t unixNs, DateForm form)
{
    using namespace std::chrono;
    const sys_seconds seconds = floor<std::chrono::seconds>(sys_time<nanoseconds>(nanoseconds(unixNs)));
    const sys_days day = floor<days>(seconds);
    const year_month_day date(day);
    const hh_mm_ss<std::chrono::seconds> time(seconds - day);
    char text[64];
    std::snprintf(text, sizeof text, form == DateForm::Stamp ? "%04d-%02u-%02uT%02d:%02d:%02dZ"
                                                             : "%04d-%02u-%02u %02d:%02d:%02d",
                  static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                  static_cast<unsigned>(date.day()), static_cast<int>(time.hours().count()),
                  static_cast<int>(time.minutes().count()), static_cast<int>(time.seconds().count()));
    return text;
}

}  // namespace vx
