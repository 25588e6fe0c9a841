// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The result of a change to a library: a value, or a Spanish sentence saying why not, with a
// reason a caller can act on (refresh a stale list, stay quiet after its own cancel).

#include <QString>

#include <optional>
#include <utility>

namespace cuaderno {

// Converts to any Outcome, so a failing step can simply `return Failure{...};`.
struct Failure {
    enum class Reason {
        Other,     // the message says what happened and what to do
        Changed,   // the library is no longer as the caller last read it: read it again
        Cancelled, // the caller's wait handler gave up waiting for another program
    };
    QString message;
    Reason reason = Reason::Other;
};

template <typename T> class Outcome {
public:
    Outcome(T value) : value_(std::move(value)) {}
    Outcome(Failure failure) : failure_(std::move(failure)) {}

    bool ok() const { return value_.has_value(); }
    explicit operator bool() const { return ok(); }
    const T& value() const { return *value_; }
    const QString& error() const { return failure_.message; }
    Failure::Reason reason() const { return failure_.reason; }
    // The failure as it came, to hand on from an Outcome of another type.
    const Failure& failure() const { return failure_; }

private:
    std::optional<T> value_;
    Failure failure_;
};

template <> class Outcome<void> {
public:
    Outcome() = default;
    Outcome(Failure failure) : ok_(false), failure_(std::move(failure)) {}

    bool ok() const { return ok_; }
    explicit operator bool() const { return ok_; }
    const QString& error() const { return failure_.message; }
    Failure::Reason reason() const { return failure_.reason; }
    const Failure& failure() const { return failure_; }

private:
    bool ok_ = true;
    Failure failure_;
};

} // namespace cuaderno
