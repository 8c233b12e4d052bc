#pragma once
// A plain, obviously correct generator that follows the attempt steps literally: square roots,
// every earlier planet scanned, the four searches, the pool of decimal texts, the marking passes.
// Gives up (Cancelled) after max_attempts when that is not 0, and counts the attempts. The tests compare the fast generator against it draw for draw; the benchmarks time both.

#include "core/generator.h"

namespace orvek::testing {

GenerationResult plain_generate_galaxy(const GalaxyParams& params, GenerationServices& services,
                                       Random& random, Galaxy& galaxy,
                                       std::uint64_t max_attempts = 0,
                                       std::uint64_t* attempts_made = nullptr);

}  // namespace orvek::testing
