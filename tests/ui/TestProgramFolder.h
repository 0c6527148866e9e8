#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QTemporaryDir>

// `text` in the GBK code page, as class files made on Windows are.
QByteArray gbk(const QString& text);

// A program folder in a temporary directory: Icons/ with the program's own faces and
// frames, and checkroll/ with the given classes (file name to content).
class TestProgramFolder
{
public:
    explicit TestProgramFolder(const QMap<QString, QByteArray>& classes = {});

    QString path() const { return m_dir.path(); }
    QString rollFolder() const { return m_dir.filePath(QStringLiteral("checkroll")); }
    QString iconPath(const QString& fileName) const;
    QByteArray classBytes(const QString& fileName) const;

private:
    QTemporaryDir m_dir;
};
