// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Procedural nebula pictures: layered value noise in a colour scheme, with a sprinkle of stars.

#include "image/jpeg.h"

#include <cstdint>

namespace orvek::demo {

// A size x size picture; the same seed and scheme always give the same pixels.
RgbImage make_nebula(int size, std::uint32_t seed, int scheme);

}  // namespace orvek::demo
