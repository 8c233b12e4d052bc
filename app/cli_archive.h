// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// --export and --import: a saved campaign written as one zip archive, and an archive from
// anywhere checked and imported through a Save's transaction.

#include "cli_options.h"

namespace orvek {

class GameFolder;

// --export ID FILE.zip: the campaign with its manifest and preview, written whole or not at all.
// Throws ExitError 1 when the campaign cannot be read or the file written.
int export_command(const Options& o, const GameFolder& folder);

// --import FILE.zip [--name NAME] [--overwrite] [--keep-problems]: what the archive holds and
// its check's findings, then the campaign imported. Throws ExitError 1 when the file cannot be
// read or a file call fails, 5 when the archive is none of a campaign or its campaign has
// problems, 3 when a campaign of its id exists (without --overwrite), 2 for a name that makes
// no campaign id.
int import_command(const Options& o, const GameFolder& folder);

}  // namespace orvek
