// SPDX-License-Identifier: GPL-3.0-or-later
// --count and --where: each seed's galaxy, campaign and JSON exactly those of its own run, in seed
// order, and the search by figures with its bounds.

#include "support/game_copy.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>

namespace orvek {
namespace {

using testing::DemoGame;

std::vector<nlohmann::json> json_lines(const std::string& text)
{
    std::vector<nlohmann::json> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(nlohmann::json::parse(line));
    return lines;
}

TEST(CliBatch, EachSeedAsItsOwnRun)
{
    DemoGame batch, single;
    const std::string sheet = (batch.dir.path() / "sheet.png").string();
    const auto r =
        batch.run("--seed 40 --count 3 --name Batch --save --stats --json - --png '" + sheet + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    // The contact sheet: one 300-pixel square a galaxy, with 40 pixels of caption below it.
    const std::string png = testing::read_bytes(sheet);
    ASSERT_GE(png.size(), 24u);
    EXPECT_EQ(png.substr(12, 12), std::string("IHDR\0\0\x03\x84\0\0\x01\x54", 12));
    const std::vector<nlohmann::json> lines = json_lines(r.out);
    ASSERT_EQ(lines.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        const auto one = single.run("--seed " + std::to_string(40 + i) + " --name 'Batch " +
                                    std::to_string(i + 1) + "' --save --stats --json -");
        ASSERT_EQ(one.status, 0) << one.err;
        EXPECT_EQ(lines[static_cast<std::size_t>(i)], nlohmann::json::parse(one.out)) << i;
    }
    EXPECT_EQ(batch.campaigns(), single.campaigns()) << "byte for byte";
}

// --threads 1 keeps a batch on one worker thread, each galaxy on it alone: strace sees the
// program start one thread.
TEST(CliBatch, OneThreadMeansOneWorker)
{
    DemoGame game;
    const std::string log = (game.dir.path() / "threads.log").string();
    // The leak checker of a sanitizer build cannot work under strace: it is left out there.
    const auto r = game.run("--seed 5 --count 6 --threads 1",
                            "ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0 strace -f "
                            "-qq -e trace=clone,clone3 -o '" +
                                log + "' ");
    ASSERT_EQ(r.status, 0) << r.err;
    std::istringstream lines(testing::read_bytes(log));
    int started = 0;
    for (std::string line; std::getline(lines, line);)
        started += line.find("clone") != std::string::npos;
    EXPECT_EQ(started, 1);
}

TEST(CliBatch, SearchByFigures)
{
    DemoGame game;
    auto r = game.run(
        "--seed 1 --count 2 --where 'diameter>=12,dead_ends<=4,through_planets=0,crossings<=0' "
        "--json -");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<nlohmann::json> kept = json_lines(r.out);
    ASSERT_EQ(kept.size(), 2u);
    r = game.run("--seed 1 --count 2 --where 'links>=1' --json -");
    EXPECT_EQ(json_lines(r.out).size(), 2u) << "as many as asked, though every seed passes";
    EXPECT_LT(kept[0]["seed"], kept[1]["seed"]);
    for (const auto& galaxy : kept) {
        const auto own = game.run("--seed " + galaxy["seed"].dump() + " --stats --json -");
        const auto stats = nlohmann::json::parse(own.out)["stats"];
        EXPECT_GE(stats["diameter"], 12);
        EXPECT_LE(stats["dead_ends"], 4);
        EXPECT_EQ(stats["through_planets"], 0);
        EXPECT_EQ(stats["crossings"], 0);
    }
    EXPECT_EQ(game.saved_files(), 0u);
}

// Each figure by its own name and each comparison: seed 24's nine figures all differ, so a
// condition that read another figure, or compared the other way, would keep or drop it wrongly.
TEST(CliBatch, EachFigureAndComparison)
{
    DemoGame game;
    const auto own = game.run("--seed 24 --stats --json -");
    ASSERT_EQ(own.status, 0) << own.err;
    const nlohmann::json stats = nlohmann::json::parse(own.out)["stats"];
    ASSERT_EQ(stats.size(), 9u);
    std::string all;
    for (const auto& [name, value] : stats.items())
        all += (all.empty() ? "" : ",") + name + "<=" + value.dump() + "," + name +
               ">=" + value.dump() + "," + name + "=" + value.dump();
    EXPECT_EQ(game.run("--seed 24 --max-seeds 1 --where '" + all + "'").status, 0) << all;
    for (const auto& [name, value] : stats.items())
        for (const char* comparison : {"<", ">"}) {
            const std::string where = name + comparison + value.dump();
            EXPECT_EQ(game.run("--seed 24 --max-seeds 1 --where '" + where + "'").status, 4)
                << where;
        }
    // Equal is equal: half a step below the figure does not pass.
    for (const auto& [name, value] : stats.items()) {
        const std::string where = name + "=" + std::to_string(value.get<double>() - 0.5);
        EXPECT_EQ(game.run("--seed 24 --max-seeds 1 --where '" + where + "'").status, 4) << where;
    }
}

// A batch that cannot be saved whole saves nothing; one whose outputs fail after its Saves says
// that the campaigns were saved.
TEST(CliBatch, RefusedBeforeItsFirstWriteToldAfterItsLast)
{
    DemoGame game;
    ASSERT_EQ(game.run("--seed 1 --name 'Taken 2' --save").status, 0);
    const auto before = game.campaigns();
    auto r = game.run("--seed 40 --count 3 --name Taken --save");
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_NE(r.err.find("Nothing was saved."), std::string::npos) << r.err;
    EXPECT_EQ(game.campaigns(), before);
    r = game.run("--seed 40 --count 2 --name Full --save --json /dev/full");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("No space left on device. The 2 campaigns were saved."),
              std::string::npos)
        << r.err;
    // A Save that fails in the middle says how many were saved before it.
    game.dir.write("campaign/data/encounters/mid2", "a file where the folder goes");
    r = game.run("--seed 40 --count 2 --name Mid --save --overwrite");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Not a directory (1 of the 2 galaxies were saved before it).\n"),
              std::string::npos)
        << r.err;
    // Without regions every galaxy is "Delphic Expanse": two would be one campaign.
    std::filesystem::remove(game.dir.path() / "regions.txt");
    const auto named = game.campaigns();
    r = game.run("--seed 40 --count 2 --save");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("would replace galaxy 1"), std::string::npos) << r.err;
    EXPECT_EQ(game.campaigns(), named);
    // A galaxy that gave up is not one of the batch.
    r = game.run("--seed 40 --count 2 --custom 175,9,99,1,1 --max-attempts 1");
    EXPECT_EQ(r.status, 4);
    EXPECT_NE(r.err.find("seed 40 gave up after 1 attempts"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace orvek
