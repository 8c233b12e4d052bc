// SPDX-License-Identifier: GPL-3.0-or-later
// The campaign files' lines read as what they say: an encounter file's config keys, features and
// hop counts, and the map file's keys and entries, each malformed line a note for the check.

#include "campaign/campaign_format.h"
#include "campaign/campaign_reader.h"
#include "campaign/encounter.h"
#include "campaign/features.h"
#include "core/galaxy_edit.h"
#include "core/settings.h"
#include "gamedata/names.h"
#include "gamedata/text_file.h"

#include <algorithm>
#include <array>
#include <optional>

namespace orvek {

namespace {

int feature_index(std::string_view keyword, int first, int last)
{
    for (int f = first; f < last; ++f)
        if (kFeatureKeywords[static_cast<std::size_t>(f)] == keyword)
            return f;
    return -1;
}

// The value a config line gives its key, in the form two lines of one key are compared in.
struct KeyValue {
    std::optional<long long> number;  // a position or the EncounterID
    std::vector<std::int32_t> links;
    std::string text;  // guiname
    bool usable = true;
    bool operator==(const KeyValue&) const = default;
};

KeyValue key_value(ConfigRule rule, const std::string& line, std::string& bad)
{
    const std::string_view value = value_of(line);
    KeyValue v;
    switch (rule) {
    case ConfigRule::PositionX:
    case ConfigRule::PositionY:
        v.number = map_position(value);
        if (!v.number)
            bad = std::string(config_key(rule)) + " \"" + std::string(value.substr(0, 40)) +
                  "\" is not a position";
        break;
    case ConfigRule::EncounterId:
        v.number = whole_number(value);
        if (!v.number || *v.number < 0 || *v.number >= 1'000'000)
            v.number.reset(), bad = "EncounterID \"" + std::string(value.substr(0, 40)) +
                                    "\" is not a planet number";
        break;
    case ConfigRule::GuiName: {
        // The name is kept byte for byte after the "guiname = " that the writer puts before it.
        const std::string prefix = config_prefix(rule);
        v.text = line.rfind(prefix, 0) == 0 ? line.substr(prefix.size()) : std::string(value);
        // Nothing longer than the game can show is drawn, laid out or written out as a name.
        if (v.text.size() > static_cast<std::size_t>(kMaxNameLength)) {
            bad = "the guiname is " + std::to_string(v.text.size()) +
                  " characters long, more than the " + std::to_string(kMaxNameLength) +
                  " a planet's name has; it was cut to its first " +
                  std::to_string(kMaxNameLength);
            v.text.resize(static_cast<std::size_t>(kMaxNameLength));
        }
        break;
    }
    case ConfigRule::Wormholes: {
        std::string item;
        // A planet links to each other planet at most once: a longer list is no galaxy's, and
        // is not read.
        if (std::count(value.begin(), value.end(), ',') > kMostPlanets)
            bad = "the wormholes line lists more than " + std::to_string(kMostPlanets) +
                  " planets";
        else if (auto links = link_list(value, item))
            v.links = std::move(*links);
        else
            bad = "the wormholes line holds \"" + item + "\", which is no planet number";
        break;
    }
    default: break;
    }
    v.usable = bad.empty();
    return v;
}

// Takes the value of a key's first line; a later line of the same key must agree with it.
void read_config_line(LoadedPlanet& p, std::array<KeyValue, kConfigRuleCount>& values,
                      const std::string& line, int number, std::vector<ReadNote>& reading)
{
    const ConfigRule rule = config_rule(line);
    if (rule == ConfigRule::None || rule == ConfigRule::IconSize || rule == ConfigRule::Name)
        return;
    std::string bad;
    KeyValue value = key_value(rule, line, bad);
    if (!bad.empty())
        reading.push_back({p.file_name, number, bad});
    int& first = p.key_lines[static_cast<std::size_t>(rule)];
    KeyValue& kept = values[static_cast<std::size_t>(rule)];
    if (first == 0) {
        first = number;
        kept = std::move(value);
    } else if (value != kept) {
        reading.push_back({p.file_name, number,
                           "two " + std::string(config_key(rule)) + " lines disagree (lines " +
                               std::to_string(first) + " and " + std::to_string(number) + ")"});
    }
}

// The planet as its config keys say, where they were usable.
void take_config_values(LoadedPlanet& p, const std::array<KeyValue, kConfigRuleCount>& values)
{
    const auto& at = [&](ConfigRule rule) -> const KeyValue& {
        return values[static_cast<std::size_t>(rule)];
    };
    const auto present = [&](ConfigRule rule) { return p.key_line(rule) > 0 && at(rule).usable; };
    if ((p.has_x = present(ConfigRule::PositionX)))
        p.planet.x = static_cast<std::int32_t>(*at(ConfigRule::PositionX).number);
    if ((p.has_y = present(ConfigRule::PositionY)))
        p.planet.y = static_cast<std::int32_t>(*at(ConfigRule::PositionY).number);
    if (present(ConfigRule::EncounterId))
        p.encounter_id = static_cast<int>(*at(ConfigRule::EncounterId).number);
    p.planet.system_name = at(ConfigRule::GuiName).text;
    if (p.key_line(ConfigRule::Wormholes) > 0) {
        p.planet.links = at(ConfigRule::Wormholes).links;
    } else {
        // Without a wormholes line the hop counts, which the writer makes from the same links,
        // still say where the jumpgates go; the check names the missing line.
        for (std::size_t k = 1; k < p.hopcounts.size(); ++k)
            if (p.hopcounts[k].second == 1)
                p.planet.links.push_back(p.hopcounts[k].first);
    }
}

// A file of the format lists a few unknown keywords and one hop count a planet; the rest of a
// hostile file's is not kept, so that it costs no more than the largest galaxy.
constexpr std::size_t kMostUnknownKeywords = 1000;
constexpr std::size_t kMostHopcounts = kMostPlanets + 1;

void read_feature_line(LoadedPlanet& p, const std::string& line, bool facility)
{
    // A facility is "n = keyword"; in [variables] a keyword stands alone, and "key = value"
    // lines are the template's own variables.
    const bool key_line = line.find('=') != std::string::npos;
    const std::string_view keyword = facility ? value_of(line) : trimmed(line);
    if (keyword.empty() || key_line != facility || is_comment(line))
        return;
    const int f = facility ? feature_index(keyword, kInhibitionCount, kFeatureCount)
                           : feature_index(keyword, 0, kInhibitionCount);
    if (f >= 0)
        p.planet.features[static_cast<std::size_t>(f)] = true;
    else if (p.unknown_keywords.size() < kMostUnknownKeywords)
        p.unknown_keywords.emplace_back(keyword.substr(0, 60));
}

void read_hopcount_line(LoadedPlanet& p, const std::string& line)
{
    // One more than a galaxy can list still tells the check that the list is not the galaxy's.
    if (p.hopcounts.size() == kMostHopcounts)
        return;
    const std::string_view value = value_of(line);
    const std::size_t comma = value.find(',');
    const auto planet = whole_number(trimmed(value.substr(0, comma)));
    const auto hops = comma == std::string_view::npos
                          ? std::nullopt
                          : whole_number(trimmed(value.substr(comma + 1)));
    p.hopcounts.emplace_back(
        planet ? static_cast<int>(std::clamp<long long>(*planet, -1, 1'000'000)) : -1,
        hops ? static_cast<int>(std::clamp<long long>(*hops, -1, 1'000'000)) : -1);
}

}  // namespace

void parse_encounter_file(LoadedPlanet& p, std::vector<ReadNote>& reading)
{
    p.lines = split_lines(p.bytes);
    p.planet.template_file = p.file_name;
    std::array<KeyValue, kConfigRuleCount> values;
    int section = kFirstWrittenSection;
    for (std::size_t i = 0; i < p.lines.size(); ++i) {
        const std::string& line = p.lines[i];
        const int number = static_cast<int>(i) + 1;
        if (const int opened = encounter_section(line); opened >= 0) {
            section = opened;
            if (section == kFacilities)
                p.facilities_line = number;
            if (section == kHopcounts)
                p.hopcounts_line = number;
            // A config header that holds a key is written as that key: it is read as one.
            if (section != kConfig)
                continue;
        }
        switch (section) {
        case kConfig: read_config_line(p, values, line, number, reading); break;
        case kVariables: read_feature_line(p, line, false); break;
        case kFacilities: read_feature_line(p, line, true); break;
        case kHopcounts:
            if (!trimmed(line).empty())
                read_hopcount_line(p, line);
            break;
        default: break;
        }
    }
    take_config_values(p, values);
}

namespace {

// A key of the map file's [config] section; a key set twice keeps its first line's value.
MapNumber map_number(std::optional<long long> read)
{
    return read ? MapNumber{MapNumber::Kind::Number, *read}
                : MapNumber{MapNumber::Kind::NotANumber, 0};
}

// A file name has at most 255 bytes on every system the game runs on.
constexpr std::size_t kMostFileNameBytes = 255;

// The value of a map key, cut to what the key can hold, with a note when it was longer.
std::string bounded(LoadedCampaign& c, int number, std::string_view key, std::string_view value,
                    std::size_t most)
{
    if (value.size() <= most)
        return std::string(value);
    c.reading.push_back({c.map_file, number,
                         std::string(key) + " is " + std::to_string(value.size()) +
                             " characters long, more than the " + std::to_string(most) +
                             " it can hold; it was cut to its first " + std::to_string(most)});
    return std::string(value.substr(0, most));
}

void read_map_key(LoadedCampaign& c, const std::string& line, int number)
{
    const MapKey key = map_key(line);
    if (key == MapKey::None)
        return;
    int& first = c.key_lines[static_cast<std::size_t>(key)];
    if (first != 0)
        return c.reading.push_back({c.map_file, number,
                                    std::string(map_key_name(key)) + " is set twice (lines " +
                                        std::to_string(first) + " and " + std::to_string(number) +
                                        ")"});
    first = number;
    const std::string_view value = value_of(line);
    // The map size is written with decimals ("32.0000"), which count for nothing.
    const MapNumber whole = map_number(whole_number(value.substr(0, value.find('.'))));
    switch (key) {
    case MapKey::Homeworld: c.home = whole; break;
    case MapKey::MapSizeX: c.size_x = whole; break;
    case MapKey::MapSizeY: c.size_y = whole; break;
    case MapKey::Planets: c.planet_count = map_number(whole_number(value)); break;
    case MapKey::MapTexture:
        c.picture = bounded(c, number, "MapTexture", value, kMostFileNameBytes);
        break;
    case MapKey::Name:
        c.name_key = bounded(c, number, "Name", value, kMaxCampaignNameLength);
        break;
    case MapKey::GUIName: {
        // The name is kept byte for byte: only the one blank the Save puts after "=" goes.
        const std::size_t start = line.find('=') + 1;
        c.name = bounded(c, number, "GUIName",
                         std::string_view(line).substr(start + (start < line.size() &&
                                                                line[start] == ' ')),
                         kMaxCampaignNameLength);
        break;
    }
    default: break;
    }
}

}  // namespace

void parse_map_file(LoadedCampaign& c)
{
    c.map_lines = split_lines(c.map_bytes);
    bool encounters = false;
    long long beyond = 0;
    for (std::size_t i = 0; i < c.map_lines.size(); ++i) {
        const std::string& line = c.map_lines[i];
        const int number = static_cast<int>(i) + 1;
        if (line == kMapEntriesHeader) {
            encounters = true;
            continue;
        }
        if (line.find('=') == std::string::npos)
            continue;
        const auto entry = whole_number(line_key(line));
        if (!encounters || !entry) {
            read_map_key(c, line, number);
            continue;
        }
        // A galaxy holds at most kMostPlanets planets: the entries after them are not read, so
        // a hostile map file costs no more than the largest galaxy.
        if (c.planets.size() == static_cast<std::size_t>(kMostPlanets)) {
            ++beyond;
            continue;
        }
        LoadedPlanet p;
        p.entry = static_cast<int>(std::clamp<long long>(*entry, -1, 1'000'000));
        p.map_line = number;
        p.entry_path = std::string(value_of(line));
        c.planets.push_back(std::move(p));
    }
    if (beyond > 0)
        c.reading.push_back({c.map_file, 0,
                             "the map file has " + std::to_string(beyond) +
                                 " entries more than the " + std::to_string(kMostPlanets) +
                                 " planets a galaxy holds; they were not read"});
}

std::string MapNumber::text() const
{
    switch (kind) {
    case Kind::Absent: return "missing";
    case Kind::NotANumber: return "not a number";
    default: return std::to_string(value);
    }
}

}  // namespace orvek
