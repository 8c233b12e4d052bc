// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The game folder and its layout: where templates, pictures, name lists and campaigns lie, and
// the two listings. On POSIX every part of the layout is found whatever its letter case.

#include "core/file_name.h"
#include "gamedata/file_system.h"

#include <string>
#include <string_view>
#include <vector>

namespace orvek {

class Random;

// The game's own program, which marks a game folder; a Save's lock is held on it.
inline constexpr char kGameExecutable[] = "Orvek.exe";

class GameFolder {
public:
    // `game_dir` is the folder as the platform writes it, without a trailing separator (a drive
    // or file-system root keeps its own form, so paths under it show a doubled separator).
    explicit GameFolder(std::string game_dir);

    // The current working directory in that form.
    static GameFolder current();

    const std::string& game_dir() const { return game_dir_; }

    // Folders of the layout, each ending in a separator.
    std::string templates_folder() const;    // campaign/data/encounters/all/
    std::string backgrounds_folder() const;  // campaign/data/bitmaps/ui/
    std::string maps_folder() const;         // campaign/data/maps/
    std::string encounters_folder() const;   // campaign/data/encounters/
    std::string data_folder() const;         // campaign/data/

    // A campaign's own folder (no trailing separator): an existing one whatever its letter case,
    // else the lower-case id.
    std::string campaign_folder(std::string_view campaign_id) const;

    // The name of a campaign's map file in the maps folder: an existing one whatever its letter
    // case (the first in listing order), else the lower-case id with ".txt".
    std::string map_file_name(std::string_view campaign_id) const;

    // Every entry of the maps folder whose name ends in ".txt" (any case) and is a plain file
    // name, whatever its kind (a link, a pipe or a folder too, for the caller to report), in
    // listing order. The maps folder is opened as open_layout does; a missing one has no entries.
    // Throws Error as open_layout does.
    std::vector<FolderEntry> map_entries() const;

    // A file directly in the game folder ("stars.txt", "Orvek.exe"), found whatever its case.
    std::string file(std::string_view name) const;

    // Whether "Orvek.exe" is there and is a file.
    bool has_game_executable() const;

    // Opens a folder of the layout (for example {"campaign", "data", "maps"}), found whatever its
    // letter case, every level below the game folder a real folder: what the program writes,
    // moves or deletes in there cannot be sent elsewhere by a link. Throws Error "Cannot open
    // folder ..." or the refusal of a link.
    Folder open_layout(std::initializer_list<std::string_view> parts) const;

private:
    std::string resolve(std::initializer_list<std::string_view> parts, bool trailing) const;

    std::string game_dir_;
};

// Whether `name` is a file name the program can write into a folder and read back as one entry
// and as one line of a map file: 1 to 255 bytes, no control character (DEL included), none of
// / \ : * ? " < > |, not hidden (no leading "."), not a Windows device
// name such as "CON" or "com1.txt".
bool is_plain_file_name(std::string_view name);

// The regular, visible files of `folder` with plain names (is_plain_file_name) that match
// (letter case ignored) `prefix`*`suffix`,
// sorted by their upper-cased bytes, then by their raw bytes. A missing folder gives no names; a
// folder that cannot be read throws Error "Cannot open folder "<folder>". <reason>".
std::vector<std::string> list_folder(const std::string& folder, std::string_view prefix,
                                     std::string_view suffix);

// Full paths of every encounter template ("*.txt"), in listing order. Fails as list_folder.
std::vector<std::string> list_templates(const GameFolder& folder);

// Full paths of every nebula picture ("nebula*.jpg"), in listing order. Fails as list_folder.
std::vector<std::string> list_backgrounds(const GameFolder& folder);

// Draws one of the pictures (R(count)) into background_path. With no picture the draw still
// happens, background_path keeps its value and Error "No nebula pictures in …" is thrown.
void draw_background(const std::vector<std::string>& pictures, Random& random,
                     std::string& background_path);

}  // namespace orvek
