// SPDX-License-Identifier: GPL-3.0-or-later
// orvek-galaxy: the window's twin without a window. One run is one session: start-up, one
// Generate (or a saved campaign read instead), the edits asked for, optionally one Save, with
// the window's draws in the window's order.

#include "core/error.h"
#include "core/generate_command.h"
#include "core/random.h"
#include "core/version.h"
#include "cli_archive.h"
#include "cli_batch.h"
#include "cli_check.h"
#include "cli_edit.h"
#include "cli_options.h"
#include "cli_output.h"
#include "cli_qt.h"
#include "cli_recover.h"
#include "campaign/campaign_reader.h"
#include "campaign/campaign_transaction.h"
#include "campaign/save.h"
#include "core/cp1252.h"
#include "gamedata/game_finder.h"
#include "gamedata/text_file.h"
#include "gamedata/game_services.h"
#include "gamedata/names.h"
#include "ui/window_texts.h"

#include <QCommandLineParser>
#include <QDir>
#include <QCoreApplication>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <chrono>
#include <cstdio>
#include <functional>
#include <iostream>
#include <memory>
#include <thread>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#else
#include <unistd.h>
#endif

using namespace orvek;

namespace {

// Set by SIGINT and SIGTERM: the attempts stop at the next one and nothing more is written.
std::atomic<bool> interrupted{false};
std::atomic<bool>* cancel_generation = nullptr;

extern "C" void on_interrupt(int)
{
    interrupted.store(true);
    if (std::atomic<bool>* cancel = cancel_generation)
        cancel->store(true);
}

struct CliDialog : SaveDialog {
    bool overwrite = false, keep_problems = false;
    void inform(const std::string& message) override { throw ExitError{1, message, true}; }
    bool confirm(const std::string& question) override
    {
        if (!overwrite)
            throw ExitError{3, question + "\n(give --overwrite to replace the existing campaign)",
                            true};
        return true;
    }
    bool accept_problems(const std::vector<Finding>& problems) override
    {
        if (!keep_problems)
            throw ExitError{
                5,
                "The campaign was not saved: it would have " + std::to_string(problems.size()) +
                    (problems.size() == 1 ? " problem" : " problems") + ":\n" +
                    findings_text(problems) + "(give --keep-problems to save it with them)",
                true};
        return true;
    }
};

// Shows "generating: N attempts, T s" on a terminal's standard error until stopped.
void report_progress(std::stop_token stop, const GenerationProgress& progress)
{
    const auto start = std::chrono::steady_clock::now();
    while (!stop.stop_requested()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        std::fprintf(stderr, "\rgenerating: %llu attempts, %.1f s",
                     static_cast<unsigned long long>(progress.attempts.load()), elapsed.count());
    }
    std::fprintf(stderr, "\r\033[K");
}

// The Generate command. Ctrl+C (or SIGTERM) and --max-attempts end it between attempts.
void generate(Options& o, const GameFolder& folder, Random& random, Galaxy& galaxy,
              std::string& name, GenerationProgress& progress)
{
    GameFolderServices sources(folder);
    LastStatus status;
    GenerationServices services{status, sources, sources, sources};
    progress.attempt_limit = o.max_attempts;
    GenerationResult result;
    {
        std::jthread reporter;
        if (!o.quiet && isatty(2))
            reporter = std::jthread(report_progress, std::cref(progress));
        cancel_generation = &progress.cancel;
        result = orvek::run_generate_command(o.kind, o.settings, galaxy, name, services, random,
                                             &progress, o.threading);
        cancel_generation = nullptr;
    }
    if (interrupted)
        throw ExitError{130, "interrupted: nothing was written"};
    if (result == GenerationResult::Cancelled)
        throw ExitError{4, "gave up after " + std::to_string(progress.attempts.load()) +
                               " attempts without a connected galaxy (--max-attempts)"};
}

// --check ID, --check-all: the findings, nothing written. Exit status 5 with a problem.
int check(const Options& o, const GameFolder& folder)
{
    if (o.check_all)
        return check_all_campaigns(folder, print, interrupted);
    return check_one_campaign(folder, o.check.toStdString(), o.json == "-", print);
}

// The edits of the command line on the galaxy; a refused one is a usage error, before anything
// is written.
void edit(const Options& o, const GameFolder& folder, Galaxy& galaxy)
{
    if (o.edits.empty())
        return;
    try {
        apply_edit_steps(galaxy.planets, o.edits, new_planet_sources(folder));
    } catch (const EditRefused& e) {
        throw ExitError{2, e.what()};
    }
}

// The Save command on the galaxy; true when it saved.
bool save(Options& o, const GameFolder& folder, Random& random, Galaxy& galaxy,
          const std::string& name, const LoadedCampaign* opened = nullptr)
{
    o.request.campaign_name = name;
    o.request.cancel = &interrupted;
    o.request.opened = opened;
    CliDialog dialog;
    dialog.overwrite = o.overwrite;
    dialog.keep_problems = o.keep_problems;
    return orvek::save_campaign(galaxy, o.request, folder, random, dialog) == SaveResult::Saved;
}

// An unfinished Save that cannot be finished is the player's to look at; it does not stop a
// run that only generates or reads.
void recover(const GameFolder& folder)
{
    if (const std::string report = recover_interrupted_save(folder); !report.empty())
        std::cerr << report << "\n";
}

// --open ID: the saved campaign instead of a Generate, edited and saved again (under its own
// name unless --name gives another), for --json and --png.
int open(Options& o, const GameFolder& folder)
{
    if (o.save)
        recover(folder);
    const LoadedCampaign campaign = load_campaign(folder, o.open.toStdString());
    if (const std::string none = no_planets_read(campaign); !none.empty())
        throw ExitError{1, none};
    Galaxy galaxy;
    galaxy.planets = galaxy_planets(campaign);
    galaxy.background_path = folder.backgrounds_folder() + campaign.picture;
    edit(o, folder, galaxy);
    const std::string name = o.rename ? o.name : campaign.name;
    Random random(o.seed);
    const bool saved = o.save && !interrupted && save(o, folder, random, galaxy, name, &campaign);
    if (interrupted && !saved)
        throw ExitError{130, "interrupted before the save: nothing was written"};
    after_save(saved, [&] {
        write_outputs(o, galaxy, name, 0, false, interrupted);
        const std::string summary =
            "opened \"" + shown_escaped(cp1252_to_utf8(campaign.name)) + "\" (" + campaign.id +
            "), " +
            std::to_string(galaxy.planets.size()) + " planets" +
            (o.save ? ", saved as \"" + cp1252_to_utf8(name) + "\"" : "") + "\n" +
            (o.stats ? figures_in_words(galaxy_figures(galaxy.planets)) : "");
        if (o.json == "-")
            std::cerr << summary;
        else
            print(summary);
    });
    return 0;
}

// A --name whose files this game folder cannot hold is a usage error, before any Generate; a
// batch's longest name is its last, "NAME <count>".
void check_name_length(const Options& o, const GameFolder& folder)
{
    if (!o.rename)
        return;
    const bool batch = o.count > 1 || !o.where.empty();
    const std::string longest = batch ? o.name + " " + std::to_string(o.count) : o.name;
    if (longest.size() > kMaxCampaignNameLength)
        throw ExitError{2, "The campaign name" + std::string(batch ? " with its number" : "") +
                               " has more than " + std::to_string(kMaxCampaignNameLength) +
                               " characters, the most a campaign's name has."};
    std::size_t limit = 0;
    try {
        limit = campaign_id_limit(folder);
    } catch (const Error&) {
        return;  // the Generate says what is wrong with the templates
    }
    if (campaign_id(longest).size() > limit)
        throw ExitError{2, campaign_id_too_long(limit) +
                               (batch ? " The batch's last name is \"" + longest + "\"." : "")};
}

// The one line that tells what a run made, on standard output (or standard error when the JSON
// goes to standard output, so that a pipe receives nothing but the JSON).
void print_summary(const Options& o, const Galaxy& galaxy, const std::string& name,
                   std::uint64_t attempts)
{
    const std::string summary = summary_of(o, galaxy, name, attempts);
    if (o.json == "-")
        std::cerr << summary;
    else
        print(summary);
}

// --find-games: the game folders found, one a line; none is exit 3 with a sentence.
int find_games(const QCommandLineParser& parser)
{
    const std::string here = parser.isSet("game-dir") ? parser.value("game-dir").toStdString()
                                                      : GameFolder::current().game_dir();
    std::vector<std::string> notes;
    const std::vector<std::string> found =
        find_game_folders({here}, steam_folders(QDir::homePath().toStdString()), &notes);
    for (const std::string& note : notes)
        std::cerr << "note: " << shown_escaped(with_full_stop(note)) << "\n";
    if (found.empty())
        throw ExitError{3, "no game folder found: one holds \"Orvek.exe\" and the folder "
                           "campaign/data/encounters/all, and none is here or in a Steam library"};
    for (const std::string& folder : found)
        print(shown_escaped(folder) + "\n");
    return 0;
}

// --count and --where: many galaxies, each saved as its own run saves it.
int batch(Options& o, const GameFolder& folder)
{
    recover(folder);
    return run_batch(o, folder, interrupted,
                     [&](Options& one, Random& random, Galaxy& galaxy, const std::string& name) {
                         return save(one, folder, random, galaxy, name);
                     });
}

int run(const QCommandLineParser& parser)
{
    if (parser.isSet("find-games"))
        return find_games(parser);
    Options o = parse_options(parser);
    if (parser.isSet("recover"))
        return recover_copies(o, parser.positionalArguments(), parser.isSet("game-dir"),
                              [](Options& one, const GameFolder& folder, Galaxy& galaxy,
                                 const std::string& name, const LoadedCampaign* opened) {
                                  recover(folder);
                                  Random random(one.seed);
                                  return save(one, folder, random, galaxy, name, opened);
                              });
    const GameFolder folder(o.game_dir);
    if (!folder.has_game_executable())
        throw ExitError{1, kNotInGameFolder};
    check_name_length(o, folder);
    if (!o.check.isEmpty() || o.check_all)
        return check(o, folder);
    if (!o.export_id.isEmpty())
        return export_command(o, folder);
    if (o.importing)
        return import_command(o, folder);
    if (!o.open.isEmpty())
        return open(o, folder);
    if (o.count > 1 || !o.where.empty())
        return batch(o, folder);
    recover(folder);
    Random random(o.seed);
    Galaxy galaxy;
    std::string name;
    GenerationProgress progress;
    generate(o, folder, random, galaxy, name, progress);
    edit(o, folder, galaxy);
    if (o.rename)
        name = o.name;
    const bool saved = o.save && !interrupted && save(o, folder, random, galaxy, name);
    if (saved && interrupted) {
        // Too late to stop: the campaign on disk is the new one, and the status says so.
        std::cerr << "orvek-galaxy: interrupted, but the save had already completed\n";
        return 0;
    }
    if (interrupted)
        throw ExitError{130, "interrupted before the save: nothing was written"};
    after_save(saved, [&] {
        write_outputs(o, galaxy, name, progress.attempts.load(), true, interrupted);
        print_summary(o, galaxy, name, progress.attempts.load());
    });
    return 0;
}

// What the signals mean to the tool.
void handle_signals()
{
#ifdef SIGPIPE
    // A reader that went away is a failed write ("Cannot write to standard output."), not a
    // silent end of the process.
    std::signal(SIGPIPE, SIG_IGN);
#endif
#ifdef SIGXFSZ
    // Past a file-size limit a write should fail with an error, not end the process: the save
    // then reports it and leaves the old campaign in place.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    std::signal(SIGINT, on_interrupt);
    std::signal(SIGTERM, on_interrupt);
}

}  // namespace

int main(int argc, char** argv)
{
    handle_signals();
    const std::unique_ptr<QCoreApplication> app = start_qt(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription("Generates an Orvek galaxy and saves it as a campaign.");
    parser.addHelpOption();
    add_options(parser);
    if (!parser.parse(QCoreApplication::arguments())) {
        std::cerr << "orvek-galaxy: " << parser.errorText().toStdString() << "\n";
        return 2;
    }
    if (parser.isSet("help")) {
        std::cout << parser.helpText().toStdString();
        return 0;
    }
    if (parser.isSet("version")) {
        std::cout << "orvek-galaxy " << program_version() << " (commit " << program_commit()
                  << ")\nQt " << qVersion() << " (built with " << QT_VERSION_STR << ")\n"
                  << kLicenceLine << "\n"
                  << kFreeSoftwareNotice << "\n";
        return std::cout.flush() ? 0 : 1;
    }
    try {
        return run(parser);
    } catch (const ExitError& e) {
        if (e.status == 1 || e.as_is)
            std::cerr << (e.as_is ? e.message : with_full_stop(e.message)) << "\n";
        else
            std::cerr << "orvek-galaxy: " << shown_escaped(e.message) << "\n";
        // A signal may have left a picture's encoding running on a thread of its own: the
        // process ends here, without waiting for it or unwinding what it uses.
        if (e.status == 130) {
            std::cout.flush();
            std::_Exit(130);
        }
        return e.status;
    } catch (const Error& e) {
        // Messages name files by their paths, which are already in the system's own encoding.
        std::cerr << with_full_stop(e.what()) << "\n";
        return 1;
    }
}
