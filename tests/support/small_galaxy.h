// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A galaxy generated from a game folder with the window's start-up settings ("Generate"), or with
// other size and jumpgate presets selected.

#include "core/generate_command.h"
#include "core/random.h"
#include "gamedata/game_services.h"

namespace orvek::testing {

inline Galaxy generate_in(const GameFolder& folder, Random& random, int size = 1, int gates = 1)
{
    GameFolderServices sources(folder);
    LastStatus status;
    GenerationServices services{status, sources, sources, sources};
    GalaxySettings settings;
    settings.size_class = size;
    settings.gate_style = gates;
    Galaxy galaxy;
    std::string name;
    run_generate_command(GenerateKind::WithPresets, settings, galaxy, name, services, random);
    return galaxy;
}

}  // namespace orvek::testing
