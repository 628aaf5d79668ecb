#include "rfc/failure.h"

#include <cstring>

#include "output/log.h"

namespace tidewarden {
namespace {

// The library calls the error handler with nothing but a text; this is how
// the handler finds the console and the library of the run.
RfcContext* g_handler_context = nullptr;

constexpr int kLabelWidth = 15;

std::string FieldText(const char* field, std::size_t room) {
  return std::string(field, strnlen(field, room));
}

}  // namespace

void WriteRfcFailureReport(Console& console, const RfcLibrary* library,
                           std::string_view operation, std::string_view message_override) {
  console.Write("RFC error\n");
  PrintLabelLine(console, "operation/code", 0, kLabelWidth, operation);
  RFC_ERROR_INFO info;
  std::memset(&info, 0, sizeof info);
  if (library != nullptr && library->RfcLastError != nullptr) library->RfcLastError(&info);
  PrintLabelLine(console, "key", 0, kLabelWidth, FieldText(info.key, sizeof info.key));
  PrintLabelLine(console, "status", 0, kLabelWidth, FieldText(info.status, sizeof info.status));
  PrintLabelLine(console, "message", 0, kLabelWidth,
                 message_override.empty() ? FieldText(info.message, sizeof info.message)
                                          : std::string(message_override));
  PrintLabelLine(console, "internal status", 0, kLabelWidth,
                 FieldText(info.intstat, sizeof info.intstat));
  console.Write("\n");
  if (library != nullptr && library->RfcClose != nullptr) library->RfcClose(0);
  console.Write("* Programm aborted...\n");
}

void ReportRfcFailure(RfcContext& context, std::string_view operation) {
  WriteRfcFailureReport(context.console, context.session.library, operation);
  context.console.Flush();
  EndProcess(1);
}

void SAP_API RfcErrorHandler(char* operation) {
  std::string_view text = operation != nullptr ? std::string_view(operation) : std::string_view();
  if (g_handler_context != nullptr) ReportRfcFailure(*g_handler_context, text);
  // No run to report to: still never return into the library.
  WriteRfcFailureReport(StandardOutput(), nullptr, text);
  EndProcess(1);
}

void SetErrorHandlerContext(RfcContext* context) { g_handler_context = context; }

void AppendCallOutcome(ResultDocument& document, RFC_RC code, std::string_view exception) {
  switch (code) {
    case RFC_OK:
      return;
    case RFC_FAILURE:
      document.Append("Error 1014: RFC-Failure raised !");
      return;
    case RFC_EXCEPTION:
      document.Append("Error 1012: Exception.: " + std::string(exception));
      return;
    case RFC_SYS_EXCEPTION:
      document.Append("Error 1013: Sys-Exception raised !");
      return;
    default:
      document.Append("Error 1015: Other Failure raised !");
      return;
  }
}

std::string LastTraceErrorText(std::string_view content) {
  // The library writes its trace as a text file; read as text, a CR LF
  // line end is one line feed.
  std::string text;
  text.reserve(content.size());
  for (std::size_t i = 0; i < content.size(); ++i) {
    if (content[i] == '\r' && i + 1 < content.size() && content[i + 1] == '\n') continue;
    text += content[i];
  }
  constexpr std::size_t kPieceRoom = 99;
  std::string captured;
  auto set_captured = [&captured](std::string_view from) {
    captured.assign(from);
    if (!captured.empty() && captured.back() == '\r') captured.pop_back();
    if (!captured.empty() && captured.back() == '\n') captured.pop_back();
  };
  std::size_t position = 0;
  while (position < text.size()) {
    std::size_t end = position;
    while (end < text.size() && end - position < kPieceRoom) {
      if (text[end++] == '\n') break;
    }
    std::string_view line(text.data() + position, end - position);
    position = end;
    if (line.substr(0, 11) == "**** ERROR ") captured.clear();
    if (line.substr(0, 6) == "ERROR ") set_captured(line.size() > 12 ? line.substr(12) : "");
    if (line.size() >= 15 && line.substr(7, 8) == "======> ") set_captured(line.substr(15));
  }
  return captured;
}

void ScanTraceFile(FileSystem& fs, ResultDocument& document) {
  std::string content;
  if (!fs.ReadFile(kTraceFileName, &content).ok()) {
    document.Append(" - Look for Trace-File");
    return;
  }
  std::string captured = LastTraceErrorText(content);
  if (captured.empty()) {
    document.Append(" - Please Check Trace-File !");
  } else {
    document.Append(" - " + captured);
  }
}

RFC_RC CallFunctionModule(RfcContext& context, const char* function, RFC_PARAMETER* exporting,
                          RFC_PARAMETER* importing, RFC_TABLE* tables, std::string* exception) {
  const RfcLibrary& library = *context.session.library;
  const RFC_HANDLE handle = context.session.handle;
  RFC_RC code = library.RfcCall(handle, const_cast<char*>(function), exporting, tables);
  WriteLogLine(context.log, context.option_string, static_cast<std::int32_t>(handle),
               "RfcCall called", "");
  if (code != RFC_OK) return code;
  char* exception_name = nullptr;
  code = library.RfcReceive(handle, importing, tables, &exception_name);
  WriteLogLine(context.log, context.option_string, static_cast<std::int32_t>(handle),
               "RfcReceive called", "");
  if ((code == RFC_EXCEPTION || code == RFC_SYS_EXCEPTION) && exception_name != nullptr) {
    // The exception buffer of the calling step holds 255 characters.
    exception->assign(exception_name, strnlen(exception_name, 255));
  }
  return code;
}

RFC_TYPEHANDLE InstallStructure(RfcContext& context, const char* name,
                                RFC_TYPE_ELEMENT* elements, unsigned count) {
  RFC_TYPEHANDLE type = 0;
  if (context.session.library->RfcInstallStructure(const_cast<char*>(name), elements, count,
                                                   &type) != RFC_OK) {
    ReportRfcFailure(context, "RfcInstallStructure");
  }
  return type;
}

InternalTable::InternalTable(RfcContext& context, const char* name, unsigned row_length,
                             std::string create_failure, std::string delete_failure)
    : context_(context), delete_failure_(std::move(delete_failure)) {
  handle_ = context.session.library->ItCreate(const_cast<char*>(name), row_length, 0, 0);
  if (handle_ == nullptr) ReportRfcFailure(context, create_failure);
}

void InternalTable::Delete() {
  ITAB_H handle = handle_;
  handle_ = nullptr;
  if (handle != nullptr && context_.session.library->ItDelete(handle) != 0) {
    ReportRfcFailure(context_, delete_failure_);
  }
}

InternalTable::~InternalTable() {
  if (handle_ != nullptr) context_.session.library->ItDelete(handle_);
}

}  // namespace tidewarden
