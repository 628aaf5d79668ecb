#include "base/call_log.h"

namespace tidewarden {

void CallLog::Open(const std::string& path) {
  if (fs_.FileSize(path) > kMaxLogBytes) {
    // The log cannot say why it could not be moved aside: it is the log.
    if (!fs_.ReplaceFile(path, path + ".1").ok()) static_cast<void>(fs_.RemoveFile(path));
  }
  path_ = path;
}

void CallLog::WriteLine(std::string_view line) {
  if (!is_open()) return;
  // A log that cannot be written must not change what the run reports.
  std::lock_guard<std::mutex> lock(mutex_);
  static_cast<void>(fs_.AppendToFile(path_, line));
}

std::string CallLogPathForProfile(const std::string& profile_path) {
  return profile_path + ".log";
}

void CallLogger::Write(std::int32_t number, std::string_view message,
                       std::string_view further) const {
  if (!enabled || log == nullptr || !log->is_open()) return;
  std::string line = std::to_string(number);
  // A text file for the admin: CR LF on Windows like every file we write.
  line.append(" ").append(message).append(" ").append(entry);
  if (!entry.empty() && !further.empty()) line.append(" ");
  line.append(further).append(kNativeLineEnd);
  log->WriteLine(line);
}

}  // namespace tidewarden
