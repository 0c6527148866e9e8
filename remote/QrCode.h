#pragma once

#include <QByteArray>
#include <vector>

namespace mirello {

// A QR code's modules, row by row, true for dark; empty when the text does not fit.
struct QrCode
{
    int width = 0;
    std::vector<bool> modules;

    bool dark(int x, int y) const { return modules[std::size_t(y * width + x)]; }
};

// `text` at medium error correction, which a phone reads from the back of a classroom.
QrCode encodeQrCode(const QByteArray& text);

} // namespace mirello
