// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What orvek-galaxy writes besides a campaign: the galaxy as JSON, the map as a picture, and
// standard output's text, each failure an ExitError or Error that says what was not written.

#include "cli_options.h"
#include "core/galaxy_figures.h"
#include "core/generator.h"

#include <nlohmann/json.hpp>

#include <atomic>
#include <cstdint>
#include <optional>
#include <functional>
#include <string>
#include <vector>

namespace orvek {

// The galaxy as JSON: its seed (null for an opened campaign) beside its campaign id;
// `settings` and `attempts` only for a generated one; its figures under "stats" when asked.
nlohmann::ordered_json galaxy_json(const Galaxy& galaxy, const std::string& name,
                                   const GalaxySettings* settings, std::uint64_t attempts,
                                   std::optional<std::uint32_t> seed, bool stats);

// Writes standard output's text; throws ExitError 1 "Cannot write to standard output" when a
// closed pipe or a full disk behind it refuses it.
void print(const std::string& text);

// The text with control characters shown as \xNN: a usage error repeats what was typed, and the
// tool prints names of folders and campaigns that anyone may have made, none of which may move
// the cursor or recolour the player's terminal.
std::string shown_escaped(const std::string& text);

// --png and --json as the options ask. Drawing the picture, or a pipe that nobody reads, is
// waited for until `stop` is set (ExitError 130). Throws Error "Cannot create file ..." or
// ExitError as print does.
void write_outputs(const Options& o, const Galaxy& galaxy, const std::string& name,
                   std::uint64_t attempts, bool generated, const std::atomic<bool>& stop);

// `text` to standard output ("-") or into the file `path`, a pipe nobody reads waited for until
// `stop` (ExitError 130). Throws as print does, or Error "Cannot create file ...".
void write_text(const QString& path, const std::string& text, const std::atomic<bool>& stop);

// A contact sheet of small maps, four a row, each with its seed and figures under it, as PNG
// bytes; `path` names the file in an error. Throws Error when the picture cannot be encoded, and
// ExitError 130 as soon as `stop` is set.
struct SheetEntry {
    const Galaxy* galaxy;
    std::uint32_t seed;
    GalaxyFigures figures;
};
std::string contact_sheet_png(const std::vector<SheetEntry>& entries, const std::string& path,
                              const std::atomic<bool>& stop);

// The one line that tells what a run made ("seed 5: "Name" (id), 20 planets, 3 attempts"), and
// with --stats the figures in words.
std::string summary_of(const Options& o, const Galaxy& galaxy, const std::string& name,
                       std::uint64_t attempts);

// Runs what follows `saved` Saves: when it fails after a campaign was saved, the message says so
// ("… The campaign was saved.", "… The 4 campaigns were saved."), so that a script does not take
// it for a Save that did not happen. Rethrows as it was when nothing was saved.
void after_save(std::size_t saved, const std::function<void()>& outputs);

}  // namespace orvek
