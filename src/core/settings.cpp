// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings.h"

#include "core/error.h"
#include "core/random.h"

#include <limits>

namespace orvek {

std::int32_t parse_int(const std::string& text)
{
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size())
        throw conversion_error(text);
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c < '0' || c > '9')
            throw conversion_error(text);
        value = value * 10 + (c - '0');
        if (value > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1)
            throw conversion_error(text);
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<std::int32_t>::max())
        throw conversion_error(text);
    return static_cast<std::int32_t>(value);
}

std::string int_text(std::int64_t value)
{
    return std::to_string(value);
}

void clamp_settings(GalaxySettings& s)
{
    if (parse_int(s.planet_count) < kFewestPlanets)
        s.planet_count = int_text(kFewestPlanets);
    if (parse_int(s.planet_count) > kMostPlanets)
        s.planet_count = int_text(kMostPlanets);
    if (parse_int(s.join1_pct) < 1)
        s.join1_pct = "1";
    if (parse_int(s.join2_pct) < 1)
        s.join2_pct = "1";
    if (parse_int(s.join3_pct) < 1)
        s.join3_pct = "1";
}

namespace {

struct JoinPreset {
    std::uint32_t base1, range1, base2, range2, base3, range3;
};

constexpr std::uint32_t kSizeBase[4] = {8, 20, 30, 40};
constexpr std::uint32_t kSizeRange[4] = {8, 5, 10, 30};
constexpr JoinPreset kJoinPresets[3] = {
    {40, 20, 20, 10, 0, 5},    // "String "
    {30, 10, 40, 20, 0, 10},   // "Normal "
    {10, 10, 20, 20, 40, 10},  // "Web"
};

}  // namespace

void randomize_settings(GalaxySettings& s, Random& random)
{
    if (s.size_class >= 0 && s.size_class < 4)
        s.planet_count = int_text(kSizeBase[s.size_class] + random(kSizeRange[s.size_class]));
    if (s.gate_style >= 0 && s.gate_style < 3) {
        const JoinPreset& p = kJoinPresets[s.gate_style];
        s.join1_pct = int_text(p.base1 + random(p.range1));
        s.join2_pct = int_text(p.base2 + random(p.range2));
        s.join3_pct = int_text(p.base3 + random(p.range3));
    }
    std::int64_t wormholes = std::int64_t{random(4)} - 1;
    s.wormhole_count = int_text(wormholes < 0 ? 0 : wormholes);
}

}  // namespace orvek
