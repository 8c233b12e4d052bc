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
    for (const char* text :
         {"", " 7", "7 ", "1e3", "0x10", "+", "-", "2147483648", "12a", "99999999999999999999"})
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
        Clamp_Params(s);
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
    EXPECT_THROW(Clamp_Params(s), Error);
    EXPECT_EQ(s.planet_count, "8");
    EXPECT_EQ(s.join1_pct, "1");
    EXPECT_EQ(s.join3_pct, "0");
}

TEST(RandomizeParams, DrawsInOrderWithinThePresetRanges)
{
    struct Range {
        std::uint32_t base, span;
    };
    const Range sizes[] = {{8, 8}, {20, 5}, {30, 10}, {40, 30}};
    const Range joins[3][3] = {{{40, 20}, {20, 10}, {0, 5}},
                               {{30, 10}, {40, 20}, {0, 10}},
                               {{10, 10}, {20, 20}, {40, 10}}};
    for (int size = -1; size < 4; ++size)
        for (int gate = -1; gate < 3; ++gate)
            for (std::uint32_t seed : {1u, 77u, 4000000000u}) {
                GalaxySettings s;
                s.size_class = size;
                s.gate_style = gate;
                s.planet_count = "123";
                Random random(seed), expected(seed);
                Randomize_Params(s, random);
                GalaxySettings want;
                want.planet_count = "123";
                if (size >= 0)
                    want.planet_count =
                        std::to_string(sizes[size].base + expected(sizes[size].span));
                if (gate >= 0) {
                    std::string* fields[3] = {&want.join1_pct, &want.join2_pct, &want.join3_pct};
                    for (int k = 0; k < 3; ++k)
                        *fields[k] =
                            std::to_string(joins[gate][k].base + expected(joins[gate][k].span));
                }
                int w = static_cast<int>(expected(4)) - 1;
                want.wormhole_count = std::to_string(w < 0 ? 0 : w);
                EXPECT_EQ(s.planet_count, want.planet_count);
                EXPECT_EQ(s.join1_pct, want.join1_pct);
                EXPECT_EQ(s.join2_pct, want.join2_pct);
                EXPECT_EQ(s.join3_pct, want.join3_pct);
                EXPECT_EQ(s.wormhole_count, want.wormhole_count);
                EXPECT_EQ(random.state(), expected.state());
            }
}

TEST(RandomizeParams, PresetPlanetCountsStayInsideTheClampRange)
{
    Random random(5);
    for (int size = 0; size < 4; ++size)
        for (int i = 0; i < 500; ++i) {
            GalaxySettings s;
            s.size_class = size;
            Randomize_Params(s, random);
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
