// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The campaign map file the game reads: home planet, map size, background picture, names, and
// the encounter file of every planet.

#include "core/planet.h"

#include <string>
#include <vector>

namespace orvek {

struct MapSize {
    long long width;
    long long height;
};

// N / 60 x 1000 and N / 60 x 700, each at least 1000 and 700, computed as the game's own tools
// do: quotient and product each rounded to a 64-bit significand, then truncated.
MapSize map_size(long long planets);

// The map file's bytes: CR LF after every line, no empty line at the end.
std::string map_file_text(const std::string& campaign_id, const std::string& campaign_name,
                          int home, const std::vector<Planet>& planets,
                          const std::string& background_path);

}  // namespace orvek
