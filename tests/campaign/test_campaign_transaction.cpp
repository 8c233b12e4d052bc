// SPDX-License-Identifier: GPL-3.0-or-later
// The recovery at start-up against work folders that a shared archive or a damaged disk could
// hold: each row plants one beside a saved campaign and a "victim" folder outside the game
// folder, and the recovery must change nothing anywhere and say what it found.

#include "campaign/campaign_transaction.h"
#include "campaign/save_places.h"

#include "core/random.h"
#include "campaign/save.h"
#include "support/yes_dialog.h"
#include "campaign/save_journal.h"
#include "gamedata/game_folder.h"
#include "support/game_copy.h"
#include "support/saved_campaign.h"
#include "support/small_galaxy.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace fs = std::filesystem;

namespace orvek {
namespace {

using testing::TempDir;

// Files by size and hash, so that a failure prints short.
std::map<std::string, std::string> short_snapshot(const fs::path& root)
{
    return testing::snapshot(root, true);
}

struct Hostile : ::testing::Test {
    TempDir game, victim;
    GameFolder folder{game.str()};
    std::vector<std::string> mine;  // the files of the player's campaign "mine"

    void SetUp() override
    {
        for (const Planet& planet : testing::save_mine(game, folder).planets)
            mine.push_back(planet.template_file);
        game.write("campaign/data/encounters/mine/notes.txt", "the player's own notes");
        victim.write("letter.txt", "dear");
        victim.write("campaign_all_001.txt", "not a template");
        victim.write("photos/a.jpg", "jpeg");
    }
    fs::path data() const { return game.path() / "campaign/data"; }
    fs::path work() const { return data() / ".orvek-save"; }
    // The victim folder as seen from the encounters folder, to climb out with "..".
    std::string climb() const
    {
        return fs::relative(victim.path(), data() / "encounters").string();
    }
    // A work folder as a Save makes it, with one new file waiting, and the journal's text.
    void plant(const std::string& journal) const
    {
        game.write("campaign/data/.orvek-save/new/campaign_all_001.txt", "new");
        game.mkdir("campaign/data/.orvek-save/old");
        if (!journal.empty())
            game.write("campaign/data/.orvek-save/journal", journal);
    }
    static std::string journal(const std::string& folder, const std::string& map,
                               const std::vector<std::string>& files)
    {
        std::string text = "orvek-save 1\nfolder " + folder + "\ncreated 0\nmap " + map + "\n";
        for (const std::string& name : files)
            text += "new " + name + "\n";
        return text + "end\n";
    }
    void link(const fs::path& target, const std::string& at) const
    {
        fs::remove_all(game.path() / at);
        fs::create_directories((game.path() / at).parent_path());
        fs::create_symlink(target, game.path() / at);
    }
};

TEST_F(Hostile, NothingOutsideTheGameFolderNorInItChanges)
{
    const std::string v = victim.str();
    const std::string ok_file = "campaign_all_001.txt";
    struct Row {
        const char* name;
        std::function<void(const Hostile&)> plant;
        std::string found;  // what the report must say
    } rows[] = {
        {"campaign folder climbing out",
         [&](const Hostile& h) { h.plant(journal(h.climb(), "x.txt", {ok_file})); },
         "is not a campaign name"},
        {"absolute campaign folder",
         [&](const Hostile& h) { h.plant(journal(v, "x.txt", {ok_file})); },
         "is not a campaign name"},
        {"drive and backslashes",
         [&](const Hostile& h) { h.plant(journal("C:\\..\\victim", "c.txt", {ok_file})); },
         "is not a campaign name"},
        {"the game's own templates",
         [&](const Hostile& h) { h.plant(journal("all", "all.txt", {ok_file})); },
         "\"all\", which is not a campaign name"},
        {"ALL in capitals",
         [&](const Hostile& h) { h.plant(journal("ALL", "all.txt", {ok_file})); },
         "is not a campaign name"},
        {"a folder name too long to make",
         [&](const Hostile& h) {
             h.plant(journal(std::string(300, 'a'), std::string(300, 'a') + ".txt", {ok_file}));
         },
         "is not a campaign name"},
        {"map climbing out",
         [&](const Hostile& h) {
             h.plant(journal("mine", "../../../" + h.climb() + "/letter.txt", {ok_file}));
         },
         "names the map file"},
        {"absolute map",
         [&](const Hostile& h) { h.plant(journal("mine", v + "/letter.txt", {ok_file})); },
         "names the map file"},
        {"new file climbing out",
         [&](const Hostile& h) {
             h.plant(journal("mine", "mine.txt", {"../" + h.climb() + "/letter.txt"}));
         },
         "not a plain file name"},
        {"absolute new file",
         [&](const Hostile& h) { h.plant(journal("mine", "mine.txt", {v + "/letter.txt"})); },
         "not a plain file name"},
        {"new file \"..\"", [&](const Hostile& h) { h.plant(journal("mine", "mine.txt", {".."})); },
         "not a plain file name"},
        {"a file named twice",
         [&](const Hostile& h) {
             h.plant(journal("mine", "mine.txt", {ok_file, ok_file}));
         },
         "twice"},
        {"NUL in a name",
         [&](const Hostile& h) { h.plant(journal("mine", "mine.txt", {"a%00b.txt"})); },
         "not a plain file name"},
        {"CR LF in a name",
         [&](const Hostile& h) {
             h.plant(journal("mine", "mine.txt", {"a%0D%0APlanets = 3.txt"}));
         },
         "not a plain file name"},
        {"DEL in a name",
         [&](const Hostile& h) { h.plant(journal("mine", "mine.txt", {"a\x7f.txt"})); },
         "not a plain file name"},
        {"broken escape", [&](const Hostile& h) { h.plant(journal("mine", "mine.txt", {"%G1"})); },
         "broken escape"},
        {"no new file", [&](const Hostile& h) { h.plant(journal("mine", "mine.txt", {})); },
         "the journal names 0 files"},
        {"a line no save writes",
         [&](const Hostile& h) {
             h.plant("orvek-save 1\nfolder mine\ncreated 0\nmap mine.txt\ndelete /\nend\n");
         },
         "a line no save writes"},
        {"torn after the commit",
         [&](const Hostile& h) {
             std::string text = journal("mine", "mine.txt", {ok_file});
             h.plant(text.substr(0, text.size() - 4));
             fs::rename(h.data() / "encounters/mine" / h.mine[1], h.work() / "old" / h.mine[1]);
         },
         "incomplete. Nothing was changed. Before you remove it, look inside: its folder \"old\" "
         "holds 1 file moved out of a campaign's folder in "},
        {"torn with the old map file aside",
         [&](const Hostile& h) {
             std::string text = journal("mine", "mine.txt", {ok_file});
             h.plant(text.substr(0, text.size() - 4));
             fs::rename(h.data() / "maps/mine.txt", h.work() / "old-map.txt");
         },
         "look inside: \"old-map.txt\" is a map file moved out of "},
        {"a 100 MB journal",
         [&](const Hostile& h) {
             h.plant("x");
             fs::resize_file(h.work() / "journal", 100'000'000);
         },
         "holds more than"},
        {"journal is a folder",
         [&](const Hostile& h) {
             h.plant("");
             h.game.mkdir("campaign/data/.orvek-save/journal");
         },
         "is a folder, not a file"},
        {"work folder is a file",
         [&](const Hostile& h) { h.game.write("campaign/data/.orvek-save", "x"); },
         "is a file, not a folder"},
        {"the player's own files named as new",
         [&](const Hostile& h) {
             h.plant(journal("mine", "mine.txt", {h.mine[0], h.mine[1]}));
             fs::remove(h.work() / "new" / ok_file);
         },
         "which the journal does not name"},
        {"a campaign that no longer exists",
         [&](const Hostile& h) { h.plant(journal("gone", "gone.txt", {"campaign_all_999.txt"})); },
         "neither in the work folder nor in the campaign folder"},
        {"an entry no save makes",
         [&](const Hostile& h) {
             h.plant("");
             h.game.write("campaign/data/.orvek-save/evil", "x");
         },
         "which no save makes"},
        {"moved files but no journal",
         [&](const Hostile& h) {
             h.plant("");
             h.game.write("campaign/data/.orvek-save/old/" + h.mine[0], "x");
         },
         "no journal naming it"},
        {"a folder among the new files",
         [&](const Hostile& h) {
             h.plant(journal("mine", "mine.txt", {ok_file}));
             h.game.mkdir("campaign/data/.orvek-save/new/sub");
         },
         "which is not a file a save writes"},
        {"a folder among the old files",
         [&](const Hostile& h) {
             h.plant("");
             h.game.mkdir("campaign/data/.orvek-save/old/sub");
         },
         "which no save moves"},
        {"a journal without its folder \"new\"",
         [&](const Hostile& h) {
             h.plant(journal("mine", "mine.txt", {ok_file}));
             fs::remove_all(h.work() / "new");
         },
         "not the folders \"new\" and \"old\""},
        {"a journal without its folder \"old\"",
         [&](const Hostile& h) {
             h.plant(journal("mine", "mine.txt", {ok_file}));
             fs::remove_all(h.work() / "old");
         },
         "not the folders \"new\" and \"old\""},
        {"a map file in neither place",
         [&](const Hostile& h) {
             h.plant(journal("mine", "mine.txt", {ok_file}));
             fs::remove(h.data() / "maps/mine.txt");
         },
         "names the map file \"mine.txt\", which is neither in the work folder nor in the maps"},
#ifndef _WIN32
        // Links and pipes, as a POSIX archive unpacks them.
        {"journal is a pipe",
         [&](const Hostile& h) {
             h.plant("");
             ASSERT_EQ(::mkfifo((h.work() / "journal").c_str(), 0666), 0);
         },
         "is a pipe or a device"},
        {"journal links to /dev/zero",
         [&](const Hostile& h) {
             h.plant("");
             h.link("/dev/zero", "campaign/data/.orvek-save/journal");
         },
         "is a link"},
        {"journal links to the victim",
         [&](const Hostile& h) {
             h.plant("");
             h.link(h.victim.path() / "letter.txt", "campaign/data/.orvek-save/journal");
         },
         "is a link"},
        {"work folder links to the victim",
         [&](const Hostile& h) { h.link(h.victim.path(), "campaign/data/.orvek-save"); },
         "is a link, not a folder"},
        {"\"new\" links to the victim",
         [&](const Hostile& h) {
             h.plant(journal("mine", "mine.txt", {ok_file}));
             h.link(h.victim.path(), "campaign/data/.orvek-save/new");
         },
         "is a link, not a folder"},
        {"\"old\" links to the victim",
         [&](const Hostile& h) {
             h.plant(journal("mine", "mine.txt", {ok_file}));
             h.link(h.victim.path(), "campaign/data/.orvek-save/old");
         },
         "is a link, not a folder"},
        {"campaign folder links to the victim",
         [&](const Hostile& h) {
             h.plant(journal("elsewhere", "elsewhere.txt", {ok_file}));
             h.link(h.victim.path(), "campaign/data/encounters/elsewhere");
         },
         "is a link, not a folder"},
        {"map file links to the victim",
         [&](const Hostile& h) {
             h.plant(journal("mine", "mine.txt", {ok_file}));
             h.game.write("campaign/data/.orvek-save/map.txt", "map");
             h.link(h.victim.path() / "letter.txt", "campaign/data/maps/mine.txt");
         },
         "is a link, not a file"},
        {"maps folder links to the victim",
         [&](const Hostile& h) {
             h.plant(journal("mine", "mine.txt", {ok_file}));
             h.game.write("campaign/data/.orvek-save/map.txt", "map");
             fs::rename(h.data() / "maps", h.data() / "maps.real");
             h.link(h.victim.path(), "campaign/data/maps");
         },
         "is a link, not a folder"},
#endif
    };
    for (const Row& row : rows) {
        SetUp();
        row.plant(*this);
        const auto game_before = short_snapshot(game.path());
        const auto victim_before = short_snapshot(victim.path());
        const std::string report = recover_interrupted_save(folder);
        EXPECT_NE(report.find(row.found), std::string::npos) << row.name << ": " << report;
        try {
            const CampaignTransaction save(folder);
            ADD_FAILURE() << row.name << ": a Save went on beside the work folder";
        } catch (const Error& e) {
            EXPECT_EQ(e.what(), report) << row.name << ": a Save refuses with the same report";
        }
        EXPECT_NE(report.find("could not be checked"), std::string::npos) << row.name;
        EXPECT_EQ(short_snapshot(victim.path()), victim_before) << row.name;
        EXPECT_EQ(short_snapshot(game.path()), game_before) << row.name;
        EXPECT_EQ(report, recover_interrupted_save(folder)) << row.name << ": said again, same";
        for (const auto& entry : fs::directory_iterator(game.path()))
            fs::remove_all(entry.path());
        for (const auto& entry : fs::directory_iterator(victim.path()))
            fs::remove_all(entry.path());
    }
}

// A work folder that a Save killed after its commit really leaves is still completed: the player's
// own file in the campaign folder goes with the old campaign, or, in a campaign saved back under
// its own name, stays.
void complete_interrupted_save(Hostile& h, bool keep_others)
{
    SaveJournal j{"mine", false, "mine.txt", {"campaign_all_001.txt"}, keep_others, {}};
    if (keep_others)
        j.old_files = h.mine;
    h.plant(journal_text(j));
    h.game.write("campaign/data/.orvek-save/map.txt", "new map");
    for (const std::string& name : h.mine)
        fs::rename(h.data() / "encounters/mine" / name, h.work() / "old" / name);
    EXPECT_EQ(recover_interrupted_save(h.folder), "");
    EXPECT_FALSE(fs::exists(h.work()));
    EXPECT_EQ(testing::read_bytes(h.data() / "encounters/mine/campaign_all_001.txt"), "new");
    EXPECT_EQ(testing::read_bytes(h.data() / "maps/mine.txt"), "new map");
    EXPECT_EQ(fs::exists(h.data() / "encounters/mine/notes.txt"), keep_others);
}

// Rolled forward and back (each twice, as after an interruption), then abandoned: the game folder
// is as it was, a first Save's new campaign folder, a replaced map file and a file of the player's
// that a new file replaced included.
TEST_F(Hostile, RollingBackUndoesRollingForward)
{
    const struct {
        const char* name;
        const char* folder;
        bool keep_others;
        const char* new_file;
    } rows[] = {{"a first save", "fresh", false, "campaign_all_001.txt"},
                {"a save over a campaign", "mine", false, "campaign_all_001.txt"},
                {"a save back", "mine", true, "campaign_all_001.txt"},
                {"a save back over a file its map did not name", "mine", true, "notes.txt"}};
    for (const auto& row : rows) {
        const auto before = short_snapshot(game.path());
        SavePlaces p(folder);
        p.journal = {
            row.folder,     false,           std::string(row.folder) + ".txt",
            {row.new_file}, row.keep_others, row.keep_others ? mine : std::vector<std::string>()};
        p.open_campaign();
        p.journal.created_folder = !p.campaign;
        p.data.create_folder(kWork);
        p.work = p.data.sub(kWork);
        p.work->create_folder(kNewFiles);
        p.new_files = p.work->sub(kNewFiles);
        p.work->create_folder(kOldFiles);
        p.old_files = p.work->sub(kOldFiles);
        p.new_files->write_file(row.new_file, "new");
        p.work->write_file(kNewMap, "new map");
        roll_forward(p);
        roll_forward(p);
        EXPECT_EQ(testing::read_bytes(p.maps->path_of(p.journal.map_name)), "new map") << row.name;
        EXPECT_EQ(fs::exists(data() / "encounters/mine/notes.txt"),
                  row.keep_others || row.folder != std::string("mine"))
            << row.name;
        roll_back(p);
        roll_back(p);
        abandon(p);
        EXPECT_EQ(short_snapshot(game.path()), before) << row.name;
    }
}

// A removal that fails once is tried once more; one that fails twice fails.
TEST(SavePlaces, ARemovalIsTriedTwice)
{
    for (const int failures : {1, 2}) {
        int calls = 0;
        const auto remove = [&] {
            if (++calls <= failures)
                throw Error("in use");
        };
        if (failures == 1)
            EXPECT_NO_THROW(with_one_retry(remove));
        else
            EXPECT_THROW(with_one_retry(remove), Error);
        EXPECT_EQ(calls, 2) << failures;
    }
}

// A Save stops before its commit, and leaves the game folder as it was, when its campaign folder
// is a file, or when the next start would not trust its journal (more files than a galaxy has
// planets).
TEST_F(Hostile, WhatASaveRefusesBeforeItsCommit)
{
    game.write("campaign/data/encounters/plain", "not a folder");
    const auto before = short_snapshot(game.path());
    {
        CampaignTransaction save(folder);
        try {
            save.begin("plain", "plain.txt");
            ADD_FAILURE() << "begun";
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find("plain\" is a file, not a folder"),
                      std::string::npos)
                << e.what();
        }
    }
    {
        CampaignTransaction save(folder);
        save.begin("mine", "mine.txt");
        for (int i = 0; i <= kMostPlanets; ++i)
            save.stage_encounter("campaign_all_" + std::to_string(1000 + i) + ".txt", "x");
        save.stage_map("map");
        try {
            save.commit();
            ADD_FAILURE() << "committed";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()).rfind("Cannot save this campaign: ", 0), 0u)
                << e.what();
        }
    }
    EXPECT_EQ(short_snapshot(game.path()), before);
}

// A work folder that cannot be removed once the campaign is saved (here a folder where only files
// go) is said, not hidden, and the campaign stands whole.
TEST_F(Hostile, AWorkFolderLeftAfterTheCommitIsSaid)
{
    std::string said;
    {
        CampaignTransaction save(folder);
        save.begin("mine", "mine.txt");
        save.stage_encounter("campaign_all_001.txt", "new");
        save.stage_map("new map");
        fs::create_directory(work() / "old" / "stuck");
        try {
            save.commit();
        } catch (const Error& e) {
            said = e.what();
        }
    }
    EXPECT_EQ(said.rfind("The campaign was saved, but its work folder could not be removed (", 0),
              0u)
        << said;
    EXPECT_NE(said.find("); it is removed at the next start."), std::string::npos) << said;
    EXPECT_EQ(testing::read_bytes(data() / "maps/mine.txt"), "new map");
    EXPECT_EQ(testing::read_bytes(data() / "encounters/mine/campaign_all_001.txt"), "new");
    // Once what held it is gone, the next start removes it as the message promised.
    fs::remove(work() / "old" / "stuck");
    EXPECT_EQ(recover_interrupted_save(folder), "");
    EXPECT_FALSE(fs::exists(work()));
    EXPECT_EQ(testing::read_bytes(data() / "maps/mine.txt"), "new map");
}

// A journal reads back as written, the old files of a save back and odd bytes in names included.
TEST(SaveJournal, ReadsBackAsWritten)
{
    SaveJournal j{"Mine",     true,
                  "Mine.txt", {"a%b.txt", "campaign_all_001.txt"},
                  true,       {"campaign_all_002.txt", "campaign_all_001.txt"}};
    const JournalReading read = read_journal(journal_text(j));
    ASSERT_TRUE(read.journal) << read.problem;
    EXPECT_EQ(*read.journal, j);
    // A save back whose old map file named no file still keeps the others.
    j.old_files.clear();
    EXPECT_EQ(read_journal(journal_text(j)).journal, j);
}

// What no Save writes is a journal's problem; what a Save may write is none.
TEST(SaveJournal, WhatNoSaveWrites)
{
    const auto files = [](int count) {
        std::vector<std::string> names;
        for (int i = 0; i < count; ++i)
            names.push_back("campaign_all_" + std::to_string(1000 + i).substr(1) + ".txt");
        return names;
    };
    struct Row {
        const char* name;
        std::function<void(SaveJournal&)> change;
        std::string problem;
    } rows[] = {
        {"as a Save writes it", [](SaveJournal&) {}, ""},
        {"the map in another letter case", [](SaveJournal& j) { j.map_name = "MINE.txt"; }, ""},
        {"a file for each of the most planets",
         [&](SaveJournal& j) { j.new_files = files(kMostPlanets); }, ""},
        {"a file more", [&](SaveJournal& j) { j.new_files = files(kMostPlanets + 1); },
         "the journal names " + std::to_string(kMostPlanets + 1) + " files"},
        {"an old file without keeping the others",
         [](SaveJournal& j) { j.old_files = {"campaign_all_002.txt"}; },
         "the journal names old files without keeping the others"},
    };
    for (const Row& row : rows) {
        SaveJournal j{"mine", false, "mine.txt", {"campaign_all_001.txt"}, false, {}};
        row.change(j);
        EXPECT_EQ(journal_problem(j), row.problem) << row.name;
    }
    // A line a Save writes once is refused when it comes twice, whichever it is.
    for (const std::string key : {"folder", "created", "map", "keep"}) {
        const std::string text = "orvek-save 1\nfolder mine\ncreated 0\nmap mine.txt\nkeep 1\n"
                                 "new a.txt\n";
        const std::size_t line = text.find("\n" + key + " ") + 1;
        const JournalReading twice =
            read_journal(text + text.substr(line, text.find('\n', line) + 1 - line) + "end\n");
        EXPECT_EQ(twice.problem, "the journal has two \"" + key + "\" lines") << key;
    }
    // An escaped byte is read as the byte its two hex digits name, letters included.
    const JournalReading read = read_journal(
        "orvek-save 1\nfolder mine\ncreated 0\nmap mine.txt\nnew a%7F.txt\nend\n");
    EXPECT_FALSE(read.journal);
    EXPECT_NE(read.problem.find("\"a%7F.txt\", which is not a plain file name"), std::string::npos)
        << read.problem;
}

TEST_F(Hostile, AGenuineInterruptedSaveIsCompleted)
{
    complete_interrupted_save(*this, false);
}

TEST_F(Hostile, AnInterruptedSaveBackKeepsThePlayersFiles)
{
    complete_interrupted_save(*this, true);
}

}  // namespace
}  // namespace orvek
