// The result of a parser: the record, or the reason the file was refused.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace vx {

struct Invalid {
    std::string Reason;
};

template <typename T>
struct Parsed {
    Parsed(T parsed) : value(std::move(parsed)) {}         // NOLINT: implicit by design
    Parsed(Invalid invalid) : error(std::move(invalid.Reason)) {}  // NOLINT

    bool ok() const { return value.has_value(); }

    std::optional<T> value;
    std::string error;  // empty when ok()
};

}  // namespace vx
