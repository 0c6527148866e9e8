#include "Translations.h"

#include "platform/Paths.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

using namespace Qt::StringLiterals;

namespace mirello {

void installChineseTranslations(QCoreApplication& application, const QString& programFolder)
{
    auto* translator = new QTranslator(&application);
    const QString name = u"qtbase_zh_CN"_s;
    if (translator->load(name, pathInFolder(programFolder, u"translations"_s)) ||
        translator->load(name, qtFolder(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
}

} // namespace mirello
