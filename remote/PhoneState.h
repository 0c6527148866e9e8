#pragma once

#include "lesson/DrawSession.h"
#include "lesson/LessonView.h"

#include <QJsonObject>

namespace mirello {

// What a paired phone is shown of the lesson: only that names flicker while they do,
// so as not to send each, and a student's grades only once the draw stopped on them;
// the class's attendance, names and today's absences, for the list of the lesson's start.
QJsonObject phoneState(const LessonView& view, const QList<Attendee>& attendance = {});

} // namespace mirello
