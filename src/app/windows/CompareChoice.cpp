#include "app/windows/CompareChoice.h"

#include <algorithm>

#include "app/windows/LapFiles.h"
#include "history/RaceRecord.h"
#include "toolkit/Text.h"

namespace vx {

void CompareChoice::HoldFor(const Sha256Digest& game, const Sha256Digest& layout, const std::string& driver)
{
    driver_ = driver;
    const Race race{game, layout};
    if (race != race_) {
        race_ = race;
        Clear();
    }
}

void CompareChoice::Clear()
{
    lap_ = 0;
    otherRace_.reset();
    otherFile_.reset();
    otherLap_.reset();
    otherIsPersonalBest_ = false;
}

void CompareChoice::PickLap(std::int32_t lap)
{
    Clear();
    lap_ = lap;
}

void CompareChoice::PickKeptLap(const BestLapOfRace& race, LapProfile lap, bool personalBest)
{
    Clear();
    otherRace_ = race;
    otherLap_ = std::move(lap);
    otherIsPersonalBest_ = personalBest;
}

void CompareChoice::PickFileLap(LapFile file, LapProfile lap)
{
    Clear();
    otherFile_ = std::move(file);
    otherLap_ = std::move(lap);
}

std::int32_t CompareChoice::AgainstLap(const LapAnalysis& analysis, std::int32_t lap) const
{
    if (otherLap_)
        return 0;
    const std::int32_t chosen = lap_ >= 1 && lap_ <= analysis.LapCount ? lap_ : analysis.ReferenceLap;
    return chosen != lap ? chosen : DefaultAgainstLap(analysis, lap);
}

std::optional<std::int32_t> CompareChoice::Stepped(const LapAnalysis& analysis, std::int32_t lap,
                                                   std::int32_t step) const
{
    const auto inRace = [&](std::int32_t k) { return k >= 1 && k <= analysis.LapCount; };
    const auto besides = [&](std::int32_t k) { return k == lap && inRace(k + step) ? k + step : k; };
    if (otherLap_)  // back to this race: beside its reference lap
        return besides(std::clamp(analysis.ReferenceLap + step, 1, analysis.LapCount));
    const std::int32_t next = besides(AgainstLap(analysis, lap) + step);
    if (!inRace(next) || next == lap)
        return std::nullopt;
    return next;
}

CompareFigures CompareChoice::FiguresOf(const LapAnalysis& analysis, std::int32_t lap) const
{
    if (otherLap_)
        return CompareLaps(ProfileOf(analysis, lap), *otherLap_);
    return CompareLaps(analysis, lap, AgainstLap(analysis, lap));
}

CornerComparison CompareChoice::CornersOf(const LapAnalysis& analysis, std::int32_t lap) const
{
    if (otherLap_)
        return CompareCorners(analysis, lap, *otherLap_);
    return CompareCorners(analysis, lap, AgainstLap(analysis, lap));
}

std::string CompareChoice::OtherRaceText() const
{
    if (otherFile_)
        return FileNameToCp1252(LapFileLapName(*otherFile_));  // the window's texts
    if (!otherRace_)
        return {};
    return (otherIsPersonalBest_ ? "PB: " : "") + DateText(otherRace_->DateNs).substr(0, 10) + " " +
           FileNameToCp1252(otherRace_->FileName) + ", lap " + IntToText(otherRace_->Lap);
}

}  // namespace vx
