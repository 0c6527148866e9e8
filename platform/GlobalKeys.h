#pragma once

#include "Result.h"

#include <functional>
#include <memory>
#include <optional>
#include <QKeyCombination>
#include <QObject>

namespace mirello {

// Keys that reach Mirello while another program has the focus, such as a slide show.
// One implementation per system: a key grab on X11, registered hot keys on Windows.
class GlobalKeys : public QObject
{
    Q_OBJECT

public:
    // Takes `key` for `id`; the reason when another program holds it already or the
    // key cannot be taken from everywhere.
    virtual Result<void> take(int id, QKeyCombination key) = 0;
    virtual void releaseAll() = 0;

Q_SIGNALS:
    void pressed(int id);
};

// Global keys, or why there are none.
using GlobalKeysOrWhyNot = Result<std::shared_ptr<GlobalKeys>>;
// Where they come from when first wanted.
using GlobalKeysSource = std::function<GlobalKeysOrWhyNot()>;

// The system's global keys, or why it has none (a Wayland desktop, no X display).
GlobalKeysOrWhyNot systemGlobalKeys();

// A key as the systems name it: the X11 key symbol and the Windows virtual-key code.
struct NativeKey
{
    quint32 x11;
    quint32 windows;
};

// Nothing for a key that is not offered as a global key (modifiers alone, Esc).
std::optional<NativeKey> nativeKey(Qt::Key key);

} // namespace mirello
