#include "GlobalKeysWindow.h"

#include "ui/keys/GlobalKeyBindings.h"
#include "ui/widgets/ProgramIcon.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

constexpr char BindingProperty[] = "binding";

} // namespace

GlobalKeysWindow::GlobalKeysWindow(GlobalKeyBindings& bindings, QWidget* parent)
    : QWidget(parent, Qt::Tool)
    , m_bindings(bindings)
{
    setObjectName(u"GlobalKeysWindow"_s);
    setWindowTitle(u"全局快捷键"_s);
    setWindowIcon(programIcon());
    auto* layout = new QVBoxLayout(this);
    m_on = new QCheckBox(u"在任何程序中都能用这些键（例如放映幻灯片时）"_s, this);
    m_on->setChecked(bindings.isOn());
    layout->addWidget(m_on);

    auto* grid = new QGridLayout;
    const auto& rows = bindings.bindings();
    for (int i = 0; i < int(rows.size()); ++i) {
        auto* edit = new QKeySequenceEdit(rows[i].key, this);
        edit->setObjectName(u"GlobalKey"_s + QString::number(i));
        edit->setProperty(BindingProperty, i);
        edit->installEventFilter(this);
        // A global key is one key with its modifiers; what follows it is dropped.
        connect(edit, &QKeySequenceEdit::editingFinished, this, [this, edit, i] {
            const QKeySequence typed = edit->keySequence();
            m_bindings.setKey(i, typed.isEmpty() ? typed : QKeySequence(typed[0]));
        });
        connect(&m_bindings, &GlobalKeyBindings::changed, edit,
                [this, edit, i] { edit->setKeySequence(m_bindings.bindings()[i].key); });
        m_states.append(new QLabel(this));
        grid->addWidget(new QLabel(featureRow(rows[i].row.feature).text.toString(), this), i, 0);
        grid->addWidget(edit, i, 1);
        grid->addWidget(m_states.last(), i, 2);
    }
    layout->addLayout(grid);
    m_note = new QLabel(this);
    m_note->setWordWrap(true);
    layout->addWidget(m_note);
    auto* reset = new QPushButton(u"恢复默认按键"_s, this);
    layout->addWidget(reset, 0, Qt::AlignRight);

    connect(m_on, &QCheckBox::toggled, &m_bindings, &GlobalKeyBindings::setOn);
    connect(reset, &QPushButton::clicked, &m_bindings, &GlobalKeyBindings::resetKeys);
    connect(&m_bindings, &GlobalKeyBindings::changed, this, &GlobalKeysWindow::showStates);
    showStates();
}

// Esc in a key's field gives up the change, as in any other field; it is never a
// key from any program.
bool GlobalKeysWindow::eventFilter(QObject* watched, QEvent* event)
{
    auto* edit = qobject_cast<QKeySequenceEdit*>(watched);
    if (edit && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        edit->setKeySequence(
            m_bindings.bindings().value(edit->property(BindingProperty).toInt()).key);
        edit->clearFocus();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void GlobalKeysWindow::showStates()
{
    QStringList notes;
    if (const std::optional<Error> none = m_bindings.unavailable()) {
        m_on->setEnabled(false);
        notes.append(none->message + u"命令行（mirello --start-pause 等）仍然可用。"_s);
    }
    const auto& rows = m_bindings.bindings();
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const bool working = !m_bindings.unavailable() && m_bindings.isOn() && !rows[i].problem;
        m_states[i]->setText(rows[i].problem ? rows[i].problem->message
                             : working       ? u"可用"_s
                                             : u"未启用"_s);
        if (takesAKeyFromEveryone(rows[i].key))
            notes.append(takesAKeyWarning(rows[i].key) + u"下次启动时不会自动启用。"_s);
        if (!rows[i].refused.isEmpty()) {
            notes.append(u"设置文件中的"_s + takesAKeyWarning(rows[i].refused) +
                         u"所以没有启用它，仍用“"_s +
                         rows[i].key.toString(QKeySequence::NativeText) +
                         u"”；要用它，请在上面重新按下这个键。"_s);
        }
    }
    m_note->setText(notes.join(u'\n'));
}

} // namespace mirello
