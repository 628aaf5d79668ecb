#include "rfc/classic/classic_library.h"

#include <string>

#include "base/text.h"
#include "platform/system.h"
#include "rfc/classic/call_pattern.h"
#include "rfc/classic/classic_connection.h"
#include "rfc/classic/trace_file.h"
#include "rfc/fatal_report.h"

namespace tidewarden {
namespace {

// The library calls its error handler with nothing but a text; this is how
// the handler finds the console and the function table (null: it reports to
// the standard output without a library).
ClassicSapLibrary* g_handler_library = nullptr;

// The handler RfcEnvironment installs: the only place where a fatal failure
// ends the process from inside, since it must not return into the library.
void SAP_API RfcErrorHandler(char* operation) {
  if (g_handler_library != nullptr) g_handler_library->ReportFromCallback(operation);
  WriteFatalReport(StandardOutput(),
                   FatalFailure{operation != nullptr ? std::string(operation) : std::string(), {}},
                   nullptr);
  EndProcess(1);
}

char* TextOrNull(std::string& text) { return text.empty() ? nullptr : text.data(); }

// Fills the records RfcOpen reads from the logon parameters.
void FillOpenRecords(const LogonParameters& parameters, OpenRecords* open) {
  static_cast<LogonFields&>(*open) = parameters;
  PadWithBlanks(&open->user, 12);
  PadWithBlanks(&open->password, 10);

  RFC_OPTIONS& options = open->options;
  options.destination = open->destination.data();
  options.client = open->client.data();
  options.user = open->user.data();
  options.password = open->password.data();
  options.language = open->language.data();
  options.trace = 0;
  if (open->mode == "R/2") {
    options.mode = RFC_MODE_CPIC;
    open->cpic.gateway_host = TextOrNull(open->gwhost);
    open->cpic.gateway_service = TextOrNull(open->gwservice);
    options.connopt = &open->cpic;
  } else {
    options.mode = RFC_MODE_R3ONLY;
    open->r3.hostname = TextOrNull(open->hostname);
    open->r3.sysnr = parameters.sysnr_number;
    open->r3.gateway_host = TextOrNull(open->gwhost);
    open->r3.gateway_service = TextOrNull(open->gwservice);
    options.connopt = &open->r3;
  }
}

}  // namespace

ClassicSapLibrary::~ClassicSapLibrary() { g_handler_library = nullptr; }

Result<void, FatalFailure> ClassicSapLibrary::Prepare(const CallLogger& log) {
  // The table is complete: a library lacking a function was never chosen.
  g_handler_library = this;
  RFC_ENV environment{};
  environment.errorhandler = &RfcErrorHandler;
  environment.allocate = nullptr;
  table_.RfcEnvironment(&environment);
  log.Write(0, "RfcEnvironment called");
  return {};
}

Result<std::unique_ptr<SapConnection>, OpenFailure> ClassicSapLibrary::Open(LogonRequest request,
                                                                            const CallLogger& log) {
  auto connection = std::make_unique<ClassicConnection>(*this, log);
  OpenRecords& open = connection->records();
  const LogonParameters& parameters = request.parameters;
  FillOpenRecords(parameters, &open);
  RFC_HANDLE handle = 0;
  if (!request.by_destination) {
    handle = table_.RfcOpen(&open.options);
    log.Write(static_cast<std::int32_t>(handle), "RfcOpen called");
  } else {
    open.connect_string = "CLIENT=" + parameters.client + " USER=" + parameters.user +
                          " PASSWD=" + parameters.password +
                          " LANG=D DEST=" + parameters.destination;
    open.error_info = RFC_ERROR_INFO_EX{};
    handle = table_.RfcOpenEx(open.connect_string.data(), &open.error_info);
    // The library has read SapRfc.ini once RfcOpenEx returns.
    request.ini_lock.reset();
    log.Write(static_cast<std::int32_t>(handle), "RfcOpenEx called");
  }
  if (handle == 0) return LogonRefused{};
  connection->set_handle(handle);
  return std::unique_ptr<SapConnection>(std::move(connection));
}

std::string ClassicSapLibrary::LastErrorText() { return TraceFileErrorText(fs_); }

Status ClassicSapLibrary::DiscardErrorTrail() { return fs_.RemoveFile(kTraceFileName); }

void ClassicSapLibrary::CloseAll() { table_.RfcClose(0); }

void ClassicSapLibrary::ReportFromCallback(const char* operation) {
  WriteFatalReport(console_, FatalNow(&table_, operation != nullptr ? std::string(operation) : ""),
                   this);
  console_.Flush();
  EndProcess(1);
}

void ClassicConnection::Close() {
  if (handle_ != 0) {
    table_.RfcClose(handle_);
    handle_ = 0;
  }
}

CallFailure ClassicConnection::Failed(RFC_RC code, std::string exception) {
  return CallFailure{code, std::move(exception), library_.LastErrorText()};
}

}  // namespace tidewarden
