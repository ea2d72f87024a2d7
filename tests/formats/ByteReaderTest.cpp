#include "formats/ByteReader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace vx {
namespace {

using ::testing::HasSubstr;

std::vector<std::uint8_t> BytesOf(std::string text)
{
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

TEST(ByteReaderNumbers, AreLittleEndianAtAnyOffsetAndSignedOnlyWhereAsked)
{
    const std::vector<std::uint8_t> bytes = {0x00, 0x34, 0x12, 0xFF, 0xFF, 0x80};
    ByteReader in(bytes);
    EXPECT_EQ(in.U16(1, "a"), 0x1234);
    EXPECT_EQ(in.U16(3, "b"), 65535);
    EXPECT_EQ(in.I16(3, "c"), -1);
    EXPECT_EQ(in.U8(5, "d"), 128);
    EXPECT_EQ(in.I8(5, "e"), -128);
    EXPECT_EQ(in.I32(1, "f"), static_cast<std::int32_t>(0xFFFF1234u));
    EXPECT_EQ(in.I32(2, "g"), static_cast<std::int32_t>(0x80FFFF12u));
    EXPECT_TRUE(in.Valid());
}

TEST(ByteReaderBounds, AFieldEndingAtTheLastByteIsReadAndOneByteFurtherIsRefused)
{
    const std::vector<std::uint8_t> bytes(10, 7);
    ByteReader in(bytes);
    EXPECT_EQ(in.I32(6, "Inside"), 0x07070707);
    EXPECT_TRUE(in.Valid());
    EXPECT_EQ(in.I32(7, {"RaceFlag", "the race's summary"}), 0);
    EXPECT_FALSE(in.Valid());
    EXPECT_EQ(in.Reason(), "the file ends inside the race's summary (RaceFlag at offset 7, in a file of 10 bytes)");
}

TEST(ByteReaderBounds, NegativeAndHugeOffsetsAreRefusedWithoutReading)
{
    const std::vector<std::uint8_t> bytes(4, 1);
    ByteReader before(bytes);
    EXPECT_EQ(before.I16(-1, {"TrackLength", "line #'s length", "line", 2}), 0);
    EXPECT_EQ(before.Reason(),
              "line 2's length would lie before the start of the file (TrackLength of line 2 at offset -1)");

    // An offset near the top of the 64-bit range must not wrap into the file.
    ByteReader huge(bytes);
    EXPECT_EQ(huge.U16(std::numeric_limits<std::int64_t>::max() - 1, "Far"), 0);
    EXPECT_THAT(huge.Reason(),
                HasSubstr("the file ends before Far (Far at offset 9223372036854775806, in a file of 4 bytes)"));
    ByteReader lowest(bytes);
    EXPECT_EQ(lowest.U8(std::numeric_limits<std::int64_t>::min(), "Low"), 0);
    EXPECT_FALSE(lowest.Valid());
}

TEST(ByteReaderBounds, EmptyFileRefusesEveryRead)
{
    ByteReader in(std::span<const std::uint8_t>{});
    EXPECT_EQ(in.U8(0, {"First", "the first field"}), 0);
    EXPECT_EQ(in.Reason(), "the file ends before the first field (First at offset 0, in a file of 0 bytes)");
}

TEST(ByteReaderBounds, KeepsTheFirstReasonAndReadsNothingAfterIt)
{
    const std::vector<std::uint8_t> bytes = BytesOf("AB\0CD");
    ByteReader in(bytes);
    in.I32(3, "First");
    EXPECT_EQ(in.U8(0, "Second"), 0);  // inside the file, yet not read any more
    EXPECT_EQ(in.Text(0, "Third"), "");
    in.Invalidate("a count is out of range");
    EXPECT_THAT(in.Reason(), HasSubstr("First at offset 3"));
}

TEST(ByteReaderBounds, RequireAcceptsARangeEndingAtTheEndAndRefusesOneMore)
{
    const std::vector<std::uint8_t> bytes(100, 0);
    ByteReader in(bytes);
    EXPECT_TRUE(in.Require(60, 40, "HeightGrid"));
    EXPECT_TRUE(in.Require(100, 0, "empty table"));
    EXPECT_FALSE(in.Require(61, 40, {"object table", "the track's objects"}));
    EXPECT_EQ(in.Reason(),
              "the file ends inside the track's objects (object table at offset 61, 40 bytes, in a file of 100 bytes)");

    ByteReader wrap(bytes);
    EXPECT_FALSE(wrap.Require(10, std::numeric_limits<std::int64_t>::max(), "zone table"));
    ByteReader negative(bytes);
    EXPECT_FALSE(negative.Require(10, -6, "zone table"));
}

TEST(ByteReaderText, LimitedTextStopsAtTheFirstNulOrAfterTheLimit)
{
    const std::vector<std::uint8_t> bytes = BytesOf(std::string("AB\0CDEFG", 8));
    ByteReader in(bytes);
    EXPECT_EQ(in.Text(0, 5, "a"), "AB");
    EXPECT_EQ(in.Text(3, 3, "b"), "CDE");
    EXPECT_EQ(in.Text(3, 5, "c"), "CDEFG");  // the limit is met by the last byte
    EXPECT_EQ(in.Text(0, 0, "d"), "");
    EXPECT_TRUE(in.Valid());
}

TEST(ByteReaderText, LimitedTextReachingTheEndFirstIsAnOverrun)
{
    const std::vector<std::uint8_t> bytes = BytesOf("ABCDE");
    ByteReader in(bytes);
    EXPECT_EQ(in.Text(3, 5, "BestTimeName1"), "");
    EXPECT_EQ(in.Reason(),
              "the file ends inside BestTimeName1 (BestTimeName1 at offset 3 has no NUL, in a file of 5 bytes)");
}

TEST(ByteReaderText, UnlimitedTextNeedsItsNulInsideTheFile)
{
    const std::vector<std::uint8_t> ended = BytesOf(std::string("ABCDEFGHIJKLMNOP\0", 17));
    ByteReader in(ended);
    EXPECT_EQ(in.Text(2, "name"), "CDEFGHIJKLMNOP");
    EXPECT_EQ(in.Text(16, "empty"), "");
    EXPECT_TRUE(in.Valid());

    const std::vector<std::uint8_t> open = BytesOf("ABC");
    ByteReader cut(open);
    EXPECT_EQ(cut.Text(0, {"CarName", "driver #'s car name", "driver", 1}), "");
    EXPECT_EQ(cut.Reason(),
              "the file ends inside driver 1's car name (CarName of driver 1 at offset 0 has no NUL, in a file "
              "of 3 bytes)");
}

TEST(ByteReaderText, TrimmingRemovesSpacesOnly)
{
    const std::vector<std::uint8_t> bytes = BytesOf(std::string("  \tOval x  \0", 12));
    ByteReader in(bytes);
    EXPECT_EQ(in.TrimmedText(0, "a"), "\tOval x");
    EXPECT_EQ(in.TrimmedText(0, 8, "b"), "\tOval");
}

}  // namespace
}  // namespace vx
