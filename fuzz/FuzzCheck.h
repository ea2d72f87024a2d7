// What the harnesses share: a check that stops the run on a broken promise.
#pragma once

#include <cstdio>

namespace vx {

// The parsers promise more than "no crash": a record they return must only
// point inside the file. A broken promise stops the run like a crash does.
inline void FuzzCheck(bool holds, const char* promise)
{
    if (!holds) {
        std::fprintf(stderr, "broken promise: %s\n", promise);
        __builtin_trap();
    }
}

}  // namespace vx
