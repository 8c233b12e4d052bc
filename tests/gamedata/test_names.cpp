// SPDX-License-Identifier: GPL-3.0-or-later
#include "gamedata/names.h"

#include "core/error.h"
#include "core/generate_command.h"
#include "core/random.h"
#include "core/settings.h"
#include "gamedata/game_folder.h"
#include "gamedata/game_services.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>

namespace orvek {
namespace {

using testing::TempDir;

TEST(NameLists, LinesUpToTheFirstNul)
{
    TempDir dir;
    dir.write("stars.txt", std::string("Vega\r\n Deneb \rAltair\n\nSirius\0Hidden\r\n", 36));
    EXPECT_EQ(load_system_names(GameFolder(dir.str())),
              (std::vector<std::string>{"Vega", " Deneb ", "Altair", "", "Sirius"}));
}

TEST(NameLists, MissingStarsGiveAnEmptyPool)
{
    TempDir dir;
    EXPECT_TRUE(load_system_names(GameFolder(dir.str())).empty());
}

// A list that is there but cannot be read, or that holds a name longer than a planet's, fails
// the command: a fallback would silently give another galaxy for the same seed.
TEST(NameLists, ThereButUnreadableIsAnError)
{
    namespace fs = std::filesystem;
    struct Row {
        const char* name;
        std::function<void(TempDir&)> make;
    } rows[] = {
        {"stars.txt a folder", [](TempDir& d) { fs::create_directory(d.path() / "stars.txt"); }},
        {"regions.txt a folder",
         [](TempDir& d) { fs::create_directory(d.path() / "regions.txt"); }},
        {"types.txt a folder",
         [](TempDir& d) {
             d.write("regions.txt", "Cygnus\n");
             fs::create_directory(d.path() / "types.txt");
         }},
        {"a name of 41 characters", [](TempDir& d) { d.write("stars.txt", std::string(41, 'x')); }},
        {"a list over 4 MiB",
         [](TempDir& d) { d.write("regions.txt", std::string((4 << 20) + 1, '\n')); }},
    };
    for (const Row& row : rows) {
        TempDir dir;
        row.make(dir);
        const GameFolder folder(dir.str());
        Random random(3);
        EXPECT_THROW(
            {
                load_system_names(folder);
                draw_campaign_name(folder, GalaxySettings{}, random);
            },
            Error)
            << row.name;
    }
}

TEST(SystemNames, MadeUpNameDrawsCapitalLengthAndLetters)
{
    Random random(9), expected(9);
    std::string made;
    make_up_system_name(random, made);
    std::string want(1, static_cast<char>('A' + expected(25)));
    for (std::uint32_t k = 5 + expected(6); k > 0; --k)
        want += static_cast<char>('a' + expected(25));
    EXPECT_EQ(made, want);
    EXPECT_EQ(random.state(), expected.state());
}

TEST(SystemNames, MadeUpNamesHaveNoZ)
{
    Random random(1);
    std::set<std::size_t> lengths;
    for (int i = 0; i < 2000; ++i) {
        std::string name;
        make_up_system_name(random, name);
        lengths.insert(name.size());
        EXPECT_TRUE(name[0] >= 'A' && name[0] <= 'Y');
        EXPECT_EQ(name.find_first_of("Zz"), std::string::npos);
    }
    EXPECT_EQ(lengths, (std::set<std::size_t>{6, 7, 8, 9, 10, 11}));
}

TEST(CampaignName, TypeListGrowsWithThePlanetCount)
{
    TempDir dir;
    dir.write("regions.txt", "Cygnus\r\n");
    dir.write("types.txt", "Drift\r\n");
    struct Case {
        const char* planets;
        std::uint32_t types;  // entries the type draw chooses among
    } cases[] = {{"50", 1}, {"51", 3}, {"70", 3}, {"71", 6}};
    const std::vector<std::string> names = {"Drift",  "Galaxy", "Galaxy",
                                            "Galaxy", "Galaxy", "Supercluster"};
    for (const Case& c : cases)
        for (std::uint32_t seed = 1; seed < 40; ++seed) {
            GalaxySettings settings;
            settings.planet_count = c.planets;
            Random random(seed), expected(seed);
            std::string name = draw_campaign_name(GameFolder(dir.str()), settings, random);
            expected(1);
            EXPECT_EQ(name, "Cygnus " + names[expected(c.types)]) << c.planets;
        }
}

TEST(CampaignName, FallbacksAndEmptyLists)
{
    GalaxySettings settings;
    {
        TempDir dir;  // no lists at all: no draw is made
        Random random(3);
        EXPECT_EQ(draw_campaign_name(GameFolder(dir.str()), settings, random), "Delphic Expanse");
        EXPECT_EQ(random.state(), 3u);
    }
    {
        TempDir dir;  // regions but no types: the region draw happened
        dir.write("regions.txt", "Cygnus\n");
        Random random(3), expected(3);
        EXPECT_EQ(draw_campaign_name(GameFolder(dir.str()), settings, random), "Delphic Expanse");
        expected(1);
        EXPECT_EQ(random.state(), expected.state());
    }
    {
        TempDir dir;  // both empty: an empty region and type around the blank, both drawn
        dir.write("regions.txt", "");
        dir.write("types.txt", "");
        Random random(3), expected(3);
        EXPECT_EQ(draw_campaign_name(GameFolder(dir.str()), settings, random), " ");
        expected(0), expected(0);
        EXPECT_EQ(random.state(), expected.state());
    }
    {
        TempDir dir;  // both lists, but a planet count that is not a number
        dir.write("regions.txt", "Cygnus\n");
        dir.write("types.txt", "Drift\n");
        GalaxySettings unreadable;
        unreadable.planet_count = "x";
        Random random(3);
        EXPECT_EQ(draw_campaign_name(GameFolder(dir.str()), unreadable, random), "Delphic Expanse");
    }
}

TEST(CampaignId, LettersAndDigitsLowerCased)
{
    struct Case {
        std::string name, id;
    } cases[] = {{"Delphic Expanse", "delphicexpanse"},
                 {"Sector 7-G Cluster", "sector7gcluster"},
                 {"\xC9toile Noire", "toilenoire"},
                 {"--- !!", ""},
                 {"Sector 0", "sector0"},
                 {"ALL", "all"}};
    for (const Case& c : cases)
        EXPECT_EQ(campaign_id(c.name), c.id);
    // What names a campaign's folder: 1 to 251 letters and digits (the map file's name is then at
    // most 255 bytes), never "all" in any letter case.
    struct Folder {
        std::string name;
        bool ok;
    } folders[] = {{std::string(251, 'a'), true},
                   {std::string(252, 'a'), false},
                   {"", false},
                   {"all", false},
                   {"ALL", false},
                   {"all1", true},
                   {"zZ09", true},
                   {"a-b", false},
                   {"a b", false}};
    for (const Folder& f : folders)
        EXPECT_EQ(is_campaign_folder_name(f.name), f.ok) << f.name.size() << " " << f.name;
}

TEST(CampaignId, LongestIdThePathsAllow)
{
    const GameFolder folder("/games/orvek");
    const std::size_t prefix = folder.campaign_folder("").size();
    EXPECT_EQ(campaign_id_limit(folder, 20, false), 251u) << "a map file name of 255 bytes";
    EXPECT_EQ(campaign_id_limit(folder, 20, true), 259 - prefix - 1 - 20) << "paths of 259";
    EXPECT_EQ(campaign_id_limit(GameFolder("/" + std::string(300, 'g')), 20, true), 0u);
    // The game counts a path's characters: an "\u00e9" of two bytes is one.
    const GameFolder accented("/games/\u00e9");
    EXPECT_EQ(campaign_id_limit(accented, 20, true),
              259 - (accented.campaign_folder("").size() - 1) - 1 - 20);
    EXPECT_NE(campaign_id_too_long(210, true).find("more than 210 letters and digits"),
              std::string::npos);
    EXPECT_NE(campaign_id_too_long(210, true).find("reads paths of at most 259 characters"),
              std::string::npos);
    EXPECT_NE(campaign_id_too_long(251, false).find("a file name has at most 255 bytes"),
              std::string::npos);
    // A game folder's own limit is that of its longest template file name, not of its path.
    TempDir dir;
    dir.write("campaign/data/encounters/all/a.txt", "");
    dir.write("campaign/data/encounters/all/twelve_b.txt", "");
    EXPECT_EQ(campaign_id_limit(GameFolder(dir.str())),
              campaign_id_limit(GameFolder(dir.str()), 12));
}

TEST(GameServices, GalaxyFromASmallGameFolder)
{
    TempDir dir;
    testing::make_small_game(dir, 40);
    GameFolder folder(dir.str());
    GameFolderServices sources(folder);
    LastStatus status;
    GenerationServices services{status, sources, sources, sources};
    GalaxySettings settings;
    Galaxy galaxy;
    std::string campaign;
    Random random(77);
    run_generate_command(GenerateKind::WithPresets, settings, galaxy, campaign, services, random);
    ASSERT_GE(galaxy.planets.size(), 20u);
    EXPECT_TRUE(campaign == "Cygnus Drift" || campaign == "Cygnus Reach" ||
                campaign == "Orion Drift" || campaign == "Orion Reach")
        << campaign;
    EXPECT_EQ(status.text(), "The Galaxy is ready!");
    // Only three names in stars.txt: the first three planets carry them, the rest made-up ones.
    std::set<std::string> listed;
    for (std::size_t i = 0; i < 3; ++i)
        listed.insert(galaxy.planets[i].system_name);
    EXPECT_EQ(listed, (std::set<std::string>{"Vega", "Deneb", "Altair"}));
    for (std::size_t i = 3; i < galaxy.planets.size(); ++i)
        EXPECT_EQ(listed.count(galaxy.planets[i].system_name), 0u);
    EXPECT_EQ(galaxy.background_path.rfind(folder.backgrounds_folder(), 0), 0u);
}

}  // namespace
}  // namespace orvek
