// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the generator's and the Generate command's tests share: the numbers of a galaxy in one
// call, and the comparison of two galaxies planet by planet.

#include "core/generator.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvek::testing {

inline GalaxyParams params_of(int planets, int wormholes, int j1, int j2, int j3)
{
    GalaxyParams p;
    p.planets = planets;
    p.wormhole_text = std::to_string(wormholes);
    p.join1 = j1;
    p.join2 = j2;
    p.join3 = j3;
    return p;
}

// How many planets a walk along the links reaches from planet 0.
inline std::size_t reached_from_first(const std::vector<Planet>& planets)
{
    std::vector<bool> seen(planets.size());
    std::vector<int> walk{0};
    seen[0] = true;
    for (std::size_t i = 0; i < walk.size(); ++i)
        for (const int q : planets[static_cast<std::size_t>(walk[i])].links)
            if (!seen[static_cast<std::size_t>(q)]) {
                seen[static_cast<std::size_t>(q)] = true;
                walk.push_back(q);
            }
    return walk.size();
}

inline void expect_same_galaxy(const Galaxy& a, const Galaxy& b, const std::string& what)
{
    ASSERT_EQ(a.planets.size(), b.planets.size()) << what;
    EXPECT_EQ(a.background_path, b.background_path) << what;
    for (std::size_t i = 0; i < a.planets.size(); ++i) {
        const Planet &p = a.planets[i], &q = b.planets[i];
        EXPECT_EQ(p.x, q.x) << what << " planet " << i;
        EXPECT_EQ(p.y, q.y) << what << " planet " << i;
        EXPECT_EQ(p.system_name, q.system_name) << what << " planet " << i;
        EXPECT_EQ(p.template_file, q.template_file) << what << " planet " << i;
        EXPECT_EQ(p.links, q.links) << what << " planet " << i;
        EXPECT_EQ(p.farthest, q.farthest) << what << " planet " << i;
        EXPECT_EQ(p.home, q.home) << what << " planet " << i;
    }
}

}  // namespace orvek::testing
