#pragma once

#include <optional>
#include <string>
#include <type_traits>
#include <utility>

namespace transcoder {

// The outcome of a step: success, or a failure with its reason (one line for the user), the
// file it concerns, and whether the conversion failed or the call itself was bad. Success is
// its own state, not an empty reason: a failure without words is still one.
class [[nodiscard]] Status {
public:
    static Status Ok() { return Status(Kind::Ok, {}); }
    // The conversion failed for `reason` (exit status 1).
    static Status Failure(std::string reason) { return Status(Kind::Failure, std::move(reason)); }
    // The command line asks for what cannot be done (exit status 2).
    static Status BadCall(std::string reason) { return Status(Kind::BadCall, std::move(reason)); }

    // This failure, said of `file` unless it names a file already; success stays success.
    Status Of(const std::string& file) const& {
        Status named = *this;
        return std::move(named).Of(file);
    }
    Status Of(const std::string& file) && {
        if (kind_ != Kind::Ok && file_.empty()) {
            file_ = file;
        }
        return std::move(*this);
    }

    bool ok() const { return kind_ == Kind::Ok; }
    // The reason of a failure; empty on success.
    const std::string& reason() const { return reason_; }
    // The file the failure concerns; empty when it names none.
    const std::string& file() const { return file_; }
    // The line for the user: "'file': reason", or the reason alone when no file is named; a
    // failure without a reason reads "failed".
    std::string Line() const {
        const std::string& why = reason_.empty() && !ok() ? kFailed : reason_;
        return file_.empty() ? why : "'" + file_ + "': " + why;
    }
    // 0 on success, 1 for a failed conversion, 2 for a bad command line.
    int ExitCode() const { return kind_ == Kind::Ok ? 0 : kind_ == Kind::Failure ? 1 : 2; }

    bool operator==(const Status&) const = default;

private:
    enum class Kind { Ok, Failure, BadCall };
    static inline const std::string kFailed = "failed";
    Status(Kind kind, std::string reason) : kind_(kind), reason_(std::move(reason)) {}
    Kind kind_;
    std::string reason_;
    std::string file_;
};

// A value, or the failure that stands in its place.
template <typename T>
class [[nodiscard]] Result {
public:
    Result(T value) : value_(std::move(value)), status_(Status::Ok()) {}
    // From a value of another type that converts (a pointer to a derived class, say).
    template <typename U>
    requires(std::is_convertible_v<U&&, T> && !std::is_same_v<std::remove_cvref_t<U>, T> &&
             !std::is_same_v<std::remove_cvref_t<U>, Status>) Result(U&& value)
        : value_(std::forward<U>(value)), status_(Status::Ok()) {}
    // From a failure; a success given here without a value counts as a failure.
    Result(Status failure)
        : status_(failure.ok() ? Status::Failure("no result") : std::move(failure)) {}
    // From a result of another value type that converts.
    template <typename U>
    requires(std::is_convertible_v<U&&, T> && !std::is_same_v<U, T>) Result(Result<U>&& other)
        : status_(other.status()) {
        if (other.ok()) {
            value_.emplace(std::move(*other));
        }
    }

    bool ok() const { return value_.has_value(); }
    explicit operator bool() const { return ok(); }
    // The value; only when ok().
    T& operator*() & { return *value_; }
    const T& operator*() const& { return *value_; }
    T&& operator*() && { return std::move(*value_); }
    T* operator->() { return &*value_; }
    const T* operator->() const { return &*value_; }
    // Success, or the failure.
    const Status& status() const { return status_; }
    // The reason of the failure; empty on success.
    const std::string& reason() const { return status_.reason(); }

private:
    std::optional<T> value_;
    Status status_;
};

}  // namespace transcoder
