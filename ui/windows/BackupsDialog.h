#pragma once

#include "roll/RollFolder.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;
class QTreeWidget;

namespace mirello {

class ErrorReporter;
class RecordingWorker;

// 备份与恢复: the backups of a class by date with the calls each holds, and the
// restore of a chosen one after a confirmation, through `recorder`'s queue.
class BackupsDialog final : public QDialog
{
    Q_OBJECT

public:
    BackupsDialog(const RollFolder& folder, const QString& chosenClass, RecordingWorker& recorder,
                  ErrorReporter& reporter, QWidget* parent = nullptr);

private:
    void showBackups();
    void restoreChosen();

    RollFolder m_folder;
    RecordingWorker& m_recorder;
    ErrorReporter& m_reporter;
    QComboBox* m_class = nullptr;
    QTreeWidget* m_backups = nullptr;
    QLabel* m_done = nullptr;
    QPushButton* m_restore = nullptr;
};

} // namespace mirello
