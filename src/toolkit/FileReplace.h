// Writing a file so that a failure never leaves half of it behind.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

namespace vx {

// Creates a temporary file beside path, lets write fill it, flushes it to the
// disk and only then renames it onto path, checking every step. A path that
// is a symbolic link replaces the file the link leads to, and the link stays;
// a file replaced keeps its permissions. On any
// failure the temporary file is removed, path is left as it was, the reason
// is in error and the result is false. write returns false (with its reason
// in error) when it could not produce the whole file.
bool ReplaceFileWith(const std::string& path,
                     const std::function<bool(std::FILE*, std::string& error)>& write,
                     std::string& error);

}  // namespace vx
