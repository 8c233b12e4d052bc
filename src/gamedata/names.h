// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// System names, campaign names and the campaign id. The three name lists are plain 8-bit text in
// the game folder; a missing or empty list never fails a command, it only changes where names
// come from, while a list that is there but cannot be read fails it.

#include <optional>
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

// A name list holds names, one a line: a few thousand of them, a hundred thousand at the most.
inline constexpr std::size_t kNameListLimit = std::size_t{4} << 20;

// parse_name_list of a file. Throws Error "Cannot open file ..." when the file cannot be read or
// holds more than kNameListLimit bytes, and Error naming the list and the line when a name is
// longer than a planet's name can be (kMaxNameLength).
std::vector<std::string> read_name_list(const std::string& path);

// read_name_list of the game folder's list `file` ("regions.txt"), or nothing when there is no
// such file. Throws as read_name_list: a list that is there but cannot be read is an error, not
// a missing one.
std::optional<std::vector<std::string>> load_name_list(const GameFolder& folder,
                                                       std::string_view file);

// The entries of "stars.txt", or none when it is missing. Throws as read_name_list.
std::vector<std::string> load_system_names(const GameFolder& folder);

// A made-up name: a capital A..Y, then 5 + R(6) small letters a..y, drawn in that order.
void make_up_system_name(Random& random, std::string& name);

// Region + " " + type from "regions.txt" and "types.txt", with "Galaxy" added twice to the types
// above 50 planets and "Galaxy" twice more and "Supercluster" above 70. "Delphic Expanse" when a
// list is missing or the planet count is not a number. Throws as read_name_list.
std::string draw_campaign_name(const GameFolder& folder, const GalaxySettings& settings,
                               Random& random);

// Whether `folder_name` can name a campaign's folder: 1 to 251 ASCII letters and digits (so that
// its map file's name fits), not "all" in any letter case (the game's own templates).
bool is_campaign_folder_name(std::string_view folder_name);

// The longest campaign name, in 8-bit characters: room for an id of the most letters and digits
// with a few words' blanks between them. A Save refuses a longer name; a reader cuts it.
inline constexpr std::size_t kMaxCampaignNameLength = 255;

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
