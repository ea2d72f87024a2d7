#include "history/HistoryAdd.h"

#include <algorithm>
#include <map>

#include "load/LoadFiles.h"
#include "load/LoadWorkflow.h"
#include "toolkit/NoWindows.h"
#include "toolkit/Text.h"

namespace vx {

namespace {

constexpr int kFolderDepthLimit = 64;     // links that lead round stop here
constexpr std::size_t kRaceGroup = 32;    // races written in one transaction
constexpr std::size_t kSeenGroup = 1024;  // files seen again, marked in one

}  // namespace

// The system's files, with each folder listed once per run: the track
// lookup of every load lists the saved game's folder when the track is not
// beside it, and a folder of thousands of saved games would be listed
// thousands of times. Saved games and tracks that appear during the run are
// not looked for.
class HistoryAdd::ListedOnce final : public FileSystem {
public:
    explicit ListedOnce(FileSystem& system) : s_(system) {}

    std::vector<FolderEntry> ListFolder(const std::string& f) override
    {
        auto it = listings_.find(f);
        if (it == listings_.end())
            it = listings_.emplace(f, s_.ListFolder(f)).first;
        return it->second;
    }
    bool ListFiles(const std::string& f, std::vector<StampedFile>& files, std::string& e) override
    {
        return s_.ListFiles(f, files, e);
    }
    std::string CurrentFolder() override { return s_.CurrentFolder(); }
    std::string AbsolutePath(const std::string& p) override { return s_.AbsolutePath(p); }
    PathKind KindOf(const std::string& p) override { return s_.KindOf(p); }
    bool MakeFolders(const std::string& f, std::string& e) override { return s_.MakeFolders(f, e); }
    std::uint64_t OpenForRead(const std::string& p, std::string& e) override { return s_.OpenForRead(p, e); }
    FileStamp StampOf(std::uint64_t f) override { return s_.StampOf(f); }
    std::int64_t Read(std::uint64_t f, std::uint8_t* into, std::int64_t n, std::string& e) override
    {
        return s_.Read(f, into, n, e);
    }
    void Close(std::uint64_t f) override { s_.Close(f); }
    bool ReplaceFile(const std::string& p, std::span<const std::uint8_t> b, std::string& e) override
    {
        return s_.ReplaceFile(p, b, e);
    }

private:
    FileSystem& s_;
    std::map<std::string, std::vector<FolderEntry>> listings_;
};

RaceToRecord ReadRaceToRecord(AppState& scratch, Toolkit& toolkit, const std::string& path)
{
    RaceToRecord read;
    const auto before = StampOfPath(path);
    if (!LoadGameData(scratch, toolkit, path)) {
        read.refusal = scratch.Log.NewestWhole();
        return read;
    }
    // The bytes read lie between the two stamps: when the file stayed the
    // same meanwhile, it is remembered as this race.
    const auto after = StampOfPath(path);
    FileStamp dated = after ? *after : before ? *before : FileStamp{};
    if (!after && !before)
        dated.modifiedNs = NowNs();
    std::string whyNot;
    auto record = RaceRecordOf(scratch, dated, whyNot);
    if (!record) {
        read.refusal = "Not recorded: " + FileNameToUtf8(FileNamePart(path)) + " (" + whyNot + ")";
        return read;
    }
    std::optional<std::pair<std::string, FileStamp>> seenAs;
    if (before && after && *before == *after)
        seenAs = std::make_pair(path, *after);
    read.pending = HistoryStore::Pending{std::move(*record), std::move(seenAs)};
    return read;
}

HistoryAdd::HistoryAdd(HistoryStore& store, const std::vector<std::string>& paths, Refusal refused)
    : store_(store), tell_(std::move(refused)), system_(std::make_unique<ListedOnce>(SystemFiles()))
{
    // A toolkit of its own, without windows: the program's windows keep
    // their events, and a saved game whose track is not found asks nobody.
    toolkit_ = std::make_unique<Toolkit>(Platform{.files = *system_, .windows = NoWindowSystem()});
    InitAppState(state_, toolkit_->CurrentFolder());
    std::vector<Entry> named;
    for (const std::string& given : paths) {
        const std::string path = system_->AbsolutePath(given);
        switch (system_->KindOf(path)) {
        case PathKind::Folder: named.push_back({path.back() == '/' ? path : path + "/", true, 0}); break;
        case PathKind::File: named.push_back({path, false, 0}); break;
        case PathKind::None:
            Refuse(path, LoadProblemMessage({LoadProblem::Kind::NotFound, false, FileNamePart(path), {}}));
            break;
        case PathKind::Other:
            Refuse(path, LoadProblemMessage({LoadProblem::Kind::Unreadable, false, FileNamePart(path),
                                             "it is not a regular file"}));
            break;
        }
    }
    visit_.assign(named.rbegin(), named.rend());
    // The files recorded before, read once: another process's meanwhile
    // are read again and found known.
    seenFiles_ = store_.SeenFiles();
    if (!seenFiles_)
        storeFailure_ = store_.LastFailure().message;
}

HistoryAdd::~HistoryAdd() = default;

void HistoryAdd::Refuse(const std::string& path, const std::string& message)
{
    ++refused_;
    if (tell_)
        tell_(path, message);
}

std::string HistoryAdd::Next() const
{
    return Listing() || done_ >= files_.size() ? std::string() : files_[done_];
}

bool HistoryAdd::Step()
{
    if (Listing()) {
        ListNext();
        return true;
    }
    if (!storeFailure_.empty() || done_ >= files_.size())
        return false;
    RecordNext();
    return storeFailure_.empty();
}

// Takes the files met until one folder has been listed: the files of each
// folder in name order, a folder's inside where the folder stands.
void HistoryAdd::ListNext()
{
    while (!visit_.empty()) {
        const Entry entry = std::move(visit_.back());
        visit_.pop_back();
        if (!entry.folder) {
            // A file named twice (a folder and a file inside it) is taken once.
            if (taken_.insert(entry.path).second)
                files_.push_back(entry.path);
            continue;
        }
        if (entry.depth > kFolderDepthLimit)
            continue;
        std::vector<FolderEntry> entries = system_->ListFolder(entry.path);
        std::sort(entries.begin(), entries.end(),
                  [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
        for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
            const std::string path = entry.path + it->name;
            if (it->folder)
                visit_.push_back({path + "/", true, entry.depth + 1});
            else if (IsSavedGameName(it->name))
                visit_.push_back({path, false, entry.depth + 1});
        }
        return;
    }
}

void HistoryAdd::RecordNext()
{
    const std::string file = files_[done_++];
    const auto before = StampOfPath(file);
    const auto seen = before ? seenFiles_->find(file) : seenFiles_->end();
    // The history keeps a file's size, time and identity, not the time its
    // attributes last changed: those four say the file is the one seen.
    const auto kept = [&](const FileStamp& stamp) {
        return stamp.size == before->size && stamp.modifiedNs == before->modifiedNs &&
               stamp.device == before->device && stamp.inode == before->inode;
    };
    if (seen != seenFiles_->end() && kept(seen->second.stamp)) {
        // Not read again; its race's place changes only when it was seen
        // last under another name.
        if (seen->second.lastSeenHere) {
            ++known_;
        } else {
            seenAgain_.push_back(file);
            if (seenAgain_.size() >= kSeenGroup)
                Write();
        }
        return;
    }
    RaceToRecord read = ReadRaceToRecord(state_, *toolkit_, file);
    if (!read.pending) {
        Refuse(file, read.refusal);
        return;
    }
    pending_.push_back(std::move(*read.pending));
    if (pending_.size() >= kRaceGroup)
        Write();
}

bool HistoryAdd::Write()
{
    if (pending_.empty() && seenAgain_.empty())
        return true;
    const auto results = store_.RecordAll(pending_, seenAgain_);
    if (!results) {
        storeFailure_ = store_.LastFailure().message;
        return false;
    }
    for (const HistoryStore::Recorded result : *results)
        ++(result == HistoryStore::Recorded::New ? recorded_ : known_);
    known_ += seenAgain_.size();
    pending_.clear();
    seenAgain_.clear();
    return true;
}

bool HistoryAdd::Finish()
{
    return storeFailure_.empty() && Write();
}

}  // namespace vx
