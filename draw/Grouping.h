#pragma once

#include "platform/Result.h"

#include <chrono>
#include <climits>
#include <QtGlobal>
#include <span>
#include <vector>

namespace mirello {

class RandomSource;

// One grouping: each group a list of student numbers.
using Groups = std::vector<std::vector<int>>;

// How the students present are to be split: into groupCount groups, or when that is
// not above 0 into groups of about groupSize; with neither, everyone is in one group.
struct GroupingRequest
{
    int groupCount = 0;
    int groupSize = 0;
    // Each group's average score close to the class's; see makeGroups for how close.
    bool balanced = false;
    // The search for fewer repeated pairs stops at the first of: none left, the time
    // limit, maxSteps swaps. Tests lift the time limit so the steps decide.
    std::chrono::milliseconds timeLimit{50};
    int maxSteps = INT_MAX;
};

struct Grouping
{
    Groups groups; // sizes differ by at most one; each group's students ascending
    // Pairs together now who were together in an earlier grouping, each counted once.
    int repeatedPairs = 0;
    // The largest difference between a group's average score and the class's.
    double largestBalanceGap = 0;
};

// The most students makeGroups splits, as many as an imported list holds. Its memory
// grows in proportion to the class, and the request's time limit bounds its search.
inline constexpr int LargestGroupedClass = 50000;

// A student's score from their grade tallies: the average with 优秀 4, 良好 3, 及格 2
// and 不及格 1, and 2.5, the middle, for a student with no grade.
double gradeScore(qint64 excellent, qint64 good, qint64 pass, qint64 fail);

// The number of groups for groups of about `groupSize`: of the two counts around
// students / groupSize, the one whose evenly split groups differ in total least
// from groupSize, the fewer groups on a tie; at least 1 and never more than the
// students. 26 by 5 gives 5 groups (6,5,5,5,5), 28 by 5 gives 6 (5,5,5,5,4,4).
int groupCountFor(int students, int groupSize);

// Splits students 0..scores.size()-1 into groups whose sizes differ by at most one,
// a different split on each call.
//
// `earlier`: up to the last three earlier groupings, the most recent first (more are
// left out). Their students may be missing now or new; numbers out of range are
// left out. Pairs together in any of them are kept apart as far as the search finds
// in its limits, and the result says how many are left. Where the class is p * p
// students in p groups of p, p a prime, and the earlier groupings come from one
// affine plane, as this function makes them when not balanced, the next one comes from it too and
// repeats no pair.
//
// Balanced: every group's average score differs from the class's by at most
// (highest score - lowest score) / the group's size, with or without earlier
// groupings, so the largest gap is at most (highest - lowest) / the smallest
// group's size. A score that is not a number counts as 2.5. The students are dealt from the highest
// score down so that after each of them every group holds its share of those dealt within one
// student, which keeps each group's average that close. The search for fewer repeats and the
// evening out of the groups that follows only make swaps that stay within the bound.
//
// Refused, with the reason in Chinese, for more than LargestGroupedClass students.
Result<Grouping> makeGroups(std::span<const double> scores, std::span<const Groups> earlier,
                            const GroupingRequest& request, RandomSource& random);

} // namespace mirello
