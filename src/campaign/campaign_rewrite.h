// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An opened campaign written again: every line of its files that no edit touched is kept as it
// was read, and only the keys, sections and entries that the galaxy now says otherwise change.

#include "campaign/campaign_reader.h"
#include "campaign/encounter.h"

#include <string>
#include <vector>

namespace orvek {

// The encounter file of `planet`, now number `index`, from the file it was read from (`as_read`
// the planet as read, number planet.source). Rewritten only where the galaxy differs: the
// position, number, name and wormholes lines, the hop counts when the number or the links
// changed, the facilities when the home moved to or from the planet (a planet that is no longer
// home keeps none) or the facility box is ticked, the inhibition effects when that box is. The
// bytes as read when nothing differs; the file's own line breaks otherwise. Never fails.
std::string rewrite_encounter(const LoadedPlanet& file, const Planet& as_read, int index,
                              const Planet& planet, const EncounterOptions& options);

// The map file of the campaign saved again under its own id: Homeworld, the map size and
// Planets, MapTexture, GUIName and the encounter entries rewritten where they differ (an entry
// read keeps its path), every other line as read. The bytes as read when nothing differs.
std::string rewrite_map_file(const LoadedCampaign& campaign, const std::string& campaign_name,
                             int home, const std::vector<Planet>& planets,
                             const std::string& background_path);

}  // namespace orvek
