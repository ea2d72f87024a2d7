#include "app/commands/Output.h"

#include <cmath>
#include <iostream>

#include "app/commands/Help.h"
#include "history/HistoryMessages.h"
#include "toolkit/FileSystem.h"
#include "toolkit/Format.h"

namespace vx {

// --- JSON ---------------------------------------------------------------------------

Json JsonNumber(const std::optional<double>& value, int decimals)
{
    if (!value || !std::isfinite(*value))
        return nullptr;
    return RoundedValue(*value, decimals);
}

Json JsonSeconds(const std::optional<double>& value)
{
    return JsonNumber(value, 3);
}

std::string JsonText(const Json& value, JsonLayout layout)
{
    const int indent = layout == JsonLayout::Indented ? 2 : -1;
    return value.dump(indent, ' ', false, Json::error_handler_t::replace) + "\n";
}

// --- CSV ----------------------------------------------------------------------------

std::string CsvRow(const std::vector<std::string>& fields)
{
    std::string row;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i != 0)
            row += ',';
        const std::string& field = fields[i];
        if (field.find_first_of(",\"\r\n") == std::string::npos) {
            row += field;
            continue;
        }
        row += '"';
        for (const char c : field) {
            if (c == '"')
                row += '"';
            row += c;
        }
        row += '"';
    }
    return row + "\r\n";
}

std::string CsvNumber(const std::optional<double>& value, int decimals)
{
    return value ? FixedText(*value, decimals) : std::string();
}

// --- Text tables --------------------------------------------------------------------

std::size_t Characters(const std::string& utf8)
{
    // Every byte but those that continue a character.
    std::size_t count = 0;
    for (const char c : utf8)
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return count;
}

std::string PadRight(const std::string& text, std::size_t width)
{
    const std::size_t length = Characters(text);
    return length >= width ? text : text + std::string(width - length, ' ');
}

std::string PadLeft(const std::string& text, std::size_t width)
{
    const std::size_t length = Characters(text);
    return length >= width ? text : std::string(width - length, ' ') + text;
}

// --- Messages -----------------------------------------------------------------------

void Say(const std::string& message)
{
    std::cerr << "vxanalyser: " << message << "\n";
}

ExitStatus WrongUsage(const std::string& message)
{
    std::cerr << "vxanalyser: " << message << "\n" << UsageText();
    return ExitStatus::WrongUsage;
}

ExitStatus Refused(const std::string& message)
{
    Say(message);
    return ExitStatus::InputRefused;
}

ExitStatus HistoryUnavailable(const std::string& reason)
{
    return Refused("History unavailable: " + reason);
}

std::string HistoryPathOf(const std::string& named)
{
    return named.empty() ? DefaultHistoryPath() : SystemFiles().AbsolutePath(named);
}

HistoryOpening OpenHistorySaid(const std::string& path)
{
    HistoryOpening opening = OpenHistory(path);
    if (const std::string setAside = SetAsideMessage(opening); !setAside.empty())
        Say(setAside);
    return opening;
}

}  // namespace vx
