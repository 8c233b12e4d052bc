#pragma once
// Which game folder the window opens, so that a program started from a desktop menu (in the home
// folder) or from a download folder still finds the game.

#include <QStringList>

#include <optional>
#include <string>

namespace orvek {

// The game folder the window opens: a folder named on the command line (`--game-dir DIR` or the
// first argument) when it is a game folder; else the working directory when it is one; else the
// folder used last (`remembered`) when it still is one; else the first game folder of the Steam
// libraries under `home`. Nothing when none is: the window then says what a game folder holds.
std::optional<std::string> startup_game_folder(const QStringList& arguments,
                                               const std::string& working,
                                               const std::string& remembered,
                                               const std::string& home);

}  // namespace orvek
