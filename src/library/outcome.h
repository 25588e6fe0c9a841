// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The result of a change to a library: a value, or a Spanish sentence saying why not.

#include <QString>

#include <optional>
#include <utility>

namespace cuaderno {

// Converts to any Outcome, so a failing step can simply `return Failure{...};`.
struct Failure {
    QString message;
};

template <typename T> class Outcome {
public:
    Outcome(T value) : value_(std::move(value)) {}
    Outcome(Failure failure) : error_(std::move(failure.message)) {}

    bool ok() const { return value_.has_value(); }
    explicit operator bool() const { return ok(); }
    const T& value() const { return *value_; }
    const QString& error() const { return error_; }

private:
    std::optional<T> value_;
    QString error_;
};

template <> class Outcome<void> {
public:
    Outcome() = default;
    Outcome(Failure failure) : ok_(false), error_(std::move(failure.message)) {}

    bool ok() const { return ok_; }
    explicit operator bool() const { return ok_; }
    const QString& error() const { return error_; }

private:
    bool ok_ = true;
    QString error_;
};

} // namespace cuaderno
