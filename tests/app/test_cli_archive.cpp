// SPDX-License-Identifier: GPL-3.0-or-later
// Campaign archives through the tool: one exported and imported as a player shares it, and every
// kind of hostile archive refused with a sentence, the game folder and a victim folder beside it
// untouched.

#include "support/game_copy.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace orvek {
namespace {

using testing::DemoGame;
using testing::TempDir;

struct Entry {
    std::string name, bytes;
    zip_uint32_t mode = 0100644;  // a regular file; a name ending in "/" is a folder
};

// A zip of the entries, in order, as any archiver could make it.
std::string make_zip(const std::vector<Entry>& entries)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_source_keep(source);
    zip_t* zip = zip_open_from_source(source, ZIP_TRUNCATE, &error);
    for (const Entry& e : entries) {
        const zip_int64_t at =
            e.name.back() == '/'
                ? zip_dir_add(zip, e.name.c_str(), ZIP_FL_ENC_RAW)
                : zip_file_add(zip, e.name.c_str(),
                               zip_source_buffer(zip, e.bytes.data(), e.bytes.size(), 0),
                               ZIP_FL_ENC_RAW);
        EXPECT_GE(at, 0) << e.name.substr(0, 80) << ": " << zip_strerror(zip);
        zip_file_set_external_attributes(zip, static_cast<zip_uint64_t>(at), 0, ZIP_OPSYS_UNIX,
                                         e.mode << 16);
    }
    EXPECT_EQ(zip_close(zip), 0);
    zip_stat_t stat;
    zip_source_stat(source, &stat);
    std::string bytes(static_cast<std::size_t>(stat.size), '\0');
    zip_source_open(source);
    zip_source_read(source, bytes.data(), stat.size);
    zip_source_close(source);
    zip_source_free(source);
    return bytes;
}

// Every header of a zip with the given signature: "PK\1\2" (central) or "PK\3\4" (local).
std::vector<std::size_t> headers(const std::string& zip, const char* signature)
{
    std::vector<std::size_t> found;
    for (std::size_t at = zip.find(signature, 0, 4); at != std::string::npos;
         at = zip.find(signature, at + 4, 4))
        found.push_back(at);
    return found;
}

void put16(std::string& zip, std::size_t at, unsigned value)
{
    zip[at] = static_cast<char>(value & 0xFF);
    zip[at + 1] = static_cast<char>(value >> 8);
}

// The bytes of one entry of the zip file at `path`, or empty when it holds none of that name.
std::string zip_entry(const std::string& path, const char* name)
{
    int error = 0;
    zip_t* zip = zip_open(path.c_str(), ZIP_RDONLY, &error);
    if (!zip)
        return {};
    std::string bytes;
    zip_stat_t stat;
    if (zip_stat(zip, name, 0, &stat) == 0) {
        zip_file_t* file = zip_fopen(zip, name, 0);
        bytes.resize(static_cast<std::size_t>(stat.size));
        if (!file ||
            zip_fread(file, bytes.data(), stat.size) != static_cast<zip_int64_t>(stat.size))
            bytes.clear();
        if (file)
            zip_fclose(file);
    }
    zip_discard(zip);
    return bytes;
}

// A saved campaign "shared" of the demo game, as archive entries.
struct Shared {
    DemoGame game;
    std::vector<Entry> entries;
    Shared()
    {
        EXPECT_EQ(game.run("--seed 5 --name Shared --save").status, 0);
        const fs::path data = game.dir.path() / "campaign/data";
        entries = {{"shared/", ""},
                   {"shared/maps/", ""},
                   {"shared/maps/shared.txt", testing::read_bytes(data / "maps/shared.txt")},
                   {"shared/encounters/", ""},
                   {"shared/encounters/shared/", ""}};
        for (const auto& file : fs::directory_iterator(data / "encounters/shared"))
            entries.push_back({"shared/encounters/shared/" + file.path().filename().string(),
                               testing::read_bytes(file.path())});
    }
    std::vector<Entry> with(const Entry& extra) const
    {
        std::vector<Entry> more = entries;
        more.push_back(extra);
        return more;
    }
};

TEST(CliArchive, HostileArchivesAreRefusedAndNothingIsWritten)
{
    Shared shared;
    const std::string good = make_zip(shared.entries);
    const std::string plain_file = shared.entries.back().name;
    // An entry of `size` zero bytes whose headers say it holds 100.
    const auto understated = [&](std::size_t size) {
        std::string zip = make_zip(shared.with({plain_file + "x", std::string(size, '\0')}));
        const std::size_t central = headers(zip, "PK\1\2").back();
        const std::size_t local = headers(zip, "PK\3\4").back();
        for (const std::size_t at : {central + 24, local + 22}) {
            put16(zip, at, 100);
            put16(zip, at + 2, 0);
        }
        return zip;
    };
    struct Case {
        const char* what;
        std::function<std::string()> zip;
        int status;
        const char* says;
    } cases[] = {
        {"not a zip", [] { return std::string("PK but no zip at all"); }, 5, "not a zip"},
        {"cut short", [&] { return good.substr(0, good.size() / 2); }, 5, "not a zip"},
        {"one part of several",
         [&] {
             std::string zip = good;
             const std::size_t end = zip.rfind(std::string("PK\5\6", 4));
             put16(zip, end + 4, 1);
             return zip;
         },
         5, "split over several files"},
        {"climbs out",
         [&] {
             return make_zip(shared.with({"shared/../../victim/x.txt", "x"}));
         },
         5, "outside the archive's folder"},
        {"absolute",
         [&] {
             return make_zip(shared.with({"/tmp/orvek-x.txt", "x"}));
         },
         5, "outside the archive's folder"},
        {"drive letter",
         [&] {
             return make_zip(shared.with({"C:/x.txt", "x"}));
         },
         5, "outside the archive's folder"},
        {"backslashes",
         [&] {
             return make_zip(shared.with({"shared\\..\\..\\x.txt", "x"}));
         },
         5, "outside the archive's folder"},
        {"a link",
         [&] {
             return make_zip(shared.with({"shared/encounters/shared/l.txt", "../..", 0120777}));
         },
         5, "a link or a device"},
        {"a device",
         [&] {
             return make_zip(shared.with({"shared/encounters/shared/d.txt", "", 0020644}));
         },
         5, "a link or a device"},
        {"two of one name",
         [&] {
             std::string twin = plain_file;
             twin.back() = 'u';
             std::string zip = make_zip(shared.with({twin, "x"}));
             // The last entry's name gets back the letter that made it another.
             for (const char* sig : {"PK\1\2", "PK\3\4"}) {
                 const std::size_t at = headers(zip, sig).back();
                 zip[at + (sig[2] == 1 ? 46 : 30) + twin.size() - 1] = plain_file.back();
             }
             return zip;
         },
         5, "two entries named"},  // "named alike" where the zip library finds it first
        {"equal but for case",
         [&] {
             std::string upper = plain_file;
             upper.back() = 'T';
             return make_zip(shared.with({upper, "x"}));
         },
         5, "equal but for letter case"},
        {"outside the layout",
         [&] {
             return make_zip(shared.with({"shared/readme.txt", "x"}));
         },
         5, "outside a campaign's layout"},
        {"a second folder",
         [&] {
             return make_zip(shared.with({"other/maps/other.txt", "x"}));
         },
         5, "one folder named by a campaign id"},
        {"one entry more than the largest campaign's",
         [&] {
             std::vector<Entry> more = shared.entries;
             for (int i = 0; more.size() < 176 + 3 + 4 + 1; ++i)
                 more.push_back(
                     {"shared/encounters/shared/more" + std::to_string(i) + ".txt", "x"});
             return make_zip(more);
         },
         5, "entries, more than the 183 of the largest campaign"},
        {"a file the map names is missing",
         [&] {
             std::vector<Entry> fewer = shared.entries;
             fewer.pop_back();
             return make_zip(fewer);
         },
         5, "which the archive does not hold"},
        {"no map file",
         [&] {
             return make_zip({{"shared/", ""}, {"shared/manifest.json", "{}"}});
         },
         5, "no map file"},
        {"a zip bomb",
         [&] {
             return make_zip(shared.with({plain_file + "x", std::string(64 << 20, '\0')}));
         },
         5, "more than a campaign's file can"},
        {"a size its headers understate", [&] { return understated(4 << 20); }, 5,
         "more than a campaign's file can"},
        {"one byte more than a file holds, understated",
         [&] { return understated((std::size_t{1} << 20) + 1); }, 5,
         "more than a campaign's file can"},
        {"a dot for a folder",
         [&] {
             return make_zip(shared.with({"shared/./x.txt", "x"}));
         },
         5, "names a place outside the archive's folder"},
        {"a folder outside the layout",
         [&] {
             return make_zip(shared.with({"shared/extra/", ""}));
         },
         5, "the folder \"shared/extra/\" lies outside a campaign's layout"},
        {"100,000 entries",
         [&] {
             std::vector<Entry> many = shared.entries;
             for (int i = 0; i < 100000; ++i)
                 many.push_back({"shared/" + std::to_string(i) + "/", ""});
             return make_zip(many);
         },
         5, "entries, more than"},
        {"a name of 10,000 characters",
         [&] {
             return make_zip(shared.with({"shared/" + std::string(10000, 'a'), "x"}));
         },
         5, "longer than"},
        {"a control character",
         [&] {
             return make_zip(shared.with({"shared/encounters/shared/\x1b[31m.txt", "x"}));
         },
         5, "control character"},
        {"the last control character",
         [&] {
             return make_zip(shared.with({"shared/encounters/shared/a\x1f.txt", "x"}));
         },
         5, "control character"},
        {"a delete character",
         [&] {
             return make_zip(shared.with({"shared/encounters/shared/a\x7f.txt", "x"}));
         },
         5, "control character"},
        {"encrypted",
         [&] {
             std::string zip = good;
             for (const char* sig : {"PK\1\2", "PK\3\4"})
                 for (const std::size_t at : headers(zip, sig))
                     zip[at + (sig[2] == 1 ? 8 : 6)] |= 1;
             return zip;
         },
         5, "encrypted"},
        {"a damaged compressed stream",
         [&] {
             std::string zip = good;
             // The last entry's data starts with a deflate block of the reserved type.
             const std::size_t at = headers(zip, "PK\3\4").back();
             EXPECT_EQ(zip[at + 8], 8) << "the entry is deflated";
             const auto field = [&](std::size_t offset) {
                 return static_cast<unsigned char>(zip[at + offset]) +
                        256u * static_cast<unsigned char>(zip[at + offset + 1]);
             };
             zip[at + 30 + field(26) + field(28)] = '\xFF';
             return zip;
         },
         5, "is damaged ("},
        {"another compression",
         [&] {
             std::string zip = good;
             for (const char* sig : {"PK\1\2", "PK\3\4"})
                 for (const std::size_t at : headers(zip, sig))
                     put16(zip, at + (sig[2] == 1 ? 10 : 8), 12);
             return zip;
         },
         5, "compressed by a method"},
    };
    TempDir victim;
    victim.write("keep.txt", "the victim's own file");
    for (const Case& c : cases) {
        const fs::path zip = shared.game.dir.path().parent_path() /
                             (fs::path(shared.game.dir.str()).filename().string() + ".zip");
        std::ofstream(zip, std::ios::binary) << c.zip();
        const auto game_before = testing::snapshot(shared.game.dir.path(), true);
        const auto victim_before = testing::snapshot(victim.path());
        const auto r = shared.game.run("--import '" + zip.string() + "' --name Imported");
        EXPECT_EQ(r.status, c.status) << c.what << ": " << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.what << ": " << r.err;
        EXPECT_EQ(testing::snapshot(shared.game.dir.path(), true), game_before) << c.what;
        EXPECT_EQ(testing::snapshot(victim.path()), victim_before) << c.what;
        fs::remove(zip);
    }
}

// An archive imported into the game folder it came from, step by step: under its own id only
// with --overwrite, under another name as that campaign, and with a problem only when asked.
TEST(CliArchive, ImportsUnderItsIdOrAnotherName)
{
    Shared shared;
    TempDir out;
    const std::string zip = (out.path() / "shared.zip").string(),
                      bad_zip = (out.path() / "bad.zip").string();
    ASSERT_EQ(shared.game.run("--export shared '" + zip + "'").status, 0);
    // Its preview is the campaign's map as --png draws it; its manifest names the campaign.
    const std::string png = (out.path() / "shared.png").string();
    ASSERT_EQ(shared.game.run("--open shared --png '" + png + "'").status, 0);
    EXPECT_EQ(zip_entry(zip, "shared/preview.png"), testing::read_bytes(png));
    EXPECT_NE(zip_entry(zip, "shared/manifest.json").find("\"name\": \"Shared\""),
              std::string::npos);
    std::vector<Entry> bad = shared.entries;
    std::string& map = bad[2].bytes;
    const std::size_t home = map.find("Homeworld = ");
    map.replace(home, map.find('\r', home) - home, "Homeworld = 999");
    std::ofstream(bad_zip, std::ios::binary) << make_zip(bad);
    const fs::path data = shared.game.dir.path() / "campaign/data";
    struct Step {
        const char* what;
        std::string args;
        int status;
        const char* says;  // on standard error, or standard output when it succeeds
        const char* made;  // a map file that must exist afterwards, or none
    } steps[] = {
        {"its own id again", "--import '" + zip + "'", 3, "exists already", nullptr},
        {"another name", "--import '" + zip + "' --name 'Other One'", 0,
         "imported \"Other One\" (otherone), ", "maps/otherone.txt"},
        {"that name again", "--import '" + zip + "' --name 'other one'", 3, "exists already",
         nullptr},
        {"a name of no id", "--import '" + zip + "' --name '!!'", 2, "makes no campaign id",
         nullptr},
        {"the name all", "--import '" + zip + "' --name ALL", 2, "makes no campaign id", nullptr},
        {"over its own id", "--import '" + zip + "' --overwrite", 0, "imported \"Shared\"",
         "maps/shared.txt"},
        {"with a problem", "--import '" + bad_zip + "' --name Bad", 5, "has 1 problem (give",
         nullptr},
        {"with a problem kept", "--import '" + bad_zip + "' --name Bad --keep-problems", 0,
         "imported \"Bad\" (bad)", "maps/bad.txt"},
    };
    for (const Step& step : steps) {
        const auto before = testing::snapshot(shared.game.dir.path(), true);
        const auto r = shared.game.run(step.args);
        EXPECT_EQ(r.status, step.status) << step.what << ": " << r.err;
        EXPECT_NE((r.status == 0 ? r.out : r.err).find(step.says), std::string::npos)
            << step.what << ": " << r.out << r.err;
        if (step.status != 0) {
            EXPECT_EQ(testing::snapshot(shared.game.dir.path(), true), before) << step.what;
        }
        if (step.made) {
            EXPECT_TRUE(fs::is_regular_file(data / step.made)) << step.what;
        }
    }
    // The campaign imported under another name names its own folder and checks clean.
    const std::string other = testing::read_bytes(data / "maps/otherone.txt");
    EXPECT_NE(other.find("Name = otherone\r\nGUIName = Other One\r\n"), std::string::npos);
    EXPECT_NE(other.find("= campaign/data/encounters/otherone/"), std::string::npos);
    EXPECT_EQ(other.find("encounters/shared/"), std::string::npos);
    EXPECT_EQ(shared.game.run("--check otherone").status, 0);
    EXPECT_EQ(shared.game.run("--check bad").status, 5);
    // An export that cannot write its file says so.
    EXPECT_EQ(shared.game.run("--export shared '" + out.str() + "/missing/x.zip'").status, 1);
}

}  // namespace
}  // namespace orvek
