// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The figures of how a galaxy plays and reads: from its links, how far the planets lie from home
// in jumps, the dead ends, the chokepoints and bridges whose loss cuts it, its diameter and
// gates; from its positions too, the jumpgates drawn through a planet and those that cross.

#include "core/gate_geometry.h"
#include "core/planet.h"

#include <string>
#include <utility>
#include <vector>

namespace orvek {

// Links are taken both ways, each jumpgate counted once; a link to no planet or to the planet
// itself is passed over. Planets that no chain of links joins to home count in no hop figure.
struct GalaxyFigures {
    int hops_from_home_max = 0;
    double hops_from_home_mean = 0;  // over the other planets reached, to two decimals
    int dead_ends = 0;               // planets with one jumpgate
    int chokepoints = 0;             // planets whose loss leaves the others in more pieces
    int bridges = 0;                 // jumpgates whose cut leaves the galaxy in more pieces
    int diameter = 0;  // the longest of the shortest paths between planets joined, in jumps
    int links = 0;     // jumpgates
    int through_planets = 0;  // jumpgates passing a third planet within kGateClearance
    int crossings = 0;        // pairs of jumpgates that cross, sharing no planet

    friend bool operator==(const GalaxyFigures&, const GalaxyFigures&) = default;
};

// The figures of `planets` (any number, 175 at most as a galaxy holds). Never fails.
GalaxyFigures galaxy_figures(const std::vector<Planet>& planets);

// The jumpgates drawn through a third planet, each once with the nearest planet in its way
// (lower number of the gate first, in order), and how many pairs of jumpgates cross. Links to
// no planet are passed over. Never fails.
struct GateThrough {
    int a, b, in_the_way;
    friend bool operator==(const GateThrough&, const GateThrough&) = default;
};
struct GatesInTheWay {
    std::vector<GateThrough> through;
    int crossings = 0;
};
GatesInTheWay gates_in_the_way(const std::vector<Planet>& planets);

// The figures in words, four lines ending in line breaks, for a reader (--stats, the map).
std::string figures_in_words(const GalaxyFigures& figures);

// Which planets are chokepoints and which jumpgates bridges (lower number first), in order, for
// the map to mark them. Never fails.
struct GalaxyCuts {
    std::vector<int> chokepoints;
    std::vector<std::pair<int, int>> bridges;
};
GalaxyCuts galaxy_cuts(const std::vector<Planet>& planets);

}  // namespace orvek
