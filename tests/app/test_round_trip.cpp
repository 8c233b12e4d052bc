// SPDX-License-Identifier: GPL-3.0-or-later
// Every campaign the Save writes reads back exactly, on game folders whose templates take every
// shape make-demo-game's variants hold: saved, it checks clean (or names exactly the lines its
// templates lack), opens as the galaxy saved, saves back byte for byte, and each edit kind saved
// reads back as made without adding a problem, and exported and imported into a fresh game folder
// gives the same files. Driven through the tool, as a player's batch is.

#include "core/galaxy_edit.h"
#include "support/galaxy_picks.h"
#include "support/game_copy.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <map>
#include <set>

namespace fs = std::filesystem;
using nlohmann::json;

namespace orvek {
namespace {

struct Case {
    std::uint32_t seed;
    int planets, wormholes;
    bool boxes;  // both feature boxes ticked
};
// Each size with each wormhole count once, the boxes ticked in two of them.
constexpr Case kCases[] = {
    {11, 8, 0, false}, {12, 8, 7, true}, {13, 175, 0, true}, {14, 175, 9, false}};

// The game folder of a variant, made once: the demo game's eight pictures take make-demo-game
// seconds to draw, and every galaxy of a variant starts from a fresh copy of the same folder.
const fs::path& made_game(const std::string& variant)
{
    static std::map<std::string, testing::TempDir> made;
    const auto [game, fresh] = made.try_emplace(variant);
    if (fresh) {
        const std::string make = std::string(ORVEK_MAKE_DEMO_GAME_EXE) +
                                 (variant.empty() ? "" : " --variant " + variant) + " '" +
                                 game->second.str() + "'";
        EXPECT_EQ(testing::run_command(make).status, 0) << make;
    }
    return game->second.path();
}

class RoundTrip {
public:
    RoundTrip(const std::string& variant, const Case& c) : c_(c)
    {
        fs::copy(made_game(variant), dir_.path(), fs::copy_options::recursive);
        keep_ = variant == "missing" ? " --keep-problems" : "";
        boxes_ = c.boxes ? " --write-inhibitions --write-facilities" : "";
    }

    testing::CommandResult tool(const std::string& args) const
    {
        return testing::run_command(std::string(ORVEK_CLI) + " --quiet --game-dir '" + dir_.str() +
                                    "' " + args);
    }

    // Runs the tool for a galaxy's JSON on standard output.
    json galaxy(const std::string& args) const
    {
        const testing::CommandResult r = tool(args + " --json -");
        EXPECT_EQ(r.status, 0) << args << "\n" << r.err;
        return r.status == 0 ? json::parse(r.out) : json();
    }

    json generate_and_save() const
    {
        return galaxy("--seed " + std::to_string(c_.seed) + " --custom " +
                      std::to_string(c_.planets) + "," + std::to_string(c_.wormholes) +
                      ",1,40,40 --name 'Round Trip' --save" + boxes_ + keep_);
    }
    // The feature boxes draw the features anew at every Save; saved back unedited without
    // them, every file is kept byte for byte.
    json open_and_save(const std::string& edit) const
    {
        return galaxy("--open roundtrip " + edit + " --save" + (edit.empty() ? "" : boxes_) +
                      keep_);
    }
    json open() const { return galaxy("--open roundtrip"); }

    // Whether the check of the saved campaign finds exactly these problems, as (file, sentence):
    // the check lists 20 of a kind and counts the rest.
    void expect_problems(const std::set<std::pair<std::string, std::string>>& expected,
                         const std::string& what) const
    {
        auto found = problems();
        std::size_t more = 0;
        for (auto it = found.begin(); it != found.end();)
            if (it->second.rfind("and ", 0) == 0) {
                more += std::stoul(it->second.substr(4));
                it = found.erase(it);
            } else {
                EXPECT_TRUE(expected.count(*it)) << what << ": " << it->first << ": " << it->second;
                ++it;
            }
        EXPECT_EQ(found.size() + more, expected.size()) << what;
    }

    // The problems of the saved campaign, as (file, sentence).
    std::set<std::pair<std::string, std::string>> problems() const
    {
        const testing::CommandResult r = tool("--check roundtrip --json -");
        std::set<std::pair<std::string, std::string>> found;
        const json check = json::parse(r.out);
        for (const json& f : check["findings"])
            if (f["kind"] == "problem")
                found.emplace(f["file"], f["sentence"]);
        return found;
    }

    // The problems that templates lacking a line must give, and no others.
    std::set<std::pair<std::string, std::string>> expected_problems(const json& g) const
    {
        std::set<std::pair<std::string, std::string>> expected;
        for (const json& p : g["planets"])
            for (const char* key :
                 {"EncounterID", "MapPosition.X", "MapPosition.Y", "guiname", "wormholes"})
                if (lacks(p["template"], key))
                    expected.emplace(p["template"],
                                     "the file has no " + std::string(key) + " line");
        return expected;
    }

    bool lacks(const std::string& name, const std::string& key) const
    {
        const std::string bytes =
            testing::read_bytes(dir_.path() / "campaign/data/encounters/all" / name);
        return bytes.find(key) == std::string::npos;
    }

    std::map<std::string, std::string> files() const
    {
        return testing::snapshot(dir_.path() / "campaign/data", false, [](const std::string& p) {
            return p.rfind("encounters/roundtrip", 0) == 0 || p == "maps/roundtrip.txt";
        });
    }

    // The galaxy read back is the galaxy written: planets in order with their positions, names,
    // templates, links in order, the home and (where a box wrote them) features, except what a
    // template lacks the line for.
    void expect_same(const json& written, const json& read, const std::string& what) const
    {
        ASSERT_EQ(read["planets"].size(), written["planets"].size()) << what;
        EXPECT_EQ(read["home"], written["home"]) << what;
        for (std::size_t i = 0; i < written["planets"].size(); ++i) {
            const json &w = written["planets"][i], &r = read["planets"][i];
            const std::string at = what + ", planet " + std::to_string(i);
            const std::string t = w["template"];
            EXPECT_EQ(r["template"], t) << at;
            EXPECT_EQ(r["links"], w["links"]) << at;
            if (!lacks(t, "MapPosition.X")) {
                EXPECT_EQ(r["x"], w["x"]) << at;
                EXPECT_EQ(r["y"], w["y"]) << at;
            }
            if (!lacks(t, "guiname")) {
                EXPECT_EQ(r["name"], w["name"]) << at;
            }
            if (c_.boxes && !w["home"]) {
                EXPECT_EQ(r["features"], w["features"]) << at;
            }
        }
    }

    const Case& c() const { return c_; }
    std::string folder() const { return dir_.str(); }

private:
    testing::TempDir dir_;
    Case c_;
    std::string keep_, boxes_;
};

// The names of the files that differ, or empty.
std::string differing(const std::map<std::string, std::string>& a,
                      const std::map<std::string, std::string>& b)
{
    std::string names;
    for (const auto& [name, bytes] : a)
        if (!b.count(name) || b.at(name) != bytes)
            names += name + " ";
    return names + (a.size() == b.size() ? "" : "(another count of files)");
}

std::vector<Planet> planets_of(const json& g)
{
    std::vector<Planet> planets;
    for (const json& p : g["planets"]) {
        Planet planet;
        planet.x = p["x"], planet.y = p["y"];
        planet.links = p["links"].get<std::vector<std::int32_t>>();
        planet.home = p["home"];
        planets.push_back(std::move(planet));
    }
    return planets;
}

// The first link whose cut keeps every planet reached.
std::pair<int, int> spare_link(const std::vector<Planet>& g)
{
    for (int p = 0; p < static_cast<int>(g.size()); ++p)
        for (const int q : g[static_cast<std::size_t>(p)].links) {
            std::vector<Planet> cut = g;
            cut_link(cut, p, q)->apply(cut);
            if (unreachable_planets(cut).empty())
                return {p, q};
        }
    return {-1, -1};
}
// Each edit kind as the tool's options, made from the galaxy as it stands; empty where the
// galaxy cannot take it.
std::string edit_of(const std::string& kind, const json& g)
{
    const std::vector<Planet> planets = planets_of(g);
    const int n = static_cast<int>(planets.size());
    const auto [x, y] = testing::free_spot(planets, 3);
    const auto spot = std::to_string(x) + "," + std::to_string(y);
    if ((kind == "move" || kind == "add") && x < 0)
        return "";  // a full map
    if (kind == "add" && n == kMostPlanets)
        return "";
    if (kind == "move")
        return "--move 1:" + spot;
    if (kind == "rename")
        return "--rename '2:Round Trip Two'";
    if (kind == "home")
        return "--home " + std::to_string(g["home"] == 3 ? 4 : 3);
    if (kind == "add")
        return "--add " + spot + " --join 0," + std::to_string(n);
    if (kind == "join") {
        for (int b = 1; b < n; ++b)
            if (!std::count(planets[0].links.begin(), planets[0].links.end(), b) &&
                std::ssize(planets[0].links) < kMaxLinks &&
                std::ssize(planets[static_cast<std::size_t>(b)].links) < kMaxLinks)
                return "--join 0," + std::to_string(b);
        return "";
    }
    if (kind == "cut") {
        const auto [p, q] = spare_link(planets);
        return p < 0 ? "" : "--cut " + std::to_string(p) + "," + std::to_string(q);
    }
    const int d = testing::spare_planet(planets);
    return d < 0 ? "" : "--delete " + std::to_string(d);
}

void round_trip(const std::string& variant)
{
    for (const Case& c : kCases) {
        RoundTrip t(variant, c);
        const std::string what = (variant.empty() ? "demo" : variant) + " seed " +
                                 std::to_string(c.seed) + " " + std::to_string(c.planets) + "/" +
                                 std::to_string(c.wormholes);
        const json saved = t.generate_and_save();
        ASSERT_FALSE(saved.is_null()) << what;
        t.expect_problems(t.expected_problems(saved), what);
        json now = t.open();
        t.expect_same(saved, now, what + ", opened");
        const auto files = t.files();
        t.open_and_save("");
        EXPECT_EQ(differing(t.files(), files), "") << what << ": saved back with no edit";
        // Exported and imported into a fresh copy of the game folder, byte for byte the same.
        RoundTrip fresh(variant, c);
        const std::string zip = (fs::path(t.folder()) / "roundtrip.zip").string();
        auto r = t.tool("--export roundtrip '" + zip + "'");
        ASSERT_EQ(r.status, 0) << what << ": " << r.err;
        r = fresh.tool("--import '" + zip + "' --keep-problems");
        ASSERT_EQ(r.status, 0) << what << ": " << r.err;
        EXPECT_EQ(differing(fresh.files(), files) + differing(files, fresh.files()), "")
            << what << ": exported and imported";
        EXPECT_EQ(fresh.problems(), t.problems()) << what << ": exported and imported";
        // Each edit is made on the galaxy as the edit before left it, read back from its files.
        for (const char* kind : {"move", "rename", "home", "add", "join", "cut", "delete"}) {
            const std::string edit = edit_of(kind, now);
            if (edit.empty())
                continue;
            const json edited = t.open_and_save(edit);
            ASSERT_FALSE(edited.is_null()) << what << " " << edit;
            now = t.open();
            t.expect_same(edited, now, what + ", " + edit);
            t.expect_problems(t.expected_problems(edited), what + ", " + edit);
        }
    }
}

TEST(RoundTrip, DemoGame)
{
    round_trip("");
}
TEST(RoundTrip, KeysThatHoldOtherKeys)
{
    round_trip("substrings");
}
TEST(RoundTrip, RepeatedAndMissingSections)
{
    round_trip("repeats");
}
TEST(RoundTrip, LineEndsBytesAndLetterCase)
{
    round_trip("encodings");
}
TEST(RoundTrip, TemplatesThatLackALine)
{
    round_trip("missing");
}

}  // namespace
}  // namespace orvek
