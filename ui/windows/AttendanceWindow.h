#pragma once

#include "lesson/DrawSession.h"

#include <QWidget>

class QGridLayout;
class QLabel;

namespace mirello {

// Attendance at the lesson's start, at the board: every student of the loaded class
// as a large name; a tap marks the student absent today, a second tap takes it back.
// The draw never stops on a student marked here.
class AttendanceWindow final : public QWidget
{
    Q_OBJECT

public:
    AttendanceWindow(const DrawSession& session, QWidget* parent);

    // The class or its absences changed.
    void refresh();

Q_SIGNALS:
    void absenceMarked(const mirello::StudentKey& student, bool absent);

private:
    void showStudents(const QList<Attendee>& students);

    const DrawSession& m_session;
    QList<Attendee> m_shown;
    QLabel* m_count = nullptr;
    QGridLayout* m_names = nullptr;
};

} // namespace mirello
