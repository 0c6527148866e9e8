// Writes the manual page: the template with @OPTIONS@ in place of every option of the
// command line, from the same table that --help lists, so that the two never disagree.
// Usage: mirello-manual <template> <manual page>
#include "remote/CommandLine.h"

#include <cstdio>
#include <QFile>

using namespace Qt::StringLiterals;

namespace {

// Roff takes a backslash as an escape, a hyphen as a hyphen that may break and a line
// that starts with a dot or an apostrophe as a request.
QString roffText(const QString& text)
{
    QString escaped = text;
    escaped.replace(u'\\', u"\\e"_s).replace(u'-', u"\\-"_s);
    return escaped.startsWith(u'.') || escaped.startsWith(u'\'') ? u"\\&"_s + escaped : escaped;
}

QString optionsSection()
{
    QString section;
    for (const mirello::OptionHelp& option : mirello::commandLineOptions())
        section += u".TP\n.B "_s + roffText(option.head) + u'\n' + roffText(option.text) + u'\n';
    section.chop(1);
    return section;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fputs("usage: mirello-manual <template> <manual page>\n", stderr);
        return 2;
    }
    QFile in(QString::fromLocal8Bit(argv[1]));
    QFile out(QString::fromLocal8Bit(argv[2]));
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "mirello-manual: %s\n",
                     qPrintable(in.errorString() + out.errorString()));
        return 1;
    }
    const QString page = QString::fromUtf8(in.readAll()).replace(u"@OPTIONS@"_s, optionsSection());
    return out.write(page.toUtf8()) >= 0 && out.flush() ? 0 : 1;
}
