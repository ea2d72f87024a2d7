// The kept speeds worked out again: the races whose speeds were worked out
// from one sample to the next, and their speeds replaced by chords over
// half a second once their saved game has been read again.
#include "history/HistoryStore.h"

#include <algorithm>
#include <cstdint>

#include "history/PathCodec.h"

namespace vx {

std::optional<std::vector<ProgressRow>> HistoryStore::RacesWithOldSpeeds(std::size_t limit)
{
    failure_ = {};
    if (ReadOnly() || schemaVersion_ < 4)
        return std::vector<ProgressRow>{};
    Statement read = db_.Cached(
        "SELECT race_key, date_ns, file_name, folder, file_size, best_lap, best_s FROM race "
        "WHERE speeds_chord = 0 ORDER BY id LIMIT ?");
    read.BindInt64(0, static_cast<std::int64_t>(std::min<std::size_t>(limit, INT64_MAX)));
    std::vector<ProgressRow> rows;
    while (read.Step()) {
        const std::vector<std::uint8_t> key = read.ColumnBlob(0);
        ProgressRow row;
        if (key.size() != row.Race.size())
            continue;  // a damaged row: the reads say it
        std::copy(key.begin(), key.end(), row.Race.begin());
        row.DateNs = read.ColumnInt64(1);
        row.FileName = read.ColumnText(2);
        row.Folder = read.ColumnText(3);
        row.FileSize = read.ColumnInt64(4);
        row.BestLap = static_cast<std::int32_t>(read.ColumnInt64(5));
        row.BestS = read.ColumnDouble(6);
        rows.push_back(std::move(row));
    }
    if (!read.Succeeded())
        return Fail(), std::nullopt;
    return rows;
}

bool HistoryStore::RedoSpeeds(const RaceRecord& redone)
{
    failure_ = {};
    if (!Writable())
        return false;
    Transaction transaction(db_);
    if (!transaction.Begin())
        return Fail();
    std::int64_t raceId = 0;
    std::int32_t bestLap = 0;
    {
        Statement find = db_.Cached("SELECT id, best_lap FROM race WHERE race_key = ?");
        find.BindBlob(0, redone.Race);
        if (!find.Step())
            return find.Succeeded() ? true : Fail();  // forgotten meanwhile: nothing to redo
        raceId = find.ColumnInt64(0);
        bestLap = static_cast<std::int32_t>(find.ColumnInt64(1));
    }
    // The same bytes give the same laps and the same best lap; only the
    // speeds are new. A best lap that differs keeps the path as it is.
    if (redone.BestLap == bestLap && redone.BestSpeedsKmh.size() == redone.BestPath.size()) {
        Statement path = db_.Cached("UPDATE best_path SET vertices = ?, speeds = ? WHERE race_id = ?");
        path.BindBlob(0, EncodePath(redone.BestPath));
        path.BindBlob(1, EncodeSpeeds(redone.BestSpeedsKmh));
        path.BindInt64(2, raceId);
        if (!path.Run())
            return Fail();
    }
    for (const RaceLap& lap : redone.Laps) {
        Statement top = db_.Cached("UPDATE lap SET top_speed_kmh = ? WHERE race_id = ? AND lap = ?");
        top.BindOptionalDouble(0, lap.TopSpeedKmh);
        top.BindInt64(1, raceId);
        top.BindInt64(2, lap.Lap);
        if (!top.Run())
            return Fail();
    }
    Statement done = db_.Cached("UPDATE race SET speeds_chord = 1 WHERE id = ?");
    done.BindInt64(0, raceId);
    if (!done.Run() || !transaction.Commit())
        return Fail();
    return true;
}

}  // namespace vx
