// The program as bench_process starts it: the window's start-up, headless,
// and optionally a load followed by lap switches; it ends as soon as that is
// done, so that the parent measures the time and the peak memory of exactly
// this much.
//
//   bench_child window                  start up and show the window
//   bench_child switches GAME.gam N     the same, load GAME.gam, N lap switches
//   bench_child first GAME.gam          the same, then prints the milliseconds of
//                                       the first load, the first lap switch,
//                                       a second load and a second lap switch
#include <unistd.h>

#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/windows/MainWindow.h"
#include "laps/LapNavigation.h"
#include "load/LoadWorkflow.h"
#include "toolkit/Toolkit.h"

int main(int argc, char** argv)
{
    std::setlocale(LC_NUMERIC, "C");
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode != "window" && !(mode == "switches" && argc == 4) && !(mode == "first" && argc == 3)) {
        std::fprintf(stderr, "usage: bench_child window | switches GAME.gam N | first GAME.gam\n");
        return 2;
    }
    if (!vx::SystemWindows().Start(true, nullptr))
        return 1;
    vx::Toolkit tk;
    vx::Application app(tk);
    app.StartUp();
    app.ProcessPendingEvents();  // the window is shown and painted

    if (mode == "switches") {
        vx::AppState& state = app.State();
        if (!vx::LoadGameFrom(state, tk, argv[2]))
            return 3;
        app.ProcessPendingEvents();
        const long switches = std::atol(argv[3]);
        for (long i = 0; i < switches; ++i) {
            // What ">" does, wrapping to lap 0 after the last lap.
            const long k = state.Laps.LapCount > 0 ? (i + 1) % (state.Laps.LapCount + 1) : 0;
            vx::SelectLap(state, tk, k);
        }
        app.ProcessPendingEvents();
    }
    if (mode == "first") {
        // The first load and lap switch of a process meet empty caches (fonts,
        // glyphs, the allocator's free memory); the second ones do not.
        vx::AppState& state = app.State();
        double ms[4] = {};
        for (int round = 0; round < 2; ++round) {
            const auto t0 = std::chrono::steady_clock::now();
            if (!vx::LoadGameFrom(state, tk, argv[2]))
                return 3;
            const auto t1 = std::chrono::steady_clock::now();
            vx::SelectLap(state, tk, round == 0 ? 1 : 2);
            const auto t2 = std::chrono::steady_clock::now();
            ms[2 * round] = std::chrono::duration<double, std::milli>(t1 - t0).count();
            ms[2 * round + 1] = std::chrono::duration<double, std::milli>(t2 - t1).count();
        }
        std::printf("%.4f %.4f %.4f %.4f\n", ms[0], ms[1], ms[2], ms[3]);
    }
    // Measured up to here: what follows is the program's end, not its work.
    std::fflush(nullptr);
    ::_exit(0);
}
