// libFuzzer harness of the lap-file reader: every input is a lap file as it
// arrives from outside; an accepted one is written again and read back.
#include "FuzzTargets.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    vx::CheckLapFileInput({data, size});
    return 0;
}
