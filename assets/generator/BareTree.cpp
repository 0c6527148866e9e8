#include "BareTree.h"

#include <algorithm>
#include <cmath>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>

namespace mirello {

namespace {

// Twigs lean at most this far from the vertical, so none hangs down.
constexpr qreal MaxLean = 1.2;

struct Branch
{
    QPointF from;
    qreal angle; // radians from the vertical, positive leaning right
    qreal length;
    qreal width;
    int depth;
};

class TreeGrower
{
public:
    TreeGrower(QPainter& painter, const BareTreeShape& shape)
        : m_painter(painter)
        , m_colour(shape.colour)
        , m_random(shape.seed)
    {
    }

    void grow(const Branch& branch)
    {
        const QPointF tip = paintBranch(branch);
        if (branch.depth == 0)
            return;
        // The leader carries on, drawn back towards the vertical; side twigs fork off.
        grow({tip, branch.angle * 0.75 + between(-0.18, 0.18), branch.length * between(0.68, 0.8),
              branch.width * 0.72, branch.depth - 1});
        const int twigs = between(0, 1) < 0.25 ? 2 : 1;
        for (int i = 0; i < twigs; ++i) {
            const qreal side = (i == 0) == (between(0, 1) < 0.5) ? 1.0 : -1.0;
            grow({tip, std::clamp(branch.angle + side * between(0.4, 0.85), -MaxLean, MaxLean),
                  branch.length * between(0.5, 0.72), branch.width * 0.55, branch.depth - 1});
        }
    }

private:
    qreal between(qreal low, qreal high) { return low + m_random.generateDouble() * (high - low); }

    // Draws one slightly bent segment and returns where it ends.
    QPointF paintBranch(const Branch& branch)
    {
        const QPointF direction(std::sin(branch.angle), -std::cos(branch.angle));
        const QPointF normal(-direction.y(), direction.x());
        const QPointF tip = branch.from + direction * branch.length;
        const QPointF bend =
            (branch.from + tip) / 2 + normal * between(-0.12, 0.12) * branch.length;
        QPainterPath path(branch.from);
        path.quadTo(bend, tip);
        m_painter.setPen(QPen(m_colour, std::max(branch.width, 0.4), Qt::SolidLine, Qt::RoundCap));
        m_painter.drawPath(path);
        return tip;
    }

    QPainter& m_painter;
    QColor m_colour;
    QRandomGenerator m_random;
};

} // namespace

void paintBareTree(QPainter& painter, const BareTreeShape& shape)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    TreeGrower grower(painter, shape);
    grower.grow({shape.base, 0.0, shape.height * 0.3, shape.trunkWidth, shape.forks});
    painter.restore();
}

} // namespace mirello
