#include "TestProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTest>

using namespace Qt::StringLiterals;

QByteArray gbk(const QString& text)
{
    QStringEncoder encoder("GBK");
    return encoder.encode(text);
}

TestProgramFolder::TestProgramFolder(const QMap<QString, QByteArray>& classes)
{
    const QDir icons(QString::fromUtf8(MIRELLO_ASSETS_DIR "/Icons"));
    QVERIFY(QDir(m_dir.path()).mkdir(u"Icons"_s));
    for (const QString& name : icons.entryList(QDir::Files))
        QVERIFY(QFile::copy(icons.filePath(name), iconPath(name)));
    QVERIFY(QDir(m_dir.path()).mkdir(u"checkroll"_s));
    for (auto it = classes.begin(); it != classes.end(); ++it) {
        QFile file(rollFolder() + u'/' + it.key());
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(it.value()) == it.value().size());
    }
}

QString TestProgramFolder::iconPath(const QString& fileName) const
{
    return m_dir.filePath(u"Icons/"_s + fileName);
}

QByteArray TestProgramFolder::classBytes(const QString& fileName) const
{
    QFile file(rollFolder() + u'/' + fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
