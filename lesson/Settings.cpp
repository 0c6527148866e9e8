#include "Settings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

constexpr QStringView FileName = u"settings.ini";

// The hidden folder beside the classes when it exists and can be written, or when
// it can be made there; QSettings creates it on the first write.
QString settingsFile(const QString& rollFolder)
{
    const QFileInfo own(QDir(rollFolder).filePath(u".mirello"_s));
    const QFileInfo roll(rollFolder);
    const bool writable =
        own.exists() ? own.isDir() && own.isWritable() : roll.isDir() && roll.isWritable();
    if (writable)
        return QDir(own.filePath()).filePath(FileName.toString());
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(config).filePath(u"mirello/"_s + FileName);
}

} // namespace

Settings::Settings(const QString& rollFolder)
    : m_settings(std::make_unique<QSettings>(settingsFile(rollFolder), QSettings::IniFormat))
{
    m_ignored = m_settings->status() != QSettings::NoError;
    if (m_ignored)
        m_settings->clear();
}

Settings::~Settings() = default;

bool Settings::flag(QStringView key, bool fallback) const
{
    if (m_ignored)
        return fallback;
    // Only the words QSettings writes count; anything else is damage.
    const QString word = m_settings->value(key.toString()).toString();
    if (word == u"true")
        return true;
    if (word == u"false")
        return false;
    return fallback;
}

void Settings::setFlag(QStringView key, bool on)
{
    m_settings->setValue(key.toString(), on);
    m_settings->sync();
    m_ignored = false;
}

QByteArray Settings::bytes(QStringView key) const
{
    if (m_ignored)
        return {};
    const QVariant value = m_settings->value(key.toString());
    return value.typeId() == QMetaType::QByteArray ? value.toByteArray() : QByteArray();
}

void Settings::setBytes(QStringView key, const QByteArray& value)
{
    m_settings->setValue(key.toString(), value);
    m_settings->sync();
    m_ignored = false;
}

} // namespace mirello
