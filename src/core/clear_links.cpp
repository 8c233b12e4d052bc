// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/clear_links.h"

#include "core/gate_geometry.h"
#include "core/index_pool.h"

#include <algorithm>

namespace orvek {

namespace {

// The cells around a planet's own, two on every side, hold every planet nearer than this on
// both axes: a planet three cells off lies at least 3 x 56 - 55 units away on one of them.
constexpr int kRing = 2;
constexpr std::int64_t kSurelyNearest = std::int64_t{kRing * kCell + 1} * (kRing * kCell + 1);

}  // namespace

ClearLinks::ClearLinks(int n) : n_(n), at_(static_cast<std::size_t>(n))
{
    order_.reserve(static_cast<std::size_t>(n));
}

void ClearLinks::make(const Placed& placed, std::int16_t* rows, std::int32_t* counts,
                      IndexPool& wormhole_pool)
{
    planet_in_.fill(-1);
    for (std::vector<std::int32_t>& list : gates_in_)
        list.clear();
    gates_.clear();
    for (int p = 0; p < n_; ++p) {
        at_[static_cast<std::size_t>(p)] = {placed.x(p), placed.y(p)};
        planet_in_[static_cast<std::size_t>(cell_of(placed.y(p)) * kGrid + cell_of(placed.x(p)))] =
            static_cast<std::int16_t>(p);
        counts[p] = 0;
    }
    for (int p = 0; p < n_; ++p)
        own_links(p, placed.own_links[p], rows + static_cast<std::ptrdiff_t>(p) * n_, counts[p]);
    if (placed.wormhole_at.empty())
        return;
    wormhole_pool.fill(static_cast<std::uint32_t>(n_));
    for (const std::uint32_t drawn : placed.wormhole_at) {
        const int q = static_cast<int>(wormhole_pool.take(drawn));
        everyone(q);
        std::sort(order_.begin(), order_.end(), [](const auto& a, const auto& b) {
            return a.first != b.first ? a.first > b.first : a.second < b.second;
        });
        std::int16_t* row = rows + static_cast<std::ptrdiff_t>(q) * n_;
        for (const auto& [distance, r] : order_) {
            if (!clear(q, r))
                continue;
            if (std::find(row, row + counts[q], r) == row + counts[q])
                row[counts[q]++] = static_cast<std::int16_t>(r);
            add_gate(q, r);
            break;
        }
    }
}

// Tries the nearest planets in order: those of the cells around first, which are surely the
// nearest while nearer than kSurelyNearest; past that, every planet.
void ClearLinks::own_links(int p, int wanted, std::int16_t* row, std::int32_t& count)
{
    int tried = 0;
    const auto attempt = [&](int q) {
        ++tried;
        if (clear(p, q)) {
            row[count++] = static_cast<std::int16_t>(q);
            add_gate(p, q);
        }
    };
    nearby(p);
    std::sort(order_.begin(), order_.end());
    for (const auto& [distance, q] : order_) {
        if (count == wanted || tried == kTries || distance >= kSurelyNearest)
            break;
        attempt(q);
    }
    if (count == wanted || tried == kTries)
        return;
    everyone(p);
    const auto tries = static_cast<std::ptrdiff_t>(std::min<std::size_t>(kTries, order_.size()));
    std::partial_sort(order_.begin(), order_.begin() + tries, order_.end());
    for (std::ptrdiff_t i = tried; i < tries && count < wanted; ++i)
        attempt(order_[static_cast<std::size_t>(i)].second);
}

// The planets in the cells around p's own, with their squared distances from p.
void ClearLinks::nearby(int p)
{
    order_.clear();
    const At here = at(p);
    const int cx = here.x / kCell, cy = here.y / kCell;
    for (int y = std::max(0, cy - kRing); y <= std::min(kGrid - 1, cy + kRing); ++y)
        for (int x = std::max(0, cx - kRing); x <= std::min(kGrid - 1, cx + kRing); ++x) {
            const int q = planet_in_[static_cast<std::size_t>(y * kGrid + x)];
            if (q < 0 || q == p)
                continue;
            const std::int64_t dx = at(q).x - here.x, dy = at(q).y - here.y;
            order_.emplace_back(dx * dx + dy * dy, q);
        }
}

// Every other planet, with its squared distance from p.
void ClearLinks::everyone(int p)
{
    order_.clear();
    const At here = at(p);
    for (int q = 0; q < n_; ++q)
        if (q != p) {
            const std::int64_t dx = at(q).x - here.x, dy = at(q).y - here.y;
            order_.emplace_back(dx * dx + dy * dy, q);
        }
}

// Whether a jumpgate from a to b would pass no third planet and cross no jumpgate made before.
bool ClearLinks::clear(int a, int b) const
{
    using namespace gate_geometry;
    const At from = at(a), to = at(b);
    const int left = std::min(from.x, to.x), right = std::max(from.x, to.x);
    const int top = std::min(from.y, to.y), bottom = std::max(from.y, to.y);
    for (int y = cell_of(top - kGateClearance); y <= cell_of(bottom + kGateClearance); ++y)
        for (int x = cell_of(left - kGateClearance); x <= cell_of(right + kGateClearance); ++x) {
            const int p = planet_in_[static_cast<std::size_t>(y * kGrid + x)];
            if (p >= 0 && p != a && p != b && passes_near(from, to, at(p)))
                return false;
        }
    for (int y = cell_of(top); y <= cell_of(bottom); ++y)
        for (int x = cell_of(left); x <= cell_of(right); ++x)
            for (const std::int32_t g : gates_in_[static_cast<std::size_t>(y * kGrid + x)]) {
                const auto [c, d] = gates_[static_cast<std::size_t>(g)];
                if (c != a && c != b && d != a && d != b && boxes_meet(from, to, at(c), at(d)) &&
                    segments_meet(from, to, at(c), at(d)))
                    return false;
            }
    return true;
}

// Lists a new jumpgate in every cell its box covers: a line can only cross it where the boxes
// meet, and they meet in some cell both cover.
void ClearLinks::add_gate(int a, int b)
{
    const auto g = static_cast<std::int32_t>(gates_.size());
    gates_.emplace_back(a, b);
    for (int y = cell_of(std::min(at(a).y, at(b).y)); y <= cell_of(std::max(at(a).y, at(b).y)); ++y)
        for (int x = cell_of(std::min(at(a).x, at(b).x)); x <= cell_of(std::max(at(a).x, at(b).x));
             ++x)
            gates_in_[static_cast<std::size_t>(y * kGrid + x)].push_back(g);
}

}  // namespace orvek
