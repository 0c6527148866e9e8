#include "FairnessChart.h"

#include "OverviewModel.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <QFontMetricsF>
#include <QHelpEvent>
#include <QPainter>
#include <QSet>
#include <QToolTip>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

const QColor UsualBar(66, 133, 244);
const QColor FewerBar(219, 68, 55);
const QColor Band(52, 168, 83, 70);
const QColor BandEdge(52, 168, 83);

// Counts beyond this are not a class's calls; they only keep the ticks finite.
constexpr qint64 LargestCount = qint64(1) << 50;
// Bars narrower than this get no gap between them.
constexpr double NarrowestGappedColumn = 3.0;
constexpr double BarShare = 0.8;
// A student never called still shows this high, so the column can be hovered.
constexpr double NeverCalledHeight = 2.0;
constexpr int CardMargin = 6;
constexpr double TickLength = 4.0;

QFont boldFont(QFont font)
{
    font.setBold(true);
    return font;
}

QColor faded(QColor colour, int alpha)
{
    colour.setAlpha(alpha);
    return colour;
}

QString bandText(const CallRange& range)
{
    return u"公平抽取的 95% 范围（"_s + QString::number(range.lowest) + u"–"_s +
           QString::number(range.highest) + u" 次）"_s;
}

} // namespace

ValueTicks valueTicks(qint64 most, int mostSteps)
{
    const qint64 needed = std::clamp<qint64>(most, 0, LargestCount) + 1;
    const qint64 steps = std::max(1, mostSteps);
    for (qint64 magnitude = 1;; magnitude *= 10) {
        for (const qint64 multiple : {1, 2, 5}) {
            const qint64 step = multiple * magnitude;
            const qint64 count = (needed + step - 1) / step;
            if (count <= steps)
                return {step, count * step};
        }
    }
}

qsizetype labelStep(double slotWidth, double labelWidth)
{
    if (labelWidth <= slotWidth)
        return 1;
    if (!(slotWidth > 0))
        return std::numeric_limits<qsizetype>::max();
    for (qsizetype magnitude = 1;; magnitude *= 10) {
        for (const qsizetype multiple : {1, 2, 5}) {
            const qsizetype step = multiple * magnitude;
            if (double(step) * slotWidth >= labelWidth)
                return step;
        }
    }
}

QRectF barRect(const QRectF& plot, qsizetype bars, qsizetype index, qint64 calls, qint64 top)
{
    const double slot = plot.width() / double(std::max<qsizetype>(bars, 1));
    const double width = slot >= NarrowestGappedColumn ? slot * BarShare : std::max(slot, 1.0);
    const double centre = plot.left() + (double(index) + 0.5) * slot;
    const double height =
        top > 0 ? plot.height() * double(std::clamp<qint64>(calls, 0, top)) / double(top) : 0;
    return {centre - width / 2, plot.bottom() - height, width, height};
}

qsizetype barAt(const QRectF& plot, qsizetype bars, double x)
{
    if (bars <= 0 || x < plot.left() || x >= plot.right())
        return -1;
    const double slot = plot.width() / double(bars);
    return std::min(bars - 1, qsizetype((x - plot.left()) / slot));
}

// Where the parts of the chart go in the widget as it is now.
struct FairnessChart::Layout
{
    QRectF card;
    QRectF inner;
    QRectF plot;
    ValueTicks ticks;
    qsizetype labelStep = 1;
    // The legend's markers, one per entry, each followed by its text.
    std::array<QRectF, 3> markers;
    std::array<QString, 3> legend;
};

FairnessChart::FairnessChart(QWidget* parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void FairnessChart::setStudents(const QList<OverviewRow>& rows, const FairnessReport& report)
{
    m_calls.clear();
    m_ranges.clear();
    m_fewer.clear();
    m_names.clear();
    m_labels.clear();
    m_widestLabel.clear();
    m_range = report.range;
    m_most = report.range.highest;
    m_tooMany = rows.size() > MostChartedStudents;
    if (!m_tooMany) {
        m_calls.reserve(rows.size());
        m_ranges.reserve(rows.size());
        m_fewer.reserve(rows.size());
        m_names.reserve(rows.size());
        m_labels.reserve(rows.size());
        const bool named = rows.size() <= MostNamedBars;
        QSet<QString> seen;
        for (const OverviewRow& row : rows) {
            m_calls.append(row.fairness.calls);
            m_ranges.append(row.fairness.range);
            m_fewer.append(row.fairness.verdict == StudentFairness::Verdict::Fewer);
            m_names.append(row.shownName);
            m_most = std::max({m_most, row.fairness.calls, row.fairness.range.highest});
            QString label = named ? row.shownName : QString::number(row.order);
            // A repeated name carries its place in the file.
            if (named && seen.contains(label))
                label += u"（"_s + QString::number(row.order) + u"）"_s;
            seen.insert(label);
            if (!named && label.size() > m_widestLabel.size())
                m_widestLabel = label;
            m_labels.append(std::move(label));
        }
    }
    update();
}

QSize FairnessChart::sizeHint() const
{
    return {640, 300};
}

QSize FairnessChart::minimumSizeHint() const
{
    return {240, 160};
}

FairnessChart::Layout FairnessChart::layout() const
{
    const QFontMetricsF metrics(font());
    const QFontMetricsF bold(boldFont(font()));
    const double line = metrics.height();
    Layout l;
    l.card = QRectF(rect()).adjusted(CardMargin, CardMargin, -CardMargin, -CardMargin);
    l.inner = l.card.adjusted(line * 0.6, line * 0.5, -line * 0.6, -line * 0.5);

    // The legend: entries side by side, centred, on as many lines as the width needs.
    l.legend = {bandText(m_range), u"点名次数"_s, u"明显偏少"_s};
    const double marker = std::round(line * 0.6);
    const double gap = line;
    std::array<double, 3> widths{};
    for (std::size_t i = 0; i < widths.size(); ++i)
        widths[i] = marker + line * 0.3 + metrics.horizontalAdvance(l.legend[i]);
    int lines = 1;
    std::array<int, 3> lineOf{};
    std::array<double, 3> lineWidth{};
    for (std::size_t i = 0; i < widths.size(); ++i) {
        const double width = lineWidth[lines - 1];
        if (width > 0 && width + gap + widths[i] > l.inner.width())
            ++lines;
        lineOf[i] = lines - 1;
        lineWidth[lines - 1] += (lineWidth[lines - 1] > 0 ? gap : 0) + widths[i];
    }
    const double legendTop = l.inner.bottom() - lines * line;
    std::array<double, 3> x{};
    for (int i = 0; i < lines; ++i)
        x[i] = l.inner.center().x() - lineWidth[i] / 2;
    for (std::size_t i = 0; i < widths.size(); ++i) {
        const double y = legendTop + lineOf[i] * line + (line - marker) / 2;
        l.markers[i] = QRectF(x[lineOf[i]], y, marker, marker);
        x[lineOf[i]] += widths[i] + gap;
    }

    const bool named = m_calls.size() <= MostNamedBars;
    const double studentTitle = named ? 0 : bold.height();
    const double bottom = legendTop - line * 0.6 - studentTitle - line - TickLength * 2;
    const double top = l.inner.top() + line / 2;
    l.ticks = valueTicks(m_most, std::clamp(int((bottom - top) / (line * 1.6)), 1, 10));
    const double left = l.inner.left() + bold.height() + line * 0.4 +
                        metrics.horizontalAdvance(QString::number(l.ticks.top)) + TickLength * 2;
    const double right =
        l.inner.right() - (named ? 0 : metrics.horizontalAdvance(m_widestLabel) / 2);
    l.plot = QRectF(QPointF(left, top), QPointF(right, bottom));
    if (!named && !m_calls.isEmpty()) {
        l.labelStep = labelStep(l.plot.width() / double(m_calls.size()),
                                metrics.horizontalAdvance(m_widestLabel) + line / 2);
    }
    return l;
}

bool FairnessChart::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    const QPoint at = static_cast<QHelpEvent*>(event)->pos();
    if (!m_tooMany && !m_calls.isEmpty()) {
        const Layout l = layout();
        const qsizetype index = barAt(l.plot, m_calls.size(), at.x());
        if (index >= 0 && at.y() >= l.plot.top() && at.y() <= l.plot.bottom()) {
            const double slot = l.plot.width() / double(m_calls.size());
            const QRectF column(l.plot.left() + double(index) * slot, l.plot.top(), slot,
                                l.plot.height());
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(),
                               m_names[index] + u"："_s + QString::number(m_calls[index]) +
                                   u" 次"_s,
                               this, column.toAlignedRect());
            return true;
        }
    }
    QToolTip::hideText();
    event->ignore();
    return true;
}

void FairnessChart::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const Layout l = layout();
    const QColor text = palette().color(QPalette::Text);
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette().color(QPalette::Base));
    painter.drawRoundedRect(l.card, CardMargin, CardMargin);
    painter.setPen(text);
    if (m_tooMany || m_calls.isEmpty()) {
        painter.setFont(boldFont(font()));
        const QString message = m_tooMany ? u"学生超过 "_s + QString::number(MostChartedStudents) +
                                                u" 人，不再逐人画柱；上面的结论和表格照常。"_s
                                          : u"没有学生，没有可画的柱。"_s;
        painter.drawText(l.inner,
                         Qt::AlignHCenter | (m_tooMany ? Qt::AlignTop : Qt::AlignVCenter) |
                             Qt::TextWordWrap,
                         message);
        return;
    }

    const QRectF& plot = l.plot;
    const QFontMetricsF metrics(font());
    const double line = metrics.height();
    auto yOf = [&](qint64 calls) {
        return plot.bottom() - plot.height() * double(calls) / double(l.ticks.top);
    };

    // Lines across at every tick, their numbers to the left.
    for (qint64 value = 0; value <= l.ticks.top; value += l.ticks.step) {
        const double y = yOf(value);
        painter.setPen(faded(text, 40));
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        painter.setPen(faded(text, 120));
        painter.drawLine(QPointF(plot.left() - TickLength, y), QPointF(plot.left(), y));
        painter.setPen(text);
        painter.drawText(QRectF(l.inner.left(), y - line / 2,
                                plot.left() - TickLength * 2 - l.inner.left(), line),
                         Qt::AlignRight | Qt::AlignVCenter, QString::number(value));
    }

    // Plain rectangles without smoothing: crisp edges, and thousands stay cheap.
    painter.setRenderHint(QPainter::Antialiasing, false);
    const qsizetype bars = m_calls.size();
    // Each column's band, its edges drawn as lines, so that equal neighbours join.
    const double slot = plot.width() / double(bars);
    painter.setPen(QPen(BandEdge, 1));
    for (qsizetype i = 0; i < bars; ++i) {
        const double left = plot.left() + double(i) * slot;
        const double top = yOf(m_ranges[i].highest);
        const double bottom = yOf(m_ranges[i].lowest);
        painter.fillRect(QRectF(left, top, slot, bottom - top), Band);
        painter.drawLine(QPointF(left, top), QPointF(left + slot, top));
        painter.drawLine(QPointF(left, bottom), QPointF(left + slot, bottom));
    }
    for (qsizetype i = 0; i < bars; ++i) {
        QRectF bar = barRect(plot, bars, i, m_calls[i], l.ticks.top);
        if (m_calls[i] == 0)
            bar.setTop(plot.bottom() - NeverCalledHeight);
        painter.fillRect(bar, m_fewer[i] ? FewerBar : UsualBar);
    }
    painter.setRenderHint(QPainter::Antialiasing);

    painter.setPen(faded(text, 120));
    painter.drawLine(plot.bottomLeft(), plot.bottomRight());
    painter.drawLine(plot.topLeft(), plot.bottomLeft());
    paintStudentAxis(painter, l);

    painter.setFont(boldFont(font()));
    painter.setPen(text);
    const double titleHeight = QFontMetricsF(painter.font()).height();
    painter.save();
    painter.translate(l.inner.left(), plot.center().y());
    painter.rotate(-90);
    painter.drawText(QRectF(-plot.height() / 2, 0, plot.height(), titleHeight), Qt::AlignCenter,
                     u"点名次数"_s);
    painter.restore();
    if (bars > MostNamedBars) {
        painter.drawText(
            QRectF(plot.left(), plot.bottom() + TickLength * 2 + line, plot.width(), titleHeight),
            Qt::AlignCenter, u"学生（序号）"_s);
    }
    painter.setFont(font());
    paintLegend(painter, l);
}

// Names or places under the bars, as many as fit side by side.
void FairnessChart::paintStudentAxis(QPainter& painter, const Layout& l) const
{
    const QRectF& plot = l.plot;
    const QFontMetricsF metrics(font());
    const qsizetype bars = m_calls.size();
    const double slot = plot.width() / double(bars);
    const bool named = bars <= MostNamedBars;
    const QColor text = palette().color(QPalette::Text);
    const qsizetype first = named ? 0 : l.labelStep - 1;
    for (qsizetype i = first; i < bars; i += l.labelStep) {
        const double x = plot.left() + (double(i) + 0.5) * slot;
        painter.setPen(faded(text, 120));
        painter.drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() + TickLength));
        const double width = named ? slot : slot * double(l.labelStep);
        const QString label =
            named ? metrics.elidedText(m_labels[i], Qt::ElideRight, width - 2) : m_labels[i];
        painter.setPen(text);
        painter.drawText(QRectF(x - width / 2, plot.bottom() + TickLength, width, metrics.height()),
                         Qt::AlignHCenter | Qt::AlignTop, label);
    }
}

void FairnessChart::paintLegend(QPainter& painter, const Layout& l) const
{
    const double line = QFontMetricsF(font()).height();
    const std::array<QColor, 3> fills{Band, UsualBar, FewerBar};
    for (std::size_t i = 0; i < l.markers.size(); ++i) {
        const QRectF& marker = l.markers[i];
        painter.setPen(i == 0 ? QPen(BandEdge, 1) : QPen(Qt::NoPen));
        painter.setBrush(fills[i]);
        painter.drawRect(marker);
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(QRectF(marker.right() + line * 0.3, marker.center().y() - line / 2,
                                l.card.width(), line),
                         Qt::AlignLeft | Qt::AlignVCenter, l.legend[i]);
    }
}

} // namespace mirello
