#include "Fonts.h"

#include <QFontDatabase>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

QStringList familiesOf(TypeStyle style)
{
    // Windows outside China lacks the supplemental faces (楷体, 仿宋, 黑体) unless
    // Chinese was added; 宋体 and 微软雅黑 come with every Windows, so they close the lists.
    switch (style) {
    case TypeStyle::Song:
        return {u"宋体"_s, u"SimSun"_s, u"AR PL UMing CN"_s, u"Noto Serif CJK SC"_s};
    case TypeStyle::Kai:
        return {u"楷体_GB2312"_s,  u"楷体"_s,          u"KaiTi"_s,
                u"KaiTi_GB2312"_s, u"AR PL UKai CN"_s, u"Noto Serif CJK SC"_s,
                u"宋体"_s,         u"SimSun"_s};
    case TypeStyle::FangSong:
        // Free systems rarely have a FangSong face; a Song face with a real bold
        // weight is the nearest.
        return {u"仿宋_GB2312"_s,       u"仿宋"_s,           u"FangSong"_s, u"FangSong_GB2312"_s,
                u"Noto Serif CJK SC"_s, u"AR PL UMing CN"_s, u"宋体"_s,     u"SimSun"_s};
    case TypeStyle::Hei:
        return {u"黑体"_s,     u"SimHei"_s,         u"WenQuanYi Zen Hei"_s, u"Noto Sans CJK SC"_s,
                u"微软雅黑"_s, u"Microsoft YaHei"_s};
    }
    return {};
}

// The families installed here, in the order asked for. Qt would otherwise ask
// fontconfig for a substitute of every absent family before it reaches an installed
// one, which costs a noticeable part of the start-up.
QStringList installedFamilies(const QStringList& wanted)
{
    static const QStringList available = fontFamilies<QFontDatabase>();
    QStringList installed;
    for (const QString& family : wanted) {
        if (available.contains(family))
            installed.append(family);
    }
    return installed.isEmpty() ? wanted : installed;
}

QFont::StyleHint styleHintOf(TypeStyle style)
{
    return style == TypeStyle::Hei ? QFont::SansSerif : QFont::Serif;
}

} // namespace

QFont chineseFont(TypeStyle style, qreal points, QFont::Weight weight)
{
    QFont font;
    font.setFamilies(installedFamilies(familiesOf(style)));
    font.setStyleHint(styleHintOf(style));
    font.setPointSizeF(points);
    font.setWeight(weight);
    return font;
}

bool chineseFontInstalled()
{
    return !fontFamilies<QFontDatabase>(QFontDatabase::SimplifiedChinese).isEmpty();
}

Error missingChineseFont()
{
    return Error{u"系统里没有中文字体，Mirello 的文字会显示成方框。请安装中文字体后重新启动 "
                 u"Mirello。在 Debian 或 Ubuntu 上，在终端里输入：\n\n"
                 u"sudo apt install fonts-noto-cjk"_s,
                 {}};
}

} // namespace mirello
