// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where a jumpgate's line runs: how near it passes a planet, and whether two of them cross. The
// figures count such gates, and a Generate with clear jumpgates makes none; both ask here.

#include <algorithm>
#include <cstdint>

namespace orvek {

// How close a jumpgate's line may pass a third planet's centre: a marker's radius and a little
// room, in map units. Closer, a reader cannot tell which planet the line joins.
inline constexpr int kGateClearance = 12;

// Points are anything with whole-number members x and y (map units).
namespace gate_geometry {

// The square of the distance from point p to the segment from a to b, in map units.
template <class P>
double distance_squared(const P& a, const P& b, const P& p)
{
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double length = dx * dx + dy * dy;
    double t = length == 0 ? 0 : ((p.x - a.x) * dx + (p.y - a.y) * dy) / length;
    t = std::clamp(t, 0.0, 1.0);
    const double ex = a.x + t * dx - p.x, ey = a.y + t * dy - p.y;
    return ex * ex + ey * ey;
}

// Which side of the line through a and b the point p lies on: 1, -1, or 0 on it. Exact.
template <class P>
int side(const P& a, const P& b, const P& p)
{
    const std::int64_t cross =
        std::int64_t{b.x - a.x} * (p.y - a.y) - std::int64_t{b.y - a.y} * (p.x - a.x);
    return (cross > 0) - (cross < 0);
}

// Whether p, on the line through a and b, lies within their box.
template <class P>
bool within(const P& a, const P& b, const P& p)
{
    return std::min(a.x, b.x) <= p.x && p.x <= std::max(a.x, b.x) && std::min(a.y, b.y) <= p.y &&
           p.y <= std::max(a.y, b.y);
}

// Whether the boxes of the segments ab and cd overlap: segments whose boxes do not never meet.
template <class P>
bool boxes_meet(const P& a, const P& b, const P& c, const P& d)
{
    return std::max(std::min(a.x, b.x), std::min(c.x, d.x)) <=
               std::min(std::max(a.x, b.x), std::max(c.x, d.x)) &&
           std::max(std::min(a.y, b.y), std::min(c.y, d.y)) <=
               std::min(std::max(a.y, b.y), std::max(c.y, d.y));
}

// Whether the segments ab and cd, which share no planet, meet: crossing, or one touching or
// overlapping the other.
template <class P>
bool segments_meet(const P& a, const P& b, const P& c, const P& d)
{
    const int abc = side(a, b, c), abd = side(a, b, d), cda = side(c, d, a), cdb = side(c, d, b);
    if (abc * abd < 0 && cda * cdb < 0)
        return true;
    return (abc == 0 && within(a, b, c)) || (abd == 0 && within(a, b, d)) ||
           (cda == 0 && within(c, d, a)) || (cdb == 0 && within(c, d, b));
}

// Whether the line from a to b passes p within kGateClearance. Exact, in whole numbers: beyond
// either end the nearest point is that end; between them the distance to the line is the cross
// product over the length, compared squared.
template <class P>
bool passes_near(const P& a, const P& b, const P& p)
{
    constexpr std::int64_t kClear = std::int64_t{kGateClearance} * kGateClearance;
    const std::int64_t abx = b.x - a.x, aby = b.y - a.y, apx = p.x - a.x, apy = p.y - a.y;
    const std::int64_t along = apx * abx + apy * aby, length = abx * abx + aby * aby;
    if (along <= 0)
        return apx * apx + apy * apy <= kClear;
    if (along >= length) {
        const std::int64_t bpx = p.x - b.x, bpy = p.y - b.y;
        return bpx * bpx + bpy * bpy <= kClear;
    }
    const std::int64_t cross = abx * apy - aby * apx;
    return cross * cross <= kClear * length;
}

}  // namespace gate_geometry

}  // namespace orvek
