// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The outline a galaxy's planets are placed in: the classic scatter over the whole map, or a
// disc, a ring, a spiral of 2 to 4 arms, or 2 to 6 clusters, sized to the planet count.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvek {

enum class ShapeKind { Classic, Disc, Ring, Spiral, Clusters };

// A shape and its count: arms of a spiral (2..4), clusters (2..6), 0 for the others.
struct GalaxyShape {
    ShapeKind kind = ShapeKind::Classic;
    int parts = 0;
    friend bool operator==(const GalaxyShape&, const GalaxyShape&) = default;
};

// Reads "classic", "disc", "ring", "spiral:N" (N 2..4) or "clusters:N" (N 2..6); nothing for any
// other text.
std::optional<GalaxyShape> parse_shape(std::string_view text);

// The shape as parse_shape reads it ("spiral:3").
std::string shape_text(const GalaxyShape& shape);

// Every shape parse_shape accepts, classic first, for a list to choose from.
const std::array<GalaxyShape, 11>& every_shape();

// Which positions of the map a shape lets planets take, for a galaxy of `planets` planets. The
// map's drawn range (20..979 on each axis) is cut into 48 x 48 blocks of 20 units, and the
// outline is the blocks that lie deepest in the shape, as many as give each planet room enough
// that placing them seldom jams: at 42 % of the outline covered by the squares the clearance keeps
// free around planets. From 124 planets on, that is the whole map, and every shape places
// like the classic one. Worked out with additions, products, quotients and square roots only,
// whose results IEEE arithmetic fixes, so that a shape gives the same outline on every system.
class ShapeOutline {
public:
    ShapeOutline(const GalaxyShape& shape, int planets);

    // Whether the outline holds the whole map (always so for the classic shape).
    bool whole_map() const { return whole_; }

    // Whether a position of the drawn range (20..979 on both axes) lies inside the outline.
    bool inside(int x, int y) const
    {
        return whole_ || blocks_[static_cast<std::size_t>(((y - kFirst) / kBlock) * kBlocks +
                                                          (x - kFirst) / kBlock)];
    }

    static constexpr int kFirst = 20, kBlock = 20, kBlocks = 48;

private:
    bool whole_ = true;
    std::array<bool, kBlocks * kBlocks> blocks_{};
};

}  // namespace orvek
