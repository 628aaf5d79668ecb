// The outcome of an operation that yields nothing: ok, or why it failed.
#ifndef TIDEWARDEN_PLATFORM_STATUS_H_
#define TIDEWARDEN_PLATFORM_STATUS_H_

#include <string>
#include <utility>

namespace tidewarden {

// Ok, or a message "context: detail" that the callers may log or put into a
// document. The platform layer never prints. An operation that yields a
// value returns a Result (base/result.h) instead.
class [[nodiscard]] Status {
 public:
  Status() = default;
  static Status Ok() { return Status(); }
  static Status Error(std::string message) { return Status(std::move(message)); }
  bool ok() const { return !failed_; }
  const std::string& message() const { return message_; }

 private:
  explicit Status(std::string message) : failed_(true), message_(std::move(message)) {}
  bool failed_ = false;
  std::string message_;
};

}  // namespace tidewarden

#endif  // TIDEWARDEN_PLATFORM_STATUS_H_
