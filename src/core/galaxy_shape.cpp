// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/galaxy_shape.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

namespace orvek {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kCentre = 500;  // the middle of the map, on both axes
// The room one planet needs: the square its clearance keeps free, 56 units a side.
constexpr double kRoom = 56.0 * 56.0;
constexpr double kCovered = 0.42;  // how much of the outline the planets' rooms may fill

// The sine by its series on -pi..pi: the system's own sine may differ in its last bit from one
// system to another, and one bit could move a block across the outline's edge.
double sine(double a)
{
    while (a > kPi)
        a -= 2 * kPi;
    while (a < -kPi)
        a += 2 * kPi;
    double term = a, sum = a;
    for (int k = 1; k < 12; ++k) {
        term *= -a * a / ((2 * k) * (2 * k + 1));
        sum += term;
    }
    return sum;
}

double cosine(double a)
{
    return sine(a + kPi / 2);
}

// A point the outline gathers round; the larger its weight, the narrower the band round it.
struct Point {
    double x, y, weight = 1;
};

// The nearest of `points` to (x, y), as a squared distance times the point's weight. Four minima
// taken side by side: a spiral's outline asks this of every block for every point of its arms.
double nearest_squared(const std::vector<Point>& points, double x, double y)
{
    constexpr double kFar = std::numeric_limits<double>::max();
    double best[4] = {kFar, kFar, kFar, kFar};
    const auto squared = [&](const Point& p) {
        return p.weight * ((p.x - x) * (p.x - x) + (p.y - y) * (p.y - y));
    };
    std::size_t i = 0;
    for (; i + 4 <= points.size(); i += 4)
        for (std::size_t k = 0; k < 4; ++k)
            best[k] = std::min(best[k], squared(points[i + k]));
    for (; i < points.size(); ++i)
        best[0] = std::min(best[0], squared(points[i]));
    return std::min(std::min(best[0], best[1]), std::min(best[2], best[3]));
}

// A spiral's arms: N arms from the middle outwards, each turning through 144 degrees as its
// radius grows from 30 to 470 units, the arms evenly spread. A block lies the deeper in the
// spiral the nearer it is to an arm, nearness counting more towards the arm's end: the outline is
// a band along each arm, wide at the middle, where the arms join, and narrowing outwards.
std::vector<Point> spiral_arms(int arms)
{
    std::vector<Point> points;
    constexpr int kSteps = 48;
    for (int k = 0; k < arms; ++k)
        for (int s = 0; s < kSteps; ++s) {
            const double t = s / double{kSteps - 1};
            const double r = 30 + 440 * t, angle = 2 * kPi * k / arms + 0.8 * kPi * t;
            points.push_back({kCentre + r * cosine(angle), kCentre + r * sine(angle), 0.35 + t});
        }
    return points;
}

// Clusters: N round clusters whose centres lie evenly on a circle, the first straight up. Each
// cluster takes an equal share of the outline's area, and the circle is as wide as leaves a gap
// of a quarter of a cluster's width between neighbours (held inside the map): near enough that
// the nearest-planet links still bridge it.
std::vector<Point> cluster_centres(int clusters, double area)
{
    const double radius = std::sqrt(area / (clusters * kPi));
    const double apart = 2.5 * radius;  // the distance between the centres of neighbours
    const double circle = std::min(apart / (2 * sine(kPi / clusters)), 470 - radius);
    std::vector<Point> centres;
    for (int k = 0; k < clusters; ++k) {
        const double angle = 2 * kPi * k / clusters - kPi / 2;
        centres.push_back({kCentre + circle * cosine(angle), kCentre + circle * sine(angle)});
    }
    return centres;
}

// How deep in the shape a point lies: the larger, the deeper. A disc is deepest at the middle; a
// ring on the circle of radius 300 around it.
double depth(const GalaxyShape& shape, const std::vector<Point>& points, double x, double y)
{
    const double dx = x - kCentre, dy = y - kCentre;
    switch (shape.kind) {
    case ShapeKind::Disc: return -(dx * dx + dy * dy);
    case ShapeKind::Ring: return -std::abs(std::sqrt(dx * dx + dy * dy) - 300);
    default: return -nearest_squared(points, x, y);
    }
}

}  // namespace

std::optional<GalaxyShape> parse_shape(std::string_view text)
{
    for (const GalaxyShape& shape : every_shape())
        if (shape_text(shape) == text)
            return shape;
    return std::nullopt;
}

std::string shape_text(const GalaxyShape& shape)
{
    switch (shape.kind) {
    case ShapeKind::Disc: return "disc";
    case ShapeKind::Ring: return "ring";
    case ShapeKind::Spiral: return "spiral:" + std::to_string(shape.parts);
    case ShapeKind::Clusters: return "clusters:" + std::to_string(shape.parts);
    default: return "classic";
    }
}

const std::array<GalaxyShape, 11>& every_shape()
{
    static constexpr std::array<GalaxyShape, 11> kShapes = {{{ShapeKind::Classic, 0},
                                                             {ShapeKind::Disc, 0},
                                                             {ShapeKind::Ring, 0},
                                                             {ShapeKind::Spiral, 2},
                                                             {ShapeKind::Spiral, 3},
                                                             {ShapeKind::Spiral, 4},
                                                             {ShapeKind::Clusters, 2},
                                                             {ShapeKind::Clusters, 3},
                                                             {ShapeKind::Clusters, 4},
                                                             {ShapeKind::Clusters, 5},
                                                             {ShapeKind::Clusters, 6}}};
    return kShapes;
}

ShapeOutline::ShapeOutline(const GalaxyShape& shape, int planets)
{
    constexpr int kAll = kBlocks * kBlocks;
    const double area = planets * kRoom / kCovered;
    const auto wanted = static_cast<int>(std::ceil(area / (kBlock * kBlock)));
    if (shape.kind == ShapeKind::Classic || wanted >= kAll)
        return;
    whole_ = false;
    const std::vector<Point> points = shape.kind == ShapeKind::Spiral ? spiral_arms(shape.parts)
                                      : shape.kind == ShapeKind::Clusters
                                          ? cluster_centres(shape.parts, area)
                                          : std::vector<Point>{};
    // The blocks by depth, deepest first; of two equally deep, the lower number.
    std::vector<std::pair<double, int>> order;
    order.reserve(kAll);
    for (int b = 0; b < kAll; ++b) {
        const double x = kFirst + (b % kBlocks) * kBlock + kBlock / 2.0;
        const double y = kFirst + (b / kBlocks) * kBlock + kBlock / 2.0;
        order.emplace_back(-depth(shape, points, x, y), b);
    }
    std::nth_element(order.begin(), order.begin() + wanted, order.end());
    for (int i = 0; i < wanted; ++i)
        blocks_[static_cast<std::size_t>(order[static_cast<std::size_t>(i)].second)] = true;
}

}  // namespace orvek
