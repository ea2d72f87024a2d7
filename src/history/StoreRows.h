// What the store's reads share in reading a row.
#pragma once

#include <optional>
#include <string>

#include "history/Database.h"
#include "toolkit/SystemServices.h"

namespace vx {

// The key in a column: none, with what is wrong ("its race key is 2 bytes
// long, not 32"), unless it is 32 bytes.
std::optional<Sha256Digest> KeyIn(const Statement& row, int column, const char* what, std::string& problem);

}  // namespace vx
