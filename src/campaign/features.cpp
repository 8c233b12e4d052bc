// SPDX-License-Identifier: GPL-3.0-or-later
#include "campaign/features.h"

#include "core/index_pool.h"
#include "core/random.h"

namespace orvek {

int feature_share(FrequencyLevel level, Random& random)
{
    switch (level) {
    case FrequencyLevel::Random: return static_cast<int>(random(101));
    case FrequencyLevel::None: return 0;
    case FrequencyLevel::Rare: return 10 + static_cast<int>(random(20));
    case FrequencyLevel::Normal: return 40 + static_cast<int>(random(20));
    case FrequencyLevel::Common: return 60 + static_cast<int>(random(20));
    case FrequencyLevel::Everywhere: return 100;
    }
    return 0;
}

namespace {

// Chooses (N x share) div 100 distinct planets and sets flag first + v on each, v drawn among
// `variants` right after the planet when there is more than one.
void assign(std::vector<Planet>& planets, FrequencyLevel level, int first, std::uint32_t variants,
            Random& random)
{
    const int share = feature_share(level, random);
    IndexPool pool;
    pool.fill(static_cast<std::uint32_t>(planets.size()));
    const std::size_t count = planets.size() * static_cast<std::size_t>(share) / 100;
    for (std::size_t i = 0; i < count; ++i) {
        Planet& planet = planets[pool.draw(random)];
        const int variant = variants > 1 ? static_cast<int>(random(variants)) : 0;
        planet.features[static_cast<std::size_t>(first + variant)] = true;
    }
}

}  // namespace

void assign_features(std::vector<Planet>& planets, const FeatureLevels& levels, Random& random)
{
    // A Save writes the levels on screen now, not what earlier Saves of this galaxy added; the
    // features set by hand are kept aside and put back after the draws.
    std::vector<std::array<bool, kFeatureCount>> by_hand;
    by_hand.reserve(planets.size());
    for (Planet& planet : planets) {
        by_hand.push_back(planet.features);
        planet.features = {};
    }
    for (int k = 0; k < kInhibitionCount; ++k)
        assign(planets, levels.inhibitions[static_cast<std::size_t>(k)], k, 1, random);
    assign(planets, levels.shipyard, 13, 3, random);
    assign(planets, levels.academy, 11, 2, random);
    assign(planets, levels.factory, 8, 3, random);
    assign(planets, levels.repair_yard, kInhibitionCount, 1, random);
    for (std::size_t p = 0; p < planets.size(); ++p)
        for (std::size_t f = 0; f < kFeatureCount; ++f)
            if (planets[p].features_set[f])
                planets[p].features[f] = by_hand[p][f];
}

}  // namespace orvek
