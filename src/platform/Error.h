#pragma once

#include <string>
#include <utility>
#include <variant>

// What went wrong, in broad strokes: enough for a caller to choose an outcome (retry, refuse, report)
// without parsing the message.
enum class ErrorKind
{
    Io, // a file or folder could not be read, written, created or removed
    Network, // a connection, name look-up, TLS handshake or transfer failed
    Protocol, // a peer answered, but not as it should (an SMTP or HTTP status, a malformed reply)
    TimedOut, // a deadline passed
    BadInput, // the user's or a file's input is not acceptable
    NotFound, // the thing named does not exist
    Busy, // another program or thread holds what we need
    Cancelled, // the user or the program stopped the work
    Internal, // a fault of ours: a state that should not happen
};

// The one failure value at module boundaries: a kind for code, a message for a person. The message is
// a whole sentence in plain words; it never carries a bare errno number.
struct Error
{
    ErrorKind kind = ErrorKind::Internal;
    std::string message;

    bool operator==(const Error&) const = default;
};

// "Value or error". C++20 has no std::expected; this is the small part of it we use.
template <class T>
class Result
{
public:
    Result(T value) : m_state(std::in_place_index<0>, std::move(value)) {}
    Result(Error error) : m_state(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<0>(m_state); }
    const T& value() const& { return std::get<0>(m_state); }
    T&& value() && { return std::get<0>(std::move(m_state)); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }

    const Error& error() const { return std::get<1>(m_state); }

private:
    std::variant<T, Error> m_state;
};

// Success or an error, for operations that return nothing else.
template <>
class Result<void>
{
public:
    Result() = default;
    Result(Error error) : m_error(std::move(error)), m_failed(true) {}

    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    const Error& error() const { return m_error; }

private:
    Error m_error;
    bool m_failed = false;
};

using Status = Result<void>;

inline Error MakeError(ErrorKind kind, std::string message)
{
    return Error{kind, std::move(message)};
}

// "Permission denied", "No space left on device": the system's words for an errno value, for messages
// that name what failed and why.
std::string SystemErrorText(int errnoValue);
