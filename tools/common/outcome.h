// What a step of a tool gives back: its value, or the reason there is none,
// in words for the person at the console. One return value, never a value
// and an error string side by side, nor a number that means "failed" when it
// is negative.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace zidtools {

// Why a step failed; converts into an Outcome of any kind.
struct Failure {
    std::string why;
};

template <typename T>
class [[nodiscard]] Outcome {
public:
    Outcome(T value) : value_(std::move(value)) {}
    Outcome(Failure failure) : error_(std::move(failure.why)) {}

    explicit operator bool() const { return value_.has_value(); }
    T& operator*() { return *value_; }
    const T& operator*() const { return *value_; }
    T* operator->() { return &*value_; }
    const T* operator->() const { return &*value_; }
    T value_or(T otherwise) const { return value_ ? *value_ : std::move(otherwise); }
    // Empty when the step succeeded.
    const std::string& Error() const { return error_; }

private:
    std::optional<T> value_;
    std::string error_;
};

// The value of a step that has nothing to give but its success.
struct Done {};
using Status = Outcome<Done>;

}  // namespace zidtools
