#include "OverviewWindow.h"

#include "draw/ClassFairness.h"
#include "FairnessChart.h"
#include "lesson/DrawSession.h"
#include "OverviewModel.h"
#include "platform/FileNames.h"
#include "roll/RollRecord.h"
#include "roll/RosterLoader.h"
#include "ui/ErrorReporter.h"
#include "ui/ProgramIcon.h"

#include <cmath>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

// Rows the table measures to size its columns: enough to see the widest names,
// few enough that a class of thousands opens at once.
constexpr int RowsMeasured = 200;

QString number(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

QString pValueText(double p)
{
    if (p < 0.0001)
        return u"p < 0.0001"_s;
    return u"p = "_s + QString::number(p, 'g', 2);
}

// What the table shows, counted over its students (lines).
struct Tally
{
    qsizetype students = 0;
    qsizetype fewer = 0;
    qsizetype more = 0;
    qsizetype outside = 0;
    qsizetype never = 0;
    // How many a fair draw would put outside their range, and never call.
    double chanceOutside = 0;
    double chanceNever = 0;
    bool someAbsent = false;
};

Tally tally(const QList<OverviewRow>& rows, qint64 totalCalls)
{
    Tally t;
    t.students = rows.size();
    for (const OverviewRow& row : rows) {
        const StudentFairness& fair = row.fairness;
        t.fewer += fair.verdict == StudentFairness::Verdict::Fewer;
        t.more += fair.verdict == StudentFairness::Verdict::More;
        t.outside += fair.opportunities > 0 &&
                     (fair.calls < fair.range.lowest || fair.calls > fair.range.highest);
        t.never += row.calls == 0;
        t.chanceOutside += fair.chanceOutside;
        t.chanceNever += fair.opportunities > 0 ? fair.chanceNever : 1;
        t.someAbsent = t.someAbsent || fair.opportunities < totalCalls;
    }
    return t;
}

QString people(double expected)
{
    return expected < 0.95 ? u"不到 1"_s : u"约 "_s + QString::number(std::round(expected), 'f', 0);
}

// One paragraph a teacher can read out to a parent: the class as a whole, then only
// what chance cannot explain, and what chance alone would give.
QString fairnessSentence(const FairnessReport& report, const Tally& t)
{
    if (t.students == 0)
        return u"这个班级还没有学生。"_s;
    if (report.totalCalls == 0) {
        return u"共 "_s + QString::number(t.students) +
               u" 名学生，还没有记录过点名，暂时无法判断点名是否公平。"_s;
    }
    if (t.students == 1)
        return u"班级只有一名学生，所有点名都落在这名学生身上。"_s;
    QString text =
        u"共 "_s + QString::number(t.students) + u" 名学生，已记录点名 "_s +
        QString::number(report.totalCalls) + u" 次（一次抽中只算一次，不论打了几次分）。"_s +
        (t.someAbsent ? u"一直在场的学生"_s : u"每名学生"_s) + u"平均应被点到 "_s +
        number(report.expectedCalls, 1) + u" 次，如果每次都公平随机抽取，有 95% 的可能在 "_s +
        QString::number(report.range.lowest) + u" 到 "_s + QString::number(report.range.highest) +
        u" 次之间"_s + (t.someAbsent ? u"；缺席过的学生按在场时的点名计算。"_s : u"。"_s);
    text += u"卡方拟合优度检验 "_s + pValueText(report.pValue);
    text += report.looksFair()
                ? u"（不小于 0.01）：各人的点名次数与公平随机抽取相符。"_s
                : u"（小于 0.01）：各人的点名次数相差过大，不像公平随机抽取的结果。"_s;
    if (report.roughApproximation())
        text += u"平均每人不到 5 次，记录还少，检验结果仅供参考。"_s;
    if (t.fewer + t.more > 0) {
        text +=
            u"逐人检验（已按全班人数校正，公平抽取时有人被标出的可能不到 1%）：明显偏少的有 "_s +
            QString::number(t.fewer) + u" 人，明显偏多的有 "_s + QString::number(t.more) +
            u" 人（表中已标出）。"_s;
    } else if (t.outside > 0) {
        text += u"有 "_s + QString::number(t.outside) +
                u" 人落在各自的 95% 范围之外；即使完全公平，也会有"_s + people(t.chanceOutside) +
                u" 人如此，属于正常的随机波动，没有哪名学生明显偏少或偏多。"_s;
    }
    if (t.never > 0) {
        text += u"从未被点到的有 "_s + QString::number(t.never) +
                u" 人（表中已标出），公平抽取时平均也会有"_s + people(t.chanceNever) + u" 人。"_s;
    }
    return text;
}

QString colourSquare(const QColor& colour)
{
    return u"<span style=\"background-color:"_s + colour.name() +
           u"\">&nbsp;&nbsp;&nbsp;&nbsp;</span>"_s;
}

} // namespace

OverviewWindow::OverviewWindow(DrawSession& session, const RollFolder& folder,
                               ErrorReporter& reporter, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_session(session)
    , m_folder(folder)
    , m_reporter(reporter)
{
    setObjectName(u"OverviewWindow"_s);
    setWindowIcon(programIcon());
    resize(960, 720);
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
    auto* key =
        new QLabel(colourSquare(OverviewModel::NeverCalled) + u" 从未被点到　"_s +
                       colourSquare(OverviewModel::FewerThanFair) +
                       u" 明显偏少　　点列标题可排序；勾选“今日缺席”的学生今天不会被抽到。"_s,
                   this);

    m_table = new QTableView(this);
    m_table->setObjectName(u"OverviewTable"_s);
    m_table->setModel(m_sorted);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(OverviewModel::Order, Qt::AscendingOrder);
    m_table->verticalHeader()->hide();
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->horizontalHeader()->setResizeContentsPrecision(RowsMeasured);
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
    const QList<HistoryEntry> lines =
        historyOfStudent(m_history, shownFileName(m_session.classFileName()), row.name);
    m_studentHistory->addItem(row.name + u" 的点名记录："_s);
    for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
        QString text = line->time.toLocalTime().toString(u"yyyy-MM-dd HH:mm"_s) + u"  "_s +
                       actionWord(line->action);
        if (!line->grade.isEmpty())
            text += u" "_s + line->grade;
        if (!line->count.isEmpty())
            text += u" → "_s + line->count + u" 次"_s;
        m_studentHistory->addItem(text);
    }
    if (lines.isEmpty())
        m_studentHistory->addItem(u"（还没有记录）"_s);
}

void OverviewWindow::refresh()
{
    const QString classFile = m_session.classFileName();
    setWindowTitle(classFile.isEmpty() ? u"班级概览"_s
                                       : u"班级概览 — "_s + shownFileName(classFile));
    QList<OverviewRow> rows;
    FairnessReport report;
    Result<QList<HistoryEntry>> history = readHistory(m_folder);
    if (!history)
        m_reporter.report(this, history.error());
    m_history = history ? std::move(history).value() : QList<HistoryEntry>();
    const QHash<QString, StudentHistory> histories =
        studentHistories(m_history, shownFileName(classFile));
    if (!classFile.isEmpty()) {
        Result<NameList> names = loadRoster(m_folder.classFilePath(classFile));
        if (!names) {
            // What is shown stays: the counts as last read.
            m_reporter.report(this, names.error());
            return;
        }
        const std::vector<quint32> lines = studentLines(names.value());
        const std::vector<StudentKey> keys = studentKeys(names.value(), lines);
        ClassFairness fairness =
            classFairness(names.value(), lines, m_history, shownFileName(classFile));
        report = std::move(fairness.report);
        rows.reserve(qsizetype(lines.size()));
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const RollRecord record(names.value().at(lines[i]));
            OverviewRow row;
            row.order = qsizetype(lines[i]) + 1;
            row.lead = record.leadField().toString();
            row.name = record.personName()->toString();
            row.calls = record.callCount();
            for (std::size_t grade = 0; grade < row.tallies.size(); ++grade)
                row.tallies[grade] = record.tallyDigit(int(grade))->toString();
            row.key = keys[i];
            row.marks = m_session.marksOf(row.key);
            const StudentHistory called = histories.value(row.name);
            row.callsThisTerm = called.callsThisTerm;
            row.lastCalled = called.lastCalled;
            row.fairness = fairness.students[i];
            rows.append(std::move(row));
        }
    }
    const Tally counted = tally(rows, report.totalCalls);
    m_model->setRows(std::move(rows));
    m_table->resizeColumnsToContents();
    showStudentHistory();
    m_sentence->setText(classFile.isEmpty() ? u"还没有选择班级。"_s
                                            : fairnessSentence(report, counted));
    m_chart->setStudents(m_model->rows(), report);
}

void OverviewWindow::refreshMarks()
{
    m_model->setAllMarks([this](const StudentKey& key) { return m_session.marksOf(key); });
}

void OverviewWindow::setAbsent(int row, bool absent)
{
    const StudentKey key = m_model->rows()[row].key;
    m_session.setAbsent(key, absent);
    m_model->setMarks(row, m_session.marksOf(key));
    Q_EMIT absenceMarked(key, absent);
}

} // namespace mirello
