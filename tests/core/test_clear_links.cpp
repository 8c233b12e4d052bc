// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/clear_links.h"

#include "core/gate_geometry.h"
#include "core/index_pool.h"
#include "core/linking.h"
#include "core/random.h"
#include "support/generator_checks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace orvek {
namespace {

// A random attempt of n planets, none within the clearance of another on both axes: on distinct
// squares of a 16 x 16 lattice 60 units apart, each moved by up to 4 units (in every fourth round
// not at all, so that distances tie), or, when `scattered`, anywhere clear. Each planet draws 1 to
// round % 3 + 1 links, and up to five wormholes are drawn.
Placed random_attempt(Random& random, int n, int round, bool scattered)
{
    Placed placed(n);
    const std::uint32_t moved = round % 4 == 3 ? 1 : 5;
    std::vector<int> squares(256);
    for (int i = 0; i < 256; ++i)
        squares[static_cast<std::size_t>(i)] = i;
    for (int p = 0; p < n; ++p) {
        if (scattered) {
            for (bool clash = true; clash;) {
                placed.put(p, 20 + static_cast<int>(random(960)),
                           20 + static_cast<int>(random(960)));
                clash = false;
                for (int q = 0; q < p; ++q)
                    clash |= std::abs(placed.x(p) - placed.x(q)) <= kClearance &&
                             std::abs(placed.y(p) - placed.y(q)) <= kClearance;
            }
        } else {
            const auto pick =
                static_cast<std::size_t>(p) + random(256u - static_cast<std::uint32_t>(p));
            std::swap(squares[static_cast<std::size_t>(p)], squares[pick]);
            const int square = squares[static_cast<std::size_t>(p)];
            placed.put(p, 20 + square % 16 * 60 + static_cast<int>(random(moved)),
                       20 + square / 16 * 60 + static_cast<int>(random(moved)));
        }
        placed.own_links[p] =
            1 + static_cast<int>(random(static_cast<std::uint32_t>(round % 3 + 1)));
    }
    const std::uint32_t wormholes = random(6);
    for (std::uint32_t w = 0; w < wormholes; ++w)
        placed.wormhole_at.push_back(random(static_cast<std::uint32_t>(n) - w));
    return placed;
}

std::vector<Planet> stored(const Placed& attempt, Linker& linker)
{
    Placed placed = attempt;
    const std::vector<std::string> names(static_cast<std::size_t>(placed.count()), "Sol");
    const std::vector<std::string> templates(names.size(), "t.txt");
    std::vector<Planet> planets;
    linker.store(placed, planets, templates, names);
    return planets;
}

// A jumpgate passes a planet within the clearance, counted to the nearest point of its line:
// beyond either end that end, between them the line itself; exactly at the clearance is near.
TEST(GateGeometry, PassesNearUpToTheClearanceFromTheNearestPoint)
{
    struct At {
        int x, y;
    };
    const At a{100, 100}, b{300, 100};
    const struct {
        const char* name;
        At p;
        bool near;
    } rows[] = {
        {"beside the middle, at the clearance", {200, 100 + kGateClearance}, true},
        {"beside the middle, one beyond", {200, 101 + kGateClearance}, false},
        {"beyond the far end, at the clearance", {300 + kGateClearance, 100}, true},
        {"beyond the far end, one beyond", {301 + kGateClearance, 100}, false},
        {"before the near end, at the clearance", {100 - kGateClearance, 100}, true},
        {"before the near end, one beyond", {99 - kGateClearance, 100}, false},
        {"beyond the far end, aslant", {307, 109}, true},
        {"beyond the far end, aslant and out", {309, 109}, false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(gate_geometry::passes_near(a, b, row.p), row.near) << row.name;
}

// The test of an attempt with clear jumpgates, which skips the wormholes when the own links leave
// too many pieces, says what the whole galaxy it would store says, over random attempts of few
// links (most in many pieces) and many wormholes (where the wormholes decide).
TEST(ClearLinks, TheTestAgreesWithTheGalaxyItStores)
{
    Random random(99);
    int connected = 0, tried = 0;
    for (const int n : {12, 40, 120, 175})
        for (int round = 0; round < 60; ++round) {
            const Placed placed = random_attempt(random, n, round, false);
            Linker linker(n, true);
            const bool said = linker.connected(placed);
            EXPECT_EQ(said, testing::reached_from_first(stored(placed, linker)) == std::size_t(n))
                << n << " planets, round " << round;
            connected += said;
            ++tried;
        }
    EXPECT_GT(connected, tried / 10) << "the table must hold connected attempts too";
    EXPECT_LT(connected, tried * 9 / 10) << "and attempts in pieces";
}

// The jumpgates of the rule as written, slowly: each planet in turn tries its nearest planets,
// then each wormhole the farthest on; a line is made if it passes no third planet within
// kGateClearance and meets no jumpgate made before, unless the other planet made it already.
std::set<std::pair<int, int>> gates_by_the_rule(const Placed& placed)
{
    const int n = placed.count();
    struct At {
        int x, y;
    };
    const auto at = [&](int p) { return At{placed.x(p), placed.y(p)}; };
    std::set<std::pair<int, int>> gates;
    const auto clear = [&](int a, int b) {
        for (int r = 0; r < n; ++r)
            if (r != a && r != b && gate_geometry::passes_near(at(a), at(b), at(r)))
                return false;
        for (const auto& [c, d] : gates)
            if (c != a && c != b && d != a && d != b &&
                gate_geometry::segments_meet(at(a), at(b), at(c), at(d)))
                return false;
        return true;
    };
    const auto by_distance = [&](int p) {
        std::vector<std::pair<std::int64_t, int>> order;
        for (int q = 0; q < n; ++q)
            if (q != p) {
                const std::int64_t dx = placed.x(q) - placed.x(p), dy = placed.y(q) - placed.y(p);
                order.emplace_back(dx * dx + dy * dy, q);
            }
        std::sort(order.begin(), order.end());
        return order;
    };
    std::vector<std::set<int>> made_to(static_cast<std::size_t>(n));
    for (int p = 0; p < n; ++p) {
        const auto order = by_distance(p);
        int count = 0;
        for (std::size_t i = 0; i < order.size() && i < ClearLinks::kTries; ++i) {
            if (count == placed.own_links[p])
                break;
            const int q = order[i].second;
            if (made_to[static_cast<std::size_t>(p)].count(q) || clear(p, q)) {
                ++count;
                made_to[static_cast<std::size_t>(q)].insert(p);
                gates.insert(std::minmax(p, q));
            }
        }
    }
    IndexPool pool;
    pool.fill(static_cast<std::uint32_t>(n));
    for (const std::uint32_t drawn : placed.wormhole_at) {
        const int q = static_cast<int>(pool.take(drawn));
        auto order = by_distance(q);
        std::stable_sort(order.begin(), order.end(),
                         [](const auto& a, const auto& b) { return a.first > b.first; });
        for (const auto& [distance, r] : order)
            if (clear(q, r)) {
                gates.insert(std::minmax(q, r));
                break;
            }
    }
    return gates;
}

TEST(ClearLinks, MakesTheJumpgatesOfTheRule)
{
    Random random(7);
    for (const bool scattered : {false, true})
        for (const int n : {12, 60, scattered ? 120 : 175}) {
            // One linker for all rounds, as a Generate keeps one for all its attempts.
            Linker linker(n, true);
            for (int round = 0; round < 12; ++round) {
                const Placed placed = random_attempt(random, n, round, scattered);
                std::set<std::pair<int, int>> gates;
                const std::vector<Planet> planets = stored(placed, linker);
                for (int p = 0; p < n; ++p) {
                    const auto& links = planets[static_cast<std::size_t>(p)].links;
                    for (const int q : links)
                        gates.insert(std::minmax(p, q));
                    EXPECT_EQ(std::set<int>(links.begin(), links.end()).size(), links.size())
                        << "planet " << p << " lists a jumpgate twice";
                }
                EXPECT_EQ(gates, gates_by_the_rule(placed))
                    << n << (scattered ? " scattered" : " on a lattice") << ", round " << round;
            }
        }
}

// A planet at the end of a row finds its second jumpgate at its 16th try, the last: the lines to
// the 14 behind its neighbour pass a planet of the row, and its 16th nearest stands clear across
// the map (with a nearer planet of its own, so that only this try can join the two).
TEST(ClearLinks, TriesSixteenPlanetsAtMost)
{
    Placed placed(18);
    for (int p = 0; p < 16; ++p)
        placed.put(p, 20 + 60 * p, 20);
    placed.put(16, 20, 979);
    placed.put(17, 80, 979);
    for (int p = 0; p < 18; ++p)
        placed.own_links[p] = p == 0 ? 2 : 1;
    Linker linker(18, true);
    const std::vector<Planet> planets = stored(placed, linker);
    const std::vector<std::int32_t>& links = planets[0].links;
    EXPECT_EQ(std::set<int>(links.begin(), links.end()), (std::set<int>{1, 16}));
}

}  // namespace
}  // namespace orvek
