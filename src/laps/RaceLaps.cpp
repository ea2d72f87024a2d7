#include "laps/RaceLaps.h"

namespace vx {

LapTrace TraceReplay(const GameData& game, const TrackData& track, bool keepPixels)
{
    if (game.RaceFlag == 0 || !game.Replay)
        return {};
    LapTraceSetup setup;
    setup.MapScale = track.MapScale;
    setup.KeepPixels = keepPixels;
    if (track.HasLapLine)
        setup.Line = LapLine{track.LapLineX1, track.LapLineY1, track.LapLineX2, track.LapLineY2};
    return TraceLaps(game.Replay->Samples, setup);
}

std::optional<LapAnalysis> AnalyseCommittedLaps(const AppState& state)
{
    const GameData& game = state.Game;
    const TrackData& track = state.Track;
    if (state.Laps.LapCount == 0 || !game.Replay)
        return std::nullopt;
    AnalysisInput input;
    input.Samples = game.Replay->Samples;
    input.MapScale = track.MapScale;
    input.LineX1 = track.LapLineX1, input.LineY1 = track.LapLineY1;
    input.LineX2 = track.LapLineX2, input.LineY2 = track.LapLineY2;
    input.TrackLength = track.TrackLength;
    input.Laps = &state.Laps;
    return AnalyseLaps(input);
}

}  // namespace vx
