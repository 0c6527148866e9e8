#include "GroupsWindow.h"

#include "exchange/ClassExport.h"
#include "lesson/DrawSession.h"
#include "lesson/Settings.h"
#include "platform/Clock.h"
#include "platform/FileOperations.h"
#include "platform/Paths.h"
#include "platform/RandomSource.h"
#include "ui/widgets/ErrorReporter.h"
#include "ui/widgets/ProgramIcon.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QThread>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

constexpr QStringView ByCountKey = u"groups/byCount";
constexpr QStringView CountKey = u"groups/count";
constexpr QStringView SizeKey = u"groups/size";
constexpr QStringView BalancedKey = u"groups/balanced";

// A fingertip at a board, where the spin box's own arrows are too small to tap.
constexpr int TapSize = 48;

QSpinBox* spin(int value, int fallback)
{
    auto* box = new QSpinBox;
    box->setRange(1, 50);
    box->setValue(value > 0 ? value : fallback);
    box->setMinimumHeight(TapSize);
    box->setAlignment(Qt::AlignCenter);
    return box;
}

// − and + beside the box, a tap each, which also chooses the way of grouping it sets.
QHBoxLayout* tappable(QSpinBox* box, QRadioButton* way)
{
    auto* row = new QHBoxLayout;
    const auto step = [&](const QString& text, int by) {
        auto* button = new QPushButton(text);
        button->setFixedSize(TapSize, TapSize);
        QObject::connect(button, &QPushButton::clicked, box, [box, way, by] {
            box->stepBy(by);
            way->setChecked(true);
        });
        row->addWidget(button);
    };
    step(u"−"_s, -1);
    row->addWidget(box, 1);
    step(u"+"_s, 1);
    return row;
}

QString report(const ClassGrouping& made, qsizetype students, bool balanced)
{
    QString text = u"已将 "_s + QString::number(students) + u" 位出席的同学分成 "_s +
                   QString::number(made.groups.size()) + u" 组。"_s;
    text += made.repeatedPairs == 0
                ? u"没有同学与最近三次分组中的同组同学再同组。"_s
                : u"有 "_s + QString::number(made.repeatedPairs) +
                      u" 对同学在最近三次分组中同组过：人数或组数不够，无法全部避开。"_s;
    if (balanced)
        text += u"各组平均成绩与全班相差至多 "_s + QString::number(made.largestBalanceGap, 'f', 2) +
                u" 分（成绩从高到低按 4 到 1 分计）。"_s;
    return text;
}

// Seeds the grouping's own random source: the window's is not read from two threads.
struct SeedClock final : Clock
{
    explicit SeedClock(qint64 value)
        : seed(value)
    {
    }
    qint64 nanosecondsSinceEpoch() const override { return seed; }
    qint64 seed;
};

} // namespace

GroupsWindow::GroupsWindow(DrawSession& session, RandomSource& random, Settings& settings,
                           ErrorReporter& reporter, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_session(session)
    , m_random(random)
    , m_settings(settings)
    , m_reporter(reporter)
{
    setObjectName(u"GroupsWindow"_s);
    setWindowTitle(u"分组"_s);
    setWindowIcon(programIcon());
    createContents();
    refresh();
}

// The grouping ends within its time limit: the window waits for it, not the thread for
// a window that is gone.
GroupsWindow::~GroupsWindow()
{
    if (m_grouping)
        m_grouping->wait();
}

void GroupsWindow::createContents()
{
    auto* layout = new QGridLayout(this);
    m_byCount = new QRadioButton(u"分成"_s);
    auto* bySize = new QRadioButton(u"每组"_s);
    m_count = spin(m_settings.bytes(CountKey).toInt(), 6);
    m_size = spin(m_settings.bytes(SizeKey).toInt(), 4);
    (m_settings.bytes(ByCountKey) == "0" ? bySize : m_byCount)->setChecked(true);
    layout->addWidget(m_byCount, 0, 0);
    layout->addLayout(tappable(m_count, m_byCount), 0, 1);
    layout->addWidget(new QLabel(u"组"_s), 0, 2);
    layout->addWidget(bySize, 1, 0);
    layout->addLayout(tappable(m_size, bySize), 1, 1);
    layout->addWidget(new QLabel(u"人"_s), 1, 2);
    m_balanced = new QCheckBox(u"按成绩均衡（每组平均成绩接近全班）"_s);
    m_balanced->setChecked(m_settings.bytes(BalancedKey) == "1");
    layout->addWidget(m_balanced, 2, 0, 1, 4);
    m_regroup = new QPushButton(u"重新分组（G）"_s);
    m_regroup->setObjectName(u"Regroup"_s);
    m_regroup->setMinimumHeight(TapSize);
    layout->addWidget(m_regroup, 0, 3, 2, 1);
    m_report = new QLabel;
    m_report->setObjectName(u"GroupsReport"_s);
    m_report->setWordWrap(true);
    layout->addWidget(m_report, 3, 0, 1, 4);
    m_text = new QPlainTextEdit;
    m_text->setObjectName(u"GroupsText"_s);
    m_text->setReadOnly(true);
    layout->addWidget(m_text, 4, 0, 1, 4);
    m_earlier = new QComboBox;
    m_earlier->setObjectName(u"EarlierGroupings"_s);
    layout->addWidget(new QLabel(u"最近的分组："_s), 5, 0);
    layout->addWidget(m_earlier, 5, 1, 1, 3);
    auto* buttons = new QHBoxLayout;
    const auto button = [&](const QString& text, auto action) {
        auto* pushed = new QPushButton(text);
        buttons->addWidget(pushed);
        connect(pushed, &QPushButton::clicked, this, action);
    };
    button(u"投影显示"_s, [this] { Q_EMIT projectorAsked(m_groups); });
    button(u"复制"_s, [this] {
        QGuiApplication::clipboard()->setText(groupsText(m_groups));
        m_report->setText(u"已复制到剪贴板。"_s);
    });
    button(u"导出 CSV…"_s, [this] { exportAs(false); });
    button(u"导出 Excel…"_s, [this] { exportAs(true); });
    layout->addLayout(buttons, 6, 0, 1, 4);
    connect(m_regroup, &QPushButton::clicked, this, &GroupsWindow::regroup);
    connect(m_earlier, qOverload<int>(&QComboBox::activated), this, [this](int index) {
        const QList<NamedGroups> kept = m_session.groupings();
        if (index >= 0 && index < kept.size())
            display(kept[kept.size() - 1 - index]);
    });
    resize(520, 480);
}

// The grouping runs on a thread of its own, on a copy of the class, with a random
// source seeded from the window's; its result comes back through the thread's
// finished signal, on this one. Asked again meanwhile, it waits for the one running.
void GroupsWindow::regroup()
{
    if (m_grouping)
        return;
    remember();
    GroupingRequest request;
    (m_byCount->isChecked() ? request.groupCount : request.groupSize) =
        (m_byCount->isChecked() ? m_count : m_size)->value();
    request.balanced = m_balanced->isChecked();
    std::optional<GroupingJob> job = m_session.groupingJob();
    if (!job) {
        m_report->setText(u"没有可以分组的同学：请先选择班级，或检查缺席标记。"_s);
        return;
    }
    const qint64 seed = qint64(m_random.next() * 9007199254740992.0);
    auto made = std::make_shared<std::optional<Result<ClassGrouping>>>();
    m_grouping = QThread::create([job = *job, request, seed, made] {
        const SeedClock clock{seed};
        ClockSeededRandom random(clock);
        made->emplace(groupStudents(job, request, random));
    });
    m_grouping->setParent(this);
    connect(m_grouping, &QThread::finished, this,
            [this, classFile = job->classFile, request, made] {
                m_grouping->deleteLater();
                m_grouping = nullptr;
                m_regroup->setEnabled(true);
                showMade(classFile, std::move(**made), request.balanced);
            });
    m_regroup->setEnabled(false);
    m_report->setText(u"正在分组…"_s);
    m_grouping->start();
}

void GroupsWindow::showMade(const QString& classFile, Result<ClassGrouping> made, bool balanced)
{
    if (!made) {
        m_report->setText(made.error().message);
        return;
    }
    if (made.value().groups.isEmpty()) {
        m_report->setText(u"没有可以分组的同学：请先选择班级，或检查缺席标记。"_s);
        return;
    }
    if (classFile != m_session.classFileName()) {
        m_report->setText(u"分组期间换了班级，这次分组没有保留。"_s);
        return;
    }
    m_session.keepGrouping(classFile, made.value().groups);
    qsizetype students = 0;
    for (const QList<StudentKey>& group : made.value().groups)
        students += group.size();
    refresh();
    m_report->setText(report(made.value(), students, balanced));
    Q_EMIT shown(m_groups);
}

void GroupsWindow::refresh()
{
    const QList<NamedGroups> kept = m_session.groupings();
    m_earlier->clear();
    for (qsizetype at = kept.size() - 1; at >= 0; --at) {
        m_earlier->addItem(at == kept.size() - 1
                               ? u"最近一次"_s
                               : u"前 "_s + QString::number(kept.size() - 1 - at) + u" 次"_s);
    }
    display(kept.isEmpty() ? NamedGroups() : kept.last());
    m_report->setText(kept.isEmpty() ? u"按“重新分组”把出席的同学分组。"_s : QString());
}

void GroupsWindow::display(const NamedGroups& groups)
{
    m_groups = groups;
    m_text->setPlainText(groupsText(groups));
}

void GroupsWindow::remember()
{
    m_settings.setBytes(ByCountKey, m_byCount->isChecked() ? "1" : "0");
    m_settings.setBytes(CountKey, QByteArray::number(m_count->value()));
    m_settings.setBytes(SizeKey, QByteArray::number(m_size->value()));
    m_settings.setBytes(BalancedKey, m_balanced->isChecked() ? "1" : "0");
}

void GroupsWindow::exportAs(bool xlsx)
{
    if (m_groups.isEmpty())
        return;
    const QString extension = xlsx ? u".xlsx"_s : u".csv"_s;
    const QString suggested =
        QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
            .filePath(u"分组 "_s + QDate::currentDate().toString(u"yyyy-MM-dd"_s) + extension);
    QString path = QFileDialog::getSaveFileName(
        this, u"导出分组"_s, suggested, xlsx ? u"Excel 工作簿 (*.xlsx)"_s : u"CSV 文件 (*.csv)"_s);
    if (path.isEmpty())
        return;
    if (!path.endsWith(extension, Qt::CaseInsensitive)) {
        path += extension;
        // The dialog asked about the name as typed; the file written is this one.
        if (QFileInfo::exists(path) &&
            QMessageBox::question(
                this, u"导出分组"_s, u"“"_s + fileNameOf(path) + u"”已经存在。要替换它吗？"_s,
                QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
            return;
    }
    const Result<QByteArray> bytes =
        xlsx ? writeXlsx({groupsSheet(m_groups)}) : Result<QByteArray>(groupsCsv(m_groups));
    const Result<void> written = bytes
                                     ? writeExportFile(path, bytes.value(), systemFileOperations())
                                     : Result<void>(bytes.error());
    if (!written) {
        m_reporter.report(this, written.error());
        return;
    }
    m_report->setText(u"已导出到“"_s + fileNameOf(path) + u"”。"_s);
}

} // namespace mirello
