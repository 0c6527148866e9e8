// The class chooser's list: which entries of a folder are offered, in which order, and
// names that are not UTF-8, each kept as its own file.
#include "platform/FileNames.h"
#include "platform/FolderListing.h"
#include "platform/TextCodec.h"

#include <fcntl.h>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>
#include <unistd.h>

using namespace mirello;
using namespace Qt::StringLiterals;

class TestFolderListing : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void offersPlainFilesInNaturalOrder_data();
    void offersPlainFilesInNaturalOrder();
};

void TestFolderListing::offersPlainFilesInNaturalOrder_data()
{
    // Entries are raw file names, or "dir:" and "pipe:" ones for other kinds.
    QTest::addColumn<QList<QByteArray>>("entries");
    QTest::addColumn<QStringList>("offered"); // shown names

    const auto utf8 = [](const QStringList& names) {
        QList<QByteArray> bytes;
        for (const QString& name : names)
            bytes.append(name.toUtf8());
        return bytes;
    };
    QTest::newRow("hidden files, folders and pipes are left out")
        << utf8({u".hidden.txt"_s, u"dir:2班"_s, u"pipe:p.txt"_s, u"1班.txt"_s})
        << QStringList{u"1班.txt"_s};
    QTest::newRow("digits by value, case ignored")
        << utf8({u"10班.txt"_s, u"B.txt"_s, u"2班.txt"_s, u"a.txt"_s})
        << QStringList{u"2班.txt"_s, u"10班.txt"_s, u"a.txt"_s, u"B.txt"_s};
    const QStringList grades{u"初一(2)班"_s, u"初一(10)班"_s, u"初二(1)班"_s,  u"高一(1)班"_s,
                             u"高二(1)班"_s, u"高三(1)班"_s,  u"高三(十一)班"_s};
    QStringList shuffled = grades;
    std::reverse(shuffled.begin(), shuffled.end());
    QTest::newRow("chinese numerals by value, not by pinyin") << utf8(shuffled) << grades;
    QTest::newRow("a name made on windows is shown as gbk")
        << QList<QByteArray>{"\xB8\xDF\xD2\xBB(7)\xB0\xE0.txt"_ba} << QStringList{u"高一(7)班.txt"_s};
    QTest::newRow("names that look alike stay two files")
        << QList<QByteArray>{"b\x81.txt"_ba, "b\xEF\xBF\xBD.txt"_ba}
        << QStringList{u"b\uFFFD.txt"_s, u"b\uFFFD.txt"_s};
    QTest::newRow("empty folder") << QList<QByteArray>() << QStringList();
}

void TestFolderListing::offersPlainFilesInNaturalOrder()
{
    QFETCH(QList<QByteArray>, entries);
    QFETCH(QStringList, offered);

    QTemporaryDir dir;
    const QByteArray root = nativeFileName(dir.path()) + '/';
    for (const QByteArray& entry : entries) {
        const QByteArray name = entry.mid(entry.indexOf(':') + 1);
        const QByteArray path = root + name;
        if (entry.startsWith("dir:"))
            QCOMPARE(::mkdir(path.constData(), 0700), 0);
        else if (entry.startsWith("pipe:"))
            QCOMPARE(::mkfifo(path.constData(), 0600), 0);
        else
            QVERIFY(::close(::creat(path.constData(), 0600)) == 0 &&
                    ::truncate(path.constData(), name.size()) == 0); // size tells them apart
    }
    const Result<QList<ListedFile>> listed = listPlainFiles(dir.path());
    QVERIFY(listed.ok());
    QStringList shown;
    for (const ListedFile& file : listed.value()) {
        shown.append(file.shown);
        // The kept name opens exactly the file it came from.
        struct stat info = {};
        const QByteArray path = nativeFileName(dir.path() + u'/' + file.name);
        QCOMPARE(::stat(path.constData(), &info), 0);
        QCOMPARE(qint64(info.st_size), qint64(nativeFileName(file.name).size()));
    }
    QCOMPARE(shown, offered);
    for (const QByteArray& entry : entries) // QDir cannot remove names that are not UTF-8
        ::remove(QByteArray(root + entry.mid(entry.indexOf(':') + 1)).constData());
}

QTEST_GUILESS_MAIN(TestFolderListing)
#include "tst_folderlisting.moc"
