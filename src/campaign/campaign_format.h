// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which line of a campaign file is which key: the one rule that the encounter writer, the reader,
// the rewrite of an opened campaign and the check all follow, so that a file reads back as written.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvek {

// A map file, an encounter file and the template it is written from are a few kilobytes; a
// damaged or hostile one is refused past this size, by the reader and by the Save alike.
inline constexpr std::size_t kCampaignFileLimit = std::size_t{1} << 20;

// ---- Encounter files ----

// The sections of an encounter file, in the order the writer puts them.
enum EncounterSection {
    kConfig = 0,
    kVariables = 1,
    kTerrain = 2,
    kFacilities = 3,
    kHopcounts = 4
};

// The section a line opens: the last of config, terrain, variables, hopcounts, facilities whose
// header it holds anywhere in the line; -1 for none.
int encounter_section(std::string_view line);

// The section the lines of a written encounter file belong to before its first header. The
// writer puts the config block first, and a config header line that also holds a key is
// rewritten as that key, so whatever stands before the first header of a written file is config.
inline constexpr int kFirstWrittenSection = kConfig;

// The rule that rewrites a config line: the last one whose key the line holds (the name rule only
// when the line begins with "name = "), or None. A line is the key its rule writes, for the
// writer and the reader alike.
enum class ConfigRule {
    None,
    PositionX,
    PositionY,
    EncounterId,
    IconSize,
    Name,
    GuiName,
    Wormholes
};
inline constexpr int kConfigRuleCount = 8;
ConfigRule config_rule(std::string_view line);

// The key a rule writes ("MapPosition.X", "wormholes", ...); empty for None.
std::string_view config_key(ConfigRule rule);

// What a config line written by `rule` begins with: the key and " = ".
std::string config_prefix(ConfigRule rule);

// Whether a line is a comment ("//", ";" or "#" first, after blanks), which is never a feature.
bool is_comment(std::string_view line);

// ---- The map file ----

// The keys of the map file's [config] section, in the order the Save writes them from line 2.
enum class MapKey { Homeworld, MapSizeX, MapSizeY, MapTexture, Name, GUIName, Planets, None };
inline constexpr int kMapKeyCount = 7;

// The key a map file line sets (its text before the first "=", blanks taken off), or None.
MapKey map_key(std::string_view line);
std::string_view map_key_name(MapKey key);

// The lines the Save writes before the entries: "[config]", the seven keys, an empty line and
// "[encounters]". The line of a key is 2 + its place in MapKey.
inline constexpr std::string_view kMapConfigHeader = "[config]";
inline constexpr std::string_view kMapEntriesHeader = "[encounters]";
inline constexpr int kMapHeadLines = 10;
int map_key_line(MapKey key);

// ---- Values ----

// The text without blanks and tabs at either end.
std::string_view trimmed(std::string_view text);

// The key of a "key = value" line: what comes before its first "=", blanks taken off.
std::string_view line_key(std::string_view line);

// What follows the first "=" of a key line, blanks around it taken off; empty without "=".
std::string_view value_of(std::string_view line);

// A whole number of at most 18 digits with an optional minus, or nothing.
std::optional<long long> whole_number(std::string_view text);

// A map position as the Save writes it ("0.0870" is 87): "0." and four digits, or "1.0000".
// Anything else (a sign, another count of digits, blanks inside) is nothing.
std::optional<int> map_position(std::string_view text);

// The planet numbers of a wormholes value ("2,9," is 2 and 9; the last comma may be left out).
// Nothing when an item is no whole number or lies beyond a million either way; `bad` then holds
// that item (its first 40 characters).
std::optional<std::vector<std::int32_t>> link_list(std::string_view value, std::string& bad);

}  // namespace orvek
