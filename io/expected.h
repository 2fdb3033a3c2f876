#pragma once
// The one way this program says that something could not be done: a function returns an
// Expected, which holds either what was asked for or the failure, in words for the person.
// No out-parameter for the reason, no optional text that means "failed", no exception across a
// layer. A caller tests it (`if (!opened) return opened.failure();`) and either uses the value
// or passes the words on; the camera's operations build their richer result on the same words
// (camera/result.h).
//
//   io::Expected<std::string> readName();         a name, or why there is none
//   io::Expected<> checkFolder();                 nothing to hand back: done, or why not
//   return io::Failure{"cannot open " + path};    the failure converts to any Expected
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace vorlix::io {

// Why something could not be done: one line for the person, naming what it is about.
struct Failure {
    std::string why;
};

// What a function hands back that has nothing else to hand back when it succeeds.
struct Ok {};

template <typename T = Ok, typename E = Failure>
class [[nodiscard]] Expected {
public:
    Expected() requires std::is_default_constructible_v<T> : state_(std::in_place_index<0>) {}
    Expected(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Expected(E failure) : state_(std::in_place_index<1>, std::move(failure)) {}

    explicit operator bool() const { return state_.index() == 0; }
    T& operator*() { return std::get<0>(state_); }
    const T& operator*() const { return std::get<0>(state_); }
    T* operator->() { return &std::get<0>(state_); }
    const T* operator->() const { return &std::get<0>(state_); }

    // The failure; only when there is one.
    const E& failure() const { return std::get<1>(state_); }
    // The failure's words (for the plain Failure).
    const std::string& why() const requires std::is_same_v<E, Failure> { return failure().why; }

private:
    std::variant<T, E> state_;
};

}  // namespace vorlix::io
