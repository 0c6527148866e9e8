#pragma once

#include "lesson/Features.h"
#include "platform/GlobalKeys.h"

#include <memory>
#include <optional>
#include <QKeySequence>
#include <QList>
#include <QObject>

namespace mirello {

class FeatureActions;
class Settings;

// The keys that work from any program, as the teacher set them or as they come: taken
// from the system at start and after every change, each doing what its feature's key
// does in the window. A key the system refuses keeps the reason, for the teacher to see.
class GlobalKeyBindings final : public QObject
{
    Q_OBJECT

public:
    struct Binding
    {
        GlobalKeyRow row;
        QKeySequence key;
        // Why the key does not work now; nothing when it does.
        std::optional<Error> problem;
        // A key the settings file named that takes a key from every program: any
        // copy of the file could set it, so it is not bound and the default stays.
        QKeySequence refused;
    };

    GlobalKeyBindings(FeatureActions& actions, Settings& settings, GlobalKeysOrWhyNot keys,
                      QObject* parent = nullptr);
    ~GlobalKeyBindings() override;

    const QList<Binding>& bindings() const { return m_bindings; }
    // Why the system offers no keys from other programs at all.
    std::optional<Error> unavailable() const { return m_unavailable; }
    bool isOn() const;
    void setOn(bool on);
    void setKey(qsizetype index, const QKeySequence& key);
    void resetKeys();

Q_SIGNALS:
    void changed();
    // A key was pressed in another program; its feature is carried out right after.
    void pressed();

private:
    void takeKeys();

    FeatureActions& m_actions;
    Settings& m_settings;
    std::shared_ptr<GlobalKeys> m_keys;
    std::optional<Error> m_unavailable;
    QList<Binding> m_bindings;
};

// A key without Ctrl, Alt or the Windows key: every other program loses it while taken.
bool takesAKeyFromEveryone(const QKeySequence& key);
// What the teacher is told of such a key.
QString takesAKeyWarning(const QKeySequence& key);

} // namespace mirello
