// SPDX-License-Identifier: GPL-3.0-or-later
// Faults of the game folder's own folders: read-only or missing folders, a campaign folder that
// is a file, links in the campaign data, a full disk. Each gives a clear message, and an existing
// campaign stays byte for byte as it was.

#include "core/error.h"
#include "core/generator.h"
#include "core/random.h"
#include "campaign/encounter.h"
#include "image/jpeg.h"
#include "support/fake_services.h"
#include "faults/faults_fixture.h"
#include "support/game_copy.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <map>
#include <thread>

#include <unistd.h>

namespace fs = std::filesystem;

namespace orvek {
namespace {

using testing::Game;
using testing::starts_with;
using testing::TempDir;

// ---- Folders -------------------------------------------------------------------------------

TEST(Faults, MissingMapsFolder)
{
    Game game;
    fs::remove_all(game.dir.path() / "campaign/data/maps");
    auto r = game.run("--seed 5 --save --name Lost");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Cannot create file \"" + game.dir.str() +
                         "/campaign/data/maps/lost.txt\". No such file or directory.\n");
    EXPECT_FALSE(fs::exists(game.campaign("lost")));
}

TEST(Faults, MessagesKeepThePathsAsTheSystemWritesThem)
{
    TempDir dir;
    const fs::path game = dir.path() / "Spiele \xC3\xA9t\xC3\xA9";  // UTF-8, as Linux names files
    fs::copy(ORVEK_DEMO_GAME, game, fs::copy_options::recursive);
    fs::remove_all(game / "campaign/data/maps");
    auto r = testing::run_command(std::string(ORVEK_CLI) +
                                  " --quiet --seed 5 --save --name Lost --game-dir '" +
                                  game.string() + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Cannot create file \"" + game.string() +
                         "/campaign/data/maps/lost.txt\". No such file or directory.\n");
}

TEST(Faults, ReadOnlyCampaignFolder)
{
    Game game;
    ASSERT_EQ(game.run("--seed 5 --save --name Guarded").status, 0);
    game.open_to_everyone();
    fs::permissions(game.campaign("guarded"), fs::perms::owner_read | fs::perms::owner_exec |
                                                  fs::perms::group_read | fs::perms::group_exec |
                                                  fs::perms::others_read | fs::perms::others_exec);
    auto before = game.campaigns();
    auto r = game.run("--seed 6 --save --name Guarded --overwrite", true);
    if (geteuid() != 0 && r.status == 0)
        GTEST_SKIP() << "the file system ignores permissions here";
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(starts_with(r.err, "Cannot rename file \"" + game.campaign("guarded").string()))
        << r.err;
    EXPECT_NE(r.err.find("Permission denied."), std::string::npos) << r.err;
    EXPECT_EQ(game.campaigns(), before);
}

TEST(Faults, ReadOnlyFileAndSubFolderInTheCampaign)
{
    Game game;
    ASSERT_EQ(game.run("--seed 5 --save --name Mixed").status, 0);
    auto mine = game.dir.write("campaign/data/encounters/mixed/mine.txt", "x");
    fs::permissions(mine, fs::perms::owner_read);
    game.dir.write("campaign/data/encounters/mixed/sub/keep.txt", "kept");
    ASSERT_EQ(game.run("--seed 6 --save --name Mixed --overwrite").status, 0);
    EXPECT_FALSE(fs::exists(mine));
    EXPECT_EQ(testing::read_bytes(game.campaign("mixed") / "sub/keep.txt"), "kept");
}

TEST(Faults, CampaignFolderIsAFile)
{
    Game game;
    game.dir.write("campaign/data/encounters/plain", "not a folder");
    auto before = game.campaigns();
    EXPECT_EQ(game.run("--seed 5 --save --name Plain").status, 3);
    auto r = game.run("--seed 5 --save --name Plain --overwrite");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(starts_with(r.err, "Cannot create file \"" + game.campaign("plain").string() + "/"))
        << r.err;
    EXPECT_NE(r.err.find("Not a directory."), std::string::npos) << r.err;
    EXPECT_EQ(game.campaigns(), before);
}

// A campaign folder, a map file or the maps folder that is a link is refused by name: a Save
// never writes or moves anything through a link into the folder it points at.
TEST(Faults, LinksInTheCampaignDataAreRefused)
{
    struct Row {
        const char* at;
        const char* found;
    } rows[] = {
        {"campaign/data/encounters/linked", "is a link, not a folder"},
        {"campaign/data/maps/linked.txt", "is a link, not a file"},
        {"campaign/data/maps", "is a link, not a folder"},
    };
    for (const Row& row : rows) {
        Game game;
        TempDir victim;
        victim.write("letter.txt", "dear");
        fs::remove_all(game.dir.path() / row.at);
        fs::create_symlink(std::string(row.at).find(".txt") != std::string::npos
                               ? victim.path() / "letter.txt"
                               : victim.path(),
                           game.dir.path() / row.at);
        auto r = game.run("--seed 5 --save --name Linked --overwrite");
        EXPECT_EQ(r.status, 1) << row.at;
        EXPECT_NE(r.err.find(row.found), std::string::npos) << row.at << ": " << r.err;
        EXPECT_EQ(testing::read_bytes(victim.path() / "letter.txt"), "dear") << row.at;
        EXPECT_EQ(std::distance(fs::directory_iterator(victim.path()), {}), 1) << row.at;
        EXPECT_FALSE(fs::exists(game.dir.path() / "campaign/data/.orvek-save")) << row.at;
    }
}

TEST(Faults, FullDisk)
{
    Game game;
    ASSERT_EQ(game.run("--seed 5 --save --name Full").status, 0);
    auto before = game.campaigns();
    // A file-size limit of 1 KiB: the encounter files fit, the map file does not.
    auto r =
        game.run("--seed 7 --size huge --save --name Full --overwrite", false, "ulimit -f 1; ");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(starts_with(r.err, "Cannot create file \"")) << r.err;
    EXPECT_NE(r.err.find("File too large."), std::string::npos) << r.err;
    EXPECT_EQ(game.campaigns(), before) << "the old campaign stays whole";
}

}  // namespace
}  // namespace orvek
