#include "core/index_pool.h"

#include "core/error.h"
#include "core/random.h"

#include <numeric>

namespace orvek {

void IndexPool::fill(std::uint32_t count)
{
    entries_.resize(count);
    std::iota(entries_.begin(), entries_.end(), 0u);
}

std::uint32_t IndexPool::draw(Random& random)
{
    std::uint32_t position = random(size());
    if (position >= entries_.size())
        throw list_index_error(position);
    std::uint32_t value = entries_[position];
    entries_.erase(entries_.begin() + position);
    return value;
}

}  // namespace orvek
