#pragma once

#include <optional>
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace mirello {

// GBK as TextCodec.h describes it, one implementation per system: through ICU on
// Linux, through code page 936 on Windows. Both take the bytes in the same pieces, so
// a file reads the same, character for character, on either system.
QString decodeGbk(QByteArrayView bytes);
std::optional<QByteArray> encodeGbk(QStringView text);

} // namespace mirello
