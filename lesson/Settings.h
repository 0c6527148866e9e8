#pragma once

#include "platform/Result.h"
#include "roll/RollFolder.h"

#include <functional>
#include <memory>
#include <QByteArray>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringView>
#include <QVariant>

class QThread;

namespace mirello {

// The few things the program remembers between runs (switches of the feature menu,
// where the projector window was, the export folder), in one INI file: in the hidden
// folder ".mirello" of the roll folder when that can be written, so that a program
// folder on a USB stick keeps its settings, otherwise in the user's configuration
// folder. The file is read and written as bytes through the file layer, never through
// a link nor blocking on a named pipe, and never on the window's thread: the reading
// waits a moment at most, the writes go to a thread of their own. A damaged,
// unreadable or slow file is ignored: every value then has its default, and failed()
// says why, once. A copy writes only the keys it changed, onto what the file holds
// then, so that two copies on one roll folder keep each other's changes.
class Settings final : public QObject
{
    Q_OBJECT

public:
    // Through the system's file steps: the writes run beside the recordings, so they
    // share no state with the steps the recordings are given.
    explicit Settings(const RollFolder& folder, QObject* parent = nullptr);
    ~Settings() override;

    bool flag(QStringView key, bool fallback = false) const;
    void setFlag(QStringView key, bool on);
    QByteArray bytes(QStringView key) const;
    // An empty value removes the key.
    void setBytes(QStringView key, const QByteArray& value);

    // What went wrong reading the file at start, if anything.
    const std::optional<Error>& readFailure() const { return m_readFailure; }

Q_SIGNALS:
    // A write failed; the values stay in memory and the next change tries again.
    void failed(const mirello::Error& error);

private:
    void change(const QString& key, const std::optional<QVariant>& value);

    struct Writer;
    std::shared_ptr<Writer> m_writer;
    QThread* m_writing = nullptr;
    QMap<QString, QVariant> m_values;
    std::optional<Error> m_readFailure;
};

} // namespace mirello
