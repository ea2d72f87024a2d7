#include "history/FileKinds.h"

#include <algorithm>

#include "formats/GameFile.h"
#include "formats/TrackFile.h"
#include "toolkit/FileSystem.h"
#include "toolkit/Text.h"

namespace vx {

namespace {

// Every SQLite database begins so, the NUL included.
constexpr char kDatabaseHeader[16] = "SQLite format 3";

bool BeginsAsADatabase(const std::vector<std::uint8_t>& bytes)
{
    return bytes.size() >= sizeof kDatabaseHeader &&
           std::equal(kDatabaseHeader, kDatabaseHeader + sizeof kDatabaseHeader, bytes.begin(),
                      [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

// The fields of the database's header that every database has alike: a
// page size that is a power of two from 512 to 65536 (1 for 65536), file
// format versions 1 or 2, and the fixed payload fractions 64, 32, 32. A
// header that lacks them is set aside before the engine opens the file,
// which would take the journal beside it for its own and remove it.
bool HeaderWhole(const std::vector<std::uint8_t>& bytes)
{
    if (bytes.size() < 100)
        return false;
    const unsigned pageSize = bytes[16] << 8 | bytes[17];
    const bool powerOfTwo = pageSize >= 512 && pageSize <= 32768 && (pageSize & (pageSize - 1)) == 0;
    return (powerOfTwo || pageSize == 1) && (bytes[18] == 1 || bytes[18] == 2) && (bytes[19] == 1 || bytes[19] == 2) &&
           bytes[21] == 64 && bytes[22] == 32 && bytes[23] == 32;
}

// Text, in UTF-8 or Windows-1252: no control character but the blanks of
// lines and pages.
bool LooksLikeText(const std::vector<std::uint8_t>& bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t byte) {
        return (byte >= 0x20 && byte != 0x7f) || byte == '\t' || byte == '\n' || byte == '\r' || byte == '\f';
    });
}

// The file's or folder's own name, as the user reads it.
std::string ShownName(std::string path)
{
    while (path.size() > 1 && (path.back() == '/' || path.back() == '\\'))
        path.pop_back();
    return FileNameToUtf8(FileNamePart(path));
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ReadFileStart(const std::string& path, std::int64_t limit,
                                                       std::string& error)
{
    FileSystem& files = SystemFiles();
    const std::uint64_t file = files.OpenForRead(path, error);
    if (file == 0)
        return std::nullopt;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::max<std::int64_t>(limit, 0)));
    std::int64_t got = 0;
    while (got < limit) {
        const std::int64_t read = files.Read(file, bytes.data() + got, limit - got, error);
        if (read <= 0)
            break;
        got += read;
    }
    files.Close(file);
    if (!error.empty())
        return std::nullopt;
    bytes.resize(static_cast<std::size_t>(got));
    return bytes;
}

HistoryFileKind KindOfHistoryFile(const std::string& path)
{
    using Kind = HistoryFileKind::Kind;
    FileSystem& files = SystemFiles();
    const PathKind kind = files.KindOf(path);
    const std::string name = ShownName(path);
    if (kind == PathKind::Folder)
        return {Kind::Other, name + " is a folder, not a race history"};
    if (kind == PathKind::None)
        return {};
    // As much as a saved game can hold, and one byte more to tell a larger file.
    std::string error;
    const auto bytes = ReadFileStart(path, kMaxGameFileBytes + 1, error);
    if (!bytes)
        return {Kind::Database, {}};
    if (bytes->empty())
        return {};
    if (BeginsAsADatabase(*bytes))
        return HeaderWhole(*bytes) ? HistoryFileKind{Kind::Database, {}}
                                   : HistoryFileKind{Kind::Damaged, "its header is damaged"};
    std::string what;
    if (HasTrackHeader(*bytes))
        what = "a track";
    else if (const char* picture = PictureFormatOf(*bytes))
        what = std::string("a ") + picture + " picture";
    else if (bytes->size() <= static_cast<std::size_t>(kMaxGameFileBytes) && ParseGameFile(*bytes).ok())
        what = "a saved game";
    else if (LooksLikeText(*bytes))
        what = "a text file";
    return {Kind::Other, what.empty() ? name + " is not a race history" : name + " is " + what + ", not a race history"};
}

}  // namespace vx
