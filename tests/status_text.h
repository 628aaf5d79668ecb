// Results as the tests compare them.
#ifndef TIDEWARDEN_TESTS_STATUS_TEXT_H_
#define TIDEWARDEN_TESTS_STATUS_TEXT_H_

#include <optional>
#include <string>
#include <variant>

#include "base/result.h"

namespace tidewarden {

// nullopt when it succeeded, else its message.
inline std::optional<std::string> MessageOf(const Status& status) {
  return status.ok() ? std::nullopt : std::optional<std::string>(status.message());
}
template <typename T>
std::optional<std::string> MessageOf(const Result<T>& result) {
  return result.ok() ? std::nullopt : std::optional<std::string>(result.error());
}

// The failure of kind F among the failures a result may hold, or null.
template <typename F, typename T, typename E>
const F* FailureAs(const Result<T, E>& result) {
  return result.ok() ? nullptr : std::get_if<F>(&result.error());
}

}  // namespace tidewarden

#endif  // TIDEWARDEN_TESTS_STATUS_TEXT_H_
