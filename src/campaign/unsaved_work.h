// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The recovery copy of a window's unsaved work (the galaxy shown, its picture, campaign name and
// source) and its file format; recovery_copies.h keeps the copies in the user's state folder.
//
// A copy is written whole and flushed a moment after each edit, so that a crash, a kill or a
// power cut loses at most the last second of work; the next start offers it back. Copies are the
// user's own files but are read as if from anywhere: bounded, never through a link, checked.

#include "core/generate_command.h"
#include "core/generator.h"
#include "core/settings.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvek {

class GameFolder;

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
// damaged or cut short ("The recovery copy is damaged: …"), of a newer format, or names a
// template or a picture by anything but a plain file name.
UnsavedWork read_unsaved_work(std::string_view text);

// The copy's picture as the file of that name among the game folder's pictures, wherever the
// copy said it lay: a copy from elsewhere names no file outside the game folder. Never fails.
void place_in(UnsavedWork& work, const GameFolder& folder);

}  // namespace orvek
