#pragma once

#include "Grouping.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numeric>
#include <QHash>
#include <span>
#include <vector>

// The bookkeeping of makeGroups' search, apart from the search itself.
namespace mirello::grouping {

// Each student's group, or -1 for none.
using Labels = std::vector<int>;

// Who was together in an earlier grouping, in memory linear in the class: each
// student's group in each grouping, and for every nonempty set of the groupings (up to
// seven) a key that two students share when they were together in all of that set.
// How many of a group a student met then counts each once, by inclusion and exclusion
// over the sets, and no table of pairs is ever made.
class PairHistory
{
public:
    PairHistory(std::vector<Labels> earlier, int students)
        : m_earlier(std::move(earlier))
    {
        const int groupings = int(m_earlier.size());
        for (int set = 1; set < (1 << groupings); ++set) {
            QHash<quint64, int> numbered;
            Labels& keys = m_keys.emplace_back(std::size_t(students), -1);
            for (int student = 0; student < students; ++student) {
                quint64 tuple = 0;
                bool inAll = true;
                for (int k = 0; k < groupings; ++k) {
                    const int label = m_earlier[std::size_t(k)][std::size_t(student)];
                    if (set & (1 << k)) {
                        inAll = inAll && label >= 0;
                        tuple = tuple << 20 | quint64(std::max(label, 0));
                    }
                }
                if (!inAll)
                    continue;
                auto found = numbered.constFind(tuple);
                if (found == numbered.cend())
                    found = numbered.insert(tuple, int(numbered.size()));
                keys[std::size_t(student)] = *found;
            }
            m_signs.push_back(std::popcount(unsigned(set)) % 2 == 1 ? 1 : -1);
        }
    }

    bool met(int a, int b) const
    {
        return std::any_of(m_earlier.begin(), m_earlier.end(), [&](const Labels& groupOf) {
            return groupOf[std::size_t(a)] >= 0 &&
                   groupOf[std::size_t(a)] == groupOf[std::size_t(b)];
        });
    }
    int sets() const { return int(m_keys.size()); }
    int sign(int set) const { return m_signs[std::size_t(set)]; }
    // -1 when the student was in no group of one grouping of the set.
    int key(int set, int student) const { return m_keys[std::size_t(set)][std::size_t(student)]; }
    // In a group of some earlier grouping, so that they count among its members.
    bool wasGrouped(int student) const
    {
        return std::any_of(m_earlier.begin(), m_earlier.end(), [&](const Labels& groupOf) {
            return groupOf[std::size_t(student)] >= 0;
        });
    }

private:
    std::vector<Labels> m_earlier;
    std::vector<Labels> m_keys;
    std::vector<int> m_signs;
};

// Students' groups, with what a swap of two students would change at hand: for every
// set of earlier groupings, how many in each group share each key (in a class of up to
// DenseClass, for every student and group how many there they met before, and for
// every pair whether they were together: tables of at most 5 MB read without hashing), and every
// group's distance from its share of the class's total score. With `spread` finite no group's
// distance may pass it.
class Arrangement
{
public:
    Arrangement(const PairHistory& history, std::span<const double> scores, int groups,
                double spread)
        : m_history(history)
        , m_scores(scores)
        , m_groups(groups)
        , m_spread(spread)
        , m_mean(std::accumulate(scores.begin(), scores.end(), 0.0) / double(scores.size()))
    {
        if (!dense())
            return;
        m_met.resize(std::size_t(students()) * std::size_t(students()));
        for (int a = 0; a < students(); ++a) {
            for (int b = 0; b < students(); ++b)
                m_met[std::size_t(a * students() + b)] = a != b && m_history.met(a, b);
        }
    }

    static constexpr int DenseClass = 1024;

    void assign(Labels labels)
    {
        m_groupOf = std::move(labels);
        m_counts.assign(std::size_t(m_history.sets()), {});
        m_distance.assign(std::size_t(m_groups), 0.0);
        m_table.assign(dense() ? std::size_t(students()) * std::size_t(m_groups) : 0, 0);
        for (int a = 0; a < students(); ++a) {
            m_distance[std::size_t(groupOf(a))] += m_scores[std::size_t(a)] - m_mean;
            count(a, groupOf(a), 1);
        }
        qint64 repeats = 0;
        if (dense()) {
            for (int a = 0; a < students(); ++a)
                repeats += metIn(a, groupOf(a));
            m_repeats = int(repeats / 2);
            return;
        }
        // Pairs in one group now that share a key, added and taken away set by set.
        for (int set = 0; set < m_history.sets(); ++set) {
            for (const int together : std::as_const(m_counts[std::size_t(set)]))
                repeats += m_history.sign(set) * qint64(together) * (together - 1) / 2;
        }
        m_repeats = int(repeats);
    }

    int students() const { return int(m_scores.size()); }
    int groups() const { return m_groups; }
    const Labels& labels() const { return m_groupOf; }
    int groupOf(int student) const { return m_groupOf[std::size_t(student)]; }
    int repeats() const { return m_repeats; }
    int conflicts(int student) const { return metIn(student, groupOf(student)); }
    double distance(int group) const { return m_distance[std::size_t(group)]; }

    // How many in `group`, the student aside, were together with them before.
    int metIn(int student, int group) const
    {
        if (dense())
            return m_table[cell(student, group)];
        int together = 0;
        for (int set = 0; set < m_history.sets(); ++set) {
            const int key = m_history.key(set, student);
            if (key >= 0)
                together +=
                    m_history.sign(set) * m_counts[std::size_t(set)].value(slot(group, key));
        }
        return together - int(group == groupOf(student) && m_history.wasGrouped(student));
    }

    int repeatChange(int a, int b) const
    {
        const int groupA = groupOf(a);
        const int groupB = groupOf(b);
        const int together = met(a, b);
        return metIn(b, groupA) - metIn(a, groupA) + metIn(a, groupB) - metIn(b, groupB) -
               2 * together;
    }
    double scoreChange(int a, int b) const
    {
        return m_scores[std::size_t(b)] - m_scores[std::size_t(a)];
    }

    bool withinSpread(double distance) const
    {
        return std::abs(distance) <= m_spread * (1 + 1e-9) + 1e-12;
    }

    bool keepsBalance(int a, int b) const
    {
        const double change = scoreChange(a, b);
        return withinSpread(distance(groupOf(a)) + change) &&
               withinSpread(distance(groupOf(b)) - change);
    }

    bool isBalanced() const
    {
        return std::all_of(m_distance.begin(), m_distance.end(),
                           [&](double distance) { return withinSpread(distance); });
    }

    void swap(int a, int b)
    {
        const int groupA = groupOf(a);
        const int groupB = groupOf(b);
        m_repeats += repeatChange(a, b);
        const double change = scoreChange(a, b);
        m_distance[std::size_t(groupA)] += change;
        m_distance[std::size_t(groupB)] -= change;
        m_groupOf[std::size_t(a)] = groupB;
        m_groupOf[std::size_t(b)] = groupA;
        if (dense()) {
            for (int x = 0; x < students(); ++x) {
                const int gain = met(x, a) - met(x, b);
                m_table[cell(x, groupA)] -= gain;
                m_table[cell(x, groupB)] += gain;
            }
            return;
        }
        count(a, groupA, -1);
        count(b, groupB, -1);
        count(a, groupB, 1);
        count(b, groupA, 1);
    }
    Grouping result() const
    {
        Grouping grouping;
        grouping.groups.resize(std::size_t(m_groups));
        for (int student = 0; student < students(); ++student)
            grouping.groups[std::size_t(groupOf(student))].push_back(student);
        grouping.repeatedPairs = m_repeats;
        for (int group = 0; group < m_groups; ++group) {
            const double size = double(grouping.groups[std::size_t(group)].size());
            grouping.largestBalanceGap =
                std::max(grouping.largestBalanceGap, std::abs(distance(group)) / size);
        }
        return grouping;
    }

private:
    static quint64 slot(int group, int key) { return quint64(group) << 32 | quint32(key); }
    bool dense() const { return students() <= DenseClass; }
    int met(int a, int b) const
    {
        return dense() ? m_met[std::size_t(a * students() + b)] : m_history.met(a, b);
    }
    std::size_t cell(int student, int group) const
    {
        return std::size_t(student) * std::size_t(m_groups) + std::size_t(group);
    }

    void count(int student, int group, int change)
    {
        if (dense()) {
            for (int other = 0; other < students(); ++other)
                m_table[cell(other, group)] += change * met(other, student);
            return;
        }
        for (int set = 0; set < m_history.sets(); ++set) {
            const int key = m_history.key(set, student);
            if (key < 0)
                continue;
            QHash<quint64, int>& counts = m_counts[std::size_t(set)];
            const auto found = counts.find(slot(group, key));
            if (found == counts.end())
                counts.insert(slot(group, key), change);
            else if ((*found += change) == 0)
                counts.erase(found);
        }
    }

    const PairHistory& m_history;
    std::span<const double> m_scores;
    int m_groups;
    double m_spread;
    double m_mean;
    Labels m_groupOf;
    std::vector<QHash<quint64, int>> m_counts;
    std::vector<int> m_table;
    std::vector<quint8> m_met; // a class of up to DenseClass: whether two were together

    std::vector<double> m_distance;
    int m_repeats = 0;
};

} // namespace mirello::grouping
