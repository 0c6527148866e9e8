#include "PhoneState.h"

#include <QJsonArray>

using namespace Qt::StringLiterals;

namespace mirello {

QJsonObject phoneState(const LessonView& view, const QList<Attendee>& attendance)
{
    QJsonArray students;
    for (const Attendee& student : attendance)
        students.append(QJsonArray{student.name, student.absent});
    QJsonArray classes;
    for (const ListedFile& file : view.classes)
        classes.append(file.shown);
    const bool student = view.onStudent;
    const bool several = !view.drawing && view.picks.size() > 1;
    return {{u"classes"_s, classes},
            {u"class"_s, view.classFile},
            {u"running"_s, view.drawing},
            {u"draw"_s, view.draw},
            {u"undo"_s, view.undoable},
            {u"name"_s, student ? view.name : QString()},
            {u"calls"_s, student ? view.callCount : QString()},
            {u"tallies"_s, student ? view.tallies : QString()},
            {u"grade"_s, view.grade},
            {u"round"_s, view.oncePerRound},
            {u"absent"_s, student && view.absent},
            {u"picks"_s, several ? QJsonArray::fromStringList(view.picks) : QJsonArray()},
            {u"pickAt"_s, view.pickAt},
            {u"timer"_s, view.countdown},
            {u"locked"_s, view.locked},
            {u"attendance"_s, students}};
}

} // namespace mirello
