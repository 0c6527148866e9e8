// The CSV reader over any text: read whole or in pieces of any size it hands on the
// same records within its limits, and every line csvLine() writes, its formula
// guard included, reads back as the fields it was given.
#include "FuzzCheck.h"
#include "platform/Csv.h"

#include <cstdint>

using namespace mirello;

namespace {

constexpr CsvLimits Limits{64, 8};

QList<CsvRecord> records(QStringView text, qsizetype piece, CsvLimits limits = Limits)
{
    QList<CsvRecord> read;
    CsvReader reader(u',', limits);
    const CsvReader::Take take = [&read, limits](CsvRecord&& record) {
        FUZZ_CHECK(record.fields.size() <= limits.mostFields);
        for (const QString& field : record.fields)
            FUZZ_CHECK(field.size() <= limits.longestField);
        read.append(std::move(record));
        return true;
    };
    for (qsizetype at = 0; at < text.size(); at += piece)
        reader.read(text.mid(at, std::min(piece, text.size() - at)), take);
    reader.finish(take);
    return read;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const QList<CsvRecord> whole = records(text, std::max<qsizetype>(1, text.size()));
    for (const qsizetype piece : {1, 2, 3, 7}) {
        const QList<CsvRecord> pieces = records(text, piece);
        FUZZ_CHECK(pieces.size() == whole.size());
        for (qsizetype i = 0; i < whole.size(); ++i)
            FUZZ_CHECK(pieces[i].fields == whole[i].fields &&
                       pieces[i].overlong == whole[i].overlong);
    }
    for (const CsvRecord& record : whole) {
        if (record.fields.size() == Limits.mostFields)
            continue; // a field may have been dropped
        QStringList written = records(csvLine(record.fields), 1, {}).first().fields;
        for (QString& field : written)
            field = fieldWithFormula(field);
        FUZZ_CHECK(written == record.fields);
    }
    return 0;
}
