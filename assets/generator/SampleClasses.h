#pragma once

#include "platform/Result.h"

#include <QByteArray>
#include <QString>
#include <vector>

namespace mirello {

struct SampleClass
{
    QString fileName;
    QByteArray bytes;
};

// The invented classes shipped for trying the program out: GBK text, one student per
// line, CR LF after every line. Calls fall as a fair draw makes them, from a fixed seed, so every
// run writes the same files, and each call count is the sum of its grade tallies.
Result<std::vector<SampleClass>> sampleClasses();

} // namespace mirello
