#include "rfc/classic/error_handler.h"

#include <string>

#include "platform/system.h"
#include "rfc/classic/classic_library.h"
#include "rfc/fatal_report.h"

namespace tidewarden {
namespace {

// The library calls the handler with nothing but a text; this is how the
// handler finds the console and the function table.
ClassicSapLibrary* g_handler_library = nullptr;

}  // namespace

void SAP_API RfcErrorHandler(char* operation) {
  if (g_handler_library != nullptr) g_handler_library->ReportFromCallback(operation);
  // No run to report to: still never return into the library.
  WriteFatalReport(StandardOutput(),
                   FatalFailure{operation != nullptr ? std::string(operation) : std::string(), {}},
                   nullptr);
  EndProcess(1);
}

void SetErrorHandlerLibrary(ClassicSapLibrary* library) { g_handler_library = library; }

}  // namespace tidewarden
