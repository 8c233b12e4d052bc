// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// --recover: the unsaved work the window's recovery copies keep, listed and saved without a
// display, for a player whose window died and who has no screen to restore it on.

#include "cli_options.h"

#include <QStringList>

#include <functional>
#include <string>

namespace orvek {

class GameFolder;
struct Galaxy;
struct LoadedCampaign;

// Saves the galaxy as the tool's Save does (under `name`, 8-bit; back into `opened` when given);
// true when it saved.
using RecoverSave = std::function<bool(Options& o, const GameFolder& folder, Galaxy& galaxy,
                                       const std::string& name, const LoadedCampaign* opened)>;

// With no argument, prints the copies no running window keeps, numbered, newest first (their
// time, name, edits, source and game folder; those that cannot be read with why). With N and
// --save, saves copy N into its game folder (--game-dir names another): back into its opened
// campaign when that is unchanged on disk, else as a new campaign under its name or --name;
// the copy is deleted once saved. Exit 2 for an N that is no copy, or a copy that cannot be
// read; the Save's own exits otherwise.
int recover_copies(Options& o, const QStringList& arguments, bool game_dir_given,
                   const RecoverSave& save);

}  // namespace orvek
