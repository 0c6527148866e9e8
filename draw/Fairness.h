#pragma once

#include <QtGlobal>
#include <span>

namespace mirello {

// How often a uniform draw would call each student: the central part of the
// binomial distribution of one student's calls when `totalCalls` calls fall
// uniformly on `students` students. `lowest` is the smallest k with
// P(X <= k) >= (1 - coverage) / 2, `highest` the smallest k with
// P(X <= k) >= (1 + coverage) / 2.
struct CallRange
{
    qint64 lowest = 0;
    qint64 highest = 0;

    friend bool operator==(const CallRange&, const CallRange&) = default;
};

CallRange fairCallRange(qint64 totalCalls, qint64 students, double coverage = 0.95);

// Q(a, x) = Γ(a, x) / Γ(a), the regularized upper incomplete gamma function, for
// a > 0 and x >= 0: by its power series below x = a + 1 and by its continued
// fraction (modified Lentz) above, so that both sides converge fast.
double regularizedUpperGamma(double a, double x);

// P(X >= statistic) for X chi-square distributed with `degrees` degrees of freedom.
double chiSquareUpperTail(double statistic, double degrees);

// Whether recorded calls look like the outcome of a uniform draw.
struct FairnessReport
{
    static constexpr double Coverage = 0.95;
    // Below this p-value the calls are taken for not fair.
    static constexpr double SignificanceLevel = 0.01;
    // The chi-square approximation is rough where a student expects fewer calls.
    static constexpr double FewestExpectedCalls = 5.0;

    qint64 students = 0;
    qint64 totalCalls = 0;
    double expectedCalls = 0; // per student
    CallRange range;
    double chiSquare = 0;
    qint64 degrees = 0;
    double pValue = 1;

    // Both tests need at least two students and one call.
    bool testable() const { return students >= 2 && totalCalls > 0; }
    bool looksFair() const { return !testable() || pValue >= SignificanceLevel; }
    bool roughApproximation() const { return expectedCalls < FewestExpectedCalls; }
};

// The range and the chi-square goodness-of-fit test of `calls`, one count per
// student, against the same expectation for every student.
FairnessReport fairnessOf(std::span<const qint64> calls);

} // namespace mirello
