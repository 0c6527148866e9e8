#include "FeatureActions.h"

#include "lesson/Settings.h"

#include <QAction>
#include <QMenu>
#include <QStringList>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

qsizetype indexOf(Feature feature)
{
    const auto rows = featureTable();
    for (qsizetype i = 0; i < qsizetype(rows.size()); ++i) {
        if (rows[i].feature == feature)
            return i;
    }
    Q_UNREACHABLE();
}

QString keyName(const QKeySequence& key)
{
    if (key == QKeySequence(Qt::Key_Space))
        return u"空格键"_s;
    if (key == QKeySequence(Qt::Key_Return))
        return u"回车键"_s;
    if (key == QKeySequence(Qt::Key_Right))
        return u"→"_s;
    if (key == QKeySequence(Qt::Key_PageDown))
        return u"Page Down"_s;
    return key.toString(QKeySequence::NativeText);
}

} // namespace

FeatureActions::FeatureActions(Settings& settings, QObject* parent)
    : QObject(parent)
{
    for (const FeatureRow& row : featureTable()) {
        auto* action = new QAction(row.text.toString(), this);
        action->setObjectName(row.text.toString());
        action->setShortcuts(keysOf(row));
        action->setShortcutContext(Qt::WindowShortcut);
        // A held key must not record or switch the drawing again and again.
        action->setAutoRepeat(false);
        if (!row.setting.isEmpty()) {
            action->setCheckable(true);
            action->setChecked(settings.flag(row.setting));
            connect(action, &QAction::toggled, this,
                    [&settings, key = row.setting](bool on) { settings.setFlag(key, on); });
        }
        const qsizetype index = m_actions.size();
        connect(action, &QAction::triggered, this, [this, index](bool checked) {
            if (m_handlers[index])
                m_handlers[index](checked);
        });
        m_actions.append(action);
        m_handlers.append(Handler());
    }
}

void FeatureActions::handle(Feature feature, Handler handler)
{
    m_handlers[indexOf(feature)] = std::move(handler);
}

QAction* FeatureActions::action(Feature feature) const
{
    return m_actions[indexOf(feature)];
}

void FeatureActions::trigger(Feature feature) const
{
    action(feature)->trigger();
}

bool FeatureActions::isOn(Feature feature) const
{
    return action(feature)->isChecked();
}

void FeatureActions::setOn(Feature feature, bool on) const
{
    action(feature)->setChecked(on);
}

void FeatureActions::addKeysTo(QWidget* window, KeyScope scope) const
{
    const auto rows = featureTable();
    for (qsizetype i = 0; i < qsizetype(rows.size()); ++i) {
        if ((int(rows[i].scope) & int(scope)) && !rows[i].keys.isEmpty())
            window->addAction(m_actions[i]);
    }
}

void FeatureActions::popUpMenu(QWidget* parent, QPoint globalPosition) const
{
    auto* menu = new QMenu(parent);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const auto rows = featureTable();
    for (qsizetype i = 0; i < qsizetype(rows.size()); ++i) {
        if (rows[i].groupStart && i > 0)
            menu->addSeparator();
        menu->addAction(m_actions[i]);
    }
    menu->popup(globalPosition);
}

QList<QKeySequence> keysOf(const FeatureRow& row)
{
    return QKeySequence::listFromString(row.keys.toString(), QKeySequence::PortableText);
}

// Keypad twins and the second Enter say nothing new to the teacher.
QString keyNames(const FeatureRow& row)
{
    QStringList names;
    for (const QKeySequence& key : keysOf(row)) {
        const int combined = key[0].toCombined();
        if ((combined & Qt::KeypadModifier) ||
            (combined & ~Qt::KeyboardModifierMask) == Qt::Key_Enter)
            continue;
        names.append(keyName(key));
    }
    return names.join(u"、"_s);
}

} // namespace mirello
