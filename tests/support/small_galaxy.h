#pragma once
// A galaxy generated from a game folder with the window's start-up settings ("Generate").

#include "core/generate_command.h"
#include "core/random.h"
#include "gamedata/game_services.h"

namespace orvek::testing {

inline Galaxy generate_in(const GameFolder& folder, Random& random)
{
    GameFolderServices sources(folder);
    LastStatus status;
    GenerationServices services{status, sources, sources, sources};
    GalaxySettings settings;
    Galaxy galaxy;
    std::string name;
    run_generate_command(GenerateKind::WithPresets, settings, galaxy, name, services, random);
    return galaxy;
}

}  // namespace orvek::testing
