// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// orvek-galaxy's command line: its options, and what they ask for, checked before anything is
// read or drawn. A value that is not of its option's form is a usage error (exit status 2).

#include "cli_edit.h"
#include "core/settings.h"
#include "core/generate_command.h"
#include "campaign/save.h"
#include "ui/map_render.h"

#include <QCommandLineParser>
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

namespace orvek {

// How a run ends early: its exit status and what standard error says.
struct ExitError {
    int status;
    std::string message;
    bool as_is = false;  // an information message, shown without the error report's full stop
};

// Everything the command line asks for, checked before anything is read or drawn.
struct Options {
    std::string game_dir;
    std::uint32_t seed = 0;
    GalaxySettings settings;
    GenerateKind kind = GenerateKind::WithPresets;
    bool rename = false, save = false, overwrite = false, quiet = false, keep_problems = false;
    bool stats = false;        // the galaxy's figures in the JSON and in words
    FeatureFilter features;    // the features --png shows as badges
    std::string name_lacking;  // the characters of --name the game cannot show
    std::uint64_t max_attempts = 0;
    Threading threading;  // threads 0: as the process's cores allow
    // --count, --where and --max-seeds: how many galaxies of consecutive seeds, which figures
    // they must have, and how many seeds to try at most (0: a thousand for each one asked).
    std::uint64_t count = 1;
    std::string where;
    std::uint64_t max_seeds = 0;
    std::string name;
    SaveRequest request;
    QString json, png;
    // --export ID FILE.zip and --import FILE.zip: the campaign and the archive's file.
    QString export_id, archive_path;
    bool importing = false;
    QString check, open;  // a campaign to check or to open instead of a Generate
    bool check_all = false;
    std::vector<EditStep> edits;
};

// Reads the parsed command line; throws ExitError with status 2 on a usage error.
Options parse_options(const QCommandLineParser& parser);

// Declares every option, with its help line.
void add_options(QCommandLineParser& parser);

}  // namespace orvek
