#pragma once

#include "lesson/LessonView.h"

#include <QJsonObject>

namespace mirello {

// What a paired phone is shown of the lesson: only that names flicker while they do,
// so as not to send each, and a student's grades only once the draw stopped on them.
QJsonObject phoneState(const LessonView& view);

} // namespace mirello
