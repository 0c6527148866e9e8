#pragma once

#include <QtGlobal>
#include <span>
#include <vector>

namespace mirello {

// How often a fair draw would call a student: the central part of the distribution
// of their calls.
struct CallRange
{
    qint64 lowest = 0;
    qint64 highest = 0;

    friend bool operator==(const CallRange&, const CallRange&) = default;
};

// The binomial distribution B(n, p). Its terms are walked outward from the most
// likely count as ratios of their neighbours, so no factorial is ever formed and
// nothing underflows; terms below 10^-18 of the most likely one are left out.
class Binomial
{
public:
    Binomial(qint64 n, double p);

    // P(X <= k) and P(X >= k).
    double atMost(qint64 k) const;
    double atLeast(qint64 k) const { return 1 - atMost(k - 1); }
    // The smallest k with P(X <= k) >= (1 - coverage) / 2, and the smallest with
    // P(X <= k) >= (1 + coverage) / 2.
    CallRange central(double coverage) const;

private:
    qint64 m_first = 0;
    // P(X <= m_first + i), for every term kept.
    std::vector<double> m_cumulative;
};

// Q(a, x) = Γ(a, x) / Γ(a), the regularized upper incomplete gamma function, for
// a > 0 and x >= 0: by its power series below x = a + 1 and by its continued
// fraction (modified Lentz) above, so that both sides converge fast.
double regularizedUpperGamma(double a, double x);

// P(X >= statistic) for X chi-square distributed with `degrees` degrees of freedom.
double chiSquareUpperTail(double statistic, double degrees);

// Calls made while the same students were present: `calls` of them, and for each
// student how many of their lines were present (0 while absent). Each call falls on
// one of the lines present, each with the same chance.
struct CallStretch
{
    qint64 calls = 0;
    std::vector<qint64> present;
};

// What a fair draw makes of one student's calls, and whether theirs stand out.
struct StudentFairness
{
    enum class Verdict
    {
        AsExpected,
        Fewer,
        More
    };

    qint64 calls = 0;
    double expected = 0;
    // The calls made while the student was present.
    qint64 opportunities = 0;
    // The central 95 % of their calls in a fair draw.
    CallRange range;
    // Of calls as far from the expected as theirs, both sides together.
    double pValue = 1;
    // Fewer or More only where that holds with every student tested at once.
    Verdict verdict = Verdict::AsExpected;
    // How likely a fair draw puts them outside `range`, and never calls them.
    double chanceOutside = 0;
    double chanceNever = 0;
};

// Whether recorded calls look like the outcome of a uniform draw.
struct FairnessReport
{
    static constexpr double Coverage = 0.95;
    // Below this p-value the calls are taken for not fair; the students' own tests
    // hold this level together (Holm's procedure), so that a fair class is marked
    // at all only once in a hundred.
    static constexpr double SignificanceLevel = 0.01;
    // The chi-square approximation is rough where a student expects fewer calls.
    static constexpr double FewestExpectedCalls = 5.0;

    qint64 students = 0;
    qint64 totalCalls = 0;
    // Of a student with one line who was present at every call, and their range.
    double expectedCalls = 0;
    CallRange range;
    double chiSquare = 0;
    qint64 degrees = 0;
    double pValue = 1;
    std::vector<StudentFairness> each;

    // Both tests need at least two students who could have been called, and one call.
    bool testable() const { return degrees >= 1 && totalCalls > 0; }
    bool looksFair() const { return !testable() || pValue >= SignificanceLevel; }
    bool roughApproximation() const { return expectedCalls < FewestExpectedCalls; }
};

// The chi-square goodness-of-fit test of `calls`, one count per student, against
// the calls each student had a chance of in `stretches`, whose calls add up to
// theirs; and each student's calls against the binomial distribution of as many
// calls at their mean chance, which is wider than the exact one when chances vary,
// so that it marks no one too soon.
FairnessReport fairnessOf(std::span<const qint64> calls, std::span<const CallStretch> stretches);
// The same with every student present at every call.
FairnessReport fairnessOf(std::span<const qint64> calls);

} // namespace mirello
