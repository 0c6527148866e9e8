#pragma once

#include <optional>
#include <QList>
#include <QLocale>
#include <QString>

namespace mirello {

// A voice the speech engine offers, as much of it as choosing one needs.
struct OfferedVoice
{
    QLocale locale;
    QString name;
};

// Whether voices of `locale` may speak Mandarin: a Chinese locale, or the one Qt gives
// voices of languages it cannot name, such as espeak-ng's Mandarin ("cmn").
bool mayHoldMandarin(const QLocale& locale);

// The Mandarin voice to read names with: Simplified Chinese or one named Mandarin
// before other Chinese (zh_TW), a plain voice before its variants ("…+female2"), and
// none that is Cantonese. Nothing when none speaks Mandarin.
std::optional<qsizetype> mandarinVoice(const QList<OfferedVoice>& voices);

} // namespace mirello
