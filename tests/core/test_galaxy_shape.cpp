// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/galaxy_shape.h"

#include "core/galaxy_figures.h"
#include "core/generator.h"
#include "core/random.h"
#include "support/fake_services.h"
#include "support/generator_checks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvek {
namespace {

using testing::FakeWorld;
using testing::params_of;

TEST(ShapeNames, ReadAsWritten)
{
    const struct {
        const char* text;
        bool known;
    } rows[] = {{"classic", true},     {"disc", true},      {"ring", true},
                {"spiral:2", true},    {"spiral:4", true},  {"clusters:2", true},
                {"clusters:6", true},  {"spiral:1", false}, {"spiral:5", false},
                {"clusters:7", false}, {"spiral", false},   {"Disc", false},
                {"", false},           {"spiral:02", false}};
    for (const auto& row : rows) {
        const std::optional<GalaxyShape> shape = parse_shape(row.text);
        EXPECT_EQ(shape.has_value(), row.known) << row.text;
        if (shape) {
            EXPECT_EQ(shape_text(*shape), row.text);
        }
    }
}

// How many planets a walk along the links reaches from planet 0.
int reached(const std::vector<Planet>& planets)
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
    return static_cast<int>(walk.size());
}

// Every shape over 200 seeds, planet counts spread over the range, with and without clear
// jumpgates: every planet inside the outline and clear of the others, every one reachable, and
// clear jumpgates neither through a planet nor across one another.
class EveryShape : public ::testing::TestWithParam<GalaxyShape> {};

TEST_P(EveryShape, KeepsItsOutlineAndTheRules)
{
    const GalaxyShape shape = GetParam();
    for (int seed = 1; seed <= 200; ++seed)
        for (const bool clear : {false, true}) {
            const int n = seed % 25 == 0 ? 175 : 8 + seed * 37 % 110;
            const std::string what = "seed " + std::to_string(seed) + ", " + std::to_string(n) +
                                     " planets" + (clear ? ", clear jumpgates" : "");
            GalaxyParams params = params_of(n, seed % 4, 30, 40, 5);
            params.shape = shape;
            params.clear_gates = clear;
            FakeWorld world;
            Random random(static_cast<std::uint32_t>(seed));
            Galaxy galaxy;
            generate_galaxy(params, world.services, random, galaxy);
            ASSERT_EQ(static_cast<int>(galaxy.planets.size()), n) << what;
            const ShapeOutline outline(shape, n);
            EXPECT_EQ(outline.whole_map(), shape.kind == ShapeKind::Classic || n >= 124) << what;
            for (std::size_t p = 0; p < galaxy.planets.size(); ++p) {
                const Planet& a = galaxy.planets[p];
                ASSERT_TRUE(outline.inside(a.x, a.y)) << what << ": planet " << p;
                for (std::size_t q = 0; q < p; ++q)
                    ASSERT_FALSE(
                        positions_clash(a.x, a.y, galaxy.planets[q].x, galaxy.planets[q].y))
                        << what << ": planets " << q << " and " << p;
            }
            EXPECT_EQ(reached(galaxy.planets), n) << what;
            if (clear) {
                const GalaxyFigures figures = galaxy_figures(galaxy.planets);
                EXPECT_EQ(figures.through_planets, 0) << what;
                EXPECT_EQ(figures.crossings, 0) << what;
            }
        }
}

INSTANTIATE_TEST_SUITE_P(Shapes, EveryShape, ::testing::ValuesIn(every_shape()),
                         [](const auto& info) {
                             std::string name = shape_text(info.param);
                             for (char& c : name)
                                 if (c == ':')
                                     c = '_';
                             return name;
                         });

}  // namespace
}  // namespace orvek
