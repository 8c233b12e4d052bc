// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/clear_links.h"

#include "core/gate_geometry.h"
#include "core/index_pool.h"
#include "core/nearest_planets.h"

#include <algorithm>
#include <cmath>

namespace orvek {

namespace {

// The cells around a planet's own, two on every side, hold every planet less than 113 units away
// (this is its square): a planet three cells off lies at least 3 x 56 - 55 units away on one
// axis.
constexpr int kRing = 2;
constexpr std::int64_t kSurelyNearest = std::int64_t{kRing * kCell + 1} * (kRing * kCell + 1);

int cell_of(int v)
{
    return std::clamp(v / kCell, 0, kGrid - 1);
}

// Visits each clash cell holding a point within `margin` units of the line from a to b on both
// axes. A line long on both axes goes column by column: in each, only the rows the line crosses
// there, widened by the margin, so that it visits a band of cells, not its whole box. The rows are
// rounded outwards, one unit more, so that no cell is missed. Stops when `visit(cell)` returns
// true, and returns whether it did.
template <class At, class Visit>
bool cells_along(At a, At b, int margin, Visit visit)
{
    const int left = std::min(a.x, b.x), right = std::max(a.x, b.x);
    const int top = std::min(a.y, b.y), bottom = std::max(a.y, b.y);
    // A short line's box is no larger than its band, and quicker to walk.
    if (right - left <= 2 * kCell || bottom - top <= 2 * kCell) {
        const int first_row = cell_of(top - margin), last_row = cell_of(bottom + margin);
        const int first_column = cell_of(left - margin), last_column = cell_of(right + margin);
        for (int row = first_row; row <= last_row; ++row)
            for (int column = first_column; column <= last_column; ++column)
                if (visit(static_cast<std::size_t>(row * kGrid + column)))
                    return true;
        return false;
    }
    const double slope = double(b.y - a.y) / (b.x - a.x);
    for (int column = cell_of(left - margin); column <= cell_of(right + margin); ++column) {
        const int x0 = std::max(left, column * kCell - margin);
        const int x1 = std::min(right, column * kCell + kCell - 1 + margin);
        const double at0 = a.y + slope * (x0 - a.x), at1 = a.y + slope * (x1 - a.x);
        const int y0 = static_cast<int>(std::floor(std::min(at0, at1))) - 1;
        const int y1 = static_cast<int>(std::ceil(std::max(at0, at1))) + 1;
        for (int row = cell_of(y0 - margin); row <= cell_of(y1 + margin); ++row)
            if (visit(static_cast<std::size_t>(row * kGrid + column)))
                return true;
    }
    return false;
}

}  // namespace

ClearLinks::ClearLinks(int n)
    : n_(n), words_((n + 63) / 64), at_(static_cast<std::size_t>(n)),
      made_to_(static_cast<std::size_t>(n * words_)), nearest_of_(static_cast<std::size_t>(n)),
      nearest_distance_(static_cast<std::size_t>(n))
{
    order_.reserve(static_cast<std::size_t>(n));
}

void ClearLinks::make_own_links(const Placed& placed, std::int16_t* rows, std::int32_t* counts)
{
    planet_in_.fill(-1);
    std::fill(made_to_.begin(), made_to_.end(), 0);
    for (GateList& gates : gates_)
        gates.clear();
    for (int p = 0; p < n_; ++p) {
        at_[static_cast<std::size_t>(p)] = {placed.x(p), placed.y(p)};
        planet_in_[static_cast<std::size_t>(cell_of(placed.y(p)) * kGrid + cell_of(placed.x(p)))] =
            static_cast<std::int16_t>(p);
        counts[p] = 0;
    }
    if (n_ >= NearbyPlanets::kFrom)
        nearest_.fill(placed);
    // Every planet's nearest ones before the first link, which needs them at both its ends.
    for (int p = 0; p < n_ && n_ > 1; ++p) {
        std::int16_t* first = nearest_of_[static_cast<std::size_t>(p)].data();
        const int wanted = std::max(1, static_cast<int>(placed.own_links[p]));
        if (n_ < NearbyPlanets::kFrom || !nearest_.nearest(placed, p, wanted, first))
            nearest_scan(placed, p, wanted, first);
        nearest_distance_[static_cast<std::size_t>(p)] = distance(p, first[0]);
    }
    for (int p = 0; p < n_; ++p)
        own_links(placed, p, rows, counts);
}

void ClearLinks::make_wormholes(const Placed& placed, std::int16_t* rows, std::int32_t* counts,
                                IndexPool& wormhole_pool)
{
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
            if (passes_planet(q, r) || !try_gate(q, r))
                continue;
            if (std::find(row, row + counts[q], r) == row + counts[q])
                row[counts[q]++] = static_cast<std::int16_t>(r);
            break;
        }
    }
}

// Tries the nearest planets in order. As many as the planet links to come first, from the
// search the usual links use, which most often ends it. Past those, the others of the cells
// around, which are surely the nearest while nearer than kSurelyNearest, one at a time, since a
// planet seldom tries more than two or three; past that, every planet. A jumpgate its planet
// made already stays clear: every later one was checked against it.
void ClearLinks::own_links(const Placed& placed, int p, std::int16_t* rows, std::int32_t* counts)
{
    const int wanted = placed.own_links[p];
    std::int16_t* row = rows + static_cast<std::ptrdiff_t>(p) * n_;
    std::int32_t& count = counts[p];
    // The planets tried so far, all nearer to p than the one it tries next: of the third
    // planets, only those can lie near a link from p.
    std::array<std::int16_t, kTries> tried_planets;
    int tried = 0;
    const auto attempt = [&](int q) {
        const std::span<const std::int16_t> nearer(tried_planets.data(),
                                                   static_cast<std::size_t>(tried));
        tried_planets[static_cast<std::size_t>(tried++)] = static_cast<std::int16_t>(q);
        if (made_to(p, q)) {
            row[count++] = static_cast<std::int16_t>(q);
        } else if (!passes_any(p, q, nearer) && try_gate(p, q)) {
            row[count++] = static_cast<std::int16_t>(q);
            made_to_[static_cast<std::size_t>(q * words_ + (p >> 6))] |= std::uint64_t{1}
                                                                         << (p & 63);
        }
    };
    const std::int16_t* first = nearest_of_[static_cast<std::size_t>(p)].data();
    for (int k = 0; k < wanted; ++k)
        attempt(first[k]);
    if (count == wanted)
        return;
    nearby(p);
    for (auto next = order_.begin(); next != order_.end(); ++next) {
        if (count == wanted || tried == kTries)
            return;
        const auto nearest = std::min_element(next, order_.end());
        if (nearest->first >= kSurelyNearest)
            break;
        std::iter_swap(next, nearest);
        if (next - order_.begin() >= wanted)  // the first ones were tried above
            attempt(next->second);
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

// A third planet lies 56 units off each end on some axis, so a point of the line within
// kGateClearance of it lies 44 off each end on some axis: the line must be 88 long on an axis to
// pass one. Most links, to the nearest planets, are shorter; and a nearest link passes none.
bool ClearLinks::may_pass_planets(int a, int b) const
{
    constexpr int kRoomForAPlanet = 2 * (kClearance + 1 - kGateClearance);
    const At from = at(a), to = at(b);
    return std::max(std::abs(to.x - from.x), std::abs(to.y - from.y)) >= kRoomForAPlanet &&
           !nearest_link(a, b);
}

// Whether the line from a to b passes a third planet within kGateClearance, looked for in the
// cells along it.
bool ClearLinks::passes_planet(int a, int b) const
{
    const At from = at(a), to = at(b);
    return may_pass_planets(a, b) && cells_along(from, to, kGateClearance, [&](std::size_t cell) {
               const int p = planet_in_[cell];
               return p >= 0 && p != a && p != b && gate_geometry::passes_near(from, to, at(p));
           });
}

// Whether the line from a to b passes one of `nearer` within kGateClearance.
bool ClearLinks::passes_any(int a, int b, std::span<const std::int16_t> nearer) const
{
    if (nearer.empty() || !may_pass_planets(a, b))
        return false;
    return std::any_of(nearer.begin(), nearer.end(),
                       [&](int p) { return gate_geometry::passes_near(at(a), at(b), at(p)); });
}

// Makes the jumpgate from a to b if it would cross no jumpgate made before, and returns whether
// it did.
bool ClearLinks::try_gate(int a, int b)
{
    const At from = at(a), to = at(b);
    const GateBox box = box_of(from, to);
    const bool nearest = nearest_link(a, b);
    const auto meets = [&](int c, int d) {
        return gate_geometry::segments_meet(from, to, at(c), at(d));
    };
    if (gates_[1].any_met(a, b, box, meets) || (!nearest && gates_[0].any_met(a, b, box, meets)))
        return false;
    gates_[nearest ? 0 : 1].add(a, b, box);
    return true;
}

}  // namespace orvek
