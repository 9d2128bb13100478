// Result of a core operation: a value or an error message. Core code never
// throws for expected failures; broken invariants throw InternalError.
#pragma once
#include <stdexcept>
#include <string>
#include <utility>
#include <variant>

namespace vg {

struct Error {
    std::string message;
};

template <class T>
class Result {
public:
    Result(T value) : v_(std::in_place_index<0>, std::move(value)) {}
    Result(Error e) : v_(std::in_place_index<1>, std::move(e)) {}

    bool ok() const { return v_.index() == 0; }
    explicit operator bool() const { return ok(); }
    T& value() { return std::get<0>(v_); }
    const T& value() const { return std::get<0>(v_); }
    const std::string& error() const { return std::get<1>(v_).message; }
    T take() { return std::move(std::get<0>(v_)); }

private:
    std::variant<T, Error> v_;
};

// A broken invariant. The Python layer turns it into PanicException.
struct InternalError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] inline void internal_failure(const std::string& msg) { throw InternalError(msg); }

}  // namespace vg
