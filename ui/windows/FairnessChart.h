#pragma once

#include "draw/Fairness.h"

#include <QList>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QWidget>

namespace mirello {

struct OverviewRow;

// The value axis: a line every `step` calls from 0 up to `top`.
struct ValueTicks
{
    qint64 step = 1;
    qint64 top = 1;

    friend bool operator==(const ValueTicks&, const ValueTicks&) = default;
};

// Whole-number ticks of 1, 2 or 5 times a power of ten for counts up to `most`, at
// most `mostSteps` steps, with at least one call of room above the highest bar.
ValueTicks valueTicks(qint64 most, int mostSteps);

// Every how many bars a label stands (1, 2, 5, 10, 20, ...) so that labels
// `labelWidth` wide, their spacing included, never overlap on bars `slotWidth` apart.
qsizetype labelStep(double slotWidth, double labelWidth);

// The bar of the student at `index` of `bars` with `calls` calls, in `plot` whose
// top edge stands for `top` calls. Bars fill most of their column; where a column
// is too narrow for a gap, the whole of it, and never less than one pixel.
QRectF barRect(const QRectF& plot, qsizetype bars, qsizetype index, qint64 calls, qint64 top);

// The student whose column holds `x` in `plot`, or -1 outside every column.
qsizetype barAt(const QRectF& plot, qsizetype bars, double x);

// Calls per student in file order as bars, those the report finds clearly too few in
// their own colour, each over the band of its own fair range (the same for all
// students who were always present); hovering a bar tells whose it is. Painted from
// the palette and font of the widget.
class FairnessChart final : public QWidget
{
    Q_OBJECT

public:
    // Beyond this many students one bar each would be a blur.
    static constexpr qsizetype MostChartedStudents = 2000;
    // Up to this many students each one is named under their bar.
    static constexpr qsizetype MostNamedBars = 15;

    explicit FairnessChart(QWidget* parent = nullptr);

    void setStudents(const QList<OverviewRow>& rows, const FairnessReport& report);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    struct Layout;
    Layout layout() const;
    void paintLegend(QPainter& painter, const Layout& layout) const;
    void paintStudentAxis(QPainter& painter, const Layout& layout) const;

    // One entry per student, in file order.
    QList<qint64> m_calls;
    QList<CallRange> m_ranges;
    QList<bool> m_fewer;
    QStringList m_names;
    // Under the bars: the names of a small class, else the places in the file.
    QStringList m_labels;
    CallRange m_range;
    qint64 m_most = 0;
    QString m_widestLabel;
    bool m_tooMany = false;
};

} // namespace mirello
