#include "driver/documents.h"

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

void SetLoggingDocument(ResultDocument& document, const std::string& destination,
                        const LoggingFigures& figures) {
  document.BeginDocument();
  document.OpenText();
  document.Append("(" + destination + ") Logging: LogWrites=" +
                  GroupThousands(Unsigned(figures.log_writes)) + ", WaitBusy=" +
                  GroupThousands(Unsigned(figures.wait_busy)) + ", RollBacks=" +
                  GroupThousands(Unsigned(figures.rollbacks)) +
                  ", LogUsage=" + Unsigned(figures.log_usage) + "% ");
  document.CloseText();
  document.AddChannel("LogWrites", Unsigned(figures.log_writes), "");
  document.AddChannel("WaitBusy", Unsigned(figures.wait_busy), "");
  document.AddChannel("RollBacks", Unsigned(figures.rollbacks), "");
  document.AddChannel("LogUsage", Unsigned(figures.log_usage), "PerCent");
  document.EndDocument();
}

void PrintListingChannel(Console& console, ResultDocument& document, const std::string& item,
                         const std::string& system_name, const LoggingFigures& figures) {
  document.Clear();
  if (item == "LogWrites" || item == "WaitBusy" || item == "RollBacks") {
    document.AddChannel(system_name, "0", "");
  } else if (item == "LogUsage") {
    document.AddChannel(system_name, Unsigned(figures.log_usage), "PerCent");
  } else {
    return;
  }
  console.Write(document.text());
  document.Clear();
}

}  // namespace tidewarden
