#include "formats/ByteReader.h"

#include "toolkit/Text.h"

#include <algorithm>
#include <cstring>

namespace vx {

namespace {

std::string InAFileOf(std::int64_t size)
{
    return ", in a file of " + IntToText(size) + (size == 1 ? " byte)" : " bytes)");
}

}  // namespace

std::string FieldName::Text() const
{
    std::string text = Name;
    if (Owner != nullptr)
        text += std::string(" of ") + Owner + " " + IntToText(Number);
    return text;
}

std::string FieldName::Words() const
{
    if (Words_ == nullptr)
        return Text();
    std::string words;
    for (const char* c = Words_; *c != 0; ++c)
        words += *c == '#' ? IntToText(Number) : std::string(1, *c);
    return words;
}

void ByteReader::Invalidate(std::string reason)
{
    if (Valid())
        reason_ = reason.empty() ? std::string("invalid file") : std::move(reason);
}

bool ByteReader::Require(std::int64_t at, std::int64_t length, FieldName field)
{
    if (!Valid())
        return false;
    if (at < 0 || length < 0 || at > Size() || length > Size() - at) {
        Outside(at, length, field, true);
        return false;
    }
    return true;
}

std::string ByteReader::Text(std::int64_t at, std::int64_t limit, FieldName field)
{
    return Scan(at, limit < 0 ? 0 : limit, field);
}

std::string ByteReader::Text(std::int64_t at, FieldName field)
{
    return Scan(at, -1, field);
}

std::string ByteReader::TrimmedText(std::int64_t at, std::int64_t limit, FieldName field)
{
    return TrimBlanks(Text(at, limit, field));
}

std::string ByteReader::TrimmedText(std::int64_t at, FieldName field)
{
    return TrimBlanks(Text(at, field));
}

std::uint32_t ByteReader::Le(std::int64_t at, int width, FieldName field)
{
    if (!Valid())
        return 0;
    // Compared unsigned: at + width cannot wrap once at is known to be >= 0.
    if (at < 0 || static_cast<std::uint64_t>(at) + static_cast<std::uint64_t>(width) >
                      bytes_.size()) {
        Outside(at, width, field, false);
        return 0;
    }
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = value << 8 | bytes_[static_cast<std::size_t>(at + i)];
    return value;
}

// limit < 0: no limit, the text must end at a NUL inside the file.
std::string ByteReader::Scan(std::int64_t at, std::int64_t limit, FieldName field)
{
    if (!Valid() || limit == 0)
        return {};
    if (at < 0 || at >= Size()) {
        Outside(at, 1, field, false);
        return {};
    }
    const std::int64_t available = Size() - at;
    const std::int64_t window = limit < 0 ? available : std::min(limit, available);
    const char* start = reinterpret_cast<const char*>(bytes_.data() + at);
    const void* nul = std::memchr(start, 0, static_cast<std::size_t>(window));
    if (nul != nullptr)
        return std::string(start, static_cast<const char*>(nul));
    if (limit >= 0 && window == limit)
        return std::string(start, static_cast<std::size_t>(limit));
    reason_ = "the file ends inside " + field.Words() + " (" + field.Text() + " at offset " + IntToText(at) +
              " has no NUL" + InAFileOf(Size());
    return {};
}

void ByteReader::Outside(std::int64_t at, std::int64_t length, FieldName field, bool table)
{
    const std::string where = " (" + field.Text() + " at offset " + IntToText(at);
    if (at < 0)
        reason_ = field.Words() + " would lie before the start of the file" + where + ")";
    else if (table && at <= Size())
        reason_ = "the file ends " + std::string(at < Size() ? "inside " : "before ") + field.Words() + where +
                  ", " + IntToText(length) + " bytes" + InAFileOf(Size());
    else
        reason_ = "the file ends " + std::string(at < Size() ? "inside " : "before ") + field.Words() + where +
                  InAFileOf(Size());
}

}  // namespace vx
