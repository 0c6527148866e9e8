#include "AttendanceWindow.h"

#include "ui/widgets/Fonts.h"

#include <algorithm>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

// Five columns of names read from the back row and tapped from arm's length.
constexpr int Columns = 5;
constexpr int NameHeight = 64;
constexpr QStringView AbsentStyle = u"QPushButton:checked { background: #c62828; color: white; }";

} // namespace

AttendanceWindow::AttendanceWindow(const DrawSession& session, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_session(session)
{
    setObjectName(u"AttendanceWindow"_s);
    setWindowTitle(u"点到"_s);
    auto* layout = new QVBoxLayout(this);
    auto* hint = new QLabel(u"点一下名字：今天缺席，抽取时跳过。再点一下：取消。"_s, this);
    hint->setFont(chineseFont(TypeStyle::Hei, 14));
    m_count = new QLabel(this);
    m_count->setObjectName(u"AttendanceCount"_s);
    m_count->setFont(chineseFont(TypeStyle::Hei, 14, QFont::Bold));
    auto* names = new QWidget;
    m_names = new QGridLayout(names);
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setWidget(names);
    auto* done = new QPushButton(u"完成"_s, this);
    done->setMinimumHeight(NameHeight);
    connect(done, &QPushButton::clicked, this, &QWidget::close);
    layout->addWidget(hint);
    layout->addWidget(m_count);
    layout->addWidget(scroll, 1);
    layout->addWidget(done);
    setStyleSheet(AbsentStyle.toString());
    // Most of the board: a class of fifty without scrolling.
    const QRect area = (parent ? parent->screen() : screen())->availableGeometry();
    resize(area.size() * 9 / 10);
    move(area.center() - rect().center());
    refresh();
}

void AttendanceWindow::refresh()
{
    const QList<Attendee> students = m_session.attendance();
    if (students != m_shown)
        showStudents(students);
    const qsizetype absent = std::ranges::count(students, true, &Attendee::absent);
    m_count->setText(students.isEmpty() ? u"还没有选择班级"_s
                                        : u"出席 "_s + QString::number(students.size() - absent) +
                                              u" 人，缺席 "_s + QString::number(absent) + u" 人"_s);
}

// A button per student, made anew only when the class changed: a tap keeps its place.
void AttendanceWindow::showStudents(const QList<Attendee>& students)
{
    const bool sameClass =
        m_shown.size() == students.size() &&
        std::ranges::equal(m_shown, students, {}, &Attendee::key, &Attendee::key);
    m_shown = students;
    if (sameClass) {
        for (qsizetype at = 0; at < students.size(); ++at) {
            auto* button = qobject_cast<QPushButton*>(m_names->itemAt(int(at))->widget());
            button->setChecked(students[at].absent);
        }
        return;
    }
    while (QLayoutItem* item = m_names->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const QFont font = chineseFont(TypeStyle::Kai, 22, QFont::Bold);
    for (qsizetype at = 0; at < students.size(); ++at) {
        auto* button = new QPushButton(students[at].name);
        button->setFont(font);
        button->setMinimumHeight(NameHeight);
        button->setCheckable(true);
        button->setChecked(students[at].absent);
        connect(button, &QPushButton::clicked, this,
                [this, key = students[at].key](bool absent) { Q_EMIT absenceMarked(key, absent); });
        m_names->addWidget(button, int(at / Columns), int(at % Columns));
    }
}

} // namespace mirello
