#pragma once

#include "lesson/Features.h"

#include <functional>
#include <optional>
#include <QKeySequence>
#include <QList>
#include <QObject>

class QAction;
class QMenu;
class QWidget;

namespace mirello {

class Settings;

// The one way from a key or a menu entry to what it does: an action for every row of
// the feature table, with the row's keys and text, and the handler given for it. The
// switches start as `settings` remember them and are remembered when changed. The
// keys of an action work in the windows it is added to, whatever has the focus
// there, but not while a drop-down list is open.
class FeatureActions final : public QObject
{
    Q_OBJECT

public:
    // Receives whether a switch is now on (false for an action).
    using Handler = std::function<void(bool checked)>;
    // Why a feature may not run now, or none.
    using Gate = std::function<std::optional<QString>(Feature)>;

    FeatureActions(Settings& settings, QObject* parent = nullptr);

    void handle(Feature feature, Handler handler);
    // Asked before every handler and switch: a refused switch stays as it was.
    void setGate(Gate gate) { m_gate = std::move(gate); }
    // Does what the key or the menu entry of `feature` does.
    void trigger(Feature feature) const;
    bool isOn(Feature feature) const;
    void setOn(Feature feature, bool on) const;

    // Gives `window` the keys of the features whose scope includes `scope`.
    void addKeysTo(QWidget* window, KeyScope scope) const;
    // Opens the feature menu at `globalPosition`, without waiting for a choice. Where
    // the system has a touch screen its entries are tall enough for a finger.
    void popUpMenu(QWidget* parent, QPoint globalPosition) const;
    // The feature menu, kept by `parent`, for a place that shows it itself.
    QMenu* menu(QWidget* parent) const;

Q_SIGNALS:
    // A key or an entry was refused by the gate, for this reason.
    void refused(const QString& why);

private:
    QAction* action(Feature feature) const;

    QList<QAction*> m_actions;
    QList<Handler> m_handlers;
    Gate m_gate;
};

QList<QKeySequence> keysOf(const FeatureRow& row);

// The keys as the teacher reads them: "空格键、Page Down、→".
QString keyNames(const FeatureRow& row);

// The windows in which the keys work, as the teacher reads them: "主窗口".
QString keyScopeName(KeyScope scope);

} // namespace mirello
