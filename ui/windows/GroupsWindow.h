#pragma once

#include "lesson/ClassGroups.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QThread;
class QRadioButton;
class QSpinBox;

namespace mirello {

class DrawSession;
class ErrorReporter;
class RandomSource;
class Settings;

// Splits the students present into groups: a number of groups or groups of a size,
// balanced by grades if the teacher wants, keeping apart who were together in the
// last three groupings. A grouping is shown here and on the projector, copied as
// text or exported for a spreadsheet program; an earlier one can be shown again.
class GroupsWindow final : public QWidget
{
    Q_OBJECT

public:
    GroupsWindow(DrawSession& session, RandomSource& random, Settings& settings,
                 ErrorReporter& reporter, QWidget* parent);
    ~GroupsWindow() override;

    // A new grouping as the window is set, made off the window's thread; 正在分组…
    // shows meanwhile.
    void regroup();
    // The kept groupings of the class now loaded.
    void refresh();

Q_SIGNALS:
    void shown(const mirello::NamedGroups& groups);
    void projectorAsked(const mirello::NamedGroups& groups);

private:
    void createContents();
    void remember();
    void showMade(const QString& classFile, Result<ClassGrouping> made, bool balanced);
    void display(const NamedGroups& groups);
    void exportAs(bool xlsx);

    DrawSession& m_session;
    RandomSource& m_random;
    Settings& m_settings;
    ErrorReporter& m_reporter;
    NamedGroups m_groups;
    QRadioButton* m_byCount = nullptr;
    QSpinBox* m_count = nullptr;
    QSpinBox* m_size = nullptr;
    QCheckBox* m_balanced = nullptr;
    QPushButton* m_regroup = nullptr;
    QThread* m_grouping = nullptr;
    QLabel* m_report = nullptr;
    QPlainTextEdit* m_text = nullptr;
    QComboBox* m_earlier = nullptr;
};

} // namespace mirello
