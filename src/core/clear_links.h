// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The own links and wormholes of a Generate with clear jumpgates: no jumpgate passes a third
// planet within kGateClearance, and none crosses another.

#include "core/placed_attempt.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>
#include <vector>

namespace orvek {

class IndexPool;

// A link whose line would pass a third planet or cross a jumpgate made before it is not made, and
// the next nearest planet is tried (for a wormhole, the next farthest). The planets take their
// turns in order, each trying its kTries nearest planets at most for as many links as it drew;
// then each wormhole tries every planet from the farthest on. Of planets equally far, the lower
// number comes first.
//
// Both the planets and the jumpgates are found through the clash cells (56 units, at most one
// planet each): a line can only pass planets in the cells around its box, and only cross the
// jumpgates listed in the cells its box covers.
class ClearLinks {
public:
    explicit ClearLinks(int n);

    // Writes each planet's own links, then its wormholes, into rows[p * n ...] and their count
    // into counts[p]. The wormhole pool is filled and drawn from here. Never fails.
    void make(const Placed& placed, std::int16_t* rows, std::int32_t* counts,
              IndexPool& wormhole_pool);

    static constexpr int kTries = 16;

private:
    struct At {
        int x, y;
    };
    At at(int p) const { return at_[static_cast<std::size_t>(p)]; }
    static int cell_of(int v) { return std::clamp(v / kCell, 0, kGrid - 1); }

    void own_links(int p, int wanted, std::int16_t* row, std::int32_t& count);
    void nearby(int p);
    void everyone(int p);
    bool clear(int a, int b) const;
    void add_gate(int a, int b);

    const int n_;
    std::vector<At> at_;
    std::array<std::int16_t, kGrid * kGrid> planet_in_{};  // -1 for an empty cell
    std::vector<std::pair<int, int>> gates_;
    std::array<std::vector<std::int32_t>, kGrid * kGrid> gates_in_;  // the gates each cell meets
    std::vector<std::pair<std::int64_t, int>> order_;  // candidates with squared distances
};

}  // namespace orvek
