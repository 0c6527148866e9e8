#pragma once

#include <optional>
#include <QString>
#include <QStringView>

namespace mirello {

// The characters of `text` from position `start` (counted from 1), at most `count`
// of them. Fails for start < 1 or count < 0; empty when start lies past the end;
// shorter than `count` when the text ends first.
std::optional<QStringView> mid(QStringView text, qsizetype start, qsizetype count);

// The last `count` characters, or the whole text when it is shorter (count >= 0).
QStringView rightPart(QStringView text, qsizetype count);

// The whole-number value of the leading decimal number of `text`: leading blanks
// (space, tab, CR, LF) are skipped, one sign may follow, then digits. Whatever
// follows the digits, a decimal point included, is ignored, and a text without a
// leading number is 0. Values beyond 64 bits saturate instead of wrapping.
qint64 leadingNumber(QStringView text);

// Decimal digits of a non-negative `value`, padded with leading zeros to `width`.
// A value with more digits than `width` keeps all of them.
QString zeroPadded(qint64 value, int width);

} // namespace mirello
