// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A saved campaign read back: its map file and every encounter file the map file names, as the
// galaxy the generator would hold plus what only a saved campaign has (its names, its picture,
// each file's lines as read). Reading never writes and never leaves the campaign data folder.

#include "core/planet.h"
#include "campaign/campaign_format.h"

#include <array>
#include <optional>

#include <string>
#include <string_view>
#include <vector>

namespace orvek {

class GameFolder;

// What a line of a file says about a planet or the campaign, where a reader or the checker
// found something wrong with it.
struct ReadNote {
    std::string file;  // the file's name ("silverreach.txt", "campaign_all_001.txt")
    int line = 0;      // 1-based, or 0 for the whole file
    std::string sentence;
};

// One entry of the map file and what its encounter file holds.
struct LoadedPlanet {
    int entry = -1;          // the number the map file's line gives it
    int map_line = 0;        // that line
    std::string entry_path;  // the path as the map file writes it
    std::string file_name;   // its file in the campaign folder, when the path names one there
    bool read = false;       // whether that file was read
    std::string bytes;       // the file as read
    std::vector<std::string> lines;
    Planet planet;
    // The first line of each config key (indexed by ConfigRule), 0 where the file has none.
    // Several lines of one key are one value when they agree; when they do not, the first
    // counts and the reading notes name both lines.
    std::array<int, kConfigRuleCount> key_lines{};
    bool has_x = false, has_y = false;  // a usable position was read
    std::optional<int> encounter_id;    // nothing when absent or not a number
    int facilities_line = 0;
    std::vector<std::pair<int, int>> hopcounts;  // (planet, hops) in file order
    int hopcounts_line = 0;
    std::vector<std::string> unknown_keywords;

    int key_line(ConfigRule rule) const { return key_lines[static_cast<std::size_t>(rule)]; }
};

// A whole number of the map file: no line gives it, its line's value is not a number, or the
// number itself.
struct MapNumber {
    enum class Kind { Absent, NotANumber, Number };
    Kind kind = Kind::Absent;
    long long value = 0;  // the number, for a Number only

    bool is(long long number) const { return kind == Kind::Number && value == number; }
    // Whether it is a number from 0 up to, not including, `end`.
    bool below(long long end) const { return kind == Kind::Number && value >= 0 && value < end; }
    // The number as written, or "missing" or "not a number", for the check's sentences.
    std::string text() const;
};

struct LoadedCampaign {
    std::string id;        // the id asked for
    std::string folder;    // the campaign folder's path
    std::string map_file;  // the map file's name
    std::string map_bytes;
    std::vector<std::string> map_lines;
    std::string name;      // GUIName
    std::string name_key;  // Name
    std::string picture;   // MapTexture
    MapNumber planet_count, home, size_x, size_y;
    std::array<int, kMapKeyCount> key_lines{};  // where each key was read, 0 where it was not
    std::vector<LoadedPlanet> planets;          // in the map file's order
    std::vector<std::string> folder_files;      // every file in the campaign folder
    std::vector<ReadNote> reading;              // what could not be read, for the checker
};

// Reads the campaign `id` of the game folder. Throws Error when `id` is no campaign id, or the
// map file cannot be read ("Cannot open file "<path>". <reason>"); everything else that is
// wrong (an encounter file missing, unreadable, or named by a path outside the campaign folder,
// which is then never opened) is recorded for check_campaign. Every read is bounded: a file over
// 1 MiB (the map file too: that throws), or one past what the campaign's files may cost together,
// is not read; a name longer than the game shows is cut to it, a list longer than a galaxy's is
// not read; each is recorded. Never writes.
LoadedCampaign load_campaign(const GameFolder& folder, const std::string& id);

// A digest of the campaign's files as they were read: the map file, the campaign folder's file
// names and every encounter file read. Two reads of unchanged files give the same digest, a change
// to any of them another (one in 2^64 aside). Never fails.
std::string campaign_fingerprint(const LoadedCampaign& c);

// What differs between two reads of one campaign, in words ("the map file, 2 encounter files
// (Heze.txt, Enif.txt) and the folder's list of files"); empty when nothing does. Never fails.
std::string campaign_changes(const LoadedCampaign& before, const LoadedCampaign& now);

// The campaign `id` as load_campaign would read it if its map file held `map_bytes` and its
// folder (at `folder`) held exactly `files` (by name): what a Save is about to write, read back
// before anything is written. Never fails.
LoadedCampaign campaign_from_bytes(const std::string& id, const std::string& folder,
                                   std::string map_bytes,
                                   const std::vector<std::pair<std::string, std::string>>& files);

// What load_campaign does with the bytes it read, for the fuzzer: the map file's lines into
// `campaign` (its map_bytes set), an encounter file's lines into `planet` (its bytes and
// file_name set), a malformed line recorded in `reading`. Never fail.
void parse_map_file(LoadedCampaign& campaign);
void parse_encounter_file(LoadedPlanet& planet, std::vector<ReadNote>& reading);

// Why a campaign read has no planet to show ("the map file ... is empty", "... is UTF-16 text",
// "... has no [encounters] entries"), or empty when it has planets.
std::string no_planets_read(const LoadedCampaign& campaign);

// The features the game's template `name` (a file of encounters/all) holds, read as an encounter
// file is, bounded; nothing when it cannot be read. Never fails.
std::optional<std::array<bool, kFeatureCount>> template_features(const GameFolder& folder,
                                                                 const std::string& name);

// The campaign ids of the game folder: the names of its map files without ".txt" that are
// campaign ids, in listing order.
std::vector<std::string> campaign_ids(const GameFolder& folder);

// The planets as the generator would hold them: index = entry order, home from Homeworld, the
// farthest planet worked out from the positions, each planet's source its entry.
std::vector<Planet> galaxy_planets(const LoadedCampaign& campaign);

}  // namespace orvek
