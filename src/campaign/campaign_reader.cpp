#include "campaign/campaign_reader.h"

#include "core/ascii.h"
#include "core/error.h"
#include "core/galaxy_edit.h"
#include "core/settings.h"
#include "campaign/campaign_format.h"
#include "campaign/encounter.h"
#include "campaign/features.h"
#include "gamedata/file_system.h"
#include "gamedata/game_folder.h"
#include "gamedata/names.h"
#include "gamedata/text_file.h"

#include <algorithm>
#include <optional>

namespace orvek {

namespace {

// A map file or encounter file is a few kilobytes; a damaged or hostile one is cut off here.
constexpr std::size_t kCampaignFileLimit = 64u << 20;

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
        break;
    }
    case ConfigRule::Wormholes: {
        std::string item;
        if (auto links = link_list(value, item))
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
    p.planet.link_count = static_cast<std::int32_t>(p.planet.links.size());
}

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
    else
        p.unknown_keywords.emplace_back(keyword.substr(0, 60));
}

void read_hopcount_line(LoadedPlanet& p, const std::string& line)
{
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
    p.planet.template_path = p.file_name;
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

// The file that an entry's path names in the campaign's folder, or empty when the path leaves
// it (or names a file no Save would write there).
std::string file_in_campaign(const std::string& path, const std::string& folder_name)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (parts.size() < 6) {
        const std::size_t slash = path.find('/', start);
        parts.push_back(path.substr(start, slash - start));
        if (slash == std::string::npos)
            break;
        start = slash + 1;
    }
    if (parts.size() != 5 || !same_ignoring_case(parts[0], "campaign") ||
        !same_ignoring_case(parts[1], "data") || !same_ignoring_case(parts[2], "encounters") ||
        !same_ignoring_case(parts[3], folder_name) || !is_plain_file_name(parts[4]))
        return {};
    return parts[4];
}

// A key of the map file's [config] section; a key set twice keeps its first line's value.
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
    const long long whole = whole_number(value.substr(0, value.find('.'))).value_or(-2);
    switch (key) {
    case MapKey::Homeworld: c.home = whole; break;
    case MapKey::MapSizeX: c.size_x = whole; break;
    case MapKey::MapSizeY: c.size_y = whole; break;
    case MapKey::Planets: c.planet_count = whole_number(value).value_or(-2); break;
    case MapKey::MapTexture: c.picture = std::string(value); break;
    case MapKey::Name: c.name_key = std::string(value); break;
    case MapKey::GUIName: {
        // The name is kept byte for byte: only the one blank the Save puts after "=" goes.
        const std::size_t start = line.find('=') + 1;
        c.name = line.substr(start + (start < line.size() && line[start] == ' '));
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

namespace {

// Opens the campaign's folder and lists its files; what fails is recorded for the checker.
std::optional<Folder> open_campaign_folder(const GameFolder& game, const std::string& id,
                                           LoadedCampaign& c)
{
    const Folder encounters = game.open_layout({"campaign", "data", "encounters"});
    const std::string folder_name = file_name_of(game.campaign_folder(id));
    c.folder = encounters.path_of(folder_name);
    try {
        Folder campaign = encounters.sub(folder_name);
        for (const FolderEntry& entry : campaign.entries())
            if (entry.kind != EntryKind::Folder)
                c.folder_files.push_back(entry.name);
        std::sort(c.folder_files.begin(), c.folder_files.end());
        return campaign;
    } catch (const Error& e) {
        c.reading.push_back({folder_name, 0, e.what()});
        return std::nullopt;
    }
}

// Reads the encounter file an entry names, when it names one in the campaign's folder.
void read_planet(LoadedPlanet& p, const std::optional<Folder>& campaign, LoadedCampaign& c)
{
    p.file_name = file_in_campaign(p.entry_path, file_name_of(c.folder));
    if (p.file_name.empty())
        return c.reading.push_back(
            {c.map_file, p.map_line,
             "the entry's path \"" + p.entry_path.substr(0, 200) +
                 "\" is not a file in the campaign's folder; it was not opened"});
    if (!campaign)
        return;
    if (!std::binary_search(c.folder_files.begin(), c.folder_files.end(), p.file_name))
        return c.reading.push_back(
            {c.map_file, p.map_line,
             "the file \"" + p.file_name + "\" is not in the campaign's folder"});
    try {
        p.bytes = campaign->read_file(p.file_name, kCampaignFileLimit);
        p.read = true;
        parse_encounter_file(p, c.reading);
    } catch (const Error& e) {
        c.reading.push_back({p.file_name, 0, e.what()});
    }
}

}  // namespace

LoadedCampaign load_campaign(const GameFolder& game, const std::string& id)
{
    if (!is_campaign_folder_name(id))
        throw Error("\"" + id + "\" is not a campaign id: ASCII letters and digits only");
    LoadedCampaign c;
    c.id = id;
    std::string lower = id;
    std::transform(lower.begin(), lower.end(), lower.begin(), ascii_lower);
    // The map file as it is spelt on disk; another spelling beside it would be a second map of
    // the same campaign folder wherever letter case does not count.
    c.map_file = game.map_file_name(lower);
    c.map_bytes =
        game.open_layout({"campaign", "data", "maps"}).read_file(c.map_file, kCampaignFileLimit);
    parse_map_file(c);
    for (const FolderEntry& other : game.map_entries())
        if (other.name != c.map_file && same_ignoring_case(other.name, c.map_file))
            c.reading.push_back({c.map_file, 0,
                                 "the map file \"" + other.name +
                                     "\" names the same campaign, its name differing only in "
                                     "letter case; the game sees one of them"});
    const std::optional<Folder> campaign = open_campaign_folder(game, lower, c);
    for (LoadedPlanet& p : c.planets)
        read_planet(p, campaign, c);
    return c;
}

LoadedCampaign campaign_from_bytes(const std::string& id, const std::string& folder,
                                   std::string map_bytes,
                                   const std::vector<std::pair<std::string, std::string>>& files)
{
    LoadedCampaign c;
    c.id = id;
    std::string lower = id;
    std::transform(lower.begin(), lower.end(), lower.begin(), ascii_lower);
    c.map_file = lower + ".txt";
    c.folder = folder;
    c.map_bytes = std::move(map_bytes);
    parse_map_file(c);
    for (const auto& [name, bytes] : files)
        c.folder_files.push_back(name);
    std::sort(c.folder_files.begin(), c.folder_files.end());
    for (LoadedPlanet& p : c.planets) {
        p.file_name = file_in_campaign(p.entry_path, file_name_of(c.folder));
        const auto file = std::find_if(files.begin(), files.end(),
                                       [&](const auto& f) { return f.first == p.file_name; });
        if (p.file_name.empty() || file == files.end()) {
            c.reading.push_back({c.map_file, p.map_line,
                                 "the entry's path \"" + p.entry_path.substr(0, 200) +
                                     "\" names no file the Save writes"});
            continue;
        }
        p.bytes = file->second;
        p.read = true;
        parse_encounter_file(p, c.reading);
    }
    return c;
}

std::string no_planets_read(const LoadedCampaign& c)
{
    if (!c.planets.empty())
        return {};
    const std::string start = "The map file \"" + c.map_file + "\" ";
    const std::string& b = c.map_bytes;
    if (b.find_first_not_of("\r\n") == std::string::npos)
        return start + (b.empty() ? "is empty" : "holds only line breaks");
    if (b.rfind("\xFF\xFE", 0) == 0 || b.rfind("\xFE\xFF", 0) == 0)
        return start + "is UTF-16 text, where the game reads Windows-1252: it names no planet";
    return start + "has no [encounters] entries: it names no planet";
}

std::vector<std::string> campaign_ids(const GameFolder& game)
{
    std::vector<std::string> ids;
    for (const FolderEntry& entry : game.map_entries()) {
        std::string id = entry.name.substr(0, entry.name.size() - 4);
        const bool seen = std::any_of(ids.begin(), ids.end(), [&](const std::string& i) {
            return same_ignoring_case(i, id);
        });
        if (is_campaign_folder_name(id) && !seen)
            ids.push_back(std::move(id));
    }
    return ids;
}

std::vector<Planet> galaxy_planets(const LoadedCampaign& c)
{
    std::vector<Planet> planets;
    for (const LoadedPlanet& p : c.planets)
        planets.push_back(p.planet);
    for (std::size_t i = 0; i < planets.size(); ++i) {
        planets[i].home = static_cast<long long>(i) == c.home;
        planets[i].source = static_cast<std::int32_t>(i);
    }
    // The farthest planet is no part of the files; it is worked out as the generator does.
    update_farthest(planets);
    return planets;
}

}  // namespace orvek
