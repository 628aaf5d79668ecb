// The numbered messages of failed steps, and the fatal report's ending.
#ifndef TIDEWARDEN_DRIVER_FAILURE_MESSAGES_H_
#define TIDEWARDEN_DRIVER_FAILURE_MESSAGES_H_

#include <string>

#include "rfc/sap_library.h"

namespace tidewarden {

inline constexpr const char* kDatabaseMismatchMessage = "Error 1018: DataBase mismatch !";

// The message of a failed call by its result code ("" for code 0).
std::string CallFailureMessage(int code, const std::string& exception);

// The message, continued by the library's last error text.
inline std::string FailedStepMessage(const CallFailure& failure) {
  return CallFailureMessage(failure.code, failure.exception) + failure.last_error_text;
}

// Error 1016: the single run's profile could not be rewritten.
inline std::string RewriteFailedMessage(const std::string& profile_path,
                                        const std::string& last_error_text) {
  return "Error 1016: ReWriting of Profile " + profile_path + " failed !" + last_error_text;
}

}  // namespace tidewarden

#endif  // TIDEWARDEN_DRIVER_FAILURE_MESSAGES_H_
