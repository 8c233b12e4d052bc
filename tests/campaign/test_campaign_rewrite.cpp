// SPDX-License-Identifier: GPL-3.0-or-later
#include "campaign/campaign_rewrite.h"

#include "core/galaxy_edit.h"
#include "core/generate_command.h"
#include "core/random.h"
#include "campaign/campaign_check.h"
#include "campaign/save.h"
#include "gamedata/game_folder.h"
#include "gamedata/game_services.h"
#include "support/galaxy_picks.h"
#include "support/game_copy.h"
#include "support/generator_checks.h"
#include "support/random_edits.h"
#include "support/small_galaxy.h"
#include "support/yes_dialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <set>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace orvek {
namespace {

namespace fs = std::filesystem;

using Planets = std::vector<Planet>;

struct Saved {
    testing::TempDir dir;
    GameFolder folder{dir.str()};
    Random random{7};

    Saved(int size, int gates, EncounterOptions options)
    {
        testing::make_small_game(dir, 180);
        Galaxy galaxy = testing::generate_in(folder, random, size, gates);
        save(galaxy, "Kept Whole", options, nullptr);
    }

    void save(Galaxy& galaxy, const std::string& name, EncounterOptions options,
              const LoadedCampaign* opened)
    {
        SaveRequest request;
        request.campaign_name = name;
        request.options = options;
        request.opened = opened;
        testing::YesDialog yes;
        ASSERT_EQ(save_campaign(galaxy, request, folder, random, yes), SaveResult::Saved);
    }

    std::map<std::string, std::string> files() const
    {
        return testing::snapshot(dir.path() / "campaign/data", false, [](const std::string& p) {
            return p.rfind("encounters/all", 0) != 0 && p.rfind("bitmaps", 0) != 0;
        });
    }

    // Opens the campaign, lets `edit` change it, saves it under its own id (with `picture`
    // and `name` when given); returns the planets before and after the edit.
    std::pair<Planets, Planets> edit_and_save(const std::function<void(Planets&)>& edit,
                                              const std::string& picture = {},
                                              const std::string& name = {})
    {
        const LoadedCampaign opened = load_campaign(folder, "keptwhole");
        Galaxy galaxy;
        galaxy.planets = galaxy_planets(opened);
        galaxy.background_path =
            folder.backgrounds_folder() + (picture.empty() ? opened.picture : picture);
        edit(galaxy.planets);
        save(galaxy, name.empty() ? opened.name : name, {}, &opened);
        return {galaxy_planets(opened), galaxy.planets};
    }
};

// A file of the campaign folder, as snapshot() names it.
std::string file_of(const Planets& planets, int p)
{
    return "encounters/keptwhole/" +
           planets[static_cast<std::size_t>(p)].template_file;
}

std::set<std::string> differing(const std::map<std::string, std::string>& before,
                                const std::map<std::string, std::string>& after)
{
    std::set<std::string> names;
    for (const auto& [name, bytes] : before)
        if (!after.count(name) || after.at(name) != bytes)
            names.insert(name);
    for (const auto& [name, bytes] : after)
        if (!before.count(name))
            names.insert(name);
    return names;
}

TEST(CampaignRewrite, AnOpenedCampaignSavedUnderItsOwnNameComesOutByteForByte)
{
    struct Row {
        const char* name;
        int size, gates;
        EncounterOptions options;
        bool hand_edited;  // LF line breaks and a key of a modder's own in one file
    } rows[] = {
        {"small string, no features", 0, 0, {false, false}, false},
        {"normal web, inhibitions", 1, 2, {true, false}, false},
        {"huge normal, facilities", 2, 1, {false, true}, false},
        {"massive web, both, edited by hand", 3, 2, {true, true}, true},
    };
    for (const Row& row : rows) {
        Saved saved(row.size, row.gates, row.options);
        if (row.hand_edited) {
            const auto path = saved.dir.path() / "campaign/data/encounters/keptwhole";
            const auto file = *std::filesystem::directory_iterator(path);
            std::string bytes = testing::read_bytes(file.path());
            for (std::size_t at; (at = bytes.find("\r\n")) != std::string::npos;)
                bytes.replace(at, 2, "\n");
            std::ofstream(file.path(), std::ios::binary)
                << "; a modder's note\nmodkey = 1\n" + bytes;
        }
        // A file of the player's own in the campaign folder is no file of the campaign: it stays.
        saved.dir.write("campaign/data/encounters/keptwhole/player-notes.txt", "mine");
        const auto before = saved.files();
        saved.edit_and_save([](Planets&) {});
        EXPECT_EQ(saved.files(), before) << row.name;
    }
}

// A file's own bytes stay where nothing changed, and its line breaks where something did: mixed
// ones kept whole, no break added after a last line that had none, CR LF between lines that the
// file never broke, and the blank line after a section written anew.
TEST(CampaignRewrite, AFileKeepsItsOwnLineBreaks)
{
    const struct Row {
        const char* name;
        std::string bytes;
        bool rename, relink;
        std::string written;
    } rows[] = {
        {"mixed breaks, nothing changed", "[config]\r\nguiname = Vega\nwormholes = 1,\r\n", false,
         false, "[config]\r\nguiname = Vega\nwormholes = 1,\r\n"},
        {"no break after the last line, renamed", "[config]\r\nguiname = Vega", true, false,
         "[config]\r\nguiname = Deneb"},
        {"one line, given hop counts", "guiname = Vega", false, true,
         "guiname = Vega\r\n[hopcounts]\r\n0 = 0,0\r\n1 = 1,1\r\n"},
        {"hop counts written anew before a blank line",
         "[config]\r\nwormholes = 2,\r\n[hopcounts]\r\n0 = 0,0\r\n2 = 1,1\r\n\r\n[terrain]\r\n",
         false, true,
         "[config]\r\nwormholes = 1,\r\n[hopcounts]\r\n0 = 0,0\r\n1 = 1,1\r\n\r\n[terrain]\r\n"},
    };
    for (const Row& row : rows) {
        LoadedPlanet file;
        file.bytes = row.bytes;
        std::vector<ReadNote> notes;
        parse_encounter_file(file, notes);
        Planet planet = file.planet;
        planet.source = 0;
        if (row.rename)
            planet.system_name = "Deneb";
        if (row.relink)
            planet.links = {1};
        EXPECT_EQ(rewrite_encounter(file, file.planet, 0, planet, {}), row.written) << row.name;
    }
}

// The small game's 180 templates, for a planet added.
NewPlanetSources game_templates()
{
    NewPlanetSources sources;
    for (int i = 0; i < 180; ++i)
        sources.templates.push_back("campaign_all_" + std::to_string(1000 + i).substr(1) + ".txt");
    return sources;
}

TEST(CampaignRewrite, AnEditChangesOnlyTheFilesOfWhatItTouched)
{
    using Expect = std::function<std::set<std::string>(const Planets&, const Planets&)>;
    struct Row {
        const char* name;
        std::function<void(Planets&)> edit;
        Expect changed;
    };
    const auto free_spot = [](const Planets& g) { return testing::free_spot(g, 7); };
    // The last planet that planet 3 is not joined to.
    const auto unjoined = [](const Planets& g) {
        int q = static_cast<int>(g.size()) - 1;
        while (std::count(g[3].links.begin(), g[3].links.end(), q) || q == 3)
            --q;
        return q;
    };
    // A free place straight below or above planet p: its y.
    const auto free_in_column = [](const Planets& g, int p) {
        const int x = g[static_cast<std::size_t>(p)].x;
        for (int y = kMapMin; y <= kMapMax; ++y)
            if (y != g[static_cast<std::size_t>(p)].y && position_refusal(g, p, x, y).empty())
                return y;
        return -1;
    };
    const auto spare = testing::spare_planet;
    const std::string map = "maps/keptwhole.txt";
    const NewPlanetSources sources = game_templates();
    const Row rows[] = {
        {"move",
         [&](Planets& g) {
             auto [x, y] = free_spot(g);
             move_planet(g, 2, x, y)->apply(g);
         },
         [](auto& g, auto&) { return std::set{file_of(g, 2)}; }},
        {"join", [&](Planets& g) { join_planets(g, 3, unjoined(g))->apply(g); },
         [&](auto& g, auto&) {
             return std::set{file_of(g, 3), file_of(g, unjoined(g))};
         }},
        {"move straight down or up",
         [&](Planets& g) { move_planet(g, 2, g[2].x, free_in_column(g, 2))->apply(g); },
         [](auto& g, auto&) { return std::set{file_of(g, 2)}; }},
        {"rename", [](Planets& g) { rename_planet(g, 4, "Nouvelle \xC3\x89toile")->apply(g); },
         [](auto& g, auto&) { return std::set{file_of(g, 4)}; }},
        {"home", [](Planets& g) { make_home(g, g[0].home ? 1 : 0)->apply(g); },
         [&](auto& g, auto&) {
             const int home = static_cast<int>(
                 std::find_if(g.begin(), g.end(), [](auto& p) { return p.home; }) - g.begin());
             return std::set{file_of(g, home), file_of(g, g[0].home ? 1 : 0), map};
         }},
        {"add and join",
         [&](Planets& g) {
             auto [x, y] = free_spot(g);
             add_planet(g, x, y, sources)->apply(g);
             join_planets(g, 0, static_cast<int>(g.size()) - 1)->apply(g);
         },
         [&](auto& g, auto& after) {
             return std::set{file_of(g, 0), file_of(after, static_cast<int>(g.size())), map};
         }},
        {"delete", [&](Planets& g) { delete_planet(g, spare(g))->apply(g); },
         [&](auto& g, auto&) {
             const int p = spare(g);
             std::set<std::string> files{map};
             for (int i = 0; i < static_cast<int>(g.size()); ++i)
                 for (int link : g[static_cast<std::size_t>(i)].links)
                     if (i >= p || link >= p)
                         files.insert(file_of(g, i));
             return files;
         }},
    };
    for (const Row& row : rows) {
        Saved saved(1, 1, {});
        const auto before = saved.files();
        const auto [was, now] = saved.edit_and_save(row.edit);
        EXPECT_EQ(differing(before, saved.files()), row.changed(was, now)) << row.name;
        const LoadedCampaign back = load_campaign(saved.folder, "keptwhole");
        const std::vector<Finding> findings = check_campaign(saved.folder, back);
        EXPECT_EQ(problem_count(findings), 0) << row.name << ": " << findings.front().sentence;
        // The edit reads back as made.
        const Planets read = galaxy_planets(back);
        ASSERT_EQ(read.size(), now.size()) << row.name;
        for (std::size_t i = 0; i < now.size(); ++i) {
            EXPECT_EQ(std::tie(read[i].x, read[i].y, read[i].system_name, read[i].home),
                      std::tie(now[i].x, now[i].y, now[i].system_name, now[i].home))
                << row.name << ", planet " << i;
            EXPECT_EQ(read[i].links, now[i].links) << row.name << ", planet " << i;
        }
    }
}

// A new campaign name of the same id and another picture change their map file lines alone.
TEST(CampaignRewrite, ANewNameAndPictureChangeOnlyTheirLines)
{
    Saved saved(0, 0, {});
    const auto before = saved.files();
    const std::string picture = load_campaign(saved.folder, "keptwhole").picture;
    const std::string other = picture == "nebula1.jpg" ? "nebula2.jpg" : "nebula1.jpg";
    saved.edit_and_save([](Planets&) {}, other, "Kept whole!");
    auto expected = before;
    std::string& map = expected["maps/keptwhole.txt"];
    const auto swap = [&map](const std::string& from, const std::string& to) {
        map.replace(map.find(from), from.size(), to);
    };
    swap("MapTexture = " + picture, "MapTexture = " + other);
    swap("GUIName = Kept Whole", "GUIName = Kept whole!");
    EXPECT_EQ(saved.files(), expected);
}

// Lines as a file holds them, each ended by CR LF.
std::string crlf_lines(const std::vector<std::string>& lines)
{
    std::string block;
    for (const std::string& line : lines)
        block += line + "\r\n";
    return block;
}

// Lines of the player's own within the format's bounds (comments, blank lines, keys the game has
// and this program does not write), put into a file's [config] section after its first line.
std::vector<std::string> own_lines(const fs::path& file, Random& pick)
{
    static const char* const kLines[] = {"// by hand", "; an old note",  "# kept",
                                         "",           "difficulty = 3", "music = battle_far"};
    std::string bytes = testing::read_bytes(file);
    std::vector<std::string> added;
    for (std::uint32_t k = pick(4); k > 0; --k)
        added.emplace_back(kLines[pick(std::size(kLines))]);
    bytes.insert(bytes.find("\r\n") + 2, crlf_lines(added));
    std::ofstream(file, std::ios::binary) << bytes;
    return added;
}

// Whether `lines` stand in the file after its first line, in their order.
bool holds_after_first_line(const fs::path& file, const std::vector<std::string>& lines)
{
    const std::string block = crlf_lines(lines), bytes = testing::read_bytes(file);
    return bytes.compare(bytes.find("\r\n") + 2, block.size(), block) == 0;
}

// Galaxies of every size and jumpgate style, saved with either feature box, given lines of the
// player's own, opened, edited at random and saved back: each reads back as it was left, keeps
// those lines, and the check finds no problem; saved again with no edit, not a byte moves.
TEST(CampaignRewrite, RandomEditsSavedBackReadBackAsMade)
{
    const NewPlanetSources sources = game_templates();
    for (std::uint32_t seed = 1; seed <= 8; ++seed) {
        Random pick(seed);
        const int size = static_cast<int>(pick(3)), gates = static_cast<int>(pick(4));
        const EncounterOptions options{pick(2) == 1, pick(2) == 1};
        Saved saved(size, gates, options);
        const std::string what = "seed " + std::to_string(seed);
        std::map<fs::path, std::vector<std::string>> added;
        for (const auto& entry :
             fs::directory_iterator(saved.dir.path() / "campaign/data/encounters/keptwhole"))
            added[entry.path()] = own_lines(entry.path(), pick);
        const auto [was, now] = saved.edit_and_save([&](Planets& g) {
            for (int made = 0; made < 12;) {
                try {
                    const EditPointer edit = testing::random_edit(g, pick, &sources);
                    edit->apply(g);
                    // A galaxy with a planet no link reaches is refused; that edit is not kept.
                    if (testing::reached_from_first(g) == g.size())
                        ++made;
                    else
                        edit->revert(g);
                } catch (const EditRefused&) {
                }
            }
        });
        const LoadedCampaign back = load_campaign(saved.folder, "keptwhole");
        const std::vector<Finding> findings = check_campaign(saved.folder, back);
        EXPECT_EQ(problem_count(findings), 0) << what << ": " << findings.front().sentence;
        const Planets read = galaxy_planets(back);
        ASSERT_EQ(read.size(), now.size()) << what;
        for (std::size_t i = 0; i < now.size(); ++i) {
            EXPECT_EQ(
                std::tie(read[i].x, read[i].y, read[i].system_name, read[i].home, read[i].links),
                std::tie(now[i].x, now[i].y, now[i].system_name, now[i].home, now[i].links))
                << what << ", planet " << i;
            // With the boxes unticked, a Save back writes the features set by hand only; the
            // home planet's facilities are the game's own set.
            const std::size_t own = now[i].home ? kInhibitionCount : kFeatureCount;
            for (std::size_t f = 0; f < own; ++f) {
                if (!now[i].features_set[f])
                    continue;
                EXPECT_EQ(read[i].features[f], now[i].features[f])
                    << what << ", planet " << i << ", feature " << f;
            }
        }
        for (const auto& [file, lines] : added)
            EXPECT_TRUE(!fs::exists(file) || holds_after_first_line(file, lines))
                << what << ", " << file.filename();
        const auto files = saved.files();
        saved.edit_and_save([](Planets&) {});
        EXPECT_EQ(differing(files, saved.files()), std::set<std::string>{}) << what;
    }
}

TEST(CampaignRewrite, AGalaxyWithAPlanetNoLinkReachesIsNotSaved)
{
    Saved saved(0, 0, {});
    const auto before = saved.files();
    const LoadedCampaign opened = load_campaign(saved.folder, "keptwhole");
    Galaxy galaxy;
    galaxy.planets = galaxy_planets(opened);
    const Planet& last = galaxy.planets.back();
    for (auto k = std::ssize(last.links); k-- > 0;)
        cut_link(galaxy.planets, static_cast<int>(galaxy.planets.size()) - 1,
                 galaxy.planets.back().links[static_cast<std::size_t>(k)])
            ->apply(galaxy.planets);
    struct Told : SaveDialog {
        std::string message;
        void inform(const std::string& m) override { message = m; }
        bool confirm(const std::string&) override { return true; }
    } told;
    SaveRequest request;
    request.campaign_name = opened.name;
    request.opened = &opened;
    EXPECT_EQ(save_campaign(galaxy, request, saved.folder, saved.random, told),
              SaveResult::Refused);
    EXPECT_NE(told.message.find("no jumpgates lead from"), std::string::npos) << told.message;
    EXPECT_NE(told.message.find("(planet " + std::to_string(galaxy.planets.size() - 1) + ")"),
              std::string::npos)
        << told.message;
    EXPECT_EQ(saved.files(), before);
}

#ifndef _WIN32
// A shared campaign whose map file names a file outside the game folder, with a link to that
// file and a FIFO among its encounter files: opened, joined up and saved back, it writes nothing,
// and the victim's file beside it comes out as it was.
TEST(CampaignRewrite, AHostileOpenedCampaignIsNotSavedFromWhatItCouldNotRead)
{
    Saved saved(1, 1, {});
    testing::TempDir victim;
    victim.write("a.txt", "precious");
    const fs::path folder = saved.dir.path() / "campaign/data/encounters/keptwhole";
    const fs::path map = saved.dir.path() / "campaign/data/maps/keptwhole.txt";
    std::string bytes = testing::read_bytes(map);
    const std::size_t entry = bytes.find("\r\n1 = ") + 2;
    bytes.replace(entry, bytes.find('\r', entry) - entry,
                  "1 = " + (victim.path() / "a.txt").string());
    std::ofstream(map, std::ios::binary | std::ios::trunc) << bytes;
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(folder))
        files.push_back(e.path());
    std::sort(files.begin(), files.end());
    fs::remove(files[0]);
    fs::create_symlink(victim.path() / "a.txt", files[0]);
    fs::remove(files[1]);
    ASSERT_EQ(mkfifo(files[1].c_str(), 0644), 0);
    const auto game_before = testing::snapshot(saved.dir.path(), true);
    const auto victim_before = testing::snapshot(victim.path());

    const LoadedCampaign opened = load_campaign(saved.folder, "keptwhole");
    Galaxy galaxy;
    galaxy.planets = galaxy_planets(opened);
    for (std::vector<int> lost; !(lost = unreachable_planets(galaxy.planets)).empty();) {
        int q = 0;
        while (std::ssize(galaxy.planets[static_cast<std::size_t>(q)].links) >= kMaxLinks)
            ++q;
        join_planets(galaxy.planets, lost.front(), q)->apply(galaxy.planets);
    }
    SaveRequest request;
    request.campaign_name = opened.name;
    request.opened = &opened;
    testing::YesDialog yes;
    try {
        save_campaign(galaxy, request, saved.folder, saved.random, yes);
        ADD_FAILURE() << "saved";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("cannot be saved: its file was not read"),
                  std::string::npos)
            << e.what();
    }
    EXPECT_EQ(testing::snapshot(saved.dir.path(), true), game_before);
    EXPECT_EQ(testing::snapshot(victim.path()), victim_before);
}
#endif  // FIFOs and links made by a user are POSIX's

}  // namespace
}  // namespace orvek
