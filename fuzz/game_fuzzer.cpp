// libFuzzer harness of the saved-game parser and the replay search.
#include "FuzzTargets.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    vx::CheckGameInput({data, size});
    return 0;
}
