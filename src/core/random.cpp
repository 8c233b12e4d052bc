// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/random.h"

#include <chrono>

namespace orvek {

std::uint32_t clock_seed()
{
    auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    return static_cast<std::uint32_t>(ticks);
}

}  // namespace orvek
