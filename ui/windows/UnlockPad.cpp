#include "UnlockPad.h"

#include "lesson/BreakLock.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

// About 15 mm on a board's screen: a fingertip hits it without a second try.
constexpr int KeySide = 72;

} // namespace

UnlockPad::UnlockPad(BreakLock& lock, QWidget* parent)
    : QDialog(parent)
    , m_lock(lock)
    , m_said(new QLabel(u"已锁定。请输入锁定密码（4 到 6 位数字）。"_s, this))
    , m_pin(new QLineEdit(this))
    , m_unlock(new QPushButton(u"解锁"_s, this))
{
    setWindowTitle(u"解锁"_s);
    m_said->setWordWrap(true);
    m_pin->setObjectName(u"Pin"_s);
    m_pin->setEchoMode(QLineEdit::Password);
    m_pin->setValidator(
        new QRegularExpressionValidator(QRegularExpression(u"[0-9]{0,6}"_s), m_pin));
    m_pin->setMinimumHeight(KeySide / 2);
    auto* keys = new QGridLayout;
    for (int digit = 1; digit <= 9; ++digit)
        keys->addWidget(keyButton(QString::number(digit)), (digit - 1) / 3, (digit - 1) % 3);
    QPushButton* clear = keyButton(u"清除"_s);
    connect(clear, &QPushButton::clicked, m_pin, &QLineEdit::clear);
    keys->addWidget(clear, 3, 0);
    keys->addWidget(keyButton(u"0"_s), 3, 1);
    QPushButton* back = keyButton(u"⌫"_s);
    connect(back, &QPushButton::clicked, m_pin, [this] { m_pin->backspace(); });
    keys->addWidget(back, 3, 2);
    m_unlock->setMinimumHeight(KeySide);
    m_unlock->setDefault(true);
    connect(m_unlock, &QPushButton::clicked, this, &UnlockPad::tryPin);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_said);
    layout->addWidget(m_pin);
    layout->addLayout(keys);
    layout->addWidget(m_unlock);
    connect(&lock, &BreakLock::unlockFailed, this, [this](const QString& why) {
        m_said->setText(why);
        m_pin->clear();
        m_unlock->setEnabled(true);
    });
    connect(&lock, &BreakLock::lockedChanged, this, [this](bool locked) {
        if (!locked)
            close();
    });
}

QPushButton* UnlockPad::keyButton(const QString& text)
{
    auto* button = new QPushButton(text, this);
    button->setObjectName(u"Key"_s + text);
    button->setMinimumSize(KeySide, KeySide);
    button->setAutoDefault(false);
    button->setFocusPolicy(Qt::NoFocus);
    if (text.size() == 1 && text[0].isDigit())
        connect(button, &QPushButton::clicked, m_pin, [this, text] { m_pin->insert(text); });
    return button;
}

void UnlockPad::tryPin()
{
    m_unlock->setEnabled(false);
    m_said->setText(u"正在核对…"_s);
    m_lock.tryUnlock(m_pin->text());
}

} // namespace mirello
