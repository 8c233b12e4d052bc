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
// made, so an attempt can be linked and tested while the next one is already being placed.
struct Placed {
    explicit Placed(int n)
        : xs(n), ys(n), packed((n + 7) / 8 * 8, kFarPacked), own_links(n), names(n), name_at(n),
          template_at(n), nearest(static_cast<std::size_t>(n) * 3)
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
    std::vector<std::int32_t> xs, ys;
    std::vector<std::uint32_t> packed;
    std::vector<std::int32_t> own_links;     // the drawn link count of every planet
    std::vector<std::string> names;          // made-up names; pool names once resolved
    std::vector<std::uint32_t> name_at;      // position drawn from the name pool, or kMadeUp
    std::vector<std::uint32_t> template_at;  // position drawn from the template list
    std::vector<std::uint32_t> wormhole_at;  // positions drawn from the wormhole pool
    // The nearest planets of planets 0..nearest_done-1, three entries each, when the placing
    // side had time to find them.
    std::vector<std::int16_t> nearest;
    int nearest_done = 0;
};

}  // namespace orvek
