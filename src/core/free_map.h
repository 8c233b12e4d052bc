#pragma once
// Where on a crowded map a new planet may still go: one bit per position of the 960 x 960 that
// the generator draws from, cleared in the clearance square of every planet placed.
// It answers "is this position free?" with one lookup and "is any position free?" in constant
// time over an attempt, which is what a map close to full asks thousands of times.

#include <array>
#include <cstdint>
#include <vector>

namespace orvek {

class Random;

// Positions are drawn as 20 + R(960) on each axis; two planets clash when they lie within 55
// units on both axes.
inline constexpr int kMapMin = 20;
inline constexpr int kMapRange = 960;
inline constexpr int kClearance = 55;

class FreeMap {
public:
    // Every position free again; also the first call before any other.
    void clear();

    // Marks the positions that clash with a planet at (x, y) (map units) as taken.
    void take(int x, int y);

    // Whether no position is free any more. Amortised constant time: the first free position
    // only ever moves forward while planets are taken.
    bool full();

    // Draws positions (x = 20 + R(960), then y = 20 + R(960)) until one is free, exactly as
    // drawing them one by one would, and leaves `random` after the accepted position's draws.
    // The map must not be full.
    void draw_free(Random& random, int& x, int& y) const;

private:
    static constexpr int kWordsPerRow = kMapRange / 64;
    bool is_free(std::uint32_t column, std::uint32_t row) const
    {
        return (bits_[row * kWordsPerRow + (column >> 6)] >> (column & 63)) & 1u;
    }

    std::vector<std::uint64_t> bits_;
    std::size_t first_free_word_ = 0;
};

}  // namespace orvek
