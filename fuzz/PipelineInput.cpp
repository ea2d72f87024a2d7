// The pipeline input: a 4-byte little-endian length, the saved game, the track.
#include "FuzzTargets.h"

#include <algorithm>

namespace vx {

PipelineInput SplitPipelineInput(std::span<const std::uint8_t> input)
{
    if (input.size() < 4)
        return {};
    const std::uint32_t length = static_cast<std::uint32_t>(input[0]) |
                                 static_cast<std::uint32_t>(input[1]) << 8 |
                                 static_cast<std::uint32_t>(input[2]) << 16 |
                                 static_cast<std::uint32_t>(input[3]) << 24;
    const std::span<const std::uint8_t> rest = input.subspan(4);
    const std::size_t gameSize = std::min<std::size_t>(length, rest.size());
    return {rest.first(gameSize), rest.subspan(gameSize)};
}

std::vector<std::uint8_t> JoinPipelineInput(std::span<const std::uint8_t> game,
                                            std::span<const std::uint8_t> track)
{
    const auto length = static_cast<std::uint32_t>(game.size());
    std::vector<std::uint8_t> input;
    input.reserve(4 + game.size() + track.size());
    for (const int shift : {0, 8, 16, 24})
        input.push_back(static_cast<std::uint8_t>(length >> shift));
    input.insert(input.end(), game.begin(), game.end());
    input.insert(input.end(), track.begin(), track.end());
    return input;
}

}  // namespace vx
