#include "QrCode.h"

#include <memory>
#include <qrencode.h>

namespace mirello {

QrCode encodeQrCode(const QByteArray& text)
{
    const std::unique_ptr<QRcode, decltype(&QRcode_free)> encoded(
        QRcode_encodeString8bit(text.constData(), 0, QR_ECLEVEL_M), &QRcode_free);
    if (!encoded)
        return {};
    QrCode code{encoded->width, {}};
    const std::size_t count = std::size_t(encoded->width) * std::size_t(encoded->width);
    code.modules.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        code.modules.push_back((encoded->data[i] & 1) != 0);
    return code;
}

} // namespace mirello
