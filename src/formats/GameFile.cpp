#include "formats/GameFile.h"

#include "formats/ByteReader.h"
#include "toolkit/Text.h"

#include <algorithm>

namespace vx {

namespace {

// The fields of one driver record that go into the driver's row, in the
// record's own order.
struct DriverRecord {
    std::int8_t Position = 0;       // +0, 0-based
    std::int8_t Byte12 = 0;         // +12
    std::int32_t RaceTime = 0;      // +16
    std::int32_t Long20 = 0;        // +20
    std::uint8_t HumanFlag = 0;     // +24
    std::uint8_t AILevel = 0;       // +28
    std::int8_t LapsDriven = 0;     // +164
    std::int16_t Word168 = 0;       // +168, signed
    std::uint16_t Word170 = 0;      // +170, unsigned
    std::uint16_t Word172 = 0;
    std::uint16_t Word174 = 0;
};

DriverRecord ReadDriverRecord(ByteReader& in, std::int64_t base, int k)
{
    DriverRecord r;
    r.Position = in.I8(base + 0, {"Position", "driver", k});
    r.Byte12 = in.I8(base + 12, {"record byte 12", "driver", k});
    r.RaceTime = in.I32(base + 16, {"RaceTime", "driver", k});
    r.Long20 = in.I32(base + 20, {"record long 20", "driver", k});
    r.HumanFlag = in.U8(base + 24, {"HumanFlag", "driver", k});
    r.AILevel = in.U8(base + 28, {"AILevel", "driver", k});
    r.LapsDriven = in.I8(base + 164, {"LapsDriven", "driver", k});
    r.Word168 = in.I16(base + 168, {"record word 168", "driver", k});
    r.Word170 = in.U16(base + 170, {"record word 170", "driver", k});
    r.Word172 = in.U16(base + 172, {"record word 172", "driver", k});
    r.Word174 = in.U16(base + 174, {"record word 174", "driver", k});
    return r;
}

}  // namespace

std::string DriverRow::Text() const
{
    if (std::all_of(Fields.begin(), Fields.end(), [](const std::string& f) { return f.empty(); }))
        return {};
    std::string text = Fields[0];
    for (std::size_t i = 1; i < Fields.size(); ++i)
        text += "," + Fields[i];
    return text;
}

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
    game.DriverCount = in.I8(78, "DriverCount");
    if (!in.Valid())
        return Invalid{in.Reason()};
    if (game.DriverCount < 0 || game.DriverCount > kMaxDrivers)
        return Invalid{"DriverCount " + IntToText(game.DriverCount) + " is outside 0..11"};

    const int n = game.DriverCount;
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

    std::array<DriverRecord, kMaxDrivers + 1> records;
    for (int k = 1; k <= n; ++k)
        records[k] = ReadDriverRecord(in, game.DriverRecordBase + kDriverRecordBytes * (k - 1), k);
    std::array<std::int8_t, kMaxDrivers + 1> secondIndex{};
    for (int k = 1; k <= n; ++k)
        secondIndex[k] = in.I8(game.SecondIndexBase + 4 * (k - 1), {"SecondIndex", "driver", k});
    game.RaceFlag = in.I32(game.RaceSummaryBase + 8, "RaceFlag");
    if (!in.Valid())
        return Invalid{in.Reason()};

    // Rows: name and kind for drivers 1..6; drivers 7..11 keep both empty so
    // that their other fields stay in their own columns.
    float levelSum = 0.0f;
    for (int k = 1; k <= named; ++k) {
        DriverRow& row = game.DriverRows[k];
        row.Fields[kNameField] = names[k];
        if (records[k].HumanFlag != 0) {
            row.Fields[kKindField] = "human";
            game.HumanDriverIndex = static_cast<std::uint8_t>(k);
        } else {
            row.Fields[kKindField] = "AI " + IntToText(records[k].AILevel);
            levelSum += static_cast<float>(records[k].AILevel);
            ++game.AIDriverCount;
        }
    }
    if (game.AIDriverCount != 0)
        game.AverageAILevel = levelSum / static_cast<float>(game.AIDriverCount);

    for (int k = 1; k <= n; ++k) {
        const DriverRecord& r = records[k];
        auto& f = game.DriverRows[k].Fields;
        f[kCarField] = carNames[k];
        f[kPositionField] = IntToText(r.Position + 1);
        f[kLapsField] = IntToText(r.LapsDriven);
        f[kRaceTimeField] = IntToText(r.RaceTime);
        f[kRecord20Field] = IntToText(r.Long20);
        f[kRecord168Field] = IntToText(r.Word168);
        f[kRecord170Field] = IntToText(r.Word170);
        f[kRecord172Field] = IntToText(r.Word172);
        f[kRecord174Field] = IntToText(r.Word174);
        f[kRecord12Field] = IntToText(r.Byte12);
        f[kAILevelField] = IntToText(r.AILevel);
        f[kSecondIndexField] = IntToText(secondIndex[k] + 1);
    }

    game.TrackFileName = trackName + ".trk";
    return game;
}

}  // namespace vx
