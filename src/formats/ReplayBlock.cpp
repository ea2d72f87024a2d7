#include "formats/ReplayBlock.h"

#include <algorithm>
#include <cstring>

namespace vx {

std::optional<ReplayBlock> FindReplayBlock(std::span<const std::uint8_t> game)
{
    const std::int64_t size = static_cast<std::int64_t>(game.size());
    if (size < kReplayHeaderBytes)
        return std::nullopt;
    const std::uint8_t* bytes = game.data();
    // The search runs over up to 2 MB: let memchr find the 'R' of each
    // candidate and test the three bytes around it. A block
    // at p needs p + 16 <= size, so 'R' (at p + 2) is looked for in
    // 2 .. size - 14.
    const std::uint8_t* from = bytes + 2;
    const std::uint8_t* end = bytes + (size - kReplayHeaderBytes) + 3;
    while (from < end) {
        const auto* r = static_cast<const std::uint8_t*>(
            std::memchr(from, 'R', static_cast<std::size_t>(end - from)));
        if (r == nullptr)
            break;
        if (r[1] == 'P' && r[-1] == 1 && (r[-2] == 5 || r[-2] == 16)) {
            ReplayBlock block;
            block.Offset = r - 2 - bytes;
            block.Marker = r[-2];
            const std::int64_t sampleBase = block.Offset + kReplayHeaderBytes;
            const std::uint8_t* count = r - 2 + 8;
            block.SampleCount = static_cast<std::int32_t>(
                static_cast<std::uint32_t>(count[0]) | static_cast<std::uint32_t>(count[1]) << 8 |
                static_cast<std::uint32_t>(count[2]) << 16 |
                static_cast<std::uint32_t>(count[3]) << 24);
            const std::int64_t inFile = (size - sampleBase) / kReplaySampleBytes;
            const std::int64_t whole =
                std::max<std::int64_t>(0, std::min<std::int64_t>(block.SampleCount, inFile));
            block.Samples.resize(static_cast<std::size_t>(whole));
            const std::uint8_t* sample = bytes + sampleBase;
            for (ReplaySample& s : block.Samples) {
                s.SampleX = static_cast<std::uint16_t>(sample[0] | sample[1] << 8);
                s.SampleY = static_cast<std::uint16_t>(sample[4] | sample[5] << 8);
                sample += kReplaySampleBytes;
            }
            return block;
        }
        from = r + 1;
    }
    return std::nullopt;
}

}  // namespace vx
