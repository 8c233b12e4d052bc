// SPDX-License-Identifier: GPL-3.0-or-later
#include "gamedata/game_folder.h"

#include "core/ascii.h"
#include "core/error.h"
#include "core/random.h"
#include "gamedata/file_system.h"

#include <algorithm>

namespace orvek {

namespace {

// By the upper-cased bytes, then, between names equal but for case, by the raw bytes.
bool listing_order(const std::string& a, const std::string& b)
{
    const auto upper_less = [](char x, char y) {
        return static_cast<unsigned char>(ascii_upper(x)) <
               static_cast<unsigned char>(ascii_upper(y));
    };
    if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), upper_less))
        return true;
    if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), upper_less))
        return false;
    return a < b;
}

bool matches(std::string_view name, std::string_view prefix, std::string_view suffix)
{
    return name.size() >= prefix.size() + suffix.size() &&
           same_ignoring_case(name.substr(0, prefix.size()), prefix) &&
           same_ignoring_case(name.substr(name.size() - suffix.size()), suffix);
}

#ifndef _WIN32
// The name of the entry of `folder` that equals `part` ignoring case: the exact name when it
// exists, else the first match in listing order, else `part` itself.
std::string find_ignoring_case(const std::string& folder, std::string_view part)
{
    const std::string exact = folder + std::string(part);
    std::vector<std::string> found;
    try {
        if (target_kind(exact) != EntryKind::Missing)
            return std::string(part);
        for (const FolderEntry& entry : list_folder_entries(folder.empty() ? "." : folder))
            if (same_ignoring_case(entry.name, part))
                found.push_back(entry.name);
    } catch (const Error&) {
        // What cannot be looked at is taken as written; using it then gives the error.
        return std::string(part);
    }
    if (found.empty())
        return std::string(part);
    std::sort(found.begin(), found.end(), listing_order);
    return found.front();
}
#endif

}  // namespace

GameFolder::GameFolder(std::string game_dir) : game_dir_(std::move(game_dir)) {}

GameFolder GameFolder::current()
{
    return GameFolder(current_folder());
}

std::string GameFolder::resolve(std::initializer_list<std::string_view> parts, bool trailing) const
{
    // Paths are the game folder and the layout's names joined by plain concatenation: nothing is
    // added or removed at the join, as the game's own tools build them.
    std::string path = game_dir_;
    for (std::string_view part : parts) {
        path += kPathSeparator;
#ifdef _WIN32
        path += part;
#else
        path += find_ignoring_case(path, part);
#endif
    }
    if (trailing)
        path += kPathSeparator;
    return path;
}

std::string GameFolder::templates_folder() const
{
    return resolve({"campaign", "data", "encounters", "all"}, true);
}

std::string GameFolder::backgrounds_folder() const
{
    return resolve({"campaign", "data", "bitmaps", "ui"}, true);
}

std::string GameFolder::maps_folder() const
{
    return resolve({"campaign", "data", "maps"}, true);
}

std::string GameFolder::data_folder() const
{
    return resolve({"campaign", "data"}, true);
}

std::string GameFolder::campaign_folder(std::string_view campaign_id) const
{
    return resolve({"campaign", "data", "encounters", campaign_id}, false);
}

std::string GameFolder::map_file_name(std::string_view campaign_id) const
{
    std::string name(campaign_id);
    std::transform(name.begin(), name.end(), name.begin(), ascii_lower);
    return file_name_of(resolve({"campaign", "data", "maps", name + ".txt"}, false));
}

std::vector<FolderEntry> GameFolder::map_entries() const
{
    if (entry_kind(maps_folder()) == EntryKind::Missing)
        return {};
    std::vector<FolderEntry> found;
    for (FolderEntry& entry : open_layout({"campaign", "data", "maps"}).entries())
        if (matches(entry.name, "", ".txt") && is_plain_file_name(entry.name))
            found.push_back(std::move(entry));
    std::sort(found.begin(), found.end(), [](const FolderEntry& a, const FolderEntry& b) {
        return listing_order(a.name, b.name);
    });
    return found;
}

std::string GameFolder::file(std::string_view name) const
{
    return resolve({name}, false);
}

Folder GameFolder::open_layout(std::initializer_list<std::string_view> parts) const
{
    Folder folder = Folder::open(game_dir_);
    std::string path = game_dir_;
    for (std::string_view part : parts) {
        path += kPathSeparator;
#ifdef _WIN32
        const std::string name(part);
#else
        const std::string name = find_ignoring_case(path, part);
#endif
        path += name;
        folder = folder.sub(name);
    }
    return folder;
}

bool GameFolder::has_game_executable() const
{
    try {
        return target_kind(file(kGameExecutable)) == EntryKind::File;
    } catch (const Error&) {
        return false;
    }
}

namespace {

// Names Windows gives to devices whatever the extension: "con.txt" opens the console.
bool is_device_name(std::string_view name)
{
    std::string stem(name.substr(0, name.find('.')));
    for (char& c : stem)
        c = ascii_upper(c);
    for (const char* device : {"CON", "PRN", "AUX", "NUL"})
        if (stem == device)
            return true;
    return stem.size() == 4 && (stem.rfind("COM", 0) == 0 || stem.rfind("LPT", 0) == 0) &&
           stem[3] >= '1' && stem[3] <= '9';
}

}  // namespace

bool is_plain_file_name(std::string_view name)
{
    if (name.empty() || name.size() > 255 || name.front() == '.' || is_device_name(name))
        return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 32 || byte == 127 ||
               std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos;
    });
}

std::vector<std::string> list_folder(const std::string& folder, std::string_view prefix,
                                     std::string_view suffix)
{
    // A missing folder is an empty listing, as the game's own tools see it; any other failure
    // throws, since it would pass for one and end in a misleading "List index out of bounds".
    std::vector<std::string> names;
    for (FolderEntry& entry : list_folder_entries(folder))
        if (matches(entry.name, prefix, suffix) && is_plain_file_name(entry.name) &&
            !entry.hidden && entry.kind == EntryKind::File)
            names.push_back(std::move(entry.name));
    std::sort(names.begin(), names.end(), listing_order);
    return names;
}

namespace {

std::vector<std::string> full_paths(const std::string& folder, std::vector<std::string> names)
{
    for (std::string& name : names)
        name = folder + name;
    return names;
}

}  // namespace

std::vector<std::string> list_templates(const GameFolder& folder)
{
    const std::string templates = folder.templates_folder();
    return full_paths(templates, list_folder(templates, "", ".txt"));
}

std::vector<std::string> list_backgrounds(const GameFolder& folder)
{
    const std::string pictures = folder.backgrounds_folder();
    return full_paths(pictures, list_folder(pictures, "nebula", ".jpg"));
}

void draw_background(const std::vector<std::string>& pictures, Random& random,
                     std::string& background_path)
{
    std::uint32_t i = random(static_cast<std::uint32_t>(pictures.size()));
    if (i >= pictures.size())
        throw Error("No nebula pictures in campaign/data/bitmaps/ui: the game folder is "
                    "incomplete");
    background_path = pictures[i];
}

}  // namespace orvek
