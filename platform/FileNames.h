#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace mirello {

// File names as the system stores them are bytes, often not UTF-8: files copied from
// Windows carry GBK names. A path is kept as a QString that holds the bytes
// losslessly (a byte that is no part of valid UTF-8 becomes U+DC80..U+DCFF), so that
// two different files never share one name and each is opened by its own bytes.

// The system's bytes of `path`.
QByteArray nativeFileName(const QString& path);

// The lossless text of the system's bytes.
QString fileNameFromNative(QByteArrayView bytes);

// Whether two names in one folder are one file's, as the file system compares them:
// regardless of case on Windows ("temp.txt" is "TEMP.txt" there), exactly elsewhere.
bool sameFileName(QStringView a, QStringView b);

// How a name or path is shown: as UTF-8 where its bytes are valid UTF-8, otherwise
// as GBK, so that a name made on Windows reads correctly.
QString shownFileName(const QString& path);

} // namespace mirello
