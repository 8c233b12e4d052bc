// SPDX-License-Identifier: GPL-3.0-or-later
#include "gamedata/game_services.h"

#include "gamedata/names.h"

namespace orvek {

const std::string& GameFolderServices::draw_background(Random& random)
{
    if (!backgrounds_)
        backgrounds_ = list_backgrounds(folder_);
    orvek::draw_background(*backgrounds_, random, background_path_);
    return background_path_;
}

void GameFolderServices::list_templates(std::vector<std::string>& list)
{
    if (!templates_)
        templates_ = orvek::list_templates(folder_);
    list = *templates_;
}

const std::vector<std::string>& GameFolderServices::load_system_names()
{
    if (!system_names_)
        system_names_ = orvek::load_system_names(folder_);
    return *system_names_;
}

void GameFolderServices::make_up_system_name(Random& random, std::string& name)
{
    orvek::make_up_system_name(random, name);
}

std::string GameFolderServices::draw_campaign_name(const GalaxySettings& settings, Random& random)
{
    return orvek::draw_campaign_name(folder_, settings, random);
}

NewPlanetSources new_planet_sources(const GameFolder& folder)
{
    return {orvek::list_templates(folder), orvek::load_system_names(folder)};
}

}  // namespace orvek
