// The documents of measured logging figures and the numbered messages of
// failed steps, which the probe prints and the doctor shows as the probe would.
#ifndef TIDEWARDEN_DRIVER_DOCUMENTS_H_
#define TIDEWARDEN_DRIVER_DOCUMENTS_H_

#include <string>

#include "collect/logging_figures.h"
#include "output/result_document.h"
#include "platform/system.h"
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

// The document of a measured system: the text line and the four channels.
void SetLoggingDocument(ResultDocument& document, const std::string& destination,
                        const LoggingFigures& figures);

// The channel of a system measured in a listing pass, printed at once
// (nothing for an item of another name). A pass keeps no state, so only
// the usage is a real figure.
void PrintListingChannel(Console& console, ResultDocument& document, const std::string& item,
                         const std::string& system_name, const LoggingFigures& figures);

}  // namespace tidewarden

#endif  // TIDEWARDEN_DRIVER_DOCUMENTS_H_
