// SPDX-License-Identifier: GPL-3.0-or-later
#include "archive/archive_manifest.h"

#include "core/cp1252.h"
#include "core/version.h"
#include "gamedata/names.h"

namespace orvek {

nlohmann::ordered_json figures_json(const GalaxyFigures& f)
{
    return {{"hops_from_home_max", f.hops_from_home_max},
            {"hops_from_home_mean", f.hops_from_home_mean},
            {"dead_ends", f.dead_ends},
            {"chokepoints", f.chokepoints},
            {"bridges", f.bridges},
            {"diameter", f.diameter},
            {"links", f.links},
            {"through_planets", f.through_planets},
            {"crossings", f.crossings}};
}

std::string archive_manifest(const LoadedCampaign& campaign, const std::string& generate,
                             std::optional<std::uint32_t> seed)
{
    const std::vector<Planet> planets = galaxy_planets(campaign);
    const nlohmann::ordered_json manifest = {
        {"format", 1},
        {"name", cp1252_to_utf8(campaign.name)},
        {"id", campaign_id(campaign.id)},
        {"planets", planets.size()},
        {"figures", figures_json(galaxy_figures(planets))},
        {"generate",
         generate.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(generate)},
        {"seed", seed ? nlohmann::ordered_json(*seed) : nlohmann::ordered_json(nullptr)},
        {"program", "orvek-galaxy " + program_version()}};
    return manifest.dump(2) + "\n";
}

}  // namespace orvek
