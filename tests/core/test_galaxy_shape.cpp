// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/galaxy_shape.h"

#include "core/galaxy_figures.h"
#include "core/gate_geometry.h"
#include "core/generator.h"
#include "core/random.h"
#include "support/fake_services.h"
#include "support/generator_checks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <utility>
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

// The centres of the blocks an outline holds.
std::vector<std::pair<int, int>> outline_blocks(const ShapeOutline& outline)
{
    using S = ShapeOutline;
    std::vector<std::pair<int, int>> blocks;
    for (int y = S::kFirst + S::kBlock / 2; y < S::kFirst + S::kBlocks * S::kBlock; y += S::kBlock)
        for (int x = S::kFirst + S::kBlock / 2; x < S::kFirst + S::kBlocks * S::kBlock;
             x += S::kBlock)
            if (outline.inside(x, y))
                blocks.emplace_back(x, y);
    return blocks;
}

// How many of the outline's blocks `turn` takes outside it.
int moved_out(const ShapeOutline& outline, std::pair<int, int> (*turn)(int, int))
{
    int out = 0;
    for (const auto& [x, y] : outline_blocks(outline)) {
        const auto [tx, ty] = turn(x, y);
        out += !outline.inside(tx, ty);
    }
    return out;
}

// The outlines for 61 planets: as many blocks as leave each planet its room (56 units square, 42 %
// of the outline); a ring round the circle of radius 300; clusters mirrored left to right, the
// first straight up; spiral arms evenly spread, so that a half turn (two arms) or a quarter turn
// (four) keeps the outline.
TEST(ShapeOutlines, HaveTheirShapes)
{
    const auto mirrored = [](int x, int y) { return std::pair(1000 - x, y); };
    const auto half_turn = [](int x, int y) { return std::pair(1000 - x, 1000 - y); };
    const auto quarter_turn = [](int x, int y) { return std::pair(1000 - y, x); };
    for (const GalaxyShape& shape : every_shape()) {
        if (shape.kind == ShapeKind::Classic)
            continue;
        const std::string name = shape_text(shape);
        const ShapeOutline outline(shape, 61);
        const auto blocks = outline_blocks(outline);
        EXPECT_EQ(blocks.size(), 1139u) << name << ": 61 x 56 x 56 / 0.42 / 400, rounded up";
        const int margin = static_cast<int>(blocks.size()) / 50;
        if (shape.kind == ShapeKind::Ring) {
            double inner = 1000, outer = 0;
            for (const auto& [x, y] : blocks) {
                inner = std::min(inner, std::hypot(x - 500, y - 500));
                outer = std::max(outer, std::hypot(x - 500, y - 500));
            }
            EXPECT_NEAR((inner + outer) / 2, 300, 15) << name;
        }
        if (shape.kind == ShapeKind::Clusters) {
            EXPECT_LE(moved_out(outline, mirrored), margin) << name;
            double top = 0;
            int in_top_row = 0;
            for (const auto& [x, y] : blocks)
                if (y == blocks.front().second)
                    top += x, ++in_top_row;
            EXPECT_NEAR(top / in_top_row, 500, 10) << name << ": the top row's middle";
        }
        if (shape.kind == ShapeKind::Spiral && shape.parts != 3) {
            EXPECT_LE(moved_out(outline, shape.parts == 2 ? +half_turn : +quarter_turn), margin)
                << name;
        }
        // Each arm turns through 144 degrees on its way out: its end, 470 units from the middle,
        // lies in the outline even of a galaxy of 20 planets.
        if (shape.kind != ShapeKind::Spiral)
            continue;
        const ShapeOutline small(shape, 20);
        for (int arm = 0; arm < shape.parts; ++arm) {
            const double angle = 2 * std::numbers::pi * arm / shape.parts + 0.8 * std::numbers::pi;
            const int x = static_cast<int>(500 + 470 * std::cos(angle));
            const int y = static_cast<int>(500 + 470 * std::sin(angle));
            EXPECT_TRUE(small.inside(x, y)) << name << " arm " << arm;
        }
    }
}

// Whether the jumpgate from a to b would pass a third planet or cross a jumpgate of the galaxy.
bool blocked(const std::vector<Planet>& planets, int a, int b)
{
    using namespace gate_geometry;
    const auto at = [&](int p) -> const Planet& { return planets[static_cast<std::size_t>(p)]; };
    for (int t = 0; t < static_cast<int>(planets.size()); ++t)
        if (t != a && t != b && passes_near(at(a), at(b), at(t)))
            return true;
    for (int c = 0; c < static_cast<int>(planets.size()); ++c)
        for (const int d : at(c).links)
            if (c != a && c != b && d != a && d != b && segments_meet(at(a), at(b), at(c), at(d)))
                return true;
    return false;
}

// With clear jumpgates, each planet's first link goes to the nearest of its 16 nearest planets
// whose jumpgate would be clear: every nearer one is blocked.
void expect_first_links_nearest_clear(const std::vector<Planet>& planets, const std::string& what)
{
    const auto far = [&](int p, int q) {
        const std::int64_t dx =
            planets[static_cast<std::size_t>(p)].x - planets[static_cast<std::size_t>(q)].x;
        const std::int64_t dy =
            planets[static_cast<std::size_t>(p)].y - planets[static_cast<std::size_t>(q)].y;
        return std::pair(dx * dx + dy * dy, q);
    };
    for (int p = 0; p < static_cast<int>(planets.size()); ++p) {
        std::vector<std::pair<std::int64_t, int>> nearest;
        for (int q = 0; q < static_cast<int>(planets.size()); ++q)
            if (q != p)
                nearest.push_back(far(p, q));
        std::sort(nearest.begin(), nearest.end());
        nearest.resize(std::min<std::size_t>(nearest.size(), 16));
        const int first = planets[static_cast<std::size_t>(p)].links[0];
        for (const auto& [distance, r] : nearest)
            if (far(p, r) < far(p, first)) {
                EXPECT_TRUE(blocked(planets, p, r))
                    << what << ": planet " << p << " passed over " << r;
            }
    }
}

// Every shape over 200 seeds, planet counts spread over the range, with and without clear
// jumpgates: every planet inside the outline and clear of the others, every one reachable, and
// clear jumpgates neither through a planet nor across one another, each planet's first one to
// the nearest planet it could join.
class EveryShape : public ::testing::TestWithParam<GalaxyShape> {};

TEST_P(EveryShape, KeepsItsOutlineAndTheRules)
{
    const GalaxyShape shape = GetParam();
    for (int seed = 1; seed <= 200; ++seed)
        for (const bool clear : {false, true}) {
            // Every count in the range's shape, 175, and both sides of where outlines fill the map.
            const int n = seed % 25 == 0   ? 175
                          : seed % 25 == 1 ? 122 + seed % 4
                                           : 8 + seed * 37 % 110;
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
            EXPECT_EQ(testing::reached_from_first(galaxy.planets), galaxy.planets.size()) << what;
            if (clear) {
                const GalaxyFigures figures = galaxy_figures(galaxy.planets);
                EXPECT_EQ(figures.through_planets, 0) << what;
                EXPECT_EQ(figures.crossings, 0) << what;
                expect_first_links_nearest_clear(galaxy.planets, what);
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
