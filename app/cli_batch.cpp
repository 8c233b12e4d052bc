// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli_batch.h"

#include "cli_output.h"
#include "core/generate_command.h"
#include "core/thread_choice.h"
#include "gamedata/game_folder.h"
#include "gamedata/game_services.h"
#include "gamedata/file_system.h"
#include "gamedata/names.h"
#include "campaign/save.h"

#include <charconv>
#include <cmath>
#include <chrono>
#include <exception>
#include <iostream>
#include <map>
#include <thread>

namespace orvek {

namespace {

constexpr const char* kFigureNames[] = {"hops_from_home_max",
                                        "hops_from_home_mean",
                                        "dead_ends",
                                        "chokepoints",
                                        "bridges",
                                        "diameter",
                                        "links",
                                        "through_planets",
                                        "crossings"};

double figure(const GalaxyFigures& f, const std::string& name)
{
    if (name == "hops_from_home_max")
        return f.hops_from_home_max;
    if (name == "hops_from_home_mean")
        return f.hops_from_home_mean;
    if (name == "dead_ends")
        return f.dead_ends;
    if (name == "chokepoints")
        return f.chokepoints;
    if (name == "bridges")
        return f.bridges;
    if (name == "through_planets")
        return f.through_planets;
    if (name == "crossings")
        return f.crossings;
    return name == "diameter" ? f.diameter : f.links;
}

FigureCondition parse_condition(const std::string& text)
{
    const std::size_t at = text.find_first_of("<=>");
    const std::size_t end = text.find_first_not_of("<=>", at);
    FigureCondition c;
    if (at != std::string::npos && end != std::string::npos) {
        c.figure = text.substr(0, at);
        c.comparison = text.substr(at, end - at);
        const char* last = text.data() + text.size();
        const auto [rest, error] = std::from_chars(text.data() + end, last, c.value);
        const bool known = std::find(std::begin(kFigureNames), std::end(kFigureNames), c.figure) !=
                           std::end(kFigureNames);
        const bool compares = c.comparison == "<" || c.comparison == "<=" || c.comparison == "=" ||
                              c.comparison == ">=" || c.comparison == ">";
        // "nan" and "inf" read as numbers, but no figure compares with them as a player means.
        if (known && compares && error == std::errc() && rest == last && std::isfinite(c.value))
            return c;
    }
    throw ExitError{
        2, "--where: \"" + text +
               "\" is no condition: a figure (hops_from_home_max, "
               "hops_from_home_mean, dead_ends, chokepoints, bridges, diameter, "
               "links, through_planets, crossings), then <, <=, =, >= or >, then a number"};
}

// Draws nothing and shows nothing: the batch tells its galaxies when they are all made.
struct NoStatus : StatusSink {
    void show_status(std::string_view) override {}
};

// The galaxy of `seed` as its own run makes it.
BatchGalaxy make_one(const Options& o, const GameFolder& folder, std::uint32_t seed,
                     GenerationProgress& progress)
{
    GameFolderServices sources(folder);
    NoStatus status;
    GenerationServices services{status, sources, sources, sources};
    BatchGalaxy made;
    made.seed = seed;
    made.settings = o.settings;
    made.random = Random(seed);
    progress.attempt_limit = o.max_attempts;
    // Each galaxy may take a second thread where a core is free (the last galaxies of a batch,
    // while the other workers have none left), and --threads 1 keeps every one on its own.
    const Threading threading{o.threading.threads == 1 ? 1 : 0};
    const GenerationResult result = run_generate_command(
        o.kind, made.settings, made.galaxy, made.name, services, made.random, &progress, threading);
    made.attempts = progress.attempts.load();
    if (result == GenerationResult::Cancelled)
        made.cancelled = true;
    else
        made.figures = galaxy_figures(made.galaxy.planets);
    return made;
}

// The galaxies of `count` seeds from `first`, in seed order, on at most `threads` threads; the
// first failure in seed order is thrown.
std::vector<BatchGalaxy> make_seeds(const Options& o, const GameFolder& folder, std::uint32_t first,
                                    std::size_t count, int threads, const std::atomic<bool>& stop)
{
    std::vector<BatchGalaxy> made(count);
    std::vector<std::exception_ptr> errors(count);
    std::vector<GenerationProgress> progress(count);
    std::atomic<std::size_t> next{0}, finished{0};
    {
        std::vector<std::jthread> workers;
        const auto worker_count = std::min<std::size_t>(static_cast<std::size_t>(threads), count);
        for (std::size_t w = 0; w < worker_count; ++w)
            workers.emplace_back([&] {
                for (std::size_t i; (i = next++) < count; ++finished) {
                    try {
                        made[i] =
                            make_one(o, folder, first + static_cast<std::uint32_t>(i), progress[i]);
                    } catch (...) {
                        errors[i] = std::current_exception();
                    }
                }
            });
        // Ctrl+C stops every Generate between its attempts.
        while (finished.load() < count) {
            if (stop.load())
                for (GenerationProgress& p : progress)
                    p.cancel = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    if (stop.load())
        throw ExitError{130, "interrupted: nothing was written"};
    for (std::size_t i = 0; i < count; ++i) {
        if (errors[i])
            std::rethrow_exception(errors[i]);
        if (made[i].cancelled)
            throw ExitError{4, "seed " + std::to_string(made[i].seed) + " gave up after " +
                                   std::to_string(made[i].attempts) +
                                   " attempts without a connected galaxy (--max-attempts)"};
    }
    return made;
}

// Saves one galaxy of the batch; a failure says how many of the batch were saved before it, so
// that a script does not take the batch for one that wrote nothing.
void save_one(const SaveOne& save, Options& one, BatchGalaxy& b, const std::string& name,
              std::size_t saved, std::size_t all)
{
    const std::string before = saved == 0
                                   ? std::string()
                                   : " (" + std::to_string(saved) + " of the " +
                                         std::to_string(all) + " galaxies were saved before it)";
    try {
        save(one, b.random, b.galaxy, name);
    } catch (const ExitError& e) {
        throw ExitError{e.status, e.message + before, e.as_is};
    } catch (const Error& e) {
        throw ExitError{1, e.what() + before};
    }
}

// The name each galaxy of the batch is saved under: "NAME 1" ... with --name, else its own.
std::string batch_name(const Options& o, const BatchGalaxy& b, std::size_t i)
{
    return o.rename ? o.name + " " + std::to_string(i + 1) : b.name;
}

// Every name of the batch checked before its first write, so that a batch that cannot be saved
// whole saves nothing: a name a Save refuses or two galaxies of one id are usage errors (2), a
// campaign that exists already without --overwrite is exit 3.
void check_batch_names(const Options& o, const GameFolder& folder,
                       const std::vector<BatchGalaxy>& batch)
{
    std::map<std::string, std::size_t> ids;
    for (std::size_t i = 0; i < batch.size(); ++i) {
        const std::string name = batch_name(o, batch[i], i);
        const std::string shown = "galaxy " + std::to_string(i + 1) + " of the batch (seed " +
                                  std::to_string(batch[i].seed) + ", \"" + name + "\")";
        if (const std::string refusal = campaign_name_refusal(name, batch[i].galaxy, folder);
            !refusal.empty())
            throw ExitError{2, shown + ": " + refusal + " Nothing was saved."};
        const std::string id = campaign_id(name);
        if (const auto [at, fresh] = ids.emplace(id, i); !fresh)
            throw ExitError{2, shown + " would replace galaxy " + std::to_string(at->second + 1) +
                                   ", saved as \"" + id +
                                   "\" too; give --name. Nothing was saved."};
        if (!o.overwrite && entry_kind(folder.campaign_folder(id)) != EntryKind::Missing)
            throw ExitError{3, shown + ": a campaign \"" + id +
                                   "\" exists already (give --overwrite to replace it). Nothing "
                                   "was saved."};
    }
}

}  // namespace

std::vector<FigureCondition> parse_conditions(const std::string& text)
{
    std::vector<FigureCondition> conditions;
    std::size_t start = 0;
    while (start <= text.size() && !text.empty()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        conditions.push_back(parse_condition(text.substr(start, comma - start)));
        start = comma + 1;
    }
    return conditions;
}

bool passes(const GalaxyFigures& figures, const std::vector<FigureCondition>& conditions)
{
    for (const FigureCondition& c : conditions) {
        const double v = figure(figures, c.figure);
        const bool met = c.comparison == "<"    ? v < c.value
                         : c.comparison == "<=" ? v <= c.value
                         : c.comparison == "="  ? v == c.value
                         : c.comparison == ">=" ? v >= c.value
                                                : v > c.value;
        if (!met)
            return false;
    }
    return true;
}

std::vector<BatchGalaxy> make_batch(const Options& o, const GameFolder& folder, int threads,
                                    const std::atomic<bool>& stop)
{
    const std::vector<FigureCondition> conditions = parse_conditions(o.where);
    const std::uint64_t most = o.max_seeds ? o.max_seeds : o.count * 1000;
    std::vector<BatchGalaxy> kept;
    std::uint64_t tried = 0;
    while (kept.size() < o.count) {
        if (tried >= most)
            throw ExitError{4, std::to_string(kept.size()) + " of " + std::to_string(most) +
                                   " seeds passed --where, fewer than the " +
                                   std::to_string(o.count) + " asked for (--max-seeds)"};
        // Without conditions every seed is kept: just as many are made.
        const std::uint64_t wanted =
            conditions.empty() ? o.count - kept.size() : static_cast<std::uint64_t>(threads) * 4;
        const auto chunk = static_cast<std::size_t>(std::min(wanted, most - tried));
        std::vector<BatchGalaxy> made =
            make_seeds(o, folder, o.seed + static_cast<std::uint32_t>(tried), chunk, threads, stop);
        tried += chunk;
        for (BatchGalaxy& g : made)
            if (kept.size() < o.count && passes(g.figures, conditions))
                kept.push_back(std::move(g));
    }
    return kept;
}

// --count and --where: the galaxies of consecutive seeds, each saved, written and told as its
// own run would, in seed order; --json writes one galaxy a line, --png a contact sheet.
int run_batch(Options& o, const GameFolder& folder, const std::atomic<bool>& interrupted,
              const SaveOne& save)
{
    const int threads = o.threading.threads ? o.threading.threads : usable_cores();
    std::vector<BatchGalaxy> batch = make_batch(o, folder, threads, interrupted);
    if (o.save)
        check_batch_names(o, folder, batch);
    std::string json_lines, summaries;
    std::size_t saved = 0;
    std::vector<SheetEntry> sheet;
    for (std::size_t i = 0; i < batch.size(); ++i) {
        BatchGalaxy& b = batch[i];
        Options one = o;
        one.seed = b.seed;
        one.settings = b.settings;
        const std::string name = batch_name(o, b, i);
        if (o.save && !interrupted) {
            save_one(save, one, b, name, saved, batch.size());
            ++saved;
        }
        if (interrupted)
            throw ExitError{130, "interrupted: " + std::to_string(saved) + " of " +
                                     std::to_string(batch.size()) + " galaxies were saved"};
        json_lines +=
            galaxy_json(b.galaxy, name, &b.settings, b.attempts, b.seed, o.stats).dump() + "\n";
        summaries += summary_of(one, b.galaxy, name, b.attempts);
        sheet.push_back({&b.galaxy, b.seed, b.figures});
    }
    after_save(saved, [&] {
        if (!o.png.isEmpty())
            write_text(o.png, contact_sheet_png(sheet, o.png.toStdString(), interrupted),
                       interrupted);
        if (!o.json.isEmpty())
            write_text(o.json, json_lines, interrupted);
        if (o.json == "-")
            std::cerr << summaries;
        else
            print(summaries);
    });
    return 0;
}

}  // namespace orvek
