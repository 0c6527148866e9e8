#pragma once
// What Qt 5.15, the Qt of the Windows program, lacks of the Qt 6 the code is written
// for, and the few calls that the two name differently. Included before every source.

#include <QLibraryInfo>
#include <QPoint>
#include <QStringList>
#include <QtGlobal>

#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)

#include <QKeyCombination>

class QEnterEvent;

namespace mirello {

// The pointer of a mouse event, in the widget and on the screen.
template <typename MouseEvent>
QPoint pointerAt(const MouseEvent* event)
{
    return event->position().toPoint();
}
template <typename MouseEvent>
QPoint pointerOnScreen(const MouseEvent* event)
{
    return event->globalPosition().toPoint();
}
// What QWidget::enterEvent() is given.
using EnterEvent = QEnterEvent;
// Where a native event filter puts its result.
using NativeEventResult = qintptr;
// What a QLabel shows.
template <typename Label>
auto pixmapOf(const Label* label)
{
    return label->pixmap();
}
// The key at `index` of a key sequence.
template <typename KeySequence>
QKeyCombination keyOf(const KeySequence& sequence, int index)
{
    return sequence[uint(index)];
}
// A folder of Qt's own.
inline QString qtFolder(QLibraryInfo::LibraryPath folder)
{
    return QLibraryInfo::path(folder);
}
// The installed font families, of one writing system or of all (FontDatabase: QFontDatabase).
template <typename FontDatabase, typename... WritingSystem>
QStringList fontFamilies(WritingSystem... system)
{
    return FontDatabase::families(system...);
}

} // namespace mirello

#else

#include <algorithm>
#include <cstring>
#include <iterator>
#include <QByteArray>
#include <QHashFunctions>
#include <QMetaType>
#include <QString>
#include <QStringBuilder>
#include <QStringView>
#include <QTextCodec>
#include <string>
#include <type_traits>

// The literals of Qt 6.4: u"…"_s is a QString, "…"_ba a QByteArray.
namespace Qt {
inline namespace Literals {
inline namespace StringLiterals {

inline QString operator""_s(const char16_t* text, size_t size)
{
    return QString(reinterpret_cast<const QChar*>(text), int(size));
}

inline QByteArray operator""_ba(const char* text, size_t size)
{
    return QByteArray(text, int(size));
}

} // namespace StringLiterals
} // namespace Literals
} // namespace Qt

// Bytes owned elsewhere, as Qt 6 has them: the part of its interface the code uses.
class QByteArrayView
{
public:
    using value_type = char;
    using const_iterator = const char*;
    using const_reverse_iterator = std::reverse_iterator<const char*>;

    constexpr QByteArrayView() noexcept = default;
    constexpr QByteArrayView(const char* data, qsizetype size) noexcept
        : m_data(data)
        , m_size(size)
    {
    }
    QByteArrayView(const char* data, const char* end) noexcept
        : m_data(data)
        , m_size(end - data)
    {
    }
    // A pointer is read up to its first NUL, an array (a literal) up to its first NUL
    // within it, at compile time where it can be.
    template <typename Pointer, std::enable_if_t<std::is_same_v<Pointer, const char*> ||
                                                     std::is_same_v<Pointer, char*>,
                                                 bool> = true>
    QByteArrayView(const Pointer& text) noexcept // NOLINT: as implicit as Qt 6's
        : m_data(text)
        , m_size(text ? qsizetype(std::strlen(text)) : 0)
    {
    }
    template <size_t Size>
    constexpr QByteArrayView(const char (&text)[Size]) noexcept // NOLINT
        : m_data(text)
        , m_size(lengthIn(text, Size))
    {
    }
    QByteArrayView(const QByteArray& bytes) noexcept // NOLINT
        : m_data(bytes.constData())
        , m_size(bytes.size())
    {
    }
    QByteArrayView(const std::string& bytes) noexcept // NOLINT
        : m_data(bytes.data())
        , m_size(qsizetype(bytes.size()))
    {
    }

    // Qt 5's functions take QByteArray where Qt 6's take a view: the bytes are copied.
    operator QByteArray() const { return toByteArray(); } // NOLINT
    QByteArray toByteArray() const { return QByteArray(m_data, int(m_size)); }

    constexpr const char* data() const noexcept { return m_data; }
    constexpr const char* constData() const noexcept { return m_data; }
    constexpr qsizetype size() const noexcept { return m_size; }
    constexpr qsizetype length() const noexcept { return m_size; }
    constexpr bool isEmpty() const noexcept { return m_size == 0; }
    constexpr bool isNull() const noexcept { return m_data == nullptr; }
    constexpr const char* begin() const noexcept { return m_data; }
    constexpr const char* end() const noexcept { return m_data + m_size; }
    constexpr const char* cbegin() const noexcept { return begin(); }
    constexpr const char* cend() const noexcept { return end(); }
    const_reverse_iterator rbegin() const noexcept { return const_reverse_iterator(end()); }
    const_reverse_iterator rend() const noexcept { return const_reverse_iterator(begin()); }
    constexpr char operator[](qsizetype i) const { return m_data[i]; }
    constexpr char at(qsizetype i) const { return m_data[i]; }
    constexpr char front() const { return m_data[0]; }
    constexpr char back() const { return m_data[m_size - 1]; }

    constexpr QByteArrayView first(qsizetype n) const { return {m_data, n}; }
    constexpr QByteArrayView last(qsizetype n) const { return {m_data + m_size - n, n}; }
    constexpr QByteArrayView sliced(qsizetype pos) const { return {m_data + pos, m_size - pos}; }
    constexpr QByteArrayView sliced(qsizetype pos, qsizetype n) const { return {m_data + pos, n}; }
    constexpr QByteArrayView chopped(qsizetype n) const { return {m_data, m_size - n}; }
    constexpr void chop(qsizetype n) { m_size -= n; }

    bool startsWith(QByteArrayView other) const noexcept
    {
        return other.m_size <= m_size && std::equal(other.begin(), other.end(), begin());
    }
    template <typename Char, typename = std::enable_if_t<std::is_same_v<Char, char>>>
    bool startsWith(Char c) const noexcept
    {
        return m_size > 0 && front() == c;
    }
    bool endsWith(QByteArrayView other) const noexcept
    {
        return other.m_size <= m_size &&
               std::equal(other.begin(), other.end(), end() - other.m_size);
    }
    template <typename Char, typename = std::enable_if_t<std::is_same_v<Char, char>>>
    bool endsWith(Char c) const noexcept
    {
        return m_size > 0 && back() == c;
    }
    qsizetype indexOf(QByteArrayView other, qsizetype from = 0) const noexcept
    {
        from = std::max<qsizetype>(from, 0);
        if (from > m_size)
            return -1;
        const char* found = std::search(begin() + from, end(), other.begin(), other.end());
        return found == end() && !other.isEmpty() ? -1 : found - begin();
    }
    template <typename Char, typename = std::enable_if_t<std::is_same_v<Char, char>>>
    qsizetype indexOf(Char c, qsizetype from = 0) const noexcept
    {
        return indexOf(QByteArrayView(&c, 1), from);
    }
    qsizetype lastIndexOf(char c, qsizetype from = -1) const noexcept
    {
        for (qsizetype i = from < 0 ? m_size + from : std::min(from, m_size - 1); i >= 0; --i)
            if (m_data[i] == c)
                return i;
        return -1;
    }
    bool contains(QByteArrayView other) const noexcept { return indexOf(other) >= 0; }
    template <typename Char, typename = std::enable_if_t<std::is_same_v<Char, char>>>
    bool contains(Char c) const noexcept
    {
        return indexOf(c) >= 0;
    }
    qsizetype count(char c) const noexcept { return std::count(begin(), end(), c); }
    QByteArrayView trimmed() const noexcept
    {
        const auto space = [](char c) {
            return c == ' ' || (c >= '\t' && c <= '\r');
        };
        qsizetype from = 0, to = m_size;
        while (from < to && space(m_data[from]))
            ++from;
        while (to > from && space(m_data[to - 1]))
            --to;
        return {m_data + from, to - from};
    }

    friend bool operator==(QByteArrayView a, QByteArrayView b) noexcept
    {
        return a.m_size == b.m_size && std::equal(a.begin(), a.end(), b.begin());
    }
    friend bool operator!=(QByteArrayView a, QByteArrayView b) noexcept { return !(a == b); }
    // Exact matches, which Qt 5's own comparisons of QByteArray would otherwise rival.
    friend bool operator==(QByteArrayView a, const QByteArray& b) noexcept
    {
        return a == QByteArrayView(b);
    }
    friend bool operator==(const QByteArray& a, QByteArrayView b) noexcept
    {
        return QByteArrayView(a) == b;
    }
    friend bool operator==(QByteArrayView a, const char* b) noexcept
    {
        return a == QByteArrayView(b);
    }
    friend bool operator!=(QByteArrayView a, const QByteArray& b) noexcept { return !(a == b); }
    friend bool operator!=(const QByteArray& a, QByteArrayView b) noexcept { return !(a == b); }
    friend bool operator!=(QByteArrayView a, const char* b) noexcept { return !(a == b); }
    friend bool operator<(QByteArrayView a, QByteArrayView b) noexcept
    {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                            [](char x, char y) { return uchar(x) < uchar(y); });
    }

private:
    static constexpr qsizetype lengthIn(const char* text, size_t size)
    {
        qsizetype length = 0;
        while (size_t(length) < size && text[length] != '\0')
            ++length;
        return length;
    }

    const char* m_data = nullptr;
    qsizetype m_size = 0;
};

// Views join QByteArray's builder, as in Qt 6.
template <>
struct QConcatenable<QByteArrayView> : private QAbstractConcatenable
{
    using type = QByteArrayView;
    using ConvertTo = QByteArray;
    enum
    {
        ExactSize = true
    };
    static int size(QByteArrayView bytes) { return int(bytes.size()); }
    static void appendTo(QByteArrayView bytes, char*& out)
    {
        out = std::copy(bytes.begin(), bytes.end(), out);
    }
};

// A hash over several values, as Qt 6 combines them.
template <typename... Values>
size_t qHashMulti(size_t seed, const Values&... values)
{
    QtPrivate::QHashCombine combine;
    ((seed = combine(seed, values)), ...);
    return seed;
}

// A key with its modifiers, as Qt 6 holds it.
class QKeyCombination
{
public:
    constexpr QKeyCombination(Qt::Key key = Qt::Key_unknown) noexcept
        : m_combined(int(key))
    {
    }
    constexpr QKeyCombination(Qt::KeyboardModifiers modifiers, Qt::Key key) noexcept
        : m_combined(int(modifiers) | int(key))
    {
    }
    constexpr Qt::Key key() const noexcept
    {
        return Qt::Key(m_combined & ~Qt::KeyboardModifierMask);
    }
    constexpr Qt::KeyboardModifiers keyboardModifiers() const noexcept
    {
        return Qt::KeyboardModifiers(m_combined & Qt::KeyboardModifierMask);
    }
    constexpr int toCombined() const noexcept { return m_combined; }
    static constexpr QKeyCombination fromCombined(int combined) noexcept
    {
        QKeyCombination key;
        key.m_combined = combined;
        return key;
    }
    friend constexpr bool operator==(QKeyCombination a, QKeyCombination b) noexcept
    {
        return a.m_combined == b.m_combined;
    }
    friend constexpr bool operator!=(QKeyCombination a, QKeyCombination b) noexcept
    {
        return !(a == b);
    }

private:
    int m_combined = 0;
};
Q_DECLARE_METATYPE(QKeyCombination)

// Text in and out of an encoding, as Qt 6 converts it, over Qt 5's codecs: a decoder
// keeps a sequence split between two calls, and reports bytes it could not read.
class QStringConverter
{
public:
    enum Encoding
    {
        Utf8
    };
    enum class Flag
    {
        Default = 0,
        Stateless = 1,
        ConvertInitialBom = 2
    };

    bool isValid() const noexcept { return m_codec != nullptr; }
    bool hasError() const noexcept { return m_invalid > 0; }

protected:
    // Qt 5's header flag both keeps a decoded byte-order mark and writes none.
    QStringConverter(const char* name, Flag flag, bool decoding)
        : m_codec(QTextCodec::codecForName(name))
        , m_flags(decoding && flag != Flag::ConvertInitialBom ? QTextCodec::DefaultConversion
                                                              : QTextCodec::IgnoreHeader)
        , m_state(m_flags)
        , m_stateless(flag == Flag::Stateless)
    {
    }
    template <typename Convert>
    auto convert(Convert convert)
    {
        QTextCodec::ConverterState once(m_flags);
        QTextCodec::ConverterState& state = m_stateless ? once : m_state;
        const int invalid = state.invalidChars;
        auto result = convert(*m_codec, &state);
        m_invalid += state.invalidChars - invalid;
        return result;
    }

    QTextCodec* m_codec;

private:
    QTextCodec::ConversionFlags m_flags;
    QTextCodec::ConverterState m_state;
    bool m_stateless;
    int m_invalid = 0;
};

class QStringDecoder : public QStringConverter
{
public:
    explicit QStringDecoder(Encoding, Flag flag = Flag::Default)
        : QStringConverter("UTF-8", flag, true)
    {
    }
    explicit QStringDecoder(const char* name, Flag flag = Flag::Default)
        : QStringConverter(name, flag, true)
    {
    }
    QString decode(QByteArrayView bytes)
    {
        if (!m_codec)
            return {};
        return convert([&](QTextCodec& codec, QTextCodec::ConverterState* state) {
            return codec.toUnicode(bytes.data(), int(bytes.size()), state);
        });
    }
    QString operator()(QByteArrayView bytes) { return decode(bytes); }
};

class QStringEncoder : public QStringConverter
{
public:
    explicit QStringEncoder(Encoding, Flag flag = Flag::Default)
        : QStringConverter("UTF-8", flag, false)
    {
    }
    explicit QStringEncoder(const char* name, Flag flag = Flag::Default)
        : QStringConverter(name, flag, false)
    {
    }
    QByteArray encode(QStringView text)
    {
        if (!m_codec)
            return {};
        return convert([&](QTextCodec& codec, QTextCodec::ConverterState* state) {
            return codec.fromUnicode(text.data(), int(text.size()), state);
        });
    }
    QByteArray operator()(QStringView text) { return encode(text); }
};

class QEvent;

namespace mirello {

template <typename MouseEvent>
QPoint pointerAt(const MouseEvent* event)
{
    return event->pos();
}
template <typename MouseEvent>
QPoint pointerOnScreen(const MouseEvent* event)
{
    return event->globalPos();
}
using EnterEvent = QEvent;
using NativeEventResult = long;
template <typename Label>
auto pixmapOf(const Label* label)
{
    return label->pixmap(Qt::ReturnByValue);
}
template <typename KeySequence>
QKeyCombination keyOf(const KeySequence& sequence, int index)
{
    return QKeyCombination::fromCombined(sequence[uint(index)]);
}
inline QString qtFolder(QLibraryInfo::LibraryLocation folder)
{
    return QLibraryInfo::location(folder);
}
template <typename FontDatabase, typename... WritingSystem>
QStringList fontFamilies(WritingSystem... system)
{
    return FontDatabase().families(system...);
}

} // namespace mirello

// Touch screens, which Qt 5 lists apart from other input devices.
class QTouchDevice;
using QInputDevice = QTouchDevice;
using QPointingDevice = QTouchDevice;

#endif
