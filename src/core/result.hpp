// Result of a core operation: a value or an error (a kind and its text).
// Core code never throws for expected failures; broken invariants throw
// InternalError.
#pragma once
#include <stdexcept>
#include <string>
#include <utility>
#include <variant>

namespace vg {

// What went wrong, for callers that react by kind (the binding layer picks
// the Python exception class from it). The text is the message shown.
enum class ErrorKind {
    NotFound,       // a node, edge or other named thing is absent
    AlreadyExists,  // an addition that would duplicate a node or edge
    InvalidValue,   // an argument or stored value that is refused
    Parse,          // malformed input text
    CapRefused,     // a size, count or slot limit was reached
    Cycle,          // a cycle (or negative cycle) where none may be
    Io,             // opening or reading a file failed
    Internal,       // reported, not thrown: a failure of the engine itself
};

struct Error {
    ErrorKind kind;
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
    T take() { return std::move(std::get<0>(v_)); }
    // The error side: its text, its kind, or the whole record (to pass on).
    const std::string& error() const { return std::get<1>(v_).message; }
    ErrorKind kind() const { return std::get<1>(v_).kind; }
    const Error& failure() const { return std::get<1>(v_); }

private:
    std::variant<T, Error> v_;
};

// A broken invariant. The Python layer turns it into PanicException.
struct InternalError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] inline void internal_failure(const std::string& msg) { throw InternalError(msg); }

}  // namespace vg
