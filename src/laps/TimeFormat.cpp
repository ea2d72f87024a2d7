#include "laps/TimeFormat.h"

#include "toolkit/Text.h"

namespace vx {

std::string FormatTime(std::int64_t hundredths)
{
    // The magnitude is unsigned, so even the most negative time has one.
    const bool negative = hundredths < 0;
    const std::uint64_t t = negative ? 0 - static_cast<std::uint64_t>(hundredths)
                                     : static_cast<std::uint64_t>(hundredths);
    const std::uint64_t minutes = t / 100 / 60;
    const std::uint64_t rest = t - 6000 * minutes;  // 0..5999
    std::string seconds = RealToText(static_cast<float>(rest) / 100.0f, 2);
    if (rest < 1000)
        seconds = "0" + seconds;
    return (negative ? "-" : "") + std::to_string(minutes) + ":" + seconds;
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
    if (raceTime == 0)
        return "0 kmh";
    // Thousandths of a km/h; wide enough that no product of 64-bit values
    // wraps, and equal to the 64-bit result wherever that one does not.
    Wide q = SaturatingProduct(SaturatingProduct(laps, trackLength), 360000) / raceTime;
    const bool roundUp = q - 10 * (q / 10) > 4;  // last digit 5..9 of a positive q
    q = q / 10 + (roundUp ? 1 : 0);              // (q + 10) / 10 without passing the top
    return RealToText(static_cast<float>(q) / 100.0f, 2) + " kmh";
}

}  // namespace vx
