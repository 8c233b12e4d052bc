// SPDX-License-Identifier: GPL-3.0-or-later
#include "gamedata/names.h"

#include "core/ascii.h"
#include "core/error.h"
#include "core/galaxy_edit.h"
#include "core/random.h"
#include "core/settings.h"
#include "gamedata/game_folder.h"
#include "gamedata/file_system.h"
#include "gamedata/text_file.h"

#include <algorithm>

namespace orvek {

std::vector<std::string> parse_name_list(std::string_view text)
{
    // Name lists are read as C strings by the game's tools: a NUL byte ends the text.
    return split_lines(text.substr(0, text.find('\0')));
}

std::vector<std::string> read_name_list(const std::string& path)
{
    std::vector<std::string> entries = parse_name_list(read_file(path, kNameListLimit));
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (entries[i].size() > static_cast<std::size_t>(kMaxNameLength))
            throw Error("The name list \"" + path + "\" has a name of " +
                        std::to_string(entries[i].size()) + " characters on line " +
                        std::to_string(i + 1) + "; a name has at most " +
                        std::to_string(kMaxNameLength));
    return entries;
}

std::optional<std::vector<std::string>> load_name_list(const GameFolder& folder,
                                                       std::string_view file)
{
    const std::string path = folder.file(std::string(file));
    // Only a list that is not there falls back; one that is there and cannot be read would
    // silently give other names, and so another galaxy for the same seed.
    if (target_kind(path) == EntryKind::Missing)
        return std::nullopt;
    return read_name_list(path);
}

std::vector<std::string> load_system_names(const GameFolder& folder)
{
    return load_name_list(folder, "stars.txt").value_or(std::vector<std::string>{});
}

void make_up_system_name(Random& random, std::string& name)
{
    name.assign(1, static_cast<char>('A' + random(25)));
    std::uint32_t length = 5 + random(6);
    for (std::uint32_t i = 0; i < length; ++i)
        name += static_cast<char>('a' + random(25));
}

namespace {

// Entry R(count) of a list, or the empty text for an empty list (the draw happens all the same).
std::string pick(const std::vector<std::string>& list, Random& random)
{
    std::uint32_t i = random(static_cast<std::uint32_t>(list.size()));
    return i < list.size() ? list[i] : std::string();
}

}  // namespace

std::string draw_campaign_name(const GameFolder& folder, const GalaxySettings& settings,
                               Random& random)
{
    const std::string fallback = "Delphic Expanse";
    const std::optional<std::vector<std::string>> regions = load_name_list(folder, "regions.txt");
    if (!regions)
        return fallback;
    const std::string region = pick(*regions, random);
    std::optional<std::vector<std::string>> types = load_name_list(folder, "types.txt");
    std::int32_t planets = 0;
    try {
        planets = parse_int(settings.planet_count);
    } catch (const Error&) {
        return fallback;
    }
    if (!types)
        return fallback;
    if (planets > 50)
        types->insert(types->end(), {"Galaxy", "Galaxy"});
    if (planets > 70)
        types->insert(types->end(), {"Galaxy", "Galaxy", "Supercluster"});
    return region + " " + pick(*types, random);
}

bool is_campaign_folder_name(std::string_view folder_name)
{
    std::string lower;
    for (char c : folder_name) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')))
            return false;
        lower += ascii_lower(c);
    }
    return !lower.empty() && lower.size() <= 251 && lower != "all";
}

std::string campaign_id(std::string_view campaign_name)
{
    std::string id;
    for (char c : campaign_name) {
        if (c >= 'A' && c <= 'Z')
            id += ascii_lower(c);
        else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
            id += c;
    }
    return id;
}

std::size_t campaign_id_limit(const GameFolder& folder, std::size_t template_name, bool short_paths)
{
    constexpr std::size_t kMapFileLimit = 255 - 4;  // "<id>.txt"
    if (!short_paths)
        return kMapFileLimit;
    // The characters of the campaign folder's path without the id, counted as characters: a
    // UTF-8 continuation byte is part of the character before it.
    const std::string prefix = folder.campaign_folder("");
    const auto characters =
        static_cast<std::size_t>(std::count_if(prefix.begin(), prefix.end(), [](char c) {
            return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        }));
    const std::size_t used = characters + 1 + template_name;
    return std::min(kMapFileLimit, used >= kPathLimit ? 0 : kPathLimit - used);
}

std::size_t campaign_id_limit(const GameFolder& folder)
{
    std::size_t longest = 0;
    for (const std::string& path : list_templates(folder))
        longest = std::max(longest, file_name_of(path).size());
    return campaign_id_limit(folder, longest);
}

std::string campaign_id_too_long(std::size_t limit, bool short_paths)
{
    return "The campaign name holds more than " + std::to_string(limit) +
           " letters and digits, the most a campaign's files can be named by in this game "
           "folder" +
           (short_paths ? " (the game reads paths of at most " + std::to_string(kPathLimit) +
                              " characters)."
                        : " (a file name has at most 255 bytes).");
}

}  // namespace orvek
