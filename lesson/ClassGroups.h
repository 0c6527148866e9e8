#pragma once

#include "draw/Grouping.h"
#include "exchange/XlsxWriter.h"
#include "roll/ClassState.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <span>

namespace mirello {

class RandomSource;

// A student in a group as the teacher reads them.
struct GroupMember
{
    QString number;
    QString name;
};
using NamedGroups = QList<QList<GroupMember>>;

// A grouping of the class, the students by their keys, and how well it kept pairs
// apart and the groups even.
struct ClassGrouping
{
    StudentGroups groups;
    int repeatedPairs = 0;
    double largestBalanceGap = 0;
};

// What a grouping needs of a class, copied, so that it can be made on another thread
// while the window goes on: the class's lines, the students present (numbers into
// `lines`) and the kept groupings (newest last).
struct GroupingJob
{
    QString classFile;
    NameList names;
    std::vector<quint32> lines;
    std::vector<qsizetype> present;
    QList<StudentGroups> earlier;
};

// The students present split as `request` asks, scored by their tallies when it asks
// for balance, keeping apart the pairs of the earlier groupings. Refused, in Chinese,
// for a class larger than groupings take.
Result<ClassGrouping> groupStudents(const GroupingJob& job, const GroupingRequest& request,
                                    RandomSource& random);

// A kept grouping with the names its students have in the class now; students no
// longer in it are left out, and so are groups left empty.
NamedGroups namedGroups(const NameList& names, std::span<const quint32> lines,
                        const StudentGroups& groups);

// "第 1 组：张伟、李娜" a line, to paste where the teacher wants it.
QString groupsText(const NamedGroups& groups);
// 组, 学号, 姓名: a student a row, for a spreadsheet program; CSV as the class
// export writes it.
QByteArray groupsCsv(const NamedGroups& groups);
XlsxSheet groupsSheet(const NamedGroups& groups);

} // namespace mirello
