// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the first half of a Generate attempt (placement) leaves for the second (linking and the
// reach test), and the map's grid of clash cells that both halves look planets up in.

#include "core/free_map.h"

#include <cstdint>
#include <exception>
#include <limits>
#include <string>
#include <vector>

namespace orvek {

inline constexpr int kCell = kClearance + 1;
inline constexpr int kGrid = (kMapMax / kCell) + 1;
inline constexpr int kRoomyCount = 74;  // up to this many planets can never fill the map

// What the first half of an attempt leaves for the second: every draw of the attempt has been
// made or is fixed by a recorded state, so an attempt can be linked and tested while the next
// one is already being placed.
struct Placed {
    explicit Placed(int n)
        : packed((n + 7) / 8 * 8, kFarPacked), draw_state(n), own_links(n), names(n), name_at(n),
          template_at(n)
    {}

    enum class Kind { Ready, FullMap, Failed, Cancelled };
    // x in the low, y in the high 16 bits; padded to a multiple of eight with a position farther
    // than any planet.
    static constexpr std::uint32_t kFarPacked = 2000u | (2000u << 16);
    static constexpr std::uint32_t kMadeUp = std::numeric_limits<std::uint32_t>::max();

    Kind kind = Kind::Ready;
    std::exception_ptr error;
    std::uint64_t number = 0;       // the attempt's number, counted from 1
    std::uint32_t state_after = 0;  // the random source's state after the attempt's draws
    std::string background;
    int home = 0;
    std::vector<std::uint32_t> packed;
    // The random source's state before the name, template and link count draws of each of the
    // first `usual` planets, which follow from it alone: the placing side only jumps over them,
    // and the arrays below are filled from these states by Placer::settle_*.
    std::vector<std::uint32_t> draw_state;
    int usual = 0;
    std::vector<std::int32_t> own_links;     // the drawn link count of every planet
    std::vector<std::string> names;          // made-up names; pool names once resolved
    std::vector<std::uint32_t> name_at;      // position drawn from the name pool, or kMadeUp
    std::vector<std::uint32_t> template_at;  // position drawn from the template list
    std::vector<std::uint32_t> wormhole_at;  // positions drawn from the wormhole pool

    // Planet p's position, kept only packed.
    int x(int p) const { return static_cast<int>(packed[p] & 0xFFFFu); }
    int y(int p) const { return static_cast<int>(packed[p] >> 16); }
    void put(int p, int x, int y) { packed[p] = pack(x, y); }
    static std::uint32_t pack(int x, int y)
    {
        return static_cast<std::uint32_t>(x) | (static_cast<std::uint32_t>(y) << 16);
    }
    int count() const { return static_cast<int>(draw_state.size()); }  // the planets
};

}  // namespace orvek
