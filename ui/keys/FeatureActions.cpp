#include "FeatureActions.h"

#include "lesson/Settings.h"

#include <QAction>
#include <QInputDevice>
#include <QMenu>
#include <QProxyStyle>
#include <QScreen>
#include <QStringList>
#include <QStyleOption>
#include <QtMath>
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

// A key that means one thing in one window and another elsewhere says where in the
// menu, which shows every entry's keys side by side.
// Compared as the table spells them: parsing every pair of rows' keys would cost the
// start-up milliseconds.
QString menuText(const FeatureRow& row)
{
    const QStringList keys = row.keys.toString().split(u"; "_s, Qt::SkipEmptyParts);
    for (const FeatureRow& other : featureTable()) {
        if (&other == &row || other.scope == row.scope)
            continue;
        const QStringList others = other.keys.toString().split(u"; "_s, Qt::SkipEmptyParts);
        if (std::ranges::any_of(keys, [&](const QString& key) { return others.contains(key); }))
            return row.text + u'\t' + keyNames(row) + u"（"_s + keyScopeName(row.scope) + u"）"_s;
    }
    return row.text.toString();
}

// Entries at least about 9 mm high, the size a fingertip hits without a second try.
class FingerSizedMenuStyle final : public QProxyStyle
{
public:
    explicit FingerSizedMenuStyle(int height)
        : m_height(height)
    {
    }

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override
    {
        QSize result = QProxyStyle::sizeFromContents(type, option, size, widget);
        if (type == CT_MenuItem && result.height() > 0 &&
            option->type == QStyleOption::SO_MenuItem &&
            static_cast<const QStyleOptionMenuItem*>(option)->menuItemType !=
                QStyleOptionMenuItem::Separator)
            result.setHeight(std::max(result.height(), m_height));
        return result;
    }

private:
    int m_height;
};

bool hasTouchScreen()
{
    const auto devices = QInputDevice::devices();
    return std::ranges::any_of(devices, [](const QInputDevice* device) {
        return device->type() == QInputDevice::DeviceType::TouchScreen;
    });
}

void sizeForFingers(QMenu& menu, const QScreen* screen)
{
    constexpr qreal FingerMillimetres = 9;
    const int height = qCeil(FingerMillimetres / 25.4 * screen->logicalDotsPerInchY());
    auto* style = new FingerSizedMenuStyle(height);
    style->setParent(&menu);
    menu.setStyle(style);
}

} // namespace

FeatureActions::FeatureActions(Settings& settings, QObject* parent)
    : QObject(parent)
{
    for (const FeatureRow& row : featureTable()) {
        auto* action = new QAction(menuText(row), this);
        action->setObjectName(row.text.toString());
        action->setShortcuts(keysOf(row));
        action->setShortcutContext(Qt::WindowShortcut);
        // A held key must not record or switch the drawing again and again.
        action->setAutoRepeat(false);
        if (!row.setting.isEmpty()) {
            action->setCheckable(true);
            action->setChecked(settings.flag(row.setting));
            connect(action, &QAction::toggled, this, [this, action, &settings, &row](bool on) {
                if (m_gate && m_gate(row.feature)) {
                    const QSignalBlocker unheard(action);
                    action->setChecked(!on);
                    return;
                }
                settings.setFlag(row.setting, on);
            });
        }
        const qsizetype index = m_actions.size();
        connect(action, &QAction::triggered, this, [this, index, &row](bool checked) {
            if (std::optional<QString> why = m_gate ? m_gate(row.feature) : std::nullopt) {
                Q_EMIT refused(*why);
                return;
            }
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
    QMenu* shown = menu(parent);
    shown->setAttribute(Qt::WA_DeleteOnClose);
    shown->popup(globalPosition);
}

QMenu* FeatureActions::menu(QWidget* parent) const
{
    auto* menu = new QMenu(parent);
    const bool forFingers = hasTouchScreen();
    if (forFingers)
        sizeForFingers(*menu, parent->screen());
    QMenu* submenu = nullptr;
    const auto rows = featureTable();
    for (qsizetype i = 0; i < qsizetype(rows.size()); ++i) {
        const FeatureRow& row = rows[i];
        if (row.scope == KeyScope::Nowhere)
            continue;
        if (row.submenu.isEmpty() || !submenu || submenu->title() != row.submenu) {
            if (row.groupStart && i > 0)
                menu->addSeparator();
            submenu = row.submenu.isEmpty() ? nullptr : menu->addMenu(row.submenu.toString());
            if (submenu && forFingers)
                sizeForFingers(*submenu, parent->screen());
        } else if (row.groupStart) {
            submenu->addSeparator();
        }
        (submenu ? submenu : menu)->addAction(m_actions[i]);
    }
    return menu;
}

QList<QKeySequence> keysOf(const FeatureRow& row)
{
    return QKeySequence::listFromString(row.keys.toString(), QKeySequence::PortableText);
}

QString keyScopeName(KeyScope scope)
{
    switch (scope) {
    case KeyScope::Nowhere:
        break;
    case KeyScope::InMain:
        return u"主窗口"_s;
    case KeyScope::InProjector:
        return u"投影窗口"_s;
    case KeyScope::InBoth:
        return u"主窗口和投影窗口"_s;
    }
    Q_UNREACHABLE();
}

// Keypad twins and the second Enter say nothing new to the teacher.
QString keyNames(const FeatureRow& row)
{
    QStringList names;
    for (const QKeySequence& key : keysOf(row)) {
        const int combined = keyOf(key, 0).toCombined();
        if ((combined & Qt::KeypadModifier) ||
            (combined & ~Qt::KeyboardModifierMask) == Qt::Key_Enter)
            continue;
        names.append(keyName(key));
    }
    return names.join(u"、"_s);
}

} // namespace mirello
