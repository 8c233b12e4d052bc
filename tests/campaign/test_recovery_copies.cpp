// SPDX-License-Identifier: GPL-3.0-or-later
#include "campaign/recovery_copies.h"

#include "support/game_copy.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace fs = std::filesystem;

namespace orvek {
namespace {

using testing::TempDir;

// A copy of two planets' work in the game folder "/games/Orvek".
UnsavedWork two_planet_work()
{
    UnsavedWork work;
    work.game_folder = "/games/Orvek";
    work.campaign_name = "Silver Reach";
    work.edits = 4;
    work.time = 1765200000;
    for (int i = 0; i < 2; ++i) {
        Planet p;
        p.x = 100 + 500 * i;
        p.y = 500;
        p.system_name = "Heze";
        p.template_file = "campaign_all_0" + std::to_string(i) + ".txt";
        p.links = {1 - i};
        p.farthest = 1 - i;
        p.home = i == 0;
        work.galaxy.planets.push_back(p);
    }
    return work;
}

// The folder of copies: a window's own copy is never offered while it lives; once it has gone
// its copy is, newest first, for its own game folder only; a deletion takes it and its lock.
TEST(RecoveryCopies, CopiesOfWindowsThatEnded)
{
    TempDir dir;
    const std::string folder = (dir.path() / "state" / "orvek").string();
    UnsavedWork older = two_planet_work(), newer = two_planet_work(), elsewhere = two_planet_work();
    newer.time += 60;
    elsewhere.game_folder = "/games/Other";
    std::string newer_file;
    {
        OwnCopy first(folder, older.game_folder), second(folder, newer.game_folder),
            third(folder, elsewhere.game_folder);
        EXPECT_NE(first.file(), second.file()) << "two windows on one game folder";
        // What a failed store left staged is no hindrance to the next.
        dir.write("state/orvek/" + first.file().substr(0, first.file().size() - 5) + ".json.new",
                  "{");
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
    // A window killed leaves its lock file and the copy it was staging, which go with its copy.
    const std::string stem = newer_file.substr(0, newer_file.size() - 5);
    dir.write("state/orvek/" + stem + ".lock", "");
    dir.write("state/orvek/" + stem + ".json.new", "{");
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
TEST(RecoveryCopies, HostileCopiesBesideAVictim)
{
    TempDir dir;
    const std::string folder = dir.mkdir("state").string();
    const UnsavedWork work = two_planet_work();
    const fs::path victim = dir.write("victim/keep.json", unsaved_work_text(work));
    const auto before = testing::snapshot(dir.path() / "victim");
    std::string stem;
    {
        // A window's own copy, left behind: it is offered before the copies that cannot be read.
        OwnCopy probe(folder, work.game_folder);
        probe.store(unsaved_work_text(work));
        stem = probe.file().substr(0, probe.file().find('-', 8));  // the game folder's part
    }
    fs::create_symlink(victim, fs::path(folder) / (stem + "-1-1.json"));
    ASSERT_EQ(::mkfifo((fs::path(folder) / (stem + "-2-2.json")).c_str(), 0600), 0);
    fs::create_directory(fs::path(folder) / (stem + "-3-3.json"));
    // A copy of another game folder named as one of this one is not this one's.
    UnsavedWork other = work;
    other.game_folder = "/games/Other";
    dir.write("state/" + stem + "-4-4.json", unsaved_work_text(other));
    const std::vector<FoundCopy> found = abandoned_copies(folder, work.game_folder);
    ASSERT_EQ(found.size(), 4u);
    EXPECT_TRUE(found[0].work);
    for (std::size_t i = 1; i < found.size(); ++i) {
        EXPECT_FALSE(found[i].work) << found[i].file;
        EXPECT_FALSE(found[i].problem.empty()) << found[i].file;
    }
    delete_copy(folder, stem + "-1-1.json");
    EXPECT_EQ(testing::snapshot(dir.path() / "victim"), before);
    EXPECT_FALSE(fs::exists(fs::symlink_status(fs::path(folder) / (stem + "-1-1.json"))));
}
#endif

#ifndef _WIN32
// The copies' folder comes from the user's state folder or home, and only from a full path: a
// relative one would put the copies wherever the window happened to start.
TEST(RecoveryCopies, TheFolderOnlyFromAFullPath)
{
    struct Row {
        const char* name;
        const char* state;  // XDG_STATE_HOME, or null for none
        const char* home;   // HOME, or null for none
        const char* folder;
    };
    const Row rows[] = {
        {"the state folder", "/s", "/h", "/s/orvek-galaxy-generator"},
        {"a relative state folder", "s", "/h", "/h/.local/state/orvek-galaxy-generator"},
        {"an empty state folder", "", "/h", "/h/.local/state/orvek-galaxy-generator"},
        {"no state folder", nullptr, "/h", "/h/.local/state/orvek-galaxy-generator"},
        {"a relative home", nullptr, "h", ""},
        {"no home", nullptr, nullptr, ""},
    };
    const auto kept = [](const char* name) {
        const char* value = std::getenv(name);
        return value ? std::optional<std::string>(value) : std::nullopt;
    };
    const auto set = [](const char* name, const char* value) {
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    };
    const std::optional<std::string> state = kept("XDG_STATE_HOME"), home = kept("HOME");
    for (const Row& row : rows) {
        set("XDG_STATE_HOME", row.state);
        set("HOME", row.home);
        EXPECT_EQ(recovery_folder(), row.folder) << row.name;
    }
    set("XDG_STATE_HOME", state ? state->c_str() : nullptr);
    set("HOME", home ? home->c_str() : nullptr);
}
#endif

}  // namespace
}  // namespace orvek
