#pragma once

#include "lesson/ClassOverview.h"
#include "roll/RollFolder.h"

#include <QWidget>

class QLabel;
class QListWidget;
class QSortFilterProxyModel;
class QTableView;

namespace mirello {

class DrawSession;
class ErrorReporter;
class FairnessChart;
class OverviewModel;

// The class overview: every student of the loaded class with calls, tallies, the
// calls of this term and the last call from the history, this round's calls,
// passes and a check box for today's absence; the history of the selected student;
// an export of the class; and the fairness
// report: one sentence on whether the calls look like a fair draw and a chart of
// calls per student against the range a fair draw would give.
class OverviewWindow final : public QWidget
{
    Q_OBJECT

public:
    OverviewWindow(const DrawSession& session, const RollFolder& folder, ErrorReporter& reporter,
                   QWidget* parent = nullptr);

    // Reads the class file and the history again, off the window's thread, and shows
    // them with the marks kept for the class.
    void refresh();
    // Shows the marks anew, for a pass, a pause or a new round; reads no file.
    void refreshMarks();

Q_SIGNALS:
    // The teacher asked to export from here.
    void exportAsked();
    // The teacher marked `student` of the loaded class absent, or took the mark back.
    void absenceMarked(const mirello::StudentKey& student, bool absent);

private:
    void createContents();
    void setAbsent(int row, bool absent);
    void showStudentHistory();
    void showOverview(ClassOverview overview);

    const DrawSession& m_session;
    RollFolder m_folder;
    ErrorReporter& m_reporter;
    OverviewModel* m_model = nullptr;
    QSortFilterProxyModel* m_sorted = nullptr;
    QTableView* m_table = nullptr;
    QLabel* m_sentence = nullptr;
    FairnessChart* m_chart = nullptr;
    // What is shown, its rows aside (they are in the model).
    ClassOverview m_shown;
    // Refreshes asked for: a reading that finishes after a newer one was asked for is
    // not shown.
    quint64 m_refreshes = 0;
    QListWidget* m_studentHistory = nullptr;
};

} // namespace mirello
