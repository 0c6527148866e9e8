#include "OverviewWindow.h"

#include "FairnessChart.h"
#include "lesson/DrawSession.h"
#include "OverviewModel.h"
#include "platform/FileNames.h"
#include "ui/widgets/ErrorReporter.h"
#include "ui/widgets/ProgramIcon.h"

#include <memory>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QTableView>
#include <QThread>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

// Rows the table measures to size its columns: enough to see the widest names,
// few enough that a class of thousands opens at once.
constexpr int RowsMeasured = 200;
// Wider cells are elided: a column never pushes the rest out of the window.
constexpr int WidestColumn = 360;
constexpr QStringView ReadingText = u"正在读取点名记录…";

QString colourSquare(const QColor& colour)
{
    return u"<span style=\"background-color:"_s + colour.name() +
           u"\">&nbsp;&nbsp;&nbsp;&nbsp;</span>"_s;
}

} // namespace

OverviewWindow::OverviewWindow(const DrawSession& session, const RollFolder& folder,
                               ErrorReporter& reporter, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_session(session)
    , m_folder(folder)
    , m_reporter(reporter)
{
    setObjectName(u"OverviewWindow"_s);
    setWindowIcon(programIcon());
    // Room for the widest names, within the screen of the window it opens from.
    const QScreen* screen = parent ? parent->screen() : this->screen();
    resize(QSize(960, 720).boundedTo(screen->availableSize() * 9 / 10));
    createContents();
}

void OverviewWindow::createContents()
{
    m_model = new OverviewModel(this);
    connect(m_model, &OverviewModel::absenceToggled, this, &OverviewWindow::setAbsent);
    m_sorted = new QSortFilterProxyModel(this);
    m_sorted->setSourceModel(m_model);
    m_sorted->setSortRole(OverviewModel::SortRole);

    m_sentence = new QLabel(this);
    m_sentence->setObjectName(u"FairnessSentence"_s);
    m_sentence->setWordWrap(true);
    m_sentence->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* key = new QLabel(
        colourSquare(OverviewModel::NeverCalled) + u" 从未被点到　"_s +
            colourSquare(OverviewModel::FewerThanFair) + u" 明显偏少　"_s +
            colourSquare(OverviewModel::OutsideEdited) +
            u" 在 Mirello 之外改动过　　点列标题可排序；勾选“今日缺席”的学生今天不会被抽到。"_s,
        this);

    m_table = new QTableView(this);
    m_table->setObjectName(u"OverviewTable"_s);
    m_table->setModel(m_sorted);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(OverviewModel::Order, Qt::AscendingOrder);
    m_table->verticalHeader()->hide();
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->horizontalHeader()->setResizeContentsPrecision(RowsMeasured);
    m_table->horizontalHeader()->setMaximumSectionSize(WidestColumn);
    m_table->horizontalHeader()->setStretchLastSection(true);

    m_chart = new FairnessChart(this);
    m_chart->setObjectName(u"FairnessChart"_s);

    m_studentHistory = new QListWidget(this);
    m_studentHistory->setObjectName(u"StudentHistory"_s);
    m_studentHistory->setWordWrap(true);
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &OverviewWindow::showStudentHistory);
    auto* students = new QSplitter(Qt::Horizontal, this);
    students->addWidget(m_table);
    students->addWidget(m_studentHistory);
    students->setSizes({640, 320});

    auto* exportButton = new QPushButton(u"导出…"_s, this);
    exportButton->setObjectName(u"Export"_s);
    connect(exportButton, &QPushButton::clicked, this, &OverviewWindow::exportAsked);
    auto* keyRow = new QHBoxLayout;
    keyRow->addWidget(key, 1);
    keyRow->addWidget(exportButton);

    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(students);
    splitter->addWidget(m_chart);
    splitter->setSizes({360, 300});
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_sentence);
    layout->addLayout(keyRow);
    layout->addWidget(splitter, 1);
}

// The history of the selected student, newest first, with the class's restores and
// new terms among it.
void OverviewWindow::showStudentHistory()
{
    m_studentHistory->clear();
    const QModelIndexList selected = m_table->selectionModel()->selectedRows();
    if (selected.isEmpty()) {
        m_studentHistory->addItem(u"选中一名学生，这里列出他的点名记录。"_s);
        return;
    }
    const OverviewRow& row = m_model->rows()[m_sorted->mapToSource(selected.first()).row()];
    m_studentHistory->addItems(m_shown.historyTexts(row));
}

// A history of years takes a moment to read: the window stays responsive meanwhile,
// and only the newest refresh is shown.
void OverviewWindow::refresh()
{
    const QString classFile = m_session.classFileName();
    setWindowTitle(classFile.isEmpty() ? u"班级概览"_s
                                       : u"班级概览 — "_s + shownFileName(classFile));
    m_sentence->setText(ReadingText.toString());
    const quint64 asked = ++m_refreshes;
    auto overview = std::make_shared<ClassOverview>();
    QThread* reading = QThread::create([folder = m_folder, classFile, overview] {
        *overview = readClassOverview(folder, classFile);
    });
    connect(reading, &QThread::finished, reading, &QObject::deleteLater);
    connect(reading, &QThread::finished, this, [this, asked, overview] {
        if (asked == m_refreshes)
            showOverview(std::move(*overview));
    });
    reading->start(QThread::LowPriority);
}

void OverviewWindow::showOverview(ClassOverview overview)
{
    if (overview.historyError)
        m_reporter.report(this, *overview.historyError);
    if (overview.classError) {
        // What is shown stays: the counts as last read.
        m_sentence->setText(m_shown.sentence);
        m_reporter.report(this, *overview.classError);
        return;
    }
    for (OverviewRow& row : overview.rows)
        row.marks = m_session.marksOf(row.key);
    m_model->setRows(std::exchange(overview.rows, {}));
    m_shown = std::move(overview);
    m_table->resizeColumnsToContents();
    showStudentHistory();
    m_sentence->setText(m_shown.sentence);
    m_chart->setStudents(m_model->rows(), m_shown.report);
}

void OverviewWindow::refreshMarks()
{
    m_model->setAllMarks([this](const StudentKey& key) { return m_session.marksOf(key); });
}

void OverviewWindow::setAbsent(int row, bool absent)
{
    // The lesson marks them, and the marks shown follow from marksChanged.
    Q_EMIT absenceMarked(m_model->rows()[row].key, absent);
}

} // namespace mirello
