#pragma once

#include "roll/NameList.h"

#include <QByteArrayView>
#include <QString>

namespace mirello::test {

// What must hold between a class file before and after a successful recording for
// `personName`: the preamble and every other line byte for byte, each changed line
// only in its last 7 characters and as long as before, its head byte for byte,
// and a CR LF after every line. Returns what is broken, or an empty text.
QString recordingViolation(QByteArrayView before, QByteArrayView after, const QString& personName);

// Whether the lines that changed are exactly those the loaded class `shown` shows
// with `personName`: the loader and the recorder must read every line alike.
bool changedLinesAre(QByteArrayView before, QByteArrayView after, const NameList& shown,
                     const QString& personName);

} // namespace mirello::test
