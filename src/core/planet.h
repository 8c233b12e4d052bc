// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One planet (star system) of a galaxy: position, names, template, jumpgate links, home flag and
// feature flags. A plain record; the map view keeps its own marker and label for each planet.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvek {

constexpr int kFeatureCount = 16;
// Features 0..6 are the inhibition effects, the rest the facilities.
constexpr int kInhibitionCount = 7;

// The features as the game spells them in encounter files; index = feature flag.
inline constexpr std::array<std::string_view, kFeatureCount> kFeatureKeywords = {
    "ENGINES_REQUIRED", "SHIELDS_INOPERABLE", "FIGHTERS_INOPERABLE", "CRUISERS_INOPERABLE",
    "CLOAK_INOPERABLE", "TRACTOR_INOPERABLE", "REPAIR_INOPERABLE",   "repairyard",
    "smallfactory",     "mediumfactory",      "largefactory",        "smallacademy",
    "largeacademy",     "shipyarda",          "shipyardb",           "shipyardc"};

// A group of facility variants, of which a planet holds at most one: its first flag and how many
// variants follow from it.
struct FacilityGroup {
    int first, variants;
};
inline constexpr std::array<FacilityGroup, 4> kFacilityGroups = {
    {{7, 1}, {8, 3}, {11, 2}, {13, 3}}};  // repair yard, factory, academy, shipyard

struct Planet {
    std::int32_t x = 0;       // map units, 0..999 (20..979 once generated)
    std::int32_t y = 0;       // map units, growing downwards
    std::string system_name;  // 8-bit (Windows-1252) text
    // The file name of the planet's encounter template in the game's templates folder, which is
    // also the name of the planet's encounter file in a saved campaign.
    std::string template_file;
    // Exactly its links: planet numbers in link order. A link of an opened campaign may name a
    // number that is no planet of it (the check says so); every user bounds-checks.
    std::vector<std::int32_t> links;
    std::int32_t farthest = 0;  // number of the planet farthest from this one
    bool home = false;
    std::array<bool, kFeatureCount> features{};  // indexed like kFeatureKeywords
    // The features the player set by hand (on or off, as `features` holds them): a Save keeps
    // them as set and draws only the others.
    std::array<bool, kFeatureCount> features_set{};
    // The entry of the saved campaign this planet was read from, whose file a Save then keeps
    // line for line; -1 for a planet that was generated or added.
    std::int32_t source = -1;
    // A planet of an opened campaign whose file could not be read: it has no position, name or
    // links of its own, so the map leaves it out and a Save refuses it.
    bool unread = false;

    friend bool operator==(const Planet&, const Planet&) = default;
};

// A planet's number as an index into its galaxy's planets, for numbers already checked.
constexpr std::size_t planet_index(std::int32_t number)
{
    return static_cast<std::size_t>(number);
}

}  // namespace orvek
