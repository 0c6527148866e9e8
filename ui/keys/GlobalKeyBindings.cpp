#include "GlobalKeyBindings.h"

#include "FeatureActions.h"
#include "lesson/Settings.h"
#include "platform/GlobalKeys.h"

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

// On unless the teacher switched them off.
constexpr QStringView OnKey = u"globalKeys/on";

} // namespace

GlobalKeyBindings::GlobalKeyBindings(FeatureActions& actions, Settings& settings,
                                     GlobalKeysOrWhyNot keys, QObject* parent)
    : QObject(parent)
    , m_actions(actions)
    , m_settings(settings)
{
    for (const GlobalKeyRow& row : globalKeyTable()) {
        const QKeySequence fallback =
            QKeySequence::fromString(row.defaultKey.toString(), QKeySequence::PortableText);
        const QByteArray chosen = settings.bytes(row.setting);
        const QKeySequence key =
            chosen.isEmpty()
                ? fallback
                : QKeySequence::fromString(QString::fromUtf8(chosen), QKeySequence::PortableText);
        if (takesAKeyFromEveryone(key))
            m_bindings.append({row, fallback, {}, key});
        else
            m_bindings.append({row, key, {}, {}});
    }
    if (!keys) {
        m_unavailable = keys.error();
        return;
    }
    m_keys = std::move(keys).value();
    connect(m_keys.get(), &GlobalKeys::pressed, this, [this](int index) {
        Q_EMIT pressed();
        m_actions.trigger(m_bindings[index].row.feature);
    });
    takeKeys();
}

GlobalKeyBindings::~GlobalKeyBindings() = default;

bool GlobalKeyBindings::isOn() const
{
    return m_settings.flag(OnKey, true);
}

void GlobalKeyBindings::setOn(bool on)
{
    m_settings.setFlag(OnKey, on);
    takeKeys();
}

void GlobalKeyBindings::setKey(qsizetype index, const QKeySequence& key)
{
    m_bindings[index].key = key;
    m_bindings[index].refused = QKeySequence();
    m_settings.setBytes(m_bindings[index].row.setting,
                        key.toString(QKeySequence::PortableText).toUtf8());
    takeKeys();
}

void GlobalKeyBindings::resetKeys()
{
    for (Binding& binding : m_bindings) {
        binding.key =
            QKeySequence::fromString(binding.row.defaultKey.toString(), QKeySequence::PortableText);
        binding.refused = QKeySequence();
        m_settings.setBytes(binding.row.setting, QByteArray());
    }
    takeKeys();
}

// All are given back and taken anew, so that a key moved from one feature to another
// is never held twice.
void GlobalKeyBindings::takeKeys()
{
    if (m_keys)
        m_keys->releaseAll();
    for (qsizetype i = 0; i < m_bindings.size(); ++i) {
        Binding& binding = m_bindings[i];
        binding.problem.reset();
        if (!m_keys || !isOn() || binding.key.isEmpty())
            continue;
        if (Result<void> taken = m_keys->take(int(i), keyOf(binding.key, 0)); !taken)
            binding.problem = taken.error();
    }
    Q_EMIT changed();
}

bool takesAKeyFromEveryone(const QKeySequence& key)
{
    const Qt::KeyboardModifiers shared = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    return !key.isEmpty() && !(keyOf(key, 0).keyboardModifiers() & shared);
}

QString takesAKeyWarning(const QKeySequence& key)
{
    return u"“"_s + key.toString(QKeySequence::NativeText) +
           u"”不带 Ctrl 或 Alt：启用后，其他程序（包括幻灯片）将收不到这个键。"_s;
}

} // namespace mirello
