// Text, number and path operations of the toolkit.
//
// Texts are 8-bit byte strings (std::string) exactly as they come from the
// files; nothing here depends on the user's locale: numbers are written and
// read with "." as the decimal point. None of these operations throws or
// loops forever on any input.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vx {

std::int64_t TextLength(std::string_view text);

// The first / last n characters; n below 0 counts as 0, and the whole text is
// returned when n exceeds its length.
std::string LeftText(std::string_view text, std::int64_t n);
std::string RightText(std::string_view text, std::int64_t n);

// Leading and trailing spaces (code 32) removed; tabs and the rest stay.
std::string TrimBlanks(std::string_view text);

// Field k (counted from 1; below 1 counts as 1) of the text split at the first
// character of the separator. A k past the last field gives the empty text; a
// trailing separator is followed by one empty field. An empty separator does
// not split: the whole text is field 1.
std::string FieldOf(std::string_view text, std::int64_t k, std::string_view separator);

// Every occurrence of find replaced, scanned left to right without overlap.
// Flag 1 ignores letter case (ASCII). An empty find replaces nothing.
std::string ReplaceText(std::string_view text, std::string_view find,
                        std::string_view replacement, int flags);

std::string IntToText(std::int64_t value);

// Leading blanks and tabs, one optional sign, then "$" hexadecimal, "%"
// binary or decimal digits up to the first character that does not fit.
// Accumulates in 64 bits with wrap-around; no digits give 0.
std::int64_t TextToInt(std::string_view text);

// Fixed-point text with exactly n decimals (n capped to 0..512) of the value
// widened to double, rounded as printf's "%.*f" rounds.
std::string RealToText(double value, int decimals);

// The number at the start of the text (as atof reads it, always with "."),
// narrowed to single precision; the empty text gives 0.
float TextToReal(std::string_view text);

// Truncation toward zero, saturated to the 64-bit range (NaN gives 0).
std::int64_t TruncateReal(double value);

// The bytes from position up to the first NUL, and with a limit at most that
// many bytes (a negative limit counts as 0); never reads outside the buffer (a
// position outside gives "").
std::string ReadTextAt(std::span<const std::uint8_t> buffer, std::int64_t position);
std::string ReadTextAt(std::span<const std::uint8_t> buffer, std::int64_t position,
                       std::int64_t limit);

// Everything after the last "/" or "\"; a leading double quote is skipped and
// the text ends at a closing one.
std::string FileNamePart(std::string_view path);
// Everything up to and including the last "/" or "\" ("" when there is none);
// a leading double quote is skipped.
std::string FolderPart(std::string_view path);

// Texts from the files are Windows-1252; this gives their UTF-8 form for
// display and for JSON.
std::string Cp1252ToUtf8(std::string_view text);

// File names come from the system, as a rule in UTF-8. These give a name in
// the program's texts (Windows-1252; characters it lacks become "?") and in
// UTF-8 for output. A name that is not UTF-8 is taken as Windows-1252 already.
std::string FileNameToCp1252(std::string_view name);
std::string FileNameToUtf8(std::string_view name);

// A name with its letters in one case, for telling names apart as a player
// reads them: the letters Windows-1252 has in two cases (A-Z, À-Þ but ×,
// Š Œ Ž Ÿ) in their small form, every other character as it is ("ÖLAND" and
// "öland" fold alike; "Σ" and "σ" do not). The name is UTF-8, or taken as
// Windows-1252 when it is not (as FileNameToUtf8 takes it); the result is
// UTF-8.
std::string FoldedLetterCase(std::string_view name);
bool SameIgnoringLetterCase(std::string_view a, std::string_view b);

// The end of text is end, in any letter case.
bool EndsWithIgnoringCase(const std::string& text, const std::string& end);
// A path whose name ends in ".gam", in any letter case, with something before.
bool IsSavedGameName(const std::string& path);
// A path whose name ends in ".vxlap", in any letter case, with something
// before: a lap file, as the desktop's file type knows it.
bool IsLapFileName(const std::string& path);

}  // namespace vx
