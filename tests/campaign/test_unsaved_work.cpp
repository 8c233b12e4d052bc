// SPDX-License-Identifier: GPL-3.0-or-later
#include "campaign/unsaved_work.h"

#include "core/error.h"
#include "support/game_copy.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace fs = std::filesystem;

namespace orvek {
namespace {

using testing::TempDir;

UnsavedWork sample_work()
{
    UnsavedWork work;
    work.game_folder = "/games/Orvek \xE9t\xE9";
    work.campaign_name = "Silver Reach \xC3\xA9";
    work.edits = 4;
    work.time = 1765200000;
    work.source.kind = WorkSource::Kind::Generated;
    work.source.generate = GenerateKind::Custom;
    work.source.fields.planet_count = "175";
    work.source.seed = 4294967295u;
    work.galaxy.background_path = "/games/Orvek/pictures/nebula 3.jpg";
    for (int i = 0; i < 3; ++i) {
        Planet p;
        p.x = 20 + 300 * i;
        p.y = 979 - 100 * i;
        p.system_name = i == 1 ? "Ca\xF1on \x80\x81\xFF" : "Heze";
        p.template_file = "campaign_all_0" + std::to_string(i) + ".txt";
        p.links = {(i + 1) % 3, (i + 2) % 3};
        p.farthest = (i + 1) % 3;
        p.home = i == 2;
        p.features[3] = p.features_set[3] = i == 1;
        p.features[14] = true;
        p.source = i - 1;
        work.galaxy.planets.push_back(p);
    }
    return work;
}

// Every field comes back as it was, 8-bit names and every source kind included.
TEST(UnsavedWork, ReadsBackWhatWasWritten)
{
    UnsavedWork work = sample_work();
    EXPECT_EQ(read_unsaved_work(unsaved_work_text(work)), work);
    work.source = {};
    work.source.kind = WorkSource::Kind::Opened;
    work.source.campaign_id = "silverreach";
    work.source.fingerprint = "00ff00ff00ff00ff";
    EXPECT_EQ(read_unsaved_work(unsaved_work_text(work)), work);
    work.source = {};
    work.galaxy.planets.clear();
    EXPECT_EQ(read_unsaved_work(unsaved_work_text(work)), work);
}

// A copy from a damaged disk or from anywhere else fails with a sentence, whatever it holds.
TEST(UnsavedWork, RefusesWhatIsNoCopy)
{
    const std::string good = unsaved_work_text(sample_work());
    const auto with = [&](const std::string& from, const std::string& to) {
        std::string text = good;
        const std::size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return text.replace(at, from.size(), to);
    };
    std::string planets = "\"planets\": [";
    for (int i = 0; i < 177; ++i)
        planets += std::string(i ? "," : "") + "{}";
    const struct Row {
        const char* name;
        std::string text, sentence;
    } rows[] = {
        {"empty", "", "damaged: it is empty"},
        {"junk", "MZ\x90\x00\x03", "damaged: it is cut short or is no copy at all"},
        {"cut short", good.substr(0, good.size() / 2), "cut short"},
        {"a list", "[1, 2, 3]", "\"format\" is missing"},
        {"newer", with("\"format\": 1", "\"format\": 2"), "newer version of this program"},
        {"nested deep", std::string(100000, '[') + std::string(100000, ']'), "nested deeper"},
        {"huge", std::string(kUnsavedWorkLimit + 1, ' '), "more than"},
        {"too many planets", with("\"planets\": [", planets + ","), "at most 176"},
        {"off the map", with("\"x\": 20", "\"x\": 1000"), "\"x\" is no number from 0 to 999"},
        {"a float", with("\"x\": 20", "\"x\": 20.5"), "\"x\" is no number"},
        {"features short", with("\"features\": \"0000000000000010\"", "\"features\": \"01\""),
         "not 16 flags"},
        {"control character", with("\"name\": \"Heze\"", "\"name\": \"He\\u001b[2Jze\""),
         "control character"},
        {"beyond a byte", with("\"name\": \"Heze\"", "\"name\": \"H\\u0141ze\""),
         "no byte stands for"},
        {"unknown source", with("\"kind\": \"generated\"", "\"kind\": \"stolen\""),
         "its source is \"stolen\""},
        {"farthest beyond", with("\"farthest\": 1", "\"farthest\": 3"), "\"farthest\""},
    };
    for (const Row& row : rows) {
        try {
            read_unsaved_work(row.text);
            ADD_FAILURE() << row.name << ": read";
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find(row.sentence), std::string::npos)
                << row.name << ": " << e.what();
        }
    }
}

// The folder of copies: a window's own copy is never offered while it lives; once it has gone
// its copy is, newest first, for its own game folder only; a deletion takes it and its lock.
TEST(UnsavedWork, CopiesOfWindowsThatEnded)
{
    TempDir dir;
    const std::string folder = (dir.path() / "state" / "orvek").string();
    UnsavedWork older = sample_work(), newer = sample_work(), elsewhere = sample_work();
    newer.time += 60;
    elsewhere.game_folder = "/games/Other";
    std::string newer_file;
    {
        OwnCopy first(folder, older.game_folder), second(folder, newer.game_folder),
            third(folder, elsewhere.game_folder);
        EXPECT_NE(first.file(), second.file()) << "two windows on one game folder";
        first.store(unsaved_work_text(older));
        first.store(unsaved_work_text(older));  // replaces its own copy
        second.store(unsaved_work_text(newer));
        third.store(unsaved_work_text(elsewhere));
        newer_file = second.file();
        EXPECT_TRUE(abandoned_copies(folder, older.game_folder).empty()) << "windows still live";
    }
    std::vector<FoundCopy> found = abandoned_copies(folder, older.game_folder);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].file, newer_file);
    EXPECT_EQ(*found[0].work, newer);
    EXPECT_EQ(*found[1].work, older);
    EXPECT_EQ(abandoned_copies(folder).size(), 3u);
    // A window killed leaves its lock file, which goes with its copy.
    const std::string lock = newer_file.substr(0, newer_file.size() - 5) + ".lock";
    dir.write("state/orvek/" + lock, "");
    delete_copy(folder, newer_file);
    EXPECT_EQ(abandoned_copies(folder, older.game_folder).size(), 1u);
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder))
        ++files;
    EXPECT_EQ(files, 2u) << "two copies left, no lock and no staged file";
    EXPECT_TRUE(abandoned_copies((dir.path() / "none").string()).empty());
}

#ifndef _WIN32
// Copies planted beside a victim: a link to it, a pipe, a folder, each named as a copy of the
// game folder, are refused with a sentence, and neither read through nor deleted by a listing.
TEST(UnsavedWork, HostileCopiesBesideAVictim)
{
    TempDir dir;
    const std::string folder = dir.mkdir("state").string();
    const UnsavedWork work = sample_work();
    const fs::path victim = dir.write("victim/keep.json", unsaved_work_text(work));
    const auto before = testing::snapshot(dir.path() / "victim");
    std::string stem;
    {
        OwnCopy probe(folder, work.game_folder);
        stem = probe.file().substr(0, probe.file().find('-', 8));  // the game folder's part
    }
    fs::create_symlink(victim, fs::path(folder) / (stem + "-1-1.json"));
    ASSERT_EQ(::mkfifo((fs::path(folder) / (stem + "-2-2.json")).c_str(), 0600), 0);
    fs::create_directory(fs::path(folder) / (stem + "-3-3.json"));
    const std::vector<FoundCopy> found = abandoned_copies(folder, work.game_folder);
    ASSERT_EQ(found.size(), 3u);
    for (const FoundCopy& copy : found) {
        EXPECT_FALSE(copy.work) << copy.file;
        EXPECT_FALSE(copy.problem.empty()) << copy.file;
    }
    delete_copy(folder, stem + "-1-1.json");
    EXPECT_EQ(testing::snapshot(dir.path() / "victim"), before);
    EXPECT_FALSE(fs::exists(fs::symlink_status(fs::path(folder) / (stem + "-1-1.json"))));
}
#endif

}  // namespace
}  // namespace orvek
