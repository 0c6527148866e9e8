#pragma once

#include <QString>
#include <utility>
#include <variant>

namespace mirello {

// A failure as the teacher is told about it: what went wrong, in Chinese, and the
// operating system's own reason where there is one.
struct Error
{
    QString message;
    QString reason;

    // The message with the reason appended, ready for a message box.
    QString text() const;
};

// The outcome of an operation that can fail: a value or an Error. Failures are
// values so that no exception crosses into event handlers that cannot expect one.
template <typename T>
class [[nodiscard]] Result
{
public:
    Result(T value)
        : m_state(std::move(value))
    {
    }
    Result(Error error)
        : m_state(std::move(error))
    {
    }

    bool ok() const { return std::holds_alternative<T>(m_state); }
    explicit operator bool() const { return ok(); }

    const T& value() const& { return std::get<T>(m_state); }
    T&& value() && { return std::get<T>(std::move(m_state)); }
    const Error& error() const { return std::get<Error>(m_state); }

private:
    std::variant<T, Error> m_state;
};

template <>
class [[nodiscard]] Result<void>
{
public:
    Result() = default;
    Result(Error error)
        : m_error(std::move(error))
        , m_failed(true)
    {
    }
    // The outcome of an operation whose value the caller does not need.
    template <typename T>
    Result(const Result<T>& other)
        : m_error(other.ok() ? Error() : other.error())
        , m_failed(!other.ok())
    {
    }

    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    const Error& error() const { return m_error; }

private:
    Error m_error;
    bool m_failed = false;
};

} // namespace mirello
