// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The second half of a Generate attempt, which draws nothing: each planet's own links to its
// nearest planets, the wormholes to the farthest ones, the reach test, and the mutual links of
// the attempt that stands.

#include "core/clear_links.h"
#include "core/file_name.h"
#include "core/index_pool.h"
#include "core/nearest_planets.h"
#include "core/placed_attempt.h"
#include "core/planet.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace orvek {

// The second half of an attempt: nearest links, wormholes and the reach test, all without a
// draw; the mutual links only for the attempt that stands. Squared distances are compared as whole
// numbers: the square root keeps their order and their ties, so the nearest and farthest planets
// are the same. The nearest planets come from a full scan, which at these sizes beats any search
// structure.
//
// With clear jumpgates, ClearLinks makes the own links and wormholes instead.
class Linker {
public:
    explicit Linker(int n, bool clear_gates = false)
        : n_(n), words_((n + 63) / 64), link_count_(n),
          groups_(static_cast<std::size_t>(kMostOwnLinks) * n),
          links_(static_cast<std::size_t>(n) * n), joined_(static_cast<std::size_t>(n) * words_),
          reached_(words_), walk_(n)
    {
        if (clear_gates)
            clear_.emplace(n);
    }

    // Whether every planet can be reached from planet 0. Links join planets both ways once they
    // are made mutual, and a wormhole to a planet already linked adds nothing, so the test only
    // needs to know which pairs are joined: each planet's neighbours are a row of bits, and a
    // walk from planet 0 takes in a whole row of new neighbours at a time.
    bool connected(const Placed& placed)
    {
        std::fill(joined_.begin(), joined_.end(), 0);
        if (clear_)
            return connected_clear(placed);
        find_nearest(placed);
        for (int p = 0; p < n_; ++p)
            join(p, row(p)[0]);  // every planet links at least once
        for (int count = 2; count <= kMostOwnLinks; ++count)
            for (const std::int16_t p : group(count))
                for (int k = 1; k < count; ++k)
                    join(p, row(p)[k]);
        if (!placed.wormhole_at.empty()) {
            wormhole_pool_.fill(static_cast<std::uint32_t>(n_));
            for (std::uint32_t at : placed.wormhole_at) {
                const int q = static_cast<int>(wormhole_pool_.take(at));
                join(q, farthest(placed, q));
            }
        }
        return reaches_all();
    }

    // The connected galaxy as planets, its names and templates looked up by the drawn positions.
    void store(Placed& placed, std::vector<Planet>& planets,
               const std::vector<std::string>& templates,
               const std::vector<std::string>& system_names)
    {
        link(placed);
        planets.assign(static_cast<std::size_t>(n_), Planet{});
        IndexPool name_pool, template_pool;
        name_pool.fill(static_cast<std::uint32_t>(system_names.size()));
        template_pool.fill(static_cast<std::uint32_t>(templates.size()));
        for (int p = 0; p < n_; ++p) {
            Planet& planet = planets[static_cast<std::size_t>(p)];
            planet.system_name = placed.name_at[p] == Placed::kMadeUp
                                     ? std::move(placed.names[p])
                                     : system_names[name_pool.take(placed.name_at[p])];
            planet.template_file =
                file_name_of(templates[template_pool.take(placed.template_at[p])]);
            planet.x = placed.x(p);
            planet.y = placed.y(p);
            planet.links.assign(row(p), row(p) + link_count_[p]);
            planet.farthest = farthest(placed, p);
            planet.home = p == placed.home;
        }
    }

private:
    std::int16_t* row(int p) { return &links_[static_cast<std::size_t>(p) * n_]; }

    // Every planet's own links: its nearest planets, as many as its drawn link count.
    // In a crowded galaxy, the block of cells around each planet is looked at first. The
    // planets are taken by their link count, one count after the other: a drawn count is
    // random, and a branch on it in every planet's turn would be foreseen wrongly every few.
    void find_nearest(const Placed& placed)
    {
        const bool crowded = n_ >= NearbyPlanets::kFrom;
        if (crowded)
            nearby_.fill(placed);
        group_by_link_count(placed);
        for (int count = 1; count <= kMostOwnLinks; ++count)
            for (const std::int16_t p : group(count))
                if (!crowded || !nearby_.nearest(placed, p, count, row(p)))
                    nearest_scan(placed, p, count, row(p));
    }

    // The planets of each drawn link count, in their order. Each planet is written to the end
    // of every group and only its own group's end moves on: the ends stay in registers, where
    // an end looked up by the count would go through memory at every planet.
    void group_by_link_count(const Placed& placed)
    {
        std::int16_t* const one = groups_.data();
        std::int16_t* const two = one + n_;
        std::int16_t* const three = two + n_;
        int ones = 0, twos = 0, threes = 0;
        for (int p = 0; p < n_; ++p) {
            const int count = placed.own_links[p];
            link_count_[p] = count;
            one[ones] = two[twos] = three[threes] = static_cast<std::int16_t>(p);
            ones += count == 1;
            twos += count == 2;
            threes += count == 3;
        }
        group_sizes_ = {0, ones, twos, threes};
    }

    std::span<const std::int16_t> group(int count) const
    {
        return {&groups_[static_cast<std::size_t>((count - 1) * n_)],
                static_cast<std::size_t>(group_sizes_[count])};
    }

    // The links in their order: own links, then wormholes, then the links gained from planets
    // that took their turn at making links mutual.
    void link(const Placed& placed)
    {
        if (clear_) {
            clear_->make_own_links(placed, links_.data(), link_count_.data());
            clear_->make_wormholes(placed, links_.data(), link_count_.data(), wormhole_pool_);
        } else
            find_nearest(placed);
        if (!clear_ && !placed.wormhole_at.empty()) {
            wormhole_pool_.fill(static_cast<std::uint32_t>(n_));
            for (std::uint32_t at : placed.wormhole_at) {
                const int q = static_cast<int>(wormhole_pool_.take(at));
                add_link_once(q, farthest(placed, q));
            }
        }
        for (int p = 0; p < n_; ++p) {
            const int own = link_count_[p];
            for (int k = 0; k < own; ++k)
                add_link_once(row(p)[k], p);
        }
    }

    std::uint64_t* joined_row(int p) { return &joined_[static_cast<std::size_t>(p) * words_]; }

    void join(int a, int b)
    {
        joined_row(a)[b >> 6] |= std::uint64_t{1} << (b & 63);
        joined_row(b)[a >> 6] |= std::uint64_t{1} << (a & 63);
    }

    // Walks from planet 0: every planet reached adds its neighbours not reached before.
    bool reaches_all()
    {
        std::fill(reached_.begin(), reached_.end(), 0);
        return walk_from(0) == n_;
    }

    // Walks from a planet not reached before; returns how many planets the walk reached.
    int walk_from(int start)
    {
        reached_[start >> 6] |= std::uint64_t{1} << (start & 63);
        int count = 1, next = 0;
        walk_[0] = static_cast<std::int16_t>(start);
        while (next < count) {
            const std::uint64_t* neighbours = joined_row(walk_[next++]);
            for (int w = 0; w < words_; ++w) {
                std::uint64_t fresh = neighbours[w] & ~reached_[w];
                reached_[w] |= fresh;
                for (; fresh; fresh &= fresh - 1)
                    walk_[count++] = static_cast<std::int16_t>(w * 64 + std::countr_zero(fresh));
            }
        }
        return count;
    }

    // Whether the galaxy is in more than `most` pieces.
    bool more_pieces_than(int most)
    {
        std::fill(reached_.begin(), reached_.end(), 0);
        int pieces = 0;
        for (int p = 0; p < n_; ++p)
            if (!(reached_[p >> 6] >> (p & 63) & 1) && (walk_from(p), ++pieces > most))
                return true;
        return false;
    }

    // The test with clear jumpgates. Each wormhole joins two pieces at most, so own links that
    // leave more pieces than one more than the wormholes cannot give a connected galaxy, and the
    // wormholes, whose long lines take the most looking, are then not looked for.
    bool connected_clear(const Placed& placed)
    {
        clear_->make_own_links(placed, links_.data(), link_count_.data());
        const auto join_rows = [&] {
            for (int p = 0; p < n_; ++p)
                for (int k = 0; k < link_count_[p]; ++k)
                    join(p, row(p)[k]);
        };
        join_rows();
        if (more_pieces_than(static_cast<int>(placed.wormhole_at.size()) + 1))
            return false;
        clear_->make_wormholes(placed, links_.data(), link_count_.data(), wormhole_pool_);
        join_rows();
        return reaches_all();
    }

    int farthest(const Placed& placed, int p) const
    {
        return farthest_planet(n_, p, [&](int i) {
            return std::pair<std::int64_t, std::int64_t>(placed.x(i), placed.y(i));
        });
    }

    void add_link_once(int from, int to)
    {
        std::int16_t* links = row(from);
        int& count = link_count_[from];
        if (std::find(links, links + count, to) == links + count)
            links[count++] = static_cast<std::int16_t>(to);
    }

    static constexpr int kMostOwnLinks = 3;  // a drawn link count is 1, 2 or 3

    const int n_;
    const int words_;  // 64-bit words in a row of planets
    std::vector<std::int32_t> link_count_;
    std::vector<std::int16_t> groups_;  // the planets of link count c from (c - 1) * n on
    std::array<int, kMostOwnLinks + 1> group_sizes_{};
    std::vector<std::int16_t> links_;     // n rows of n entries: no planet has more than n-1 links
    std::vector<std::uint64_t> joined_;   // each planet's neighbours, a row of bits
    std::vector<std::uint64_t> reached_;  // the planets the walk has reached
    std::vector<std::int16_t> walk_;      // those planets, in the order reached
    IndexPool wormhole_pool_;
    NearbyPlanets nearby_;
    std::optional<ClearLinks> clear_;  // with clear jumpgates only
};

}  // namespace orvek
