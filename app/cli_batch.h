// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// orvek-galaxy --count N and --where: the galaxies of consecutive seeds, each exactly the one its
// own run with --seed makes, made side by side on the cores, kept in seed order.

#include "cli_options.h"
#include "core/galaxy_figures.h"
#include "core/generator.h"
#include "core/random.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orvek {

class GameFolder;

// One condition of --where: a figure's name, how it compares, and the number.
struct FigureCondition {
    std::string figure;
    std::string comparison;  // "<", "<=", "=", ">=" or ">"
    double value = 0;
};

// "diameter>=9,dead_ends<=2" as conditions. Throws ExitError 2 naming the first malformed one.
std::vector<FigureCondition> parse_conditions(const std::string& text);

// Whether the figures meet every condition.
bool passes(const GalaxyFigures& figures, const std::vector<FigureCondition>& conditions);

// One galaxy of the batch: its seed, campaign name, attempts, figures, and the random source as
// its run leaves it after the Generate (a Save goes on drawing from there).
struct BatchGalaxy {
    std::uint32_t seed = 0;
    GalaxySettings settings;  // the fields as the Generate left them
    Galaxy galaxy;
    std::string name;
    std::uint64_t attempts = 0;
    bool cancelled = false;  // gave up after --max-attempts
    GalaxyFigures figures;
    Random random;
};

// Makes the galaxies of seeds o.seed, o.seed + 1, ... on at most `threads` threads (one galaxy a
// thread), and returns the first o.count of them in seed order that pass o.where, trying at most
// o.max_seeds seeds. Throws ExitError 4 when fewer passed, or when a galaxy gave up after
// o.max_attempts; 130 when `stop` was set; Error as a Generate does.
std::vector<BatchGalaxy> make_batch(const Options& o, const GameFolder& folder, int threads,
                                    const std::atomic<bool>& stop);

// Saves one galaxy as the single run would (--save); true when it saved.
using SaveOne =
    std::function<bool(Options& one, Random& random, Galaxy& galaxy, const std::string& name)>;

// --count and --where: the galaxies of make_batch, each saved (with --name NAME as "NAME 1" …),
// written and told as its own run would, in seed order; --json writes one galaxy a line, --png a
// contact sheet. Returns the exit status; throws as make_batch, `save` and the outputs do.
int run_batch(Options& o, const GameFolder& folder, const std::atomic<bool>& interrupted,
              const SaveOne& save);

}  // namespace orvek
