#pragma once

#include <QColor>
#include <QPointF>

class QPainter;

namespace mirello {

struct BareTreeShape
{
    QPointF base;       // where the trunk meets the ground
    qreal height = 100; // roughly how tall the crown grows
    qreal trunkWidth = 3;
    int forks = 7;    // how many times a branch forks before it ends in a twig
    QColor colour;    // opaque, so crossing twigs do not darken where they overlap
    quint32 seed = 1; // the same seed always grows the same tree
};

// Paints a leafless tree: a trunk that forks into ever thinner, slightly bent twigs.
void paintBareTree(QPainter& painter, const BareTreeShape& shape);

} // namespace mirello
