// Following a folder of saved games: which saved game to load, and when.
//
// The follower decides and does nothing else: it never lists the folder,
// reads a file, sleeps or looks at a clock. Its owner (the window from a
// timer, the command line from its loop) gives it the folder's listing and
// the time at every tick, loads the saved game it names, and tells it how
// that went:
//
//   FolderFollower follower(folder);
//   follower.Start(listing, now);          // the saved games there now stay as they are
//   at every tick, PollInterval() apart:
//       notes = listed ? follower.Poll(listing, now) : follower.Lost(reason);
//       say the notes; stop once follower.Ended();
//       for (const FollowedFile& file : follower.Due())   // oldest first
//           load file.path, then follower.Loaded(file, raceKey) or follower.Refused(file)
//
// The rules: a saved game (*.gam, any letter case) that appears or changes
// after Start is due once its stamp (size, times, identity) has stayed the
// same for kSettleTime. Every saved game that settles is due, each version
// once: none is passed over, so that every race the game saves is kept.
// The settled ones are due together, oldest first (by modification time,
// ties by name), and wait while a newer saved game is still changing, so
// that a burst comes as one batch whose last file is its newest; one that
// changes for kKeepsChangingTime is said once and holds nothing back. A
// file deleted is forgotten; a file replaced by a rename is a new version.
// The same bytes taken again (the race key) are no new race.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "toolkit/FileSystem.h"
#include "toolkit/SystemServices.h"

namespace vx {

// The owner's clock: milliseconds from any origin that never goes back.
using FollowTime = std::chrono::milliseconds;

constexpr FollowTime kSettleTime{1000};         // unchanged this long: written whole
constexpr FollowTime kKeepsChangingTime{10000};  // changing this long: said, holds nothing back
constexpr FollowTime kIdlePoll{1000};
// While a saved game settles the folder is looked at more often, so that a
// race shows at most kSettleTime + kSettlingPoll after its last write.
constexpr FollowTime kSettlingPoll{250};

// A saved game to load: its path and the version of it that settled.
struct FollowedFile {
    std::string name;  // in the folder
    std::string path;  // the folder's path joined with the name
    FileStamp stamp;
};

// Something to tell the user.
struct FollowNote {
    enum class Kind {
        KeepsChanging,  // name has changed for kKeepsChangingTime; not loaded while it changes
        FolderGone,     // the folder cannot be read (reason): following has ended
    };
    Kind kind = Kind::KeepsChanging;
    std::string name;  // the saved game, or the folder
    std::string reason;
};

// The note as the user reads it (UTF-8): what happened first, the name last,
// so that the window's two-line log shows what matters.
std::string FollowNoteText(const FollowNote& note);

class FolderFollower {
public:
    // folder: its path; a separator is put after it when it has none.
    explicit FolderFollower(std::string folder);

    // Starts following: the saved games listed now are not loaded, only what
    // appears or changes after.
    void Start(std::span<const StampedFile> files, FollowTime now);
    // One look at the folder: its regular files as listed now. wallNs, the
    // system's time (nanoseconds since 1970, as the stamps' times) taken
    // before the listing, lets a saved game that changed before this look
    // count the time since towards its settling: from its last change by its
    // stamp, yet never from before the previous look, which saw it
    // otherwise, and never from stamps in whole seconds (a file system that
    // keeps coarse times). Without it, a saved game settles from the look
    // that first sees it as it is. Either way a stamp settles only once a
    // later look has seen it again.
    std::vector<FollowNote> Poll(std::span<const StampedFile> files, FollowTime now,
                                 std::optional<std::int64_t> wallNs = std::nullopt);
    // The folder could not be listed (gone, no longer a folder, unreadable):
    // following ends, with one note.
    std::vector<FollowNote> Lost(const std::string& reason);

    // The saved games to load now, oldest first: none while nothing has
    // settled. Each stays due until the owner tells how it went.
    const std::vector<FollowedFile>& Due() const { return due_; }
    // The owner loaded file and read the race with this key: NewRace, or
    // SameBytes when a race of these bytes was taken before (nothing new to
    // show or say). Either way that version is done with.
    enum class Outcome { NewRace, SameBytes };
    Outcome Loaded(const FollowedFile& file, const Sha256Digest& raceKey);
    // The owner could not load file (unreadable, hostile, no track), or let
    // it go: that version is done with (its message is the owner's to say)
    // and looked at again only when it changes.
    void Refused(const FollowedFile& file);
    // Whether a race of these bytes was taken while following.
    bool Knows(const Sha256Digest& raceKey) const { return races_.contains(raceKey); }

    bool Ended() const { return ended_; }
    // When to look at the folder next: kSettlingPoll while a saved game is
    // settling, kIdlePoll otherwise.
    FollowTime PollInterval() const { return settling_ ? kSettlingPoll : kIdlePoll; }
    const std::string& Folder() const { return folder_; }

private:
    struct Tracked {
        FileStamp stamp;                  // as listed last
        FollowTime since{};               // since when this stamp has stood, as far as is known
        FollowTime seen{};                // the look that first listed this stamp
        std::optional<FileStamp> done;    // the version last done with (none: never)
        FollowTime changingSince{};       // the start of this run of changes
        bool settled = false;             // its stamp stood for kSettleTime at the last look
        bool said = false;                // KeepsChanging said for this run of changes
        bool Pending() const { return !done || !(*done == stamp); }
    };
    using Files = std::unordered_map<std::string, Tracked>;

    void Choose();
    // How long before now a stamp first seen now has stood unchanged.
    FollowTime Unchanged(const FileStamp& stamp, FollowTime now, std::optional<std::int64_t> wallNs) const;
    // The version of file is done with.
    void DoneWith(const FollowedFile& file);

    std::string folder_;
    Files files_;
    std::set<Sha256Digest> races_;
    std::vector<FollowedFile> due_;  // oldest first
    std::optional<FollowTime> lastLook_;
    bool settling_ = false;
    bool ended_ = false;
};

}  // namespace vx
