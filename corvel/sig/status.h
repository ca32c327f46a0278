#pragma once
// Outcome of a control operation: an internal error code (0 = success) and
// the text that becomes the control's last error.
#include <string>
#include <utility>

namespace corvel {

struct Status {
    int code = 0;
    std::string text;

    bool ok() const { return code == 0; }
    static Status success() { return {}; }
    static Status failure(int c, std::string t) { return Status{c, std::move(t)}; }
};

// Value or failure; the value is only meaningful when status.ok().
template <typename T>
struct Result {
    Status status;
    T value{};

    bool ok() const { return status.ok(); }
    static Result of(T v) { return Result{Status{}, std::move(v)}; }
    static Result fail(Status s) { return Result{std::move(s), T{}}; }
};

} // namespace corvel
