// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The recovery copy of a window's unsaved work (the galaxy shown, its picture, campaign name and
// source), its file format, and the folder of the user's state that keeps one copy per window.
//
// A copy is written whole and flushed a moment after each edit, so that a crash, a kill or a
// power cut loses at most the last second of work; the next start offers it back. Copies are the
// user's own files but are read as if from anywhere: bounded, never through a link, checked.

#include "core/generate_command.h"
#include "core/generator.h"
#include "core/settings.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvek {

class FileLock;

// Where the galaxy of a copy came from: a Generate (its command and seed make the same galaxy
// again), a saved campaign opened (its id, and the fingerprint of its files as they were read),
// or neither (a copy restored as a new campaign).
struct WorkSource {
    enum class Kind { None, Generated, Opened };
    Kind kind = Kind::None;
    GenerateKind generate = GenerateKind::WithPresets;
    GalaxySettings fields;
    std::uint32_t seed = 0;
    std::string campaign_id;
    std::string fingerprint;
    bool operator==(const WorkSource&) const = default;
};

struct UnsavedWork {
    std::string game_folder;    // the game folder's path as the window opened it
    Galaxy galaxy;              // every planet, and the picture a Save names
    std::string campaign_name;  // the name field, UTF-8
    WorkSource source;
    int edits = 0;              // edits since Generate, Open or the last Save
    std::int64_t time = 0;      // when the copy was taken, seconds since 1970 (UTC)
    bool operator==(const UnsavedWork&) const = default;
};

// The copy's format: a newer one is refused rather than half understood.
inline constexpr int kUnsavedWorkFormat = 1;
// More than a galaxy of 175 planets can take, many times over.
inline constexpr std::size_t kUnsavedWorkLimit = 4u << 20;

// The copy as text (JSON; every 8-bit string kept byte for byte). Never fails.
std::string unsaved_work_text(const UnsavedWork& work);

// The copy that `text` holds. Throws Error with a sentence for the player when it is no copy,
// damaged or cut short ("The recovery copy is damaged: …"), or of a newer format.
UnsavedWork read_unsaved_work(std::string_view text);

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
