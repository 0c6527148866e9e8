#pragma once

#include "Features.h"

#include <QList>
#include <QObject>

class QAction;
class QWidget;

namespace mirello {

class Settings;

// One action for every row of the feature table, with the row's keys and text; the
// switches start as `settings` remember them and are remembered when changed. The
// keys of an action work in the windows it is added to, whatever has the focus
// there, but not while a drop-down list is open.
class FeatureActions final : public QObject
{
    Q_OBJECT

public:
    FeatureActions(Settings& settings, QObject* parent = nullptr);

    QAction* action(Feature feature) const;
    // Gives `window` the keys of the features whose scope includes `scope`.
    void addKeysTo(QWidget* window, KeyScope scope) const;
    // Opens the feature menu at `globalPosition`, without waiting for a choice.
    void popUpMenu(QWidget* parent, QPoint globalPosition) const;

Q_SIGNALS:
    void triggered(mirello::Feature feature, bool checked);

private:
    QList<QAction*> m_actions;
};

} // namespace mirello
