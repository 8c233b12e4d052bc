// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where each planet's name goes on the map, so that names hide neither each other nor markers:
// the same placement in the window and in the tool's picture.

#include "core/planet.h"
#include "ui/map_render.h"

#include <QRect>

#include <vector>

namespace orvek {

// Each planet's name box: the first of the spots around its marker (the usual one above it, then
// right, left, below and the four diagonals) that lies inside the map and overlaps no marker and
// no name placed before it, the home planet's placed first; where none is free, the spot that
// overlaps least. No name is placed over the home planet's name while another spot is left. On
// a map drawn smaller than the usual 750 pixels (a small screen), a name that finds no free spot
// is left out (an empty box): it shows on hovering and once zoomed in, rather than over others.
std::vector<QRect> place_names(const std::vector<Planet>& planets, MapScale pixels);

}  // namespace orvek
