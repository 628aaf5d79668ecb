// A value, or the failure that kept it from being made: the one way a
// failing function above the platform answers. Status (platform/status.h)
// is the form without a value.
#ifndef TIDEWARDEN_BASE_RESULT_H_
#define TIDEWARDEN_BASE_RESULT_H_

#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>

#include "platform/status.h"

namespace tidewarden {

// What a failing function returns in place of its value: a message
// "context: detail" by default, or a failure with the structure its callers
// need. Its own type, so that a Result<std::string> cannot mistake a
// message for a value.
template <typename E>
struct Failure {
  E error;
};
template <typename E>
Failure(E) -> Failure<E>;
Failure(const char*)->Failure<std::string>;

// A failure from a failed Status, its message kept.
inline Failure<std::string> FailureOf(const Status& status) { return {status.message()}; }

// A failure with structure (not a bare message) converts on its own, as a
// value does: `return CallFailure{...};` in a function returning
// Result<T, std::variant<CallFailure, FatalFailure>>.
template <typename F, typename T, typename E>
concept StructuredFailureOf = !std::is_same_v<E, std::string> && !std::is_convertible_v<F, T> &&
                              std::is_constructible_v<E, F>;

template <typename T, typename E = std::string>
class [[nodiscard]] Result {
 public:
  template <typename U>
  requires std::is_convertible_v<U, T> Result(U&& value)
      : state_(std::in_place_index<0>, std::forward<U>(value)) {}
  template <typename F>
  requires std::is_constructible_v<E, F&&> Result(Failure<F> failure)
      : state_(std::in_place_index<1>, std::move(failure.error)) {}
  template <typename F>
  requires StructuredFailureOf<F, T, E> Result(F&& failure)
      : state_(std::in_place_index<1>, std::forward<F>(failure)) {}

  bool ok() const { return state_.index() == 0; }

  // REQUIRES: ok().
  T& value() & { return std::get<0>(state_); }
  const T& value() const& { return std::get<0>(state_); }
  T&& value() && { return std::get<0>(std::move(state_)); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }

  // REQUIRES: !ok().
  E& error() & { return std::get<1>(state_); }
  const E& error() const& { return std::get<1>(state_); }
  E&& error() && { return std::get<1>(std::move(state_)); }

 private:
  std::variant<T, E> state_;
};

// A failure with structure and no value to go with success.
template <typename E>
class [[nodiscard]] Result<void, E> {
 public:
  Result() = default;
  template <typename F>
  requires std::is_constructible_v<E, F&&> Result(Failure<F> failure)
      : error_(std::move(failure.error)) {}
  template <typename F>
  requires(!std::is_same_v<E, std::string> && std::is_constructible_v<E, F&&>) Result(F&& failure)
      : error_(std::forward<F>(failure)) {}

  bool ok() const { return !error_.has_value(); }

  // REQUIRES: !ok().
  E& error() & { return *error_; }
  const E& error() const& { return *error_; }
  E&& error() && { return *std::move(error_); }

 private:
  std::optional<E> error_;
};

// A value-less outcome with a message is a Status; this keeps the two from
// drifting into two spellings of one thing.
template <>
class Result<void, std::string>;

}  // namespace tidewarden

#endif  // TIDEWARDEN_BASE_RESULT_H_
