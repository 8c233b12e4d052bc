// SPDX-License-Identifier: GPL-3.0-or-later
// The figures of a galaxy from its links, on small galaxies whose figures can be counted by hand.

#include "core/galaxy_figures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <utility>

namespace orvek {
namespace {

// Planets 0..n-1 on a circle (no jumpgate between them passes a third or crosses another unless
// `at` places them otherwise), joined as `links` say (each held by the first planet only, as one
// way), home 0.
std::vector<Planet> galaxy_of(int n, const std::vector<std::pair<int, int>>& links,
                              const std::vector<std::pair<int, int>>& at = {})
{
    std::vector<Planet> planets(static_cast<std::size_t>(n));
    for (int p = 0; p < n; ++p) {
        Planet& planet = planets[static_cast<std::size_t>(p)];
        const double angle = 6.283185307179586 * p / n;
        planet.x = 500 + static_cast<int>(std::lround(400 * std::cos(angle)));
        planet.y = 500 + static_cast<int>(std::lround(400 * std::sin(angle)));
        if (static_cast<std::size_t>(p) < at.size())
            std::tie(planet.x, planet.y) = at[static_cast<std::size_t>(p)];
    }
    planets[0].home = true;
    for (const auto& [a, b] : links)
        planets[static_cast<std::size_t>(a)].links.push_back(b);
    return planets;
}

TEST(GalaxyFigures, CountedByHand)
{
    const struct {
        const char* name;
        std::vector<Planet> planets;
        GalaxyFigures figures;  // max, mean, dead ends, chokepoints, bridges, diameter, links,
                                // through planets, crossings
    } rows[] = {
        {"a path", galaxy_of(5, {{0, 1}, {1, 2}, {2, 3}, {3, 4}}), {4, 2.5, 2, 3, 4, 4, 4}},
        {"a ring", galaxy_of(5, {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 0}}), {2, 1.5, 0, 0, 0, 2, 5}},
        {"a star", galaxy_of(5, {{0, 1}, {0, 2}, {3, 0}, {4, 0}}), {1, 1, 4, 1, 4, 2, 4}},
        {"two triangles and a bridge",
         galaxy_of(6, {{0, 1}, {1, 2}, {2, 0}, {3, 4}, {4, 5}, {5, 3}, {2, 3}}),
         {3, 2, 0, 2, 1, 3, 7}},
        {"links both ways, to itself and to no planet count once or not at all",
         galaxy_of(3, {{0, 1}, {1, 0}, {1, 1}, {1, 2}, {2, 2}, {2, 99}, {2, -1}}),
         {2, 1.5, 2, 1, 2, 2, 2}},
        {"a planet without a jumpgate is no dead end",
         galaxy_of(3, {{0, 1}}),
         {1, 1, 2, 0, 1, 1, 1}},
        {"two pieces: the hops count the home's",
         galaxy_of(4, {{0, 1}, {2, 3}}),
         {1, 1, 4, 0, 2, 1, 2}},
        {"thirds rounded to two decimals",
         galaxy_of(4, {{0, 1}, {0, 2}, {2, 3}}),
         {2, 1.33, 2, 2, 3, 3, 3}},
        {"two thirds rounded up", galaxy_of(4, {{0, 1}, {1, 2}, {1, 3}}), {2, 1.67, 3, 1, 3, 2, 3}},
        {"no planet home: planet 0 counts as home",
         [] {
             std::vector<Planet> planets = galaxy_of(4, {{0, 1}, {1, 2}, {2, 3}});
             planets[0].home = false;
             return planets;
         }(),
         {3, 2, 2, 2, 3, 3, 3}},
        {"a square's two diagonals cross; sides that meet at a planet do not",
         galaxy_of(4, {{0, 2}, {1, 3}, {0, 1}}, {{100, 100}, {900, 100}, {900, 900}, {100, 900}}),
         {2, 1.33, 2, 2, 3, 3, 3, 0, 1}},
        {"a gate passing 12 units from a third planet goes through it, 13 units does not",
         galaxy_of(4, {{0, 1}, {2, 3}, {1, 3}}, {{100, 500}, {900, 500}, {500, 512}, {500, 900}}),
         {3, 2, 2, 2, 3, 3, 3, 1, 0}},
        {"a planet whose file was not read stands nowhere: no gate goes through it",
         [] {
             std::vector<Planet> planets = galaxy_of(
                 4, {{0, 1}, {2, 3}, {1, 3}}, {{100, 500}, {900, 500}, {500, 512}, {500, 900}});
             planets[2].unread = true;
             return planets;
         }(),
         {3, 2, 2, 2, 3, 3, 3, 0, 0}},
        {"13 units off it goes clear",
         galaxy_of(4, {{0, 1}, {2, 3}, {1, 3}}, {{100, 500}, {900, 500}, {500, 513}, {500, 900}}),
         {3, 2, 2, 2, 3, 3, 3, 0, 0}},
        {"a gate ending on another's line goes through its planet and meets it",
         galaxy_of(4, {{0, 1}, {2, 3}}, {{100, 500}, {900, 500}, {500, 500}, {500, 900}}),
         {1, 1, 4, 0, 2, 1, 2, 1, 1}},
    };
    for (const auto& row : rows) {
        const GalaxyFigures f = galaxy_figures(row.planets);
        EXPECT_EQ(f, row.figures) << row.name << ": " << f.hops_from_home_max << " "
                                  << f.hops_from_home_mean << " " << f.dead_ends << " "
                                  << f.chokepoints << " " << f.bridges << " " << f.diameter << " "
                                  << f.links << " " << f.through_planets << " " << f.crossings;
    }
}

TEST(GalaxyFigures, TheCutsByName)
{
    const GalaxyCuts cuts =
        galaxy_cuts(galaxy_of(6, {{0, 1}, {1, 2}, {2, 0}, {3, 4}, {4, 5}, {5, 3}, {2, 3}}));
    EXPECT_EQ(cuts.chokepoints, (std::vector<int>{2, 3}));
    EXPECT_EQ(cuts.bridges, (std::vector<std::pair<int, int>>{{2, 3}}));
    // A gate passing two planets is named once, with the nearer of them: 5 units off, not 10.
    const GatesInTheWay in_the_way = gates_in_the_way(
        galaxy_of(4, {{1, 0}, {2, 3}}, {{100, 500}, {900, 500}, {300, 510}, {700, 505}}));
    EXPECT_EQ(in_the_way.through, (std::vector<GateThrough>{{0, 1, 3}}));
}

TEST(GalaxyFigures, InWordsOneAndMany)
{
    const GalaxyFigures each{4, 2.5, 3, 1, 2, 6, 20, 1, 2};
    EXPECT_EQ(figures_in_words(each),
              "the farthest planet lies 4 jumps from home, the planets 2.50 on average\n"
              "20 jumpgates; the longest way between two planets takes 6 jumps\n"
              "3 dead ends, 1 chokepoints, 2 bridges\n"
              "1 jumpgate through a planet, 2 crossings\n");
    GalaxyFigures f;
    EXPECT_NE(figures_in_words(f).find("\n0 jumpgates through a planet, 0 crossings\n"),
              std::string::npos);
    f.through_planets = f.crossings = 1;
    EXPECT_NE(figures_in_words(f).find("\n1 jumpgate through a planet, 1 crossing\n"),
              std::string::npos);
}

}  // namespace
}  // namespace orvek
