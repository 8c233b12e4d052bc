// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Random edits for the property test and the benchmark: any of the ten, at random planets and
// places, made from the galaxy as it stands; many are refused (EditRefused), as a player's might.

#include "core/galaxy_edit.h"
#include "core/random.h"

namespace orvek::testing {

// A random edit that the galaxy may or may not take; a planet added takes its template from
// `sources` when given.
inline EditPointer random_edit(const std::vector<Planet>& g, Random& random,
                               const NewPlanetSources* sources = nullptr)
{
    const auto n = static_cast<std::uint32_t>(g.size());
    const int p = static_cast<int>(random(n)), q = static_cast<int>(random(n));
    const int x = 20 + static_cast<int>(random(960)), y = 20 + static_cast<int>(random(960));
    const int feature = static_cast<int>(random(kFeatureCount));
    switch (random(10)) {
    case 0: return move_planet(g, p, x, y);
    case 1: return join_planets(g, p, q);
    case 2:
        return !g[static_cast<std::size_t>(p)].links.empty()
                   ? cut_link(g, p, g[static_cast<std::size_t>(p)].links[0])
                   : cut_link(g, p, q);
    case 3: return rename_planet(g, p, "Renamed " + std::to_string(x));
    case 4: return make_home(g, p);
    case 5:
        return sources
                   ? add_planet(g, x, y, *sources)
                   : add_planet(g, x, y,
                                {{"new/campaign_all_" + std::to_string(g.size()) + ".txt"}, {}});
    case 6: return set_feature(g, {p, q}, feature, x % 2 == 0);
    case 7: return clear_facility(g, {p}, std::max(feature, kInhibitionCount));
    case 8: return move_planets(g, {p, q}, (x - 500) / 4, (y - 500) / 4);
    default: return delete_planet(g, p);
    }
}

}  // namespace orvek::testing
