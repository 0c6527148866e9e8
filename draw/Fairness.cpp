#include "Fairness.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace mirello {

namespace {

// Relative accuracy at which the series and the continued fraction stop.
constexpr double Accuracy = 1e-15;
// Keeps the continued fraction's denominators away from zero.
constexpr double Tiny = 1e-300;
// Both converge within a few times sqrt(a) steps; this only guards against a loop
// that never ends on inputs nobody meant.
constexpr qint64 MostSteps = 100'000'000;
// Binomial terms below this share of the most likely one are left out: together
// they weigh less than one part in 10^15.
constexpr double NegligibleTerm = 1e-18;

// Σ x^n / (a (a+1) … (a+n)), so that P(a, x) = x^a e^-x / Γ(a) times it.
double gammaSeries(double a, double x)
{
    double term = 1.0 / a;
    double sum = term;
    double denominator = a;
    for (qint64 step = 0; step < MostSteps; ++step) {
        denominator += 1;
        term *= x / denominator;
        sum += term;
        if (term < sum * Accuracy)
            break;
    }
    return sum;
}

// The continued fraction of Γ(a, x) e^x x^-a, evaluated by the modified Lentz method.
double gammaContinuedFraction(double a, double x)
{
    double b = x + 1 - a;
    double c = 1 / Tiny;
    double d = 1 / b;
    double fraction = d;
    for (qint64 i = 1; i < MostSteps; ++i) {
        const double an = -double(i) * (double(i) - a);
        b += 2;
        d = an * d + b;
        if (std::fabs(d) < Tiny)
            d = Tiny;
        c = b + an / c;
        if (std::fabs(c) < Tiny)
            c = Tiny;
        d = 1 / d;
        const double delta = d * c;
        fraction *= delta;
        if (std::fabs(delta - 1) < Accuracy)
            break;
    }
    return fraction;
}

} // namespace

double regularizedUpperGamma(double a, double x)
{
    if (!(a > 0) || !(x >= 0))
        return std::numeric_limits<double>::quiet_NaN();
    if (x == 0)
        return 1;
    if (std::isinf(x))
        return 0;
    // x^a e^-x / Γ(a) in logarithms: both powers overflow long before their quotient.
    const double prefix = std::exp(a * std::log(x) - x - std::lgamma(a));
    if (x < a + 1)
        return std::clamp(1 - prefix * gammaSeries(a, x), 0.0, 1.0);
    return std::clamp(prefix * gammaContinuedFraction(a, x), 0.0, 1.0);
}

double chiSquareUpperTail(double statistic, double degrees)
{
    return regularizedUpperGamma(degrees / 2, std::max(statistic, 0.0) / 2);
}

// The terms are walked outward from the most likely count as ratios of their
// neighbours, so no factorial is ever formed and no term underflows on the way;
// their sum then normalises them.
CallRange fairCallRange(qint64 totalCalls, qint64 students, double coverage)
{
    if (totalCalls <= 0 || students <= 0)
        return {};
    if (students == 1)
        return {totalCalls, totalCalls};
    const double n = double(totalCalls);
    // p / (1 - p) for p = 1 / students.
    const double odds = 1.0 / double(students - 1);
    const qint64 mode = std::min((totalCalls + 1) / students, totalCalls);

    // Below the mode: P(k - 1) / P(k) = k / (n - k + 1) / odds.
    qint64 lowest = mode;
    double lowestTerm = 1;
    double sum = 1;
    while (lowest > 0 && lowestTerm >= NegligibleTerm) {
        lowestTerm *= double(lowest) / (n - double(lowest) + 1) / odds;
        --lowest;
        sum += lowestTerm;
    }
    // Above the mode: P(k + 1) / P(k) = (n - k) / (k + 1) * odds.
    double term = 1;
    for (qint64 k = mode; k < totalCalls && term >= NegligibleTerm; ++k) {
        term *= (n - double(k)) / double(k + 1) * odds;
        sum += term;
    }

    const double lowerShare = (1 - coverage) / 2 * sum;
    const double upperShare = (1 + coverage) / 2 * sum;
    CallRange range{-1, totalCalls};
    double cumulative = 0;
    term = lowestTerm;
    for (qint64 k = lowest; k <= totalCalls; ++k) {
        cumulative += term;
        if (range.lowest < 0 && cumulative >= lowerShare)
            range.lowest = k;
        if (cumulative >= upperShare) {
            range.highest = k;
            break;
        }
        term *= (n - double(k)) / double(k + 1) * odds;
    }
    range.lowest = std::max<qint64>(range.lowest, 0);
    return range;
}

FairnessReport fairnessOf(std::span<const qint64> calls)
{
    FairnessReport report;
    report.students = qint64(calls.size());
    report.totalCalls = std::reduce(calls.begin(), calls.end(), qint64(0));
    if (report.students == 0)
        return report;
    report.expectedCalls = double(report.totalCalls) / double(report.students);
    report.range = fairCallRange(report.totalCalls, report.students, FairnessReport::Coverage);
    if (!report.testable())
        return report;
    for (const qint64 count : calls) {
        const double difference = double(count) - report.expectedCalls;
        report.chiSquare += difference * difference / report.expectedCalls;
    }
    report.degrees = report.students - 1;
    report.pValue = chiSquareUpperTail(report.chiSquare, double(report.degrees));
    return report;
}

} // namespace mirello
