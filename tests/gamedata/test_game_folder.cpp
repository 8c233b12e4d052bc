// SPDX-License-Identifier: GPL-3.0-or-later
#include "gamedata/game_folder.h"

#include "core/error.h"
#include "core/random.h"
#include "gamedata/game_services.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace orvek {
namespace {

using testing::TempDir;

// A path under the game folder as the layout writes it: the platform's separator between parts.
std::string under(const TempDir& dir, std::initializer_list<const char*> parts)
{
    std::string path = dir.str();
    for (const char* part : parts)
        path += kPathSeparator + std::string(part);
    return path;
}

std::vector<std::string> names_of(const std::vector<std::string>& paths)
{
    std::vector<std::string> names;
    for (const auto& p : paths)
        names.push_back(file_name_of(p));
    return names;
}

TEST(Listing, TakesVisibleMatchingFilesInCaseInsensitiveOrder)
{
    TempDir dir;
    const std::string all = "campaign/data/encounters/all/";
#ifdef _WIN32
    const std::vector<std::string> names = {"b.txt", "A.TXT", "_x.txt", "c.txt.bak", "Z.Txt"};
    const std::vector<std::string> listed = {"A.TXT", "b.txt", "Z.Txt", "_x.txt"};
#else
    // Names equal but for case exist only where the file system tells them apart, and only
    // there can a name hold a line break, which would add lines to the map file, or be a name
    // that Windows keeps for a device.
    const std::vector<std::string> names = {
        "b.txt",       "A.TXT", "a.txt",       "_x.txt",  "c.txt.bak", "evil\r\nPlanets = 3.txt",
        ".hidden.txt", "Z.Txt", "del\x7f.txt", "con.txt", "a:b.txt"};
    const std::vector<std::string> listed = {"A.TXT", "a.txt", "b.txt", "Z.Txt", "_x.txt"};
#endif
    for (const std::string& name : names)
        dir.write(all + name, "[config]\n");
    dir.mkdir(all + "folder.txt");
    GameFolder folder(dir.str());
    // Upper-cased bytes first ("_" sorts after the letters), raw bytes between equals.
    EXPECT_EQ(names_of(list_templates(folder)), listed);
    EXPECT_EQ(list_templates(folder).front(),
              under(dir, {"campaign", "data", "encounters", "all", "A.TXT"}));
}

// A plain name is one entry and one line of a map file on every system: Windows' device names
// are not, whatever their extension, nor a name longer than a file system takes.
TEST(PlainFileName, IsOneEntryOnEverySystem)
{
    const struct Row {
        std::string name;
        bool plain;
    } rows[] = {
        {"com0.txt", true},    {"com1.txt", false},
        {"LPT9", false},       {"Nul.jpg", false},
        {"console.txt", true}, {std::string(255, 'a'), true},
        {"", false},           {std::string(256, 'a'), false},
        {"a\x7f", false},      {".a.txt", false},
        {"a|b.txt", false},    {"caf\xE9.txt", true},
    };
    for (const Row& row : rows)
        EXPECT_EQ(is_plain_file_name(row.name), row.plain) << row.name;
}

TEST(Listing, BackgroundPatternIgnoresCase)
{
    TempDir dir;
    const std::string ui = "campaign/data/bitmaps/ui/";
    for (const char* name : {"nebula1.jpg", "NEBULA2.JPG", "nebula3.jpeg", "nebula.jpg",
                             "xnebula4.jpg", "Nebula5.Jpg"})
        dir.write(ui + name, "");
    EXPECT_EQ(
        names_of(list_backgrounds(GameFolder(dir.str()))),
        (std::vector<std::string>{"nebula.jpg", "nebula1.jpg", "NEBULA2.JPG", "Nebula5.Jpg"}));
}

TEST(Listing, MissingOrEmptyFolderGivesNothing)
{
    TempDir dir;
    EXPECT_TRUE(list_templates(GameFolder(dir.str())).empty());
    EXPECT_TRUE(GameFolder(dir.str()).map_entries().empty());
    // A name's start and end are two parts of it, never one part read twice.
    dir.write("x.txt", "");
    EXPECT_TRUE(list_folder(dir.str(), "x.t", ".txt").empty());
    dir.mkdir("campaign/data/encounters/all");
    EXPECT_TRUE(list_templates(GameFolder(dir.str())).empty());
    // A campaign with no map file yet gets its id in lower case.
    EXPECT_EQ(GameFolder(dir.str()).map_file_name("Silver"), "silver.txt");
}

TEST(Listing, FindsTheLayoutWhateverItsLetterCase)
{
    TempDir dir;
    dir.write("Campaign/DATA/Encounters/ALL/t.txt", "");
    dir.write("Campaign/DATA/Bitmaps/UI/nebula1.jpg", "");
    dir.write("STARS.TXT", "Vega\n");
    dir.write("ORVEK.EXE", "");
    GameFolder folder(dir.str());
#ifdef _WIN32
    // Windows finds every name whatever its case; the paths keep the documented spelling.
    EXPECT_EQ(
        list_templates(folder),
        (std::vector<std::string>{under(dir, {"campaign", "data", "encounters", "all", "t.txt"})}));
    EXPECT_EQ(folder.file("stars.txt"), under(dir, {"stars.txt"}));
#else
    EXPECT_EQ(
        list_templates(folder),
        (std::vector<std::string>{under(dir, {"Campaign", "DATA", "Encounters", "ALL", "t.txt"})}));
    EXPECT_EQ(folder.file("stars.txt"), under(dir, {"STARS.TXT"}));
    EXPECT_EQ(folder.campaign_folder("new"), under(dir, {"Campaign", "DATA", "Encounters", "new"}));
    // A name as written wins over one in another case; a map file needs a plain name.
    dir.mkdir("Campaign/DATA/Maps");
    dir.write("Campaign/DATA/maps/.hidden.txt", "");
    dir.write("Campaign/DATA/maps/b.txt", "");
    EXPECT_TRUE(folder.maps_folder().ends_with("/DATA/maps/")) << folder.maps_folder();
    const std::vector<FolderEntry> maps = folder.map_entries();
    ASSERT_EQ(maps.size(), 1u);
    EXPECT_EQ(maps[0].name, "b.txt");
#endif
    EXPECT_EQ(list_backgrounds(folder).size(), 1u);
    EXPECT_TRUE(folder.has_game_executable());
}

TEST(Listing, GameExecutableMustBeAFile)
{
    TempDir dir;
    EXPECT_FALSE(GameFolder(dir.str()).has_game_executable());
    dir.mkdir("Orvek.exe");
    EXPECT_FALSE(GameFolder(dir.str()).has_game_executable());
}

TEST(Listing, RootFolderKeepsItsSeparator)
{
#ifdef _WIN32
    EXPECT_EQ(GameFolder("C:\\").templates_folder(), "C:\\\\campaign\\data\\encounters\\all\\");
#else
    EXPECT_EQ(GameFolder("/").templates_folder(), "//campaign/data/encounters/all/");
#endif
}

TEST(GetBackground, DrawsOneAndFailsOnNone)
{
    std::vector<std::string> pictures = {"p/nebula1.jpg", "p/nebula2.jpg", "p/nebula3.jpg"};
    Random random(5), expected(5);
    std::string path = "before";
    draw_background(pictures, random, path);
    EXPECT_EQ(path, pictures[expected(3)]);

    std::vector<std::string> none;
    std::string kept = "kept";
    try {
        draw_background(none, random, kept);
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "No nebula pictures in campaign/data/bitmaps/ui: the game folder "
                               "is incomplete");
    }
    EXPECT_EQ(kept, "kept");
    expected(0);
    EXPECT_EQ(random.state(), expected.state()) << "the draw from the empty list still happens";

    // A Generate's services read the pictures, the templates and the names once: every attempt
    // draws from what was read first.
    TempDir dir;
    dir.write("campaign/data/bitmaps/ui/nebula1.jpg", "");
    dir.write("campaign/data/encounters/all/t1.txt", "");
    dir.write("stars.txt", "Vega\r\n");
    const GameFolder folder(dir.str());
    GameFolderServices services(folder);
    std::vector<std::string> templates;
    services.list_templates(templates);
    EXPECT_EQ(file_name_of(services.draw_background(random)), "nebula1.jpg");
    EXPECT_EQ(services.load_system_names(), std::vector<std::string>{"Vega"});
    std::filesystem::rename(dir.path() / "campaign/data/bitmaps/ui/nebula1.jpg",
                            dir.path() / "campaign/data/bitmaps/ui/nebula2.jpg");
    dir.write("campaign/data/encounters/all/t2.txt", "");
    dir.write("stars.txt", "Deneb\r\n");
    EXPECT_EQ(file_name_of(services.draw_background(random)), "nebula1.jpg");
    EXPECT_EQ(services.load_system_names(), std::vector<std::string>{"Vega"});
    std::vector<std::string> again;
    services.list_templates(again);
    EXPECT_EQ(again, templates);
}

TEST(FileNameOf, TakesWhatFollowsTheLastSeparator)
{
    EXPECT_EQ(file_name_of("C:\\game\\campaign\\data\\bitmaps\\ui\\nebula4.jpg"), "nebula4.jpg");
    EXPECT_EQ(file_name_of("/g/nebula4.jpg"), "nebula4.jpg");
    EXPECT_EQ(file_name_of("C:nebula4.jpg"), "nebula4.jpg");
    EXPECT_EQ(file_name_of("nebula4.jpg"), "nebula4.jpg");
}

}  // namespace
}  // namespace orvek
