// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/generate_command.h"
#include "core/generator.h"

#include "core/error.h"
#include "core/random.h"
#include "support/errors.h"
#include "support/fake_services.h"
#include "support/generator_checks.h"
#include "support/plain_generator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <thread>

namespace orvek {
namespace {

// Two threads from the first attempt on, never handing back to one whatever the times say.
constexpr Threading kTwoAlways{2, 1, {}, ~std::uint64_t{0}};

using testing::error_of;
using testing::expect_same_galaxy;
using testing::FakeWorld;
using testing::params_of;

std::int64_t d2(const Planet& a, const Planet& b)
{
    std::int64_t dx = a.x - b.x, dy = a.y - b.y;
    return dx * dx + dy * dy;
}

TEST(Clearance, FiftyFiveClashesFiftySixDoesNot)
{
    struct Case {
        int dx, dy;
        bool clash;
    } cases[] = {{0, 0, true},    {55, 55, true},  {-55, 55, true}, {55, -55, true},
                 {56, 0, false},  {-56, 0, false}, {0, 56, false},  {0, -56, false},
                 {56, 56, false}, {55, 56, false}, {56, 55, false}, {-56, -55, false}};
    for (const Case& c : cases)
        EXPECT_EQ(positions_clash(500 + c.dx, 500 + c.dy, 500, 500), c.clash)
            << c.dx << "," << c.dy;
}

TEST(MutualLinks, FourPlanetExample)
{
    std::vector<Planet> planets(4);
    const std::vector<std::vector<std::int32_t>> before = {{1}, {2}, {1}, {1}};
    for (int i = 0; i < 4; ++i)
        planets[i].links = before[i];
    testing::make_links_mutual(planets);
    const std::vector<std::vector<std::int32_t>> after = {{1}, {2, 0, 3}, {1}, {1}};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(planets[i].links, after[i]) << "planet " << i;
}

// The fast attempt must match the literal one in every field and in every draw it makes, on one
// thread and with the draws of later attempts made on a second thread from the first attempt on.
TEST(Generator, FastPathEqualsPlainDrawForDraw)
{
    // `limit`: the attempts compared when a connected galaxy would take too long (0: no limit).
    struct Case {
        int planets, wormholes, j1, j2, j3, seeds, names, limit = 0;
        GalaxyShape shape{};
    } cases[] = {
        {8, 0, 30, 40, 5, 40, 100},
        {8, 8, 1, 1, 1, 40, 100},
        {15, 9, 1, 1, 99, 40, 100},
        {22, 1, 35, 50, 5, 40, 100},
        {30, 1, 30, 40, 5, 40, 10},
        {40, 2, 10, 30, 45, 20, 100},
        {40, 0, 59, 20, 1, 5, 100},
        {69, 2, 30, 40, 5, 10, 100},
        {120, 3, 1, 1, 1, 4, 300},
        {175, 9, 30, 40, 5, 3, 300},
        {175, 0, 1, 1, 99, 3, 300},
        {175, 1, 40, 40, 5, 3, 300},
        {175, 0, 59, 20, 1, 3, 300, 20},
        {22, 1, 1, 2147483647, 2147483647, 10, 100},  // the weights' sums wrap around
        // Shapes draw as the classic one does until a position lies in their outline.
        {10, 1, 30, 40, 5, 20, 100, 0, {ShapeKind::Disc, 0}},
        {40, 2, 30, 40, 5, 10, 100, 0, {ShapeKind::Spiral, 3}},
        {61, 0, 30, 40, 5, 5, 100, 0, {ShapeKind::Ring, 0}},
        {110, 1, 30, 40, 5, 3, 300, 0, {ShapeKind::Clusters, 5}},
    };
    for (const Case& c : cases)
        for (int seed = 1; seed <= c.seeds; ++seed) {
            std::string what = std::to_string(c.planets) + " planets, seed " + std::to_string(seed);
            FakeWorld plain_world;
            plain_world.names.names.resize(c.names);
            Random plain_random(seed * 2654435761u);
            Galaxy plain;
            GalaxyParams params = params_of(c.planets, c.wormholes, c.j1, c.j2, c.j3);
            params.shape = c.shape;
            testing::PlainStats stats;
            testing::plain_generate_galaxy(params, plain_world.services, plain_random, plain,
                                           static_cast<std::uint64_t>(c.limit), &stats);
            // One thread; two from the first attempt; and two handing back to one every three
            // attempts, then joining again after one.
            for (const Threading& threading : {Threading{1}, kTwoAlways, Threading{2, 1, {}, 3}}) {
                FakeWorld fast_world;
                fast_world.names.names.resize(c.names);
                Random fast_random(seed * 2654435761u);
                Galaxy fast;
                GenerationProgress progress;
                progress.attempt_limit = static_cast<std::uint64_t>(c.limit);
                generate_galaxy(params, fast_world.services, fast_random, fast, &progress,
                                threading);
                if (c.limit)  // a generation that gave up keeps no picture of its own
                    fast.background_path = plain.background_path;
                expect_same_galaxy(fast, plain, what);
                EXPECT_EQ(fast_random.state(), plain_random.state()) << what;
                EXPECT_EQ(progress.attempts.load(), stats.attempts) << what;
            }
            if (::testing::Test::HasFailure())
                return;
        }
}

// Near 175 planets the map can fill up before every planet is placed; such an attempt is given
// up at once and the next begins. The fast generator must give up at the same moments.
TEST(Generator, FullMapAbandonsTheAttempt)
{
    std::uint64_t full_maps = 0;
    for (std::uint32_t seed = 1; seed <= 12; ++seed) {
        FakeWorld fast_world, plain_world;
        fast_world.names.names.resize(300);
        plain_world.names.names.resize(300);
        Random fast_random(seed), plain_random(seed);
        Galaxy fast, plain;
        GenerationProgress progress;
        testing::PlainStats stats;
        GalaxyParams params = params_of(175, 0, 1, 1, 98);
        generate_galaxy(params, fast_world.services, fast_random, fast, &progress);
        testing::plain_generate_galaxy(params, plain_world.services, plain_random, plain, 0,
                                       &stats);
        expect_same_galaxy(fast, plain, "seed " + std::to_string(seed));
        EXPECT_EQ(progress.attempts.load(), stats.attempts);
        EXPECT_EQ(fast_random.state(), plain_random.state());
        full_maps += stats.full_maps;
    }
    EXPECT_GT(full_maps, 0u) << "some attempt found the map full";
}

TEST(Generator, GalaxiesKeepTheirRules)
{
    for (int seed = 1; seed <= 60; ++seed) {
        FakeWorld world;
        Random random(seed);
        Galaxy galaxy;
        int n = 8 + seed % 50;
        generate_galaxy(params_of(n, seed % 4, 30, 40, 5), world.services, random, galaxy);
        const auto& planets = galaxy.planets;
        ASSERT_EQ(static_cast<int>(planets.size()), n);
        EXPECT_EQ(std::count_if(planets.begin(), planets.end(), [](auto& p) { return p.home; }), 1);
        EXPECT_FALSE(planets.back().home) << "the last planet is never home";
        std::set<std::string> templates;
        for (int p = 0; p < n; ++p) {
            const Planet& a = planets[p];
            EXPECT_TRUE(a.x >= 20 && a.x <= 979 && a.y >= 20 && a.y <= 979);
            templates.insert(a.template_file);
            ASSERT_GE(a.links.size(), 1u);
            std::set<int> distinct(a.links.begin(), a.links.end());
            EXPECT_EQ(distinct.size(), a.links.size());
            EXPECT_FALSE(distinct.count(p));
            int nearest = -1, farthest = -1;
            for (int q = 0; q < n; ++q) {
                if (q == p)
                    continue;
                EXPECT_FALSE(q < p && positions_clash(a.x, a.y, planets[q].x, planets[q].y));
                if (nearest < 0 || d2(a, planets[q]) < d2(a, planets[nearest]))
                    nearest = q;
                if (farthest < 0 || d2(a, planets[q]) > d2(a, planets[farthest]))
                    farthest = q;
                const auto& back = planets[q].links;
                if (distinct.count(q)) {
                    EXPECT_NE(std::find(back.begin(), back.end(), p), back.end()) << "mutual";
                }
            }
            EXPECT_EQ(a.links[0], nearest) << "the first link is the nearest, lower number on ties";
            EXPECT_EQ(a.farthest, farthest);
        }
        EXPECT_EQ(static_cast<int>(templates.size()), n) << "no template twice";
        EXPECT_EQ(world.status.texts.back(), "The Galaxy is ready!");
    }
}

TEST(Generator, MoreThanTenLinksAreKept)
{
    int most = 0;
    for (int seed = 1; seed <= 400 && most <= 10; ++seed) {
        FakeWorld world;
        Random random(seed);
        Galaxy galaxy;
        generate_galaxy(params_of(12, 9, 1, 1, 98), world.services, random, galaxy);
        for (const auto& p : galaxy.planets)
            most = std::max(most, static_cast<int>(p.links.size()));
    }
    EXPECT_GT(most, 10) << "some small, crowded galaxy has a planet with more than ten links";
}

TEST(Generator, FailuresLeaveTheGalaxyEmpty)
{
    struct Case {
        const char* what;
        int planets, wormholes, templates, backgrounds;
        std::string wormhole_text;
        std::string message;
    } cases[] = {
        {"more wormholes than planets", 8, 9, 200, 2, "", "8 planets can take at most 8 wormholes"},
        {"fewer templates than planets", 30, 1, 29, 2, "",
         "Only 29 encounter templates in campaign/data/encounters/all, too few for 30 planets"},
        {"no templates", 30, 1, 0, 2, "",
         "No encounter templates in campaign/data/encounters/all: the game folder is incomplete"},
        {"no background", 30, 1, 200, 0, "", "List index out of bounds (0)"},
        {"empty wormhole field", 30, 1, 200, 2, "-", "'' is not a valid integer value"},
    };
    for (const Case& c : cases) {
        FakeWorld world;
        world.templates.paths.resize(c.templates);
        world.backgrounds.pictures.resize(c.backgrounds, "x.jpg");
        Galaxy galaxy;
        galaxy.planets.resize(3);
        Random random(11);
        GalaxyParams params = params_of(c.planets, c.wormholes, 30, 40, 5);
        if (c.wormhole_text == "-")
            params.wormhole_text = "";
        EXPECT_EQ(error_of([&] { generate_galaxy(params, world.services, random, galaxy); }),
                  c.message)
            << c.what;
        EXPECT_TRUE(galaxy.planets.empty()) << c.what;
    }
}

// A picture that goes missing in the sixth attempt: on one thread the error comes from the
// attempt itself, with the draws on a second thread it must come across in the same place.
TEST(Generator, FailureOnTheSecondThreadIsTheSameAsOnOne)
{
    struct VanishingBackgrounds : testing::ListBackgrounds {
        int calls = 0;
        const std::string& draw_background(Random& random) override
        {
            if (++calls == 6)
                throw Error("picture gone");
            return ListBackgrounds::draw_background(random);
        }
    };
    std::uint32_t states[2];
    for (const Threading& threading : {Threading{1}, kTwoAlways}) {
        FakeWorld world;
        VanishingBackgrounds backgrounds;
        GenerationServices services{world.status, backgrounds, world.templates, world.names};
        Random random(3);
        Galaxy galaxy;
        GenerationProgress progress;
        EXPECT_EQ(error_of([&] {
                      generate_galaxy(params_of(69, 0, 59, 20, 1), services, random, galaxy,
                                      &progress, threading);
                  }),
                  "picture gone");
        EXPECT_TRUE(galaxy.planets.empty());
        EXPECT_EQ(progress.attempts.load(), 6u);
        states[threading.threads == 2] = random.state();
    }
    EXPECT_EQ(states[0], states[1]);
}

TEST(Generator, CancelOnTheSecondThread)
{
    FakeWorld world;
    Random random(1);
    Galaxy galaxy;
    GenerationProgress progress;
    std::atomic<bool> finished{false};
    std::thread stopper([&] {
        while (progress.attempts.load() < 500 && !finished)
            std::this_thread::yield();
        progress.cancel = true;
    });
    // This seed's galaxy takes far more than 500 attempts to connect.
    const GenerationResult result = generate_galaxy(params_of(69, 0, 59, 20, 1), world.services,
                                                    random, galaxy, &progress, kTwoAlways);
    finished = true;
    stopper.join();
    EXPECT_EQ(result, GenerationResult::Cancelled);
    EXPECT_TRUE(galaxy.planets.empty());
}

TEST(Generator, CancelStopsBetweenAttempts)
{
    FakeWorld world;
    Random random(1);
    Galaxy galaxy;
    GenerationProgress progress;
    progress.cancel = true;
    EXPECT_EQ(
        generate_galaxy(params_of(69, 0, 59, 20, 1), world.services, random, galaxy, &progress),
        GenerationResult::Cancelled);
    EXPECT_TRUE(galaxy.planets.empty());
    EXPECT_EQ(progress.attempts.load(), 0u);
}

TEST(Generator, CountsAttemptsAndListsTemplatesOnce)
{
    FakeWorld world;
    Random random(8);
    Galaxy galaxy;
    GenerationProgress progress;
    generate_galaxy(params_of(40, 0, 59, 20, 1), world.services, random, galaxy, &progress);
    EXPECT_GT(progress.attempts.load(), 1u) << "string-like weights rarely connect at once";
    EXPECT_EQ(world.templates.listings, 1);
}

}  // namespace
}  // namespace orvek
