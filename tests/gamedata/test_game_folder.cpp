#include "gamedata/game_folder.h"

#include "core/error.h"
#include "core/random.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace orvek {
namespace {

using testing::TempDir;

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
    for (const char* name : {"b.txt", "A.TXT", "a.txt", "_x.txt", "c.txt.bak", ".hidden.txt", "Z.Txt"})
        dir.write(all + name, "[config]\n");
    dir.mkdir(all + "folder.txt");
    GameFolder folder(dir.str());
    // Upper-cased bytes first ("_" sorts after the letters), raw bytes between equals.
    EXPECT_EQ(names_of(Get_Templates(folder)),
              (std::vector<std::string>{"A.TXT", "a.txt", "b.txt", "Z.Txt", "_x.txt"}));
    EXPECT_EQ(Get_Templates(folder).front(), dir.str() + "/campaign/data/encounters/all/A.TXT");
}

TEST(Listing, BackgroundPatternIgnoresCase)
{
    TempDir dir;
    const std::string ui = "campaign/data/bitmaps/ui/";
    for (const char* name : {"nebula1.jpg", "NEBULA2.JPG", "nebula3.jpeg", "nebula.jpg", "xnebula4.jpg", "Nebula5.Jpg"})
        dir.write(ui + name, "");
    EXPECT_EQ(names_of(list_backgrounds(GameFolder(dir.str()))),
              (std::vector<std::string>{"nebula.jpg", "nebula1.jpg", "NEBULA2.JPG", "Nebula5.Jpg"}));
}

TEST(Listing, MissingOrEmptyFolderGivesNothing)
{
    TempDir dir;
    EXPECT_TRUE(Get_Templates(GameFolder(dir.str())).empty());
    dir.mkdir("campaign/data/encounters/all");
    EXPECT_TRUE(Get_Templates(GameFolder(dir.str())).empty());
}

TEST(Listing, FindsTheLayoutWhateverItsLetterCase)
{
    TempDir dir;
    dir.write("Campaign/DATA/Encounters/ALL/t.txt", "");
    dir.write("Campaign/DATA/Bitmaps/UI/nebula1.jpg", "");
    dir.write("STARS.TXT", "Vega\n");
    dir.write("ORVEK.EXE", "");
    GameFolder folder(dir.str());
    EXPECT_EQ(Get_Templates(folder), (std::vector<std::string>{dir.str() + "/Campaign/DATA/Encounters/ALL/t.txt"}));
    EXPECT_EQ(list_backgrounds(folder).size(), 1u);
    EXPECT_EQ(folder.file("stars.txt"), dir.str() + "/STARS.TXT");
    EXPECT_TRUE(folder.has_game_executable());
    EXPECT_EQ(folder.campaign_folder("new"), dir.str() + "/Campaign/DATA/Encounters/new");
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
    EXPECT_EQ(GameFolder("/").file("stars.txt").substr(0, 2), "//");
}

TEST(GetBackground, DrawsOneAndFailsOnNone)
{
    std::vector<std::string> pictures = {"p/nebula1.jpg", "p/nebula2.jpg", "p/nebula3.jpg"};
    Random random(5), expected(5);
    std::string path = "before";
    Get_Background(pictures, random, path);
    EXPECT_EQ(path, pictures[expected(3)]);

    std::vector<std::string> none;
    std::string kept = "kept";
    try {
        Get_Background(none, random, kept);
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (0)");
    }
    EXPECT_EQ(kept, "kept");
    expected(0);
    EXPECT_EQ(random.state(), expected.state()) << "the draw from the empty list still happens";
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
