#pragma once

#include <QByteArrayView>
#include <QString>

namespace mirello {

// Writes `bytes` to the file at `path`, replacing what was there, and syncs it to
// disk, so that no write-back of it is left over for a timed fsync to wait on. A
// benchmark cannot go on without its input files, so a failure ends the program.
void writeFileOrExit(const QString& path, QByteArrayView bytes);

} // namespace mirello
