#pragma once

#include "lesson/ClassOverview.h"

#include <functional>
#include <QAbstractTableModel>
#include <QList>

namespace mirello {

// The students of a class as a sortable table: numbers sort as numbers, student
// numbers as teachers order them (2 before 10). Rows of students never called, or
// called so much less often than a fair draw would that chance cannot explain it,
// are tinted; the absence column holds a check box.
class OverviewModel final : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column
    {
        Order,
        Lead,
        Name,
        Calls,
        FirstTally,
        LastTally = FirstTally + 3,
        CallsThisTerm,
        LastCalled,
        AgainstRange,
        CalledThisRound,
        Passes,
        Absent,
        OutsideEdit,
        ColumnCount
    };
    // The value columns sort by.
    static constexpr int SortRole = Qt::UserRole;

    static const QColor NeverCalled;
    static const QColor FewerThanFair;
    static const QColor OutsideEdited;

    using QAbstractTableModel::QAbstractTableModel;

    void setRows(QList<OverviewRow> rows);
    // Every row's marks anew, as `marksOf` gives them.
    void setAllMarks(const std::function<StudentMarks(const StudentKey&)>& marksOf);
    const QList<OverviewRow>& rows() const { return m_rows; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

Q_SIGNALS:
    // The teacher ticked or cleared the absence box of `row`.
    void absenceToggled(int row, bool absent);

private:
    QVariant display(const OverviewRow& row, int column) const;
    QVariant sortValue(const OverviewRow& row, int column) const;

    QList<OverviewRow> m_rows;
    // Per row, its place among the student numbers in natural order.
    QVector<qsizetype> m_leadOrder;
};

} // namespace mirello
