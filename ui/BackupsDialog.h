#pragma once

#include "roll/RollFolder.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;
class QTreeWidget;

namespace mirello {

class ErrorReporter;

// 备份与恢复: the backups of a class by date with the calls each holds, and the
// restore of a chosen one after a confirmation (restoreBackup()).
class BackupsDialog final : public QDialog
{
    Q_OBJECT

public:
    BackupsDialog(const RollFolder& folder, const QString& chosenClass, ErrorReporter& reporter,
                  QWidget* parent = nullptr);

Q_SIGNALS:
    // The class file now holds a backup.
    void restored(const QString& classFileName);

private:
    void showBackups();
    void restoreChosen();

    RollFolder m_folder;
    ErrorReporter& m_reporter;
    QComboBox* m_class = nullptr;
    QTreeWidget* m_backups = nullptr;
    QLabel* m_done = nullptr;
    QPushButton* m_restore = nullptr;
};

} // namespace mirello
