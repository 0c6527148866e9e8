#pragma once

#include "platform/RandomSource.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace mirello {

// Uniform in 0..count-1, for count >= 1.
inline int randomBelow(RandomSource& random, int count)
{
    return std::min(int(random.next() * count), count - 1);
}

template <typename T>
void randomShuffle(std::vector<T>& items, RandomSource& random)
{
    for (int i = int(items.size()) - 1; i > 0; --i)
        std::swap(items[std::size_t(i)], items[std::size_t(randomBelow(random, i + 1))]);
}

} // namespace mirello
