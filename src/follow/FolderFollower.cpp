#include "follow/FolderFollower.h"

#include <algorithm>
#include <tuple>

#include "toolkit/Text.h"

namespace vx {

namespace {

// Newer: the later modification time, and of equal times the name that
// sorts last.
bool Newer(const FileStamp& a, const std::string& aName, const FileStamp& b, const std::string& bName)
{
    return std::tie(a.modifiedNs, aName) > std::tie(b.modifiedNs, bName);
}

}  // namespace

std::string FollowNoteText(const FollowNote& note)
{
    const std::string name = FileNameToUtf8(note.name);
    switch (note.kind) {
    case FollowNote::Kind::KeepsChanging:
        return "Not loaded, still changing after " + std::to_string(kKeepsChangingTime.count() / 1000) + " s: " +
               name;
    case FollowNote::Kind::FolderGone:
        return "Following ended, folder unreadable (" + note.reason + "): " + name;
    }
    return name;
}

FolderFollower::FolderFollower(std::string folder) : folder_(std::move(folder))
{
    if (!folder_.empty() && folder_.back() != '/' && folder_.back() != '\\')
        folder_ += '/';
}

void FolderFollower::Start(std::span<const StampedFile> files, FollowTime now)
{
    files_.clear();
    due_.clear();
    lastLook_ = now;
    for (const StampedFile& file : files) {
        if (!IsSavedGameName(file.name))
            continue;
        Tracked& tracked = files_[file.name];
        tracked.stamp = file.stamp;
        tracked.since = tracked.seen = tracked.changingSince = now;
        tracked.done = file.stamp;
    }
}

FollowTime FolderFollower::Unchanged(const FileStamp& stamp, FollowTime now, std::optional<std::int64_t> wallNs) const
{
    if (!wallNs || !lastLook_)
        return FollowTime{0};
    // A clock of the file's that is ahead of ours credits nothing.
    const std::int64_t changed = std::max(stamp.modifiedNs, stamp.changedNs);
    constexpr std::int64_t kSecondNs = 1'000'000'000;
    if (changed > *wallNs || changed % kSecondNs == 0)
        return FollowTime{0};
    const auto age = std::chrono::duration_cast<FollowTime>(std::chrono::nanoseconds(*wallNs - changed));
    return std::clamp(age, FollowTime{0}, now - *lastLook_);
}

std::vector<FollowNote> FolderFollower::Poll(std::span<const StampedFile> files, FollowTime now,
                                             std::optional<std::int64_t> wallNs)
{
    std::vector<FollowNote> notes;
    if (ended_)
        return notes;
    // Listed now: a file no longer listed was deleted (or is no longer a
    // regular file) and is forgotten, whatever state it was in.
    Files listed;
    listed.reserve(files.size());
    for (const StampedFile& file : files) {
        if (!IsSavedGameName(file.name))
            continue;
        auto known = files_.find(file.name);
        Tracked tracked;
        if (known == files_.end()) {
            tracked.stamp = file.stamp;
            tracked.since = now - Unchanged(file.stamp, now, wallNs);
            tracked.seen = tracked.changingSince = now;
        } else {
            tracked = std::move(known->second);
            if (!(tracked.stamp == file.stamp)) {
                // A change after a settled second begins a new run of changes.
                const bool newRun = !tracked.Pending() || tracked.settled;
                tracked.stamp = file.stamp;
                tracked.since = now - Unchanged(file.stamp, now, wallNs);
                tracked.seen = now;
                if (newRun) {
                    tracked.changingSince = now;
                    tracked.said = false;
                }
            }
        }
        listed.insert_or_assign(file.name, std::move(tracked));
    }
    files_ = std::move(listed);
    lastLook_ = now;

    settling_ = false;
    for (auto& [name, tracked] : files_) {
        tracked.settled = tracked.Pending() && now - tracked.since >= kSettleTime && now > tracked.seen;
        if (!tracked.Pending() || tracked.settled || tracked.said)
            continue;
        if (now - tracked.changingSince >= kKeepsChangingTime) {
            tracked.said = true;
            notes.push_back({FollowNote::Kind::KeepsChanging, name, {}});
        } else {
            settling_ = true;
        }
    }
    Choose();
    return notes;
}

std::vector<FollowNote> FolderFollower::Lost(const std::string& reason)
{
    if (ended_)
        return {};
    ended_ = true;
    settling_ = false;
    files_.clear();
    due_.clear();
    std::string folder = folder_;
    if (folder.size() > 1)
        folder.pop_back();  // the separator put after it
    return {{FollowNote::Kind::FolderGone, folder, reason}};
}

void FolderFollower::Choose()
{
    due_.clear();
    for (const auto& [name, tracked] : files_)
        if (tracked.settled && tracked.Pending())
            due_.push_back(FollowedFile{name, folder_ + name, tracked.stamp});
    if (due_.empty())
        return;
    std::sort(due_.begin(), due_.end(), [](const FollowedFile& a, const FollowedFile& b) {
        return Newer(b.stamp, b.name, a.stamp, a.name);
    });
    // A saved game still being written, newer than one that settled, holds
    // them all back: the batch then ends with the newest, oldest first.
    const FollowedFile& oldest = due_.front();
    for (const auto& [name, tracked] : files_) {
        if (tracked.Pending() && !tracked.settled && !tracked.said && Newer(tracked.stamp, name, oldest.stamp, oldest.name)) {
            due_.clear();
            return;
        }
    }
}

void FolderFollower::DoneWith(const FollowedFile& file)
{
    if (auto it = files_.find(file.name); it != files_.end())
        it->second.done = file.stamp;  // a newer version listed since stays pending
    std::erase_if(due_, [&](const FollowedFile& d) { return d.name == file.name; });
    // The rest stays due as it was; a newer version of the file is due
    // only at a look that has seen it settle.
}

FolderFollower::Outcome FolderFollower::Loaded(const FollowedFile& file, const Sha256Digest& raceKey)
{
    DoneWith(file);
    return races_.insert(raceKey).second ? Outcome::NewRace : Outcome::SameBytes;
}

void FolderFollower::Refused(const FollowedFile& file)
{
    DoneWith(file);
}

}  // namespace vx
