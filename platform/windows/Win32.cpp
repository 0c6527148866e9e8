#include "Win32.h"

#include <QDir>
#include <windows.h>

namespace mirello::win32 {

std::wstring widePath(const QString& path)
{
    if (path.startsWith(u"\\\\?\\"))
        return path.toStdWString();
    QString absolute =
        QDir::toNativeSeparators(QDir::cleanPath(QDir::current().absoluteFilePath(path)));
    if (absolute.startsWith(u"\\\\"))
        absolute = u"\\\\?\\UNC\\" + absolute.mid(2);
    else
        absolute.prepend(u"\\\\?\\");
    return absolute.toStdWString();
}

QString fromWidePath(const wchar_t* path, qsizetype length)
{
    QString text = QString::fromWCharArray(path, length);
    if (text.startsWith(u"\\\\?\\UNC\\"))
        return u"\\\\" + text.mid(8);
    if (text.startsWith(u"\\\\?\\"))
        return text.mid(4);
    return text;
}

QString systemReason(unsigned long errorCode)
{
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, errorCode, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    QString text = length > 0 ? QString::fromWCharArray(buffer, length).trimmed()
                              : u"错误代码 " + QString::number(errorCode);
    ::LocalFree(buffer);
    return text;
}

} // namespace mirello::win32
