// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The nearest planets of a planet in an attempt, which its own links go to: a full scan of every
// planet (by the widest vector instructions the processor has) and, in a crowded map, a search
// of the block of clash cells around the planet that falls back to the scan when unsure.

#include "core/placed_attempt.h"

#include <cstdint>
#include <vector>

namespace orvek {

// The `count` (1 to 3) nearest planets of p, nearest first, a tie going to the lower number,
// written to `out`. Takes the fastest of the kinds below.
void nearest_scan(const Placed& placed, int p, int count, std::int16_t* out);

// The same scan by each kind, so that the tests can hold the vector ones to the plain one. The
// plain loop is always built; a vector kind returns false, writing nothing, where the compiler
// or the processor lacks its instructions.
void nearest_scan_plain(const Placed& placed, int p, int count, std::int16_t* out);
bool nearest_scan_sse2(const Placed& placed, int p, int count, std::int16_t* out);
bool nearest_scan_avx2(const Placed& placed, int p, int count, std::int16_t* out);

// The planets of an attempt by clash-grid cell, so that a planet's nearest ones can be looked
// for in the 5 x 5 cells around its own: every planet outside those lies at least two cells and
// a unit (113 units) away on one axis. Where the map is crowded, that block almost always holds
// them.
class NearbyPlanets {
public:
    // Planet counts from which the block is looked at first: in a sparser map it would too
    // often lack a planet's farthest link, and the full scan is short anyway.
    static constexpr int kFrom = 120;

    // Files the attempt's planets by cell. Made at the first use, so that smaller galaxies
    // never pay for it.
    void fill(const Placed& placed);

    // The `count` nearest planets of p, as nearest_scan finds them, from the block around it;
    // false when that is not certain, or the processor lacks AVX2.
    bool nearest(const Placed& placed, int p, int count, std::int16_t* out) const;

    // Two empty cells on every side, and room for an eight-cell load from two cells left of
    // any cell.
    static constexpr int kStride = 32, kRows = kGrid + 4;
    static int at_of(int x, int y) { return (y / kCell + 2) * kStride + x / kCell + 2; }

private:
    std::vector<std::uint32_t> positions_;
    std::vector<std::int32_t> numbers_;
};

}  // namespace orvek
