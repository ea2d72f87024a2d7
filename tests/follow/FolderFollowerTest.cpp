// The follower driven by a clock and a folder of the test's own: every
// change, every second and every listing is the test's, and nothing waits.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "follow/FolderFollower.h"

namespace vx {
namespace {

using namespace std::chrono_literals;

// A folder's regular files with their stamps, as a listing gives them.
class Folder {
public:
    // Writes name at the time given: its size and times change, its
    // identity stays (a new file gets one of its own).
    void Write(const std::string& name, std::int64_t size, FollowTime at)
    {
        FileStamp& stamp = files_[name];
        if (stamp.inode == 0)
            stamp.inode = ++lastInode_;
        stamp.size = size;
        stamp.modifiedNs = stamp.changedNs = std::chrono::nanoseconds(at).count();
    }
    // Another file renamed over name, with the same size and times.
    void ReplaceByRename(const std::string& name) { files_[name].inode = ++lastInode_; }
    void Remove(const std::string& name) { files_.erase(name); }
    std::vector<StampedFile> Listing() const
    {
        std::vector<StampedFile> listing;
        for (const auto& [name, stamp] : files_)
            listing.push_back({name, stamp});
        std::reverse(listing.begin(), listing.end());  // a listing keeps no order
        return listing;
    }

private:
    std::map<std::string, FileStamp> files_;
    std::uint64_t lastInode_ = 0;
};

class Follow : public testing::Test {
protected:
    std::vector<FollowNote> PollAt(FollowTime at) { return follower.Poll(folder.Listing(), at); }
    // The names due, oldest first, with commas between; "(none)".
    std::string DueName() const
    {
        std::string names;
        for (const FollowedFile& file : follower.Due())
            names += (names.empty() ? "" : ",") + file.name;
        return names.empty() ? std::string("(none)") : names;
    }
    // Tells the follower the first saved game due was loaded as race key.
    FolderFollower::Outcome LoadFirst(std::uint8_t key) { return follower.Loaded(follower.Due().front(), Key(key)); }
    std::string DueAfter(FollowTime from, FollowTime to)
    {
        PollFromTo(from, to);
        return DueName();
    }
    // Polls every quarter second from..to (inclusive) and gathers what was
    // due and what was said.
    struct Seen {
        std::vector<std::string> due;
        std::vector<FollowNote> notes;
    };
    Seen PollFromTo(FollowTime from, FollowTime to)
    {
        Seen seen;
        for (FollowTime at = from; at <= to; at += kSettlingPoll) {
            for (FollowNote& note : PollAt(at))
                seen.notes.push_back(std::move(note));
            if (!follower.Due().empty())
                seen.due.push_back(DueName());
        }
        return seen;
    }
    Sha256Digest Key(std::uint8_t n) { return Sha256Digest{n}; }

    Folder folder;
    FolderFollower follower{"/games/Saves"};
};

TEST_F(Follow, ASavedGameWrittenInStepsIsDueOnlyOnceUnchangedForASecond)
{
    folder.Write("there.gam", 500, 0ms);
    folder.Write("notes.txt", 10, 0ms);
    follower.Start(folder.Listing(), 0ms);
    EXPECT_EQ(follower.PollInterval(), kIdlePoll);
    EXPECT_TRUE(PollFromTo(0ms, 1000ms).due.empty()) << "what was there at the start stays";

    // Appends every 0.9 s for 4.5 s: never a settled second, never due.
    FollowTime at = 1000ms;
    for (int step = 0; step <= 5; ++step, at += 900ms) {
        folder.Write("Race.GAM", 1000 * (step + 1), at);
        for (FollowTime poll = at; poll < at + 900ms; poll += kSettlingPoll) {
            PollAt(poll);
            EXPECT_TRUE(follower.Due().empty()) << "half written, at " << poll.count() << " ms";
            EXPECT_EQ(follower.PollInterval(), kSettlingPoll);
        }
    }
    // The last write was at 5.5 s: due from 6.5 s, with the whole file's stamp.
    PollAt(6250ms);
    EXPECT_TRUE(follower.Due().empty());
    PollAt(6500ms);
    ASSERT_EQ(DueName(), "Race.GAM");
    EXPECT_EQ(follower.Due()[0].path, "/games/Saves/Race.GAM");
    EXPECT_EQ(follower.Due()[0].stamp.size, 6000);

    // Not taken yet (the window is busy): it stays due.
    PollAt(7000ms);
    ASSERT_EQ(DueName(), "Race.GAM");
    EXPECT_EQ(LoadFirst(1), FolderFollower::Outcome::NewRace);
    EXPECT_EQ(follower.PollInterval(), kIdlePoll);

    // What was there at the start is loaded only once rewritten; other files never.
    EXPECT_TRUE(PollFromTo(7250ms, 20s).due.empty());
    folder.Write("there.gam", 700, 21s);
    folder.Write("notes.txt", 20, 21s);
    EXPECT_EQ(PollFromTo(21s, 22s).due, std::vector<std::string>{"there.gam"});
}

TEST_F(Follow, EverySavedGameThatSettlesIsDueOnceOldestFirstABurstAsOneBatch)
{
    follower.Start(folder.Listing(), 0ms);
    folder.Write("b.gam", 100, 1000ms);
    folder.Write("c.gam", 100, 1200ms);
    folder.Write("a.gam", 100, 1100ms);
    PollAt(1250ms);
    PollAt(2000ms);
    EXPECT_TRUE(follower.Due().empty()) << "c.gam was first listed at 1.25 s";
    PollAt(2250ms);
    ASSERT_EQ(DueName(), "b.gam,a.gam,c.gam") << "by time, not by name";
    // Taken one by one, as the owner reads them: the rest stays due, also
    // across a look.
    EXPECT_EQ(LoadFirst(1), FolderFollower::Outcome::NewRace);
    PollAt(2500ms);
    ASSERT_EQ(DueName(), "a.gam,c.gam");
    LoadFirst(2);
    EXPECT_EQ(LoadFirst(1), FolderFollower::Outcome::SameBytes);
    EXPECT_TRUE(PollFromTo(2750ms, 10s).due.empty()) << "each version once";

    // Equal times go by name. A newer saved game still being written holds
    // back those that settled, and joins them once it has settled; a file
    // refused passes over nothing.
    folder.Write("race2.gam", 100, 11s);
    folder.Write("race1.gam", 100, 11s);
    PollAt(11s);
    folder.Write("race3.gam", 100, 11750ms);
    PollAt(11750ms);
    PollAt(12s);
    EXPECT_TRUE(follower.Due().empty()) << "race3.gam is still settling";
    folder.Remove("race3.gam");  // deleted before it settled: forgotten
    PollAt(12250ms);
    ASSERT_EQ(DueName(), "race1.gam,race2.gam");
    folder.Write("race4.gam", 100, 12500ms);
    const Seen seen = PollFromTo(12500ms, 13500ms);
    ASSERT_EQ(seen.due, std::vector<std::string>{"race1.gam,race2.gam,race4.gam"}) << "held back while race4.gam settled";
    follower.Refused(follower.Due().back());
    ASSERT_EQ(DueName(), "race1.gam,race2.gam");
    LoadFirst(3);
    LoadFirst(4);
    EXPECT_TRUE(PollFromTo(13750ms, 20s).due.empty());
    EXPECT_TRUE(seen.notes.empty());
}

TEST_F(Follow, AThousandSavedGamesAtOnceAreAllDueInTheOrderOfTheirTimes)
{
    follower.Start(folder.Listing(), 0ms);
    for (int i = 0; i < 1000; ++i)  // times scattered over the folder's names
        folder.Write("race-" + std::to_string(i) + ".gam", 50'000, 1000ms + ((i * 7919) % 1000) * 1ms);
    PollAt(2000ms);
    EXPECT_TRUE(follower.Due().empty());
    PollAt(3000ms);
    const std::vector<FollowedFile> due = follower.Due();
    ASSERT_EQ(due.size(), 1000u);
    EXPECT_EQ(due.front().name, "race-0.gam") << "the one written at 1 s";
    EXPECT_EQ(due.back().name, "race-321.gam") << "the one written at 1.999 s";
    EXPECT_TRUE(std::is_sorted(due.begin(), due.end(), [](const FollowedFile& a, const FollowedFile& b) {
        return a.stamp.modifiedNs < b.stamp.modifiedNs;
    }));
    for (const FollowedFile& file : due)
        follower.Loaded(file, Key(1));
    EXPECT_TRUE(PollFromTo(3250ms, 6s).due.empty());
}

TEST_F(Follow, ASavedGameThatNeverSettlesIsSaidOnceAndHoldsNothingBack)
{
    follower.Start(folder.Listing(), 0ms);
    folder.Write("done.gam", 100, 500ms);
    Seen seen;
    // log.gam changes every half second for a minute.
    for (FollowTime at = 500ms; at < 60s; at += kSettlingPoll) {
        if (at % 500ms == 0ms)
            folder.Write("log.gam", at.count(), at);
        for (FollowNote& note : PollAt(at))
            seen.notes.push_back(std::move(note));
        if (!follower.Due().empty()) {
            seen.due.push_back(DueName());
            LoadFirst(2);
        }
    }
    ASSERT_EQ(seen.notes.size(), 1u);
    EXPECT_EQ(seen.notes[0].kind, FollowNote::Kind::KeepsChanging);
    EXPECT_EQ(FollowNoteText(seen.notes[0]), "Not loaded, still changing after 10 s: log.gam");
    // done.gam waited for the newer log.gam until that was said (at 10.5 s).
    ASSERT_EQ(seen.due, std::vector<std::string>{"done.gam"});
    EXPECT_EQ(follower.PollInterval(), kIdlePoll) << "nothing worth a quicker look";
    // Once it stops it is a saved game like any other; changing for long
    // again, it is said again.
    EXPECT_EQ(DueAfter(60s, 61500ms), "log.gam");
    LoadFirst(3);
    std::size_t notes = 0;
    for (FollowTime at = 62s; at < 75s; at += kSettlingPoll) {
        if (at % 500ms == 0ms)
            folder.Write("log.gam", at.count(), at);
        notes += PollAt(at).size();
    }
    EXPECT_EQ(notes, 1u);
}

TEST_F(Follow, TheSameBytesAreNoNewRaceAndARenameIsANewVersion)
{
    follower.Start(folder.Listing(), 0ms);
    folder.Write("race.gam", 100, 1s);
    EXPECT_EQ(DueAfter(1s, 2s), "race.gam");
    EXPECT_EQ(LoadFirst(1), FolderFollower::Outcome::NewRace);
    EXPECT_TRUE(follower.Knows(Key(1)));

    // Written again with the same bytes (its time changes): read, no new race.
    folder.Write("race.gam", 100, 5s);
    EXPECT_EQ(DueAfter(5s, 6s), "race.gam");
    EXPECT_EQ(LoadFirst(1), FolderFollower::Outcome::SameBytes);
    // The same bytes under another name are the same race too.
    folder.Write("copy.gam", 100, 7s);
    EXPECT_EQ(DueAfter(7s, 8s), "copy.gam");
    EXPECT_EQ(LoadFirst(1), FolderFollower::Outcome::SameBytes);

    // Replaced by a rename: size and times alike, another file.
    folder.ReplaceByRename("race.gam");
    EXPECT_EQ(DueAfter(10s, 11s), "race.gam");
    EXPECT_EQ(LoadFirst(3), FolderFollower::Outcome::NewRace);

    // Deleted while due: nothing is due; written again: a new version.
    folder.Write("race.gam", 200, 12s);
    EXPECT_EQ(DueAfter(12s, 13s), "race.gam");
    folder.Remove("race.gam");
    PollAt(13250ms);
    EXPECT_TRUE(follower.Due().empty());
    folder.Write("race.gam", 200, 14s);
    EXPECT_EQ(DueAfter(14s, 15s), "race.gam");
}

// With the system's time beside the clock (here the same), a saved game
// written between two looks counts the time since its last change.
TEST_F(Follow, TheTimeSinceTheLastChangeCountsButNeverFromBeforeThePreviousLook)
{
    const auto look = [&](FollowTime at) {
        follower.Poll(folder.Listing(), at, std::chrono::nanoseconds(at).count());
        return DueName();
    };
    follower.Start(folder.Listing(), 0ms);
    look(1s);
    folder.Write("new.gam", 100, 1150ms);
    EXPECT_EQ(look(2s), "(none)");      // unchanged for 850 ms
    EXPECT_EQ(look(2250ms), "new.gam");  // 1.1 s after the write, not 2 s
    LoadFirst(1);

    // A stamp older than the previous look (another clock) counts only from
    // that look; one in whole seconds (coarse times) not at all.
    folder.Write("skewed.gam", 100, 150ms);
    EXPECT_EQ(look(2500ms), "(none)");
    EXPECT_EQ(look(3000ms), "(none)");
    EXPECT_EQ(look(3250ms), "skewed.gam");  // a second after the look at 2.25 s
    LoadFirst(2);
    folder.Write("coarse.gam", 100, 3s);
    for (const FollowTime at : {4500ms, 4750ms, 5250ms})
        EXPECT_EQ(look(at), "(none)") << at.count();
    EXPECT_EQ(look(5500ms), "coarse.gam");
    LoadFirst(3);

    // However old its last change, a stamp settles at a second look.
    folder.Write("late.gam", 100, 4100ms);
    EXPECT_EQ(look(6500ms), "(none)");
    EXPECT_EQ(look(6750ms), "late.gam");
}

TEST_F(Follow, AFolderThatCannotBeReadEndsFollowingWithOneNote)
{
    follower.Start(folder.Listing(), 0ms);
    folder.Write("race.gam", 100, 1s);
    PollAt(1s);
    const std::vector<FollowNote> notes = follower.Lost("No such file or directory");
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(FollowNoteText(notes[0]),
              "Following ended, folder unreadable (No such file or directory): /games/Saves");
    EXPECT_TRUE(follower.Ended());
    EXPECT_TRUE(follower.Lost("again").empty());
    EXPECT_TRUE(PollAt(5s).empty());
    EXPECT_TRUE(follower.Due().empty());
}

}  // namespace
}  // namespace vx
