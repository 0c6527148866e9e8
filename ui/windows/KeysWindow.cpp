#include "KeysWindow.h"

#include "ui/keys/FeatureActions.h"
#include "ui/widgets/ProgramIcon.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace mirello {

KeysWindow::KeysWindow(std::function<void()> openGuide, QWidget* parent)
    : QWidget(parent, Qt::Tool)
    , m_openGuide(std::move(openGuide))
{
    setObjectName(u"KeysWindow"_s);
    setWindowTitle(u"按键一览"_s);
    setWindowIcon(programIcon());

    QList<const FeatureRow*> rows;
    for (const FeatureRow& row : featureTable()) {
        if (row.scope != KeyScope::Nowhere)
            rows.append(&row);
    }
    auto* table = new QTableWidget(int(rows.size()), 3, this);
    table->setHorizontalHeaderLabels({u"功能"_s, u"按键"_s, u"在哪个窗口"_s});
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->setFocusPolicy(Qt::NoFocus);
    table->verticalHeader()->hide();
    for (int i = 0; i < int(rows.size()); ++i) {
        const FeatureRow& row = *rows[i];
        const QString keys = row.keys.isEmpty() ? u"（右键菜单）"_s : keyNames(row);
        const QString text =
            row.submenu.isEmpty() ? row.text.toString() : row.submenu + u"："_s + row.text;
        table->setItem(i, 0, new QTableWidgetItem(text));
        table->setItem(i, 1, new QTableWidgetItem(keys));
        table->setItem(i, 2, new QTableWidgetItem(keyScopeName(row.scope)));
    }
    table->resizeColumnsToContents();
    table->horizontalHeader()->setStretchLastSection(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table);
    // A sentence a line, no wrapping: the window's height is then known before it shows.
    auto* note = new QLabel(u"在名字、次数或状态栏上按鼠标右键，打开功能菜单。\n"
                            u"在投影窗口里单击鼠标，等于按空格键。\n"
                            u"按 Esc 先退出全屏，再按一次关闭该窗口或对话框。"_s,
                            this);
    layout->addWidget(note);
    auto* guide = new QPushButton(u"使用指南（F1，在浏览器中打开）"_s, this);
    guide->setObjectName(u"GuideButton"_s);
    connect(guide, &QPushButton::clicked, this, [this] { m_openGuide(); });
    layout->addWidget(guide, 0, Qt::AlignLeft);
    // The whole table shows without scrolling where the screen has room; on a shorter
    // screen it scrolls, so that the note and the guide's button stay on the screen.
    const int wholeHeight = table->horizontalHeader()->sizeHint().height() +
                            table->verticalHeader()->length() + 2 * table->frameWidth();
    table->setMinimumSize(table->horizontalHeader()->length() + 2 * table->frameWidth(),
                          wholeHeight);
    adjustSize();
    const int titleBar = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this);
    // adjustSize() keeps a window within the screen, so its height says too little.
    const int over =
        layout->totalSizeHint().height() + titleBar - screen()->availableGeometry().height();
    if (over > 0) {
        table->setMinimumSize(table->minimumWidth() +
                                  style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, table),
                              wholeHeight - over);
        adjustSize();
    }
}

// F1 here is the main window's key too: taken before it becomes a shortcut, so that
// it opens the guide rather than this window again.
bool KeysWindow::event(QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

void KeysWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F1)
        m_openGuide();
    else
        QWidget::keyPressEvent(event);
}

} // namespace mirello
