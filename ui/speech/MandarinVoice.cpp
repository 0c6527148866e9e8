#include "MandarinVoice.h"

using namespace Qt::StringLiterals;

namespace mirello {

bool mayHoldMandarin(const QLocale& locale)
{
    return locale.language() == QLocale::Chinese || locale.language() == QLocale::C;
}

std::optional<qsizetype> mandarinVoice(const QList<OfferedVoice>& voices)
{
    std::optional<qsizetype> best;
    int bestRank = 0;
    for (qsizetype i = 0; i < voices.size(); ++i) {
        const OfferedVoice& voice = voices[i];
        const bool chinese = voice.locale.language() == QLocale::Chinese;
        const bool simplified = chinese && (voice.locale.script() == QLocale::SimplifiedHanScript ||
                                            voice.locale.country() == QLocale::China);
        const bool mandarin = simplified || voice.name.contains(u"Mandarin"_s, Qt::CaseInsensitive);
        if ((!chinese && !mandarin) || voice.name.contains(u"Cantonese"_s, Qt::CaseInsensitive))
            continue;
        // Lower is better: the language first, then plain before variant.
        const int rank = (mandarin ? 0 : 2) + (voice.name.contains(u'+') ? 1 : 0);
        if (!best || rank < bestRank) {
            best = i;
            bestRank = rank;
        }
    }
    return best;
}

} // namespace mirello
