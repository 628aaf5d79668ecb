// The call log (",SYSLOG"): one line per call into the SAP library, in a
// file beside the profile.
#ifndef TIDEWARDEN_BASE_CALL_LOG_H_
#define TIDEWARDEN_BASE_CALL_LOG_H_

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace tidewarden {

// The log stream: a file beside the profile, appended to line by line, each
// line on disk before the next library call (a run that hangs or is killed
// still leaves its trail). A file grown past kMaxLogBytes is moved to
// path + ".1" (replacing the older one) when the next run opens it, so a
// forgotten switch can never fill a disk. Threads of a listing pass write to
// one log: each line goes whole in one append.
class CallLog {
 public:
  static constexpr std::int64_t kMaxLogBytes = 1024 * 1024;

  explicit CallLog(FileSystem& fs) : fs_(fs) {}

  void Open(const std::string& path);
  bool is_open() const { return !path_.empty(); }
  const std::string& path() const { return path_; }
  void WriteLine(std::string_view line);

 private:
  FileSystem& fs_;
  std::string path_;
  std::mutex mutex_;
};

// The call log of a profile: its path with ".log" appended.
std::string CallLogPathForProfile(const std::string& profile_path);

// What a step writes its call lines to: the run's log, and whether the
// options in force hold ",SYSLOG" (a listing pass reads them anew).
struct CallLogger {
  CallLog* log = nullptr;
  bool enabled = false;
  // A pass with several systems at once names the system of each line: the
  // third field, empty on a call line, holds the entry; text already there
  // follows the entry.
  std::string entry;

  // "%d %s %s\n" to the log, when enabled and the log is open.
  void Write(std::int32_t number, std::string_view message, std::string_view further = {}) const;
};

}  // namespace tidewarden

#endif  // TIDEWARDEN_BASE_CALL_LOG_H_
