// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the edits that change positions or the planet count share: each planet's farthest planet
// kept true, and the old ones given back on revert.

#include "core/planet.h"

#include <cstdint>
#include <vector>

namespace orvek {

class FarthestKept {
protected:
    // Called before the edit changes the galaxy.
    void remember(const std::vector<Planet>& planets)
    {
        old_.clear();
        for (const Planet& planet : planets)
            old_.push_back(planet.farthest);
    }
    // Called once revert has given back the planets as they were.
    void restore(std::vector<Planet>& planets) const
    {
        for (std::size_t i = 0; i < planets.size() && i < old_.size(); ++i)
            planets[i].farthest = old_[i];
    }

private:
    std::vector<std::int32_t> old_;
};

}  // namespace orvek
