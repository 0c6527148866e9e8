#pragma once

#include "exchange/ImportPreview.h"
#include "roll/RollFolder.h"

#include <memory>
#include <QDialog>
#include <QSet>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;
class QThread;

namespace mirello {

class ErrorReporter;

// 导入班级: a class list from an .xlsx or CSV file or from pasted text, the columns of
// the student number and the name, a preview of the lines the new class file will
// hold (rows with a problem shown, and left out unless kept), and the class's name.
// A file is read by previewImportFile() on a thread of its own, with a progress
// window and Cancel when it takes more than a moment; the file is written by
// writeNewClass(). The dialog only asks and shows.
class ImportDialog final : public QDialog
{
    Q_OBJECT

public:
    ImportDialog(const RollFolder& folder, ErrorReporter& reporter, QWidget* parent = nullptr);
    ~ImportDialog() override;

    // Reads the list from a file, as "选择文件…" does; the preview follows when read.
    void openFile(const QString& path);

Q_SIGNALS:
    // The new class file is in the roll folder.
    void imported(const QString& fileName, qsizetype students);

private:
    void chooseFile();
    void readFile(int sheet);
    void stopReading();
    void showPreview(Result<ImportPreview> preview, bool cancelled);
    void takePastedText();
    void showTable(const ImportPreview& preview);
    void fillColumnChoosers();
    void takeColumns();
    void replan();
    void showPlan(ImportPlan plan);
    void checkName();
    void importClass();

    RollFolder m_folder;
    ErrorReporter& m_reporter;
    QString m_path;
    QString m_pasteError;
    QThread* m_reading = nullptr;
    std::shared_ptr<CancelFlag> m_cancel;
    CellTable m_table;
    ImportColumns m_columns;
    QSet<int> m_kept;
    int m_titleRowsFound = 1;
    ImportPlan m_plan;
    bool m_filling = false;

    QLabel* m_source = nullptr;
    QComboBox* m_sheet = nullptr;
    QPlainTextEdit* m_pasted = nullptr;
    QComboBox* m_numberColumn = nullptr;
    QComboBox* m_nameColumn = nullptr;
    QCheckBox* m_titleRow = nullptr;
    QCheckBox* m_shorten = nullptr;
    QTableWidget* m_preview = nullptr;
    QLabel* m_summary = nullptr;
    QLineEdit* m_name = nullptr;
    QLabel* m_nameProblem = nullptr;
    QPushButton* m_import = nullptr;
};

} // namespace mirello
