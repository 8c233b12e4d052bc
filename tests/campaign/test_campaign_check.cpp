// SPDX-License-Identifier: GPL-3.0-or-later
// The checker against faults planted in a clean saved campaign, one row per kind of finding: each
// row edits the files as a player or a modder might and must get its finding, and nothing more
// than notes is found in the clean campaign.

#include "campaign/campaign_check.h"

#include "core/galaxy_edit.h"
#include "core/generate_command.h"
#include "core/random.h"
#include "campaign/save.h"
#include "support/yes_dialog.h"
#include "gamedata/game_folder.h"
#include "gamedata/game_services.h"
#include "gamedata/names.h"
#include "support/game_copy.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <functional>

namespace fs = std::filesystem;

namespace orvek {
namespace {

// A game folder with the clean campaign "checkme" of 12 planets.
struct Planted {
    testing::TempDir dir;
    GameFolder folder{dir.str()};
    LoadedCampaign clean;

    explicit Planted(int planets = 12)
    {
        testing::make_small_game(dir, 40);
        GalaxySettings settings;
        settings.planet_count = std::to_string(planets);
        settings.wormhole_count = "2";
        Random random(7);
        GameFolderServices sources(folder);
        LastStatus status;
        GenerationServices services{status, sources, sources, sources};
        Galaxy galaxy;
        std::string name;
        run_generate_command(GenerateKind::Custom, settings, galaxy, name, services, random);
        SaveRequest request;
        request.campaign_name = "Check Me";
        testing::YesDialog yes;
        save_campaign(galaxy, request, folder, random, yes);
        clean = load_campaign(folder, "checkme");
    }
    fs::path map() const { return dir.path() / "campaign/data/maps/checkme.txt"; }
    fs::path file(int planet) const
    {
        return dir.path() / "campaign/data/encounters/checkme" /
               clean.planets[static_cast<std::size_t>(planet)].file_name;
    }
    // Replaces the first match of `pattern` in the file: text (with \r and \n written as such),
    // optionally followed by [^\r]* (the rest of the line), [^\r]*\r\n (the whole line) or \d+
    // (a number); "^" and "$" are the file's start and end.
    static void rewrite(const fs::path& path, const std::string& pattern, const std::string& with)
    {
        const std::string bytes = testing::read_bytes(path);
        std::string edited;
        if (pattern == "^" || pattern == "$") {
            edited = pattern == "^" ? with + bytes : bytes + with;
        } else {
            std::string text = pattern;
            const auto strip = [&](const std::string& suffix) {
                const bool has =
                    text.size() >= suffix.size() &&
                    text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
                if (has)
                    text.erase(text.size() - suffix.size());
                return has;
            };
            const bool line = strip("[^\\r]*\\r\\n"), rest = line || strip("[^\\r]*"),
                       number = strip("\\d+");
            for (const auto& [from, to] : {std::pair{"\\r", "\r"}, std::pair{"\\n", "\n"}})
                for (std::size_t at; (at = text.find(from)) != std::string::npos;)
                    text.replace(at, 2, to);
            const std::size_t start = bytes.find(text);
            ASSERT_NE(start, std::string::npos) << pattern << " in " << path;
            std::size_t end = start + text.size();
            if (rest)
                end = std::min(bytes.find('\r', end), bytes.size()) + (line ? 2 : 0);
            while (number && end < bytes.size() && bytes[end] >= '0' && bytes[end] <= '9')
                ++end;
            edited = bytes.substr(0, start) + with + bytes.substr(end);
        }
        ASSERT_NE(edited, bytes) << pattern << " in " << path;
        std::ofstream(path, std::ios::binary | std::ios::trunc) << edited;
    }
    void set_links(int planet, const std::vector<int>& links) const
    {
        std::string line = "wormholes = ";
        for (int l : links)
            line += std::to_string(l) + ",";
        rewrite(file(planet), "wormholes = [^\\r]*", line);
    }
    const std::vector<std::int32_t>& links(int planet) const
    {
        return clean.planets[static_cast<std::size_t>(planet)].planet.links;
    }
};

// A position of 10 to 999 map units as an encounter file writes it ("0.0450").
std::string position_value(int v)
{
    return "0." + std::string(v < 100 ? "0" : "") + std::to_string(v) + "0";
}

TEST(CampaignCheck, EveryPlantedFaultIsFound)
{
    using Edit = std::function<void(Planted&)>;
    struct Row {
        const char* name;
        Edit edit;
        bool problem;
        std::string found;
    } rows[] = {
        {"a map line missing",
         [](Planted& p) { p.rewrite(p.map(), "MapTexture = [^\\r]*\\r\\n", ""); }, true,
         "missing or out of order"},
        {"Planets wrong", [](Planted& p) { p.rewrite(p.map(), "Planets = 12", "Planets = 13"); },
         true, "Planets is 13"},
        {"Planets with decimals",
         [](Planted& p) { p.rewrite(p.map(), "Planets = 12", "Planets = 12.5"); }, true,
         "Planets is not a number"},
        {"entries misnumbered", [](Planted& p) { p.rewrite(p.map(), "\\n3 = ", "\n7 = "); }, true,
         "is numbered 7"},
        {"Name not the folder's",
         [](Planted& p) { p.rewrite(p.map(), "Name = checkme", "Name = x"); }, true, "Name is"},
        {"map size", [](Planted& p) { p.rewrite(p.map(), "MapSizeX = 1000", "MapSizeX = 999"); },
         true, "the map size is 999"},
        {"Homeworld outside",
         [](Planted& p) { p.rewrite(p.map(), "Homeworld = \\d+", "Homeworld = 99"); }, true,
         "Homeworld is 99"},
        {"Homeworld just past the last planet",
         [](Planted& p) { p.rewrite(p.map(), "Homeworld = \\d+", "Homeworld = 12"); }, true,
         "Homeworld is 12"},
        {"Homeworld not a number",
         [](Planted& p) { p.rewrite(p.map(), "Homeworld = \\d+", "Homeworld = x7"); }, true,
         "Homeworld is not a number,"},
        {"a lone CR at the end", [](Planted& p) { p.rewrite(p.file(8), "$", "x\r"); }, true,
         "without CR LF"},
        {"picture gone",
         [](Planted& p) { p.rewrite(p.map(), "MapTexture = [^\\r]*", "MapTexture = gone.jpg"); },
         true, "not in the pictures folder"},
        {"encounter file missing", [](Planted& p) { fs::remove(p.file(2)); }, true,
         "is not in the campaign's folder"},
        {"a file named twice",
         [](Planted& p) {
             p.rewrite(p.map(), "\\n3 = [^\\r]*",
                       "\n3 = campaign/data/encounters/checkme/" + p.clean.planets[2].file_name);
         },
         true, "named by two entries"},
        {"EncounterID",
         [](Planted& p) { p.rewrite(p.file(4), "EncounterID = 4", "EncounterID = 5"); }, true,
         "EncounterID is not 4"},
        {"EncounterID of a million",
         [](Planted& p) { p.rewrite(p.file(4), "EncounterID = 4", "EncounterID = 1000000"); }, true,
         "EncounterID \"1000000\" is not a planet number"},
        {"position malformed",
         [](Planted& p) {
             p.rewrite(p.file(5), "MapPosition.X = [^\\r]*", "MapPosition.X = zero");
         },
         true, "is not a position"},
        {"position with a sign",
         [](Planted& p) {
             p.rewrite(p.file(5), "MapPosition.X = [^\\r]*", "MapPosition.X = -0.4040");
         },
         true, "\"-0.4040\" is not a position"},
        {"position of three digits",
         [](Planted& p) { p.rewrite(p.file(5), "MapPosition.X = [^\\r]*", "MapPosition.X = 0.5"); },
         true, "\"0.5\" is not a position"},
        {"position with a point and no digits",
         [](Planted& p) { p.rewrite(p.file(5), "MapPosition.X = [^\\r]*", "MapPosition.X = 5."); },
         true, "\"5.\" is not a position"},
        {"position of a thousand whole units",
         [](Planted& p) {
             p.rewrite(p.file(5), "MapPosition.X = [^\\r]*", "MapPosition.X = 1000");
         },
         true, "\"1000\" is not a position"},
        {"two wormholes lines that disagree",
         [](Planted& p) {
             p.rewrite(p.file(5), "[terrain]", "[config]\r\nwormholes = 98,\r\n[terrain]");
         },
         true, "two wormholes lines disagree (lines "},
        {"no wormholes line",
         [](Planted& p) { p.rewrite(p.file(6), "wormholes = [^\\r]*\\r\\n", ""); }, true,
         "the file has no wormholes line"},
        {"no guiname line", [](Planted& p) { p.rewrite(p.file(6), "guiname = [^\\r]*\\r\\n", ""); },
         true, "the file has no guiname line"},
        {"a map key twice",
         [](Planted& p) {
             p.rewrite(p.map(), "\\r\\n[encounters]", "\r\nHomeworld = 1\r\n[encounters]");
         },
         true, "Homeworld is set twice (lines 2 and "},
        {"position outside",
         [](Planted& p) {
             p.rewrite(p.file(5), "MapPosition.X = [^\\r]*", "MapPosition.X = 0.9990");
         },
         true, "outside 0.0200..0.9790"},
        {"position a unit short of the left edge",
         [](Planted& p) {
             p.rewrite(p.file(5), "MapPosition.X = [^\\r]*", "MapPosition.X = 0.0190");
         },
         true, "outside 0.0200..0.9790"},
        {"within the clearance",
         [](Planted& p) {
             const Planet& first = p.clean.planets[0].planet;
             p.rewrite(p.file(1), "MapPosition.X = [^\\r]*",
                       "MapPosition.X = " + position_value(first.x));
             p.rewrite(p.file(1), "MapPosition.Y = [^\\r]*",
                       "MapPosition.Y = " + position_value(first.y));
         },
         true, "(planet 0)"},
        {"a link to no planet", [](Planted& p) { p.set_links(0, {99}); }, true, "does not exist"},
        {"a link one past the last planet", [](Planted& p) { p.set_links(0, {12}); }, true,
         "does not exist"},
        {"a link to itself", [](Planted& p) { p.set_links(0, {0}); }, true, "links to itself"},
        {"a link twice",
         [](Planted& p) {
             p.set_links(0, {p.links(0)[0], p.links(0)[0]});
         },
         true, "twice"},
        {"a link one way",
         [](Planted& p) {
             std::vector<int> more(p.links(0).begin(), p.links(0).end());
             for (int q = 1; q < 12; ++q)
                 if (std::find(more.begin(), more.end(), q) == more.end()) {
                     more.push_back(q);
                     break;
                 }
             p.set_links(0, more);
         },
         true, ") is not mutual"},
        {"no wormholes line, a hop count of 0: no link",
         [](Planted& p) {
             const std::string q = std::to_string(p.links(6)[0]);
             p.rewrite(p.file(6), "wormholes = [^\\r]*\\r\\n", "");
             p.rewrite(p.file(6), "\\n1 = " + q + ",1", "\n1 = " + q + ",0");
         },
         true, "is not mutual"},
        {"hop counts", [](Planted& p) { p.rewrite(p.file(0), "0 = 0,0", "0 = 0,1"); }, true,
         "[hopcounts] section does not match"},
        {"a hop count without its hops",
         [](Planted& p) { p.rewrite(p.file(0), "0 = 0,0", "0 = 0"); }, true,
         "[hopcounts] section does not match"},
        {"an unknown feature, named by its first 60 letters",
         [](Planted& p) {
             p.rewrite(p.file(3), "$", "[variables]\r\n" + std::string(61, 'q') + "\r\n");
         },
         false, "the feature \"" + std::string(60, 'q') + "\" is unknown"},
        {"a planet cut off",
         [](Planted& p) {
             for (int q : p.links(11)) {
                 std::vector<int> kept;
                 for (int l : p.links(q))
                     if (l != 11)
                         kept.push_back(l);
                 p.set_links(q, kept);
             }
             p.set_links(11, {});
         },
         true, "(planet 11) cannot be reached from "},
        {"home without its facilities",
         [](Planted& p) {
             p.rewrite(p.file(static_cast<int>(p.clean.home.value)), "1 = shipyarda",
                       "1 = shipyardb");
         },
         true, "lacks its shipyarda"},
        {"a byte-order mark", [](Planted& p) { p.rewrite(p.file(6), "^", "\xEF\xBB\xBF"); }, true,
         "byte-order mark"},
        {"UTF-8 text",
         [](Planted& p) { p.rewrite(p.file(7), "guiname = [^\\r]*", "guiname = Caf\xC3\xA9"); },
         true, "UTF-8"},
        {"the home planet without its academy",
         [](Planted& p) {
             p.rewrite(p.file(static_cast<int>(p.clean.home.value)), "2 = smallacademy",
                       "2 = largeacademy");
         },
         true, "lacks its smallacademy"},
        {"UTF-8 text of the lowest two-byte lead",
         [](Planted& p) { p.rewrite(p.file(7), "guiname = [^\\r]*", "guiname = \xC2\xA9 Sol"); },
         true, "UTF-8"},
        {"UTF-8 text of three bytes",
         [](Planted& p) { p.rewrite(p.file(7), "guiname = [^\\r]*", "guiname = Caf\xE2\x82\xAC"); },
         true, "UTF-8"},
        {"a bare LF", [](Planted& p) { p.rewrite(p.file(8), "\\r\\n", "\n"); }, true,
         "without CR LF"},
        {"a path out of the game folder",
         [](Planted& p) { p.rewrite(p.map(), "\\n9 = [^\\r]*", "\n9 = ../../../../victim.txt"); },
         true, "it was not opened"},
        {"a stray file",
         [](Planted& p) { p.dir.write("campaign/data/encounters/checkme/stray.txt", "x"); }, false,
         "no entry of the map file names this file"},
        {"a template gone",
         [](Planted& p) {
             fs::remove(p.dir.path() / "campaign/data/encounters/all" /
                        p.clean.planets[1].file_name);
         },
         false, "no longer in encounters/all"},
        {"an unknown keyword",
         [](Planted& p) { p.rewrite(p.file(3), "$", "[variables]\r\nSTRANGE_RULE\r\n"); }, false,
         "\"STRANGE_RULE\" is unknown"},
        {"two variants of one facility",
         [](Planted& p) {
             p.rewrite(p.file(3), "$", "[facilities]\r\n0 = smallacademy\r\n1 = largeacademy\r\n");
         },
         false, "holds smallacademy and largeacademy, two variants of one facility"},
        {"two variants written without blanks",
         [](Planted& p) {
             p.rewrite(p.file(3), "$", "[facilities]\r\n0=smallacademy\r\n1=largeacademy\r\n");
         },
         false, "holds smallacademy and largeacademy, two variants of one facility"},
    };
    // Of 30 stray files, 20 are listed and the rest counted.
    {
        Planted p;
        for (int i = 0; i < 30; ++i)
            p.dir.write("campaign/data/encounters/checkme/stray" + std::to_string(i) + ".txt", "x");
        const std::vector<Finding> findings =
            check_campaign(p.folder, load_campaign(p.folder, "checkme"));
        const auto listed = std::count_if(findings.begin(), findings.end(), [](const Finding& f) {
            return f.sentence == "no entry of the map file names this file";
        });
        EXPECT_EQ(listed, 20);
        EXPECT_EQ(findings.back().sentence, "and 10 more: files no entry names");
    }
    // Of 24 planets cut off, 20 are named and the rest counted.
    {
        Planted p(25);
        for (int q = 0; q < 25; ++q)
            p.set_links(q, {});
        const std::vector<Finding> findings =
            check_campaign(p.folder, load_campaign(p.folder, "checkme"));
        const auto cut = std::find_if(findings.begin(), findings.end(), [](const Finding& f) {
            return f.sentence.find("cannot be reached") != std::string::npos;
        });
        ASSERT_NE(cut, findings.end());
        EXPECT_NE(cut->sentence.find(") and 4 more cannot be reached from "), std::string::npos)
            << cut->sentence;
        std::size_t titles = 0;
        for (std::size_t at = 0; (at = cut->sentence.find("(planet ", at)) != std::string::npos;
             ++at)
            ++titles;
        EXPECT_EQ(titles, 21u) << cut->sentence;
    }
    // A numbered line among the map's keys is no planet: the entries follow "[encounters]".
    {
        Planted p;
        p.rewrite(p.map(), "\\r\\n[encounters]", "\r\n12 = x.txt\r\n[encounters]");
        EXPECT_EQ(load_campaign(p.folder, "checkme").planets.size(), p.clean.planets.size());
    }
    // What is sound must not be found: after each of these edits, no finding holds the words.
    const struct Sound {
        const char* name;
        Edit edit;
        std::string absent;
        std::string id = "checkme";
    } sound[] = {
        // A planet whose file was not read has no links to judge: no link to it is "not mutual".
        {"a file not read", [](Planted& p) { fs::remove(p.file(2)); }, "does not link back"},
        // Nor a place: a jumpgate to it is drawn through no planet.
        {"a gate to a file not read, a planet on its line",
         [](Planted& p) {
             const Planet& from = p.clean.planets[p.links(11)[0]].planet;
             fs::remove(p.file(11));
             const int other = p.links(11)[0] == 5 ? 6 : 5;
             p.rewrite(p.file(other), "MapPosition.X = [^\\r]*",
                       "MapPosition.X = " + position_value(from.x / 2));
             p.rewrite(p.file(other), "MapPosition.Y = [^\\r]*",
                       "MapPosition.Y = " + position_value(from.y / 2));
         },
         "to planet 11 is drawn through"},
        {"the map's edges",
         [](Planted& p) {
             p.rewrite(p.file(5), "MapPosition.X = [^\\r]*", "MapPosition.X = 0.9790");
             p.rewrite(p.file(6), "MapPosition.Y = [^\\r]*", "MapPosition.Y = 0.0200");
         },
         "outside"},
        // A template's own two variants of one facility, which a Save that keeps its facilities
        // writes, are no finding of the campaign.
        {"a template's own two variants",
         [](Planted& p) {
             const std::string both = "[facilities]\r\n0 = smallacademy\r\n1 = largeacademy\r\n";
             Planted::rewrite(p.dir.path() / "campaign/data/encounters/all" /
                                  p.clean.planets[3].file_name,
                              "$", both);
             p.rewrite(p.file(3), "$", both);
         },
         "two variants"},
        {"a comment in [variables]",
         [](Planted& p) { p.rewrite(p.file(3), "$", "[variables]\r\n// inherited\r\n; old\r\n"); },
         "inherited"},
        {"an entry misnumbered, its file's EncounterID the planet's number",
         [](Planted& p) { p.rewrite(p.map(), "\\n3 = ", "\n7 = "); }, "EncounterID"},
        {"the picture named in capitals",
         [](Planted& p) {
             p.rewrite(p.map(), "MapTexture = [^\\r]*",
                       "MapTexture = NEBULA" + p.clean.picture.substr(6));
         },
         "not in the pictures folder"},
        {"the campaign asked for in capitals", [](Planted&) {}, "Name is", "CheckMe"},
        // A name as long as its field may hold is read whole.
        {"names as long as they may be",
         [](Planted& p) {
             p.rewrite(p.file(5), "guiname = [^\\r]*",
                       "guiname = " + std::string(kMaxNameLength, 'N'));
             p.rewrite(p.map(), "GUIName = [^\\r]*",
                       "GUIName = " + std::string(kMaxCampaignNameLength, 'N'));
         },
         "characters long"},
        {"two guiname lines that agree",
         [](Planted& p) {
             p.rewrite(p.file(5), "[terrain]",
                       "[config]\r\nguiname = " + p.clean.planets[5].planet.system_name +
                           "\r\n[terrain]");
         },
         "disagree"},
        {"a variable of the template in [variables]",
         [](Planted& p) { p.rewrite(p.file(3), "$", "[variables]\r\ndifficulty = 3\r\n"); },
         "difficulty"},
        {"no wormholes line: the links are the hop counts'",
         [](Planted& p) { p.rewrite(p.file(6), "wormholes = [^\\r]*\\r\\n", ""); },
         "does not link back"},
    };
    for (const Sound& row : sound) {
        Planted p;
        row.edit(p);
        for (const Finding& f : check_campaign(p.folder, load_campaign(p.folder, row.id)))
            EXPECT_EQ(f.sentence.find(row.absent), std::string::npos)
                << row.name << ": " << f.sentence;
    }
    {
        Planted clean;
        EXPECT_TRUE(check_campaign(clean.folder, clean.clean).empty())
            << check_campaign(clean.folder, clean.clean).front().sentence;
    }
    for (const Row& row : rows) {
        Planted p;
        row.edit(p);
        const auto before = testing::snapshot(p.dir.path());
        const std::vector<Finding> findings =
            check_campaign(p.folder, load_campaign(p.folder, "checkme"));
        const bool found = std::any_of(findings.begin(), findings.end(), [&](const Finding& f) {
            return f.problem == row.problem && f.sentence.find(row.found) != std::string::npos;
        });
        std::string all;
        for (const Finding& f : findings)
            all += "\n  " + f.file + ":" + std::to_string(f.line) + ": " + f.sentence;
        EXPECT_TRUE(found) << row.name << all;
        EXPECT_EQ(testing::snapshot(p.dir.path()), before) << row.name << ": checking wrote";
    }
}

// Hostile content gives findings: never a crash, a hang or a file opened outside the campaign.
TEST(CampaignCheck, HostileContentGivesFindings)
{
    std::string many = "wormholes = ";
    for (int i = 0; i < 10000; ++i)
        many += std::to_string(i % 12) + ",";
    struct Row {
        const char* name;
        std::function<void(Planted&)> edit;
    } rows[] = {
        {"a 10 MB line",
         [](Planted& p) {
             p.rewrite(p.file(0), "MapPosition.X = [^\\r]*",
                       "MapPosition.X = 0." + std::string(10 << 20, '7'));
         }},
        {"binary junk",
         [](Planted& p) {
             std::ofstream(p.file(1), std::ios::binary)
                 << std::string("\0\xff\xfe[config]\0\r\x80", 12);
         }},
        {"10,000 links", [&](Planted& p) { p.rewrite(p.file(2), "wormholes = [^\\r]*", many); }},
        {"huge and negative numbers",
         [](Planted& p) {
             p.rewrite(p.map(), "Homeworld = \\d+", "Homeworld = -99999999999999999999");
             p.rewrite(p.map(), "Planets = 12", "Planets = 999999999999");
             p.set_links(3, {-5, 2147483647});
             p.rewrite(p.file(4), "EncounterID = 4", "EncounterID = -1");
         }},
        {"paths out of the game folder",
         [](Planted& p) {
             p.rewrite(p.map(), "\\n1 = [^\\r]*", "\n1 = ..\\..\\x.txt");
             p.rewrite(p.map(), "\\n2 = [^\\r]*", "\n2 = /etc/passwd");
             p.rewrite(p.map(), "\\n3 = [^\\r]*",
                       "\n3 = campaign/data/encounters/all/campaign_all_001.txt");
         }},
        {"an empty map file", [](Planted& p) { std::ofstream(p.map(), std::ios::trunc); }},
        {"10,000 map entries",
         [](Planted& p) {
             std::ofstream map(p.map(), std::ios::app | std::ios::binary);
             for (int i = 12; i < 10'012; ++i)
                 map << i << " = campaign/data/encounters/checkme/more" << i << ".txt\r\n";
         }},
        {"a planet name of 1 MB",
         [](Planted& p) {
             p.rewrite(p.file(5), "guiname = [^\\r]*", "guiname = " + std::string(1'000'000, 'N'));
         }},
        {"campaign names of 300 KB",
         [](Planted& p) {
             p.rewrite(p.map(), "GUIName = [^\\r]*", "GUIName = " + std::string(300'000, 'N'));
             p.rewrite(p.map(), "\\nName = [^\\r]*", "\nName = " + std::string(300'000, 'n'));
             p.rewrite(p.map(), "MapTexture = [^\\r]*",
                       "MapTexture = " + std::string(300'000, 'j'));
         }},
        {"12 planet files of 1 MB of empty lines",
         [](Planted& p) {
             for (int i = 0; i < 12; ++i)
                 std::ofstream(p.file(i), std::ios::app) << std::string(1'000'000, '\n');
         }},
    };
    for (const Row& row : rows) {
        Planted p;
        row.edit(p);
        const auto before = testing::snapshot(p.dir.path(), true);
        const LoadedCampaign campaign = load_campaign(p.folder, "checkme");
        const std::vector<Finding> findings = check_campaign(p.folder, campaign);
        EXPECT_GT(problem_count(findings), 0) << row.name;
        EXPECT_EQ(testing::snapshot(p.dir.path(), true), before) << row.name;
        // Nothing longer than a field holds reaches what draws, lays out or prints the campaign.
        EXPECT_LE(campaign.name.size(), kMaxCampaignNameLength) << row.name;
        EXPECT_LE(campaign.name_key.size(), kMaxCampaignNameLength) << row.name;
        EXPECT_LE(campaign.picture.size(), 255u) << row.name;
        EXPECT_LE(campaign.planets.size(), std::size_t{kMostPlanets}) << row.name;
        std::size_t bytes = 0;
        for (const LoadedPlanet& planet : campaign.planets) {
            EXPECT_LE(planet.planet.system_name.size(), std::size_t{kMaxNameLength}) << row.name;
            EXPECT_LE(planet.planet.links.size(), std::size_t{kMostPlanets}) << row.name;
            bytes += planet.bytes.size();
        }
        EXPECT_LE(bytes, std::size_t{24} << 20) << row.name;
    }
}

}  // namespace
}  // namespace orvek
