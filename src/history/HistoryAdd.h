// Recording the saved games of files and folders into the history, in
// steps: "history add" runs the steps one after another, the history window
// one whenever its event loop is idle, so that the windows keep answering.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "history/HistoryStore.h"
#include "state/AppState.h"

namespace vx {

// A saved game on disk read and analysed to be recorded (into scratch,
// never drawn; a track the lookup does not find asks nobody when toolkit
// has no windows): its race dated by the file, remembered as seen there when
// the file stayed the same while it was read. None when it was refused;
// refusal then says why, in the words of the load or "Not recorded: NAME
// (why)" for a saved game with nothing to compare.
struct RaceToRecord {
    std::optional<HistoryStore::Pending> pending;
    std::string refusal;
};
RaceToRecord ReadRaceToRecord(AppState& scratch, Toolkit& toolkit, const std::string& path);

class HistoryAdd {
public:
    // What a refused file is told with: its path and the message.
    using Refusal = std::function<void(const std::string& path, const std::string& message)>;

    // Names the files and folders to record (folders with everything inside,
    // each file once); a path that is missing or not a regular file is
    // refused at once.
    HistoryAdd(HistoryStore& store, const std::vector<std::string>& paths, Refusal refused);
    ~HistoryAdd();
    HistoryAdd(const HistoryAdd&) = delete;
    HistoryAdd& operator=(const HistoryAdd&) = delete;

    // The next piece of the work: one folder looked through, or one saved
    // game read and recorded (races are written 32 to a transaction, never
    // while a file is read). False once nothing is left, or when the history
    // failed (StoreFailure).
    bool Step();
    // Writes the races read and not yet written: at the end, or to stop
    // early with everything read so far kept. False when the history failed.
    bool Finish();

    // Still looking through folders: Total() is not known yet.
    bool Listing() const { return !visit_.empty(); }
    bool Finished() const { return !Listing() && done_ == files_.size(); }
    std::size_t Done() const { return done_; }
    std::size_t Total() const { return files_.size(); }
    // The saved game the next step records ("" while listing or at the end).
    std::string Next() const;

    std::size_t Recorded() const { return recorded_; }
    std::size_t Known() const { return known_; }
    std::size_t Refused() const { return refused_; }
    const std::string& StoreFailure() const { return storeFailure_; }

private:
    struct Entry {
        std::string path;
        bool folder = false;
        int depth = 0;
    };
    class ListedOnce;
    void Refuse(const std::string& path, const std::string& message);
    void ListNext();
    void RecordNext();
    bool Write();

    HistoryStore& store_;
    Refusal tell_;
    std::unique_ptr<ListedOnce> system_;
    std::unique_ptr<Toolkit> toolkit_;
    AppState state_;  // the load of one saved game after another, never drawn
    std::vector<Entry> visit_;  // the entries still to look at, the next one last
    std::vector<std::string> files_;
    std::set<std::string> taken_;
    std::size_t done_ = 0;
    std::optional<std::unordered_map<std::string, HistoryStore::SeenFile>> seenFiles_;
    std::vector<HistoryStore::Pending> pending_;
    std::vector<std::string> seenAgain_;
    std::size_t recorded_ = 0, known_ = 0, refused_ = 0;
    std::string storeFailure_;
};

}  // namespace vx
