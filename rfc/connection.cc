#include "rfc/connection.h"

#include <optional>

#include "output/result_document.h"
#include "platform/replace_file.h"
#include "rfc/failure.h"

namespace tidewarden {
namespace {

char* TextOrNull(std::string& text) { return text.empty() ? nullptr : text.data(); }

void PadTo(std::string* text, std::size_t width) {
  if (text->size() < width) text->append(width - text->size(), ' ');
}

}  // namespace

std::optional<std::string> OverrideValue(const std::string& option_string,
                                         const std::string& verbatim_option_string,
                                         std::string_view keyword) {
  const std::size_t at = option_string.find(keyword);
  if (at == std::string::npos) return std::nullopt;
  std::string value;
  for (std::size_t i = at + keyword.size(); i < verbatim_option_string.size(); ++i) {
    char c = verbatim_option_string[i];
    if (c == ' ' || c == ',') break;
    value += c;
  }
  return value;
}

void SetRfcEnvironment(RfcContext& context) {
  RfcSession& session = context.session;
  if (session.library == nullptr) {
    std::string operation, message;
    RfcLibrary partial;
    session.library = session.source.Get(&operation, &message, &partial);
    if (session.library == nullptr) {
      WriteRfcFailureReport(context.console, &partial, operation, message);
      context.console.Flush();
      EndProcess(1);
    }
  }
  SetErrorHandlerContext(&context);
  RFC_ENV environment{};
  environment.errorhandler = &RfcErrorHandler;
  environment.allocate = nullptr;
  session.library->RfcEnvironment(&environment);
  WriteLogLine(context.log, context.option_string, static_cast<std::int32_t>(session.handle),
               "RfcEnvironment called", "");
}

RFC_HANDLE OpenRfcConnection(RfcContext& context, const ConnectionParameters& parameters) {
  RfcSession& session = context.session;
  OpenRecords& open = session.open;
  open.destination = parameters.destination;
  open.client = parameters.client;
  open.user = parameters.user;
  open.password = parameters.password;
  open.language = parameters.language;
  open.mode = parameters.mode;
  open.hostname = parameters.hostname;
  open.sysnr = parameters.sysnr;
  open.gwhost = parameters.gwhost;
  open.gwservice = parameters.gwservice;
  if (auto host = OverrideValue(context.option_string, context.verbatim_option_string, ",HOST=")) {
    open.hostname = *host;
  }
  if (auto number = OverrideValue(context.option_string, context.verbatim_option_string, ",NO=")) {
    open.sysnr = *number;
  }
  PadTo(&open.user, 12);
  PadTo(&open.password, 10);

  RFC_OPTIONS& options = open.options;
  options.destination = open.destination.data();
  options.client = open.client.data();
  options.user = open.user.data();
  options.password = open.password.data();
  options.language = open.language.data();
  options.trace = 0;
  if (open.mode == "R/2") {
    options.mode = RFC_MODE_CPIC;
    open.cpic.gateway_host = TextOrNull(open.gwhost);
    open.cpic.gateway_service = TextOrNull(open.gwservice);
    options.connopt = &open.cpic;
  } else {
    options.mode = RFC_MODE_R3ONLY;
    open.r3.hostname = TextOrNull(open.hostname);
    // An empty system number keeps the value of the previous open.
    if (!open.sysnr.empty()) open.r3.sysnr = LeadingDecimal(open.sysnr);
    open.r3.gateway_host = TextOrNull(open.gwhost);
    open.r3.gateway_service = TextOrNull(open.gwservice);
    options.connopt = &open.r3;
  }

  const std::string destination_ini = "SapRfc." + parameters.destination;
  std::string ini_content;
  if (!context.fs.ReadFile(destination_ini, &ini_content).ok()) {
    session.handle = session.library->RfcOpen(&options);
    WriteLogLine(context.log, context.option_string, static_cast<std::int32_t>(session.handle),
                 "RfcOpen called", "");
    return session.handle;
  }

  context.console.Write("* SapRfc.Ini.......: " + parameters.destination + "<\n");
  // Sensors of other destinations may open in this folder at this moment,
  // and the library reads the folder's one ini file: without the lock another
  // run could replace it between this copy and the logon, which then fails.
  // A lock not had in time (a logon hanging elsewhere) costs only that risk.
  std::unique_ptr<FileLock> lock;
  static_cast<void>(context.fs.LockFile(kLibraryIniLockFile, kLibraryIniLockWaitMs, &lock));
  // The library must never read a half-written ini file either, so it is
  // replaced in one step, and not at all when it already holds these bytes.
  std::string current;
  const bool same = context.fs.ReadFile(kLibraryIniFile, &current).ok() && current == ini_content;
  if (!same && !ReplaceFileContents(context.fs, kLibraryIniFile, ini_content).ok()) {
    session.handle = 0;
    return 0;
  }
  open.connect_string = "CLIENT=" + parameters.client + " USER=" + parameters.user +
                        " PASSWD=" + parameters.password + " LANG=D DEST=" +
                        parameters.destination;
  open.error_info = RFC_ERROR_INFO_EX{};
  session.handle = session.library->RfcOpenEx(open.connect_string.data(), &open.error_info);
  WriteLogLine(context.log, context.option_string, static_cast<std::int32_t>(session.handle),
               "RfcOpenEx called", "");
  return session.handle;
}

void CloseRfcConnection(RfcContext& context) {
  if (context.session.handle != 0) {
    context.session.library->RfcClose(context.session.handle);
    context.session.handle = 0;
  }
}

}  // namespace tidewarden
