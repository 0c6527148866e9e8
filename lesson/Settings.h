#pragma once

#include <memory>
#include <QByteArray>
#include <QString>
#include <QStringView>

class QSettings;

namespace mirello {

// The few things the program remembers between runs (switches of the feature menu,
// where the projector window was), in one INI file: in the hidden folder ".mirello"
// of the roll folder when that can be written, so that a program folder on a USB
// stick keeps its settings, otherwise in the user's configuration folder. A damaged
// or unreadable file is ignored: every value then has its default.
class Settings
{
public:
    explicit Settings(const QString& rollFolder);
    ~Settings();

    bool flag(QStringView key, bool fallback = false) const;
    void setFlag(QStringView key, bool on);
    QByteArray bytes(QStringView key) const;
    void setBytes(QStringView key, const QByteArray& value);

private:
    std::unique_ptr<QSettings> m_settings;
    // The file could not be read as settings: its values are not used until ours
    // replace them.
    bool m_ignored = false;
};

} // namespace mirello
