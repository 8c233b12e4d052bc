#include "export/encounter.h"

#include "core/ascii.h"
#include "core/random.h"
#include "export/features.h"
#include "gamedata/game_folder.h"
#include "gamedata/text_file.h"

#include <array>
#include <cstdio>
#include <vector>

namespace orvek {

namespace {

enum Slot { kConfig = 0, kVariables = 1, kTerrain = 2, kFacilities = 3, kHopcounts = 4 };

// Searched in this order; on a line holding several headers the last one found wins.
constexpr std::pair<std::string_view, int> kHeaders[] = {
    {"[config]", kConfig},       {"[terrain]", kTerrain},       {"[variables]", kVariables},
    {"[hopcounts]", kHopcounts}, {"[facilities]", kFacilities},
};

bool contains(std::string_view line, std::string_view text)
{
    return line.find(text) != std::string_view::npos;
}

// 87 -> "0870": the coordinate as a four-digit fraction of the map.
std::string map_fraction(std::int32_t value)
{
    char digits[16];
    std::snprintf(digits, sizeof digits, "%03d", static_cast<int>(value));
    return "0." + std::string(digits) + "0";
}

std::string key_name(const std::string& system_name)
{
    std::string name;
    for (char c : system_name) {
        if (c == ' ')
            continue;
        name += ascii_lower(c);
    }
    return name;
}

// Every rule is tested against the template's own line; the last rule that matches decides.
std::string rewrite_config_line(const std::string& line, int index, const tc_planet& planet,
                                Random& random)
{
    std::string out = line;
    if (contains(line, "MapPosition.X"))
        out = "MapPosition.X = " + map_fraction(planet.x);
    if (contains(line, "MapPosition.Y"))
        out = "MapPosition.Y = " + map_fraction(planet.y);
    if (contains(line, "EncounterID"))
        out = "EncounterID = " + std::to_string(index);
    if (contains(line, "mapiconsize"))
        out = "mapiconsize = " + std::to_string(22 + random(15)) + ".0000";
    if (line.rfind("name = ", 0) == 0)
        out = "name = " + key_name(planet.system_name);
    if (contains(line, "guiname"))
        out = "guiname = " + planet.system_name;
    if (contains(line, "wormholes")) {
        out = "wormholes = ";
        for (int k = 0; k < planet.link_count; ++k)
            out += std::to_string(planet.links[static_cast<std::size_t>(k)]) + ",";
    }
    return out;
}

}  // namespace

std::string render_encounter(std::string_view template_bytes, int index, const tc_planet& planet,
                             const EncounterOptions& options, Random& random)
{
    std::array<std::vector<std::string>, 5> sections;
    int current = -1;
    for (std::string& line : split_lines(template_bytes)) {
        for (const auto& [header, slot] : kHeaders)
            if (contains(line, header))
                current = slot;
        if (current < 0)
            continue;
        if (current == kConfig)
            line = rewrite_config_line(line, index, planet, random);
        sections[static_cast<std::size_t>(current)].push_back(std::move(line));
    }

    if (options.write_inhibitions) {
        sections[kVariables] = {"[variables]"};
        for (int flag = 0; flag <= 6; ++flag)
            if (planet.features[static_cast<std::size_t>(flag)])
                sections[kVariables].emplace_back(FeatureKeywords[static_cast<std::size_t>(flag)]);
    }
    if (options.write_facilities) {
        sections[kFacilities] = {"[facilities]"};
        int written = 0;
        for (int flag = kInhibitionCount; flag < kFeatureCount; ++flag)
            if (planet.features[static_cast<std::size_t>(flag)])
                sections[kFacilities].push_back(
                    std::to_string(written++) + " = " +
                    std::string(FeatureKeywords[static_cast<std::size_t>(flag)]));
    }
    if (planet.home)
        sections[kFacilities] = {"[facilities]", "0 = largefactory", "1 = shipyarda",
                                 "2 = smallacademy"};
    sections[kHopcounts] = {"[hopcounts]", "0 = " + std::to_string(index) + ",0"};
    for (int k = 0; k < planet.link_count; ++k)
        sections[kHopcounts].push_back(std::to_string(k + 1) + " = " +
                                       std::to_string(planet.links[static_cast<std::size_t>(k)]) +
                                       ",1");

    std::string text;
    for (const auto& section : sections) {
        for (const std::string& line : section)
            text += line + "\r\n";
        text += "\r\n";
    }
    return text;
}

std::string encounter_path(const std::string& campaign_folder, const tc_planet& planet)
{
    return campaign_folder + kPathSeparator + file_name_of(planet.template_path);
}

}  // namespace orvek
