#include "PictureButton.h"

#include <QMouseEvent>
#include <utility>

namespace mirello {

PictureButton::PictureButton(QWidget* parent)
    : QLabel(parent)
{
    setMouseTracking(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void PictureButton::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
    Q_EMIT mouseMoved();
}

void PictureButton::mousePressEvent(QMouseEvent* event)
{
    event->accept();
}

void PictureButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
    m_releaseEndsDoubleClick = true;
}

void PictureButton::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    const bool endsDoubleClick = std::exchange(m_releaseEndsDoubleClick, false);
    if (event->button() == Qt::LeftButton && !endsDoubleClick && rect().contains(pointerAt(event)))
        Q_EMIT clicked();
}

} // namespace mirello
