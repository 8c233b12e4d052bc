// SPDX-License-Identifier: GPL-3.0-or-later
// The rules every campaign file is read and written by: which line is which section and key,
// and how its values read.

#include "campaign/campaign_format.h"

#include <gtest/gtest.h>

namespace orvek {
namespace {

TEST(CampaignFormat, LinesAndKeys)
{
    EXPECT_EQ(encounter_section("[config]"), kConfig);
    EXPECT_EQ(encounter_section("x [terrain] [hopcounts]"), kHopcounts) << "the last in its order";
    EXPECT_EQ(encounter_section("config"), -1);
    const struct {
        const char* line;
        ConfigRule rule;
    } rules[] = {
        {"MapPosition.X = 0.1000", ConfigRule::PositionX},
        {"name = vega", ConfigRule::Name},
        {" name = vega", ConfigRule::None},  // the name rule only at the line's start
        {"guiname = Vega", ConfigRule::GuiName},
        {"EncounterID = 3 wormholes", ConfigRule::Wormholes},  // the last rule that matches
        {"mapiconsize = 30.0000", ConfigRule::IconSize},
        {"terrain = 1", ConfigRule::None},
    };
    for (const auto& row : rules)
        EXPECT_EQ(config_rule(row.line), row.rule) << row.line;
    for (const char* comment : {"// x", "; x", "# x", " \t;x"})
        EXPECT_TRUE(is_comment(comment)) << comment;
    EXPECT_FALSE(is_comment("shipyarda # mine"));
    EXPECT_EQ(map_key("Planets = 5"), MapKey::Planets);
    EXPECT_EQ(map_key(" GUIName\t= Silver"), MapKey::GUIName);
    EXPECT_EQ(map_key("Planets"), MapKey::None) << "a key line holds an equals sign";
    EXPECT_EQ(map_key("Planet = 5"), MapKey::None);
    EXPECT_EQ(map_key_line(MapKey::Planets), 8);
}

TEST(CampaignFormat, Values)
{
    EXPECT_EQ(trimmed(" \tx y\t "), "x y");
    EXPECT_EQ(value_of("a = \t b c \t"), "b c");
    EXPECT_EQ(line_key("\tMapTexture = x = y"), "MapTexture");
    const struct {
        const char* text;
        std::optional<long long> value;
    } numbers[] = {
        {"123456789012345678", 123456789012345678},
        {"1234567890123456789", std::nullopt},
        {"-42", -42},
        {"", std::nullopt},
        {"-", std::nullopt},
        {"4 2", std::nullopt},
        {"+4", std::nullopt},
    };
    for (const auto& row : numbers)
        EXPECT_EQ(whole_number(row.text), row.value) << row.text;
    const struct {
        const char* text;
        std::optional<int> unit;
    } positions[] = {
        {"0.0875", 87},
        {"0.9790", 979},
        {"1.0000", 1000},
        {"0.5", std::nullopt},
        {"1000", std::nullopt},
        {"-0.4040", std::nullopt},
        {"0.04040", std::nullopt},
        {"0.40 4", std::nullopt},
        {"1.0001", std::nullopt},
    };
    for (const auto& row : positions)
        EXPECT_EQ(map_position(row.text), row.unit) << row.text;
    std::string bad;
    EXPECT_EQ(link_list("2,9,", bad), (std::vector<std::int32_t>{2, 9}));
    EXPECT_EQ(link_list(" 1000000 ,-1000000", bad), (std::vector<std::int32_t>{1000000, -1000000}));
    for (const char* value : {"1000001", "3,-1000001", "3,x,"}) {
        EXPECT_FALSE(link_list(value, bad)) << value;
        EXPECT_FALSE(bad.empty()) << value;
    }
}

}  // namespace
}  // namespace orvek
