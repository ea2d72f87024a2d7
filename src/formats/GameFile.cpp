#include "formats/GameFile.h"

#include "formats/ByteReader.h"
#include "toolkit/Text.h"

#include <algorithm>

namespace vx {

namespace {

// The fields of one driver record, in the record's own order.
DriverRecord ReadDriverRecord(ByteReader& in, std::int64_t base, int k)
{
    DriverRecord r;
    r.Position = in.I8(base + 0, {"Position", "driver", k}) + 1;
    r.Record12 = in.I8(base + 12, {"record byte 12", "driver", k});
    r.RaceTime = in.I32(base + 16, {"RaceTime", "driver", k});
    r.Record20 = in.I32(base + 20, {"record long 20", "driver", k});
    r.Human = in.U8(base + 24, {"HumanFlag", "driver", k}) != 0;
    r.AILevel = in.U8(base + 28, {"AILevel", "driver", k});
    r.LapsDriven = in.I8(base + 164, {"LapsDriven", "driver", k});
    r.Record168 = in.I16(base + 168, {"record word 168", "driver", k});
    r.Record170 = in.U16(base + 170, {"record word 170", "driver", k});
    r.Record172 = in.U16(base + 172, {"record word 172", "driver", k});
    r.Record174 = in.U16(base + 174, {"record word 174", "driver", k});
    return r;
}

}  // namespace

Parsed<GameData> ParseGameFile(std::span<const std::uint8_t> file)
{
    ByteReader in(file);
    GameData game;

    // Every field is read in file order, so that a file cut short is refused
    // for the first field it cuts.
    game.TyresPercent = in.U8(13, "TyresPercent");
    game.ConsumptionPercent = in.U8(14, "ConsumptionPercent");
    game.DamagePercent = in.U8(15, "DamagePercent");
    game.FuelMassKg = in.U8(16, "FuelMassKg");
    game.SpeedPercent = in.U8(21, "SpeedPercent");
    const std::int32_t driverCount = in.I8(78, "DriverCount");
    if (!in.Valid())
        return Invalid{in.Reason()};
    if (driverCount < 0 || driverCount > kMaxDrivers)
        return Invalid{"DriverCount " + IntToText(driverCount) + " is outside 0..11"};

    const int n = driverCount;
    const int named = std::min(n, kNamedDrivers);
    game.CarBlockBase = kDriverNameBase + kDriverAreaBytes * n;
    game.TrackListBase = game.CarBlockBase + kCarBlockBytes * n;

    // A name is read to its NUL: a full 13-byte slot runs on into the next.
    std::array<std::string, kNamedDrivers + 1> names;
    for (int k = 1; k <= named; ++k)
        names[k] = in.TrimmedText(kDriverNameBase + kDriverNameSlotBytes * (k - 1),
                                  {"DriverName", "driver", k});
    std::array<std::string, kMaxDrivers + 1> carNames;
    for (int k = 1; k <= n; ++k)
        carNames[k] = in.TrimmedText(game.CarBlockBase + kCarBlockBytes * (k - 1),
                                     {"CarName", "driver", k});

    game.TrackListCount = in.I8(game.TrackListBase, "TrackListCount");
    game.CurrentTrackIndex = in.I8(game.TrackListBase + 4, "CurrentTrackIndex");
    if (!in.Valid())
        return Invalid{in.Reason()};
    if (game.TrackListCount < 0)
        return Invalid{"TrackListCount " + IntToText(game.TrackListCount) + " is negative"};
    if (game.CurrentTrackIndex < 0 || game.CurrentTrackIndex >= game.TrackListCount)
        return Invalid{"CurrentTrackIndex " + IntToText(game.CurrentTrackIndex) +
                       " is outside the track list of " + IntToText(game.TrackListCount) +
                       " entries"};
    const std::string trackName =
        in.TrimmedText(game.TrackListBase + 8 + kTrackListEntryBytes * game.CurrentTrackIndex,
                       kTrackNameLimit, {"track name", "track-list entry", game.CurrentTrackIndex});

    game.DriverRecordBase = game.TrackListBase + 8 + kTrackListEntryBytes * game.TrackListCount;
    game.SecondIndexBase = game.DriverRecordBase + kDriverRecordBytes * n;
    game.RaceSummaryBase = game.SecondIndexBase + 8 * static_cast<std::int64_t>(n);

    game.Drivers.resize(static_cast<std::size_t>(n));
    for (int k = 1; k <= n; ++k)
        game.Drivers[k - 1] = ReadDriverRecord(in, game.DriverRecordBase + kDriverRecordBytes * (k - 1), k);
    for (int k = 1; k <= n; ++k)
        game.Drivers[k - 1].SecondIndex =
            in.I8(game.SecondIndexBase + 4 * (k - 1), {"SecondIndex", "driver", k}) + 1;
    game.RaceFlag = in.I32(game.RaceSummaryBase + 8, "RaceFlag");
    if (!in.Valid())
        return Invalid{in.Reason()};

    // Drivers 1..6 have a name and a kind; drivers 7..11 keep both empty.
    float levelSum = 0.0f;
    for (int k = 1; k <= n; ++k) {
        DriverRecord& driver = game.Drivers[k - 1];
        driver.CarName = carNames[k];
        if (k > named)
            continue;
        driver.Named = true;
        driver.Name = names[k];
        if (driver.Human) {
            game.HumanDriverIndex = static_cast<std::uint8_t>(k);
        } else {
            levelSum += static_cast<float>(driver.AILevel);
            ++game.AIDriverCount;
        }
    }
    if (game.AIDriverCount != 0)
        game.AverageAILevel = levelSum / static_cast<float>(game.AIDriverCount);

    game.TrackFileName = trackName + ".trk";
    game.Replay = FindReplayBlock(file);
    return game;
}

}  // namespace vx
