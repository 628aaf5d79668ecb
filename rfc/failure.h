// Failures of remote steps: the fatal report that ends the process, the
// numbered messages of failed calls, and the trace-file scan.
#ifndef TIDEWARDEN_RFC_FAILURE_H_
#define TIDEWARDEN_RFC_FAILURE_H_

#include <string>
#include <string_view>

#include "rfc/rfc_session.h"

namespace tidewarden {

// Prints the plain-text report (operation, the library's last error) and
// closes all connections. `library` may be partly filled (or null) when the
// library itself could not be loaded; missing functions are skipped, and
// `message_override` then stands in for the library's error texts.
void WriteRfcFailureReport(Console& console, const RfcLibrary* library,
                           std::string_view operation, std::string_view message_override = {});

// The report, then the end of the process with exit code 1. It must not
// return: the library calls it from inside its own code.
[[noreturn]] void ReportRfcFailure(RfcContext& context, std::string_view operation);

// The library's error handler. SetRfcEnvironment points it at the run's
// context; the library passes only the operation text.
void SAP_API RfcErrorHandler(char* operation);
void SetErrorHandlerContext(RfcContext* context);

// Appends the message for a non-zero call result code.
void AppendCallOutcome(ResultDocument& document, RFC_RC code, std::string_view exception);

// Appends " - " + the last error text of "Dev_Rfc.Trc", or " - Please Check
// Trace-File !", or " - Look for Trace-File" when there is no trace file.
void ScanTraceFile(FileSystem& fs, ResultDocument& document);

// The error text the scan finds in a trace file's bytes ("" for none).
std::string LastTraceErrorText(std::string_view content);

// The call pattern of every function module: RfcCall, its log line, and when
// the request went out RfcReceive and its log line. Returns the result code;
// for codes 2 and 3 *exception holds the name the library handed back.
RFC_RC CallFunctionModule(RfcContext& context, const char* function, RFC_PARAMETER* exporting,
                          RFC_PARAMETER* importing, RFC_TABLE* tables, std::string* exception);

// Installs a structure description once; a failure ends the process.
RFC_TYPEHANDLE InstallStructure(RfcContext& context, const char* name,
                                RFC_TYPE_ELEMENT* elements, unsigned count);

// An internal table of the library, deleted when it goes out of scope. A
// failed create or an explicit failed delete ends the process with the
// operation text the caller names.
class InternalTable {
 public:
  InternalTable(RfcContext& context, const char* name, unsigned row_length,
                std::string create_failure, std::string delete_failure);
  ~InternalTable();
  InternalTable(const InternalTable&) = delete;
  InternalTable& operator=(const InternalTable&) = delete;
  ITAB_H handle() const { return handle_; }
  void Delete();

 private:
  RfcContext& context_;
  ITAB_H handle_;
  std::string delete_failure_;
};

}  // namespace tidewarden

#endif  // TIDEWARDEN_RFC_FAILURE_H_
