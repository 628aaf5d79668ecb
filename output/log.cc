#include "output/log.h"

namespace tidewarden {

void LogSink::Open(const std::string& path) {
  if (fs_.FileSize(path) > kMaxLogBytes) {
    if (!fs_.ReplaceFile(path, path + ".1").ok()) fs_.RemoveFile(path);
  }
  path_ = path;
}

void LogSink::WriteLine(std::string_view line) {
  if (!is_open()) return;
  // A log that cannot be written must not change what the run reports.
  fs_.AppendToFile(path_, line);
}

std::string LogPathForProfile(const std::string& profile_path) { return profile_path + ".log"; }

void WriteLogLine(LogSink& log, const std::string& option_string, std::int32_t number,
                  std::string_view message, std::string_view further) {
  if (option_string.find(",SYSLOG") == std::string::npos || !log.is_open()) return;
  std::string line = std::to_string(number);
  // A text file for the admin: CR LF on Windows like every file we write.
  line.append(" ").append(message).append(" ").append(further).append(kNativeLineEnd);
  log.WriteLine(line);
}

void PrintLabelLine(Console& console, std::string_view label, int indent, int width,
                    std::string_view text) {
  std::string line;
  if (indent > 0) line.append(static_cast<std::size_t>(indent), ' ');
  line.append(label);
  if (width > 0 && label.size() < static_cast<std::size_t>(width)) {
    line.append(static_cast<std::size_t>(width) - label.size(), ' ');
  }
  line.append(" : ").append(text).append("\n");
  console.Write(line);
}

}  // namespace tidewarden
