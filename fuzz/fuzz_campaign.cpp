// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as a saved campaign: a map file, then encounter files, split at each pair of NUL
// bytes. Reading and checking them never crashes, hangs or reads out of bounds, and no value read
// is longer than its field holds: a planet's name, the campaign's names, a planet's links.

#include "campaign/campaign_check.h"
#include "campaign/campaign_reader.h"
#include "core/galaxy_edit.h"
#include "gamedata/names.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> parts;
    for (std::size_t cut; (cut = bytes.find(std::string_view("\0\0", 2))) != bytes.npos;) {
        parts.emplace_back(bytes.substr(0, cut));
        bytes.remove_prefix(cut + 2);
    }
    parts.emplace_back(bytes);
    orvek::LoadedCampaign campaign;
    campaign.id = "fuzz";
    campaign.map_file = "fuzz.txt";
    campaign.map_bytes = parts.front();
    orvek::parse_map_file(campaign);
    for (std::size_t i = 0; i < campaign.planets.size() && i + 1 < parts.size(); ++i) {
        orvek::LoadedPlanet& planet = campaign.planets[i];
        planet.file_name = "campaign_all_" + std::to_string(i) + ".txt";
        planet.bytes = parts[i + 1];
        planet.read = true;
        orvek::parse_encounter_file(planet, campaign.reading);
        campaign.folder_files.push_back(planet.file_name);
    }
    orvek::check_campaign(campaign, {"nebula1.jpg"}, {"campaign_all_0.txt"});
    if (campaign.name.size() > orvek::kMaxCampaignNameLength ||
        campaign.name_key.size() > orvek::kMaxCampaignNameLength || campaign.picture.size() > 255)
        std::abort();
    for (const orvek::LoadedPlanet& planet : campaign.planets)
        if (planet.planet.system_name.size() > std::size_t{orvek::kMaxNameLength} ||
            planet.planet.links.size() > std::size_t{orvek::kMostPlanets} + 1 ||
            planet.hopcounts.size() > std::size_t{orvek::kMostPlanets} + 1)
            std::abort();
    return 0;
}
