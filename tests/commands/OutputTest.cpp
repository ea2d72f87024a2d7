// The commands' writers: JSON numbers as the texts give them and null where
// there is none, CSV records, and columns counted in characters.
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "app/commands/Output.h"

namespace vx {
namespace {

TEST(JsonNumber, IsTheValueTheTextShowsAndNullWhereThereIsNone)
{
    const Json values = {JsonNumber(43.6019999, 3), JsonNumber(120.0, 2), JsonNumber(-0.0004, 3),
                         JsonNumber(std::nullopt, 3), JsonNumber(std::nan(""), 3),
                         JsonNumber(std::numeric_limits<double>::infinity(), 1), JsonNumber(4.12345, 4)};
    EXPECT_EQ(JsonText(values, JsonLayout::OneLine), "[43.602,120.0,0.0,null,null,null,4.1235]\n");
}

TEST(JsonText, WritesBytesThatAreNotUtf8AsReplacementCharacters)
{
    const Json text = std::string("Caf\xE9");  // a name not decoded, which nothing should put in
    EXPECT_EQ(JsonText(text, JsonLayout::OneLine), "\"Caf\xEF\xBF\xBD\"\n");
    EXPECT_EQ(JsonText(Json{{"a", 1}}), "{\n  \"a\": 1\n}\n");
}

TEST(CsvRow, QuotesOnlyTheFieldsThatNeedItAndEndsInCrLf)
{
    EXPECT_EQ(CsvRow({"plain", "a,b", "say \"hi\"", "two\nlines", "cr\r", ""}),
              "plain,\"a,b\",\"say \"\"hi\"\"\",\"two\nlines\",\"cr\r\",\r\n");
    EXPECT_EQ(CsvRow({}), "\r\n");
    EXPECT_EQ(CsvNumber(std::nullopt, 1), "");
    EXPECT_EQ(CsvNumber(-0.0004, 3), "0.000");
}

TEST(Pad, CountsCharactersNotBytes)
{
    EXPECT_EQ(PadRight("V\xC3\xA9lo Sport", 12), "V\xC3\xA9lo Sport  ");
    EXPECT_EQ(PadLeft("\xE6\x97\xA5\xE6\x9C\xAC", 4), "  \xE6\x97\xA5\xE6\x9C\xAC");
    EXPECT_EQ(PadRight("longer than it", 4), "longer than it");
    EXPECT_EQ(Characters("Zo\xC3\xAB Kr\xC3\xA4mer"), 10u);
}

}  // namespace
}  // namespace vx
