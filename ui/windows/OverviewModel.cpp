#include "OverviewModel.h"

#include "platform/NaturalOrder.h"
#include "roll/Grades.h"

#include <algorithm>
#include <numeric>
#include <QColor>

using namespace Qt::StringLiterals;

namespace mirello {

const QColor OverviewModel::NeverCalled(255, 214, 153);
const QColor OverviewModel::FewerThanFair(255, 190, 190);
const QColor OverviewModel::OutsideEdited(255, 235, 130);

namespace {

using Verdict = StudentFairness::Verdict;

bool fewerThanFair(const OverviewRow& row)
{
    return row.fairness.verdict == Verdict::Fewer;
}

} // namespace

void OverviewModel::setRows(QList<OverviewRow> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    // Ranked once here: the proxy compares sort values, and 学号 sort as 2 before 10.
    QVector<qsizetype> byLead(m_rows.size());
    std::iota(byLead.begin(), byLead.end(), 0);
    std::stable_sort(byLead.begin(), byLead.end(), [this](qsizetype a, qsizetype b) {
        return naturallyBefore(m_rows[a].lead, m_rows[b].lead);
    });
    m_leadOrder = QVector<qsizetype>(m_rows.size());
    for (qsizetype place = 0; place < byLead.size(); ++place)
        m_leadOrder[byLead[place]] = place;
    endResetModel();
}

void OverviewModel::setAllMarks(const std::function<StudentMarks(const StudentKey&)>& marksOf)
{
    for (OverviewRow& row : m_rows)
        row.marks = marksOf(row.key);
    if (!m_rows.isEmpty())
        Q_EMIT dataChanged(index(0, CalledThisRound), index(rowCount() - 1, Absent));
}

int OverviewModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int OverviewModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant OverviewModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const QStringList Titles = [] {
        QStringList titles{u"序号"_s, u"学号"_s, u"姓名"_s, u"点名次数"_s};
        for (const QStringView grade : GradeNames)
            titles.append(grade.toString());
        return titles + QStringList{u"本学期点名"_s, u"最近点名"_s, u"与公平抽取相比"_s,
                                    u"本轮已点"_s,   u"跳过次数"_s, u"今日缺席"_s,
                                    u"外部改动"_s};
    }();
    return Titles.value(section);
}

QVariant OverviewModel::display(const OverviewRow& row, int column) const
{
    if (column >= FirstTally && column <= LastTally)
        return row.tallies[std::size_t(column - FirstTally)];
    switch (column) {
    case Order:
        return row.order;
    case Lead:
        return row.lead;
    case Name:
        return row.shownName;
    case Calls:
        return row.calls;
    case CallsThisTerm:
        return row.callsThisTerm;
    case LastCalled:
        return row.lastCalled.isValid() ? row.lastCalled.toString(u"yyyy-MM-dd"_s) : QString();
    case AgainstRange:
        switch (row.fairness.verdict) {
        case Verdict::Fewer:
            return u"明显偏少"_s;
        case Verdict::More:
            return u"明显偏多"_s;
        case Verdict::AsExpected:
            return u"相符"_s;
        }
        return {};
    case CalledThisRound:
        return row.marks.calledThisRound ? u"✓"_s : QString();
    case Passes:
        return row.marks.passes;
    case OutsideEdit:
        return row.outsideEdit;
    }
    return {};
}

QVariant OverviewModel::sortValue(const OverviewRow& row, int column) const
{
    if (column >= FirstTally && column <= LastTally) {
        const QString& digit = row.tallies[std::size_t(column - FirstTally)];
        return digit.size() == 1 && digit[0].isDigit() ? digit.toInt() : -1;
    }
    switch (column) {
    case AgainstRange:
        return fewerThanFair(row) ? 0 : row.fairness.verdict == Verdict::More ? 2 : 1;
    case CalledThisRound:
        return row.marks.calledThisRound;
    case Absent:
        return row.marks.absent;
    }
    return display(row, column);
}

QVariant OverviewModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const OverviewRow& row = m_rows[index.row()];
    switch (role) {
    case Qt::DisplayRole:
        return display(row, index.column());
    case SortRole:
        return index.column() == Lead ? QVariant(m_leadOrder[index.row()])
                                      : sortValue(row, index.column());
    case Qt::CheckStateRole:
        if (index.column() == Absent)
            return row.marks.absent ? Qt::Checked : Qt::Unchecked;
        return {};
    case Qt::ToolTipRole:
        return index.column() == Name && !row.outsideEdit.isEmpty() ? row.outsideEdit : QString();
    case Qt::BackgroundRole:
        if (!row.outsideEdit.isEmpty() && index.column() == OutsideEdit)
            return OutsideEdited;
        if (row.calls == 0)
            return NeverCalled;
        return fewerThanFair(row) ? QVariant(FewerThanFair) : QVariant();
    case Qt::ForegroundRole:
        // Dark text on the pale tints, whatever the desktop's theme.
        return row.calls == 0 || fewerThanFair(row) || !row.outsideEdit.isEmpty()
                   ? QVariant(QColor(Qt::black))
                   : QVariant();
    case Qt::TextAlignmentRole:
        return index.column() == Lead || index.column() == Name || index.column() == OutsideEdit
                   ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                   : QVariant(Qt::AlignCenter);
    }
    return {};
}

Qt::ItemFlags OverviewModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.column() == Absent)
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

bool OverviewModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || index.column() != Absent || role != Qt::CheckStateRole)
        return false;
    Q_EMIT absenceToggled(index.row(), value.toInt() == Qt::Checked);
    return true;
}

} // namespace mirello
