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

Binomial::Binomial(qint64 n, double p)
{
    n = std::max<qint64>(n, 0);
    if (n == 0 || !(p > 0) || !(p < 1)) {
        m_first = p >= 1 ? n : 0;
        m_cumulative = {1};
        return;
    }
    const double odds = p / (1 - p);
    const double trials = double(n);
    const qint64 mode = std::clamp(qint64(std::floor((trials + 1) * p)), qint64(0), n);
    // Below the mode: P(k - 1) / P(k) = k / (n - k + 1) / odds.
    std::vector<double> below;
    double term = 1;
    for (qint64 k = mode; k > 0; --k) {
        term *= double(k) / (trials - double(k) + 1) / odds;
        if (term < NegligibleTerm)
            break;
        below.push_back(term);
    }
    m_first = mode - qint64(below.size());
    m_cumulative.assign(below.rbegin(), below.rend());
    m_cumulative.push_back(1);
    // Above the mode: P(k + 1) / P(k) = (n - k) / (k + 1) * odds.
    term = 1;
    for (qint64 k = mode; k < n; ++k) {
        term *= (trials - double(k)) / double(k + 1) * odds;
        if (term < NegligibleTerm)
            break;
        m_cumulative.push_back(term);
    }
    std::partial_sum(m_cumulative.begin(), m_cumulative.end(), m_cumulative.begin());
    const double sum = m_cumulative.back();
    for (double& cumulative : m_cumulative)
        cumulative /= sum;
}

double Binomial::atMost(qint64 k) const
{
    if (k < m_first)
        return 0;
    const qint64 index = k - m_first;
    return index >= qint64(m_cumulative.size()) ? 1 : m_cumulative[std::size_t(index)];
}

CallRange Binomial::central(double coverage) const
{
    const auto smallestReaching = [this](double share) {
        const auto at = std::lower_bound(m_cumulative.begin(), m_cumulative.end(), share);
        return m_first + qint64(std::min(at, m_cumulative.end() - 1) - m_cumulative.begin());
    };
    return {smallestReaching((1 - coverage) / 2), smallestReaching((1 + coverage) / 2)};
}

FairnessReport fairnessOf(std::span<const qint64> calls, std::span<const CallStretch> stretches)
{
    FairnessReport report;
    const std::size_t students = calls.size();
    report.students = qint64(students);
    report.totalCalls = std::reduce(calls.begin(), calls.end(), qint64(0));
    report.each.resize(students);
    for (std::size_t i = 0; i < students; ++i)
        report.each[i].calls = calls[i];
    for (const CallStretch& stretch : stretches) {
        const qint64 present =
            std::reduce(stretch.present.begin(), stretch.present.end(), qint64(0));
        if (stretch.calls <= 0 || present <= 0 || stretch.present.size() != students)
            continue;
        const double share = double(stretch.calls) / double(present);
        report.expectedCalls += share;
        for (std::size_t i = 0; i < students; ++i) {
            if (stretch.present[i] > 0) {
                report.each[i].expected += share * double(stretch.present[i]);
                report.each[i].opportunities += stretch.calls;
            }
        }
    }
    if (report.totalCalls > 0) {
        report.range = Binomial(report.totalCalls, report.expectedCalls / double(report.totalCalls))
                           .central(FairnessReport::Coverage);
    }

    qint64 cells = 0;
    std::vector<std::size_t> tested;
    for (std::size_t i = 0; i < students; ++i) {
        StudentFairness& student = report.each[i];
        if (student.opportunities == 0)
            continue;
        ++cells;
        const double difference = double(student.calls) - student.expected;
        report.chiSquare += difference * difference / student.expected;
        const Binomial fair(student.opportunities,
                            student.expected / double(student.opportunities));
        student.range = fair.central(FairnessReport::Coverage);
        student.chanceOutside =
            fair.atMost(student.range.lowest - 1) + (1 - fair.atMost(student.range.highest));
        student.chanceNever = fair.atMost(0);
        student.pValue =
            std::min(1.0, 2 * std::min(fair.atMost(student.calls), fair.atLeast(student.calls)));
        tested.push_back(i);
    }
    report.degrees = std::max<qint64>(cells - 1, 0);
    if (report.testable())
        report.pValue = chiSquareUpperTail(report.chiSquare, double(report.degrees));
    else
        report.chiSquare = 0;

    // Holm: the k-th smallest of m p-values is held against the level / (m - k + 1),
    // and the first that fails it ends the findings.
    std::stable_sort(tested.begin(), tested.end(), [&report](std::size_t a, std::size_t b) {
        return report.each[a].pValue < report.each[b].pValue;
    });
    for (std::size_t k = 0; k < tested.size(); ++k) {
        StudentFairness& student = report.each[tested[k]];
        if (student.pValue > FairnessReport::SignificanceLevel / double(tested.size() - k))
            break;
        student.verdict = double(student.calls) < student.expected ? StudentFairness::Verdict::Fewer
                                                                   : StudentFairness::Verdict::More;
    }
    return report;
}

FairnessReport fairnessOf(std::span<const qint64> calls)
{
    const qint64 total = std::reduce(calls.begin(), calls.end(), qint64(0));
    const CallStretch everyone{total, std::vector<qint64>(calls.size(), 1)};
    return fairnessOf(calls, std::span(&everyone, 1));
}

} // namespace mirello
