#pragma once

#include <optional>
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace mirello {

// How the bytes of one roll file are turned into text. Files made on Windows are
// GBK (code page 936); files made on Linux are UTF-8, sometimes with a byte-order
// mark. The choice is made once per file and kept for everything read or written.
enum class TextEncoding
{
    Gbk,
    Utf8,
    Utf8WithBom
};

// UTF-8 when every byte of the file is valid UTF-8 (after an optional byte-order
// mark), GBK otherwise. Pure ASCII counts as UTF-8, which decodes identically. A file
// without a mark whose only non-ASCII text is two-byte UTF-8 that GBK reads as
// Chinese is GBK.
TextEncoding detectEncoding(QByteArrayView bytes);

// How many leading bytes hold the byte-order mark: they belong to no line.
qsizetype preambleLength(TextEncoding encoding);

// Decodes bytes that follow the preamble; the whole body decodes as its lines do one
// by one, so the loader and the recorder see the same characters (a byte-order mark
// inside the body is a character). Every character is one 16-bit unit, so
// positions count characters as teachers see them. A byte sequence that is not valid
// GBK becomes one U+FFFD per offending byte (a lone lead byte at the very end
// included), and the bytes after it are decoded on their own; the raw bytes stay
// with the caller, so lines that are not changed can be written back untouched.
QString decodeText(QByteArrayView body, TextEncoding encoding);

// Encodes text for a file of the given encoding (without preamble), or nothing when
// a character has no representation there.
std::optional<QByteArray> encodeText(QStringView text, TextEncoding encoding);

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool isValidUtf8(QByteArrayView bytes);
// How many leading bytes are valid UTF-8, in whole sequences.
qsizetype validUtf8Prefix(QByteArrayView bytes);

} // namespace mirello
