#include "load/LoadFiles.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <string_view>
#include <thread>

#include "toolkit/Format.h"
#include "toolkit/Text.h"

namespace vx {

// --- Reading ------------------------------------------------------------------

namespace {

// The file system's reason for a folder opened as a file: the folder itself
// could be opened.
constexpr std::string_view kFolderOpened = "it is a folder";

// Why a folder that is there cannot be read (the system's words); none when
// it can, or is not there.
std::optional<std::string> WhyFolderUnreadable(Toolkit& toolkit, const std::string& folder)
{
    if (folder.empty() || toolkit.KindOf(folder) != PathKind::Folder)
        return std::nullopt;
    if (toolkit.OpenFileForRead(ReadFile, folder) != 0) {
        toolkit.CloseFileSlot(ReadFile);
        return std::nullopt;
    }
    const std::string why = toolkit.LastError();
    if (why == kFolderOpened || why.empty())
        return std::nullopt;
    return why;
}

// One attempt: the file as it stood while it was read, or Changed when its
// stamp moved meanwhile (or it ended early without an error).
FileRead ReadOnce(Toolkit& toolkit, const std::string& path, std::int64_t limit)
{
    FileRead read;
    if (toolkit.KindOf(path) == PathKind::None) {
        // A file in a folder that cannot be read is not there for the
        // system either: the folder is named, and why it cannot be read.
        const std::string folder = FolderPart(path);
        if (const auto why = WhyFolderUnreadable(toolkit, folder)) {
            read.result = FileRead::Result::Unreadable;
            read.reason = "its folder " + FileNamePart(folder.substr(0, folder.size() - 1)) +
                          " cannot be read: " + *why;
            return read;
        }
        read.result = FileRead::Result::Missing;
        read.reason = "not found";
        return read;
    }
    if (toolkit.OpenFileForRead(ReadFile, path) == 0) {
        read.result = FileRead::Result::Unreadable;
        read.reason = toolkit.LastError();
        return read;
    }
    const FileStamp before = toolkit.FileStampOf(ReadFile);
    read.length = before.size;
    if (read.length > limit) {
        toolkit.CloseFileSlot(ReadFile);
        read.result = FileRead::Result::TooLarge;
        read.reason = GroupedNumber(read.length) + " bytes";
        return read;
    }
    read.bytes.resize(static_cast<std::size_t>(read.length));
    const std::int64_t got = toolkit.ReadFileBytes(ReadFile, read.bytes.data(), read.length);
    const std::string readError = toolkit.LastError();
    const FileStamp after = toolkit.FileStampOf(ReadFile);
    toolkit.CloseFileSlot(ReadFile);
    if (got < read.length && !readError.empty()) {
        read.result = FileRead::Result::Unreadable;
        read.reason = readError;
        read.bytes.clear();
        return read;
    }
    if (got != read.length || !(after == before)) {
        read.result = FileRead::Result::Changed;
        read.reason = "it changed while it was read";
        read.bytes.clear();
        return read;
    }
    read.result = FileRead::Result::Ok;
    return read;
}

}  // namespace

FileRead ReadWholeFile(Toolkit& toolkit, const std::string& path, std::int64_t limit)
{
    // A saved game may be rewritten by the game while it is loaded: a read
    // that met a change is repeated, after a pause that lets the writer
    // finish, and never committed as a mixture of two versions.
    FileRead read;
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        if (attempt > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1 << (attempt - 1)));
        read = ReadOnce(toolkit, path, limit);
        if (read.result != FileRead::Result::Changed)
            break;
    }
    return read;
}

Parsed<LapFile> ReadLapFileAt(Toolkit& toolkit, const std::string& path, const std::string& shownName)
{
    const FileRead read = ReadWholeFile(toolkit, path, kMaxLapFileBytes);
    const std::string name = LapFileNameShown(shownName);
    switch (read.result) {
    case FileRead::Result::Ok: return ReadLapFile(read.bytes, shownName);
    case FileRead::Result::TooLarge: return Invalid{LapFileTooLargeReason(shownName, read.length), Refusal::NotThisKind};
    case FileRead::Result::Missing: return Invalid{"Lap file not found: " + name, Refusal::NotThisKind};
    case FileRead::Result::Changed: return Invalid{"Lap file changed while being read: " + name, Refusal::Damaged};
    case FileRead::Result::Unreadable: break;
    }
    return Invalid{"Cannot read lap file: " + name + " (" + read.reason + ")", Refusal::Damaged};
}

// --- Names --------------------------------------------------------------------

namespace {

// The first entry of folder (in name order) named like name, ignoring case.
std::string MatchEntry(Toolkit& toolkit, const std::string& folder, const std::string& name,
                       bool wantFolder)
{
    std::vector<std::string> matches;
    for (const FolderEntry& entry : toolkit.ListFolder(folder))
        if (SameIgnoringLetterCase(entry.name, name) && entry.folder == wantFolder)
            matches.push_back(entry.name);
    if (matches.empty())
        return {};
    return *std::min_element(matches.begin(), matches.end());
}

}  // namespace

std::string FindIgnoringCase(Toolkit& toolkit, const std::string& path)
{
    if (path.empty())
        return {};
    if (toolkit.KindOf(path) != PathKind::None)
        return path;
    const std::string name = FileNamePart(path);
    std::string folder = FolderPart(path);
    if (name.empty())
        return {};
    if (!folder.empty() && toolkit.KindOf(folder) != PathKind::Folder) {
        // The folder's own last name may differ in case ("tracks" for "Tracks").
        const std::string trimmed = folder.substr(0, folder.size() - 1);
        const std::string parent = FolderPart(trimmed);
        const std::string match = MatchEntry(toolkit, parent, FileNamePart(trimmed), true);
        if (match.empty())
            return {};
        folder = parent + match + "/";
    }
    const std::string match = MatchEntry(toolkit, folder, name, false);
    return match.empty() ? std::string() : folder + match;
}

bool UnsafeTrackName(const std::string& name)
{
    if (name.size() <= 4)  // nothing before ".trk"
        return true;
    for (const char c : name)
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 32 || c == 127)
            return true;
    return false;
}

}  // namespace vx
