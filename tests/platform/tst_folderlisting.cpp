// The class chooser's list: which entries of a folder are offered, in which order, and
// names that are not UTF-8, each kept as its own file.
#include "platform/FileLock.h"
#include "platform/FileNames.h"
#include "platform/FolderListing.h"
#include "platform/TextCodec.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace mirello;
using namespace Qt::StringLiterals;

class TestFolderListing : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void offersPlainFilesInNaturalOrder_data();
    void offersPlainFilesInNaturalOrder();
};

namespace {

// Makes the entry `name` of the kind `kind` ("dir", "pipe", "hidden" or "system" file,
// "lock" for a lock taken and released there, empty for a plain file). A file's size is
// the length of its name, so that the listing's names can be told apart.
bool makeEntry(const QString& folder, QByteArrayView kind, const QByteArray& name)
{
    if (kind == "lock") {
        FileLock lock(folder + u'/' + QString::fromUtf8(name));
        return lock.acquire(std::chrono::milliseconds(1000)) == FileLock::Outcome::Locked;
    }
#ifdef Q_OS_WIN
    const QString path = QDir::toNativeSeparators(folder + u'/' + QString::fromUtf8(name));
    if (kind == "dir")
        return QDir().mkdir(path);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !file.resize(name.size()))
        return false;
    file.close();
    const DWORD attributes = kind == "hidden"   ? FILE_ATTRIBUTE_HIDDEN
                             : kind == "system" ? FILE_ATTRIBUTE_SYSTEM
                                                : FILE_ATTRIBUTE_NORMAL;
    return ::SetFileAttributesW(reinterpret_cast<const wchar_t*>(path.utf16()), attributes);
#else
    const QByteArray path = nativeFileName(folder) + '/' + name;
    if (kind == "dir")
        return ::mkdir(path.constData(), 0700) == 0;
    if (kind == "pipe")
        return ::mkfifo(path.constData(), 0600) == 0;
    return ::close(::creat(path.constData(), 0600)) == 0 &&
           ::truncate(path.constData(), name.size()) == 0;
#endif
}

QList<QByteArray> utf8(const QStringList& names)
{
    QList<QByteArray> bytes;
    for (const QString& name : names)
        bytes.append(name.toUtf8());
    return bytes;
}

} // namespace

void TestFolderListing::offersPlainFilesInNaturalOrder_data()
{
    // Entries are raw file names, or "kind:name" for other kinds (see makeEntry).
    QTest::addColumn<QList<QByteArray>>("entries");
    QTest::addColumn<QStringList>("offered"); // shown names

#ifdef Q_OS_WIN
    // Windows hides by attributes: a name beginning with "." is a plain file there.
    QTest::newRow("hidden and system files and folders are left out")
        << utf8({u"hidden:h.txt"_s, u"system:s.txt"_s, u"dir:2班"_s, u"1班.txt"_s, u".a.txt"_s})
        << QStringList{u"1班.txt"_s, u".a.txt"_s};
#else
    QTest::newRow("hidden files, folders and pipes are left out")
        << utf8({u".hidden.txt"_s, u"dir:2班"_s, u"pipe:p.txt"_s, u"1班.txt"_s})
        << QStringList{u"1班.txt"_s};
    // Windows keeps names as UTF-16: only other systems give bytes that are not UTF-8.
    QTest::newRow("a name made on windows is shown as gbk")
        << QList<QByteArray>{"\xB8\xDF\xD2\xBB(7)\xB0\xE0.txt"_ba}
        << QStringList{u"高一(7)班.txt"_s};
    QTest::newRow("names that look alike stay two files")
        << QList<QByteArray>{"b\x81.txt"_ba, "b\xEF\xBF\xBD.txt"_ba}
        << QStringList{u"b\uFFFD.txt"_s, u"b\uFFFD.txt"_s};
#endif
    QTest::newRow("the lock file is no class")
        << utf8({u"lock:.mirello.lock"_s, u"1班.txt"_s}) << QStringList{u"1班.txt"_s};
    QTest::newRow("digits by value, case ignored")
        << utf8({u"10班.txt"_s, u"B.txt"_s, u"2班.txt"_s, u"a.txt"_s})
        << QStringList{u"2班.txt"_s, u"10班.txt"_s, u"a.txt"_s, u"B.txt"_s};
    const QStringList grades{u"初一(2)班"_s, u"初一(10)班"_s, u"初二(1)班"_s,   u"高一(1)班"_s,
                             u"高二(1)班"_s, u"高三(1)班"_s,  u"高三(十一)班"_s};
    QStringList shuffled = grades;
    std::reverse(shuffled.begin(), shuffled.end());
    QTest::newRow("chinese numerals by value, not by pinyin") << utf8(shuffled) << grades;
    QTest::newRow("empty folder") << QList<QByteArray>() << QStringList();
}

void TestFolderListing::offersPlainFilesInNaturalOrder()
{
    QFETCH(QList<QByteArray>, entries);
    QFETCH(QStringList, offered);

    QTemporaryDir dir;
    for (const QByteArray& entry : entries) {
        const qsizetype colon = entry.indexOf(':');
        QVERIFY(makeEntry(dir.path(), QByteArrayView(entry).first(std::max<qsizetype>(colon, 0)),
                          entry.mid(colon + 1)));
    }
    const Result<QList<ListedFile>> listed = listPlainFiles(dir.path());
    QVERIFY(listed.ok());
    QStringList shown;
    for (const ListedFile& file : listed.value()) {
        shown.append(file.shown);
        // The kept name opens exactly the file it came from.
#ifdef Q_OS_WIN
        QCOMPARE(QFileInfo(dir.filePath(file.name)).size(), qint64(file.name.toUtf8().size()));
#else
        struct stat info = {};
        const QByteArray path = nativeFileName(dir.path() + u'/' + file.name);
        QCOMPARE(::stat(path.constData(), &info), 0);
        QCOMPARE(qint64(info.st_size), qint64(nativeFileName(file.name).size()));
#endif
    }
    QCOMPARE(shown, offered);
#ifndef Q_OS_WIN
    for (const QByteArray& entry : entries) // QDir cannot remove names that are not UTF-8
        ::remove(QByteArray(nativeFileName(dir.path()) + '/' + entry.mid(entry.indexOf(':') + 1))
                     .constData());
#endif
}

QTEST_GUILESS_MAIN(TestFolderListing)
#include "tst_folderlisting.moc"
