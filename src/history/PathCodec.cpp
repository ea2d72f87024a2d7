#include "history/PathCodec.h"

#include <cmath>

namespace vx {

namespace {

constexpr std::uint8_t kFormat = 1;
constexpr std::uint8_t kSpeedFormat = 1;
constexpr double kSpeedUnits = 100.0;      // per km/h
constexpr double kPositionUnits = 1024.0;  // per map pixel
constexpr double kTimeUnits = 1e6;         // per second

constexpr std::size_t kMostVarintBytes = 10;  // 64 bits, 7 at a time

// Writes at out, which has room for kMostVarintBytes; gives the end.
std::uint8_t* PutVarint(std::uint8_t* out, std::uint64_t value)
{
    while (value >= 0x80) {
        *out++ = static_cast<std::uint8_t>(value | 0x80);
        value >>= 7;
    }
    *out++ = static_cast<std::uint8_t>(value);
    return out;
}

std::uint8_t* PutSigned(std::uint8_t* out, std::int64_t value)
{
    return PutVarint(out, (static_cast<std::uint64_t>(value) << 1) ^ static_cast<std::uint64_t>(value >> 63));
}

// Rounded to the nearest unit, saturated: a value beyond any map or replay
// (NaN included) cannot wrap into another.
std::int64_t Quantise(double value, double units)
{
    const double scaled = std::nearbyint(value * units);
    if (!(scaled > -9e15 && scaled < 9e15))
        return 0;
    return static_cast<std::int64_t>(scaled);
}

class VarintReader {
public:
    explicit VarintReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    bool Unsigned(std::uint64_t& value)
    {
        value = 0;
        for (int shift = 0; shift < 64 && at_ < bytes_.size(); shift += 7) {
            const std::uint8_t byte = bytes_[at_++];
            value |= std::uint64_t{byte & 0x7fu} << shift;
            if ((byte & 0x80) == 0)
                return true;
        }
        return false;
    }
    bool Signed(std::int64_t& value)
    {
        std::uint64_t raw = 0;
        if (!Unsigned(raw))
            return false;
        value = static_cast<std::int64_t>(raw >> 1) ^ -static_cast<std::int64_t>(raw & 1);
        return true;
    }
    std::size_t Left() const { return bytes_.size() - at_; }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
};

}  // namespace

std::vector<std::uint8_t> EncodePath(std::span<const PathVertex> path)
{
    std::vector<std::uint8_t> out(1 + kMostVarintBytes * (1 + 3 * path.size()));
    std::uint8_t* at = out.data();
    *at++ = kFormat;
    at = PutVarint(at, path.size());
    std::int64_t x = 0, y = 0, t = 0;
    for (const PathVertex& v : path) {
        const std::int64_t qx = Quantise(v.x, kPositionUnits);
        const std::int64_t qy = Quantise(v.y, kPositionUnits);
        const std::int64_t qt = Quantise(v.t, kTimeUnits);
        at = PutSigned(at, qx - x);
        at = PutSigned(at, qy - y);
        at = PutSigned(at, qt - t);
        x = qx, y = qy, t = qt;
    }
    out.resize(static_cast<std::size_t>(at - out.data()));
    return out;
}

std::optional<std::vector<PathVertex>> DecodePath(std::span<const std::uint8_t> bytes)
{
    if (bytes.empty() || bytes[0] != kFormat)
        return std::nullopt;
    VarintReader in(bytes.subspan(1));
    std::uint64_t count = 0;
    // Every vertex takes three bytes at least: a count beyond that is a lie.
    if (!in.Unsigned(count) || count > in.Left() / 3)
        return std::nullopt;
    std::vector<PathVertex> path;
    path.reserve(static_cast<std::size_t>(count));
    std::int64_t x = 0, y = 0, t = 0;
    for (std::uint64_t i = 0; i < count; ++i) {
        std::int64_t dx = 0, dy = 0, dt = 0;
        if (!in.Signed(dx) || !in.Signed(dy) || !in.Signed(dt))
            return std::nullopt;
        // Wrapping sums of hostile differences stay defined; a real path's
        // never come near the limits.
        x = static_cast<std::int64_t>(static_cast<std::uint64_t>(x) + static_cast<std::uint64_t>(dx));
        y = static_cast<std::int64_t>(static_cast<std::uint64_t>(y) + static_cast<std::uint64_t>(dy));
        t = static_cast<std::int64_t>(static_cast<std::uint64_t>(t) + static_cast<std::uint64_t>(dt));
        PathVertex v{x / kPositionUnits, y / kPositionUnits, t / kTimeUnits, 0.0};
        if (!path.empty()) {
            const PathVertex& last = path.back();
            const double ex = v.x - last.x, ey = v.y - last.y;
            v.distance = last.distance + std::sqrt(ex * ex + ey * ey);
        }
        path.push_back(v);
    }
    if (in.Left() != 0)
        return std::nullopt;
    return path;
}

std::vector<std::uint8_t> EncodeSpeeds(std::span<const std::optional<double>> speedsKmh)
{
    std::vector<std::uint8_t> out(1 + kMostVarintBytes * (1 + speedsKmh.size()));
    std::uint8_t* at = out.data();
    *at++ = kSpeedFormat;
    at = PutVarint(at, speedsKmh.size());
    // Each speed as 1 + its zigzag difference from the speed before it; 0
    // where there is none.
    std::int64_t last = 0;
    for (const std::optional<double>& speed : speedsKmh) {
        if (!speed) {
            at = PutVarint(at, 0);
            continue;
        }
        const std::int64_t q = Quantise(*speed, kSpeedUnits);
        const std::int64_t d = q - last;
        at = PutVarint(at, ((static_cast<std::uint64_t>(d) << 1) ^ static_cast<std::uint64_t>(d >> 63)) + 1);
        last = q;
    }
    out.resize(static_cast<std::size_t>(at - out.data()));
    return out;
}

std::optional<std::vector<std::optional<double>>> DecodeSpeeds(std::span<const std::uint8_t> bytes)
{
    if (bytes.empty() || bytes[0] != kSpeedFormat)
        return std::nullopt;
    VarintReader in(bytes.subspan(1));
    std::uint64_t count = 0;
    if (!in.Unsigned(count) || count > in.Left())
        return std::nullopt;
    std::vector<std::optional<double>> speeds;
    speeds.reserve(static_cast<std::size_t>(count));
    std::int64_t last = 0;
    for (std::uint64_t i = 0; i < count; ++i) {
        std::uint64_t raw = 0;
        if (!in.Unsigned(raw))
            return std::nullopt;
        if (raw == 0) {
            speeds.emplace_back();
            continue;
        }
        --raw;
        const auto d = static_cast<std::int64_t>(raw >> 1) ^ -static_cast<std::int64_t>(raw & 1);
        last = static_cast<std::int64_t>(static_cast<std::uint64_t>(last) + static_cast<std::uint64_t>(d));
        speeds.emplace_back(static_cast<double>(last) / kSpeedUnits);
    }
    if (in.Left() != 0)
        return std::nullopt;
    return speeds;
}

}  // namespace vx
