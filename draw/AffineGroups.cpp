#include "AffineGroups.h"

#include "RandomPick.h"

#include <algorithm>
#include <numeric>

namespace mirello {

namespace {

using Labels = std::vector<int>;

// Every student's group is one of 0..p-1 and every group holds p students.
bool isWholeGrouping(int p, const Labels& groupOf)
{
    if (int(groupOf.size()) != p * p)
        return false;
    std::vector<int> sizes(std::size_t(p), 0);
    for (const int group : groupOf) {
        if (group < 0 || group >= p || ++sizes[std::size_t(group)] > p)
            return false;
    }
    return true;
}

Labels randomPermutation(int p, RandomSource& random)
{
    Labels order(std::size_t(p), 0);
    std::iota(order.begin(), order.end(), 0);
    randomShuffle(order, random);
    return order;
}

// The student at each (u, v), u the group in one grouping and v in another, when
// the two share no pair, so every cell holds exactly one student.
std::optional<Labels> gridOf(int p, const Labels& u, const Labels& v)
{
    Labels cell(std::size_t(p * p), -1);
    for (int student = 0; student < p * p; ++student) {
        int& at = cell[std::size_t(u[std::size_t(student)] * p + v[std::size_t(student)])];
        if (at >= 0)
            return std::nullopt;
        at = student;
    }
    return cell;
}

// Some group of `u` whose members each take a different place 0..p-1.
Labels classAcross(int p, const Labels& u, RandomSource& random)
{
    Labels order = randomPermutation(p * p, random);
    Labels filled(std::size_t(p), 0);
    Labels groupOf(u.size());
    for (const int student : order)
        groupOf[std::size_t(student)] = filled[std::size_t(u[std::size_t(student)])]++;
    return groupOf;
}

// Coordinates sigma(u) and tau(v) in Z_p with the grouping `latin` on the grid
// being the lines sigma + tau = constant. A square of Z_p's addition after renaming
// rows, columns and symbols has, taking row 0 and column 0 as identities, a cyclic
// group as its multiplication; walking the powers of any other element names it.
struct Coordinates
{
    Labels sigma;
    Labels tau;
};

std::optional<Coordinates> additiveCoordinates(int p, const Labels& latin)
{
    const auto at = [&](int u, int v) {
        return latin[std::size_t(u * p + v)];
    };
    Labels rowOf(std::size_t(p), -1);
    Labels columnOf(std::size_t(p), -1);
    for (int i = 0; i < p; ++i) {
        rowOf[std::size_t(at(i, 0))] = i;
        columnOf[std::size_t(at(0, i))] = i;
    }
    if (std::count(rowOf.begin(), rowOf.end(), -1) +
            std::count(columnOf.begin(), columnOf.end(), -1) >
        0)
        return std::nullopt;
    const auto times = [&](int x, int y) {
        return at(rowOf[std::size_t(x)], columnOf[std::size_t(y)]);
    };
    Labels power(std::size_t(p), -1);
    const int identity = at(0, 0);
    const int generator = at(0, 1);
    for (int k = 0, x = identity; k < p; ++k, x = times(x, generator)) {
        if (power[std::size_t(x)] >= 0)
            return std::nullopt;
        power[std::size_t(x)] = k;
    }
    Coordinates found{Labels(std::size_t(p)), Labels(std::size_t(p))};
    for (int i = 0; i < p; ++i) {
        found.sigma[std::size_t(i)] = power[std::size_t(at(i, 0))];
        found.tau[std::size_t(i)] = power[std::size_t(at(0, i))];
    }
    for (int u = 0; u < p; ++u) {
        for (int v = 0; v < p; ++v) {
            if (power[std::size_t(at(u, v))] !=
                (found.sigma[std::size_t(u)] + found.tau[std::size_t(v)]) % p)
                return std::nullopt;
        }
    }
    return found;
}

// The lines sigma(u) + slope * tau(v) = constant, per student.
Labels linesOf(int p, const Labels& u, const Labels& v, const Coordinates& at, int slope)
{
    Labels groupOf(u.size());
    for (std::size_t student = 0; student < u.size(); ++student)
        groupOf[student] =
            (at.sigma[std::size_t(u[student])] + slope * at.tau[std::size_t(v[student])]) % p;
    return groupOf;
}

} // namespace

bool isPrime(int number)
{
    if (number < 2)
        return false;
    for (int divisor = 2; divisor * divisor <= number; ++divisor) {
        if (number % divisor == 0)
            return false;
    }
    return true;
}

std::optional<Labels> nextParallelClass(int p, std::span<const Labels> earlier,
                                        RandomSource& random)
{
    if (!isPrime(p) || earlier.empty())
        return std::nullopt;
    const std::size_t used = std::min<std::size_t>(earlier.size(), 3);
    for (std::size_t i = 0; i < used; ++i) {
        if (!isWholeGrouping(p, earlier[i]))
            return std::nullopt;
    }
    const Labels& u = earlier[0];
    if (used == 1)
        return classAcross(p, u, random);
    const Labels& v = earlier[1];
    const std::optional<Labels> cell = gridOf(p, u, v);
    if (!cell)
        return std::nullopt;
    if (used == 2)
        return linesOf(p, u, v, {randomPermutation(p, random), randomPermutation(p, random)}, 1);
    if (p < 3)
        return std::nullopt; // the plane of order 2 has only three classes
    Labels latin(cell->size());
    for (std::size_t i = 0; i < cell->size(); ++i)
        latin[i] = earlier[2][std::size_t((*cell)[i])];
    const std::optional<Coordinates> coordinates = additiveCoordinates(p, latin);
    if (!coordinates)
        return std::nullopt;
    // Slopes 0, 1 and infinity are the earlier three.
    return linesOf(p, u, v, *coordinates, 2 + randomBelow(random, p - 2));
}

} // namespace mirello
