#pragma once

#include <QtGlobal>

namespace mirello {

// Keeps a shown top-level window from ever becoming the active one, also when clicked,
// where the system needs more than Qt's Qt::WindowDoesNotAcceptFocus for that.
// `nativeWindow` is the window's QWidget::winId().
void refuseActivation(quintptr nativeWindow);

} // namespace mirello
