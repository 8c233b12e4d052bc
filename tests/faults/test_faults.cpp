// SPDX-License-Identifier: GPL-3.0-or-later
// Bad input and faults, tried on the command-line tool and on the campaign library: each gives a
// clear message, and an existing campaign stays byte for byte as it was unless a confirmed save
// completed. The outcomes are summed up in docs/robustness.md.

#include "core/error.h"
#include "core/generator.h"
#include "core/random.h"
#include "campaign/encounter.h"
#include "image/jpeg.h"
#include "support/fake_services.h"
#include "faults/faults_fixture.h"
#include "support/game_copy.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <functional>
#include <map>
#include <thread>

#include <unistd.h>

namespace fs = std::filesystem;

namespace orvek {
namespace {

using testing::Game;
using testing::starts_with;
using testing::TempDir;
using testing::template_folder;

// ---- Templates ------------------------------------------------------------------------------

// A template that cannot be read, or is larger than a campaign file may be, fails the Save
// before anything is written.
TEST(Faults, UnreadableTemplates)
{
    struct Row {
        const char* reason;
        std::function<void(const fs::path&)> spoil;
    } rows[] = {
        {"Permission denied.", [](const fs::path& t) { fs::permissions(t, fs::perms::none); }},
        {"It holds more than 1048576 bytes.",
         [](const fs::path& t) { std::ofstream(t, std::ios::app) << std::string(1 << 20, ' '); }},
    };
    for (const Row& row : rows) {
        Game game;
        game.open_to_everyone();
        for (const auto& e : fs::directory_iterator(template_folder(game.dir)))
            row.spoil(e.path());
        auto before = game.campaigns();
        auto r = game.run("--seed 1 --save", true);
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(starts_with(r.err, "Cannot open file \"" + template_folder(game.dir)))
            << r.err;
        EXPECT_NE(r.err.find(row.reason), std::string::npos) << r.err;
        EXPECT_EQ(game.campaigns(), before);
    }
}

// A templates folder that cannot be listed is an error, not an empty listing: that would end in
// a misleading "List index out of bounds".
TEST(Faults, UnreadableTemplatesFolder)
{
    Game game;
    game.open_to_everyone();
    fs::permissions(template_folder(game.dir), fs::perms::none);
    auto r = game.run("--seed 1", true);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Cannot open folder \"" + template_folder(game.dir) + "/\". " +
                         "Permission denied.\n");
    // Listed but not searchable: each entry's kind cannot be found, which is an error too, not
    // a listing without the templates.
    fs::permissions(template_folder(game.dir),
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    r = game.run("--seed 1", true);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(
        starts_with(r.err, "Cannot open file \"" + template_folder(game.dir) + "/campaign_all_"))
        << r.err;
}

TEST(Faults, OddTemplatesAreWrittenWithWhatTheyHave)
{
    Planet planet;
    planet.links = {3};
    const std::string hop = "[hopcounts]\r\n0 = 0,0\r\n1 = 3,1\r\n\r\n";
    const std::string long_line(10 * 1024 * 1024, 'x');
    std::string many;
    for (int i = 0; i < 10000; ++i)
        many += "line " + std::to_string(i) + "\n";
    struct Case {
        const char* what;
        std::string in, out;
    } cases[] = {
        {"empty", "", "\r\n\r\n\r\n\r\n" + hop},
        {"no header", "name = x\r\nguiname = y\r\n", "\r\n\r\n\r\n\r\n" + hop},
        {"only CR", "[terrain]\ra\rb\r", "\r\n\r\n[terrain]\r\na\r\nb\r\n\r\n\r\n" + hop},
        {"only LF", "[terrain]\na\nb", "\r\n\r\n[terrain]\r\na\r\nb\r\n\r\n\r\n" + hop},
        {"NUL bytes", std::string("[terrain]\n\0a\0\n", 14),
         std::string("\r\n\r\n[terrain]\r\n\0a\0\r\n\r\n\r\n", 24) + hop},
        {"a 10 MB line", "[terrain]\n" + long_line + "\n",
         "\r\n\r\n[terrain]\r\n" + long_line + "\r\n\r\n\r\n" + hop},
    };
    for (const Case& c : cases) {
        Random random(1);
        EXPECT_EQ(render_encounter(c.in, 0, planet, {}, random), c.out) << c.what;
    }
    Random random(1);
    const std::string written = render_encounter("[terrain]\n" + many, 0, planet, {}, random);
    // An empty line for each of the four other sections, the header, the lines, the empty line
    // after them, and the three hop count lines.
    EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 4 + 1 + 10000 + 1 + 3);
}

TEST(Faults, OddTemplatesThroughTheTool)
{
    Game game;
    game.every_template(std::string("stray\r\0\0[config]\rname = \0\r[terrain]\n\0", 37));
    auto r = game.run("--seed 2 --save --name Odd --keep-problems");
    ASSERT_EQ(r.status, 0) << r.err;
    const fs::directory_entry first = *fs::directory_iterator(game.campaign("odd"));
    const std::string bytes = testing::read_bytes(first.path());
    EXPECT_TRUE(starts_with(bytes, std::string("\0\0[config]\r\nname = ", 19)))
        << "the line before the first header is dropped, the header found within its line";
    EXPECT_NE(bytes.find(std::string("[terrain]\r\n\0\r\n", 14)), std::string::npos);
}

// ---- Name lists ----------------------------------------------------------------------------

nlohmann::json galaxy_of(const testing::CommandResult& r)
{
    return nlohmann::json::parse(r.out);
}

TEST(Faults, NameLists)
{
    {
        Game game;  // missing: made-up names and the fixed campaign name
        for (const char* list : {"stars.txt", "regions.txt", "types.txt"})
            fs::remove(game.dir.path() / list);
        auto r = game.run("--seed 3 --json -");
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(galaxy_of(r)["campaign_name"], "Delphic Expanse");
    }
    {
        Game game;  // empty: an empty region and type, so no usable campaign id for Save
        for (const char* list : {"stars.txt", "regions.txt", "types.txt"})
            game.dir.write(list, "");
        auto r = game.run("--seed 3 --save");
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "The campaign name needs at least one letter or digit!\n");
    }
    {
        Game game;  // there but unreadable: an error, not another galaxy for the seed
        game.open_to_everyone();
        for (const char* list : {"stars.txt", "regions.txt", "types.txt"})
            fs::permissions(game.dir.path() / list, fs::perms::none);
        auto r = game.run("--seed 3 --json -", true);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("regions.txt\". Permission denied."), std::string::npos) << r.err;
    }
    {
        Game game;  // 100,000 lines, a NUL in the middle, bytes above 127
        std::string stars;
        for (int i = 0; i < 50000; ++i)
            stars += "Star \xE9" + std::to_string(i) + "\r\n";
        stars += std::string("\0", 1);
        for (int i = 0; i < 50000; ++i)
            stars += "Hidden " + std::to_string(i) + "\r\n";
        game.dir.write("stars.txt", stars);
        auto r = game.run("--seed 3 --json - --save --name Names");
        ASSERT_EQ(r.status, 0) << r.err;
        const nlohmann::json galaxy = galaxy_of(r);
        for (const auto& planet : galaxy["planets"]) {
            const std::string name = planet["name"];
            EXPECT_TRUE(starts_with(name, "Star \xC3\xA9")) << name;
        }
        const fs::directory_entry first = *fs::directory_iterator(game.campaign("names"));
        EXPECT_NE(testing::read_bytes(first.path()).find("guiname = Star \xE9"), std::string::npos);
    }
}

// ---- Pictures ------------------------------------------------------------------------------

TEST(Faults, BrokenPictures)
{
    RgbImage small{64, 64, std::vector<std::uint8_t>(64 * 64 * 3, 90)};
    const std::string jpeg = encode_jpeg(small, 90);
    struct Case {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"corrupt", std::string(jpeg.size(), '\x55')},
        {"truncated", jpeg.substr(0, 200)},
        {"a PNG renamed", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x10", 20)},
        {"zero bytes", ""},
    };
    for (const Case& c : cases) {
        Game game;
        game.picture(c.bytes);
        TempDir out;
        auto r = game.run("--seed 4 --png '" + (out.path() / "m.png").string() + "'");
        EXPECT_EQ(r.status, 1) << c.what;
        EXPECT_TRUE(starts_with(r.err, "JPEG error #")) << c.what << ": " << r.err;
        EXPECT_FALSE(fs::exists(out.path() / "m.png"));
        EXPECT_EQ(game.run("--seed 4").status, 0) << "without the picture the galaxy is fine";
    }
}

TEST(Faults, HugePicture)
{
    RgbImage huge{8192, 8192, std::vector<std::uint8_t>(std::size_t{8192} * 8192 * 3, 40)};
    Game game;
    game.picture(encode_jpeg(huge, 50));
    TempDir out;
    auto r = game.run("--seed 4 --png '" + (out.path() / "m.png").string() + "'");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(out.path() / "m.png"));
}

// ---- Number fields and extreme settings -----------------------------------------------------

TEST(Faults, NumberFields)
{
    Game game;
    struct Case {
        const char* planets;
        int status;
        std::string err;
    } cases[] = {
        {"", 1, "'' is not a valid integer value.\n"},
        {"-5", 0, "seed 8: \"Outer Sector\" (outersector), 8 planets, 1 attempts\n"},
        {"1e3", 1, "'1e3' is not a valid integer value.\n"},
        {"' 7'", 1, "' 7' is not a valid integer value.\n"},
        {"0x10", 1, "'0x10' is not a valid integer value.\n"},
        {"1234", 0, "seed 8: \"Outer Void\" (outervoid), 175 planets, 8 attempts\n"},
    };
    for (const Case& c : cases) {
        auto r = game.run(std::string("--seed 8 --custom ") + c.planets + ",1,30,40,5 --json -");
        EXPECT_EQ(r.status, c.status) << c.planets;
        EXPECT_EQ(r.err, c.err) << c.planets;
        if (c.status == 0) {
            EXPECT_EQ(galaxy_of(r)["settings"]["planets"],
                      std::string(c.planets) == "-5" ? 8 : 175);
        }
    }
}

TEST(Faults, ExtremeSettings)
{
    Game game;
    struct Case {
        const char* custom;
        int status;
        std::string err;
    } cases[] = {
        {"175,9,30,40,5", 0, ""},
        {"8,9,30,40,5", 1, "8 planets can take at most 8 wormholes.\n"},
        {"60,2,1,1,1", 0, ""},
        {"60,2,99,99,99", 0, ""},
    };
    for (const Case& c : cases) {
        auto r = game.run(std::string("--seed 9 --custom ") + c.custom);
        EXPECT_EQ(r.status, c.status) << c.custom << r.err;
        EXPECT_EQ(r.err, c.err) << c.custom;
    }
}

TEST(Faults, StringStyleAtFullSizeIsCancelled)
{
    testing::FakeWorld world;
    world.names.names.resize(300);
    GalaxyParams params;
    params.planets = 175;
    params.join1 = 59;
    params.join2 = 20;
    params.join3 = 1;
    params.wormhole_text = "0";
    GenerationProgress progress;
    Galaxy galaxy;
    Random random(10);
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::seconds(2));
        progress.cancel = true;
    });
    EXPECT_EQ(generate_galaxy(params, world.services, random, galaxy, &progress),
              GenerationResult::Cancelled);
    stopper.join();
    EXPECT_TRUE(galaxy.planets.empty());
    EXPECT_GT(progress.attempts.load(), 100u);
}

}  // namespace
}  // namespace orvek
