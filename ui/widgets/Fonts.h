#pragma once

#include "platform/Result.h"

#include <QFont>

namespace mirello {

// The four Chinese type styles the windows use.
enum class TypeStyle
{
    Song,     // 宋体: the windows' default text
    Kai,      // 楷体: the drawn name
    FangSong, // 仿宋: the captions beside the choosers
    Hei       // 黑体: the credit in the About window
};

// A font of `style` at `points`. The Windows faces come first; where they are missing
// (on Linux, say), the nearest free CJK face of the same style takes their place.
QFont chineseFont(TypeStyle style, qreal points, QFont::Weight weight = QFont::Normal);

// Whether any installed font can show Simplified Chinese. Without one every Chinese
// text shows as boxes.
bool chineseFontInstalled();

// What the teacher is told when no Chinese font is installed. The command to install
// one is in plain ASCII, so that it stays readable while the Chinese text is boxes.
Error missingChineseFont();

} // namespace mirello
