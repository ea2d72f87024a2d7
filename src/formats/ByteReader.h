// Bounded little-endian reading of a file image.
//
// Every number of a saved game or track is read through a ByteReader. Offsets
// are 64-bit and may come straight from file values (negative or huge); a read
// that would touch a byte outside the file is never performed: it returns 0 or
// the empty text and marks the reader invalid with a reason that says in a
// player's words where the file ends ("the file ends inside driver 1's car
// name"), then names the field, its offset and the file's length. Only the
// first reason is kept, so a parser may read its fields in file order and
// judge once.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace vx {

// The name of a field in a failure reason, twice: in a player's words
// ("driver 3's race time", "#" standing for the number) and as the layout
// names it ("RaceTime of driver 3"), which a bug report needs. Holds pointers
// to string literals only, so that naming a field costs nothing unless a
// read fails.
struct FieldName {
    FieldName(const char* name) : Name(name) {}  // NOLINT: implicit by design
    FieldName(const char* name, const char* words) : Name(name), Words_(words) {}
    FieldName(const char* name, const char* words, const char* owner, std::int64_t number)
        : Name(name), Words_(words), Owner(owner), Number(number)
    {
    }
    std::string Text() const;
    // The player's words; the layout's name where there are none.
    std::string Words() const;

    const char* Name;
    const char* Words_ = nullptr;
    const char* Owner = nullptr;
    std::int64_t Number = 0;
};

class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::int64_t Size() const { return static_cast<std::int64_t>(bytes_.size()); }
    bool Valid() const { return reason_.empty(); }
    // Why the reader became invalid; empty while it is valid.
    const std::string& Reason() const { return reason_; }
    // Marks the reader invalid for a reason found by the caller (a count out of
    // range, say); an earlier reason is kept.
    void Invalidate(std::string reason);

    std::uint8_t U8(std::int64_t at, FieldName field)
    {
        return static_cast<std::uint8_t>(Le(at, 1, field));
    }
    std::int8_t I8(std::int64_t at, FieldName field)
    {
        return static_cast<std::int8_t>(Le(at, 1, field));
    }
    std::uint16_t U16(std::int64_t at, FieldName field)
    {
        return static_cast<std::uint16_t>(Le(at, 2, field));
    }
    std::int16_t I16(std::int64_t at, FieldName field)
    {
        return static_cast<std::int16_t>(Le(at, 2, field));
    }
    std::int32_t I32(std::int64_t at, FieldName field)
    {
        return static_cast<std::int32_t>(Le(at, 4, field));
    }

    // The text from `at` up to the first NUL or after `limit` bytes, whichever
    // comes first. Reaching the end of the file before either is an overrun.
    std::string Text(std::int64_t at, std::int64_t limit, FieldName field);
    // The text from `at` up to the first NUL; a file that ends before a NUL is
    // an overrun.
    std::string Text(std::int64_t at, FieldName field);
    // The same with leading and trailing spaces (code 32) removed.
    std::string TrimmedText(std::int64_t at, std::int64_t limit, FieldName field);
    std::string TrimmedText(std::int64_t at, FieldName field);

    // Checks that the `length` bytes from `at` lie inside the file without
    // reading them (tables that other parts of the program read in place).
    bool Require(std::int64_t at, std::int64_t length, FieldName field);

private:
    std::uint32_t Le(std::int64_t at, int width, FieldName field);
    std::string Scan(std::int64_t at, std::int64_t limit, FieldName field);
    void Outside(std::int64_t at, std::int64_t length, FieldName field, bool table);

    std::span<const std::uint8_t> bytes_;
    std::string reason_;
};

}  // namespace vx
