// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Places and planets that tests choose for an edit the galaxy can take: a free spot for a move
// or an add, and a planet whose deletion leaves every other reached.

#include "core/free_map.h"
#include "core/galaxy_edit.h"

#include <utility>
#include <vector>

namespace orvek::testing {

// The first place, scanned in steps of `step` map units, where a new planet may stand; (-1, -1)
// on a full map.
inline std::pair<int, int> free_spot(const std::vector<Planet>& g, int step)
{
    for (int x = kMapMin; x <= kMapMax; x += step)
        for (int y = kMapMin; y <= kMapMax; y += step)
            if (position_refusal(g, -1, x, y).empty())
                return {x, y};
    return {-1, -1};
}

// The first planet that is neither home nor needed to reach another, or -1.
inline int spare_planet(const std::vector<Planet>& g)
{
    if (g.size() <= static_cast<std::size_t>(kFewestPlanets))
        return -1;
    for (int p = 1; p < static_cast<int>(g.size()); ++p) {
        if (g[static_cast<std::size_t>(p)].home)
            continue;
        std::vector<Planet> without = g;
        delete_planet(g, p)->apply(without);
        if (unreachable_planets(without).empty())
            return p;
    }
    return -1;
}

}  // namespace orvek::testing
