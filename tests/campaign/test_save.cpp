// SPDX-License-Identifier: GPL-3.0-or-later
#include "campaign/save.h"

#include "core/error.h"
#include "core/generate_command.h"
#include "core/random.h"
#include "campaign/campaign_reader.h"
#include "campaign/campaign_transaction.h"
#include "gamedata/file_system.h"
#include "gamedata/game_folder.h"
#include "gamedata/game_services.h"
#include "gamedata/names.h"
#include "gamedata/text_file.h"
#include "support/game_copy.h"
#include "support/small_galaxy.h"
#include "support/temp_dir.h"
#include "support/yes_dialog.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <map>

namespace fs = std::filesystem;

namespace orvek {
namespace {

using testing::TempDir;

struct ScriptedDialog : SaveDialog {
    bool answer = true;
    std::vector<std::string> messages, questions;
    void inform(const std::string& message) override { messages.push_back(message); }
    bool confirm(const std::string& question) override
    {
        questions.push_back(question);
        return answer;
    }
};

using testing::snapshot;

struct SaveFixture : ::testing::Test {
    TempDir dir;
    GameFolder folder{dir.str()};
    Galaxy galaxy;
    Random random{1234};
    ScriptedDialog dialog;
    SaveRequest request;

    void SetUp() override
    {
        testing::make_small_game(dir, 40);
        galaxy = testing::generate_in(folder, random);
        request.campaign_name = "Silver Reach";
    }
    fs::path campaign() const { return dir.path() / "campaign/data/encounters/silverreach"; }
    fs::path map() const { return dir.path() / "campaign/data/maps/silverreach.txt"; }
    std::string error_of_save()
    {
        try {
            save_campaign(galaxy, request, folder, random, dialog);
        } catch (const Error& e) {
            return e.what();
        }
        return "(no error)";
    }
};

TEST_F(SaveFixture, FirstSaveWritesEveryFileWithoutAsking)
{
    EXPECT_EQ(save_campaign(galaxy, request, folder, random, dialog), SaveResult::Saved);
    EXPECT_TRUE(dialog.questions.empty());
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(campaign())) {
        EXPECT_EQ(entry.path().filename().string().rfind("campaign_all_", 0), 0u);
        ++files;
    }
    EXPECT_EQ(files, galaxy.planets.size());
    std::string map = testing::read_bytes(this->map());
    EXPECT_EQ(map.rfind("[config]\r\nHomeworld = ", 0), 0u);
    EXPECT_NE(map.find("GUIName = Silver Reach\r\n"), std::string::npos);
}

TEST_F(SaveFixture, NothingGeneratedAndUnusableNames)
{
    Galaxy empty;
    EXPECT_EQ(save_campaign(empty, request, folder, random, dialog), SaveResult::NothingGenerated);
    // A name one letter longer than a campaign's name may be ("-" makes no id letter).
    for (const std::string& name : {std::string("--"), std::string("A.L.L."),
                                    "a" + std::string(kMaxCampaignNameLength, '-')}) {
        request.campaign_name = name;
        EXPECT_EQ(save_campaign(galaxy, request, folder, random, dialog), SaveResult::Refused);
    }
    ASSERT_EQ(dialog.messages.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(dialog.messages.begin(), dialog.messages.begin() + 3),
              (std::vector<std::string>{kNothingGenerated, kNeedsLetterOrDigit, kAllIsReserved}));
    EXPECT_NE(dialog.messages[3].find("more than 255 characters"), std::string::npos);
    // An id as long as the campaign's files can be named by is taken, one letter more is not.
    std::size_t longest = 0;
    for (const Planet& p : galaxy.planets)
        longest = std::max(longest, p.template_file.size());
    const std::size_t limit = campaign_id_limit(folder, longest);
    ASSERT_GT(limit, 20u);
    EXPECT_EQ(campaign_name_refusal(std::string(limit, 'a'), galaxy, folder), "");
    EXPECT_EQ(campaign_name_refusal(std::string(limit + 1, 'a'), galaxy, folder),
              campaign_id_too_long(limit));
    // A galaxy of which eleven planets cannot be reached names ten of them and counts the last.
    Galaxy cut = galaxy;
    cut.planets.resize(12);
    for (Planet& p : cut.planets) {
        p.links.clear();
        p.home = false;
    }
    request.campaign_name = "Cut Off";
    try {
        save_campaign(cut, request, folder, random, dialog);
    } catch (const Error&) {
    }
    const std::string& refusal = dialog.messages.back();
    EXPECT_NE(refusal.find(" and 1 more. Join them"), std::string::npos) << refusal;
    std::size_t titles = 0;
    for (std::size_t at = 0; (at = refusal.find("(planet ", at)) != std::string::npos; ++at)
        ++titles;
    EXPECT_EQ(titles, 11u) << "the home planet and ten others: " << refusal;
    EXPECT_TRUE(fs::is_empty(dir.path() / "campaign/data/maps"));
}

TEST_F(SaveFixture, SecondSaveAsksAndNoChangesNothing)
{
    request.levels.inhibitions.fill(FrequencyLevel::None);
    request.levels.inhibitions[4] = FrequencyLevel::Everywhere;
    save_campaign(galaxy, request, folder, random, dialog);
    auto before = snapshot(dir.path());
    dialog.answer = false;
    request.levels.inhibitions[4] = FrequencyLevel::None;
    EXPECT_EQ(save_campaign(galaxy, request, folder, random, dialog), SaveResult::NotConfirmed);
    EXPECT_EQ(dialog.questions, (std::vector<std::string>{kOverwriteQuestion}));
    EXPECT_EQ(snapshot(dir.path()), before);
    for (const Planet& p : galaxy.planets)
        EXPECT_FALSE(p.features[4]) << "each Save assigns afresh, even one that is not confirmed";
}

TEST_F(SaveFixture, ConfirmedSaveReplacesFilesAndKeepsSubfolders)
{
    save_campaign(galaxy, request, folder, random, dialog);
    dir.write("campaign/data/encounters/silverreach/notes.txt", "mine");
    dir.write("campaign/data/encounters/silverreach/sub/keep.txt", "kept");
    request.options.write_inhibitions = true;
    EXPECT_EQ(save_campaign(galaxy, request, folder, random, dialog), SaveResult::Saved);
    EXPECT_FALSE(fs::exists(campaign() / "notes.txt"));
    EXPECT_EQ(testing::read_bytes(campaign() / "sub/keep.txt"), "kept");
    EXPECT_FALSE(fs::exists(dir.path() / "campaign/data/.orvek-save")) << "no work folder left";
}

// A new file that cannot take its place (a folder of that name is in the way) fails the commit
// half-way; everything already moved goes back.
TEST_F(SaveFixture, FailedCommitPutsTheOldCampaignBack)
{
    save_campaign(galaxy, request, folder, random, dialog);
    fs::create_directories(campaign() / "sub");
    auto before = snapshot(dir.path());
    Random other(77);
    galaxy = testing::generate_in(folder, other);
    const std::string last = galaxy.planets.back().template_file;
    if (!fs::exists(campaign() / last))
        fs::create_directory(campaign() / last);
    before = snapshot(dir.path());
    EXPECT_NE(error_of_save().find(last), std::string::npos);
    EXPECT_EQ(snapshot(dir.path()), before);
}

// Killed before the commit: the new files and a half-written journal go at the next start.
TEST_F(SaveFixture, LeftoversOfAKilledSaveGoAtTheNextStart)
{
    auto before = snapshot(dir.path());
    fs::create_directories(dir.path() / "campaign/data/.orvek-save/old");
    dir.write("campaign/data/.orvek-save/new/campaign_all_001.txt", "half");
    dir.write("campaign/data/.orvek-save/journal.new", "orvek-save 1\nfol");
    EXPECT_EQ(recover_interrupted_save(folder), "");
    EXPECT_EQ(snapshot(dir.path()), before);
}

TEST_F(SaveFixture, OneSaveAtATimePerGameFolder)
{
    CampaignTransaction running(folder);
    EXPECT_EQ(FileLock::try_acquire(folder.file(kGameExecutable)), nullptr);
    running.begin("silverreach", "silverreach.txt");
    EXPECT_EQ(recover_interrupted_save(folder), "");
    EXPECT_TRUE(fs::exists(dir.path() / "campaign/data/.orvek-save/new"))
        << "the running save's work folder is left alone";
}

// The overwrite question comes before the lock: a Save elsewhere goes on while it is open.
TEST_F(SaveFixture, AnOpenQuestionHoldsUpNoOtherSave)
{
    ASSERT_EQ(save_campaign(galaxy, request, folder, random, dialog), SaveResult::Saved);
    struct SaveWhileAsking : SaveDialog {
        SaveFixture* f;
        SaveResult other = SaveResult::Cancelled;
        void inform(const std::string&) override {}
        bool confirm(const std::string&) override
        {
            SaveRequest elsewhere;
            elsewhere.campaign_name = "Elsewhere";
            elsewhere.wait.patience = std::chrono::milliseconds(200);
            Galaxy copy = f->galaxy;
            other = save_campaign(copy, elsewhere, f->folder, f->random, f->dialog);
            return true;
        }
    } asking;
    asking.f = this;
    EXPECT_EQ(save_campaign(galaxy, request, folder, random, asking), SaveResult::Saved);
    EXPECT_EQ(asking.other, SaveResult::Saved);
}

// A campaign that another Save wrote while this one waited for the lock was never asked about.
TEST_F(SaveFixture, ACampaignThatAppearsWhileWaitingIsNotReplaced)
{
    auto other = std::make_unique<CampaignTransaction>(folder);
    int waited = 0;
    request.wait.waiting = [&] {
        ++waited;
        fs::create_directories(campaign());
        other.reset();
    };
    EXPECT_EQ(save_campaign(galaxy, request, folder, random, dialog), SaveResult::Refused);
    EXPECT_EQ(waited, 1);
    EXPECT_EQ(dialog.messages, std::vector<std::string>{kCampaignAppeared});
    EXPECT_TRUE(dialog.questions.empty());
    EXPECT_TRUE(fs::is_empty(campaign()));
}

TEST_F(SaveFixture, MissingTemplateLeavesTheOldCampaignUntouched)
{
    save_campaign(galaxy, request, folder, random, dialog);
    auto before = snapshot(dir.path());
    const std::string missing = folder.templates_folder() + galaxy.planets.back().template_file;
    fs::remove(missing);
    before.erase(fs::relative(missing, dir.path()).generic_string());
    EXPECT_EQ(error_of_save(), "Cannot open file \"" + missing + "\". " + system_reason(ENOENT));
    EXPECT_EQ(snapshot(dir.path()), before);
}

TEST_F(SaveFixture, CancelledBeforeTheFirstFileWritesNothing)
{
    const auto before = snapshot(dir.path());
    const std::atomic<bool> cancel{true};
    request.cancel = &cancel;
    EXPECT_EQ(save_campaign(galaxy, request, folder, random, dialog), SaveResult::Cancelled);
    EXPECT_EQ(snapshot(dir.path()), before);
}

// Templates without a wormholes line make a campaign with problems: written only when the
// dialog says so (a ScriptedDialog, like the tool without --keep-problems, does not).
TEST_F(SaveFixture, ACampaignWithProblemsIsSavedOnlyWhenAccepted)
{
    for (const auto& entry : fs::directory_iterator(dir.path() / "campaign/data/encounters/all")) {
        std::string bytes = testing::read_bytes(entry.path());
        bytes.erase(bytes.find("wormholes = \r\n"), 14);
        std::ofstream(entry.path(), std::ios::binary | std::ios::trunc) << bytes;
    }
    const auto before = snapshot(dir.path());
    EXPECT_EQ(save_campaign(galaxy, request, folder, random, dialog), SaveResult::HasProblems);
    EXPECT_EQ(snapshot(dir.path()), before);
    testing::YesDialog yes;
    EXPECT_EQ(save_campaign(galaxy, request, folder, random, yes), SaveResult::Saved);
}

TEST_F(SaveFixture, MissingMapsFolderChangesNothing)
{
    fs::remove_all(dir.path() / "campaign/data/maps");
    auto before = snapshot(dir.path());
    EXPECT_EQ(error_of_save(), "Cannot create file \"" + folder.maps_folder() +
                                   "silverreach.txt\". " + system_reason(ENOENT));
    EXPECT_EQ(snapshot(dir.path()), before);
}

// A save back compares the files on disk with those opened: a change made since by the game, an
// editor or another window is named and written over only on Yes; once the player has seen the
// files (Yes, or the Save's own writing), the next save back asks no more.
TEST_F(SaveFixture, ASaveBackAsksBeforeWritingOverFilesChangedSinceTheOpen)
{
    ASSERT_EQ(save_campaign(galaxy, request, folder, random, dialog), SaveResult::Saved);
    const LoadedCampaign opened = load_campaign(folder, "silverreach");
    request.opened = &opened;
    std::string seen;
    request.seen_on_disk = &seen;
    const std::string planet_file = opened.planets[2].file_name;
    dir.write("campaign/data/encounters/silverreach/" + planet_file,
              "[config]\r\nguiname = Edited By Hand\r\n");
    const auto edited = snapshot(dir.path());
    dialog.answer = false;
    EXPECT_EQ(save_campaign(galaxy, request, folder, random, dialog), SaveResult::NotConfirmed);
    ASSERT_EQ(dialog.questions.size(), 1u);
    EXPECT_NE(dialog.questions[0].find("changed on disk since it was opened (the encounter file " +
                                       planet_file + ")"),
              std::string::npos)
        << dialog.questions[0];
    EXPECT_EQ(snapshot(dir.path()), edited);
    dialog.answer = true;
    EXPECT_EQ(save_campaign(galaxy, request, folder, random, dialog), SaveResult::Saved);
    EXPECT_EQ(seen, campaign_fingerprint(load_campaign(folder, "silverreach")));
    EXPECT_EQ(save_campaign(galaxy, request, folder, random, dialog), SaveResult::Saved);
    EXPECT_EQ(dialog.questions.size(), 2u) << "the files the Save wrote are the player's own";
    dir.write("campaign/data/encounters/silverreach/notes.txt", "a file of the player's own");
    EXPECT_EQ(save_campaign(galaxy, request, folder, random, dialog), SaveResult::Saved);
    ASSERT_EQ(dialog.questions.size(), 3u) << "a file added counts as a change";
    EXPECT_NE(dialog.questions[2].find("changed on disk since it was last saved here."),
              std::string::npos)
        << dialog.questions[2];
}

}  // namespace
}  // namespace orvek
