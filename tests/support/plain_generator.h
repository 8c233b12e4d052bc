// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A plain, obviously correct generator that follows the attempt steps literally: square roots,
// every earlier planet scanned, the four searches, the pool of decimal texts, the marking passes.
// Gives up (Cancelled) after max_attempts when that is not 0, and counts what it did. The tests
// compare the fast generator against it draw for draw; the benchmarks time both.

#include "core/generator.h"

namespace orvek::testing {

struct PlainStats {
    std::uint64_t attempts = 0;   // attempts begun
    std::uint64_t full_maps = 0;  // attempts abandoned because no position was left
};

// Makes every link mutual, planet by planet in number order: each of a planet's links at the
// start of its turn gains the planet as its next link unless it lists it already.
void make_links_mutual(std::vector<Planet>& planets);

GenerationResult plain_generate_galaxy(const GalaxyParams& params, GenerationServices& services,
                                       Random& random, Galaxy& galaxy,
                                       std::uint64_t max_attempts = 0, PlainStats* stats = nullptr);

}  // namespace orvek::testing
