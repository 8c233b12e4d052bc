// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Places and planets that tests choose for an edit the galaxy can take: a free spot for a move
// or an add, and a planet whose deletion leaves every other reached.

#include "core/planet.h"

#include <utility>
#include <vector>

namespace orvek::testing {

// The first place, scanned in steps of `step` map units, where a new planet may stand; (-1, -1)
// on a full map.
std::pair<int, int> free_spot(const std::vector<Planet>& g, int step);

// The first planet that is neither home nor needed to reach another, or -1.
int spare_planet(const std::vector<Planet>& g);

}  // namespace orvek::testing
