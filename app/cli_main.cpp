// orvek-galaxy: the window's twin without a window. One run is one session: start-up, one
// Generate, optionally one Save, with the window's draws in the window's order.

#include "core/error.h"
#include "core/generate_command.h"
#include "core/random.h"
#include "cli_check.h"
#include "cli_edit.h"
#include "export/campaign_reader.h"
#include "export/campaign_transaction.h"
#include "export/map_file.h"
#include "export/save.h"
#include "core/cp1252.h"
#include "gamedata/text_file.h"
#include "gamedata/game_services.h"
#include "gamedata/names.h"
#include "ui/window_texts.h"
#include "ui/map_render.h"

#include <QBuffer>
#include <QCommandLineParser>
#include <QGuiApplication>

#include <nlohmann/json.hpp>

#include <atomic>
#include <csignal>
#include <chrono>
#include <cstdio>
#include <iostream>
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

struct ExitError {
    int status;
    std::string message;
    bool as_is = false;  // an information message, shown without the error report's full stop
};

// The index of the name that `value` equals, letter case and the window's trailing blanks aside.
template <class Names>
int index_of(const QString& value, const Names& names, const char* option)
{
    for (std::size_t i = 0; i < std::size(names); ++i) {
        const std::string_view name = names[i];
        if (QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()))
                .trimmed()
                .compare(value, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    }
    throw ExitError{2, std::string("unknown ") + option + " \"" + value.toStdString() + "\""};
}

void apply_level(const QString& setting, SaveRequest& request)
{
    static constexpr std::string_view lists[] = {"engine",   "shield",  "fighter",   "cruiser",
                                                 "cloak",    "tractor", "repair",    "academy",
                                                 "shipyard", "factory", "repairyard"};
    const QStringList parts = setting.split('=');
    if (parts.size() != 2)
        throw ExitError{2, "--level wants LIST=LEVEL, not \"" + setting.toStdString() + "\""};
    const int list = index_of(parts[0], lists, "list");
    const auto level =
        static_cast<FrequencyLevel>(index_of(parts[1], kFrequencyLevelNames, "level"));
    FrequencyLevel* facility[] = {&request.levels.academy, &request.levels.shipyard,
                                  &request.levels.factory, &request.levels.repair_yard};
    if (list < 7)
        request.levels.inhibition_lists[static_cast<std::size_t>(list)] = level;
    else
        *facility[list - 7] = level;
}

struct CliDialog : SaveDialog {
    bool overwrite = false;
    void inform(const std::string& message) override { throw ExitError{1, message, true}; }
    bool confirm(const std::string& question) override
    {
        if (!overwrite)
            throw ExitError{3, question + "\n(give --overwrite to replace the existing campaign)"};
        return true;
    }
};

// The galaxy as JSON; `settings` and `attempts` only for a generated one.
nlohmann::ordered_json galaxy_json(const Galaxy& galaxy, const std::string& name,
                                   const GalaxySettings* s, std::uint64_t attempts)
{
    nlohmann::ordered_json planets = nlohmann::ordered_json::array();
    for (const tc_planet& p : galaxy.planets) {
        nlohmann::ordered_json features = nlohmann::ordered_json::array();
        for (int f = 0; f < kFeatureCount; ++f)
            if (p.features[static_cast<std::size_t>(f)])
                features.push_back(std::string(FeatureKeywords[static_cast<std::size_t>(f)]));
        planets.push_back({{"x", p.x},
                           {"y", p.y},
                           {"name", cp1252_to_utf8(p.system_name)},
                           {"template", cp1252_to_utf8(file_name_of(p.template_path))},
                           {"links", p.links},
                           {"farthest", p.farthest},
                           {"home", p.home},
                           {"features", features}});
    }
    nlohmann::ordered_json json = {
        {"campaign_name", cp1252_to_utf8(name)},
        {"campaign_id", campaign_id(name)},
        {"background", cp1252_to_utf8(file_name_of(galaxy.background_path))}};
    if (s) {
        json["attempts"] = attempts;
        json["settings"] = {{"planets", parse_int(s->planet_count)},
                            {"wormholes", parse_int(s->wormhole_count)},
                            {"join1", parse_int(s->join1_pct)},
                            {"join2", parse_int(s->join2_pct)},
                            {"join3", parse_int(s->join3_pct)}};
    }
    json["home"] = home_index(galaxy.planets);
    json["planets"] = planets;
    return json;
}

// Everything the command line asks for, checked before anything is read or drawn.
struct Options {
    std::string game_dir;
    std::uint32_t seed = 0;
    GalaxySettings settings;
    GenerateKind kind = GenerateKind::WithPresets;
    bool rename = false, save = false, overwrite = false, quiet = false;
    std::uint64_t max_attempts = 0;
    std::string name;
    SaveRequest request;
    QString json, png;
    QString check, open;  // a campaign to check or to open instead of a Generate
    bool check_all = false;
    std::vector<EditStep> edits;
};

// A whole number of plain digits from `least` to `most`; anything else is a usage error.
std::uint64_t parse_count(const QString& text, std::uint64_t least, std::uint64_t most,
                          const std::string& complaint)
{
    bool ok = !text.isEmpty() && text.size() <= 19;
    for (QChar c : text)
        ok = ok && c >= '0' && c <= '9';
    const qulonglong value = ok ? text.toULongLong(&ok) : 0;
    if (!ok || value < least || value > most)
        throw ExitError{2, complaint};
    return value;
}

// The campaign name becomes a line of the map file: a line break in it would add lines of its own.
std::string parse_name(const QString& text)
{
    for (QChar c : text)
        if (c.unicode() < 32 || c.unicode() == 127)
            throw ExitError{2, "--name cannot hold control characters (line breaks, tabs)"};
    return utf8_to_cp1252(text.toStdString());
}

// --check, --check-all and --open, which read a saved campaign and write no campaign.
void parse_read_back(const QCommandLineParser& parser, Options& o)
{
    o.check = parser.value("check");
    o.check_all = parser.isSet("check-all");
    o.open = parser.value("open");
    if ((!o.check.isEmpty() || o.check_all) && (o.save || !o.edits.empty()))
        throw ExitError{2, "--check and --check-all change nothing: no --save or edit with them"};
}

// The edits in their order on the command line; checked here for their form only.
std::vector<EditStep> parse_edits()
{
    std::vector<std::string> arguments;
    for (const QString& argument : QCoreApplication::arguments())
        arguments.push_back(argument.toStdString());
    try {
        return parse_edit_steps(arguments);
    } catch (const EditRefused& e) {
        throw ExitError{2, e.what()};
    }
}

Options parse_options(const QCommandLineParser& parser)
{
    if (!parser.positionalArguments().isEmpty())
        throw ExitError{2, "unexpected argument \"" +
                               parser.positionalArguments().first().toStdString() + "\""};
    Options o;
    o.game_dir = parser.isSet("game-dir") ? parser.value("game-dir").toStdString()
                                          : GameFolder::current().game_dir();
    o.seed =
        parser.isSet("seed")
            ? static_cast<std::uint32_t>(parse_count(parser.value("seed"), 0, 4294967295ull,
                                                     "--seed wants a number from 0 to 4294967295"))
            : clock_seed();
    if (parser.isSet("max-attempts"))
        o.max_attempts = parse_count(parser.value("max-attempts"), 1, 1000000000000ull,
                                     "--max-attempts wants a number from 1 to 10^12");
    if (parser.isSet("custom") && parser.isSet("fields"))
        throw ExitError{2, "--custom and --fields exclude each other"};
    for (const char* option : {"custom", "fields"}) {
        if (!parser.isSet(option))
            continue;
        const QStringList numbers = parser.value(option).split(',');
        if (numbers.size() != 5)
            throw ExitError{2, std::string("--") + option + " wants PLANETS,WORMHOLES,J1,J2,J3"};
        o.settings.planet_count = numbers[0].toStdString();
        o.settings.wormhole_count = numbers[1].toStdString();
        o.settings.join1_pct = numbers[2].toStdString();
        o.settings.join2_pct = numbers[3].toStdString();
        o.settings.join3_pct = numbers[4].toStdString();
    }
    if (parser.isSet("custom"))
        o.kind = GenerateKind::Custom;
    // "none" is a list with nothing selected: the numbers in the fields stay as they are.
    if (parser.isSet("size"))
        o.settings.size_class = parser.value("size") == "none"
                                    ? -1
                                    : index_of(parser.value("size"), kSizeNames, "size");
    if (parser.isSet("gates"))
        o.settings.gate_style = parser.value("gates") == "none"
                                    ? -1
                                    : index_of(parser.value("gates"), kGateNames, "gate style");
    o.rename = parser.isSet("name");
    o.name = parse_name(parser.value("name"));
    o.save = parser.isSet("save");
    o.overwrite = parser.isSet("overwrite");
    for (const QString& setting : parser.values("level"))
        apply_level(setting, o.request);
    o.request.options = {parser.isSet("write-inhibitions"), parser.isSet("write-facilities")};
    o.edits = parse_edits();
    parse_read_back(parser, o);
    o.json = parser.value("json");
    o.png = parser.value("png");
    o.quiet = parser.isSet("quiet");
    return o;
}

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
                                             &progress);
        cancel_generation = nullptr;
    }
    if (interrupted)
        throw ExitError{130, "interrupted: nothing was written"};
    if (result == GenerationResult::Cancelled)
        throw ExitError{4, "gave up after " + std::to_string(progress.attempts.load()) +
                               " attempts without a connected galaxy (--max-attempts)"};
}

// The map as PNG bytes, drawn as the window draws it.
std::string png_bytes(const Galaxy& galaxy, const std::string& path)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!render_map(load_background(galaxy.background_path), galaxy.planets).save(&buffer, "PNG"))
        throw file_error("Cannot create file", path, "The picture cannot be encoded");
    return bytes.toStdString();
}

// Writes standard output's text; a closed pipe or a full disk behind it is an error too.
void print(const std::string& text)
{
    std::cout << text << std::flush;
    if (!std::cout || std::fflush(stdout) != 0 || std::ferror(stdout))
        throw ExitError{1, "Cannot write to standard output"};
}

void write_outputs(const Options& o, const Galaxy& galaxy, const std::string& name,
                   std::uint64_t attempts, bool generated = true)
{
    if (!o.png.isEmpty())
        write_output_file(o.png.toStdString(), png_bytes(galaxy, o.png.toStdString()));
    if (o.json.isEmpty())
        return;
    const std::string text =
        galaxy_json(galaxy, name, generated ? &o.settings : nullptr, attempts).dump(2) + "\n";
    if (o.json == "-")
        print(text);
    else
        write_output_file(o.json.toStdString(), text);
}

// --check ID, --check-all: the findings, nothing written. Exit status 5 with a problem.
int check(const Options& o, const GameFolder& folder)
{
    if (o.check_all)
        return check_all_campaigns(folder, print);
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
    Galaxy galaxy;
    galaxy.planets = galaxy_planets(campaign);
    galaxy.background_path = folder.backgrounds_folder() + campaign.picture;
    edit(o, folder, galaxy);
    const std::string name = o.rename ? o.name : campaign.name;
    Random random(o.seed);
    const bool saved = o.save && !interrupted && save(o, folder, random, galaxy, name, &campaign);
    if (interrupted && !saved)
        throw ExitError{130, "interrupted before the save: nothing was written"};
    write_outputs(o, galaxy, name, 0, false);
    const std::string summary = "opened \"" + cp1252_to_utf8(campaign.name) + "\" (" + campaign.id +
                                "), " + std::to_string(galaxy.planets.size()) + " planets" +
                                (o.save ? ", saved as \"" + cp1252_to_utf8(name) + "\"" : "") + "\n";
    if (o.json == "-")
        std::cerr << summary;
    else
        print(summary);
    return 0;
}

int run(const QCommandLineParser& parser)
{
    Options o = parse_options(parser);
    const GameFolder folder(o.game_dir);
    if (!folder.has_game_executable())
        throw ExitError{1, kNotInGameFolder};
    if (!o.check.isEmpty() || o.check_all)
        return check(o, folder);
    if (!o.open.isEmpty())
        return open(o, folder);
    recover(folder);
    Random random(o.seed);
    Galaxy galaxy;
    std::string name;
    GenerationProgress progress;
    generate(o, folder, random, galaxy, name, progress);
    edit(o, folder, galaxy);
    if (o.rename)
        name = o.name;
    if (o.save && !interrupted && save(o, folder, random, galaxy, name) && interrupted) {
        // Too late to stop: the campaign on disk is the new one, and the status says so.
        std::cerr << "orvek-galaxy: interrupted, but the save had already completed\n";
        return 0;
    }
    if (interrupted)
        throw ExitError{130, "interrupted before the save: nothing was written"};
    write_outputs(o, galaxy, name, progress.attempts.load());
    const std::string summary =
        "seed " + std::to_string(o.seed) + ": \"" + cp1252_to_utf8(name) + "\" (" +
        campaign_id(name) + "), " + std::to_string(galaxy.planets.size()) + " planets, " +
        std::to_string(progress.attempts.load()) + " attempts" + (o.save ? ", saved" : "") + "\n";
    // With the JSON on standard output, the summary goes to standard error so that a pipe
    // receives nothing but the JSON.
    if (o.json == "-")
        std::cerr << summary;
    else
        print(summary);
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

void add_options(QCommandLineParser& parser)
{
    parser.addOptions({
        {"game-dir", "The game folder (default: the current directory).", "DIR"},
        {"seed", "The random source's state after start-up (0..4294967295).", "N"},
        {"size", "Galaxy size: small, normal, huge, massive or none.", "SIZE"},
        {"gates", "Jumpgate style: string, normal, web or none.", "STYLE"},
        {"custom", "Generate Custom with these five numbers.", "P,W,J1,J2,J3"},
        {"fields", "Generate with these five numbers in the fields.", "P,W,J1,J2,J3"},
        {"name", "The campaign name, set after Generate.", "TEXT"},
        {"save", "Save the galaxy as a campaign."},
        {"overwrite", "Replace an existing campaign of the same name."},
        {"write-inhibitions", "Write the inhibition effects."},
        {"write-facilities", "Write the facilities."},
        {"level", "A frequency list's level, e.g. cloak=rare.", "LIST=LEVEL"},
        {"max-attempts", "Give up after N attempts without a connected galaxy (exit 4).", "N"},
        {"json", "Write the galaxy as JSON (- for standard output).", "FILE"},
        {"png", "Write the map as a PNG picture.", "FILE"},
        {"quiet", "No progress line."},
        {"check", "Check the saved campaign ID: its findings, exit 5 with a problem.", "ID"},
        {"check-all", "Check every saved campaign of the game folder."},
        {"open", "Read the saved campaign ID instead of generating; --save saves it again.", "ID"},
        {"move", "Move planet P to X,Y (edits apply in the order given).", "P:X,Y"},
        {"join", "Join planets P and Q by a jumpgate.", "P,Q"},
        {"cut", "Cut the jumpgate between planets P and Q.", "P,Q"},
        {"rename", "Rename planet P.", "P:NAME"},
        {"home", "Make planet P the home planet.", "P"},
        {"add", "Add a planet at X,Y.", "X,Y"},
        {"delete", "Delete planet P.", "P"},
    });
}

}  // namespace

int main(int argc, char** argv)
{
    handle_signals();
    // Drawing names into a PNG needs fonts but no screen. On Windows the offscreen platform finds
    // no fonts (it looks for font files beside Qt), while the minimal one asks the system.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
#ifdef _WIN32
        qputenv("QT_QPA_PLATFORM", "minimal:enable_fonts");
#else
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    }
    // Standard error carries the tool's own messages only; Qt's notes about its environment
    // would get in the way of scripts that read them.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::cerr << text.toStdString() << "\n";
    });
    QGuiApplication app(argc, argv);
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
    try {
        return run(parser);
    } catch (const ExitError& e) {
        if (e.status == 1)
            std::cerr << (e.as_is ? e.message : with_full_stop(e.message)) << "\n";
        else
            std::cerr << "orvek-galaxy: " << e.message << "\n";
        return e.status;
    } catch (const Error& e) {
        // Messages name files by their paths, which are already in the system's own encoding.
        std::cerr << with_full_stop(e.what()) << "\n";
        return 1;
    }
}
