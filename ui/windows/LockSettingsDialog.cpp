#include "LockSettingsDialog.h"

#include "lesson/BreakLock.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>

using namespace Qt::StringLiterals;

namespace mirello {

LockSettingsDialog::LockSettingsDialog(BreakLock& lock, QWidget* parent)
    : QDialog(parent)
    , m_lock(lock)
    , m_said(new QLabel(this))
    , m_current(pinField(u"CurrentPin"_s))
    , m_next(pinField(u"NewPin"_s))
    , m_again(pinField(u"NewPinAgain"_s))
    , m_minutes(new QSpinBox(this))
{
    setWindowTitle(u"锁定密码与时间"_s);
    m_said->setWordWrap(true);
    m_said->setText(
        u"下课锁定后，记录、撤销、缺席、导入导出、备份恢复、新学期和各种设置都要先输入密码。"
        u"Mirello 启动时和一段时间没有使用后会自己锁定。忘记密码时，请看使用指南的“下课锁定”一节。"_s);
    m_minutes->setObjectName(u"IdleMinutes"_s);
    m_minutes->setRange(0, BreakLock::LongestIdleMinutes);
    m_minutes->setSuffix(u" 分钟"_s);
    m_minutes->setSpecialValueText(u"不自动锁定"_s);
    m_minutes->setValue(lock.idleMinutes());
    auto* form = new QFormLayout(this);
    form->addRow(m_said);
    if (lock.hasPin())
        form->addRow(u"现在的密码："_s, m_current);
    else
        m_current->hide();
    form->addRow(u"新密码（4 到 6 位数字）："_s, m_next);
    form->addRow(u"再输入一次："_s, m_again);
    form->addRow(u"多久没有使用后自动锁定："_s, m_minutes);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { save(false); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    if (lock.hasPin()) {
        QPushButton* remove = buttons->addButton(u"取消密码"_s, QDialogButtonBox::DestructiveRole);
        connect(remove, &QPushButton::clicked, this, [this] { save(true); });
    }
    form->addRow(buttons);
    connect(&lock, &BreakLock::pinRefused, this,
            [this](const QString& why) { m_said->setText(why); });
    connect(&lock, &BreakLock::pinChanged, this, &QDialog::close);
    connect(&lock, &BreakLock::lockedChanged, this, &QDialog::close);
}

QLineEdit* LockSettingsDialog::pinField(const QString& name)
{
    auto* field = new QLineEdit(this);
    field->setObjectName(name);
    field->setEchoMode(QLineEdit::Password);
    field->setValidator(
        new QRegularExpressionValidator(QRegularExpression(u"[0-9]{0,6}"_s), field));
    return field;
}

void LockSettingsDialog::save(bool removePin)
{
    m_lock.setIdleMinutes(m_minutes->value());
    if (!removePin && m_next->text().isEmpty() && m_again->text().isEmpty()) {
        close();
        return;
    }
    if (!removePin && m_next->text() != m_again->text()) {
        m_said->setText(u"两次输入的新密码不一样，请重新输入。"_s);
        return;
    }
    m_said->setText(u"正在保存…"_s);
    m_lock.changePin(m_current->text(), removePin ? QString() : m_next->text());
}

} // namespace mirello
