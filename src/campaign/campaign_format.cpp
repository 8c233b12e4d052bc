// SPDX-License-Identifier: GPL-3.0-or-later
#include "campaign/campaign_format.h"

#include <algorithm>
#include <array>
#include <utility>

namespace orvek {

namespace {

// Searched in this order; on a line holding several headers the last one found wins.
constexpr std::pair<std::string_view, int> kHeaders[] = {
    {"[config]", kConfig},       {"[terrain]", kTerrain},       {"[variables]", kVariables},
    {"[hopcounts]", kHopcounts}, {"[facilities]", kFacilities},
};

constexpr std::array<std::string_view, kConfigRuleCount> kConfigKeys = {
    "",     "MapPosition.X", "MapPosition.Y", "EncounterID", "mapiconsize",
    "name", "guiname",       "wormholes"};

constexpr std::array<std::string_view, kMapKeyCount> kMapKeys = {
    "Homeworld", "MapSizeX", "MapSizeY", "MapTexture", "Name", "GUIName", "Planets"};

bool contains(std::string_view line, std::string_view text)
{
    return line.find(text) != std::string_view::npos;
}

bool all_digits(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

int encounter_section(std::string_view line)
{
    int current = -1;
    for (const auto& [header, slot] : kHeaders)
        if (contains(line, header))
            current = slot;
    return current;
}

ConfigRule config_rule(std::string_view line)
{
    // Tested in the writer's order, each against the line as it stands; the last match decides.
    ConfigRule rule = ConfigRule::None;
    if (contains(line, "MapPosition.X"))
        rule = ConfigRule::PositionX;
    if (contains(line, "MapPosition.Y"))
        rule = ConfigRule::PositionY;
    if (contains(line, "EncounterID"))
        rule = ConfigRule::EncounterId;
    if (contains(line, "mapiconsize"))
        rule = ConfigRule::IconSize;
    if (line.rfind("name = ", 0) == 0)
        rule = ConfigRule::Name;
    if (contains(line, "guiname"))
        rule = ConfigRule::GuiName;
    if (contains(line, "wormholes"))
        rule = ConfigRule::Wormholes;
    return rule;
}

std::string_view config_key(ConfigRule rule)
{
    return kConfigKeys[static_cast<std::size_t>(rule)];
}

std::string config_prefix(ConfigRule rule)
{
    return std::string(config_key(rule)) + " = ";
}

bool is_comment(std::string_view line)
{
    const std::string_view text = trimmed(line);
    return text.rfind("//", 0) == 0 || text.rfind(';', 0) == 0 || text.rfind('#', 0) == 0;
}

MapKey map_key(std::string_view line)
{
    if (!contains(line, "="))
        return MapKey::None;
    const auto at = std::find(kMapKeys.begin(), kMapKeys.end(), line_key(line));
    return at == kMapKeys.end() ? MapKey::None : static_cast<MapKey>(at - kMapKeys.begin());
}

std::string_view map_key_name(MapKey key)
{
    return key == MapKey::None ? std::string_view() : kMapKeys[static_cast<std::size_t>(key)];
}

int map_key_line(MapKey key)
{
    return 2 + static_cast<int>(key);
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

std::string_view line_key(std::string_view line)
{
    return trimmed(line.substr(0, line.find('=')));
}

std::string_view value_of(std::string_view line)
{
    const std::size_t equals = line.find('=');
    return equals == std::string_view::npos ? std::string_view() : trimmed(line.substr(equals + 1));
}

std::optional<long long> whole_number(std::string_view text)
{
    const bool negative = !text.empty() && text.front() == '-';
    if (negative)
        text.remove_prefix(1);
    if (text.empty() || text.size() > 18 || !all_digits(text))
        return std::nullopt;
    long long value = 0;
    for (char c : text)
        value = value * 10 + (c - '0');
    return negative ? -value : value;
}

std::optional<int> map_position(std::string_view text)
{
    // Exactly as the Save writes it: "0." and four digits, or "1.0000". No sign (a "-0.4040" is
    // no position), no blanks, no other count of digits.
    if (text == "1.0000")
        return 1000;
    if (text.size() != 6 || text.substr(0, 2) != "0." || !all_digits(text.substr(2)))
        return std::nullopt;
    // The fourth digit is below a map unit: "0.0875" is unit 87, as the Save's own figures go.
    return (text[2] - '0') * 100 + (text[3] - '0') * 10 + (text[4] - '0');
}

std::optional<std::vector<std::int32_t>> link_list(std::string_view value, std::string& bad)
{
    std::vector<std::int32_t> links;
    std::size_t start = 0;
    while (start < value.size()) {
        const std::size_t comma = std::min(value.find(',', start), value.size());
        const std::string_view item = value.substr(start, comma - start);
        const auto link = whole_number(trimmed(item));
        if (!link || *link < -1'000'000 || *link > 1'000'000) {
            bad = std::string(item.substr(0, 40));
            return std::nullopt;
        }
        links.push_back(static_cast<std::int32_t>(*link));
        start = comma + 1;
    }
    return links;
}

}  // namespace orvek
