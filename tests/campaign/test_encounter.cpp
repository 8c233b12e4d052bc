// SPDX-License-Identifier: GPL-3.0-or-later
#include "campaign/encounter.h"

#include "core/random.h"
#include "gamedata/game_folder.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <set>

namespace orvek {
namespace {

std::string crlf(const std::vector<std::string>& lines)
{
    std::string text;
    for (const auto& line : lines)
        text += line + "\r\n";
    return text;
}

Planet tau_minor()
{
    Planet p;
    p.x = 87;
    p.y = 345;
    p.system_name = "Tau Minor";
    p.links = {2, 9};
    return p;
}

std::string render(const std::vector<std::string>& lines, const Planet& planet,
                   EncounterOptions options = {}, int index = 4)
{
    Random random(1);
    return render_encounter(crlf(lines), index, planet, options, random);
}

TEST(Encounter, WorkedExample)
{
    EXPECT_EQ(render({"[config]", "name = oldname", "guiname = Old Name", "MapPosition.X = 0.5000",
                      "wormholes = 1", "[hopcounts]", "0 = 9,0", "[terrain]", "size = 3"},
                     tau_minor()),
              crlf({"[config]", "name = tauminor", "guiname = Tau Minor", "MapPosition.X = 0.0870",
                    "wormholes = 2,9,", "", "", "[terrain]", "size = 3", "", "", "[hopcounts]",
                    "0 = 4,0", "1 = 2,1", "2 = 9,1", ""}));
}

TEST(Encounter, ConfigRules)
{
    Planet p = tau_minor();
    p.system_name = "Tau  Minor X";
    struct Case {
        std::string line, written;
    } cases[] = {
        {"MapPosition.Y = 1", "MapPosition.Y = 0.3450"},
        {"EncounterID = 77", "EncounterID = 4"},
        {"name = x", "name = tauminorx"},
        {" name = x", " name = x"},
        {"guiname = x", "guiname = Tau  Minor X"},
        {"  the guiname", "guiname = Tau  Minor X"},
        {"guiname wormholes", "wormholes = 2,9,"},
        {"MAPICONSIZE = 3", "MAPICONSIZE = 3"},
        {"; comment", "; comment"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(render({"[config]", c.line}, p),
                  crlf({"[config]", c.written, "", "", "", "", "[hopcounts]", "0 = 4,0", "1 = 2,1",
                        "2 = 9,1", ""}))
            << c.line;
}

TEST(Encounter, CoordinatesAtTheMapEdges)
{
    Planet p = tau_minor();
    p.x = 20;
    p.y = 979;
    std::string text = render({"[config]", "MapPosition.X = 0", "MapPosition.Y = 0"}, p);
    EXPECT_NE(text.find("MapPosition.X = 0.0200\r\nMapPosition.Y = 0.9790\r\n"), std::string::npos);
}

// Each line draws its own size, from 22 to 36: over many lines both ends come up and nothing
// beyond them.
TEST(Encounter, IconSizeDrawnPerLine)
{
    Random random(5);
    std::string text = render_encounter(
        crlf({"[config]", "mapiconsize = 1", "x", "mapiconsize = 2"}), 0, tau_minor(), {}, random);
    EXPECT_EQ(text.substr(0, text.find("\r\n\r\n")),
              "[config]\r\nmapiconsize = 24.0000\r\nx\r\nmapiconsize = 24.0000");
    std::vector<std::string> many = {"[config]"};
    many.resize(401, "mapiconsize = 1");
    text = render_encounter(crlf(many), 0, tau_minor(), {}, random);
    std::set<int> sizes;
    for (std::size_t at = 0; (at = text.find("mapiconsize = ", at)) != std::string::npos; at += 14)
        sizes.insert(std::stoi(text.substr(at + 14, 2)));
    EXPECT_EQ(*sizes.begin(), 22);
    EXPECT_EQ(*sizes.rbegin(), 36);
    EXPECT_EQ(sizes.size(), 15u);
    // A line that holds the key draws too where another rule decides it.
    Random drawn(5), three(5);
    render_encounter(crlf({"[config]", "mapiconsize = 1", "guiname = mapiconsize", "mapiconsize"}),
                     0, tau_minor(), {}, drawn);
    for (int i = 0; i < 3; ++i)
        three(15);
    EXPECT_EQ(drawn.state(), three.state());
}

TEST(Encounter, SectionsRoutedByHeaderSearch)
{
    Planet p = tau_minor();
    p.links.clear();
    // Another order; text around headers; an unknown section after config; two headers on one
    // line (facilities wins); lines before the first header dropped.
    std::string text =
        render({"stray line", "[hopcounts]", "0 = 1,0", "  [terrain] ; rocks", "a = 1", "[config]",
                "[unknown]", "name = x", "[variables][facilities]", "f = 1"},
               p);
    EXPECT_EQ(text, crlf({"[config]", "[unknown]", "name = tauminor", "", "", "  [terrain] ; rocks",
                          "a = 1", "", "[variables][facilities]", "f = 1", "", "[hopcounts]",
                          "0 = 4,0", ""}));
}

TEST(Encounter, FeaturesWrittenWhenTicked)
{
    Planet p = tau_minor();
    p.features[0] = p.features[4] = true;   // ENGINES_REQUIRED, CLOAK_INOPERABLE
    p.features[8] = p.features[13] = true;  // smallfactory, shipyarda
    const std::vector<std::string> lines = {"[config]", "[variables]", "V = 1", "[facilities]",
                                            "0 = repairyard"};
    std::string off = render(lines, p);
    EXPECT_NE(off.find("[variables]\r\nV = 1\r\n"), std::string::npos);
    EXPECT_NE(off.find("[facilities]\r\n0 = repairyard\r\n"), std::string::npos);
    std::string on = render(lines, p, {true, true});
    EXPECT_NE(on.find("[variables]\r\nENGINES_REQUIRED\r\nCLOAK_INOPERABLE\r\n\r\n"),
              std::string::npos);
    EXPECT_NE(on.find("[facilities]\r\n0 = smallfactory\r\n1 = shipyarda\r\n\r\n"),
              std::string::npos);
    Planet bare = tau_minor();
    EXPECT_NE(render(lines, bare, {true, false}).find("\r\n\r\n[variables]\r\n\r\n"),
              std::string::npos);
    // With both boxes off, a feature set by hand still writes its section, first and last flag
    // of each kind alike.
    for (const auto& [flag, section] : {std::pair{0, "[variables]\r\nENGINES_REQUIRED\r\n\r\n"},
                                        {6, "[variables]\r\nREPAIR_INOPERABLE\r\n\r\n"},
                                        {7, "[facilities]\r\n0 = repairyard\r\n\r\n"},
                                        {15, "[facilities]\r\n0 = shipyardc\r\n\r\n"}}) {
        Planet by_hand = tau_minor();
        by_hand.features[static_cast<std::size_t>(flag)] = true;
        by_hand.features_set[static_cast<std::size_t>(flag)] = true;
        EXPECT_NE(render(lines, by_hand).find(section), std::string::npos) << "flag " << flag;
    }
    // Only those: the drawn features beside them stay unwritten.
    Planet mixed = p;
    mixed.features[6] = mixed.features_set[6] = true;
    mixed.features[15] = mixed.features_set[15] = true;
    const std::string both = render(lines, mixed);
    EXPECT_NE(both.find("[variables]\r\nREPAIR_INOPERABLE\r\n\r\n"), std::string::npos) << both;
    EXPECT_NE(both.find("[facilities]\r\n0 = shipyardc\r\n\r\n"), std::string::npos) << both;
}

TEST(Encounter, HomePlanetAlwaysGetsItsFacilities)
{
    Planet p = tau_minor();
    p.home = true;
    p.features[7] = true;
    const std::string home =
        "[facilities]\r\n0 = largefactory\r\n1 = shipyarda\r\n2 = smallacademy\r\n\r\n";
    for (bool ticked : {false, true})
        EXPECT_NE(render({"[config]", "[facilities]", "0 = x"}, p, {false, ticked}).find(home),
                  std::string::npos);
}

TEST(Encounter, BytesKeptAsRead)
{
    Planet p = tau_minor();
    std::string text = render({"[terrain]", std::string("a\0\xE9\xFF", 4), "  trailing  "}, p);
    EXPECT_NE(text.find(std::string("[terrain]\r\na\0\xE9\xFF\r\n  trailing  \r\n\r\n", 33)),
              std::string::npos);
}

}  // namespace
}  // namespace orvek
