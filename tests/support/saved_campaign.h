// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A small game folder holding one saved campaign, "Mine", for the tests that work on a campaign
// already on disk.

#include "campaign/save.h"
#include "core/random.h"
#include "gamedata/game_folder.h"
#include "support/small_galaxy.h"
#include "support/temp_dir.h"
#include "support/yes_dialog.h"

#include <stdexcept>

namespace orvek::testing {

// Makes a small game folder of 40 templates in `game` and saves the Generate of seed 5 in it as
// "Mine"; returns the galaxy saved. Throws std::runtime_error when the Save does not save.
inline Galaxy save_mine(const TempDir& game, const GameFolder& folder)
{
    make_small_game(game, 40);
    Random random(5);
    Galaxy galaxy = generate_in(folder, random);
    SaveRequest request;
    request.campaign_name = "Mine";
    YesDialog dialog;
    if (save_campaign(galaxy, request, folder, random, dialog) != SaveResult::Saved)
        throw std::runtime_error("the campaign \"Mine\" was not saved");
    return galaxy;
}

}  // namespace orvek::testing
