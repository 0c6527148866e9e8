#include "GlobalKeys.h"

namespace mirello {

namespace {

struct KeyRow
{
    Qt::Key key;
    NativeKey native;
};

// The keys a keyboard or a presenter's clicker sends that a teacher may take from
// every program; letters and digits follow below.
constexpr KeyRow Keys[] = {
    {Qt::Key_Space, {0x0020, 0x20}},  {Qt::Key_Return, {0xff0d, 0x0d}},
    {Qt::Key_Enter, {0xff8d, 0x0d}},  {Qt::Key_Tab, {0xff09, 0x09}},
    {Qt::Key_PageUp, {0xff55, 0x21}}, {Qt::Key_PageDown, {0xff56, 0x22}},
    {Qt::Key_End, {0xff57, 0x23}},    {Qt::Key_Home, {0xff50, 0x24}},
    {Qt::Key_Left, {0xff51, 0x25}},   {Qt::Key_Up, {0xff52, 0x26}},
    {Qt::Key_Right, {0xff53, 0x27}},  {Qt::Key_Down, {0xff54, 0x28}},
    {Qt::Key_Period, {0x002e, 0xbe}}, {Qt::Key_Comma, {0x002c, 0xbc}},
    {Qt::Key_Minus, {0x002d, 0xbd}},  {Qt::Key_Equal, {0x003d, 0xbb}},
};

} // namespace

std::optional<NativeKey> nativeKey(Qt::Key key)
{
    if (key >= Qt::Key_A && key <= Qt::Key_Z) // X11 names the unshifted, small letter
        return NativeKey{quint32(key - Qt::Key_A + 'a'), quint32(key)};
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return NativeKey{quint32(key), quint32(key)};
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return NativeKey{quint32(0xffbe + (key - Qt::Key_F1)), quint32(0x70 + (key - Qt::Key_F1))};
    for (const KeyRow& row : Keys) {
        if (row.key == key)
            return row.native;
    }
    return std::nullopt;
}

} // namespace mirello
