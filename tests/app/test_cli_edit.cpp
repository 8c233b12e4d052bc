// SPDX-License-Identifier: GPL-3.0-or-later
// The tool's edits: in the order given, on a generated galaxy or an opened campaign, saved back.

#include "support/game_copy.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace orvek {
namespace {

using testing::DemoGame;

TEST(Cli, EditsApplyInTheirOrderAndSaveTheCampaignBack)
{
    DemoGame game;
    ASSERT_EQ(game.run("--seed 5 --save --name Kept").status, 0);
    const auto before = game.campaigns();
    auto r = game.run("--open kept --save");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(game.campaigns(), before) << "saved back as it was, no question asked";
    EXPECT_EQ(game.run("--open kept --cut 0,2 --join 0,2").status, 2) << "not joined yet";
    r = game.run(
        "--open kept --join 0,2 --cut 0,2 --rename '1:Nouvelle \xC3\x89toile: 2' --save --json -");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(nlohmann::json::parse(r.out)["planets"][1]["name"], "Nouvelle \xC3\x89toile: 2");
    EXPECT_EQ(game.run("--check kept").status, 0);
    EXPECT_NE(game.campaigns(), before);
    // One feature set by hand, boxes unticked: that planet's file alone changes, and says it.
    const auto edited = game.campaigns();
    r = game.run("--open kept --feature 3:CLOAK_INOPERABLE=on --save");
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> changed;
    for (const auto& [path, bytes] : game.campaigns())
        if (edited.at(path) != bytes) {
            changed.push_back(path);
            EXPECT_NE(bytes.find("[variables]\r\nCLOAK_INOPERABLE\r\n"), std::string::npos);
        }
    EXPECT_EQ(changed.size(), 1u);
    EXPECT_EQ(game.run("--check kept").status, 0);
    EXPECT_EQ(game.run("--open kept --feature 3:warp=on").status, 2);
    EXPECT_EQ(game.run("--open kept --feature 3:shipyardb").status, 2);
    EXPECT_EQ(game.run("--open kept --feature 3:shipyardb=yes").status, 2) << "neither on nor off";
    EXPECT_EQ(game.run("--open kept --name Copy --save").status, 0) << "a new campaign";
    EXPECT_EQ(game.run("--open kept --name Copy --save").status, 3) << "which now exists";
    EXPECT_EQ(game.run("--check copy").status, 0);
    // A middle planet deleted and one added in its place, saved back: the map file names each
    // planet once, the deleted one's file no more, and the check finds no problem.
    const auto kept = nlohmann::json::parse(game.run("--open kept --json -").out);
    const std::string place = kept["planets"][3]["x"].dump() + "," + kept["planets"][3]["y"].dump();
    const std::size_t planets = kept["planets"].size();
    const int neighbour = kept["planets"][3]["links"][0];
    r = game.run("--open kept --delete 3 --add " + place + " --join " +
                 std::to_string(planets - 1) + "," + std::to_string(neighbour - (neighbour > 3)) +
                 " --save --json -");
    ASSERT_EQ(r.status, 0) << r.err;
    const auto added = nlohmann::json::parse(r.out)["planets"][planets - 1];
    EXPECT_EQ(added["x"].dump() + "," + added["y"].dump(), place) << "added where it was asked";
    EXPECT_NE(("\n" + testing::read_bytes(game.dir.path() / "stars.txt"))
                  .find("\n" + added["name"].get<std::string>() + "\r\n"),
              std::string::npos)
        << added["name"] << " is a name of the game's list";
    EXPECT_EQ(game.run("--check kept").status, 0);
    const std::string map = game.campaigns().at("maps/kept.txt");
    EXPECT_NE(map.find("\r\n" + std::to_string(planets - 1) + " = "), std::string::npos);
    EXPECT_EQ(map.find("\r\n" + std::to_string(planets) + " = "), std::string::npos) << map;
    EXPECT_EQ(map.find(kept["planets"][3]["template"].get<std::string>()), std::string::npos)
        << "the deleted planet's file is named no more";
    // --tidy reroutes the jumpgates drawn through planets, and leaves a galaxy with none alone.
    for (const char* seed : {"7", "1"}) {
        r = game.run(std::string("--seed ") + seed + " --tidy --stats");
        ASSERT_EQ(r.status, 0) << seed << ": " << r.err;
        EXPECT_NE(r.out.find("\n0 jumpgates through a planet"), std::string::npos) << r.out;
    }
    EXPECT_NE(game.run("--seed 7 --stats").out.find("\n1 jumpgate through a planet"),
              std::string::npos);
}

}  // namespace
}  // namespace orvek
