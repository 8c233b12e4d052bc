// SPDX-License-Identifier: GPL-3.0-or-later
// make-demo-game DIR: writes a complete game folder of the project's own, so that the generator
// can be tried and tested without the game: the "Orvek.exe" marker, 200 encounter templates,
// eight nebula pictures, an empty maps folder and the three name lists. The output is the same
// on every run. make-demo-game --variant NAME DIR writes a game folder whose templates have one
// of the shapes of template_variants.h (and two small pictures). make-demo-game --picture FILE
// [SIZE] writes the window's built-in start-up picture (1024 pixels square unless SIZE says
// otherwise).

#include "core/ascii.h"
#include "core/random.h"
#include "demo_names.h"
#include "image/jpeg.h"
#include "nebula.h"
#include "template_variants.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using orvek::Random;

namespace {

void write_bytes(const fs::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

template <std::size_t N>
std::string lines_of(const char* const (&entries)[N])
{
    std::string text;
    for (const char* entry : entries)
        text += std::string(entry) + "\r\n";
    return text;
}

template <std::size_t N>
const char* pick(const char* const (&entries)[N], Random& random)
{
    return entries[random(static_cast<std::uint32_t>(N))];
}

std::string lower_no_spaces(const std::string& name)
{
    std::string out;
    for (char c : name)
        if (c != ' ')
            out += orvek::ascii_lower(c);
    return out;
}

constexpr const char* kSuns[] = {"yellow_dwarf", "red_dwarf",    "blue_giant",  "white_dwarf",
                                 "binary_pair",  "neutron_star", "orange_giant"};
constexpr const char* kFields[] = {"none", "sparse", "scattered", "dense", "ring"};
constexpr const char* kNebulae[] = {"none", "none", "ion_storm", "dust_veil", "emission_cloud"};
constexpr const char* kMusic[] = {"ambient_drift", "ambient_tension", "battle_far",
                                  "ambient_hollow"};
constexpr const char* kOwners[] = {"neutral", "pirates", "league", "remnant", "traders"};
constexpr const char* kFacilities[] = {"smallfactory", "mediumfactory", "smallacademy",
                                       "repairyard",   "shipyarda",     "shipyardb"};
constexpr const char* kSuffixes[] = {"Prime", "Station", "Outpost", "Deep",
                                     "Gate",  "Haven",   "Rock"};
constexpr const char* kRemarks[] = {
    "; scouting reports are old, expect surprises",
    "; the traders keep a beacon running here",
    "; asteroid mining claim, contested",
    "; long-range sensors are unreliable near the sun",
};

using Section = std::vector<std::string>;

// The sections one after another in CR LF lines, some followed by a blank line.
std::string sections_text(const std::vector<Section>& sections, Random& random)
{
    std::string text;
    for (const auto& section : sections) {
        for (const auto& line : section)
            text += line + "\r\n";
        if (random(2) == 0)
            text += "\r\n";
    }
    return text;
}

// A template's [config] section, some with a comment line after the header.
Section config_section(int number, Random& random)
{
    const std::string guiname =
        std::string(pick(orvek::demo::kStarNames, random)) + " " + pick(kSuffixes, random);
    Section config = {
        "[config]",
        "name = " + lower_no_spaces(guiname),
        "guiname = " + guiname,
        "MapPosition.X = 0.5000",
        "MapPosition.Y = 0.5000",
        "EncounterID = " + std::to_string(number),
        "mapiconsize = 24.0000",
        "wormholes = ",
        "difficulty = " + std::to_string(1 + random(5)),
        "owner = " + std::string(pick(kOwners, random)),
        "music = " + std::string(pick(kMusic, random)),
    };
    if (random(4) == 0)
        config.insert(config.begin() + 1, pick(kRemarks, random));
    return config;
}

// One encounter template. Most keep the usual section order; some put hop counts or terrain
// first, add comments, or carry keys the generator does not touch, as hand-made files do.
std::string make_template(int number)
{
    Random random(0xC0FFEEu + static_cast<std::uint32_t>(number) * 7919u);
    const Section config = config_section(number, random);
    std::vector<std::string> variables = {"[variables]"};
    if (random(3) == 0)
        variables.push_back("PIRATE_ACTIVITY = " + std::to_string(random(4)));
    if (random(5) == 0)
        variables.push_back("REINFORCEMENT_DELAY = " + std::to_string(30 + random(90)));
    std::vector<std::string> terrain = {
        "[terrain]",
        "sun = " + std::string(pick(kSuns, random)),
        "asteroids = " + std::string(pick(kFields, random)),
        "nebula = " + std::string(pick(kNebulae, random)),
        "planets = " + std::to_string(random(7)),
        "seed = " + std::to_string(random(100000)),
    };
    std::vector<std::string> facilities = {"[facilities]"};
    for (std::uint32_t i = 0, n = random(3); i < n; ++i)
        facilities.push_back(std::to_string(i) + " = " + pick(kFacilities, random));
    std::vector<std::string> hopcounts = {"[hopcounts]", "0 = " + std::to_string(number) + ",0"};

    if (number % 17 == 5)
        return sections_text({hopcounts, terrain, config, variables, facilities}, random);
    if (number % 23 == 7)
        return sections_text({config, terrain, variables, hopcounts, facilities}, random);
    return sections_text({config, variables, terrain, facilities, hopcounts}, random);
}

void make_game(const fs::path& dir, const std::string& variant)
{
    const fs::path data = dir / "campaign" / "data";
    fs::create_directories(data / "encounters" / "all");
    fs::create_directories(data / "bitmaps" / "ui");
    fs::create_directories(data / "maps");
    write_bytes(dir / "Orvek.exe", "");
    for (int i = 0; i < 200; ++i)
        write_bytes(data / "encounters" / "all" / orvek::demo::variant_template_name(variant, i),
                    orvek::demo::vary_template(variant, i, make_template(i)));
    // A variant is for the writer and the reader: two small pictures are enough.
    const int pictures = variant.empty() ? 8 : 2, size = variant.empty() ? 1024 : 256;
    for (int i = 1; i <= pictures; ++i) {
        orvek::RgbImage picture =
            orvek::demo::make_nebula(size, 1000u + static_cast<std::uint32_t>(i), i - 1);
        write_bytes(data / "bitmaps" / "ui" / ("nebula" + std::to_string(i) + ".jpg"),
                    orvek::encode_jpeg(picture, 88));
    }
    write_bytes(dir / "stars.txt", lines_of(orvek::demo::kStarNames));
    write_bytes(dir / "regions.txt", lines_of(orvek::demo::kRegions));
    write_bytes(dir / "types.txt", lines_of(orvek::demo::kTypes));
}

void usage()
{
    std::cerr << "usage: make-demo-game DIR\n       make-demo-game --variant NAME DIR\n"
                 "       make-demo-game --picture FILE [SIZE]\nvariants:\n";
    for (const auto& v : orvek::demo::template_variants())
        std::cerr << "  " << v.name << ": " << v.holds << "\n";
}

}  // namespace

int main(int argc, char** argv)
{
    try {
        if ((argc == 3 || argc == 4) && std::string(argv[1]) == "--picture") {
            const int size = argc == 4 ? std::max(8, std::atoi(argv[3])) : 1024;
            write_bytes(argv[2], orvek::encode_jpeg(orvek::demo::make_nebula(size, 4242u, 3), 85));
            return 0;
        }
        if (argc == 4 && std::string(argv[1]) == "--variant" &&
            orvek::demo::is_template_variant(argv[2])) {
            make_game(argv[3], argv[2]);
            return 0;
        }
        if (argc != 2 || argv[1][0] == '-') {
            usage();
            return 2;
        }
        make_game(argv[1], "");
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "make-demo-game: " << e.what() << "\n";
        return 1;
    }
}
