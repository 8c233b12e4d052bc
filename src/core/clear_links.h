// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The own links and wormholes of a Generate with clear jumpgates: no jumpgate passes a third
// planet within kGateClearance, and none crosses another.

#include "core/gate_list.h"
#include "core/nearest_planets.h"
#include "core/placed_attempt.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
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
// A new line is tested against every jumpgate made before at once (GateList). A wormhole's line
// looks for planets in the clash cells along it (56 units, at most one planet each).
//
// A nearest link, from a planet to one no other planet is nearer to, meets no other nearest link
// and passes near no third planet. Were pq and rs such links (q nearest to p, s to r) crossing,
// they would be the diagonals of a four-sided figure, longer together than either pair of its
// opposite sides: |ps| + |rq| < |pq| + |rs|, while |pq| <= |ps| and |rs| <= |rq|. Nor can an end
// of one lie on the other, nearer than the nearest. And a planet within 12 units of pq would lie
// within 24 units of q, or be nearer to p than q is. So a nearest link is only checked against
// the other links.
//
// Nor can a planet r lie near a link from p to q unless it is nearer to p than q is: with its
// nearest point m of the link within 12 units, and q at least 56 units from r, m lies 44 units
// from q at least, so |pr| <= |pm| + 12 <= |pq| - 32. A planet's own links are tried nearest
// first, so the planets to look at are the ones it tried before; only a wormhole, whose line
// crosses the map, looks at the planets in the cells along it.
class ClearLinks {
public:
    explicit ClearLinks(int n);

    // Writes each planet's own links into rows[p * n ...] and their count into counts[p].
    // Never fails.
    void make_own_links(const Placed& placed, std::int16_t* rows, std::int32_t* counts);

    // Then adds the wormholes to the rows; the wormhole pool is filled and drawn from here.
    void make_wormholes(const Placed& placed, std::int16_t* rows, std::int32_t* counts,
                        IndexPool& wormhole_pool);

    static constexpr int kTries = 16;

private:
    struct At {
        int x, y;
    };
    At at(int p) const { return at_[static_cast<std::size_t>(p)]; }

    void own_links(const Placed& placed, int p, std::int16_t* rows, std::int32_t* counts);
    void nearby(int p);
    void everyone(int p);
    bool may_pass_planets(int a, int b) const;
    bool passes_planet(int a, int b) const;
    bool passes_any(int a, int b, std::span<const std::int16_t> nearer) const;
    bool try_gate(int a, int b);

    const int n_;
    const int words_;  // 64-bit words in a row of planets
    std::vector<At> at_;
    // Per planet, a bit for each planet that made its own link to it: that link stands.
    std::vector<std::uint64_t> made_to_;
    bool made_to(int p, int q) const
    {
        return made_to_[static_cast<std::size_t>(p * words_ + (q >> 6))] >> (q & 63) & 1;
    }
    std::array<std::int16_t, kGrid * kGrid> planet_in_{};  // -1 for an empty cell
    static GateBox box_of(At a, At b)
    {
        return {static_cast<std::int16_t>(std::min(a.x, b.x)),
                static_cast<std::int16_t>(std::min(a.y, b.y)),
                static_cast<std::int16_t>(std::max(a.x, b.x)),
                static_cast<std::int16_t>(std::max(a.y, b.y))};
    }
    // The jumpgates made, by kind of link: nearest links first, then the others.
    std::array<GateList, 2> gates_;
    // Each planet's three nearest planets, nearest first, and the squared distance to its nearest.
    std::vector<std::array<std::int16_t, 3>> nearest_of_;
    std::vector<std::int64_t> nearest_distance_;
    std::int64_t distance(int a, int b) const
    {
        const std::int64_t dx = at(a).x - at(b).x, dy = at(a).y - at(b).y;
        return dx * dx + dy * dy;
    }
    bool nearest_link(int a, int b) const
    {
        const std::int64_t d = distance(a, b);
        return d == nearest_distance_[static_cast<std::size_t>(a)] ||
               d == nearest_distance_[static_cast<std::size_t>(b)];
    }
    std::vector<std::pair<std::int64_t, int>> order_;  // candidates with squared distances
    NearbyPlanets nearest_;
};

}  // namespace orvek
