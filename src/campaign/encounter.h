// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An encounter file: a planet's template rewritten with the planet's position, number, names,
// links, hop counts and chosen features, its five known sections put in a fixed order.

#include "core/planet.h"
#include "campaign/campaign_format.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace orvek {

class Random;

struct EncounterOptions {
    bool write_inhibitions = false;  // inhibitions_box_ ticked
    bool write_facilities = false;   // facilities_box_ ticked
};

// The encounter file's bytes for planet `index` from its template's bytes. Draws once for every
// config line that holds "mapiconsize". Lines before the first known section header belong to
// no section and are dropped. Never fails.
std::string render_encounter(std::string_view template_bytes, int index, const Planet& planet,
                             const EncounterOptions& options, Random& random);

// The line a rule writes for planet `index`; empty for None and IconSize (which draws).
std::string config_line(ConfigRule rule, int index, const Planet& planet);

// The sections that the feature boxes and the links decide, header first: the planet's
// inhibition effects; the home set on the home planet, else its facilities; the hop counts.
std::vector<std::string> variables_section(const Planet& planet);
std::vector<std::string> facilities_section(const Planet& planet);
std::vector<std::string> hopcounts_section(int index, const Planet& planet);

// Where a feature box is unticked, a planet's file still says the features of that kind that the
// player set by hand. Whether planet has any in flags first..end-1; and the planet with its
// features those set by hand over `base` (the opened file's own; none for a generated planet).
bool has_features_by_hand(const Planet& planet, int first, int end);
Planet with_features_by_hand(const Planet& planet, const std::array<bool, kFeatureCount>& base);

// Where planet's encounter file goes: the campaign folder and the template's own file name.
std::string encounter_path(const std::string& campaign_folder, const Planet& planet);

}  // namespace orvek
