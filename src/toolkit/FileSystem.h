// Files and folders: the part of the platform that works without the window
// system (the command line reads and writes through it alone).
//
// Conventions: paths are UTF-8 and may use "/" (and on Windows "\"); open
// files are named by non-zero ids the platform hands out, 0 is "none", and an
// operation on an id that names nothing does nothing and returns 0 or false.
// Nothing here throws or waits for another program.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vx {

// What identifies a file's contents without reading them: a rewrite, a cut
// or a replacement of the file changes at least one field. The same fact
// whether it comes from an open file (StampOf), a folder's listing
// (ListFiles) or a path (StampOfPath in SystemServices.h). Times count
// nanoseconds since 1970-01-01 UTC on every system, as the system's clock
// does, so that a stamp's age is the system's time less its time.
struct FileStamp {
    std::int64_t size = 0;
    std::uint64_t device = 0;     // the volume
    std::uint64_t inode = 0;      // the file's own number on its volume
    std::int64_t modifiedNs = 0;  // last change of the contents
    std::int64_t changedNs = 0;   // last change of the contents or the attributes
    bool operator==(const FileStamp&) const = default;
};

enum class PathKind { None, File, Folder, Other };

struct FolderEntry {
    std::string name;
    bool folder = false;
};

// A regular file of a folder and its stamp, as the folder's listing gives it.
struct StampedFile {
    std::string name;
    FileStamp stamp;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // The process's current folder, with one trailing separator.
    virtual std::string CurrentFolder() = 0;
    // The path made absolute against the current folder ("" stays "").
    virtual std::string AbsolutePath(const std::string& path) = 0;
    virtual PathKind KindOf(const std::string& path) = 0;
    // The entries of a folder ("" is the current folder), in no set order;
    // empty when it cannot be read.
    virtual std::vector<FolderEntry> ListFolder(const std::string& folder) = 0;
    // The regular files of a folder (links followed; no folders, no
    // devices), in no set order, each with the stamp StampOf would give it
    // opened, in one pass over the folder that opens none of its files:
    // cheap enough to poll a folder of a thousand files every second. (A
    // Windows volume that lists no file numbers, some network shares, gives
    // no identity: device and inode 0, the change time the write time.)
    // False with the reason when the folder cannot be read (gone, not a
    // folder).
    virtual bool ListFiles(const std::string& folder, std::vector<StampedFile>& files,
                           std::string& error) = 0;
    // Creates the folder and the folders above it that are missing.
    virtual bool MakeFolders(const std::string& folder, std::string& error) = 0;

    // Opens an existing regular file for reading, others may read it
    // meanwhile; never waits (a named pipe is refused, not read). 0 with the
    // reason on failure ("it is a folder", "it is not a regular file", the
    // system's own words).
    virtual std::uint64_t OpenForRead(const std::string& path, std::string& error) = 0;
    virtual FileStamp StampOf(std::uint64_t file) = 0;
    // Reads up to count bytes from the current position; the bytes read, and
    // the reason in error when a read failed before count.
    virtual std::int64_t Read(std::uint64_t file, std::uint8_t* into, std::int64_t count,
                              std::string& error) = 0;
    virtual void Close(std::uint64_t file) = 0;

    // Writes bytes as the file at path, all or nothing: a temporary file
    // beside the target, flushed to the disk, then put in the target's place.
    // A target that is a link replaces the file the link leads to, and the
    // link stays; a file replaced keeps its permissions (attributes on
    // Windows). On failure the target is as it was, no temporary file is left
    // and error says why.
    virtual bool ReplaceFile(const std::string& path, std::span<const std::uint8_t> bytes,
                             std::string& error) = 0;
};

// The files and folders of the system the program was built for.
FileSystem& SystemFiles();

}  // namespace vx
