#pragma once

#include <QString>
#include <string>

namespace mirello::win32 {

// The path as the wide-character API takes it: absolute, backslashes, and with the
// "\\?\" prefix, so that names such as "CON" or "nul.txt" are plain files rather
// than devices and paths longer than 260 characters work.
std::wstring widePath(const QString& path);

// The path as the system gave it back, without the "\\?\" prefix.
QString fromWidePath(const wchar_t* path, qsizetype length);

// The system's text for a Windows error code (GetLastError()), in the system's language.
QString systemReason(unsigned long errorCode);

} // namespace mirello::win32
