// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The folder of the user's state that keeps the recovery copies of unsaved work, one per window:
// written whole by the window that owns it, found and offered back once that window has gone.

#include "campaign/unsaved_work.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvek {

class FileLock;

// The folder the recovery copies live in: the user's state folder (XDG_STATE_HOME, else
// ~/.local/state; %LOCALAPPDATA% on Windows) and the program's own folder in it; never inside
// a game folder. Empty when the system names no home for the user.
std::string recovery_folder();

// A copy found in the recovery folder: its file's name, and the work it holds or, when it cannot
// be read, why.
struct FoundCopy {
    std::string file;
    std::optional<UnsavedWork> work;
    std::string problem;
};

// The copies in `folder` that no running window keeps (of the game folder `game_folder` only,
// when it is given), newest first; a copy that cannot be read comes last with its problem. A
// missing folder holds none. Never follows a link; reads each copy bounded. Throws Error when
// the folder cannot be listed.
std::vector<FoundCopy> abandoned_copies(const std::string& folder,
                                        const std::string& game_folder = {});

// Deletes the copy `file` (a name abandoned_copies gave) from `folder`, never through a link.
// Throws Error "Cannot delete file …".
void delete_copy(const std::string& folder, const std::string& file);

// The copy of one window's work in one game folder. The window holds a lock beside it while it
// lives, so that no other window takes it for abandoned work; the copy's name is its own (the
// process and the moment it began), so two windows never write over each other's copy.
class OwnCopy {
public:
    // The copy of a window on `game_folder` in `folder`, which is made when missing. Throws Error
    // when the folder cannot be made or the lock not taken.
    OwnCopy(std::string folder, const std::string& game_folder);
    ~OwnCopy();
    OwnCopy(const OwnCopy&) = delete;
    OwnCopy& operator=(const OwnCopy&) = delete;

    // Replaces the copy with `text` (unsaved_work_text) whole or not at all: staged under a name
    // of its own, flushed, renamed into place and the folder flushed. Throws Error "Cannot create
    // file …" (or the rename's or flush's error), leaving the copy before it whole.
    void store(std::string_view text) const;
    // Deletes the copy, if there is one. Throws Error "Cannot delete file …".
    void remove() const;
    const std::string& file() const { return file_; }

private:
    std::string folder_, file_;
    std::unique_ptr<FileLock> lock_;
};

}  // namespace orvek
