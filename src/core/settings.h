// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The generation settings as the window holds them: five numbers kept as the texts of their
// fields, parsed at every read, the two list choices, the shape and whether jumpgates must run
// clear; with the clamp and preset steps.

#include "core/galaxy_shape.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace orvek {

class Random;

// The range of the planet count: the clamp keeps it, the generator requires it.
inline constexpr int kFewestPlanets = 8;
inline constexpr int kMostPlanets = 175;

// The items of the two lists by index, as the window shows them.
inline constexpr std::array<std::string_view, 4> kSizeNames = {"Small", "Normal", "Huge",
                                                               "Massive"};
inline constexpr std::array<std::string_view, 3> kGateNames = {"String ", "Normal ", "Web"};

struct GalaxySettings {
    std::string planet_count = "30";
    std::string wormhole_count = "1";
    std::string join1_pct = "30";
    std::string join2_pct = "40";
    std::string join3_pct = "5";
    int size_class = 1;  // index into kSizeNames; -1 nothing selected
    int gate_style = 1;  // index into kGateNames; -1 nothing selected
    GalaxyShape shape;
    bool clear_gates = false;
    bool operator==(const GalaxySettings&) const = default;
};

// Reads a field's text as a whole number: an optional "+" or "-" and ASCII digits, within the
// 32-bit signed range. Throws Error "'%s' is not a valid integer value" otherwise.
std::int32_t parse_int(const std::string& text);

// The text a number is written back as: plain decimal, no leading zeros, "-" only when negative.
std::string int_text(std::int64_t value);

// Lifts the planet count into kFewestPlanets..kMostPlanets and each join weight to at least 1, in
// that order, re-reading each field as it goes. Throws the conversion error at the first field that
// is not a number; the fields tested before it stay clamped.
void clamp_settings(GalaxySettings& settings);

// Rolls the planet count and the join weights from the two choices (nothing is drawn for a choice
// of -1), then always the wormhole count. Draws, in order: planets, join 1, 2, 3, wormholes.
void randomize_settings(GalaxySettings& settings, Random& random);

}  // namespace orvek
