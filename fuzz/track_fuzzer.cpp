// libFuzzer harness of the track parser. It also reads the tables the map
// drawing reads in place, at the positions the parser hands out, and runs the
// replay search over the same bytes.
#include "FuzzTargets.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    vx::CheckTrackInput({data, size});
    return 0;
}
