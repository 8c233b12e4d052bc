// SPDX-License-Identifier: GPL-3.0-or-later
// Campaign archives in the library: a campaign exported with a file its map names twice or with
// accented file names, its manifest, renamed whatever the letter case of its paths, and an import
// that leaves alone a campaign of its id that appeared meanwhile.

#include "archive/campaign_archive.h"

#include "archive/archive_manifest.h"
#include "campaign/campaign_reader.h"
#include "core/error.h"
#include "gamedata/game_folder.h"
#include "support/game_copy.h"
#include "support/saved_campaign.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace orvek {
namespace {

struct Archives : ::testing::Test {
    testing::TempDir game;
    GameFolder folder{game.str()};

    void SetUp() override { testing::save_mine(game, folder); }
};

// Two entries of the map file naming one file: the archive holds it once, and reads back.
TEST_F(Archives, AFileNamedTwiceIsExportedOnce)
{
    const std::string map = game.str() + "/campaign/data/maps/mine.txt";
    std::string bytes = testing::read_bytes(map);
    const std::size_t first = bytes.find("0 = campaign/data/encounters/mine/");
    const std::size_t second = bytes.find("\r\n1 = ", first) + 2;
    const std::size_t end = bytes.find("\r\n", second);
    bytes.replace(second, end - second,
                  "1" + bytes.substr(first + 1, bytes.find("\r\n", first) - first - 1));
    game.write("campaign/data/maps/mine.txt", bytes);
    const CampaignArchive archive = campaign_for_archive(folder, "mine", "{}", "");
    const CampaignArchive read = read_archive(archive_bytes(archive));
    EXPECT_EQ(read.encounters, archive.encounters);
    EXPECT_EQ(read.map_bytes, bytes);
}

// A file of the campaign's folder whose name holds accented letters travels like any other.
TEST_F(Archives, AccentedFileNamesTravel)
{
    CampaignArchive archive = campaign_for_archive(folder, "mine", "{}", "");
    archive.encounters.emplace_back("Caf\xc3\xa9 notes.txt", "x");
    EXPECT_EQ(read_archive(archive_bytes(archive)).encounters, archive.encounters);
}

// Each figure under its own key.
TEST(ArchiveManifest, EachFigureUnderItsKey)
{
    const GalaxyFigures figures{1, 2.5, 3, 4, 5, 6, 7, 8, 9};
    EXPECT_EQ(figures_json(figures).dump(),
              R"({"hops_from_home_max":1,"hops_from_home_mean":2.5,"dead_ends":3,)"
              R"("chokepoints":4,"bridges":5,"diameter":6,"links":7,"through_planets":8,)"
              R"("crossings":9})");
}

// The manifest names the campaign in UTF-8 (its map file holds Windows-1252) and keeps a seed
// of 0, which is a seed like any other; only an unknown seed or Generate is null. Its format
// number is 1, so that a later change of its keys can be told from it.
TEST_F(Archives, TheManifestSaysNameAndSeedAsTheyAre)
{
    LoadedCampaign campaign = load_campaign(folder, "mine");
    campaign.name = "Caf\xe9";
    const auto manifest = nlohmann::json::parse(archive_manifest(campaign, "--seed 0", 0));
    EXPECT_EQ(manifest["format"], 1);
    EXPECT_EQ(manifest["name"], "Caf\u00e9");
    EXPECT_EQ(manifest["generate"], "--seed 0");
    EXPECT_EQ(manifest["seed"], 0);
    const auto unknown = nlohmann::json::parse(archive_manifest(campaign));
    EXPECT_TRUE(unknown["seed"].is_null() && unknown["generate"].is_null());
}

// The folder of every entry's path moves with the name, whatever its letter case; every other
// byte stays, the line ends included.
TEST(CampaignArchive, RenamedMovesEveryPathWhateverItsCase)
{
    CampaignArchive archive;
    archive.id = "shared";
    archive.map_bytes = "Name = shared\r\nGUIName = Shared\r\n[encounters]\r\n"
                        "0 = campaign/data/Encounters/SHARED/a.txt\r\n";
    EXPECT_EQ(renamed_archive(archive, "Other One").map_bytes,
              "Name = otherone\r\nGUIName = Other One\r\n[encounters]\r\n"
              "0 = campaign/data/encounters/otherone/a.txt\r\n");
    // Shown before an import under the new name, the campaign has that name's id and folder.
    const GameFolder game("/games/Orvek");
    const LoadedCampaign shown = archive_campaign(game, archive, "Other One");
    EXPECT_EQ(shown.id, "otherone");
    EXPECT_EQ(shown.folder, game.campaign_folder("otherone"));
    // LF line ends stay LF, and a last line without a break is given none.
    archive.map_bytes =
        "Name = shared\nGUIName = Shared\n0 = campaign/data/encounters/shared/a.txt";
    EXPECT_EQ(renamed_archive(archive, "Other One").map_bytes,
              "Name = otherone\nGUIName = Other One\n0 = campaign/data/encounters/otherone/a.txt");
}

// An import without `replace` that finds, under the save lock, a campaign of its id leaves it as
// it is; with `replace` it imports.
TEST_F(Archives, AnImportLeavesACampaignThatAppearedMeanwhile)
{
    const CampaignArchive archive = campaign_for_archive(folder, "mine", "{}", "");
    const auto before = testing::snapshot(game.path(), true);
    try {
        import_archive(folder, archive, false);
        ADD_FAILURE() << "imported";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("appeared in the game folder meanwhile"),
                  std::string::npos)
            << e.what();
    }
    EXPECT_EQ(testing::snapshot(game.path(), true), before);
    EXPECT_NO_THROW(import_archive(folder, archive, true));
}

}  // namespace
}  // namespace orvek
