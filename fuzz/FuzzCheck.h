// What the harnesses share: a check that stops the run on a broken promise.
#pragma once

#include <cstdio>

namespace vx {

// What a broken promise does. The fuzzers stop the run like a crash does; the
// regression test installs a handler that throws, so that the file fails its
// test. A handler never returns: the code after a check relies on it.
using BrokenPromiseHandler = void (*)(const char* promise);

[[noreturn]] inline void TrapOnBrokenPromise(const char* promise)
{
    std::fprintf(stderr, "broken promise: %s\n", promise);
    __builtin_trap();
}

inline BrokenPromiseHandler gBrokenPromise = TrapOnBrokenPromise;

// The parsers and the window promise more than "no crash": a record they
// return must only point inside the file, a lap view must not change the
// analysis it shows.
inline void FuzzCheck(bool holds, const char* promise)
{
    if (!holds) {
        gBrokenPromise(promise);
        __builtin_trap();  // a handler that returned
    }
}

}  // namespace vx
