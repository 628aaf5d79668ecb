#include "rfc/classic/trace_file.h"

namespace tidewarden {

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

std::string TraceFileErrorText(FileSystem& fs) {
  std::string content;
  if (!fs.ReadFile(kTraceFileName, &content).ok()) return " - Look for Trace-File";
  std::string captured = LastTraceErrorText(content);
  if (captured.empty()) return " - Please Check Trace-File !";
  return " - " + captured;
}

}  // namespace tidewarden
