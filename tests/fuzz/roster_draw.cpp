// Roster loading and the draw tick over arbitrary file bytes and an arbitrary random
// value: every text the tick shows must be the drawn line's characters at the fixed
// positions, and the empty element after a final line end is never drawn.
#include "draw/DrawTick.h"
#include "FuzzCheck.h"
#include "platform/RandomSource.h"
#include "platform/TextCodec.h"
#include "roll/RosterLoader.h"
#include "support/FixedRandom.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <QStringList>

using namespace mirello;

namespace {

// Lines split the plain way: at every LF, dropping one CR right before it.
QStringList referenceLines(const QString& text)
{
    if (text.isEmpty())
        return {};
    QStringList pieces = text.split(u'\n');
    for (qsizetype i = 0; i + 1 < pieces.size(); ++i) {
        if (pieces[i].endsWith(u'\r'))
            pieces[i].chop(1);
    }
    return pieces;
}

void checkTexts(const DrawTexts& texts, const QString& line)
{
    const qsizetype length = line.size();
    FUZZ_CHECK(texts.name.has_value() == (length >= 17));
    if (texts.name) {
        const QString name = line.mid(9, length - 17);
        FUZZ_CHECK(*texts.name == (name.size() <= DrawTexts::LongestName
                                       ? name
                                       : name.left(DrawTexts::LongestName - 1) + u'…'));
    }
    FUZZ_CHECK(texts.tallies.has_value() == (length >= 4));
    if (texts.tallies) {
        const QString expected = u"优秀" + line.mid(length - 4, 1) + u"次|良好" +
                                 line.mid(length - 3, 1) + u"次|及格" + line.mid(length - 2, 1) +
                                 u"次|不及格" + line.mid(length - 1, 1) + u"次";
        FUZZ_CHECK(*texts.tallies == expected);
    }
    FUZZ_CHECK(texts.callCount.has_value() == (length >= 7));
    if (texts.callCount)
        FUZZ_CHECK(*texts.callCount == u"已被点到过" + line.mid(length - 7, 2) + u"次");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::uint64_t bits = 0;
    const std::size_t taken = std::min(size, sizeof bits);
    if (taken > 0)
        std::memcpy(&bits, data, taken);
    const double r = static_cast<double>(bits >> 11) * 0x1.0p-53;
    const QByteArrayView bytes(reinterpret_cast<const char*>(data) + taken,
                               qsizetype(size - taken));

    const NameList names = nameListFromBytes(bytes);
    const TextEncoding encoding = detectEncoding(bytes);
    const QStringList lines =
        referenceLines(decodeText(bytes.sliced(preambleLength(encoding)), encoding));
    FUZZ_CHECK(names.size() == lines.size());
    for (qsizetype i = 0; i < lines.size(); ++i)
        FUZZ_CHECK(names.at(i) == lines[i]);

    test::FixedRandom random(r);
    const DrawTexts texts = drawTick(names, random);
    if (lines.isEmpty()) {
        FUZZ_CHECK(!texts.name && !texts.tallies && !texts.callCount);
        return 0;
    }
    // A last line without a line end is drawn like any other.
    const qsizetype drawn = lines.size() - (lines.last().isEmpty() ? 1 : 0);
    const auto index = static_cast<qsizetype>(std::floor(r * double(drawn)));
    FUZZ_CHECK(index < drawn);
    checkTexts(texts, lines[index]);
    return 0;
}
