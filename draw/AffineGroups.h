#pragma once

#include <optional>
#include <span>
#include <vector>

namespace mirello {

class RandomSource;

// p * p students in p groups of p, p a prime. The points of the affine plane over
// Z_p fall into p + 1 parallel classes of p lines each, and two points share a line
// of exactly one class: taking one class per grouping, no pair meets twice.
//
// `earlier`: for each earlier grouping the group of every student (0..p-1). When
// each is a whole grouping into groups of p and they are parallel classes of one
// plane, once the students are given the right coordinates, the result is another
// class of that plane chosen at random; otherwise nothing. Up to three are used.
std::optional<std::vector<int>> nextParallelClass(int p, std::span<const std::vector<int>> earlier,
                                                  RandomSource& random);

bool isPrime(int number);

} // namespace mirello
