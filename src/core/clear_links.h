// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The own links and wormholes of a Generate with clear jumpgates: no jumpgate passes a third
// planet within kGateClearance, and none crosses another.

#include "core/nearest_planets.h"
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
// planet each): a line can only pass planets in the cells along it, and only cross the jumpgates
// listed in the cells it runs through.
//
// A nearest link, from a planet to one no other planet is nearer to, meets no other nearest link
// and passes near no third planet. Were pq and rs such links (q nearest to p, s to r) crossing,
// they would be the diagonals of a four-sided figure, longer together than either pair of its
// opposite sides: |ps| + |rq| < |pq| + |rs|, while |pq| <= |ps| and |rs| <= |rq|. Nor can an end
// of one lie on the other, nearer than the nearest. And a planet within 12 units of pq would lie
// within 24 units of q, or be nearer to p than q is. So a nearest link is only checked against
// the other links.
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
    bool clear(int a, int b) const;
    void add_gate(int a, int b);

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
    // A line's box, in map units.
    struct Box {
        std::int16_t left, top, right, bottom;
    };
    static Box box_of(At a, At b)
    {
        return {static_cast<std::int16_t>(std::min(a.x, b.x)),
                static_cast<std::int16_t>(std::min(a.y, b.y)),
                static_cast<std::int16_t>(std::max(a.x, b.x)),
                static_cast<std::int16_t>(std::max(a.y, b.y))};
    }
    // The gates each cell meets, as lists threaded through one array: a cell's first entry, and
    // each entry's next entry of its cell (-1 ends a list), the gate's planets and its box, so
    // that most gates are passed over without looking their planets up.
    struct Listed {
        std::int32_t next;
        std::int16_t a, b;
        Box box;
    };
    // By kind of link: nearest links first, then the others.
    std::array<std::array<std::int32_t, kGrid * kGrid>, 2> first_listed_{};
    std::vector<Listed> listed_;
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
