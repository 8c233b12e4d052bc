#pragma once
// System names, campaign names and the campaign id. The three name lists are plain 8-bit text in
// the game folder; a missing list never fails a command, it only changes where names come from.

#include <string>
#include <string_view>
#include <vector>

namespace orvek {

class GameFolder;
class Random;
struct GalaxySettings;

// The entries of a name list's text: one per line (see split_lines), the text ending at the
// first NUL byte.
std::vector<std::string> parse_name_list(std::string_view text);

// parse_name_list of a file. Throws Error when the file cannot be read.
std::vector<std::string> read_name_list(const std::string& path);

// The entries of "stars.txt", or none when it is missing or unreadable.
std::vector<std::string> load_system_names(const GameFolder& folder);

// A made-up name: a capital A..Y, then 5 + R(6) small letters a..y, drawn in that order.
void make_up_system_name(Random& random, std::string& name);

// Region + " " + type from "regions.txt" and "types.txt", with "Galaxy" added twice to the types
// above 50 planets and "Galaxy" twice more and "Supercluster" above 70. "Delphic Expanse" when a
// list cannot be read or the planet count is not a number. Never fails.
std::string draw_campaign_name(const GameFolder& folder, const GalaxySettings& settings,
                               Random& random);

// Whether `folder_name` can name a campaign's folder: 1 to 251 ASCII letters and digits (so that
// its map file's name fits), not "all" in any letter case (the game's own templates).
bool is_campaign_folder_name(std::string_view folder_name);

// The campaign name's ASCII letters and digits, lower-cased; it names the campaign's folder and
// map file and may be empty.
std::string campaign_id(std::string_view campaign_name);

// Where the game reads paths of at most 259 characters (Windows), a Save's longest path is
// "<game>\campaign\data\encounters\<id>\<template>"; everywhere a file name has at most 255
// bytes, and the map file is "<id>.txt".
#ifdef _WIN32
inline constexpr bool kShortPaths = true;
#else
inline constexpr bool kShortPaths = false;
#endif
inline constexpr std::size_t kPathLimit = 259;

// The longest campaign id a Save can write in this game folder with templates whose file names
// have at most `template_name` characters.
std::size_t campaign_id_limit(const GameFolder& folder, std::size_t template_name,
                              bool short_paths = kShortPaths);

// campaign_id_limit with the longest template file name of the folder's listing. Throws Error
// as the listing does.
std::size_t campaign_id_limit(const GameFolder& folder);

// What a Save says of a campaign name whose id is longer than `limit`.
std::string campaign_id_too_long(std::size_t limit, bool short_paths = kShortPaths);

}  // namespace orvek
