#pragma once

#include "XlsxWriter.h"

namespace mirello {

// The thin adapter over libxlsxwriter, run only in the helper program (see
// writeXlsx()): the workbook's bytes, sheet names made valid.
Result<QByteArray> writeXlsxWithLibrary(const QList<XlsxSheet>& sheets);

} // namespace mirello
