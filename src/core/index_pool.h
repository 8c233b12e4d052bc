// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An ordered list of whole numbers from which entries are drawn at random and removed, the
// remaining entries keeping their order: the template list, the name pool and the wormhole pool.

#include <cstdint>
#include <vector>

namespace orvek {

class Random;

class IndexPool {
public:
    // Replaces the content with 0, 1, ..., count - 1.
    void fill(std::uint32_t count);
    std::uint32_t size() const { return static_cast<std::uint32_t>(entries_.size()); }
    bool empty() const { return entries_.empty(); }

    // Draws R(size), removes that entry and returns it. From an empty pool the draw still happens
    // (R(0)) and then "List index out of bounds (0)" is thrown.
    std::uint32_t draw(Random& random);

    // Removes the entry at a position drawn earlier and returns it. Throws the list error when
    // the position lies past the end.
    std::uint32_t take(std::uint32_t position);

private:
    std::vector<std::uint32_t> entries_;
    std::vector<std::uint32_t> full_;  // 0..count-1, kept so that a refill is one copy
};

}  // namespace orvek
