// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which game folder the window opens, so that a program started from a desktop menu (in the home
// folder) or from a download folder still finds the game.

#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QSettings;

namespace orvek {

class MainWindow;

// The program's window, one at a time: the window of a game folder, and, when the player
// chooses another folder from its menu, the window of that folder in its place. The folders
// used are remembered in `settings` ("gameFolder", and the last five in "recentGameFolders").
class GameWindows {
public:
    GameWindows(QSettings& settings, std::string working,
                std::function<void(const QString&)> refuse);
    ~GameWindows();

    // Opens and shows the window of `folder` in place of the one shown; false (the old window
    // staying) when the folder's start-up refuses, which `refuse` has then said. A `note`, when
    // given, is shown on the new window's map with the folder's name.
    bool open(const std::string& folder, const QString& note = {});
    MainWindow* current() const { return current_.get(); }

private:
    QSettings& settings_;
    std::string working_;
    std::function<void(const QString&)> refuse_;
    std::unique_ptr<MainWindow> current_;
};

// What the window starts with: the game folder it opens, or, when there is none to open
// straight away, the game folders to offer in the chooser (none, or several).
struct StartupFolder {
    std::optional<std::string> folder;
    std::vector<std::string> choices;
};

// The game folder the window opens: a folder named on the command line (`--game-dir DIR` or the
// first argument) when it is a game folder; else the working directory when it is one; else the
// folder used last (`remembered`) when it still is one; else the one game folder of the Steam
// libraries `steam` (their Steam folders). With several there, or none, those are the choices.
StartupFolder startup_game_folder(const QStringList& arguments, const std::string& working,
                                  const std::string& remembered,
                                  const std::vector<std::string>& steam);

// Keeps the settings file a plain file in the settings folder: a link there (which QSettings
// would read and write through, replacing the file it leads to) or a pipe or device is removed,
// never followed. Returns the note that says so, or what failed, or empty when it was plain.
QString keep_settings_file_plain(const QSettings& settings);

// The settings an earlier version kept under the application's old name (the window's title,
// with its trailing blank: "Orvek - Galaxy Generator .conf"), copied into `settings` while it
// holds none, so that the move to the new name forgets none of the player's folders. A file of
// the old name that is a link or not a plain file is not read. Returns whether any was copied.
bool carry_over_settings(QSettings& settings, const QString& old_application);

// A settings file that cannot be read is ignored: the program starts as on a first run and
// writes a sound one with the next folder it remembers. Returns the note that says so, or empty
// when the settings were read.
QString settings_note(const QSettings& settings);

}  // namespace orvek
