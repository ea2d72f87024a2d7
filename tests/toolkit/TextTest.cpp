#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <string>
#include <vector>

#include "toolkit/Text.h"

namespace vx {
namespace {

TEST(FieldOf, CountsFieldsFromOneAndSplitsAtEverySeparator)
{
    EXPECT_EQ(FieldOf("a b ", 1, " "), "a");
    EXPECT_EQ(FieldOf("a b ", 2, " "), "b");
    EXPECT_EQ(FieldOf("a b ", 3, " "), "");  // the one empty field after a trailing separator
    EXPECT_EQ(FieldOf("a b ", 9, " "), "");
    EXPECT_EQ(FieldOf("a,,c", 2, ","), "");
    EXPECT_EQ(FieldOf("a,,c", 3, ","), "c");
}

TEST(FieldOf, TreatsAFieldNumberBelowOneAsOne)
{
    EXPECT_EQ(FieldOf("x", 0, ","), "x");
    EXPECT_EQ(FieldOf("x,y", -5, ","), "x");
}

TEST(FieldOf, UsesOnlyTheFirstCharacterOfTheSeparator)
{
    EXPECT_EQ(FieldOf("a;b,c", 2, ",;"), "c");
}

TEST(FieldOf, AnEmptySeparatorDoesNotSplit)
{
    EXPECT_EQ(FieldOf("a b", 1, ""), "a b");
    EXPECT_EQ(FieldOf("a b", 2, ""), "");
}

TEST(TextToInt, ReadsSignBaseAndDigitsUpToTheFirstMisfit)
{
    EXPECT_EQ(TextToInt("  -12abc"), -12);
    EXPECT_EQ(TextToInt("\t+7"), 7);
    EXPECT_EQ(TextToInt("$1F"), 31);
    EXPECT_EQ(TextToInt("$1f"), 31);
    EXPECT_EQ(TextToInt("%101"), 5);
    EXPECT_EQ(TextToInt("%102"), 2);  // "2" is no binary digit
    EXPECT_EQ(TextToInt("-$10"), -16);
    EXPECT_EQ(TextToInt("abc"), 0);
    EXPECT_EQ(TextToInt(""), 0);
    EXPECT_EQ(TextToInt("-"), 0);
    EXPECT_EQ(TextToInt("1 2"), 1);
}

TEST(TextToInt, WrapsAroundInSixtyFourBits)
{
    EXPECT_EQ(TextToInt("9223372036854775807"), INT64_MAX);
    EXPECT_EQ(TextToInt("9223372036854775808"), INT64_MIN);
    EXPECT_EQ(TextToInt("18446744073709551617"), 1);
    EXPECT_EQ(TextToInt("$FFFFFFFFFFFFFFFF"), -1);
    // A long run of digits neither crashes nor takes long.
    EXPECT_NO_THROW(TextToInt(std::string(100000, '9')));
}

TEST(TrimBlanks, RemovesSpacesOnlyAtBothEnds)
{
    EXPECT_EQ(TrimBlanks("  Oval  "), "Oval");
    EXPECT_EQ(TrimBlanks("\tOval "), "\tOval");
    EXPECT_EQ(TrimBlanks("a b"), "a b");
    EXPECT_EQ(TrimBlanks("    "), "");
    EXPECT_EQ(TrimBlanks(""), "");
}

TEST(LeftAndRightText, KeepWithinTheText)
{
    EXPECT_EQ(LeftText("1234", 2), "12");
    EXPECT_EQ(RightText("1234", 2), "34");
    EXPECT_EQ(LeftText("7", 5), "7");
    EXPECT_EQ(RightText("7", 5), "7");
    EXPECT_EQ(LeftText("1234", -1), "");
    EXPECT_EQ(RightText("1234", -3), "");
    EXPECT_EQ(RightText("", 2), "");
}

TEST(PathParts, SplitAtTheLastSeparatorOfEitherKind)
{
    EXPECT_EQ(FileNamePart("C:\\a\\b.gam"), "b.gam");
    EXPECT_EQ(FolderPart("C:\\a\\b.gam"), "C:\\a\\");
    EXPECT_EQ(FileNamePart("/race/Saves/cup.gam"), "cup.gam");
    EXPECT_EQ(FolderPart("/race/Saves/cup.gam"), "/race/Saves/");
    EXPECT_EQ(FolderPart("/race\\Saves/x"), "/race\\Saves/");
    EXPECT_EQ(FolderPart("b.gam"), "");
    EXPECT_EQ(FileNamePart("b.gam"), "b.gam");
    EXPECT_EQ(FileNamePart("/race/"), "");
}

TEST(PathParts, SkipALeadingQuoteAndEndTheNameAtTheClosingOne)
{
    EXPECT_EQ(FileNamePart("\"C:\\a\\b.gam\""), "b.gam");
    EXPECT_EQ(FolderPart("\"C:\\a\\b.gam\""), "C:\\a\\");
}

TEST(ReplaceText, ReplacesEveryOccurrenceIgnoringCaseWithFlagOne)
{
    EXPECT_EQ(ReplaceText("/race/saves/", "Saves", "Tracks", 1), "/race/Tracks/");
    EXPECT_EQ(ReplaceText("c:\\race\\SAVES\\", "Saves", "Tracks", 1), "c:\\race\\Tracks\\");
    EXPECT_EQ(ReplaceText("/Saves/old/SaVeS/", "Saves", "Tracks", 1), "/Tracks/old/Tracks/");
    EXPECT_EQ(ReplaceText("/Saves/saves/", "Saves", "Tracks", 0), "/Tracks/saves/");
}

TEST(ReplaceText, ScansLeftToRightWithoutOverlap)
{
    EXPECT_EQ(ReplaceText("aaaa", "aa", "b", 0), "bb");
    EXPECT_EQ(ReplaceText("aaa", "aa", "a", 0), "aa");
    EXPECT_EQ(ReplaceText("abc", "abc", "abcabc", 0), "abcabc");  // no re-scan of the output
}

TEST(ReplaceText, AnEmptyFindChangesNothing)
{
    EXPECT_EQ(ReplaceText("abc", "", "x", 1), "abc");
}

TEST(IntToText, WritesPlainDecimal)
{
    EXPECT_EQ(IntToText(0), "0");
    EXPECT_EQ(IntToText(-42), "-42");
    EXPECT_EQ(IntToText(INT64_MIN), "-9223372036854775808");
}

TEST(RealToText, RoundsAsFixedPointFormattingDoes)
{
    EXPECT_EQ(RealToText(61.7f, 2), "61.70");
    EXPECT_EQ(RealToText(2.675, 2), "2.67");  // 2.675 is 2.67499999... in binary
    EXPECT_EQ(RealToText(0.125, 2), "0.12");  // exact half: to even
    EXPECT_EQ(RealToText(0.375, 2), "0.38");
    EXPECT_EQ(RealToText(-1.5, 0), "-2");
    EXPECT_EQ(RealToText(3.5f, 2), "3.50");
    EXPECT_EQ(RealToText(1234.0f / 20.0f, 2), "61.70");
    EXPECT_EQ(RealToText(1e20, 1), "100000000000000000000.0");
}

TEST(RealToText, CapsTheDecimalsAndSurvivesHugeValues)
{
    EXPECT_EQ(RealToText(1.0, 1000).size(), 514u);  // "1." + 512 decimals
    EXPECT_EQ(RealToText(1.0, -3), "1");
    EXPECT_EQ(RealToText(1.7976931348623157e308, 2).size(), 312u);
}

TEST(TextToReal, ReadsTheLeadingNumberInSinglePrecision)
{
    EXPECT_FLOAT_EQ(TextToReal("61.70 "), 61.70f);
    EXPECT_FLOAT_EQ(TextToReal("  -2.5x"), -2.5f);
    EXPECT_EQ(TextToReal(""), 0.0f);
    EXPECT_EQ(TextToReal("abc"), 0.0f);
    EXPECT_EQ(TextToReal("58.35"), 58.35f);
}

// Numbers keep "." as their decimal point under a user locale that writes
// "," (when such a locale is installed on the machine).
TEST(NumberTexts, IgnoreADecimalCommaLocale)
{
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr)
        GTEST_SKIP() << "de_DE.UTF-8 is not installed";
    EXPECT_EQ(RealToText(61.7f, 2), "61.70");
    EXPECT_FLOAT_EQ(TextToReal("61.70"), 61.70f);
    EXPECT_FLOAT_EQ(TextToReal("3,5"), 3.0f);  // a comma ends the number
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(TruncateReal, TruncatesTowardZero)
{
    EXPECT_EQ(TruncateReal(10.9), 10);
    EXPECT_EQ(TruncateReal(-0.5), 0);
    EXPECT_EQ(TruncateReal(-10.9), -10);
    EXPECT_EQ(TruncateReal(1e300), INT64_MAX);
    EXPECT_EQ(TruncateReal(0.0 / 0.0), 0);
}

TEST(ReadTextAt, StopsAtNulLimitOrTheEndOfTheBuffer)
{
    const std::vector<std::uint8_t> bytes = {'O', 'v', 'a', 'l', 0, 'x', 'y'};
    EXPECT_EQ(ReadTextAt(bytes, 0), "Oval");
    EXPECT_EQ(ReadTextAt(bytes, 0, 2), "Ov");
    EXPECT_EQ(ReadTextAt(bytes, 5), "xy");  // the buffer ends before any NUL
    EXPECT_EQ(ReadTextAt(bytes, 5, 100), "xy");
    EXPECT_EQ(ReadTextAt(bytes, 7), "");
    EXPECT_EQ(ReadTextAt(bytes, -1), "");
    EXPECT_EQ(ReadTextAt(bytes, 0, -4), "");
    EXPECT_EQ(ReadTextAt(bytes, 1, INT64_MAX), "val");
}

TEST(Cp1252ToUtf8, MapsTheWindowsLettersAndLeavesAsciiAlone)
{
    EXPECT_EQ(Cp1252ToUtf8("Anna"), "Anna");
    EXPECT_EQ(Cp1252ToUtf8("\xE9"), "\xC3\xA9");        // é
    EXPECT_EQ(Cp1252ToUtf8("\x80"), "\xE2\x82\xAC");    // €
    EXPECT_EQ(Cp1252ToUtf8("\x81"), "\xEF\xBF\xBD");    // undefined
}

TEST(FileNames, UtfEightNamesBecomeTheProgramsTextsAndOthersStayAsTheyAre)
{
    EXPECT_EQ(FileNameToCp1252("caf\xC3\xA9 \xE2\x82\xAC.gam"), "caf\xE9 \x80.gam");
    EXPECT_EQ(FileNameToCp1252("\xE6\x97\xA5.gam"), "?.gam");         // not in Windows-1252
    EXPECT_EQ(FileNameToCp1252("\xF0\x9F\x8F\x81.gam"), "?.gam");     // four bytes
    EXPECT_EQ(FileNameToCp1252("caf\xE9.gam"), "caf\xE9.gam");          // Latin-1 on disk
    EXPECT_EQ(FileNameToCp1252("\xC3"), "\xC3");                        // cut short
    EXPECT_EQ(FileNameToCp1252("\xC0\xAF"), "\xC0\xAF");              // overlong
    EXPECT_EQ(FileNameToCp1252("\xED\xA0\x80"), "\xED\xA0\x80");    // a surrogate
    EXPECT_EQ(FileNameToUtf8("caf\xC3\xA9.gam"), "caf\xC3\xA9.gam");
    EXPECT_EQ(FileNameToUtf8("caf\xE9.gam"), "caf\xC3\xA9.gam");
}

TEST(LetterCase, FoldsTheLettersWindows1252HasInTwoCasesAndNothingElse)
{
    // The two-case letters of Windows-1252, in UTF-8: Ö Ä É Þ, Š Œ Ž Ÿ.
    EXPECT_TRUE(SameIgnoringLetterCase("\xC3\x96LAND", "\xC3\xB6land"));
    EXPECT_TRUE(SameIgnoringLetterCase("\xC3\x84\xC3\x89\xC3\x9E", "\xC3\xA4\xC3\xA9\xC3\xBE"));
    EXPECT_TRUE(SameIgnoringLetterCase("\xC5\xA0\xC5\x92\xC5\xBD\xC5\xB8", "\xC5\xA1\xC5\x93\xC5\xBE\xC3\xBF"));
    EXPECT_TRUE(SameIgnoringLetterCase("Kestrelvale.TRK", "kestrelvale.trk"));
    // A name in Windows-1252 bytes (not UTF-8) folds as the same letters.
    EXPECT_TRUE(SameIgnoringLetterCase("\xD6land", "\xC3\xB6LAND"));
    // No other character changes: × and ÷, ß, Σ/σ, and names outside
    // Windows-1252 stay apart however they are written.
    EXPECT_FALSE(SameIgnoringLetterCase("\xC3\x97", "\xC3\xB7"));
    EXPECT_FALSE(SameIgnoringLetterCase("\xCE\xA3", "\xCF\x83"));
    EXPECT_FALSE(SameIgnoringLetterCase("\xE6\x9D\xB1\xE4\xBA\xAC.trk", "\xE5\xA4\xA7\xE9\x98\xAA.trk"));
    EXPECT_FALSE(SameIgnoringLetterCase("Oval", "Ovals"));
    EXPECT_EQ(FoldedLetterCase("\xC3\x9F\xF0\x9F\x8F\x81"), "\xC3\x9F\xF0\x9F\x8F\x81");
}

}  // namespace
}  // namespace vx
