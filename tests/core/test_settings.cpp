// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings.h"

#include "core/error.h"
#include "core/random.h"
#include "support/errors.h"

#include <gtest/gtest.h>

namespace orvek {
namespace {

std::string error_of(const std::string& text)
{
    return testing::error_of([&] { parse_int(text); });
}

TEST(ParseInt, WholeNumbers)
{
    struct Case {
        const char* text;
        std::int32_t value;
    } cases[] = {{"0", 0},
                 {"007", 7},
                 {"+5", 5},
                 {"-5", -5},
                 {"175", 175},
                 {"2147483647", 2147483647},
                 {"-2147483648", -2147483647 - 1}};
    for (const Case& c : cases)
        EXPECT_EQ(parse_int(c.text), c.value) << c.text;
}

TEST(ParseInt, AnythingElseIsAConversionError)
{
    for (const char* text : {"", " 7", "7 ", "1e3", "0x10", "+", "-", "2147483648", "-2147483649",
                             "12a", "99999999999999999999"})
        EXPECT_EQ(error_of(text), "'" + std::string(text) + "' is not a valid integer value");
}

TEST(ClampParams, BringsNumbersIntoRange)
{
    struct Case {
        const char *planets, *join;
        const char *planets_after, *join_after;
    } cases[] = {{"0", "0", "8", "1"},       {"7", "00", "8", "1"},    {"8", "1", "8", "1"},
                 {"175", "99", "175", "99"}, {"176", "5", "175", "5"}, {"999", "-3", "175", "1"},
                 {"030", "07", "030", "07"}};
    for (const Case& c : cases) {
        GalaxySettings s;
        s.planet_count = c.planets;
        s.join1_pct = s.join2_pct = s.join3_pct = c.join;
        s.wormhole_count = "15";
        clamp_settings(s);
        EXPECT_EQ(s.planet_count, c.planets_after);
        EXPECT_EQ(s.join1_pct, c.join_after);
        EXPECT_EQ(s.join2_pct, c.join_after);
        EXPECT_EQ(s.join3_pct, c.join_after);
        EXPECT_EQ(s.wormhole_count, "15") << "the wormhole count is never clamped";
    }
}

TEST(ClampParams, StopsAtTheFirstBadFieldWithEarlierFieldsClamped)
{
    GalaxySettings s;
    s.planet_count = "3";
    s.join1_pct = "0";
    s.join2_pct = "";
    s.join3_pct = "0";
    EXPECT_THROW(clamp_settings(s), Error);
    EXPECT_EQ(s.planet_count, "8");
    EXPECT_EQ(s.join1_pct, "1");
    EXPECT_EQ(s.join3_pct, "0");
}

// Worked out apart from this code, draw by draw: planets, join 1, 2, 3 (each only for a chosen
// list item), then always the wormholes as R(4) - 1, at least 0.
TEST(RandomizeParams, DrawsInOrderWithinThePresetRanges)
{
    struct Case {
        std::uint32_t seed;
        int size, gate;
        const char *planets, *join1, *join2, *join3, *wormholes;
        std::uint32_t state;
    } cases[] = {
        {12345, 0, 0, "11", "45", "20", "2", "1", 2721613530u},
        {12345, 1, 1, "21", "32", "41", "5", "1", 2721613530u},
        {12345, 2, 2, "33", "12", "21", "45", "1", 2721613530u},
        {12345, 3, 1, "51", "32", "41", "5", "1", 2721613530u},
        {12345, -1, 2, "123", "13", "25", "40", "1", 2377737157u},
        {12345, 3, -1, "51", "30", "40", "5", "0", 1242767767u},
        {12345, -1, -1, "123", "30", "40", "5", "0", 1655067934u},
        {4000000000u, 3, 2, "44", "18", "29", "44", "2", 3373101837u},
        {77, 1, 0, "22", "58", "21", "3", "2", 4189199102u},
    };
    for (const Case& c : cases) {
        GalaxySettings s;
        s.size_class = c.size;
        s.gate_style = c.gate;
        s.planet_count = "123";
        Random random(c.seed);
        randomize_settings(s, random);
        const std::string what = std::to_string(c.size) + "/" + std::to_string(c.gate);
        EXPECT_EQ(s.planet_count, c.planets) << what;
        EXPECT_EQ(s.join1_pct, c.join1) << what;
        EXPECT_EQ(s.join2_pct, c.join2) << what;
        EXPECT_EQ(s.join3_pct, c.join3) << what;
        EXPECT_EQ(s.wormhole_count, c.wormholes) << what;
        EXPECT_EQ(random.state(), c.state) << what;
    }
}

TEST(RandomizeParams, PresetPlanetCountsStayInsideTheClampRange)
{
    Random random(5);
    for (int size = 0; size < 4; ++size)
        for (int i = 0; i < 500; ++i) {
            GalaxySettings s;
            s.size_class = size;
            randomize_settings(s, random);
            int n = parse_int(s.planet_count);
            EXPECT_GE(n, 8);
            EXPECT_LE(n, 69);
            int w = parse_int(s.wormhole_count);
            EXPECT_GE(w, 0);
            EXPECT_LE(w, 2);
        }
}

}  // namespace
}  // namespace orvek
