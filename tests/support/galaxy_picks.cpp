// SPDX-License-Identifier: GPL-3.0-or-later
// Built with the libraries' optimisation, unlike the test files, and sieved by the clash rule
// before the refusal words its sentence: a scan of a full map takes seconds otherwise.
#include "support/galaxy_picks.h"

#include "core/free_map.h"
#include "core/galaxy_edit.h"
#include "core/generator.h"

#include <algorithm>

namespace orvek::testing {

std::pair<int, int> free_spot(const std::vector<Planet>& g, int step)
{
    for (int x = kMapMin; x <= kMapMax; x += step)
        for (int y = kMapMin; y <= kMapMax; y += step)
            if (std::none_of(g.begin(), g.end(),
                             [&](const Planet& q) { return positions_clash(x, y, q.x, q.y); }) &&
                position_refusal(g, -1, x, y).empty())
                return {x, y};
    return {-1, -1};
}

int spare_planet(const std::vector<Planet>& g)
{
    if (g.size() <= static_cast<std::size_t>(kFewestPlanets))
        return -1;
    for (int p = 1; p < static_cast<int>(g.size()); ++p) {
        if (g[planet_index(p)].home)
            continue;
        std::vector<Planet> without = g;
        delete_planet(g, p)->apply(without);
        if (unreachable_planets(without).empty())
            return p;
    }
    return -1;
}

}  // namespace orvek::testing
