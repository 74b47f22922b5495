#pragma once

#include <string>
#include <utility>

namespace transcoder {

// The outcome of a step: success, or failure with the reason (one line for the user).
// Success is its own state, not an empty reason: a failure without words is still one.
class [[nodiscard]] Status {
public:
    static Status Ok() { return Status(true, {}); }
    static Status Failure(std::string reason) { return Status(false, std::move(reason)); }

    bool ok() const { return ok_; }
    // The reason of a failure; empty on success.
    const std::string& reason() const { return reason_; }

    bool operator==(const Status&) const = default;

private:
    Status(bool ok, std::string reason) : ok_(ok), reason_(std::move(reason)) {}
    bool ok_;
    std::string reason_;
};

}  // namespace transcoder
