// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How much the names of a map hide, for the tests of name placement: the program itself never
// needs to measure it.

#include "ui/map_render.h"

#include <QRect>

#include <vector>

namespace orvek::testing {

// Pixels shared by two name boxes, pixels of name boxes under markers, and whether any name box
// overlaps the home planet's name.
struct NameOverlaps {
    long long between_names = 0;
    long long under_markers = 0;
    bool home_covered = false;
};

inline long long shared_area(const QRect& a, const QRect& b)
{
    const QRect shared = a.intersected(b);
    return shared.isEmpty() ? 0 : static_cast<long long>(shared.width()) * shared.height();
}

inline NameOverlaps name_overlaps(const std::vector<Planet>& planets,
                                  const std::vector<QRect>& boxes, MapScale pixels)
{
    NameOverlaps overlaps;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        for (const Planet& p : planets)
            overlaps.under_markers += shared_area(boxes[i], marker_rect(p, pixels));
        for (std::size_t j = i + 1; j < boxes.size(); ++j) {
            const long long shared = shared_area(boxes[i], boxes[j]);
            overlaps.between_names += shared;
            overlaps.home_covered =
                overlaps.home_covered || (shared > 0 && (planets[i].home || planets[j].home));
        }
    }
    return overlaps;
}

}  // namespace orvek::testing
