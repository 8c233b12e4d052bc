// SPDX-License-Identifier: GPL-3.0-or-later
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

// Each file is bounded by kCampaignFileLimit; what a campaign's files cost together in memory
// (their bytes and their lines) is bounded too, so that 175 files of the largest size cannot
// make a reader, the check or the window that shows it grow past a few tens of megabytes.
constexpr std::size_t kCampaignReadBudget = 24u << 20;

// What a file's bytes cost once read: themselves and a string for each of its lines.
std::size_t read_cost(const std::string& bytes)
{
    const auto breaks = static_cast<std::size_t>(
        std::count_if(bytes.begin(), bytes.end(), [](char c) { return c == '\n' || c == '\r'; }));
    return 2 * bytes.size() + sizeof(std::string) * (breaks + 1);
}

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
// `spent` counts what the campaign's files read so far cost.
void read_planet(LoadedPlanet& p, const std::optional<Folder>& campaign, LoadedCampaign& c,
                 std::size_t& spent)
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
        spent += read_cost(p.bytes);
        if (spent > kCampaignReadBudget) {
            p.bytes.clear();
            p.bytes.shrink_to_fit();
            return c.reading.push_back(
                {p.file_name, 0,
                 "not read: the campaign's files together hold more than a campaign can (" +
                     std::to_string(kCampaignReadBudget >> 20) + " MiB)"});
        }
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
    std::size_t spent = read_cost(c.map_bytes);
    for (LoadedPlanet& p : c.planets)
        read_planet(p, campaign, c, spent);
    return c;
}

std::string campaign_fingerprint(const LoadedCampaign& c)
{
    std::uint64_t hash = 14695981039346656037u;
    const auto mix = [&](std::string_view bytes) {
        for (const char b : bytes)
            hash = (hash ^ static_cast<unsigned char>(b)) * 1099511628211u;
        // The length too, so that moving bytes from one file to the next changes the digest.
        for (std::size_t n = bytes.size(), i = 0; i < 8; ++i, n >>= 8)
            hash = (hash ^ (n & 0xFF)) * 1099511628211u;
    };
    mix(c.map_bytes);
    for (const std::string& name : c.folder_files)
        mix(name);
    for (const LoadedPlanet& p : c.planets)
        mix(p.read ? p.bytes : std::string_view("\x01unread"));
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (int shift = 60; shift >= 0; shift -= 4)
        text += kDigits[(hash >> shift) & 15];
    return text;
}

std::string campaign_changes(const LoadedCampaign& before, const LoadedCampaign& now)
{
    std::vector<std::string> parts;
    if (before.map_bytes != now.map_bytes)
        parts.push_back("the map file");
    std::vector<std::string> changed;
    for (const LoadedPlanet& p : before.planets) {
        const auto same = std::find_if(now.planets.begin(), now.planets.end(), [&](const auto& q) {
            return q.file_name == p.file_name;
        });
        if (!p.file_name.empty() &&
            (same == now.planets.end() || same->read != p.read || same->bytes != p.bytes) &&
            std::find(changed.begin(), changed.end(), p.file_name) == changed.end())
            changed.push_back(p.file_name);
    }
    if (!changed.empty()) {
        std::string names;
        for (std::size_t i = 0; i < changed.size() && i < 3; ++i)
            names += (i ? ", " : "") + changed[i];
        if (changed.size() > 3)
            names += ", …";
        parts.push_back(changed.size() == 1 ? "the encounter file " + names
                                            : std::to_string(changed.size()) +
                                                  " encounter files (" + names + ")");
    }
    if (before.folder_files != now.folder_files)
        parts.push_back("the folder's list of files");
    std::string words;
    for (std::size_t i = 0; i < parts.size(); ++i)
        words += (i == 0 ? "" : i + 1 == parts.size() ? " and " : ", ") + parts[i];
    return words;
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
            // Only a planet whose file was not read at Open has none (a Save refuses it).
            c.reading.push_back({c.map_file, p.map_line,
                                 "the planet's file was not read when the campaign was opened, "
                                 "so a Save has nothing to write it from: delete the planet, or "
                                 "give it a file from a template"});
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

std::optional<std::array<bool, kFeatureCount>> template_features(const GameFolder& game,
                                                                 const std::string& name)
{
    LoadedPlanet planet;
    planet.file_name = name;
    try {
        planet.bytes = Folder::open(game.templates_folder()).read_file(name, kCampaignFileLimit);
    } catch (const Error&) {
        return std::nullopt;  // a template that cannot be read tells nothing
    }
    std::vector<ReadNote> ignored;
    parse_encounter_file(planet, ignored);
    return planet.planet.features;
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
        planets[i].home = c.home.is(static_cast<long long>(i));
        planets[i].source = static_cast<std::int32_t>(i);
        planets[i].unread = !c.planets[i].read;
    }
    // The farthest planet is no part of the files; it is worked out as the generator does.
    update_farthest(planets);
    return planets;
}

}  // namespace orvek
