// libFuzzer harness of "Load" after the requesters: one input holds a saved
// game and a track (see FuzzTargets.h for the layout); when both parse, the
// analysis is committed into a headless window and two more laps are shown.
// The window starts once and serves every input, as it serves every load.
#include "FuzzTargets.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "toolkit/Toolkit.h"

namespace {

vx::PipelineSession* session = nullptr;  // lives as long as the process

// libFuzzer ends a run that went well with exit(). By then the main thread's
// Qt data is gone, and a window torn down among the exit handlers crashes
// in Qt; the process ends here instead, before any of them tears down a
// window. (Crashes and leaks found end the process before exit handlers.)
void EndProcess()
{
    std::fflush(nullptr);
    std::_Exit(0);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    if (!vx::SystemWindows().Start(true, nullptr)) {
        std::fprintf(stderr, "pipeline_fuzzer: cannot start the drawing system\n");
        std::abort();
    }
    session = new vx::PipelineSession;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    session->Run({data, size});
    // Registered after the first run, this handler runs before the exit
    // handlers of everything that run made.
    static const bool endsAtExit = std::atexit(EndProcess) == 0;
    (void)endsAtExit;
    return 0;
}
