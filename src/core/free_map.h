// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where on a crowded map a new planet may still go: one bit per position of the 960 x 960 that
// the generator draws from, cleared in the clearance square of every planet placed.
// It answers "is this position free?" with one lookup and "is any position free?" in constant
// time, which is what a map close to full asks thousands of times.

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

namespace orvek {

class Random;

// Which columns and which rows of a 30 x 30 tile still have a free position, one bit each.
struct TileSummary {
    std::uint32_t columns, rows;
};

// Positions are drawn as 20 + R(960) on each axis; two planets clash when they lie within 55
// units on both axes.
inline constexpr int kMapMin = 20;
inline constexpr int kMapRange = 960;
inline constexpr int kClearance = 55;
// The last position a planet may take on either axis.
inline constexpr int kMapMax = kMapMin + kMapRange - 1;

// The planet farthest from planet p of the n whose positions `at(i)` gives ({x, y}): the lower
// number wins a tie, and p itself never counts (0 when every planet stands on p's spot). The
// generator's wormholes and every planet's `farthest` come from here.
template <typename At>
int farthest_planet(int n, int p, At at)
{
    int best = 0;
    std::int64_t most = 0;
    const auto [px, py] = at(p);
    for (int i = 0; i < n; ++i) {
        const auto [x, y] = at(i);
        const std::int64_t dx = px - x, dy = py - y;
        if (dx * dx + dy * dy > most) {
            most = dx * dx + dy * dy;
            best = i;
        }
    }
    return best;
}

class FreeMap {
public:
    // Every position free again; also the first call before any other.
    void clear();

    // Marks the positions that clash with a planet at (x, y) (map units) as taken.
    void take(int x, int y);

    // Whether no position is free any more.
    bool full() const { return free_bands_ == 0; }

    // Draws positions (x = 20 + R(960), then y = 20 + R(960)) until one is free, exactly as
    // drawing them one by one would, and leaves `random` after the accepted position's draws.
    // The map must not be full.
    void draw_free(Random& random, int& x, int& y) const;

    // The map is cut into 32 x 32 tiles of 30 x 30 positions. A draw's tile is the top five
    // bits of its two random states, so most drawn positions are turned down by their tile
    // alone, without working out the position.
    static constexpr int kTile = kMapRange / 32;
    static constexpr int kTiles = 32;

    // Whether the position drawn from the states `sx` (column) and `sy` (row) is free.
    bool is_free(std::uint32_t sx, std::uint32_t sy) const;

private:
    // Word t of row r, bits_[t x 960 + r], holds columns 30t..30t+29 of the row in its bits
    // 0..29; bits 30 and 31 stay clear, so a word is non-zero exactly when its part of the row
    // has a free position. A tile's 30 rows are consecutive words.
    std::vector<std::uint32_t> bits_;
    // Bit t of tiles_[b]: tile column t of band b (rows 30b..30b+29) has a free position.
    std::array<std::uint32_t, kTiles> tiles_{};
    std::uint32_t free_bands_ = 0;  // bit b: tiles_[b] is not zero

    // Bit t of written_[b]: the tile's words have been written since the last clear();
    // before that, every position of the tile is free.
    std::array<std::uint32_t, kTiles> written_{};

    // Each written tile's summary, by band x 32 + tile column.
    std::array<TileSummary, kTiles * kTiles> summaries_{};

    // Takes rows first..last of a tile and its columns in `covered` (both counted in the tile).
    void take_tile(int band, int tile, int first, int last, std::uint32_t covered);
    // Masks rows first..last of the tile's 30 words (or of 30 free ones, if fresh) with `keep`;
    // returns what is left free.
    static TileSummary update_tile(std::uint32_t* words, bool fresh, int first, int last,
                                   std::uint32_t keep);
};

}  // namespace orvek
