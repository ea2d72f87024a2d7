// The result of a parser: the record, or the reason the file was refused.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace vx {

// Why a file was refused: it is damaged (a count or field out of bounds), or
// it is not a file of the kind at all (its header says so).
enum class Refusal { Damaged, NotThisKind };

struct Invalid {
    std::string Reason;
    Refusal Kind = Refusal::Damaged;
};

template <typename T>
struct Parsed {
    Parsed(T parsed) : value(std::move(parsed)) {}         // NOLINT: implicit by design
    Parsed(Invalid invalid) : error(std::move(invalid.Reason)), refusal(invalid.Kind) {}  // NOLINT

    bool ok() const { return value.has_value(); }

    std::optional<T> value;
    std::string error;  // empty when ok()
    Refusal refusal = Refusal::Damaged;
};

}  // namespace vx
