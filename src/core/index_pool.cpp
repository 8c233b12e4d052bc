// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/index_pool.h"

#include "core/error.h"
#include "core/random.h"

#include <numeric>

namespace orvek {

void IndexPool::fill(std::uint32_t count)
{
    if (full_.size() != count) {
        full_.resize(count);
        std::iota(full_.begin(), full_.end(), 0u);
    }
    entries_.assign(full_.begin(), full_.end());
}

std::uint32_t IndexPool::draw(Random& random)
{
    return take(random(size()));
}

std::uint32_t IndexPool::take(std::uint32_t position)
{
    if (position >= entries_.size())
        throw list_index_error(position);
    std::uint32_t value = entries_[position];
    entries_.erase(entries_.begin() + position);
    return value;
}

}  // namespace orvek
