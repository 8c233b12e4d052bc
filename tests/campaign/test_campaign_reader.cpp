// SPDX-License-Identifier: GPL-3.0-or-later
#include "campaign/campaign_reader.h"

#include "core/ascii.h"
#include "core/error.h"
#include "core/generate_command.h"
#include "core/random.h"
#include "campaign/save.h"
#include "support/yes_dialog.h"
#include "gamedata/game_folder.h"
#include "gamedata/game_services.h"
#include "support/game_copy.h"
#include "support/saved_campaign.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace orvek {
namespace {

// Generate and Save, then read back: what the files hold is the galaxy that was saved.
TEST(CampaignReader, ReadsBackWhatASaveWrote)
{
    struct Row {
        const char* name;
        GenerateKind kind;
        int size, gates;
        const char* custom;  // planets, wormholes, joins
        bool inhibitions, facilities;
    } rows[] = {
        {"small string presets", GenerateKind::WithPresets, 0, 0, "", false, false},
        {"massive web presets", GenerateKind::WithPresets, 3, 2, "", true, false},
        {"8 planets, no wormholes", GenerateKind::Custom, -1, -1, "8,0,30,40,5", false, true},
        {"175 planets, 9 wormholes", GenerateKind::Custom, -1, -1, "175,9,30,40,5", true, true},
    };
    testing::TempDir dir;
    testing::make_small_game(dir, 180);
    const GameFolder folder(dir.str());
    for (const Row& row : rows) {
        GalaxySettings settings;
        settings.size_class = row.size;
        settings.gate_style = row.gates;
        if (row.kind == GenerateKind::Custom) {
            const std::string c = row.custom;
            const auto field = [&](int i) {
                std::size_t start = 0;
                for (int k = 0; k < i; ++k)
                    start = c.find(',', start) + 1;
                return c.substr(start, c.find(',', start) - start);
            };
            settings.planet_count = field(0);
            settings.wormhole_count = field(1);
            settings.join1_pct = field(2);
            settings.join2_pct = field(3);
            settings.join3_pct = field(4);
        }
        Random random(42);
        GameFolderServices sources(folder);
        LastStatus status;
        GenerationServices services{status, sources, sources, sources};
        Galaxy galaxy;
        std::string name;
        run_generate_command(row.kind, settings, galaxy, name, services, random);
        SaveRequest request;
        request.campaign_name = "Round Trip";
        request.options = {row.inhibitions, row.facilities};
        request.levels.inhibitions.fill(FrequencyLevel::Normal);
        request.levels.shipyard = request.levels.factory = FrequencyLevel::Common;
        testing::YesDialog yes;
        ASSERT_EQ(save_campaign(galaxy, request, folder, random, yes), SaveResult::Saved);

        const LoadedCampaign loaded = load_campaign(folder, "roundtrip");
        EXPECT_EQ(loaded.name, "Round Trip") << row.name;
        EXPECT_EQ(loaded.picture, file_name_of(galaxy.background_path)) << row.name;
        EXPECT_TRUE(loaded.reading.empty()) << row.name << ": " << loaded.reading.front().sentence;
        const std::vector<Planet> planets = galaxy_planets(loaded);
        ASSERT_EQ(planets.size(), galaxy.planets.size()) << row.name;
        for (std::size_t i = 0; i < planets.size(); ++i) {
            const Planet &want = galaxy.planets[i], &got = planets[i];
            const std::string at = std::string(row.name) + ", planet " + std::to_string(i);
            EXPECT_EQ(got.x, want.x) << at;
            EXPECT_EQ(got.y, want.y) << at;
            EXPECT_EQ(got.system_name, want.system_name) << at;
            EXPECT_EQ(got.template_file, want.template_file) << at;
            EXPECT_EQ(got.links, want.links) << at;
            EXPECT_EQ(got.home, want.home) << at;
            // What the files say: inhibitions and facilities where their box was ticked, the
            // home planet's three facilities always.
            for (int f = 0; f < kFeatureCount; ++f) {
                const bool written = f < kInhibitionCount ? row.inhibitions : row.facilities;
                bool feature = written && want.features[static_cast<std::size_t>(f)];
                if (want.home && f >= kInhibitionCount)
                    feature = f == 10 || f == 11 || f == 13;
                EXPECT_EQ(got.features[static_cast<std::size_t>(f)], feature)
                    << at << ", feature " << f;
            }
        }
    }
}

// Each axis of a position is read from its own line: one missing or no position leaves that
// axis unread, whatever the other holds.
TEST(CampaignReader, EachAxisOfAPositionOnItsOwn)
{
    const struct Row {
        const char* bytes;
        bool x, y;
    } rows[] = {
        {"[config]\r\nMapPosition.X = 0.5000\r\n", true, false},
        {"[config]\r\nMapPosition.Y = 0.5000\r\nMapPosition.X = zero\r\n", false, true},
    };
    for (const Row& row : rows) {
        LoadedPlanet p;
        p.bytes = row.bytes;
        std::vector<ReadNote> notes;
        parse_encounter_file(p, notes);
        EXPECT_EQ(std::pair(p.has_x, p.has_y), std::pair(row.x, row.y)) << row.bytes;
    }
}

TEST(CampaignReader, WhatStopsIt)
{
    testing::TempDir dir;
    testing::make_small_game(dir, 10);
    const GameFolder folder(dir.str());
    for (const char* id : {"../x", "all", "", "nothere"})
        EXPECT_THROW(load_campaign(folder, id), Error) << id;
}

// Made from bytes in memory (a Save's check, an archive), a campaign reads as from disk: its map
// file's name in lower case, its folder's files in order, each planet's file, no home planet
// where no line names one; a planet whose file is not among them is said at its map line.
TEST(CampaignReader, FromBytesAsFromDisk)
{
    testing::TempDir game;
    const GameFolder folder(game.str());
    testing::save_mine(game, folder);
    const LoadedCampaign disk = load_campaign(folder, "mine");
    std::vector<std::pair<std::string, std::string>> files;
    for (const std::string& name : disk.folder_files)
        files.insert(files.begin(), {name, testing::read_bytes(disk.folder + "/" + name)});
    const LoadedCampaign made = campaign_from_bytes("Mine", disk.folder, disk.map_bytes, files);
    EXPECT_EQ(made.map_file, "mine.txt");
    EXPECT_EQ(made.folder_files, disk.folder_files);
    ASSERT_EQ(made.planets.size(), disk.planets.size());
    for (std::size_t i = 0; i < made.planets.size(); ++i)
        EXPECT_EQ(made.planets[i].bytes, disk.planets[i].bytes) << "planet " << i;
    EXPECT_TRUE(made.reading.empty());
    // A map file without its Homeworld line names no home planet, not planet 0.
    std::string no_home = disk.map_bytes;
    const std::size_t at = no_home.find("Homeworld = ");
    ASSERT_NE(at, std::string::npos);
    no_home.erase(at, no_home.find('\n', at) + 1 - at);
    for (const Planet& p : galaxy_planets(campaign_from_bytes("mine", disk.folder, no_home, files)))
        EXPECT_FALSE(p.home);

    const std::string gone = files.back().first;
    files.pop_back();
    const LoadedCampaign lacking = campaign_from_bytes("mine", disk.folder, disk.map_bytes, files);
    const auto planet = std::find_if(disk.planets.begin(), disk.planets.end(),
                                     [&](const LoadedPlanet& p) { return p.file_name == gone; });
    ASSERT_NE(planet, disk.planets.end());
    ASSERT_EQ(lacking.reading.size(), 1u);
    EXPECT_EQ(lacking.reading[0].file, "mine.txt");
    EXPECT_EQ(lacking.reading[0].line, planet->map_line);
}

// A campaign's folder renamed to another letter case is still its own: every planet is read from
// it and the campaign names it as it is on disk, where a save back writes.
TEST(CampaignReader, AFolderOfAnotherCaseIsTheCampaigns)
{
    testing::TempDir game;
    const GameFolder folder(game.str());
    testing::save_mine(game, folder);
    std::filesystem::rename(game.path() / "campaign/data/encounters/mine",
                            game.path() / "campaign/data/encounters/MINE");
    const LoadedCampaign loaded = load_campaign(folder, "mine");
    EXPECT_TRUE(loaded.reading.empty()) << loaded.reading.front().sentence;
#ifndef _WIN32
    // Only a file system that tells letter case apart needs the name as it is on disk.
    EXPECT_EQ(file_name_of(loaded.folder), "MINE");
#endif
}

// The saved campaigns are their map files, each id once whatever its letter case (the game
// reads Foo.txt and foo.txt as one file), and never the game's own "all".
TEST(CampaignReader, EachCampaignIdOnce)
{
    testing::TempDir dir;
    testing::make_small_game(dir, 10);
    for (const char* map : {"Foo.txt", "foo.txt", "bar.txt", "all.txt", "notes.md"})
        dir.write("campaign/data/maps/" + std::string(map), "");
    const std::vector<std::string> ids = campaign_ids(GameFolder(dir.str()));
    ASSERT_EQ(ids.size(), 2u);
    EXPECT_EQ(std::count(ids.begin(), ids.end(), "bar"), 1);
    EXPECT_TRUE(same_ignoring_case(ids[0] == "bar" ? ids[1] : ids[0], "foo"));
}

// What differs between two reads of a campaign, in the words a save back asks with.
TEST(CampaignReader, ChangesInWords)
{
    LoadedCampaign before;
    before.map_bytes = "map";
    before.folder_files = {"a.txt", "b.txt", "c.txt", "d.txt"};
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"}) {
        LoadedPlanet p;
        p.file_name = name;
        p.read = true;
        p.bytes = name;
        before.planets.push_back(p);
    }
    const auto changed = [&](std::size_t count) {
        LoadedCampaign now = before;
        for (std::size_t i = 0; i < count; ++i)
            now.planets[i].bytes += "!";
        return now;
    };
    struct Row {
        const char* name;
        LoadedCampaign now;
        std::string words;
    } rows[] = {
        {"nothing", before, ""},
        {"one file", changed(1), "the encounter file a.txt"},
        {"three files", changed(3), "3 encounter files (a.txt, b.txt, c.txt)"},
        {"four files", changed(4), "4 encounter files (a.txt, b.txt, c.txt, …)"},
        {"a file no longer read", before, "the encounter file b.txt"},
        {"a file gone from the map", before, "the encounter file d.txt"},
        {"the map, two files and the list", changed(2),
         "the map file, 2 encounter files (a.txt, b.txt) and the folder's list of files"},
        {"the map and the list", before, "the map file and the folder's list of files"},
    };
    rows[4].now.planets[1].read = false;
    rows[5].now.planets.pop_back();
    for (Row* row : {&rows[6], &rows[7]}) {
        row->now.map_bytes = "map edited";
        row->now.folder_files.push_back("notes.txt");
    }
    for (const Row& row : rows)
        EXPECT_EQ(campaign_changes(before, row.now), row.words) << row.name;
}

}  // namespace
}  // namespace orvek
