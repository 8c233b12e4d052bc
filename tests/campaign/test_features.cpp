// SPDX-License-Identifier: GPL-3.0-or-later
#include "campaign/features.h"

#include "core/random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>

namespace orvek {
namespace {

FeatureLevels all(FrequencyLevel level)
{
    FeatureLevels levels;
    levels.inhibitions.fill(level);
    levels.shipyard = levels.academy = levels.factory = levels.repair_yard = level;
    return levels;
}

int count_flag(const std::vector<Planet>& planets, int flag)
{
    return static_cast<int>(std::count_if(planets.begin(), planets.end(),
                                          [flag](const Planet& p) { return p.features[flag]; }));
}

TEST(Features, NoneDrawsNothingAndClearsEarlierFlags)
{
    std::vector<Planet> planets(30);
    planets[3].features[4] = planets[5].features[12] = true;
    Random random(1);
    assign_features(planets, all(FrequencyLevel::None), random);
    EXPECT_EQ(random.state(), 1u) << "None draws nothing";
    for (int flag = 0; flag < kFeatureCount; ++flag)
        EXPECT_EQ(count_flag(planets, flag), 0);
}

// Features set by hand stay as set; every draw, and what it gives the others, is as without them.
TEST(Features, SetByHandKeptAndDrawsUnchanged)
{
    std::vector<Planet> drawn(30), edited(30);
    edited[3].features_set[4] = true;  // cloak off by hand
    edited[5].features[14] = edited[5].features_set[14] = true;
    edited[5].features_set[13] = edited[5].features_set[15] = true;
    Random a(9), b(9);
    assign_features(drawn, all(FrequencyLevel::Normal), a);
    assign_features(edited, all(FrequencyLevel::Normal), b);
    EXPECT_EQ(a.state(), b.state());
    EXPECT_FALSE(edited[3].features[4]);
    EXPECT_EQ(std::vector<bool>(edited[5].features.begin() + 13, edited[5].features.end()),
              (std::vector<bool>{false, true, false}));
    for (std::size_t p = 0; p < drawn.size(); ++p) {
        if (p != 3 && p != 5) {
            EXPECT_EQ(drawn[p].features, edited[p].features) << p;
        }
    }
}

TEST(Features, EverywhereGivesEveryPlanetOneVariantPerGroup)
{
    std::vector<Planet> planets(17);
    Random random(2), expected(2);
    assign_features(planets, all(FrequencyLevel::Everywhere), random);
    // The draws worked out apart from the code: each list takes all 17 planets in a drawn
    // order, a facility with a variant drawn right after its planet.
    std::vector<std::array<bool, kFeatureCount>> want(planets.size());
    const auto take_all = [&](int first, std::uint32_t variants) {
        std::vector<int> pool = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
        while (!pool.empty()) {
            const auto j =
                static_cast<std::size_t>(expected(static_cast<std::uint32_t>(pool.size())));
            const int variant = variants > 1 ? static_cast<int>(expected(variants)) : 0;
            want[static_cast<std::size_t>(pool[j])][static_cast<std::size_t>(first + variant)] =
                true;
            pool.erase(pool.begin() + static_cast<std::ptrdiff_t>(j));
        }
    };
    for (int k = 0; k < kInhibitionCount; ++k)
        take_all(k, 1);
    take_all(13, 3);  // shipyards
    take_all(11, 2);  // academies
    take_all(8, 3);   // factories
    take_all(7, 1);   // repair yards
    for (std::size_t p = 0; p < planets.size(); ++p) {
        EXPECT_EQ(planets[p].features, want[p]) << "planet " << p;
        EXPECT_EQ(planets[p].features[8] + planets[p].features[9] + planets[p].features[10], 1);
    }
    EXPECT_EQ(random.state(), expected.state());
}

TEST(Features, CountFollowsTheShare)
{
    // 8 planets at "Rare": the share 10 + R(20) decides 0, 1 or 2 planets.
    for (std::uint32_t seed = 1; seed < 200; ++seed) {
        std::vector<Planet> planets(8);
        FeatureLevels levels = all(FrequencyLevel::None);
        levels.inhibitions[0] = FrequencyLevel::Rare;
        Random random(seed), expected(seed);
        assign_features(planets, levels, random);
        int share = 10 + static_cast<int>(expected(20));
        int want = share <= 12 ? 0 : share <= 24 ? 1 : 2;
        EXPECT_EQ(count_flag(planets, 0), want) << "share " << share;
    }
}

// Each level's share takes every whole percent of its range and none outside it.
TEST(Features, EachLevelsShareFillsItsRange)
{
    const struct {
        FrequencyLevel level;
        int lowest, highest;
    } rows[] = {
        {FrequencyLevel::Random, 0, 100}, {FrequencyLevel::None, 0, 0},
        {FrequencyLevel::Rare, 10, 29},   {FrequencyLevel::Normal, 40, 59},
        {FrequencyLevel::Common, 60, 79}, {FrequencyLevel::Everywhere, 100, 100},
    };
    Random random(11);
    for (const auto& row : rows) {
        std::set<int> shares;
        for (int draw = 0; draw < 5000; ++draw)
            shares.insert(feature_share(row.level, random));
        EXPECT_EQ(*shares.begin(), row.lowest) << static_cast<int>(row.level);
        EXPECT_EQ(*shares.rbegin(), row.highest) << static_cast<int>(row.level);
        EXPECT_EQ(shares.size(), static_cast<std::size_t>(row.highest - row.lowest + 1));
    }
}

TEST(Features, DrawsComeInTheirOrder)
{
    std::vector<Planet> planets(10);
    FeatureLevels levels = all(FrequencyLevel::None);
    levels.inhibitions[2] = FrequencyLevel::Everywhere;  // 10 planets, no share draw
    levels.academy = FrequencyLevel::Common;             // share, then planet and variant
    Random random(7), expected(7);
    assign_features(planets, levels, random);
    std::vector<int> pool = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    for (int i = 0; i < 10; ++i) {
        int j = static_cast<int>(expected(static_cast<std::uint32_t>(pool.size())));
        EXPECT_TRUE(planets[pool[j]].features[2]);
        pool.erase(pool.begin() + j);
    }
    int count = 10 * (60 + static_cast<int>(expected(20))) / 100;
    pool = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    for (int i = 0; i < count; ++i) {
        int j = static_cast<int>(expected(static_cast<std::uint32_t>(pool.size())));
        int variant = static_cast<int>(expected(2));
        EXPECT_TRUE(planets[pool[j]].features[11 + variant]);
        pool.erase(pool.begin() + j);
    }
    EXPECT_EQ(random.state(), expected.state());
}

}  // namespace
}  // namespace orvek
