// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Inhibition effects and facilities: the six frequency levels of the eleven lists, the sixteen
// feature keywords, and the assignment that spreads them over a galaxy's planets at every Save.

#include "core/planet.h"

#include <array>
#include <string_view>
#include <vector>

namespace orvek {

class Random;

enum class FrequencyLevel { Random = 0, None, Rare, Normal, Common, Everywhere };

inline constexpr std::array<std::string_view, 6> kFrequencyLevelNames = {
    "Random", "None", "Rare", "Normal", "Common", "Everywhere"};

// The level chosen in each of the eleven lists. inhibitions is in flag order: engine,
// shield, fighter, cruiser, cloak, tractor, repair.
struct FeatureLevels {
    std::array<FrequencyLevel, kInhibitionCount> inhibitions{};
    FrequencyLevel shipyard = FrequencyLevel::Random;
    FrequencyLevel academy = FrequencyLevel::Random;
    FrequencyLevel factory = FrequencyLevel::Random;
    FrequencyLevel repair_yard = FrequencyLevel::Random;
};

// The share of planets, in whole percent, that a level gives; draws for Random, Rare, Normal
// and Common only.
int feature_share(FrequencyLevel level, Random& random);

// Clears every planet's feature flags, then sets them on (N x share) div 100 distinct planets per
// kind, the seven inhibitions in flag order, then shipyard, academy, factory and repair yard (one
// random variant per planet); then the features set by hand take back their values, so that the
// draws are the same whatever the player set. Never fails.
void assign_features(std::vector<Planet>& planets, const FeatureLevels& levels, Random& random);

}  // namespace orvek
