// SPDX-License-Identifier: GPL-3.0-or-later
#include "campaign/map_file.h"

#include "core/galaxy_edit.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

#include <cfloat>

namespace orvek {
namespace {

TEST(MapSize, Table)
{
    struct Case {
        int planets;
        long long width, height;
    } cases[] = {{8, 1000, 700},    {60, 1000, 700},   {61, 1016, 711},  {63, 1050, 734},
                 {69, 1150, 805},   {78, 1300, 909},   {84, 1400, 980},  {100, 1666, 1166},
                 {126, 2100, 1469}, {171, 2850, 1994}, {175, 2916, 2041}};
    for (const Case& c : cases) {
        MapSize size = map_size(c.planets);
        EXPECT_EQ(size.width, c.width) << c.planets;
        EXPECT_EQ(size.height, c.height) << c.planets;
    }
}

#if LDBL_MANT_DIG == 64
TEST(MapSize, MatchesExtendedPrecisionHardware)
{
    for (int n = 1; n <= 20000; ++n) {
        volatile long double q = static_cast<long double>(n) / 60.0L;
        volatile long double w = q * 1000.0L, h = q * 700.0L;
        MapSize size = map_size(n);
        ASSERT_EQ(size.width, std::max(1000LL, static_cast<long long>(w))) << n;
        ASSERT_EQ(size.height, std::max(700LL, static_cast<long long>(h))) << n;
    }
}
#endif

// 61 planets, one more than the smallest map holds: the map is sized for all of them.
TEST(MapFile, WorkedExample)
{
    std::vector<Planet> planets(61);
    for (int i = 0; i < 61; ++i)
        planets[i].template_file = "campaign_all_" + std::to_string(100 + i).substr(1) + "9.txt";
    planets[0].template_file = "campaign_all_017.txt";
    planets[1].template_file = "campaign_all_003.txt";
    planets[12].home = true;
    std::string text = map_file_text("silverreach", "Silver Reach", home_planet(planets), planets,
                                     "C:\\g\\campaign\\data\\bitmaps\\ui\\nebula4.jpg");
    std::string head =
        "[config]\r\nHomeworld = 12\r\nMapSizeX = 1016.0000\r\nMapSizeY = 711.0000\r\n"
        "MapTexture = nebula4.jpg\r\nName = silverreach\r\nGUIName = Silver Reach\r\n"
        "Planets = 61\r\n\r\n[encounters]\r\n"
        "0 = campaign/data/encounters/silverreach/campaign_all_017.txt\r\n"
        "1 = campaign/data/encounters/silverreach/campaign_all_003.txt\r\n";
    EXPECT_EQ(text.substr(0, head.size()), head);
    const std::string tail = "60 = campaign/data/encounters/silverreach/campaign_all_609.txt\r\n";
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail) << "no empty line at the end";
}

// One rule picks the home planet everywhere (the map file, the figures, the reach): the first
// planet marked, or planet 0 when none is.
TEST(MapFile, HomeIsTheFirstMarkedOrZero)
{
    std::vector<Planet> planets(5);
    EXPECT_EQ(home_planet(planets), 0);
    planets[1].home = planets[3].home = true;
    EXPECT_EQ(home_planet(planets), 1);
    EXPECT_EQ(map_file_text("two", "Two", home_planet(planets), planets, "a.jpg")
                  .rfind("[config]\r\nHomeworld = 1\r\n", 0),
              0u);
}

}  // namespace
}  // namespace orvek
