#include "FeatureActions.h"

#include "lesson/Settings.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

namespace mirello {

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
        connect(action, &QAction::triggered, this, [this, feature = row.feature](bool checked) {
            Q_EMIT triggered(feature, checked);
        });
        m_actions.append(action);
    }
}

QAction* FeatureActions::action(Feature feature) const
{
    const auto rows = featureTable();
    for (qsizetype i = 0; i < qsizetype(rows.size()); ++i) {
        if (rows[i].feature == feature)
            return m_actions[i];
    }
    return nullptr;
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

} // namespace mirello
