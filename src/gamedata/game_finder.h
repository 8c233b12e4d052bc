// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Finding game folders where players' mod tools find a Steam game: the Steam folders of the
// platform, the libraries their libraryfolders.vdf lists, and each game folder in the libraries'
// steamapps/common. Reads only, bounded; never follows a link into a loop or blocks on a pipe.

#include <string>
#include <string_view>
#include <vector>

namespace orvek {

// The library paths a libraryfolders.vdf lists, in its order: each entry's "path" (the format of
// today) or an entry's value itself (the older one). A file that is not the format, too deep or
// with too many entries gives what was read before the fault: never an error. Where a bound
// stopped it (nesting or entries), `stopped` is set to a sentence saying which.
std::vector<std::string> parse_library_folders(std::string_view vdf,
                                               std::string* stopped = nullptr);

// Whether `path` is a game folder: "Orvek.exe" (any letter case where the system allows) and
// the campaign templates folder.
bool is_game_folder(const std::string& path);

// What keeps `path` from being a game folder, as the end of a sentence ("it holds no
// "Orvek.exe""), or empty when it is one.
std::string game_folder_lack(const std::string& path);

// The Steam folders where Steam keeps its list of libraries on this platform, under `home` (on
// Linux "~/.steam/steam", "~/.local/share/Steam" and the Flatpak one) or, on Windows, the
// registry's SteamPath and "C:\Program Files (x86)\Steam".
std::vector<std::string> steam_folders(const std::string& home);

// The game folders among `first` (the working directory, remembered folders: kept in that order)
// and in the libraries of the Steam folders `steam`, each once, in that order. Never fails: a
// folder or list that cannot be read adds nothing, and each place where the search stopped short
// (a list that cannot be read or passes its bounds: 1 MiB, 10,000 entries; a library of more than
// 10,000 games) is a sentence in `notes`.
std::vector<std::string> find_game_folders(const std::vector<std::string>& first,
                                           const std::vector<std::string>& steam,
                                           std::vector<std::string>* notes = nullptr);

}  // namespace orvek
