// SPDX-License-Identifier: GPL-3.0-or-later
// Behaviour that only Windows has: file attributes, drive roots, backslash paths. Under Wine the
// attributes are set with its own attrib command, as a user would set them.

#ifdef _WIN32

#include "core/generate_command.h"
#include "core/random.h"
#include "campaign/save.h"
#include "gamedata/game_folder.h"
#include "gamedata/game_services.h"
#include "gamedata/file_system.h"
#include "gamedata/game_finder.h"
#include "support/small_galaxy.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include <windows.h>

namespace orvek {
namespace {

using testing::TempDir;

void attrib(const std::string& flags, const std::filesystem::path& file)
{
    ASSERT_EQ(std::system(("attrib " + flags + " \"" + file.string() + "\"").c_str()), 0);
}

TEST(Windows, HiddenAndSystemFilesAreNotListed)
{
    TempDir dir;
    const std::string all = "campaign/data/encounters/all/";
    auto hidden = dir.write(all + "hidden.txt", "");
    auto system = dir.write(all + "system.txt", "");
    dir.write(all + "visible.txt", "");
    attrib("+h", hidden);
    attrib("+s", system);
    ASSERT_NE(GetFileAttributesW(hidden.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
    std::vector<std::string> names;
    for (const auto& path : list_templates(GameFolder(dir.str())))
        names.push_back(file_name_of(path));
    EXPECT_EQ(names, std::vector<std::string>{"visible.txt"});
}

// A game folder at the root of a drive: the paths keep the root's own separator, doubled by the
// join, and Windows reads them all the same. The drive is one the caller mapped to an empty
// folder (ORVEK_ROOT_DRIVE, as the Wine run does), else one mapped here for the test.
TEST(Windows, GameFolderAtADriveRoot)
{
    TempDir dir;
    std::string drive;
    if (const char* given = std::getenv("ORVEK_ROOT_DRIVE"))
        drive = given;
    else if (DefineDosDeviceW(0, L"Q:", dir.path().c_str()))
        drive = "Q:";
    else
        GTEST_SKIP() << "no drive letter could be mapped";
    const std::filesystem::path root(drive + "\\");
    std::filesystem::create_directories(root / "campaign/data/encounters/all");
    std::ofstream(root / "campaign/data/encounters/all/t.txt", std::ios::binary) << "[config]\r\n";
    GameFolder folder(drive + "\\");
    const auto templates = list_templates(folder);
    const std::string text = templates.empty() ? "" : read_file(templates.front());
    std::filesystem::remove_all(root / "campaign");
    if (!std::getenv("ORVEK_ROOT_DRIVE"))
        DefineDosDeviceW(DDD_REMOVE_DEFINITION, L"Q:", nullptr);
    EXPECT_EQ(templates,
              std::vector<std::string>{drive + "\\\\campaign\\data\\encounters\\all\\t.txt"});
    EXPECT_EQ(text, "[config]\r\n");
}

struct AlwaysYes : SaveDialog {
    void inform(const std::string&) override {}
    bool confirm(const std::string&) override { return true; }
};

TEST(Windows, SaveWritesBackslashPathsAndClearsReadOnlyFiles)
{
    TempDir dir;
    testing::make_small_game(dir, 40);
    GameFolder folder(dir.str());
    Random random(3);
    Galaxy galaxy = testing::generate_in(folder, random);
    SaveRequest request;
    request.campaign_name = "Silver Reach";
    AlwaysYes yes;
    ASSERT_EQ(save_campaign(galaxy, request, folder, random, yes), SaveResult::Saved);
    const std::string campaign = folder.campaign_folder("silverreach");
    EXPECT_EQ(campaign, dir.str() + "\\campaign\\data\\encounters\\silverreach");
    auto mine = dir.write("campaign/data/encounters/silverreach/mine.txt", "x");
    attrib("+r", mine);
    ASSERT_EQ(save_campaign(galaxy, request, folder, random, yes), SaveResult::Saved);
    EXPECT_FALSE(std::filesystem::exists(mine));
    const std::string map = read_file(folder.maps_folder() + "silverreach.txt");
    EXPECT_NE(map.find("0 = campaign/data/encounters/silverreach/campaign_all_"),
              std::string::npos);
}

TEST(Windows, ReasonsInTheSystemsWords)
{
    const std::string reason = system_reason(ENOENT);
    EXPECT_EQ(std::system_category().message(ERROR_FILE_NOT_FOUND).rfind(reason, 0), 0u);
    EXPECT_EQ(reason.find_first_of("\r\n"), std::string::npos) << reason;
    EXPECT_EQ(system_reason(EACCES).rfind("Access", 0), 0u) << system_reason(EACCES);
}

// Steam's folder is where the registry says (with forward slashes, as Steam writes it), and the
// game in its library is found.
TEST(Windows, SteamIsFoundThroughTheRegistry)
{
    TempDir steam;
    std::filesystem::create_directories(steam.path() /
                                        "steamapps/common/Tessarine/campaign/data/encounters/all");
    steam.write("steamapps/common/Tessarine/Orvek.exe", "");
    std::string registered = steam.str();
    std::replace(registered.begin(), registered.end(), '\\', '/');
    const std::string key = "\"HKCU\\Software\\Valve\\Steam\" /v SteamPath";
    ASSERT_EQ(
        std::system(("reg add " + key + " /t REG_SZ /d \"" + registered + "\" /f >NUL").c_str()),
        0);
    const std::vector<std::string> steams = steam_folders("");
    const std::vector<std::string> found = find_game_folders({}, steams);
    std::system(("reg delete " + key + " /f >NUL").c_str());
    ASSERT_FALSE(steams.empty());
    EXPECT_EQ(steams[0], steam.str());
    EXPECT_EQ(found, std::vector<std::string>{steam.str() + "\\steamapps\\common\\Tessarine"});
}

}  // namespace
}  // namespace orvek

#endif
