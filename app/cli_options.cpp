// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli_options.h"

#include "cli_batch.h"

#include "core/cp1252.h"
#include "core/random.h"
#include "gamedata/game_folder.h"
#include "ui/map_badges.h"
#include "ui/window_texts.h"

#include <QCoreApplication>

namespace orvek {

namespace {

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
        request.levels.inhibitions[static_cast<std::size_t>(list)] = level;
    else
        *facility[list - 7] = level;
}

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
    // The findings go to standard output only; a picture or a JSON file would be left unwritten.
    const bool json_file = parser.isSet("json") && (o.check_all || parser.value("json") != "-");
    if ((!o.check.isEmpty() || o.check_all) && (parser.isSet("png") || json_file))
        throw ExitError{2, "--check writes its findings to standard output only (--json - for "
                           "JSON); --png and --json FILE are not for --check or --check-all"};
}

// --save and what it writes.
void parse_save(const QCommandLineParser& parser, Options& o)
{
    o.save = parser.isSet("save");
    o.overwrite = parser.isSet("overwrite");
    o.keep_problems = parser.isSet("keep-problems");
    for (const QString& setting : parser.values("level"))
        apply_level(setting, o.request);
    o.request.options = {parser.isSet("write-inhibitions"), parser.isSet("write-facilities")};
}

// The settings: the five numbers (as Generate Custom takes them, or as the fields hold them for
// a Generate), the two lists, the shape and clear jumpgates.
void parse_settings(const QCommandLineParser& parser, Options& o)
{
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
    if (parser.isSet("shape")) {
        const std::optional<GalaxyShape> shape = parse_shape(parser.value("shape").toStdString());
        if (!shape)
            throw ExitError{2, "--shape wants classic, disc, ring, spiral:N (N from 2 to 4) or "
                               "clusters:N (N from 2 to 6), not \"" +
                                   parser.value("shape").toStdString() + "\""};
        o.settings.shape = *shape;
    }
    o.settings.clear_gates = parser.isSet("clear-gates");
}

// --count, --where and --max-seeds: many galaxies, made as single runs make them.
void parse_batch(const QCommandLineParser& parser, Options& o)
{
    // A batch holds its galaxies until they are written: a thousand is tens of megabytes.
    if (parser.isSet("count"))
        o.count =
            parse_count(parser.value("count"), 1, 1000, "--count wants a number from 1 to 1000");
    if (parser.isSet("max-seeds"))
        o.max_seeds = parse_count(parser.value("max-seeds"), 1, 4294967296ull,
                                  "--max-seeds wants a number from 1 to 4294967296");
    o.where = parser.value("where").toStdString();
    parse_conditions(o.where);  // a malformed one is a usage error now, before any Generate
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

// --export ID FILE.zip and --import FILE.zip.
void parse_archive(const QCommandLineParser& parser, Options& o)
{
    const QStringList extra = parser.positionalArguments();
    if (parser.isSet("export")) {
        if (extra.size() != 1)
            throw ExitError{2, "--export wants the campaign's id and the archive's file: "
                               "--export ID FILE.zip"};
        o.export_id = parser.value("export");
        o.archive_path = extra.first();
    }
    if (parser.isSet("import")) {
        if (parser.isSet("export"))
            throw ExitError{2, "--export and --import exclude each other"};
        o.archive_path = parser.value("import");
        o.importing = true;
    }
}

// The Generate command: its seed, bounds and threads, and the settings the window's column
// would hold.
void parse_generate(const QCommandLineParser& parser, Options& o)
{
    o.seed =
        parser.isSet("seed")
            ? static_cast<std::uint32_t>(parse_count(parser.value("seed"), 0, 4294967295ull,
                                                     "--seed wants a number from 0 to 4294967295"))
            : clock_seed();
    if (parser.isSet("max-attempts"))
        o.max_attempts = parse_count(parser.value("max-attempts"), 1, 1000000000000ull,
                                     "--max-attempts wants a number from 1 to 10^12");
    if (parser.isSet("threads"))
        o.threading.threads = static_cast<int>(
            parse_count(parser.value("threads"), 1, 256, "--threads wants a number from 1 to 256"));
    parse_settings(parser, o);
}

// The campaign name given, as the game can show it.
void parse_name_option(const QCommandLineParser& parser, Options& o)
{
    o.rename = parser.isSet("name");
    o.name = parse_name(parser.value("name"));
    const std::string lacking = unsupported_characters(parser.value("name").toStdString());
    if (!lacking.empty() && !parser.isSet("replace-unsupported"))
        throw ExitError{2, "--name holds characters the game cannot show: " + lacking +
                               " (give --replace-unsupported to write each as \"?\")"};
}

// What is written besides a campaign: the JSON, the picture with its badges, the figures.
void parse_outputs(const QCommandLineParser& parser, Options& o)
{
    o.json = parser.value("json");
    o.png = parser.value("png");
    o.quiet = parser.isSet("quiet");
    o.stats = parser.isSet("stats");
    if (!parser.isSet("features"))
        return;
    const QString wanted = parser.value("features");
    QStringList known;
    for (const FeatureFilterChoice& choice : feature_filters()) {
        known << choice.keyword;
        if (wanted == choice.keyword)
            o.features = choice.filter;
    }
    if (!known.contains(wanted))
        throw ExitError{2, "--features: \"" + wanted.toStdString() + "\" is none of " +
                               known.join(", ").toStdString()};
}

}  // namespace

Options parse_options(const QCommandLineParser& parser)
{
    // Only --recover takes a number of its own (of a copy it lists), and --export its file.
    const QStringList extra = parser.positionalArguments();
    if (!extra.isEmpty() && !parser.isSet("recover") &&
        !(parser.isSet("export") && extra.size() == 1))
        throw ExitError{2, "unexpected argument \"" + extra.last().toStdString() + "\""};
    Options o;
    o.game_dir = parser.isSet("game-dir") ? parser.value("game-dir").toStdString()
                                          : GameFolder::current().game_dir();
    parse_archive(parser, o);
    parse_generate(parser, o);
    parse_batch(parser, o);
    parse_name_option(parser, o);
    parse_save(parser, o);
    o.edits = parse_edits();
    parse_read_back(parser, o);
    parse_outputs(parser, o);
    const bool batch = o.count > 1 || !o.where.empty();
    if (batch && (!o.edits.empty() || !o.open.isEmpty() || !o.check.isEmpty() || o.check_all))
        throw ExitError{2,
                        "--count and --where make galaxies: no edit, --open or --check with them"};
    return o;
}

namespace {

// The edits, applied in the order the command line gives them.
void add_edit_options(QCommandLineParser& parser)
{
    parser.addOptions({
        {"move", "Move planet P to X,Y (edits apply in the order given).", "P:X,Y"},
        {"join", "Join planets P and Q by a jumpgate.", "P,Q"},
        {"cut", "Cut the jumpgate between planets P and Q.", "P,Q"},
        {"rename", "Rename planet P.", "P:NAME"},
        {"feature",
         "Set a feature of planet P on or off by hand (ENGINES_REQUIRED, shipyardb...); a Save "
         "keeps it so.",
         "P:KEYWORD=on|off"},
        {"home", "Make planet P the home planet.", "P"},
        {"add", "Add a planet at X,Y.", "X,Y"},
        {"delete", "Delete planet P.", "P"},
        {"tidy", "Reroute each jumpgate drawn through a planet through that planet."},
    });
}

}  // namespace

void add_options(QCommandLineParser& parser)
{
    parser.addOptions({
        {"game-dir", "The game folder (default: the current directory).", "DIR"},
        {"seed", "The random source's state after start-up (0..4294967295).", "N"},
        {"size", "Galaxy size: small, normal, huge, massive or none.", "SIZE"},
        {"gates", "Jumpgate style: string, normal, web or none.", "STYLE"},
        {"shape",
         "Where the planets lie: classic (the default), disc, ring, spiral:N (N arms, 2 to 4) or "
         "clusters:N (2 to 6).",
         "SHAPE"},
        {"clear-gates",
         "Make no jumpgate that passes through a third planet or crosses another: the next "
         "nearest planet is joined instead."},
        {"custom", "Generate Custom with these five numbers.", "P,W,J1,J2,J3"},
        {"fields", "Generate with these five numbers in the fields.", "P,W,J1,J2,J3"},
        {"name", "The campaign name, set after Generate.", "TEXT"},
        {"replace-unsupported", "Write characters of --name the game cannot show as \"?\"."},
        {"save", "Save the galaxy as a campaign."},
        {"overwrite", "Replace an existing campaign of the same name."},
        {"keep-problems", "Save a campaign even when its check finds problems (else exit 5)."},
        {"write-inhibitions", "Write the inhibition effects."},
        {"write-facilities", "Write the facilities."},
        {"level", "A frequency list's level, e.g. cloak=rare.", "LIST=LEVEL"},
        {"max-attempts", "Give up after N attempts without a connected galaxy (exit 4).", "N"},
        {"threads",
         "Threads a Generate may use: 1 keeps it on one; from 2 a second one joins while it "
         "gains (default: as many as the process may use).",
         "N"},
        {"json", "Write the galaxy as JSON (- for standard output).", "FILE"},
        {"png", "Write the map as a PNG picture.", "FILE"},
        {"features",
         "Show the planets' features in the PNG as badges with a legend: all, one effect "
         "(engine, shield, fighter, cruiser, cloak, tractor, repair) or one facility (repairyard, "
         "factory, academy, shipyard); none by default.",
         "WHAT"},
        {"quiet", "No progress line."},
        {"count", "Make the galaxies of N seeds from --seed on, side by side on the cores.", "N"},
        {"where", "Keep only galaxies whose figures pass, e.g. \"diameter>=9,dead_ends<=2\".",
         "CONDITIONS"},
        {"max-seeds", "Try at most M seeds for --where (exit 4 when fewer passed).", "M"},
        {"stats",
         "The galaxy's figures (jumps from home, dead ends, chokepoints, bridges, diameter, "
         "jumpgates) in words and in the JSON."},
        {"check", "Check the saved campaign ID: its findings, exit 5 with a problem.", "ID"},
        {"check-all", "Check every saved campaign of the game folder."},
        {"open", "Read the saved campaign ID instead of generating; --save saves it again.", "ID"},
        {"export",
         "Write the saved campaign ID as one zip archive FILE.zip (\"--export ID FILE.zip\"), with "
         "a manifest and a preview picture, to share it.",
         "ID"},
        {"import",
         "Import the campaign a zip archive holds, after its check (--name imports it under "
         "another name, --overwrite replaces a campaign of its id).",
         "FILE.zip"},
        {"find-games", "List the game folders found: the game folder and the Steam libraries'."},
        {"recover",
         "List the unsaved work the window's recovery copies keep; \"--recover N --save\" saves "
         "copy N as a campaign of its game folder."},
        {"version", "Show the version, the commit it was built from, the Qt it runs on and the "
                    "licence."},
    });
    add_edit_options(parser);
}

}  // namespace orvek
