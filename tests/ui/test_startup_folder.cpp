// Which game folder the window opens, from wherever it was started.

#include "ui/startup_folder.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>

namespace orvek {
namespace {

namespace fs = std::filesystem;

std::string make_game(const fs::path& folder)
{
    fs::create_directories(folder / "campaign/data/encounters/all");
    std::ofstream(folder / "Orvek.exe") << "";
    return folder.string();
}

TEST(StartupFolder, TheNamedThenTheWorkingThenTheLastThenSteams)
{
    testing::TempDir games, home, empty_home;
    const std::string named = make_game(games.path() / "Named"),
                      working = make_game(games.path() / "Working"),
                      last = make_game(games.path() / "Last"),
                      nothing = games.mkdir("Downloads").string();
    const std::string steam_game =
        make_game(home.path() / ".local/share/Steam/steamapps/common/Tessarine");
    const struct {
        const char* name;
        QStringList arguments;
        std::string working, remembered, home;
        std::optional<std::string> opened;
    } rows[] = {
        {"--game-dir",
         {"w", "--game-dir", QString::fromStdString(named)},
         working,
         last,
         home.str(),
         named},
        {"--game-dir=",
         {"w", "--game-dir=" + QString::fromStdString(named)},
         working,
         last,
         home.str(),
         named},
        {"a folder given", {"w", QString::fromStdString(named)}, working, last, home.str(), named},
        {"a folder given that is none",
         {"w", QString::fromStdString(nothing)},
         working,
         last,
         home.str(),
         working},
        {"the working folder", {"w"}, working, last, home.str(), working},
        {"the last one", {"w"}, nothing, last, home.str(), last},
        {"the last one gone", {"w"}, nothing, nothing + "/gone", home.str(), steam_game},
        {"none anywhere", {"w"}, nothing, "", empty_home.str(), std::nullopt},
    };
    for (const auto& row : rows)
        EXPECT_EQ(startup_game_folder(row.arguments, row.working, row.remembered, row.home),
                  row.opened)
            << row.name;
}

}  // namespace
}  // namespace orvek
