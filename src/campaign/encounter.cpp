// SPDX-License-Identifier: GPL-3.0-or-later
#include "campaign/encounter.h"

#include "core/ascii.h"
#include "core/random.h"
#include "campaign/features.h"
#include "gamedata/game_folder.h"
#include "gamedata/text_file.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

namespace orvek {

namespace {

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

}  // namespace

std::string config_line(ConfigRule rule, int index, const Planet& planet)
{
    switch (rule) {
    case ConfigRule::PositionX: return config_prefix(rule) + map_fraction(planet.x);
    case ConfigRule::PositionY: return config_prefix(rule) + map_fraction(planet.y);
    case ConfigRule::EncounterId: return config_prefix(rule) + std::to_string(index);
    case ConfigRule::Name: return config_prefix(rule) + key_name(planet.system_name);
    case ConfigRule::GuiName: return config_prefix(rule) + planet.system_name;
    case ConfigRule::Wormholes: {
        std::string line = config_prefix(rule);
        for (const std::int32_t link : planet.links)
            line += std::to_string(link) + ",";
        return line;
    }
    default: return {};
    }
}

std::vector<std::string> variables_section(const Planet& planet)
{
    std::vector<std::string> section{"[variables]"};
    for (int flag = 0; flag < kInhibitionCount; ++flag)
        if (planet.features[static_cast<std::size_t>(flag)])
            section.emplace_back(kFeatureKeywords[static_cast<std::size_t>(flag)]);
    return section;
}

bool has_features_by_hand(const Planet& planet, int first, int end)
{
    return std::any_of(planet.features_set.begin() + first, planet.features_set.begin() + end,
                       [](bool set) { return set; });
}

Planet with_features_by_hand(const Planet& planet, const std::array<bool, kFeatureCount>& base)
{
    Planet out = planet;
    for (std::size_t f = 0; f < kFeatureCount; ++f)
        out.features[f] = planet.features_set[f] ? planet.features[f] : base[f];
    return out;
}

std::vector<std::string> facilities_section(const Planet& planet)
{
    if (planet.home)
        return {"[facilities]", "0 = largefactory", "1 = shipyarda", "2 = smallacademy"};
    std::vector<std::string> section{"[facilities]"};
    int written = 0;
    for (int flag = kInhibitionCount; flag < kFeatureCount; ++flag)
        if (planet.features[static_cast<std::size_t>(flag)])
            section.push_back(std::to_string(written++) + " = " +
                              std::string(kFeatureKeywords[static_cast<std::size_t>(flag)]));
    return section;
}

std::vector<std::string> hopcounts_section(int index, const Planet& planet)
{
    std::vector<std::string> section{"[hopcounts]", "0 = " + std::to_string(index) + ",0"};
    for (std::size_t k = 0; k < planet.links.size(); ++k)
        section.push_back(std::to_string(k + 1) + " = " + std::to_string(planet.links[k]) + ",1");
    return section;
}

std::string render_encounter(std::string_view template_bytes, int index, const Planet& planet,
                             const EncounterOptions& options, Random& random)
{
    std::array<std::vector<std::string>, 5> sections;
    int current = -1;
    for (std::string& line : split_lines(template_bytes)) {
        if (const int opened = encounter_section(line); opened >= 0)
            current = opened;
        if (current < 0)
            continue;
        if (current == kConfig) {
            // The draw is made for every line that holds the key, whichever rule decides it.
            const std::uint32_t icon_size =
                line.find("mapiconsize") != line.npos ? 22 + random(15) : 0;
            const ConfigRule rule = config_rule(line);
            if (rule == ConfigRule::IconSize)
                line = "mapiconsize = " + std::to_string(icon_size) + ".0000";
            else if (rule != ConfigRule::None)
                line = config_line(rule, index, planet);
        }
        sections[static_cast<std::size_t>(current)].push_back(std::move(line));
    }

    const Planet by_hand = with_features_by_hand(planet, {});
    if (options.write_inhibitions)
        sections[kVariables] = variables_section(planet);
    else if (has_features_by_hand(planet, 0, kInhibitionCount))
        sections[kVariables] = variables_section(by_hand);
    // The home planet's facilities are the home set whether the box is ticked or not.
    if (options.write_facilities || planet.home)
        sections[kFacilities] = facilities_section(planet);
    else if (has_features_by_hand(planet, kInhibitionCount, kFeatureCount))
        sections[kFacilities] = facilities_section(by_hand);
    sections[kHopcounts] = hopcounts_section(index, planet);

    std::string text;
    for (const auto& section : sections) {
        for (const std::string& line : section)
            text += line + "\r\n";
        text += "\r\n";
    }
    return text;
}

std::string encounter_path(const std::string& campaign_folder, const Planet& planet)
{
    return campaign_folder + kPathSeparator + planet.template_file;
}

}  // namespace orvek
