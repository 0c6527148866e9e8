#pragma once

#include "ClassOverview.h"

#include <QString>

namespace mirello {

// One paragraph a teacher can read out to a parent on the fairness of the calls of
// the students `rows`: the class as a whole, then only what chance cannot explain,
// and what chance alone would give.
QString fairnessSentence(const FairnessReport& report, const QList<OverviewRow>& rows);

} // namespace mirello
