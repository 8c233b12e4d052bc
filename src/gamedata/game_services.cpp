#include "gamedata/game_services.h"

#include "gamedata/names.h"

namespace orvek {

const std::string& GameFolderServices::Get_Background(Random& random)
{
    if (!backgrounds_)
        backgrounds_ = list_backgrounds(folder_);
    orvek::Get_Background(*backgrounds_, random, background_path_);
    return background_path_;
}

void GameFolderServices::Get_Templates(std::vector<std::string>& list)
{
    if (!templates_)
        templates_ = orvek::Get_Templates(folder_);
    list = *templates_;
}

const std::vector<std::string>& GameFolderServices::Load_System_Names()
{
    if (!system_names_)
        system_names_ = orvek::Load_System_Names(folder_);
    return *system_names_;
}

void GameFolderServices::Make_Up_System_Name(Random& random, std::string& name)
{
    orvek::Make_Up_System_Name(random, name);
}

std::string GameFolderServices::Get_Campaign_Name(const GalaxySettings& settings, Random& random)
{
    return orvek::Get_Campaign_Name(folder_, settings, random);
}

NewPlanetSources new_planet_sources(const GameFolder& folder)
{
    return {orvek::Get_Templates(folder), orvek::Load_System_Names(folder)};
}

}  // namespace orvek
