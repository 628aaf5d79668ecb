// Log lines of the library calls (",SYSLOG") and the labelled console lines
// of the fatal report.
#ifndef TIDEWARDEN_OUTPUT_LOG_H_
#define TIDEWARDEN_OUTPUT_LOG_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/file_system.h"
#include "platform/system.h"

namespace tidewarden {

// The log stream: a file beside the profile, appended to line by line, each
// line on disk before the next library call (a run that hangs or is killed
// still leaves its trail). A file grown past kMaxLogBytes is moved to
// path + ".1" (replacing the older one) when the next run opens it, so a
// forgotten switch can never fill a disk.
class LogSink {
 public:
  static constexpr std::int64_t kMaxLogBytes = 1024 * 1024;

  explicit LogSink(FileSystem& fs) : fs_(fs) {}

  void Open(const std::string& path);
  bool is_open() const { return !path_.empty(); }
  const std::string& path() const { return path_; }
  void WriteLine(std::string_view line);

 private:
  FileSystem& fs_;
  std::string path_;
};

// The log file of a profile: its path with ".log" appended.
std::string LogPathForProfile(const std::string& profile_path);

// "%d %s %s\n" to the log stream, when the option string holds ",SYSLOG" and
// the stream is open.
void WriteLogLine(LogSink& log, const std::string& option_string, std::int32_t number,
                  std::string_view message, std::string_view further);

// Indentation as blanks, then the label padded to `width` (a longer label is
// not cut), " : ", the text and a line feed.
void PrintLabelLine(Console& console, std::string_view label, int indent, int width,
                    std::string_view text);

}  // namespace tidewarden

#endif  // TIDEWARDEN_OUTPUT_LOG_H_
