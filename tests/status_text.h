// A Status or Result as the tests compare it: nullopt when it succeeded,
// else its message.
#ifndef TIDEWARDEN_TESTS_STATUS_TEXT_H_
#define TIDEWARDEN_TESTS_STATUS_TEXT_H_

#include <optional>
#include <string>
#include <variant>

#include "base/result.h"

namespace tidewarden {

inline std::optional<std::string> MessageOf(const Status& status) {
  if (status.ok()) return std::nullopt;
  return status.message();
}

template <typename T>
std::optional<std::string> MessageOf(const Result<T>& result) {
  if (result.ok()) return std::nullopt;
  return result.error();
}

// The failure of kind F that a result with a variant of failures holds, or
// null (succeeded, or failed otherwise).
template <typename F, typename T, typename E>
const F* FailureAs(const Result<T, E>& result) {
  return result.ok() ? nullptr : std::get_if<F>(&result.error());
}

}  // namespace tidewarden

#endif  // TIDEWARDEN_TESTS_STATUS_TEXT_H_
