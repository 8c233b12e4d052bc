// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/galaxy_edit.h"

#include "core/galaxy_figures.h"
#include "core/random.h"
#include "support/fake_services.h"
#include "support/random_edits.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <tuple>

namespace orvek {

void PrintTo(const Planet& p, std::ostream* out)
{
    *out << p.system_name << " at " << p.x << "," << p.y << (p.home ? " home" : "") << " links";
    for (const std::int32_t link : p.links)
        *out << " " << link;
    *out << " farthest " << p.farthest;
}

namespace {

using Planets = std::vector<Planet>;

// Nine planets in a row, each joined to the next; planet 0 is home.
Planets row_of_planets()
{
    Planets planets(9);
    for (int i = 0; i < 9; ++i) {
        Planet& p = planets[static_cast<std::size_t>(i)];
        p.x = 20 + 100 * i;
        p.y = 500;
        p.system_name = "Star " + std::to_string(i);
        p.template_file = "campaign_all_" + std::to_string(100 + i) + ".txt";
        for (int q : {i - 1, i + 1})
            if (q >= 0 && q < 9)
                p.links.push_back(q);
    }
    planets[0].home = true;
    update_farthest(planets);
    return planets;
}

NewPlanetSources sources()
{
    return {{"t/campaign_all_100.txt", "t/campaign_all_200.txt"}, {"Star 1", "Vega"}};
}

// The rules every edited galaxy keeps.
void expect_invariants(const Planets& planets, const std::string& what)
{
    ASSERT_GE(planets.size(), 8u) << what;
    ASSERT_LE(planets.size(), 175u) << what;
    EXPECT_EQ(std::count_if(planets.begin(), planets.end(), [](auto& p) { return p.home; }), 1)
        << what;
    std::set<std::string> templates;
    for (std::size_t p = 0; p < planets.size(); ++p) {
        const Planet& a = planets[p];
        templates.insert(a.template_file);
        EXPECT_TRUE(a.x >= 20 && a.x <= 979 && a.y >= 20 && a.y <= 979) << what;
        EXPECT_LE(std::ssize(a.links), kMaxLinks) << what;
        for (const int q : a.links) {
            ASSERT_TRUE(q >= 0 && q < static_cast<int>(planets.size()) && q != static_cast<int>(p))
                << what;
            const Planet& b = planets[static_cast<std::size_t>(q)];
            EXPECT_EQ(std::count(b.links.begin(), b.links.end(), p), 1) << what;
            EXPECT_EQ(std::count(a.links.begin(), a.links.end(), q), 1) << what;
        }
        for (std::size_t q = 0; q < p; ++q)
            EXPECT_FALSE(positions_clash(a.x, a.y, planets[q].x, planets[q].y)) << what;
    }
    EXPECT_EQ(templates.size(), planets.size()) << what;
    Planets recomputed = planets;
    update_farthest(recomputed);
    for (std::size_t p = 0; p < planets.size(); ++p)
        EXPECT_EQ(planets[p].farthest, recomputed[p].farthest) << what << ", planet " << p;
}

TEST(GalaxyEdit, AppliesWhatTheRulesAllowAndRefusesTheRest)
{
    using Make = std::function<EditPointer(const Planets&)>;
    using Check = std::function<void(const Planets&)>;
    struct Row {
        const char* name;
        Make make;
        std::string refusal;  // a part of the sentence, or empty when the edit is taken
        Check check = [](const Planets&) {};
    } rows[] = {
        {"move", [](auto& g) { return move_planet(g, 3, 330, 700); }, "",
         [](auto& g) {
             EXPECT_EQ(g[3].x, 330);
             EXPECT_EQ(g[3].y, 700);
         }},
        {"move to the edge", [](auto& g) { return move_planet(g, 3, 979, 20); }, ""},
        {"move to the other edges", [](auto& g) { return move_planet(g, 3, 20, 979); }, ""},
        {"move off the map", [](auto& g) { return move_planet(g, 3, 19, 500); },
         "Too close to the map's left edge"},
        {"move past 979", [](auto& g) { return move_planet(g, 3, 300, 980); },
         "Too close to the map's bottom edge"},
        {"move past 979 across", [](auto& g) { return move_planet(g, 3, 980, 300); },
         "Too close to the map's right edge"},
        {"move into a clearance", [](auto& g) { return move_planet(g, 3, 365, 555); },
         "Too close to Star 4 (planet 4)"},
        {"move 56 apart", [](auto& g) { return move_planet(g, 3, 364, 555); }, ""},
        {"move no planet", [](auto& g) { return move_planet(g, 9, 300, 300); }, "no planet 9"},
        {"move a selection",
         [](auto& g) {
             return move_planets(g, {4, 3, 4}, 0, 200);
         },
         "",
         [](auto& g) {
             EXPECT_EQ(std::pair(g[3].y, g[4].y), std::pair(700, 700));
             EXPECT_EQ(g[5].y, 500);
         }},
        {"move a selection onto its own places",
         [](auto& g) {
             return move_planets(g, {3, 4}, 100, 0);
         },
         "Too close to Star 5 (planet 5)"},
        {"move a selection off the map",
         [](auto& g) {
             return move_planets(g, {0, 8}, 0, 480);
         },
         "Too close to the map's bottom edge"},
        {"move an empty selection", [](auto& g) { return move_planets(g, {}, 0, 10); },
         "No planet"},
        {"give a template to a planet whose file was read",
         [](auto& g) { return give_template(g, 3, "t99.txt", {}); }, "file was read"},
        {"delete a selection with the home",
         [](auto& g) {
             Planets more = g;
             more.push_back(g[8]);
             more.back().x = 500, more.back().y = 900;
             return delete_planets(more, {3, 0});
         },
         "home planet cannot"},
        {"delete a selection below 8",
         [](auto& g) {
             return delete_planets(g, {2, 5});
         },
         "at least 8"},
        {"join", [](auto& g) { return join_planets(g, 0, 5); }, "",
         [](auto& g) {
             EXPECT_EQ(g[0].links, (std::vector<std::int32_t>{1, 5}));
             EXPECT_EQ(g[5].links, (std::vector<std::int32_t>{4, 6, 0}));
         }},
        {"join itself", [](auto& g) { return join_planets(g, 2, 2); }, "to itself"},
        {"join twice", [](auto& g) { return join_planets(g, 2, 3); }, "joined already"},
        {"join a full planet",
         [](auto& g) {
             Planets full = g;
             full[4].links = {3, 5, 9, 10, 11, 12, 13, 14, 15, 16};
             return join_planets(full, 0, 4);
         },
         "Star 4 (planet 4) has 10 jumpgates"},
        {"cut", [](auto& g) { return cut_link(g, 4, 5); }, "",
         [](auto& g) {
             EXPECT_EQ(g[4].links, (std::vector<std::int32_t>{3}));
             EXPECT_EQ(g[5].links, (std::vector<std::int32_t>{6}));
         }},
        {"cut no link", [](auto& g) { return cut_link(g, 0, 2); }, "are not joined"},
        {"cut a link held one way",
         [](auto& g) {
             Planets one_way = g;
             one_way[0].links.push_back(2);
             return cut_link(one_way, 0, 2);
         },
         "are not joined"},
        {"rename", [](auto& g) { return rename_planet(g, 2, "\xC3\x89toile"); }, "",
         [](auto& g) { EXPECT_EQ(g[2].system_name, "\xC9toile"); }},
        {"rename empty", [](auto& g) { return rename_planet(g, 2, ""); }, "needs a name"},
        {"rename with a tab", [](auto& g) { return rename_planet(g, 2, "a\tb"); }, "control"},
        {"rename with DEL", [](auto& g) { return rename_planet(g, 2, "a\x7F"); }, "control"},
        {"rename with the last control character",
         [](auto& g) { return rename_planet(g, 2, "a\x1F"); }, "control"},
        {"rename with CJK",
         [](auto& g) {
             return rename_planet(g, 2,
                                  "\xC5\x81\xC3\xB3"
                                  "d\xC5\xBA");
         },
         "cannot show these characters of the name: \xC5\x81\xC5\xBA."},
        {"rename to a key", [](auto& g) { return rename_planet(g, 2, "Big WormHoles"); },
         "cannot hold \"wormholes\""},
        {"rename to the shown name's key",
         [](auto& g) { return rename_planet(g, 2, "New GUIName"); }, "cannot hold \"guiname\""},
        {"rename 40", [](auto& g) { return rename_planet(g, 2, std::string(40, 'a')); }, ""},
        {"rename 41", [](auto& g) { return rename_planet(g, 2, std::string(41, 'a')); },
         "at most 40"},
        {"rename 40 accented, 80 bytes of UTF-8",
         [](auto& g) {
             std::string name;
             for (int i = 0; i < 40; ++i)
                 name += "\xC3\xA9";
             return rename_planet(g, 2, name);
         },
         "", [](auto& g) { EXPECT_EQ(g[2].system_name, std::string(40, '\xE9')); }},
        {"home", [](auto& g) { return make_home(g, 6); }, "",
         [](auto& g) {
             EXPECT_TRUE(g[6].home);
             EXPECT_FALSE(g[0].home);
         }},
        {"home again", [](auto& g) { return make_home(g, 0); }, "home planet already"},
        {"add", [](auto& g) { return add_planet(g, 500, 900, sources()); }, "",
         [](auto& g) {
             ASSERT_EQ(g.size(), 10u);
             EXPECT_EQ(g[9].template_file, "campaign_all_200.txt") << "the first one free";
             EXPECT_EQ(g[9].system_name, "Vega") << "the first name no planet has";
             EXPECT_TRUE(g[9].links.empty());
         }},
        {"add too close", [](auto& g) { return add_planet(g, 120, 540, sources()); }, "Too close"},
        {"add without a template",
         [](auto& g) {
             return add_planet(g, 500, 900, {{"u/campaign_all_101.txt"}, {}});
         },
         "in use already"},
        {"add to 175",
         [](auto& g) {
             Planets many = g;
             many.resize(175, g[8]);
             return add_planet(many, 500, 900, sources());
         },
         "at most 175"},
        {"delete", [](auto& g) { return delete_planet(g, 4); }, "",
         [](auto& g) {
             ASSERT_EQ(g.size(), 8u);
             EXPECT_EQ(g[4].system_name, "Star 5");
             EXPECT_EQ(g[3].links, (std::vector<std::int32_t>{2}));
             EXPECT_EQ(g[4].links, (std::vector<std::int32_t>{5})) << "numbers move down";
             EXPECT_EQ(g[0].farthest, 7);
         }},
        {"delete the home", [](auto& g) { return delete_planet(g, 0); }, "home planet cannot"},
        // clang-format off
        {"feature on, the home too", [](auto& g) { return set_feature(g, {3, 0}, 4, true); }, "",
         [](auto& g) { EXPECT_TRUE(g[3].features[4] && g[0].features_set[4]); }},
        {"a variant clears its group",
         [](auto& g) { return set_feature(g, {2}, feature_of("shipyardb"), true); }, "",
         [](auto& g) {
             EXPECT_EQ(std::vector<bool>(g[2].features.begin() + 13, g[2].features.end()),
                       (std::vector<bool>{false, true, false}));
             EXPECT_TRUE(g[2].features_set[13] && g[2].features_set[15]);
         }},
        {"a variant turned off, alone",
         [](auto& g) { return set_feature(g, {2}, feature_of("shipyardb"), false); }, "",
         [](auto& g) {
             EXPECT_TRUE(g[2].features_set[14] && !g[2].features[14]) << "off by hand";
             EXPECT_FALSE(g[2].features_set[13] || g[2].features_set[15]) << "the others drawn";
         }},
        {"a group cleared", [](auto& g) { return clear_facility(g, {2}, 11); }, "",
         [](auto& g) { EXPECT_TRUE(g[2].features_set[11] && g[2].features_set[12]); }},
        {"an inhibition has no group", [](auto& g) { return clear_facility(g, {2}, 3); },
         "Only a facility"},
        {"a facility of the home", [](auto& g) { return set_feature(g, {5, 0}, 7, false); },
         "the home planet, are the game's own"},
        {"feature of no planet", [](auto& g) { return set_feature(g, {9}, 1, true); },
         "no planet 9"},
        {"an unknown keyword",
         [](auto& g) { return set_feature(g, {1}, feature_of("warp"), true); },
         "There is no feature \"warp\""},
        // The files' keywords are read in their own letter case only.
        {"a keyword in capitals",
         [](auto& g) { return set_feature(g, {1}, feature_of("REPAIRYARD"), true); },
         "There is no feature \"REPAIRYARD\""},
        // clang-format on
        {"delete below 8",
         [](auto& g) {
             Planets eight(g.begin(), g.begin() + 8);
             return delete_planet(eight, 3);
         },
         "at least 8"},
    };
    for (const Row& row : rows) {
        Planets planets = row_of_planets();
        const Planets before = planets;
        try {
            EditPointer edit = row.make(planets);
            ASSERT_TRUE(row.refusal.empty()) << row.name << " was taken";
            edit->apply(planets);
            row.check(planets);
            edit->revert(planets);
            EXPECT_EQ(planets, before) << row.name << ": revert";
        } catch (const EditRefused& refused) {
            EXPECT_FALSE(row.refusal.empty()) << row.name << ": " << refused.what();
            EXPECT_NE(std::string(refused.what()).find(row.refusal), std::string::npos)
                << row.name << ": " << refused.what();
        }
    }
}

// A planet whose file was not read, given a template, keeps being home and links to the planets
// that link to it; its own old template may be chosen again, another planet's may not.
TEST(GalaxyEdit, AnUnreadPlanetIsGivenATemplate)
{
    Planets planets = row_of_planets();
    planets[0].unread = true;
    planets[2].links.push_back(0);
    const Planets before = planets;
    EditPointer edit = give_template(planets, 0, "campaign_all_100.txt", sources());
    edit->apply(planets);
    EXPECT_TRUE(planets[0].home);
    EXPECT_FALSE(planets[0].unread);
    EXPECT_EQ(planets[0].links, (std::vector<std::int32_t>{1, 2}));
    EXPECT_EQ(planets[0].template_file, "campaign_all_100.txt");
    // It stands at the free place nearest the middle (499, 499), which the row's planets crowd;
    // with them gone, at the middle itself.
    EXPECT_EQ(std::pair(planets[0].x, planets[0].y), std::pair(444, 444));
    Planets spread = before;
    spread[4].y = spread[5].y = 900;
    EXPECT_EQ(free_place_near_middle(spread, -1), std::pair(499, 499));
    // The squares are searched column by column from the left: with a planet on the middle and
    // one up and to the left of it, the place left of the middle at its height is found first.
    Planets two(2);
    two[0].x = two[0].y = 499;
    two[1].x = two[1].y = 440;
    EXPECT_EQ(free_place_near_middle(two, -1), std::pair(439, 499));
    edit->revert(planets);
    EXPECT_EQ(planets, before);
    EXPECT_THROW(give_template(planets, 0, "campaign_all_105.txt", sources()), EditRefused);
}

// With every name of the lists taken, an added planet is the first "New planet N" no planet is.
TEST(GalaxyEdit, AnAddedPlanetWithoutANameLeftIsANewPlanet)
{
    Planets planets = row_of_planets();
    planets[5].system_name = "New planet 1";
    const NewPlanetSources taken{{"t/campaign_all_200.txt"}, {"Star 1"}};
    EXPECT_EQ(planet_to_add(planets, 500, 900, taken).system_name, "New planet 2");
}

// A link that one planet of an opened campaign holds and the other lacks is given back.
TEST(GalaxyEdit, ALinkHeldOneWayIsGivenBack)
{
    Planets planets = row_of_planets();
    planets[0].links.push_back(2);
    const Planets before = planets;
    EditPointer edit = link_back(planets, 0, 2);
    edit->apply(planets);
    EXPECT_EQ(planets[2].links, (std::vector<std::int32_t>{1, 3, 0}));
    edit->revert(planets);
    EXPECT_EQ(planets, before);
    EXPECT_THROW(link_back(planets, 0, 1), EditRefused) << "mutual already";
    EXPECT_THROW(link_back(planets, 2, 0), EditRefused) << "the other way round";
    // The planet linking back may reach the most jumpgates a planet holds, not go past it.
    planets = before;
    while (planets[2].links.size() < static_cast<std::size_t>(kMaxLinks - 1))
        planets[2].links.push_back(2);  // a link to itself counts as room taken
    EXPECT_NO_THROW(link_back(planets, 0, 2)) << "the tenth jumpgate";
    planets[2].links.push_back(2);
    EXPECT_THROW(link_back(planets, 0, 2), EditRefused) << "an eleventh";
}

// A selection deleted as one edit: every number past each deleted planet moves down, and revert
// gives the galaxy back.
TEST(GalaxyEdit, ASelectionGoesAsOneEdit)
{
    Planets planets = row_of_planets();
    for (int x : {120, 420}) {
        planets.push_back(planets[8]);
        planets.back().x = x, planets.back().y = 800;
        planets.back().links.clear();
        planets.back().system_name = "Far " + std::to_string(x);
    }
    const Planets before = planets;
    EditPointer edit = delete_planets(planets, {9, 4});
    EXPECT_EQ(edit->text(), "Delete 2 planets");
    // A selection of one is that planet's own edit, named as the Undo menu shows it.
    EXPECT_EQ(move_planets(planets, {3, 3}, 0, 10)->text(), "Move Star 3");
    EXPECT_EQ(delete_planets(planets, {3})->text(), delete_planet(planets, 3)->text());
    edit->apply(planets);
    ASSERT_EQ(planets.size(), 9u);
    EXPECT_EQ(planets[4].system_name, "Star 5");
    EXPECT_EQ(planets[8].system_name, "Far 420");
    EXPECT_EQ(planets[3].links, (std::vector<std::int32_t>{2}));
    edit->revert(planets);
    EXPECT_EQ(planets, before);
    // A selection moved and moved back gives back the farthest planets as they were, even those
    // a file held that the positions do not give.
    planets[2].farthest = 3;
    const Planets read = planets;
    edit = move_planets(planets, {3, 4}, 0, 100);
    edit->apply(planets);
    edit->revert(planets);
    EXPECT_EQ(planets, read);
}

TEST(GalaxyEdit, UndoAfterAnySequenceGivesTheGalaxyBackExactly)
{
    for (std::uint32_t seed = 1; seed <= 20; ++seed) {
        testing::FakeWorld world;
        Random random(seed);
        Galaxy galaxy;
        GalaxyParams params;
        params.planets = 8 + static_cast<int>(seed * 7 % 60);
        generate_galaxy(params, world.services, random, galaxy);
        std::vector<Planets> states{galaxy.planets};
        std::vector<EditPointer> done;
        while (done.size() < 60) {
            try {
                done.push_back(testing::random_edit(states.back(), random));
            } catch (const EditRefused&) {
                continue;
            }
            Planets next = states.back();
            done.back()->apply(next);
            expect_invariants(next, "seed " + std::to_string(seed) + ", " + done.back()->text());
            states.push_back(std::move(next));
        }
        Planets planets = states.back();
        for (std::size_t i = done.size(); i-- > 0;) {
            done[i]->revert(planets);
            ASSERT_EQ(planets, states[i]) << "seed " << seed << ", undo of " << done[i]->text();
        }
        for (std::size_t i = 0; i < done.size(); ++i)
            done[i]->apply(planets);
        EXPECT_EQ(planets, states.back()) << "seed " << seed << ": redo";
    }
}

TEST(GalaxyEdit, FindsThePlanetsNoLinkReaches)
{
    Planets planets = row_of_planets();
    EXPECT_TRUE(unreachable_planets(planets).empty());
    cut_link(planets, 6, 7)->apply(planets);
    EXPECT_EQ(unreachable_planets(planets), (std::vector<int>{7, 8}));
    // A link held one way (an opened campaign's) joins both planets, as a jumpgate does, planet 0
    // included.
    planets[8].links.push_back(0);
    EXPECT_TRUE(unreachable_planets(planets).empty()) << "held one way to planet 0";
    planets[8].links.back() = 6;
    EXPECT_TRUE(unreachable_planets(planets).empty());
    EXPECT_EQ(unreachable_planets(planets, 7), std::vector<int>{}) << "from any planet";
    // Links to no planet, the one just past the last among them, are passed over.
    planets[2].links.insert(planets[2].links.end(), {9, -1});
    EXPECT_EQ(unreachable_planets(planets, 7), std::vector<int>{}) << "a link to no planet";
}

// The farthest planet, of which the lower number wins a tie (the generator's wormholes and every
// planet's `farthest` alike).
TEST(GalaxyEdit, FarthestPlanetTakesTheLowerNumberOfATie)
{
    struct Row {
        const char* name;
        std::vector<std::pair<int, int>> at;
        std::vector<std::int32_t> farthest;
    } rows[] = {
        {"a tie on a line", {{500, 500}, {400, 500}, {600, 500}}, {1, 2, 1}},
        {"ties across", {{100, 100}, {900, 100}, {100, 900}, {500, 500}}, {1, 2, 1, 0}},
        {"all on one spot", {{300, 300}, {300, 300}}, {0, 0}},
        {"positions read from a file", {{0, 0}, {1000000, 0}}, {1, 0}},
    };
    for (const Row& row : rows) {
        Planets planets(row.at.size());
        for (std::size_t i = 0; i < row.at.size(); ++i)
            std::tie(planets[i].x, planets[i].y) = row.at[i];
        update_farthest(planets);
        for (std::size_t i = 0; i < row.at.size(); ++i)
            EXPECT_EQ(planets[i].farthest, row.farthest[i]) << row.name << ", planet " << i;
    }
}

// An opened campaign may hold links to no planet: whatever is added or deleted, each keeps
// pointing at no planet, and undo gives it back as it was.
TEST(GalaxyEdit, ALinkToNoPlanetStaysOne)
{
    Planets planets = row_of_planets();
    for (const int dangling : {9, 10, -1}) {
        planets[4].links.push_back(dangling);
    }
    const auto nowhere = [](const Planets& g) {
        return std::vector<std::int32_t>(g[4].links.end() - 3, g[4].links.end());
    };
    const Planets before = planets;
    const EditPointer added = add_planet(planets, 500, 900, sources());
    added->apply(planets);
    EXPECT_EQ(nowhere(planets), (std::vector<std::int32_t>{10, 11, -1})) << "after an add";
    const EditPointer deleted = delete_planet(planets, 8);
    deleted->apply(planets);
    EXPECT_EQ(nowhere(planets), (std::vector<std::int32_t>{10, 11, -1})) << "after a delete";
    const EditPointer cut = cut_link(planets, 4, 11);
    cut->apply(planets);
    EXPECT_EQ(std::count(planets[4].links.begin(), planets[4].links.end(), 11), 0) << "cut";
    EXPECT_THROW(cut_link(planets, 4, 12), EditRefused) << "a link it does not hold";
    cut->revert(planets);
    deleted->revert(planets);
    added->revert(planets);
    EXPECT_EQ(planets, before);
}

// "Tidy jumpgates": a gate drawn through a planet goes through it instead; on generated galaxies
// of every size no gate is left passing a planet that has room, every planet stays reached, and
// undo gives the galaxy back exactly.
TEST(GalaxyEdit, TidyReroutesTheGatesDrawnThroughPlanets)
{
    Planets line(4);
    const std::pair<int, int> at[] = {{100, 500}, {900, 500}, {500, 505}, {500, 900}};
    for (std::size_t p = 0; p < line.size(); ++p)
        std::tie(line[p].x, line[p].y) = at[p];
    line[0].home = true;
    line[0].links = {1};
    line[1].links = {0, 3};
    line[2].links = {3};
    line[3].links = {2, 1};
    Planets tidied = line;
    const EditPointer tidy = tidy_gates(line);
    EXPECT_EQ(tidy->text(), "Tidy 1 jumpgate");
    tidy->apply(tidied);
    EXPECT_EQ(tidied[0].links, (std::vector<std::int32_t>{2}));
    EXPECT_EQ(tidied[1].links, (std::vector<std::int32_t>{3, 2}));
    EXPECT_EQ(tidied[2].links, (std::vector<std::int32_t>{3, 0, 1}));
    EXPECT_THROW(tidy_gates(tidied), EditRefused) << "nothing left to tidy";
    // The planet in the way, holding 9 links, has no room for two more: the gate stays; holding
    // 8, it takes the two and reaches the most a planet holds.
    Planets crowded = line;
    const auto add_far_planet = [&crowded](int k) {
        Planet far;
        far.x = 150 + 100 * k;
        far.y = 150;
        far.links = {2};
        crowded.push_back(far);
        crowded[2].links.push_back(static_cast<std::int32_t>(crowded.size() - 1));
    };
    for (int k = 0; k < 7; ++k)
        add_far_planet(k);
    Planets roomy = crowded;
    tidy_gates(crowded)->apply(roomy);
    EXPECT_EQ(roomy[2].links.size(), static_cast<std::size_t>(kMaxLinks));
    add_far_planet(7);
    ASSERT_EQ(crowded[2].links.size(), 9u);
    EXPECT_THROW(tidy_gates(crowded), EditRefused);

    int tidied_galaxies = 0;
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
        testing::FakeWorld world;
        Random random(seed);
        Galaxy galaxy;
        GalaxyParams params;
        params.planets = 30 + static_cast<int>(seed * 37 % 146);
        generate_galaxy(params, world.services, random, galaxy);
        if (gates_in_the_way(galaxy.planets).through.empty())
            continue;
        Planets planets = galaxy.planets;
        const EditPointer edit = tidy_gates(planets);
        edit->apply(planets);
        ++tidied_galaxies;
        for (const GateThrough& g : gates_in_the_way(planets).through)
            EXPECT_GT(planets[static_cast<std::size_t>(g.in_the_way)].links.size() + 2,
                      static_cast<std::size_t>(kMaxLinks))
                << "seed " << seed << ": gate " << g.a << "-" << g.b;
        EXPECT_TRUE(unreachable_planets(planets).empty()) << "seed " << seed;
        expect_invariants(planets, "seed " + std::to_string(seed) + ", " + edit->text());
        edit->revert(planets);
        EXPECT_EQ(planets, galaxy.planets) << "seed " << seed;
    }
    EXPECT_GT(tidied_galaxies, 20);
}

}  // namespace
}  // namespace orvek
