#include "Guide.h"

#include "ErrorReporter.h"
#include "platform/FileNames.h"
#include "platform/Paths.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace mirello {

void openGuide(const QString& programFolder, QWidget* window, ErrorReporter& reporter)
{
    const QString guide = pathInFolder(programFolder, u"guide/index.html"_s);
    if (!QFileInfo(guide).isFile()) {
        reporter.report(window, Error{u"无法打开使用指南：找不到“"_s + shownFileName(guide) +
                                          u"”。请重新解压或安装 Mirello。"_s,
                                      u"文件不存在"_s});
        return;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(guide)))
        reporter.report(window, Error{u"无法打开使用指南“"_s + shownFileName(guide) +
                                          u"”：系统没有能打开网页的浏览器。"_s,
                                      QString()});
}

} // namespace mirello
