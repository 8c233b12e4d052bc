// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The planets' features on the map: a badge beside each marker for the features a filter shows,
// and their legend, the same in the window and in the tool's picture.

#include "ui/map_render.h"

#include <QRect>

#include <vector>

class QPainter;

namespace orvek {

// Every filter the map offers, with its word for a menu ("All features", "Cloak inhibition",
// "Shipyards") and for the command line ("all", "cloak", "shipyard"), in that order.
struct FeatureFilterChoice {
    FeatureFilter filter;
    const char* words;
    const char* keyword;
};
const std::vector<FeatureFilterChoice>& feature_filters();

// The badges of the features `filter` shows: a small square with a letter beside each marker
// (red for an inhibition effect, blue for a facility), drawn in the map's own pixels; and their
// legend, naming the letters shown, in the corner of `area` where it covers the fewest of
// `markers` (in the painter's pixels). Nothing for Kind::None.
void paint_badges(QPainter& painter, const std::vector<Planet>& planets, MapScale pixels,
                  const FeatureFilter& filter);
void paint_legend(QPainter& painter, const std::vector<Planet>& planets,
                  const FeatureFilter& filter, const QRect& area,
                  const std::vector<QRect>& markers);

}  // namespace orvek
