#include "driver/failure_messages.h"

namespace tidewarden {

std::string CallFailureMessage(int code, const std::string& exception) {
  switch (code) {
    case kCallOk:
      return "";
    case kCallFailure:
      return "Error 1014: RFC-Failure raised !";
    case kCallException:
      return "Error 1012: Exception.: " + exception;
    case kCallSysException:
      return "Error 1013: Sys-Exception raised !";
    default:
      return "Error 1015: Other Failure raised !";
  }
}

}  // namespace tidewarden
