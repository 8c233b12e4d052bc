#include "export/campaign_reader.h"

#include "core/ascii.h"
#include "core/error.h"
#include "core/galaxy_edit.h"
#include "export/encounter.h"
#include "export/features.h"
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

// A whole number of at most 18 digits, with an optional minus, or nothing.
std::optional<long long> whole_number(std::string_view text)
{
    const bool negative = !text.empty() && text.front() == '-';
    if (negative)
        text.remove_prefix(1);
    if (text.empty() || text.size() > 18 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    long long value = 0;
    for (char c : text)
        value = value * 10 + (c - '0');
    return negative ? -value : value;
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// What follows the first "=" of a key line, blanks around it taken off.
std::string_view value_of(std::string_view line)
{
    const std::size_t equals = line.find('=');
    return equals == std::string_view::npos ? std::string_view() : trimmed(line.substr(equals + 1));
}

// A map position as the Save writes it ("0.0870" is 87), or nothing when it is no number.
std::optional<int> position(std::string_view text)
{
    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view part = point == std::string_view::npos ? "" : text.substr(point + 1);
    const auto units = whole_number(whole);
    if (!units || *units < 0 || *units > 1000 || part.size() > 12 ||
        !std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    long long thousandths = *units * 1000;
    for (std::size_t i = 0; i < 3; ++i)
        thousandths += (i < part.size() ? part[i] - '0' : 0) * (i == 0 ? 100 : i == 1 ? 10 : 1);
    return static_cast<int>(thousandths);
}

int feature_index(std::string_view keyword, int first, int last)
{
    for (int f = first; f < last; ++f)
        if (FeatureKeywords[static_cast<std::size_t>(f)] == keyword)
            return f;
    return -1;
}

// The planet numbers of a wormholes line, each followed by a comma.
void read_links(LoadedPlanet& p, std::string_view value, int number, ReadNote& bad)
{
    p.links_line = number;
    std::size_t start = 0;
    while (start < value.size()) {
        const std::size_t comma = std::min(value.find(',', start), value.size());
        const std::string_view item = value.substr(start, comma - start);
        const auto link = whole_number(trimmed(item));
        if (!link || *link < -1'000'000 || *link > 1'000'000)
            bad = {p.file_name, number,
                   "the wormholes line holds \"" + std::string(item.substr(0, 40)) +
                       "\", which is no planet number"};
        else
            p.planet.links.push_back(static_cast<std::int32_t>(*link));
        start = comma + 1;
    }
    p.planet.link_count = static_cast<std::int32_t>(p.planet.links.size());
}

void read_config_line(LoadedPlanet& p, const std::string& line, int number, ReadNote& bad)
{
    const std::string_view value = value_of(line);
    const auto read_position = [&](bool is_x) {
        const std::optional<int> v = position(value);
        if (!v) {
            bad = {p.file_name, number,
                   std::string(is_x ? "MapPosition.X" : "MapPosition.Y") + " \"" +
                       std::string(value) + "\" is not a position"};
            return;
        }
        (is_x ? p.planet.x : p.planet.y) = *v;
        (is_x ? p.has_x : p.has_y) = true;
        p.position_line = number;
    };
    if (line.find("wormholes") != std::string::npos) {
        read_links(p, value, number, bad);
    } else if (line.find("guiname") != std::string::npos) {
        p.planet.system_name = std::string(value);
    } else if (line.find("EncounterID") != std::string::npos) {
        const auto id = whole_number(value);
        p.encounter_id = id && *id >= 0 && *id < 1'000'000 ? static_cast<int>(*id) : -2;
        p.encounter_id_line = number;
    } else if (line.find("MapPosition.X") != std::string::npos) {
        read_position(true);
    } else if (line.find("MapPosition.Y") != std::string::npos) {
        read_position(false);
    }
}

void read_feature_line(LoadedPlanet& p, const std::string& line, bool facility)
{
    // A facility is "n = keyword"; in [variables] a keyword stands alone, and "key = value"
    // lines are the template's own variables.
    const bool key_line = line.find('=') != std::string::npos;
    const std::string_view keyword = facility ? value_of(line) : trimmed(line);
    if (keyword.empty() || key_line != facility)
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

std::string_view line_key(std::string_view line)
{
    return trimmed(line.substr(0, line.find('=')));
}

void parse_encounter_file(LoadedPlanet& p, std::vector<ReadNote>& reading)
{
    p.lines = split_lines(p.bytes);
    p.planet.template_path = p.file_name;
    int section = -1;
    for (std::size_t i = 0; i < p.lines.size(); ++i) {
        const std::string& line = p.lines[i];
        const int number = static_cast<int>(i) + 1;
        if (const int opened = encounter_section(line); opened >= 0) {
            section = opened;
            if (section == kFacilities)
                p.facilities_line = number;
            if (section == kHopcounts)
                p.hopcounts_line = number;
            continue;
        }
        ReadNote bad;
        switch (section) {
        case kConfig: read_config_line(p, line, number, bad); break;
        case kVariables: read_feature_line(p, line, false); break;
        case kFacilities: read_feature_line(p, line, true); break;
        case kHopcounts:
            if (!trimmed(line).empty())
                read_hopcount_line(p, line);
            break;
        default: break;
        }
        if (!bad.sentence.empty())
            reading.push_back(bad);
    }
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
    const auto same = [](const std::string& a, std::string_view b) {
        return a.size() == b.size() &&
               std::equal(a.begin(), a.end(), b.begin(),
                          [](char x, char y) { return ascii_lower(x) == ascii_lower(y); });
    };
    if (parts.size() != 5 || !same(parts[0], "campaign") || !same(parts[1], "data") ||
        !same(parts[2], "encounters") || !same(parts[3], folder_name) ||
        !is_plain_file_name(parts[4]))
        return {};
    return parts[4];
}

// A key of the map file's [config] section.
void read_map_key(LoadedCampaign& c, const std::string& line, std::string_view key,
                  std::string_view value)
{
    const long long whole = whole_number(value.substr(0, value.find('.'))).value_or(-2);
    if (key == "Homeworld")
        c.home = whole;
    else if (key == "MapSizeX")
        c.size_x = whole;
    else if (key == "MapSizeY")
        c.size_y = whole;
    else if (key == "Planets")
        c.planet_count = whole_number(value).value_or(-2);
    else if (key == "MapTexture")
        c.picture = std::string(value);
    else if (key == "Name")
        c.name_key = std::string(value);
    else if (key == "GUIName") {
        // The name is kept byte for byte: only the one blank the Save puts after "=" goes.
        const std::size_t start = line.find('=') + 1;
        c.name = line.substr(start + (start < line.size() && line[start] == ' '));
    }
}

}  // namespace

void parse_map_file(LoadedCampaign& c)
{
    c.map_lines = split_lines(c.map_bytes);
    bool encounters = false;
    for (std::size_t i = 0; i < c.map_lines.size(); ++i) {
        const std::string& line = c.map_lines[i];
        if (line == "[encounters]") {
            encounters = true;
            continue;
        }
        if (line.find('=') == std::string::npos)
            continue;
        const std::string_view key = line_key(line), value = value_of(line);
        const auto number = whole_number(key);
        if (encounters && number) {
            LoadedPlanet p;
            p.entry = static_cast<int>(std::clamp<long long>(*number, -1, 1'000'000));
            p.map_line = static_cast<int>(i) + 1;
            p.entry_path = std::string(value);
            c.planets.push_back(std::move(p));
            continue;
        }
        read_map_key(c, line, key, value);
    }
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
    c.map_file = lower + ".txt";
    c.map_bytes =
        game.open_layout({"campaign", "data", "maps"}).read_file(c.map_file, kCampaignFileLimit);
    parse_map_file(c);
    const std::optional<Folder> campaign = open_campaign_folder(game, lower, c);
    for (LoadedPlanet& p : c.planets)
        read_planet(p, campaign, c);
    return c;
}

std::vector<std::string> campaign_ids(const GameFolder& game)
{
    std::vector<std::string> ids;
    for (const std::string& name : list_folder(game.maps_folder(), "", ".txt")) {
        std::string id = name.substr(0, name.size() - 4);
        if (is_campaign_folder_name(id))
            ids.push_back(std::move(id));
    }
    return ids;
}

std::vector<tc_planet> galaxy_planets(const LoadedCampaign& c)
{
    std::vector<tc_planet> planets;
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
