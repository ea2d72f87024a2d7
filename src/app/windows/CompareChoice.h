// What the comparison compares the shown lap against, apart from its window:
// a lap of the race shown (its reference lap unless the user picks another),
// the best lap of another race that the history keeps, or the lap of a lap
// file (a lap of the same track sent by another player). A choice holds
// for the race it was made on (the same saved game and layout keys) and is
// dropped when another race is shown.
//
// A lap is never compared with itself: when the lap compared is the one
// chosen, it is compared with the reference lap, and the reference lap with
// the next fastest lap.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "formats/LapFile.h"
#include "history/HistoryStore.h"
#include "laps/CompareFigures.h"

namespace vx {

class CompareChoice {
public:
    // The race shown, by its saved game's and layout's keys, and its human
    // driver: a choice made on another race is dropped.
    void HoldFor(const Sha256Digest& game, const Sha256Digest& layout, const std::string& driver = {});
    // Back to the reference lap of the race shown.
    void Clear();
    // The keys of the race the choice holds for.
    const Sha256Digest& Game() const { return race_.Game; }
    const Sha256Digest& Layout() const { return race_.Layout; }

    // "PB": the personal best of the shown race's driver on its layout, set
    // by another race (another player's races never count); none without
    // one (or on failure: the store's LastFailure tells).
    std::optional<BestLapOfRace> PersonalBestIn(HistoryStore& history) const
    {
        return history.BestOfOtherRaces(race_.Layout, race_.Game, driver_);
    }

    // A lap of the race shown; 0 for its reference lap.
    void PickLap(std::int32_t lap);
    // The best lap of another race, as the history keeps it.
    void PickKeptLap(const BestLapOfRace& race, LapProfile lap, bool personalBest);
    // The lap of a lap file (ProfileOfLapFile), on the race's layout.
    void PickFileLap(LapFile file, LapProfile lap);

    // The lap of the race shown that lap is compared against; 0 when it is
    // compared against another race's lap.
    std::int32_t AgainstLap(const LapAnalysis& analysis, std::int32_t lap) const;
    // The lap "<" (step -1) or ">" (+1) chooses for lap: from another race's
    // lap, the laps beside the reference lap; otherwise the next lap in that
    // direction but lap itself; none at the end of the laps.
    std::optional<std::int32_t> Stepped(const LapAnalysis& analysis, std::int32_t lap, std::int32_t step) const;

    // What the comparison shows of lap against the lap chosen for it.
    CompareFigures FiguresOf(const LapAnalysis& analysis, std::int32_t lap) const;
    // The same corner by corner: the race's corners, the lap chosen timed
    // through them (another race's lap along its kept path).
    CornerComparison CornersOf(const LapAnalysis& analysis, std::int32_t lap) const;

    // Another race's lap when one is chosen.
    const std::optional<BestLapOfRace>& OtherRace() const { return otherRace_; }
    // The lap file's lap when one is chosen.
    const std::optional<LapFile>& FileLap() const { return otherFile_; }
    // A lap not of the race shown is chosen: another race's or a file's.
    bool AgainstOtherLap() const { return otherLap_.has_value(); }
    // What the window says of it: "PB: 2026-12-01 cup.gam, lap 7", or for a
    // lap file "Ada Morrow's lap 5 (2027-05-06)" ("" when none is chosen).
    std::string OtherRaceText() const;

private:
    struct Race {
        Sha256Digest Game{};
        Sha256Digest Layout{};
        bool operator==(const Race&) const = default;
    };
    Race race_;
    std::string driver_;  // of the race shown
    std::int32_t lap_ = 0;  // the lap chosen; 0 the reference lap
    std::optional<BestLapOfRace> otherRace_;
    std::optional<LapFile> otherFile_;
    std::optional<LapProfile> otherLap_;
    bool otherIsPersonalBest_ = false;
};

}  // namespace vx
