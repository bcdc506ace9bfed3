#pragma once
// What an operation that can fail came to: its value, or an Error. An error carries the
// system's code, for callers that tell failures apart (a read-only file, a file too large),
// and the message for the user (UTF-8); an error made from a code alone says what the system
// says about it. A result has no truth value: an error code is true when something failed
// and a bool when it worked, and either reads backwards somewhere. Ask ok() or failed().

#include <optional>
#include <string>
#include <system_error>
#include <type_traits>
#include <utility>

namespace platform {

class Error {
public:
    Error() = default;
    // NOLINTNEXTLINE(google-explicit-constructor): a failed system call is an error as it is
    Error(std::error_code code, std::string message = {})
        : code_(code), message_(std::move(message)) {}
    // An error of the program's own, with no system code behind it.
    explicit Error(std::string message)
        : code_(std::make_error_code(std::errc::invalid_argument)), message_(std::move(message)) {}

    const std::error_code& code() const { return code_; }
    // The message given, else the system's text for the code.
    std::string message() const;

private:
    std::error_code code_;
    std::string message_;
};

template <typename T = void>
class [[nodiscard]] Result {
public:
    // NOLINTNEXTLINE(google-explicit-constructor)
    Result(T value) : value_(std::move(value)) {}
    // NOLINTNEXTLINE(google-explicit-constructor)
    Result(Error error) : error_(std::move(error)) {}
    // NOLINTNEXTLINE(google-explicit-constructor)
    Result(std::error_code code) : error_(code) {}

    bool ok() const { return value_.has_value(); }
    bool failed() const { return !ok(); }

    T& value() { return *value_; }
    const T& value() const { return *value_; }
    T* operator->() { return &*value_; }
    const T* operator->() const { return &*value_; }

    // Why it failed; empty while it worked.
    const std::error_code& error() const { return error_.code(); }
    std::string message() const { return error_.message(); }

private:
    std::optional<T> value_;
    Error error_;
};

template <>
class [[nodiscard]] Result<void> {
public:
    Result() = default;
    // NOLINTNEXTLINE(google-explicit-constructor)
    Result(Error error) : error_(std::move(error)) {}
    // An empty code is success.
    // NOLINTNEXTLINE(google-explicit-constructor)
    Result(std::error_code code) : error_(code) {}

    bool ok() const { return !error_.code(); }
    bool failed() const { return !ok(); }

    const std::error_code& error() const { return error_.code(); }
    std::string message() const { return error_.message(); }

private:
    Error error_;
};

}  // namespace platform
