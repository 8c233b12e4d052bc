// SPDX-License-Identifier: GPL-3.0-or-later
#include "campaign/map_file.h"

#include "campaign/campaign_format.h"
#include "gamedata/game_folder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>

namespace orvek {

namespace {

// Just enough of a 128-bit unsigned number for the rounding below.
struct U128 {
    std::uint64_t hi = 0, lo = 0;

    int bit_length() const
    {
        if (hi)
            return 128 - std::countl_zero(hi);
        return 64 - std::countl_zero(lo);
    }
    bool bit(int n) const { return n >= 64 ? (hi >> (n - 64)) & 1 : (lo >> n) & 1; }
    std::uint64_t shifted_right(int n) const  // the low 64 bits of this >> n, n in 0..127
    {
        if (n == 0)
            return lo;
        if (n >= 64)
            return hi >> (n - 64);
        return (lo >> n) | (hi << (64 - n));
    }
    bool any_below(int n) const  // whether any of the lowest n bits is set
    {
        if (n <= 0)
            return false;
        if (n <= 64)
            return (n == 64 ? lo : (lo & ((1ull << n) - 1))) != 0;
        const std::uint64_t high_mask = n >= 128 ? ~0ull : ((1ull << (n - 64)) - 1);
        return lo != 0 || (hi & high_mask) != 0;
    }
};

U128 multiply(std::uint64_t a, std::uint32_t b)
{
    std::uint64_t low = (a & 0xFFFFFFFFull) * b, high = (a >> 32) * b;
    U128 r;
    r.lo = low + (high << 32);
    r.hi = (high >> 32) + (r.lo < low ? 1 : 0);
    return r;
}

// (value << shift) / divisor for value < 2^32 and shift <= 80; `exact` tells whether it divides.
U128 shifted_quotient(std::uint64_t value, int shift, std::uint32_t divisor, bool& exact)
{
    // Long division over 32-bit digits of value * 2^shift, from the top.
    U128 n;
    n.lo = shift >= 64 ? 0 : value << shift;
    n.hi = shift >= 64 ? value << (shift - 64) : (shift == 0 ? 0 : value >> (64 - shift));
    std::uint32_t digits[4] = {
        static_cast<std::uint32_t>(n.hi >> 32), static_cast<std::uint32_t>(n.hi),
        static_cast<std::uint32_t>(n.lo >> 32), static_cast<std::uint32_t>(n.lo)};
    std::uint64_t rest = 0;
    for (std::uint32_t& d : digits) {
        std::uint64_t part = (rest << 32) | d;
        d = static_cast<std::uint32_t>(part / divisor);
        rest = part % divisor;
    }
    exact = rest == 0;
    U128 q;
    q.hi = (std::uint64_t{digits[0]} << 32) | digits[1];
    q.lo = (std::uint64_t{digits[2]} << 32) | digits[3];
    return q;
}

// A positive number m x 2^exponent with m holding 64 significant bits.
struct Extended {
    std::uint64_t m;
    int exponent;
};

// Rounds value x 2^exponent to 64 significant bits, to nearest, ties to even; `sticky` tells
// that nonzero bits lie below the value.
Extended round64(const U128& value, int exponent, bool sticky)
{
    int drop = std::max(0, value.bit_length() - 64);
    std::uint64_t m = value.shifted_right(drop);
    if (drop > 0) {
        bool half = value.bit(drop - 1);
        bool below = value.any_below(drop - 1) || sticky;
        if (half && (below || (m & 1))) {
            if (++m == 0) {
                m = 1ull << 63;
                ++drop;
            }
        }
    }
    return {m, exponent + drop};
}

long long truncated_quotient_product(long long planets, std::uint32_t factor)
{
    if (planets <= 0)
        return 0;
    bool exact = true;
    constexpr int kShift = 72;  // leaves at least 66 significant bits for planets >= 1
    Extended q = round64(shifted_quotient(static_cast<std::uint64_t>(planets), kShift, 60, exact),
                         -kShift, !exact);
    Extended p = round64(multiply(q.m, factor), q.exponent, false);
    if (p.exponent >= 0)
        return static_cast<long long>(p.m << p.exponent);
    return p.exponent <= -64 ? 0 : static_cast<long long>(p.m >> -p.exponent);
}

}  // namespace

MapSize map_size(long long planets)
{
    return {std::max(1000LL, truncated_quotient_product(planets, 1000)),
            std::max(700LL, truncated_quotient_product(planets, 700))};
}

std::string map_file_text(const std::string& campaign_id, const std::string& campaign_name,
                          int home, const std::vector<Planet>& planets,
                          const std::string& background_path)
{
    const MapSize size = map_size(static_cast<long long>(planets.size()));
    // Each key's value by its place in MapKey, written in that order, so that every key stands
    // on the line the reader and the check expect it on.
    std::array<std::string, kMapKeyCount> values;
    const auto set = [&values](MapKey key, std::string value) {
        values[static_cast<std::size_t>(key)] = std::move(value);
    };
    set(MapKey::Homeworld, std::to_string(home));
    set(MapKey::MapSizeX, std::to_string(size.width) + ".0000");
    set(MapKey::MapSizeY, std::to_string(size.height) + ".0000");
    set(MapKey::MapTexture, file_name_of(background_path));
    set(MapKey::Name, campaign_id);
    set(MapKey::GUIName, campaign_name);
    set(MapKey::Planets, std::to_string(planets.size()));
    std::string text;
    auto line = [&text](const std::string& s) { text += s + "\r\n"; };
    line(std::string(kMapConfigHeader));
    for (int k = 0; k < kMapKeyCount; ++k)
        line(std::string(map_key_name(static_cast<MapKey>(k))) + " = " +
             values[static_cast<std::size_t>(k)]);
    line("");
    line(std::string(kMapEntriesHeader));
    for (std::size_t i = 0; i < planets.size(); ++i)
        line(std::to_string(i) + " = campaign/data/encounters/" + campaign_id + "/" +
             planets[i].template_file);
    return text;
}

}  // namespace orvek
