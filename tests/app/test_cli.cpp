// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/game_copy.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <map>
#include <numeric>

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace orvek {
namespace {

using testing::TempDir;

using testing::DemoGame;

TEST(Cli, SameSeedSameFiles)
{
    DemoGame a, b;
    const std::string args =
        "--seed 99 --size huge --gates web --save --write-facilities --level shipyard=common";
    auto ra = a.run(args + " --threads 1"), rb = b.run(args + " --threads 2");
    ASSERT_EQ(ra.status, 0) << ra.err;
    ASSERT_EQ(rb.status, 0) << rb.err;
    EXPECT_EQ(ra.out, rb.out);
    EXPECT_NE(ra.out.find("seed 99"), std::string::npos);
    EXPECT_GT(a.saved_files(), 30u);
    EXPECT_EQ(a.campaigns(), b.campaigns());
}

TEST(Cli, ExitStatuses)
{
    DemoGame game;
    TempDir empty;
    struct Case {
        std::string args;
        int status;
        std::string err;
    } cases[] = {
        {"--seed 1", 0, ""},
        {"--seed 4294967296", 2, "--seed"},
        {"--seed x", 2, "--seed"},
        {"--seed ' 5'", 2, "--seed"},
        {"--seed=4294967295", 0, ""},
        {"--count 1001", 2, "--count wants a number from 1 to 1000"},
        {"--export x x.zip --import x.zip", 2, "--export and --import exclude each other"},
        {"--size tiny", 2, "unknown size"},
        {"--custom 1,2,3", 2, "--custom"},
        {"--check x --png x.png", 2, "--png and --json FILE are not for --check"},
        {"--seed 1 --rename \"$(printf '0:A\\033[31mB')\"", 2, "--rename 0:A\\x1B[31mB: "},
        {"--check-all --json -", 2, "--png and --json FILE are not for --check"},
        {"--level cloak=often --save", 2, "unknown level"},
        {"--no-such-option", 2, "no-such-option"},
        {"--custom ,1,30,40,5", 1, "'' is not a valid integer value."},
        {"--custom 8,9,30,40,5 --seed 3", 1, "8 planets can take at most 8 wormholes."},
        {"--seed 5 --name '--!' --save", 1,
         "The campaign name needs at least one letter or digit!"},
        {"--seed 5 --name 'A l l' --save", 1, "reserved for the game's own templates"},
        {"--seed 5 --save --name \"$(printf 'Evil\\r\\nPlanets = 3')\"", 2, "control characters"},
        {"--seed 5 --save --name \"$(printf 'Evil\\177')\"", 2, "control characters"},
        {"--seed 5 --save --name '\xC5\x81\xC3\xB3"
         "d\xC5\xBA'",
         2, "cannot show: \xC5\x81\xC5\xBA (give"},
        {"--seed 5 --name '\xC5\x81\xC3\xB3"
         "d\xC5\xBA Reach' --replace-unsupported",
         0, ""},
        {"--seed 5 --save --name " + std::string(252, 'a'), 2, "more than 251 letters and digits"},
        {"--seed 5 --save --name " + std::string(256, 'a'), 2, "more than 255 characters"},
        {"--count 12 --save --name " + std::string(250, 'a'), 2, "The batch's last name"},
        {"--where 'diameter>=nan'", 2, "\"diameter>=nan\" is no condition"},
        {"--seed 1 --custom 146,5,87,6,11 --max-attempts 40 --save", 4,
         "gave up after 40 attempts"},
        {"--max-attempts 0", 2, "--max-attempts"},
        {"--threads 0", 2, "--threads wants a number from 1 to 256"},
        {"--count 2 --where 'diameter>=1000' --max-seeds 5", 4, "0 of 5 seeds passed --where"},
        {"--where 'diameter>=1000'", 4, "0 of 1000 seeds passed --where"},
        {"--where 'diameter>=9x'", 2, "\"diameter>=9x\" is no condition"},
        {"--where 'width>3'", 2, "\"width>3\" is no condition"},
        {"--where 'diameter=>3'", 2, "\"diameter=>3\" is no condition"},
        {"--where 'diameter>=3,'", 2, "\"\" is no condition"},
        {"--count 0", 2, "--count wants a number from 1"},
        {"--count 2 --move 0:100,100", 2, "no edit, --open or --check"},
        {"--count 2 --open silver", 2, "no edit, --open or --check"},
    };
    for (const Case& c : cases) {
        auto r = game.run(c.args);
        EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << c.args << "\n" << r.err;
    }
    EXPECT_EQ(game.saved_files(), 0u) << "no row saves, a batch refused included";
    auto r =
        testing::run_command(std::string(ORVEK_CLI) + " --quiet --game-dir '" + empty.str() + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Please copy the content of the zip into your Tessarine"),
              std::string::npos);
    r = testing::run_command(std::string(ORVEK_CLI) + " --size tiny --game-dir '" + empty.str() +
                             "'");
    EXPECT_EQ(r.status, 2) << "usage errors come before the game folder is looked at";
}

TEST(Cli, OverwriteOnlyWhenAsked)
{
    DemoGame game;
    ASSERT_EQ(game.run("--seed 1 --name Twice --save").status, 0);
    auto before = game.campaigns();
    auto refused = game.run("--seed 2 --name Twice --save --json out.json");
    EXPECT_EQ(refused.status, 3);
    EXPECT_NE(refused.err.find("A campaign with this name exists already! Do you want to "
                               "overwrite?\n(give --overwrite"),
              std::string::npos)
        << refused.err;
    EXPECT_EQ(game.campaigns(), before);
    EXPECT_FALSE(fs::exists("out.json")) << "JSON only for a successful run";
    EXPECT_EQ(game.run("--seed 2 --name Twice --save --overwrite").status, 0);
    EXPECT_NE(game.campaigns(), before);
}

// A signal while the Save waits for another Save's lock stops it before it writes anything; a
// reader that went away makes the run fail instead of pass for a success.
TEST(Cli, StatusesTellTheTruth)
{
    DemoGame game;
    const std::string tool =
        std::string(ORVEK_CLI) + " --quiet --game-dir '" + game.dir.str() + "'";
    // The other Save holds the lock longer than a Save waits for it: only the signal ends this one
    // with 130.
    auto r = testing::run_command(
        "{ flock -o '" + game.dir.str() + "/Orvek.exe' sleep 30 & holder=$!; sleep 0.5; " + tool +
        " --seed 1 --save --name Waiting & pid=$!; sleep 1.5; kill -TERM $pid; wait $pid; "
        "status=$?; pkill -P $holder; kill $holder; exit $status; }");
    EXPECT_EQ(r.status, 130) << r.err;
    EXPECT_NE(r.err.find("interrupted before the save: nothing was written"), std::string::npos)
        << r.err;
    EXPECT_EQ(game.saved_files(), 0u);

    // SIGTERM at the commit's first rename: too late to stop, and the status says so. (The
    // sanitizer build's leak check cannot run under strace's ptrace, so it is off here.)
    r = testing::run_command(
        "ASAN_OPTIONS=detect_leaks=0 strace -f -qq -o /dev/null -e trace=renameat "
        "-e inject=renameat:signal=TERM:when=1 " +
        tool + " --seed 1 --save --name Late");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("interrupted, but the save had already completed"), std::string::npos)
        << r.err;
    EXPECT_GT(game.saved_files(), 0u);

    r = testing::run_command("( { sleep 0.5; " + tool +
                             " --seed 1 --json -; echo status $? >&2; } | true )");
    EXPECT_NE(r.err.find("Cannot write to standard output.\nstatus 1"), std::string::npos) << r.err;

    // After a completed Save, a failing output says that the campaign was saved.
    r = testing::run_command("( " + tool +
                             " --seed 1 --save --name Full >/dev/full; echo status $? >&2 )");
    EXPECT_NE(r.err.find("Cannot write to standard output. The campaign was saved.\nstatus 1"),
              std::string::npos)
        << r.err;

    // The new files' folder is flushed to disk before the journal that names them is in place.
    TempDir traces;
    const std::string log = (traces.path() / "trace").string();
    r = testing::run_command("ASAN_OPTIONS=detect_leaks=0 strace -f -y -qq -e trace=fsync,renameat "
                             "-o '" +
                             log + "' " + tool + " --seed 1 --save --name Flushed");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string trace = testing::read_bytes(log);
    const std::size_t flushed = trace.find(".orvek-save/new>)"),
                      journal = trace.find("journal.new");
    ASSERT_NE(journal, std::string::npos) << trace;
    EXPECT_LT(flushed, journal) << trace;

    // A game folder that cannot be written is told as that, not by the Save's hidden folder.
    const std::size_t saved = game.saved_files();
    r = testing::run_command("ASAN_OPTIONS=detect_leaks=0 strace -f -qq -o /dev/null -e "
                             "trace=mkdirat -e inject=mkdirat:error=EROFS:when=1 " +
                             tool + " --seed 1 --save --name Refused");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot be written: Read-only file system."), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find(".orvek-save"), std::string::npos) << r.err;
    EXPECT_EQ(game.saved_files(), saved);

    // An unfinished Save that the next start cannot finish says which way it was going: one
    // killed before its commit is undone, one killed after it is completed.
    for (const auto& [name, when, failing, told] :
         {std::tuple{"Undone", "1", "unlinkat", "could not be undone: "},
          {"Completed", "2", "renameat", "could not be completed: "}}) {
        const std::string traced = "ASAN_OPTIONS=detect_leaks=0 strace -f -qq -o /dev/null -e ";
        testing::run_command(traced + "inject=renameat:signal=KILL:when=" + when + " " + tool +
                             " --seed 1 --save --name " + name);
        r = testing::run_command(traced + "inject=" + failing + ":error=EIO " + tool +
                                 " --seed 1 --save --name " + name);
        EXPECT_NE(r.err.find(told), std::string::npos) << name << ": " << r.err;
        r = testing::run_command(tool + " --seed 1 --save --name " + name);
        EXPECT_EQ(r.err.find("could not be"), std::string::npos) << name << ": " << r.err;
    }

    // A pipe nobody reads: the tool waits for a reader, and a signal ends the wait (after a Save,
    // with the same status, saying that the campaign was saved). A signal that came before the
    // wait (a slow machine still drawing) is sent again later in a new run.
    TempDir pipes;
    const std::string fifo = (pipes.path() / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    for (const std::string output : {"--json", "--png", "--save --overwrite --name Piped --json"}) {
        const std::string waited = "interrupted while waiting for something to read";
        for (const char* delay : {"0.5", "2", "8"}) {
            r = testing::run_command("( " + tool + " --seed 1 " + output + " '" + fifo +
                                     "' & pid=$!; sleep " + delay +
                                     "; kill -TERM $pid; wait $pid; echo status $? >&2 )");
            if (r.err.find(waited) != std::string::npos)
                break;
        }
        EXPECT_NE(r.err.find(waited), std::string::npos) << output << ": " << r.err;
        EXPECT_NE(r.err.find("status 130"), std::string::npos) << output << ": " << r.err;
        EXPECT_EQ(r.err.find("The campaign was saved.") != std::string::npos,
                  output.find("--save") != std::string::npos)
            << output << ": " << r.err;
    }

    // A map file that names no planet is told as what it is.
    for (const auto& [bytes, told] :
         {std::pair{"", "is empty"},
          {"\n\n", "only line breaks"},
          {"\xFF\xFE[\0c\0", "UTF-16"},
          {"[config]\r\nName = odd\r\n", "has no [encounters] entries: it names no planet"}}) {
        game.dir.write("campaign/data/maps/odd.txt", bytes);
        r = game.run("--open odd --json -");
        EXPECT_EQ(r.status, 1) << told;
        EXPECT_NE(r.err.find(told), std::string::npos) << r.err;
    }
}

// A work folder that a shared archive could hold is reported, and the run goes on.
TEST(Cli, StartUpGoesOnPastAnUntrustedSave)
{
    DemoGame game;
    TempDir victim;
    victim.write("letter.txt", "dear");
    const fs::path work = game.dir.path() / "campaign/data/.orvek-save";
    fs::create_directories(work / "new");
    ASSERT_EQ(::mkfifo((work / "journal").c_str(), 0666), 0);
    fs::create_symlink(victim.path(), work / "old");
    auto r = game.run("--seed 1 --save --name Fine");
    EXPECT_EQ(r.status, 1) << "a Save waits until the player has looked";
    EXPECT_NE(r.err.find("could not be checked"), std::string::npos) << r.err;
    r = game.run("--seed 1");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("could not be checked"), std::string::npos) << r.err;
    EXPECT_EQ(testing::read_bytes(victim.path() / "letter.txt"), "dear");
    EXPECT_TRUE(fs::is_fifo(work / "journal"));
}

// --check and --open read a saved campaign back and change nothing on disk.
TEST(Cli, CheckAndOpenReadSavedCampaigns)
{
    DemoGame game;
    ASSERT_EQ(game.run("--seed 5 --size huge --save --name Clean --json generated.json").status, 0);
    ASSERT_EQ(game.run("--seed 6 --save --name Broken").status, 0);
    const fs::path broken = game.dir.path() / "campaign/data/maps/broken.txt";
    std::string map = testing::read_bytes(broken);
    map.replace(map.find("Planets = "), 10, "Planets = 9");
    std::ofstream(broken, std::ios::binary | std::ios::trunc) << map;
    // A note each: a feature planet 0 of the broken one names that this program does not know,
    // and a stray file with a Windows-1252 name in another.
    const std::string line = "\r\n0 = campaign/data/encounters/broken/";
    const std::size_t entry = map.find(line) + line.size();
    const fs::path first = game.dir.path() / "campaign/data/encounters/broken" /
                           map.substr(entry, map.find("\r\n", entry) - entry);
    std::string encounter = testing::read_bytes(first);
    encounter.replace(encounter.find("[variables]\r\n"), 13, "[variables]\r\nWobble\r\n");
    std::ofstream(first, std::ios::binary | std::ios::trunc) << encounter;
    ASSERT_EQ(game.run("--seed 7 --clear-gates --save --name Noted").status, 0);
    std::ofstream(game.dir.path() / "campaign/data/encounters/noted/caf\xE9.txt") << "[config]\r\n";
    const auto before = testing::snapshot(game.dir.path(), true);
    struct Row {
        const char* args;
        int status;
        const char* out;
        const char* err;
    } rows[] = {
        {"--check clean", 0, "", "0 problems, 0 notes"},
        {"--check broken", 5, "broken.txt:8: Planets is 9", "1 problem, "},
        {"--check broken --json -", 5, "\"kind\": \"problem\"", "1 problem, "},
        {"--check noted", 0, "caf\xC3\xA9.txt: note: no entry of the map file names this file\n",
         "0 problems, 1 note\n"},
        {"--check broken", 5, "\"Wobble\" is unknown to this program (planet 0)\n", ""},
        {"--check noted --json -", 0, "\"file\": \"caf\xC3\xA9.txt\"", ""},
        // The demo template of one planet holds two factories, which the Save kept: the
        // template's own, no finding of the campaign.
        {"--check-all", 5,
         "broken: 1 problem, 1 note\nclean: 0 problems, 0 notes\nnoted: 0 problems, 1 note\n", ""},
        {"--check nothere", 1, "", "Cannot open file"},
        {"--open broken --save", 5, "", "(give --keep-problems to save it with them)"},
        {"--check ../x", 1, "", "is not a campaign id"},
        {"--check clean --save", 2, "", "change nothing"},
        {"--check clean --home 1", 2, "", "change nothing"},
        {"--open clean --move 0:5,5 --save", 2, "",
         "--move 0:5,5: Too close to the map's left edge"},
        {"--open clean --delete x --save", 2, "", "--delete wants P, not \"x\""},
        {"--open clean --move 0:999999,500 --save", 2, "", "Too close to the map's right edge"},
        {"--open clean --move 0:1000000,500 --save", 2, "",
         "--move wants P:X,Y, not \"0:1000000,500\""},
        {"--open clean --feature 0:A=B=on", 2, "", "There is no feature \"A=B\""},
        {"--open clean --home=1 --rename 2:\xC5\x81 --save", 2, "", "cannot show these characters"},
        {"--seed 5 --add 20,20 --add 20,20 --save", 2, "", "--add 20,20: Too close to"},
        {"--open clean --stats", 0, "jumpgates; the longest way between two planets", ""},
    };
    for (const Row& row : rows) {
        const auto r = game.run(row.args);
        EXPECT_EQ(r.status, row.status) << row.args << "\n" << r.err;
        EXPECT_NE(r.out.find(row.out), std::string::npos) << row.args << "\n" << r.out;
        EXPECT_NE(r.err.find(row.err), std::string::npos) << row.args << "\n" << r.err;
    }
    // --find-games from a home without Steam: the game folder it runs in, or a sentence.
    auto r = game.run("--find-games", "HOME=/nonexistent ");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, game.dir.str() + "\n");
    r = game.run("--find-games --game-dir /nonexistent", "HOME=/nonexistent ");
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find("no game folder found"), std::string::npos) << r.err;
    // A folder's name reaches the terminal with its control characters shown, not obeyed.
    TempDir other;
    fs::create_directory_symlink(game.dir.path(), other.path() / "evil\x1B[31m\r\nx");
    r = testing::run_command("HOME=/nonexistent " + std::string(ORVEK_CLI) +
                             " --find-games --game-dir \"$(printf '" + other.str() +
                             "/evil\\033[31m\\r\\nx')\"");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, other.str() + "/evil\\x1B[31m\\x0D\\x0Ax\n");
    const auto opened = game.run("--open clean --json -");
    ASSERT_EQ(opened.status, 0) << opened.err;
    const auto generated = nlohmann::json::parse(testing::read_bytes("generated.json"));
    const auto loaded = nlohmann::json::parse(opened.out);
    EXPECT_FALSE(loaded.contains("attempts"));
    EXPECT_TRUE(loaded["seed"].is_null()) << "an opened campaign has no seed";
    EXPECT_EQ(loaded["campaign_id"], "clean");
    EXPECT_EQ(loaded["home"], generated["home"]);
    ASSERT_EQ(loaded["planets"].size(), generated["planets"].size());
    for (std::size_t i = 0; i < loaded["planets"].size(); ++i)
        for (const char* key : {"x", "y", "name", "template", "links", "farthest", "home"})
            EXPECT_EQ(loaded["planets"][i][key], generated["planets"][i][key]) << i << " " << key;
    fs::remove("generated.json");
    // A name the game keeps in Windows-1252 is UTF-8 again in the JSON.
    const auto accented = game.run("--seed 5 --name '\xC3\x89toile' --json -");
    ASSERT_EQ(accented.status, 0) << accented.err;
    EXPECT_EQ(nlohmann::json::parse(accented.out)["campaign_name"], "\xC3\x89toile");
    EXPECT_EQ(testing::snapshot(game.dir.path(), true), before);
}

// Every campaign gets its line in --check-all: one whose map file is a link, a pipe, a folder or
// too large has its problem, and the others are still checked; nothing is written or followed.
TEST(Cli, CheckAllListsEveryCampaignAndOddOnes)
{
    DemoGame game;
    TempDir victim;
    victim.write("letter.txt", "[config]\r\nHomeworld = 0\r\n");
    ASSERT_EQ(game.run("--seed 5 --save --name Clean").status, 0);
    const fs::path maps = game.dir.path() / "campaign/data/maps";
    fs::create_symlink(victim.path() / "letter.txt", maps / "linked.txt");
    ASSERT_EQ(::mkfifo((maps / "piped.txt").c_str(), 0644), 0);
    fs::create_directory(maps / "folder.txt");
    std::ofstream(maps / "huge.txt").close();
    fs::resize_file(maps / "huge.txt", 65u << 20);
    const auto before = testing::snapshot(game.dir.path(), true);
    const auto victim_before = testing::snapshot(victim.path());
    const auto r = game.run("--check-all");
    EXPECT_EQ(r.status, 5) << r.err;
    for (const char* line : {"clean: 0 problems", "folder: 1 problem: ", "huge: 1 problem: ",
                             "linked: 1 problem: ", "piped: 1 problem: "})
        EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
    EXPECT_EQ(testing::snapshot(game.dir.path(), true), before);
    EXPECT_EQ(testing::snapshot(victim.path()), victim_before);
}

// A campaign folder "Alpha" beside a map "Alpha.txt": a Save of "Alpha" keeps that spelling
// rather than writing a second map "alpha.txt"; two spellings of one map are a problem.
TEST(Cli, AMapFileKeepsItsSpelling)
{
    DemoGame game;
    ASSERT_EQ(game.run("--seed 5 --save --name Alpha").status, 0);
    const fs::path data = game.dir.path() / "campaign/data";
    fs::rename(data / "maps/alpha.txt", data / "maps/Alpha.txt");
    fs::rename(data / "encounters/alpha", data / "encounters/Alpha");
    ASSERT_EQ(game.run("--seed 6 --save --name Alpha --overwrite").status, 0);
    EXPECT_TRUE(fs::exists(data / "maps/Alpha.txt"));
    EXPECT_FALSE(fs::exists(data / "maps/alpha.txt"));
    EXPECT_EQ(game.run("--check Alpha").status, 0);
    fs::copy_file(data / "maps/Alpha.txt", data / "maps/alpha.txt");
    const auto r = game.run("--check-all");
    EXPECT_EQ(r.status, 5);
    EXPECT_NE(r.out.find("1 problem"), std::string::npos) << r.out;
    EXPECT_NE(game.run("--check alpha").out.find("names the same campaign"), std::string::npos);
}

// A signal a second in ends the run with 130 and nothing written: during a long Generate, and
// while a batch's contact sheet is drawn (which takes seconds for 200 galaxies).
TEST(Cli, InterruptedRunWritesNothing)
{
    for (const char* args : {"--seed 1 --custom 175,9,99,1,1 --save --json j.png",
                             "--seed 1 --count 200 --png j.png"}) {
        DemoGame game;
        TempDir out;
        auto r = testing::run_command("{ cd '" + out.str() + "' && " + std::string(ORVEK_CLI) +
                                      " --quiet --game-dir '" + game.dir.str() + "' " + args +
                                      " & sleep 1; kill -INT $!; wait $!; }");
        EXPECT_EQ(r.status, 130) << args << "\n" << r.err;
        EXPECT_NE(r.err.find("interrupted"), std::string::npos) << r.err;
        EXPECT_EQ(game.saved_files(), 0u) << args;
        EXPECT_TRUE(fs::is_empty(out.path())) << args;
    }
}

TEST(Cli, CustomNumbersAreClamped)
{
    DemoGame game;
    auto r = game.run("--seed 8 --custom 0,1,0,2,3 --json -");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("seed 8"), std::string::npos) << "the summary leaves stdout to the JSON";
    auto json = nlohmann::json::parse(r.out);
    EXPECT_EQ(
        json["settings"],
        nlohmann::json::parse(R"({"planets":8,"wormholes":1,"join1":1,"join2":2,"join3":3})"));
    EXPECT_EQ(json["planets"].size(), 8u);
}

TEST(Cli, JsonLinksAreMutualAndHomeIsMarked)
{
    DemoGame game;
    TempDir out;
    const std::string file = (out.path() / "g.json").string();
    auto r = game.run("--seed 12 --size massive --save --level engine=everywhere --stats --json '" +
                      file + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    auto json = nlohmann::ordered_json::parse(testing::read_bytes(file));
    const auto& planets = json["planets"];
    std::vector<std::string> keys;
    for (auto it = json.begin(); it != json.end(); ++it)
        keys.push_back(it.key());
    EXPECT_EQ(keys, (std::vector<std::string>{"campaign_name", "campaign_id", "seed", "shape",
                                              "clear_gates", "background", "attempts", "settings",
                                              "home", "stats", "planets"}));
    EXPECT_EQ(json["shape"], "classic");
    EXPECT_EQ(json["seed"], 12);
    EXPECT_EQ(json["stats"]["links"].get<int>() * 2,
              std::accumulate(planets.begin(), planets.end(), 0,
                              [](int sum, auto& p) { return sum + int(p["links"].size()); }));
    EXPECT_NE(r.out.find("jumpgates; the longest way between two planets takes"),
              std::string::npos);
    // The figures in words and in the JSON are the same figures.
    const auto& stats = json["stats"];
    EXPECT_NE(r.out.find(std::to_string(stats["dead_ends"].get<int>()) + " dead ends, " +
                         std::to_string(stats["chokepoints"].get<int>()) + " chokepoints, " +
                         std::to_string(stats["bridges"].get<int>()) + " bridges\n"),
              std::string::npos)
        << r.out << stats.dump();
    int homes = 0;
    for (std::size_t p = 0; p < planets.size(); ++p) {
        homes += planets[p]["home"].get<bool>();
        for (int t : planets[p]["links"])
            EXPECT_NE(std::find(planets[t]["links"].begin(), planets[t]["links"].end(),
                                static_cast<int>(p)),
                      planets[t]["links"].end());
        EXPECT_EQ(planets[p]["features"][0], "ENGINES_REQUIRED");
    }
    EXPECT_EQ(homes, 1);
    EXPECT_TRUE(planets[json["home"].get<int>()]["home"].get<bool>());
    EXPECT_NE(r.out.find("saved"), std::string::npos);
}

// A template's file name is the game's, in Windows-1252; the JSON holds it in UTF-8 (a byte
// left as it is would not even be valid JSON text).
TEST(Cli, JsonNamesTemplatesInUtf8)
{
    DemoGame game;
    for (const auto& entry :
         fs::directory_iterator(game.dir.path() / "campaign/data/encounters/all")) {
        fs::path renamed = entry.path();
        renamed.replace_filename(entry.path().stem().string() + "\xe9.txt");
        fs::rename(entry.path(), renamed);
    }
    const auto r = game.run("--seed 3 --json -");
    ASSERT_EQ(r.status, 0) << r.err;
    const nlohmann::json galaxy = nlohmann::json::parse(r.out);
    for (const auto& planet : galaxy["planets"])
        EXPECT_TRUE(planet["template"].get<std::string>().ends_with("\u00e9.txt"))
            << planet["template"];
}

// Each --level list sets its own features: with it everywhere and every other list at none,
// each planet but the home planet holds one feature of that list and nothing else.
TEST(Cli, EachLevelListItsOwnFeatures)
{
    DemoGame game;
    const std::pair<std::string, std::vector<std::string>> lists[] = {
        {"engine", {"ENGINES_REQUIRED"}},
        {"shield", {"SHIELDS_INOPERABLE"}},
        {"fighter", {"FIGHTERS_INOPERABLE"}},
        {"cruiser", {"CRUISERS_INOPERABLE"}},
        {"cloak", {"CLOAK_INOPERABLE"}},
        {"tractor", {"TRACTOR_INOPERABLE"}},
        {"repair", {"REPAIR_INOPERABLE"}},
        {"academy", {"smallacademy", "largeacademy"}},
        {"shipyard", {"shipyarda", "shipyardb", "shipyardc"}},
        {"factory", {"smallfactory", "mediumfactory", "largefactory"}},
        {"repairyard", {"repairyard"}}};
    for (const auto& [list, keywords] : lists) {
        std::string args = "--seed 8 --size small --name Levels --save --overwrite "
                           "--write-inhibitions --write-facilities --json -";
        for (const auto& other : lists)
            args += " --level " + other.first + "=" + (other.first == list ? "everywhere" : "none");
        const auto r = game.run(args);
        ASSERT_EQ(r.status, 0) << list << ": " << r.err;
        const nlohmann::json galaxy = nlohmann::json::parse(r.out);
        ASSERT_GE(galaxy["planets"].size(), 8u) << list;
        for (const auto& planet : galaxy["planets"]) {
            if (planet["home"].get<bool>())
                continue;
            ASSERT_EQ(planet["features"].size(), 1u) << list << ": " << planet["features"];
            EXPECT_NE(std::find(keywords.begin(), keywords.end(), planet["features"][0]),
                      keywords.end())
                << list << ": " << planet["features"];
        }
    }
    // Each level's word takes that level's share of the planets, the home planet aside.
    const struct {
        const char* word;
        double lowest, highest;
    } shares[] = {{"rare", 0.1, 0.3}, {"normal", 0.4, 0.6}, {"common", 0.6, 0.8}};
    for (const auto& share : shares) {
        const auto r = game.run("--seed 8 --size massive --name Levels --save --overwrite "
                                "--write-inhibitions --json - --level engine=" +
                                std::string(share.word));
        ASSERT_EQ(r.status, 0) << share.word << ": " << r.err;
        const nlohmann::json galaxy = nlohmann::json::parse(r.out);
        const double others = static_cast<double>(galaxy["planets"].size()) - 1;
        int held = 0;
        for (const auto& planet : galaxy["planets"])
            held += !planet["home"].get<bool>() &&
                    std::count(planet["features"].begin(), planet["features"].end(),
                               "ENGINES_REQUIRED");
        EXPECT_GE(held, share.lowest * others - 1) << share.word;
        EXPECT_LT(held, share.highest * others) << share.word;
    }
}

TEST(Cli, PngOfTheMap)
{
    DemoGame game;
    TempDir out;
    const std::string file = (out.path() / "map.png").string();
    ASSERT_EQ(game.run("--seed 3 --png '" + file + "'").status, 0);
    EXPECT_EQ(testing::read_bytes(file).substr(1, 3), "PNG");
    // With --features the planets' features are drawn as badges with their legend.
    ASSERT_EQ(game.run("--seed 3 --name Yards --save --level shipyard=everywhere "
                       "--write-facilities")
                  .status,
              0);
    const std::string plain = (out.path() / "plain.png").string(),
                      badges = (out.path() / "badges.png").string();
    ASSERT_EQ(game.run("--open yards --png '" + plain + "'").status, 0);
    ASSERT_EQ(game.run("--open yards --png='" + badges + "' --features shipyard").status, 0);
    EXPECT_NE(testing::read_bytes(plain), testing::read_bytes(badges));
    EXPECT_EQ(game.run("--open yards --png '" + badges + "' --features docks").status, 2);
}

// Work the window kept is listed and saved without a display: --recover lists the copies of
// windows that ended, --recover N --save saves one as a campaign and deletes its copy.
TEST(Cli, RecoverListsAndSavesTheWindowsCopies)
{
    DemoGame game;
    TempDir state;
    const std::string env = "XDG_STATE_HOME='" + state.str() + "' ";
    EXPECT_NE(game.run("--recover", env).out.find("No unsaved work is kept"), std::string::npos);
    const nlohmann::json made = nlohmann::json::parse(game.run("--seed 5 --json -").out);
    nlohmann::json copy = {
        {"format", 1},
        {"game_folder", game.dir.str()},
        {"time", 1765200000},
        {"edits", 3},
        {"campaign_name", "Kept Reach"},
        {"source", {{"kind", "none"}}},
        {"background", game.dir.str() + "/" + made["background"].get<std::string>()}};
    for (nlohmann::json planet : made["planets"]) {
        planet["features"] = planet["set"] = std::string(16, '0');
        planet["source"] = -1;
        planet["unread"] = false;
        copy["planets"].push_back(planet);
    }
    state.write("orvek-galaxy-generator/unsaved-0-1-1.json", copy.dump());
    state.write("orvek-galaxy-generator/unsaved-0-2-2.json", "{\"format\": 1, \"ti");
    const auto listed = game.run("--recover", env);
    ASSERT_EQ(listed.status, 0) << listed.err;
    EXPECT_NE(listed.out.find("1  2025-12-"), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find("\"Kept Reach\"  " + std::to_string(made["planets"].size()) +
                              " planets, 3 edits, a new campaign"),
              std::string::npos)
        << listed.out;
    EXPECT_NE(listed.out.find("2  unsaved-0-2-2.json: The recovery copy is damaged"),
              std::string::npos)
        << listed.out;
    EXPECT_EQ(game.run("--recover 2 --save", env).status, 2);
    EXPECT_EQ(game.run("--recover 3 --save", env).status, 2);
    EXPECT_EQ(game.run("--recover 0 --save", env).status, 2);
    const auto saved = game.run("--recover 1 --save", env);
    ASSERT_EQ(saved.status, 0) << saved.err;
    EXPECT_TRUE(fs::exists(game.dir.path() / "campaign/data/maps/keptreach.txt"));
    EXPECT_FALSE(fs::exists(state.path() / "orvek-galaxy-generator/unsaved-0-1-1.json"));
    EXPECT_EQ(game.run("--check keptreach").status, 0);
    // Work of a campaign opened, which changed on disk since, is saved as a new campaign; the
    // one on disk stays as it is.
    fs::remove(state.path() / "orvek-galaxy-generator/unsaved-0-2-2.json");
    // It goes where --game-dir says, under the name --name gives.
    copy["source"] = {{"kind", "opened"}, {"id", "keptreach"}, {"fingerprint", "0"}};
    copy["campaign_name"] = "Not This Name";
    copy["edits"] = 1;
    copy["game_folder"] = "/nonexistent";
    state.write("orvek-galaxy-generator/unsaved-0-3-3.json", copy.dump());
    EXPECT_NE(game.run("--recover", env).out.find("1 edit, opened campaign keptreach"),
              std::string::npos);
    const auto kept = testing::snapshot(game.dir.path() / "campaign/data");
    const auto again = game.run("--recover 1 --save --name 'Kept Again'", env);
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_NE(again.err.find("the campaign changed on disk since; the work is saved as a new "
                             "campaign"),
              std::string::npos)
        << again.err;
    const auto now =
        testing::snapshot(game.dir.path() / "campaign/data", false, [](const std::string& path) {
            return path.find("keptagain") == std::string::npos;
        });
    EXPECT_EQ(now, kept);
    EXPECT_EQ(game.run("--check keptagain").status, 0);
}

}  // namespace
}  // namespace orvek
